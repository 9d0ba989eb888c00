#include "archive/lha/crc16.h"

#include <array>

namespace lha {
namespace {

// Eight tables let the loop consume eight bytes per step (slicing-by-8).
constexpr std::array<std::array<std::uint16_t, 256>, 8> makeTables() {
    std::array<std::array<std::uint16_t, 256>, 8> t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s) t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    return t;
}

constexpr auto kTables = makeTables();

}  // namespace

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    while (size >= 8) {
        const std::uint32_t v = crc ^ (p[0] | (p[1] << 8));
        crc = static_cast<std::uint16_t>(kTables[7][v & 0xFF] ^ kTables[6][(v >> 8) & 0xFF] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
                                         kTables[0][p[7]]);
        p += 8;
        size -= 8;
    }
    while (size--) crc = static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

}  // namespace lha
