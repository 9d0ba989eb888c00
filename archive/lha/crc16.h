#pragma once
// CRC-16/ARC (reflected polynomial 0xA001, initial value 0): the checksum LHA
// uses for file data and for level-2 headers.
#include <cstddef>
#include <cstdint>

namespace lha {

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t size);

}  // namespace lha
