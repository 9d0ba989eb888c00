// Archives built to hurt: each must be refused with nothing written outside
// the destination and nothing left in it.
#include <cstring>
#include <functional>

#include "archive/EntryNames.h"

#include "archive/ArchiveReader.h"
#include "archive/ArchiveTestUtil.h"
#include "archive/lha/crc16.h"
#include "archive/lha/header.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A level-0 entry, stored: the oldest header, whose name is a raw byte string.
std::string level0(const std::string& name, const std::string& data) {
    std::string h;
    h += "-lh0-";
    put32(h, static_cast<std::uint32_t>(data.size()));
    put32(h, static_cast<std::uint32_t>(data.size()));
    put32(h, 0x58C16000);  // a DOS date and time
    h += '\x20';
    h += '\x00';
    h += static_cast<char>(name.size());
    h += name;
    put16(h, lha::crc16(0, data.data(), data.size()));
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    std::string entry;
    entry += static_cast<char>(h.size());
    entry += static_cast<char>(sum & 0xFF);
    return entry + h + data;
}

// After a header's extensions changed: its size field and its CRC again.
void resealLevel2(std::string& h) {
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>(h.size() >> 8);
    h[27] = h[28] = 0;
    const auto crc = lha::crc16(0, h.data(), h.size());
    h[27] = static_cast<char>(crc & 0xFF);
    h[28] = static_cast<char>(crc >> 8);
}

// A level-2 entry, stored, with whatever extensions the case needs.
std::string level2(const std::string& name, const std::vector<std::string>& folders, const std::string& data,
                   std::uint16_t unixMode = 0) {
    lha::EntryHeader e;
    e.method = "-lh0-";
    e.name = name;
    e.folders = folders;
    e.compressedSize = e.originalSize = static_cast<std::uint32_t>(data.size());
    e.dataCrc = lha::crc16(0, data.data(), data.size());
    auto bytes = lha::buildLevel2Header(e);
    std::string h(bytes.begin(), bytes.end());
    if (unixMode) {
        // Splice a Unix mode extension (0x50) in before the end: the last
        // extension's next-size (the header's final two bytes) points at it.
        h.resize(h.size() - 2);
        put16(h, 5);
        h += '\x50';
        put16(h, unixMode);
        put16(h, 0);
        resealLevel2(h);
    }
    return h + data;
}

struct Hostile {
    const char* label;
    std::function<std::string()> bytes;
};

std::string withEnd(std::string s) {
    return s + '\0';
}

const std::vector<Hostile>& hostiles() {
    static const std::vector<Hostile> all = {
        {"dotdot_slash", [] { return withEnd(level0("../evil.txt", "x")); }},
        {"dotdot_backslash", [] { return withEnd(level0("..\\evil.txt", "x")); }},
        {"dotdot_inside", [] { return withEnd(level0("a/../../evil.txt", "x")); }},
        {"dotdot_in_folder_ext", [] { return withEnd(level2("evil.txt", {".."}, "x")); }},
        {"dotdot_deep_folder_ext",
         [] {
             return withEnd(level2("evil.txt", {"a", "..", ".."}, "x"));
         }},
        {"absolute_slash", [] { return withEnd(level0("/tmp/fzarc-evil.txt", "x")); }},
        {"absolute_backslash", [] { return withEnd(level0("\\evil.txt", "x")); }},
        {"drive_root", [] { return withEnd(level0("C:\\evil.txt", "x")); }},
        {"drive_relative", [] { return withEnd(level0("C:evil.txt", "x")); }},
        {"device_name", [] { return withEnd(level0("CON.txt", "x")); }},
        {"symlink_then_file_through_it",
         [] { return withEnd(level2("link|/tmp", {}, "", 0120777) + level2("evil.txt", {"link"}, "x")); }},
        {"good_then_bad", [] { return withEnd(level0("good.txt", "fine") + level0("../evil.txt", "x")); }},
        {"bad_data_crc",
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s.back() ^= 1;
             return withEnd(s);
         }},
        {"bad_header_crc",
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[27] ^= 0x55;
             return withEnd(s);
         }},
        {"truncated", [] { return level2("a.txt", {}, std::string(1000, 'a')).substr(0, 500); }},
        {"header_length_below_minimum",
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[0] = 10;
             s[1] = 0;
             return withEnd(s);
         }},
        {"header_length_past_the_end",
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[0] = '\xF0';
             s[1] = '\xFF';
             return withEnd(s);
         }},
        {"petabyte_size",
         [] {
             // Level 2 with a 64-bit size extension (0x42) declaring 2^50 bytes.
             std::string s = level2("big.bin", {}, "tiny");
             std::string h = s.substr(0, s.size() - 4);
             h.resize(h.size() - 2);
             put16(h, 19);
             h += '\x42';
             put32(h, 0);
             put32(h, 0x40000);  // compressed: 2^50
             put32(h, 0);
             put32(h, 0x40000);  // original: 2^50
             put16(h, 0);
             resealLevel2(h);
             return withEnd(h + "tiny");
         }},
    };
    return all;
}

