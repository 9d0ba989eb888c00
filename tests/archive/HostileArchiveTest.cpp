// Archives built to hurt or damaged on the way: check, test and extract all
// refuse them, and extraction writes nothing, inside the destination or out.
#include <cstdlib>
#include <ctime>
#include <functional>

#if !defined(_WIN32)
#include <sched.h>
#include <sys/mount.h>
#endif

#include "archive/ArchiveReader.h"
#include "archive/ArchiveTestUtil.h"
#include "archive/Archiver.h"
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
std::string level0(const std::string& name, const std::string& data, std::uint32_t declared = ~0u,
                   std::uint32_t dosTime = 0x58C16000) {
    std::string h;
    h += "-lh0-";
    put32(h, static_cast<std::uint32_t>(data.size()));
    put32(h, declared == ~0u ? static_cast<std::uint32_t>(data.size()) : declared);
    put32(h, dosTime);
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

// After a level-2 header changed: its size field and its CRC again.
void reseal(std::string& h) {
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>(h.size() >> 8);
    h[27] = h[28] = 0;
    const auto crc = lha::crc16(0, h.data(), h.size());
    h[27] = static_cast<char>(crc & 0xFF);
    h[28] = static_cast<char>(crc >> 8);
}

// Splices one more extension in at the end of a level-2 header: the last
// extension's next-size field (the header's final two bytes) points at it.
std::string withExtension(std::string h, std::uint8_t type, const std::string& data) {
    h.resize(h.size() - 2);
    put16(h, static_cast<unsigned>(3 + data.size()));
    h += static_cast<char>(type);
    h += data;
    put16(h, 0);
    reseal(h);
    return h;
}

// A level-2 header, stored method, for `data`.
std::string level2Header(const std::string& name, const std::vector<std::string>& folders, const std::string& data,
                         std::uint32_t codePage = 932) {
    lha::EntryHeader e;
    e.codePage = codePage;
    e.method = "-lh0-";
    e.name = name;
    e.folders = folders;
    e.compressedSize = e.originalSize = static_cast<std::uint32_t>(data.size());
    e.dataCrc = lha::crc16(0, data.data(), data.size());
    const auto bytes = lha::buildLevel2Header(e);
    return std::string(bytes.begin(), bytes.end());
}

std::string level2(const std::string& name, const std::vector<std::string>& folders, const std::string& data,
                   std::uint32_t codePage = 932) {
    return level2Header(name, folders, data, codePage) + data;
}

std::string withEnd(std::string s) {
    return s + '\0';
}

// A real -lh5- entry of `size` bytes of text, its header as the writer made it.
std::string lh5Entry(std::size_t size) {
    TempDir d;
    archivetest::makeTree(d.path() / "src", {{"t.txt", testsupport::sjisText(size)}});
    const auto arc = d.path() / "t.lzh";
    EXPECT_TRUE(archivetest::pack(arc, d.path() / "src").ok());
    std::string bytes = testsupport::readFile(arc);
    bytes.pop_back();  // the end mark
    return bytes;
}

// The original size of the first level-2 header, changed after the fact.
std::string withOriginalSize(std::string entry, std::uint32_t size) {
    const std::size_t headerSize = static_cast<unsigned char>(entry[0]) | static_cast<unsigned char>(entry[1]) << 8;
    std::string h = entry.substr(0, headerSize);
    for (int i = 0; i < 4; ++i) h[11 + i] = static_cast<char>(size >> (8 * i));
    reseal(h);
    return h + entry.substr(headerSize);
}

std::string largeSizes(std::uint64_t packed, std::uint64_t original) {
    std::string x;
    put32(x, static_cast<std::uint32_t>(packed));
    put32(x, static_cast<std::uint32_t>(packed >> 32));
    put32(x, static_cast<std::uint32_t>(original));
    put32(x, static_cast<std::uint32_t>(original >> 32));
    return x;
}

std::string utf16(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) put16(out, c);
    return out;
}

