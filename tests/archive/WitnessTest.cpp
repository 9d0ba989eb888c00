// Our archives in other archivers: lhasa, 7-Zip and bsdtar list, test and
// extract them with the right names and bytes. A missing witness skips, saying so.
#include "archive/ArchiveTestUtil.h"
#include "sysutil/TextCodec.h"

namespace fs = std::filesystem;
using archivetest::q;
using archivetest::Tree;
using testsupport::TempDir;

namespace {

// Two limits of the witnesses, not of our archives: lhasa lowercases every
// name of an 'M' archive that has no lowercase ASCII letter (a CP932 trail byte
// in A-Z then changes the character), and p7zip splits CP932 names at 0x5C
// trail bytes. The 0x5C names sit in a folder with lowercase letters, and
// 7-Zip gets a tree without them.
const Tree kContent = {
    {"Summary.tsm", "title\r\n"},
    {"読んでね.txt", "\x95\x5c\x8e\xa6\r\n"},
    {"scenes/表示/ソース/能力.txt", std::string(30000, 'z') + testsupport::randomBytes(3000, 8)},
    {"data/table.dat", testsupport::randomBytes(70000, 9)},
    {"text/long.txt",
     [] {
         std::string s;
         for (int i = 0; i < 20000; ++i) s += "line " + std::to_string(i % 777) + " 表示とソース\r\n";
         return s;
     }()},
};

// Names as a witness that does not convert them writes them: CP932 bytes.
Tree asCp932Names(const Tree& t) {
    Tree out;
    for (const auto& [k, v] : t) out[*sysutil::utf8ToCp932(k)] = v;
    return out;
}

Tree readTreeRawNames(const fs::path& root) {
    Tree out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).generic_string();
        out[e.is_directory() ? rel + "/" : rel] = e.is_directory() ? "" : testsupport::readFile(e.path());
    }
    return out;
}

const Tree kContentWithout5C = {
    {"Summary.tsm", "title\r\n"},
    {"読んでね.txt", "\x95\x5c\x8e\xa6\r\n"},
    {"シナリオ/本編/第01話.txt", std::string(30000, 'z') + testsupport::randomBytes(3000, 8)},
    {"data/table.dat", testsupport::randomBytes(70000, 9)},
};

struct Witness {
    const char* program;
    const char* test;     // %A archive
    const char* extract;  // %A archive, %D destination
    bool convertsNames;
    bool splitsAt5C;
};

class Witnesses : public ::testing::TestWithParam<std::tuple<Witness, const char*>> {};

std::string expand(std::string cmd, const fs::path& arc, const fs::path& dest) {
    for (auto [key, value] : {std::pair{"%A", q(arc)}, std::pair{"%D", q(dest)}}) {
        for (std::size_t at; (at = cmd.find(key)) != std::string::npos;) cmd.replace(at, 2, value);
    }
    return cmd;
}

TEST_P(Witnesses, TestAndExtractOurArchives) {
    const auto& [w, method] = GetParam();
    if (!testsupport::haveProgram(w.program)) GTEST_SKIP() << w.program << " is not installed; witness skipped";
    TempDir d;
    const Tree& content = w.splitsAt5C ? kContentWithout5C : kContent;
    archivetest::makeTree(d.path() / "src", content);
    const auto arc = d.path() / "scenario.lzh";
    ASSERT_TRUE(archivetest::pack(arc, d.path() / "src", *lha::methodByDigit(method[2] - '0')).ok());
    std::string out;
    EXPECT_EQ(testsupport::run(expand(w.test, arc, {}) + " 2>&1", &out), 0) << out;
    const auto dest = d.path() / "out";
    fs::create_directories(dest);
    ASSERT_EQ(testsupport::run(expand(w.extract, arc, dest) + " 2>&1", &out), 0) << out;
    Tree want = content;
    for (const auto& [name, data] : content)  // every folder on the way is an entry too
        for (auto slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
            want[name.substr(0, slash + 1)] = "";
    if (w.convertsNames)
        EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(dest), want), "");
    else
        EXPECT_EQ(archivetest::treeDifference(readTreeRawNames(dest), asCp932Names(want)), "");
}

INSTANTIATE_TEST_SUITE_P(
    Archivers, Witnesses,
    ::testing::Combine(::testing::Values(Witness{"lhasa", "lhasa -t %A", "cd %D && lhasa -xq %A", false, false},
                                         Witness{"7z", "7z t %A", "7z x -y -o%D %A >/dev/null", false, true},
                                         Witness{"bsdtar", "bsdtar --options lha:hdrcharset=CP932 -tf %A >/dev/null",
                                                 "bsdtar --options lha:hdrcharset=CP932 -xf %A -C %D", true, false}),
                       ::testing::Values("-o5", "-o6", "-o7")),
    [](const auto& p) { return std::string(std::get<0>(p.param).program) + "_" + (std::get<1>(p.param) + 1); });

}  // namespace