class HostileArchive : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HostileArchive, IsRefusedAndLeavesNothing) {
    const auto& h = hostiles()[GetParam()];
    TempDir d;
    const auto arc = d.path() / "fridge" / "hostile.lzh";
    testsupport::writeFile(arc, h.bytes());
    const auto board = d.path() / "engine" / "Scenario" / "FZARC_まな板";
    fs::create_directories(board);
    const auto before = archivetest::readTree(d.path());
    const auto r =
        archiver::extractArchive(sysutil::utf8FromPath(arc), sysutil::utf8FromPath(board / "hostile") + "/", {});
    EXPECT_FALSE(r.ok()) << h.label;
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(archivetest::readTree(d.path()), before) << h.label << ": something was written";
    EXPECT_FALSE(fs::exists("/tmp/fzarc-evil.txt"));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileArchive, ::testing::Range<std::size_t>(0, hostiles().size()),
                         [](const auto& p) { return std::string(hostiles()[p.param].label); });

TEST(NameCharset, ArchivesMadeOnLinuxWithUtf8NamesComeOutRight) {
    TempDir d;
    const auto arc = d.path() / "linux.lzh";
    testsupport::writeFile(arc, withEnd(level0("日本語/表示.txt", "utf-8 names") + level0("plain.txt", "ascii")));
    const auto r = archiver::extractArchive(sysutil::utf8FromPath(arc), d.str("out"), {});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(testsupport::readFile(d.path() / "out" / testsupport::u8("日本語") / testsupport::u8("表示.txt")),
              "utf-8 names");
    // The same bytes read as CP932 would have been mojibake; a CP932 name stays CP932.
    testsupport::writeFile(arc, withEnd(level0("\x95\x5c\x8e\xa6.txt", "cp932")));
    std::filesystem::remove_all(d.path() / "out");
    ASSERT_TRUE(archiver::extractArchive(sysutil::utf8FromPath(arc), d.str("out"), {}).ok());
    EXPECT_EQ(testsupport::readFile(d.path() / "out" / testsupport::u8("表示.txt")), "cp932");
}

TEST(SafeComponents, SplitAndRefuse) {
    using archiver::safeComponents;
    EXPECT_EQ(safeComponents("a/b\\c.txt"), (std::vector<std::string>{"a", "b", "c.txt"}));
    EXPECT_EQ(safeComponents("./a//b/"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(safeComponents("表/ソ.txt"), (std::vector<std::string>{"表", "ソ.txt"}));
    for (const char* bad :
         {"..", "a/../b", "/abs", "\\abs", "C:x", "c:\\x", "a/nul", "com1.txt", "lpt9", "x\tb", "dots...", "trailing "})
        EXPECT_FALSE(safeComponents(bad)) << bad;
}

}  // namespace