// A level-2 header padded to `size` bytes with a comment extension.
std::string level2HeaderOfSize(const std::string& name, const std::string& data, std::size_t size) {
    const std::string h = level2Header(name, {}, data);
    return withExtension(h, 0x3F, std::string(size - h.size() - 3, 'c'));
}

struct Hostile {
    const char* label;
    bool damaged;  // the archive itself is damaged (test refuses it too), not only its names
    std::function<std::string()> bytes;
};

const std::vector<Hostile>& hostiles() {
    static const std::vector<Hostile> all = {
        // Names that lead outside, or that Windows would take for something else.
        {"dotdot_slash", false, [] { return withEnd(level0("../evil.txt", "x")); }},
        {"dotdot_backslash", false, [] { return withEnd(level0("..\\evil.txt", "x")); }},
        {"dotdot_inside", false, [] { return withEnd(level0("a/../../evil.txt", "x")); }},
        {"dotdot_in_folder_ext", false, [] { return withEnd(level2("evil.txt", {".."}, "x")); }},
        {"dotdot_deep_folder_ext", false,
         [] {
             return withEnd(level2("evil.txt", {"a", "..", ".."}, "x"));
         }},
        {"dotdot_utf16_name", false,
         [] { return withEnd(withExtension(level2Header("fine.txt", {}, "x"), 0x44, utf16(u"..\\evil.txt")) + "x"); }},
        {"dotdot_utf16_folder", false,
         [] {
             return withEnd(withExtension(level2Header("evil.txt", {"fine"}, "x"), 0x45, utf16(u"..\xFFFF")) + "x");
         }},
        {"drive_root", false, [] { return withEnd(level0("C:\\evil.txt", "x")); }},
        {"drive_relative", false, [] { return withEnd(level0("C:evil.txt", "x")); }},
        {"device_name", false, [] { return withEnd(level0("CON.txt", "x")); }},
        {"control_character", false, [] { return withEnd(level0("evil\x1b[2J.txt", "x")); }},
        {"symlink_then_file_through_it", false,
         [] {
             std::string mode;
             put16(mode, 0120777);
             return withEnd(withExtension(level2Header("link|/tmp", {}, ""), 0x50, mode) +
                            level2("evil.txt", {"link"}, "x"));
         }},
        // A CP932 lead byte before '/' once swallowed the separator, so that
        // ".." hid inside one component and the second file replaced the first.
        {"cp932_lead_byte_hides_dotdot", false,
         [] { return withEnd(level0("evil.txt", "one") + level0("\x81/../evil.txt", "two")); }},
        {"good_then_bad", false, [] { return withEnd(level0("good.txt", "fine") + level0("../evil.txt", "x")); }},
        // FZARC's own work names: the next tidying would play a planted journal.
        {"planted_work_folder", false,
         [] {
             return withEnd(level0(".fzarc-staging-4000000000-7/.fzarc-work", "") +
                            level0(".fzarc-staging-4000000000-7/journal", "FZARC merge 1\nend\n"));
         }},
        {"planted_marker_other_case", false, [] { return withEnd(level0("Castle/.FZARC-WORK", "")); }},
        {"same_name_twice", false, [] { return withEnd(level0("Readme.txt", "one") + level0("README.TXT", "two")); }},
        {"file_then_folder_of_that_name", false,
         [] { return withEnd(level0("a", "file") + level2("x.txt", {"a"}, "under a")); }},
        // Damaged data and headers.
        {"bad_data_crc", true,
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s.back() ^= 1;
             return withEnd(s);
         }},
        {"bad_header_crc", true,
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[27] ^= 0x55;
             return withEnd(s);
         }},
        {"bad_level0_checksum", true,
         [] {
             std::string s = level0("a.txt", "hello");
             s[1] ^= 1;
             return withEnd(s);
         }},
        {"truncated", true, [] { return level2("a.txt", {}, std::string(1000, 'a')).substr(0, 500); }},
        {"header_length_below_minimum", true,
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[0] = 10;
             s[1] = 0;
             return withEnd(s);
         }},
        {"header_length_past_the_end", true,
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s[0] = '\xF0';
             s[1] = '\xFF';
             return withEnd(s);
         }},
        {"extension_past_the_header", true,
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[24] = '\xF0';  // the first extension's size
             return withEnd(h + "hello");
         }},
        {"extension_shorter_than_its_fields", true,
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[24] = 2;
             h[25] = 0;
             reseal(h);
             return withEnd(h + "hello");
         }},
        {"level0_name_longer_than_header", true,
         [] {
             std::string s = level0("a.txt", "hello");
             s[21] = 100;
             return withEnd(s);
         }},
        {"packed_size_past_the_end", true,
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[7] = '\x00';
             h[8] = '\x10';  // 4096 bytes of data that are not there
             reseal(h);
             return withEnd(h + "hello");
         }},
        {"petabyte_size", true,
         [] {
             return withEnd(withExtension(level2Header("big.bin", {}, "tiny"), 0x42, largeSizes(4, 1ull << 50)) +
                            "tiny");
         }},
        {"sizes_wrapping_past_2_64", true,
         [] {
             const std::string half = largeSizes(4, 1ull << 63);
             return withEnd(withExtension(level2Header("a.bin", {}, "tiny"), 0x42, half) + "tiny" +
                            withExtension(level2Header("b.bin", {}, "tiny"), 0x42, half) + "tiny");
         }},
        {"stored_declares_4GiB_holds_8", true, [] { return withEnd(level0("big.bin", "12345678", 0xFFFFFFF0)); }},
        {"lh5_declares_1000000_holds_less", true, [] { return withEnd(withOriginalSize(lh5Entry(3000), 1000000)); }},
        {"lh5_data_runs_past_declared_size", true, [] { return withEnd(withOriginalSize(lh5Entry(3000), 1000)); }},
        {"unknown_method", true,
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[5] = 'q';  // -lhq-
             reseal(h);
             return withEnd(h + "hello");
         }},
        // A header of 256·k bytes begins with a 0 byte, as the end mark does:
        // damaged, it is no end that hides the entries after it.
        {"level2_header_of_256_bytes_damaged", true,
         [] {
             std::string h = level2HeaderOfSize("b.txt", "two", 256);
             h[27] ^= 0x55;
             return withEnd(level2("a.txt", {}, "one") + h + "two" + level2("c.txt", {}, "three"));
         }},
        {"level2_header_of_256_bytes_cut_short", true,
         [] { return level2("a.txt", {}, "one") + level2HeaderOfSize("b.txt", "two", 256).substr(0, 100); }},
        {"garbage_after_an_entry", true, [] { return level0("a.txt", "hello") + "this is no header at all"; }},
        // Only LHa for OS-9/68k counts its level-2 headers two bytes short; a
        // header of that OS that counts right reads two bytes too many.
        {"os9_68k_header_counted_right", true,
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[23] = 'K';
             reseal(h);
             return withEnd(h + "hello");
         }},
    };
    return all;
}

class HostileArchive : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HostileArchive, IsRefusedEverywhereAndLeavesNothing) {
    const auto& h = hostiles()[GetParam()];
    TempDir d;
    const auto arc = d.path() / "fridge" / "hostile.lzh";
    testsupport::writeFile(arc, h.bytes());
    const auto board = d.path() / "engine" / "Scenario" / "FZARC_まな板";
    fs::create_directories(board);
    const auto before = archivetest::readTree(d.path());
    const std::string path = sysutil::utf8FromPath(arc);
    const auto r = archiver::extractArchive(path, sysutil::utf8FromPath(board / "hostile") + "/", {});
    EXPECT_FALSE(r.ok()) << h.label;
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(r.message.find('\x1b'), std::string::npos) << "a raw control character in the message";
    EXPECT_EQ(archivetest::readTree(d.path()), before) << h.label << ": something was written";
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    EXPECT_FALSE(archiver::checkArchive(path, {}).ok());
    if (h.damaged) {
        EXPECT_FALSE(archiver::testArchive(path, {}).ok()) << "test and extract disagree";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileArchive, ::testing::Range<std::size_t>(0, hostiles().size()),
                         [](const auto& p) { return std::string(hostiles()[p.param].label); });

// Leading separators mean the top of the archive: Japanese Windows archivers
// store them, and every other reader extracts below the destination.
struct TopCase {
    const char* label;
    std::string bytes;
    const char* path;
};

class LeadingSeparator : public ::testing::TestWithParam<TopCase> {};

TEST_P(LeadingSeparator, ExtractsBelowTheDestination) {
    TempDir d;
    const auto arc = d.path() / "top.lzh";
    testsupport::writeFile(arc, GetParam().bytes);
    const auto r = archiver::extractArchive(sysutil::utf8FromPath(arc), d.str("out"), {});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(testsupport::readFile(d.path() / "out" / GetParam().path), "hello");
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), 2) << "only out/ and top.lzh";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, LeadingSeparator,
    ::testing::Values(
        TopCase{"level0_backslash", withEnd(level0("\\subdir\\subdir2\\hello.txt", "hello")),
                "subdir/subdir2/hello.txt"},
        TopCase{"level2_folder_ext", withEnd(level2("hello.txt", {"", "subdir", "subdir2"}, "hello")),
                "subdir/subdir2/hello.txt"},
        TopCase{"level0_slash", withEnd(level0("/Untitled/subdir/hello.txt", "hello")), "Untitled/subdir/hello.txt"},
        TopCase{"absolute_looking", withEnd(level0("/tmp/fzarc-evil.txt", "hello")), "tmp/fzarc-evil.txt"}),
    [](const auto& p) { return std::string(p.param.label); });

// Header forms other readers read, and so do we: the entries come out as
// stored, and test and list agree.
struct ReadCase {
    const char* label;
    std::function<std::string()> bytes;
    archivetest::Tree want;
};

std::string fileTime(std::uint64_t ticks) {
    std::string x;
    for (int i = 0; i < 3; ++i) {
        put32(x, static_cast<std::uint32_t>(ticks));
        put32(x, static_cast<std::uint32_t>(ticks >> 32));
    }
    return x;
}

std::vector<ReadCase> readCases() {
    return {
        // 256 bytes: the low byte of the size is 0, as the end mark is.
        {"level2_header_of_256_bytes",
         [] { return withEnd(level2HeaderOfSize("a.txt", "one", 256) + "one" + level2("b.txt", {}, "two")); },
         {{"a.txt", "one"}, {"b.txt", "two"}}},
        {"level2_header_of_512_bytes_last",
         [] { return withEnd(level2("a.txt", {}, "one") + level2HeaderOfSize("b.txt", "two", 512) + "two"); },
         {{"a.txt", "one"}, {"b.txt", "two"}}},
        // Amiga archivers keep a file's note after its name, behind a NUL.
        {"amiga_note_level0", [] { return withEnd(level0(std::string("a.txt\0a note", 12), "x")); }, {{"a.txt", "x"}}},
        // The fields after the name stand after the whole field, note and all:
        // read after the name alone, this note gave a Unix time and a link's mode.
        {"amiga_note_level0_fields_after_the_note",
         [] { return withEnd(level0(std::string("a.txt\0hUzzzzz\xFF\xA1note", 19), "x")); },
         {{"a.txt", "x"}}},
        // What LHA archivers write for an empty selection.
        {"lone_end_mark", [] { return std::string(1, '\0'); }, {}},
        // XMODEM filled the last block with 0x1A: after the last entry, or
        // after the end mark of an empty archive; the file is whole blocks.
        {"xmodem_padding_without_end_mark",
         [] { return level0("a.txt", "one") + level0("b.txt", "two") + std::string(64, '\x1A'); },
         {{"a.txt", "one"}, {"b.txt", "two"}}},
        {"xmodem_padded_empty_archive", [] { return '\0' + std::string(127, '\x1A'); }, {}},
        // Windows times from 1601 to 60056: what a file cannot take is left unset.
        {"windows_time_1601",
         [] { return withEnd(withExtension(level2Header("a.txt", {}, "x"), 0x41, fileTime(0)) + "x"); },
         {{"a.txt", "x"}}},
        {"windows_time_2500",
         [] {
             const std::uint64_t at2500 = (16725225600ull + 11644473600ull) * 10000000ull;
             return withEnd(withExtension(level2Header("a.txt", {}, "x"), 0x41, fileTime(at2500)) + "x");
         },
         {{"a.txt", "x"}}},
        {"windows_time_60056",
         [] { return withEnd(withExtension(level2Header("a.txt", {}, "x"), 0x41, fileTime(~0ull)) + "x"); },
         {{"a.txt", "x"}}},
        // A self-extractor's program that carries small archives of its own:
        // the payload is the one that ends the file.
        {"self_extractor_with_archives_inside",
         [] {
             std::string s = "MZ program";
             for (int i = 0; i < 40; ++i) s += withEnd(level0("fake.txt", "fake")) + "more program";
             return s + withEnd(level0("real.txt", "real"));
         },
         {{"real.txt", "real"}}},
    };
}

class ReadsAsOthersDo : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsAsOthersDo, ExtractsTestsAndLists) {
    TempDir d;
    testsupport::writeFile(d.path() / "a.lzh", GetParam().bytes());
    const std::string arc = d.str("a.lzh");
    const auto r = archiver::extractArchive(arc, d.str("out"), {});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(archivetest::readTree(d.path() / "out"), GetParam().want);
    EXPECT_TRUE(archiver::testArchive(arc, {}).ok());
    std::vector<archiver::ListedEntry> listed;
    ASSERT_TRUE(archiver::listArchive(arc, listed).ok());
    EXPECT_EQ(listed.size(), GetParam().want.size());
    // Every time either came from the archive or was left alone: never a
    // date far off from the one the entry names, or from today.
    const auto now = fs::file_time_type::clock::now();
    for (const auto& [name, data] : GetParam().want) {
        const auto t = fs::last_write_time(d.path() / "out" / name);
        EXPECT_LT(t, now + std::chrono::hours(24)) << name;
        EXPECT_GT(t, now - std::chrono::hours(24 * 365 * 60)) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, ReadsAsOthersDo, ::testing::ValuesIn(readCases()),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(ReadsAsOthersDo, TimesNoFileCanHoldAreListedAsNone) {
    TempDir d;
    testsupport::writeFile(d.path() / "a.lzh",
                           withEnd(withExtension(level2Header("a.txt", {}, "x"), 0x41, fileTime(~0ull)) + "x"));
    std::vector<archiver::ListedEntry> listed;
    ASSERT_TRUE(archiver::listArchive(d.str("a.lzh"), listed).ok());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(listed[0].mtime);
    EXPECT_EQ(archivetest::listing(d.path() / "a.lzh").find("60056"), std::string::npos);
}

// MS-DOS times out of range are no time at all: mktime would roll them over
// (month 13 into January, 31 February into March), so they stay unset.
constexpr std::uint32_t dosTime(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
    return (y - 1980) << 25 | mo << 21 | d << 16 | h << 11 | mi << 5 | s / 2;
}

struct DosTimeCase {
    const char* label;
    std::uint32_t time;
    const char* listed;  // the listing's stamp; dashes for none
};

class DosTimes : public ::testing::TestWithParam<DosTimeCase> {};

TEST_P(DosTimes, OutOfRangeStayUnset) {
    TempDir d;
    testsupport::writeFile(d.path() / "a.lzh", withEnd(level0("a.txt", "x", ~0u, GetParam().time)));
    const std::string shown = archivetest::listing(d.path() / "a.lzh");
    EXPECT_NE(shown.find(GetParam().listed), std::string::npos) << shown;
    ASSERT_TRUE(archiver::extractArchive(d.str("a.lzh"), d.str("out"), {}).ok());
    const auto age = fs::file_time_type::clock::now() - fs::last_write_time(d.path() / "out" / "a.txt");
    EXPECT_EQ(age < std::chrono::hours(1), std::string(GetParam().listed).starts_with("-")) << "set no time";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DosTimes,
    ::testing::Values(DosTimeCase{"leap_day", dosTime(2024, 2, 29, 23, 59, 58), "2024-02-29 23:59:58"},
                      DosTimeCase{"month_13", dosTime(2024, 13, 1, 12, 0, 0), "-------------------"},
                      DosTimeCase{"hour_31", dosTime(2024, 5, 1, 31, 0, 0), "-------------------"},
                      DosTimeCase{"minute_63", dosTime(2024, 5, 1, 0, 63, 0), "-------------------"},
                      DosTimeCase{"second_62", dosTime(2024, 5, 1, 0, 0, 62), "-------------------"},
                      DosTimeCase{"february_31", dosTime(2024, 2, 31, 12, 0, 0), "-------------------"},
                      DosTimeCase{"february_29_2023", dosTime(2023, 2, 29, 12, 0, 0), "-------------------"},
                      DosTimeCase{"april_31", dosTime(2024, 4, 31, 12, 0, 0), "-------------------"}),
    [](const auto& p) { return std::string(p.param.label); });

#if !defined(_WIN32)
// Where the clocks skip an hour in spring, a time inside it names no moment
// either: mktime would move 02:30 on to 03:30.
TEST(DosTimeInASkippedHour, StaysUnset) {
    const char* was = std::getenv("TZ");
    const std::string old = was ? was : "";
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    TempDir d;
    testsupport::writeFile(d.path() / "a.lzh", withEnd(level0("a.txt", "x", ~0u, dosTime(2024, 3, 10, 2, 30, 0)) +
                                                       level0("b.txt", "x", ~0u, dosTime(2024, 3, 10, 3, 30, 0))));
    const std::string shown = archivetest::listing(d.path() / "a.lzh");
    was ? setenv("TZ", old.c_str(), 1) : unsetenv("TZ");
    tzset();
    EXPECT_NE(shown.find("-------------------  a.txt"), std::string::npos) << shown;
    EXPECT_NE(shown.find("2024-03-10 03:30:00  b.txt"), std::string::npos) << shown;
}
#endif

// A listing shows what the archive holds, but never hands a terminal a
// control: not in a name, whatever its encoding, nor in the method field.
TEST(Listing, ShowsHostileBytesEscaped) {
    TempDir d;
    std::string h = level2Header("m.txt", {}, "x");
    h[4] = '\x1b';
    h[5] = 'c';
    reseal(h);
    testsupport::writeFile(
        d.path() / "a.lzh",
        withEnd(h + "x" + level2("c1\u009b2J.txt", {}, "x", 65001) + level2("raw\x9bJ.txt", {}, "x", 65001) +
                level0("ctl\x1b]0;title\x07.txt", "x") + level0("odd\x81.\xE0!.txt", "x") +
                level0("bs\x85\\x41.txt", "x") +
                withExtension(level2Header("x.txt", {}, "x"), 0x44, utf16(u"lone\xD800.txt")) + "x"));
    const std::string shown = archivetest::listing(d.path() / "a.lzh");
    ASSERT_FALSE(shown.empty());
    for (const char* raw : {"\x1b", "\x07", "\x9b"}) EXPECT_EQ(shown.find(raw), std::string::npos) << shown;
    // Bytes CP932 does not decode (a lead byte without its second) show as
    // themselves, as the manual page says; so does a lone UTF-16 surrogate.
    for (const char* escaped : {"-l\\x1Bc-", "c1\\u009B2J.txt", "ctl\\x1B]0;title\\x07.txt", "odd\\x81.\\xE0!.txt",
                                "bs\\x85\\x5Cx41.txt", "lone\\uD800.txt"})
        EXPECT_NE(shown.find(escaped), std::string::npos) << shown;
}

// What a refusal says: a Japanese sentence for the cause the user meets.
struct MessageCase {
    const char* label;
    std::function<std::string()> bytes;
    const char* says;
};

class RefusalMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(RefusalMessage, NamesTheCauseInJapanese) {
    TempDir d;
    testsupport::writeFile(d.path() / "a.lzh", GetParam().bytes());
    const auto r = archiver::extractArchive(d.str("a.lzh"), d.str("out"), {});
    EXPECT_NE(r.message.find(GetParam().says), std::string::npos) << r.message;
}

std::vector<MessageCase> messageCases() {
    std::vector<MessageCase> cases = {
        {"not_an_archive", [] { return std::string("just some text, not an archive at all"); },
         "LZH 書庫ではありません"},
        {"damaged_first_header",
         [] {
             std::string s = level0("a.txt", "hello");
             s[1] ^= 1;
             return withEnd(s);
         },
         "書庫が壊れています"},
        {"crc_mismatch",
         [] {
             std::string s = level2("a.txt", {}, "hello");
             s.back() ^= 1;
             return withEnd(s);
         },
         "CRCが一致しません"},
        {"unknown_method",
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[5] = 'q';
             reseal(h);
             return withEnd(h + "hello");
         },
         "展開できない圧縮形式です（-lhq-）"},
        {"unknown_method_escaped",
         [] {
             std::string h = level2Header("a.txt", {}, "hello");
             h[4] = '\x1b';  // -l<ESC>c-: ESC c resets a terminal
             h[5] = 'c';
             reseal(h);
             return withEnd(h + "hello");
         },
         "展開できない圧縮形式です（-l\\x1Bc-）"},
        {"truncated", [] { return level2("a.txt", {}, std::string(1000, 'a')).substr(0, 500); },
         "書庫が途中で切れています"},
        // Cut after the next header's first byte, 0x1A for a 26-byte
        // header: no padding, as the file is no whole number of blocks.
        {"cut_after_a_header_size_of_0x1A", [] { return level0("a.txt", "one") + level0("abcd", "x").substr(0, 1); },
         "書庫が途中で切れています"},
        {"control_characters_shown_escaped", [] { return withEnd(level0("bad\x1b[2J\n.txt", "x")); },
         "bad\\x1B[2J\\x0A.txt"},
        {"reserved_characters", [] { return withEnd(level0("a<b>c|d?.txt", "x")); },
         "安全に展開できない名前があります: a<b>c|d?.txt"},
        {"star_and_quote", [] { return withEnd(level2("st*r\"q.txt", {}, "x")); },
         "安全に展開できない名前があります: st*r\"q.txt"},
        {"com_superscript", [] { return withEnd(level2("COM\u00b9.txt", {}, "x", 65001)); },
         "安全に展開できない名前があります: COM\u00b9.txt"},
        {"lpt_superscript_folder", [] { return withEnd(level2("x.txt", {"lpt\u00b3"}, "x", 65001)); },
         "安全に展開できない名前があります: lpt\u00b3/x.txt"},
    };
#if !defined(_WIN32)
    // Windows decodes a lead byte without its second byte by its own rules.
    cases.push_back({"undecodable_bytes_shown_as_bytes", [] { return withEnd(level0("a\x9F<.txt", "x")); },
                     "安全に展開できない名前があります: a\\x9F<.txt"});
    cases.push_back(
        {"name_too_long", [] { return withEnd(level2(std::string(300, 'n') + ".txt", {}, "x")); }, "名前が長すぎます"});
#endif
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Causes, RefusalMessage, ::testing::ValuesIn(messageCases()),
                         [](const auto& p) { return std::string(p.param.label); });

#if !defined(_WIN32)
// A cutting board on a full disk says so, as put away does.
TEST(RefusalMessage, AFullDiskSaysTheDiskIsFull) {
    TempDir d;
    fs::create_directories(d.path() / "board");
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", (d.path() / "board").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no mount namespace here (needs root)";
    testsupport::writeFile(d.path() / "big.lzh", withEnd(level2("big.bin", {}, testsupport::randomBytes(200000, 3))));
    const auto r = archiver::extractArchive(d.str("big.lzh"), d.str("board/big"), {});
    EXPECT_NE(r.message.find("ディスクの空き容量が足りません"), std::string::npos) << r.message;
    umount((d.path() / "board").c_str());
}
#endif

}  // namespace
