// fzarc-lha as a user meets it: the listing says what LHA tools say (lhasa
// is the witness), arguments arrive as the shell gave them, and the exit
// status tells success (0), failure (1) and a wrong command line (2).
#include <sstream>

#include "archive/ArchiveTestUtil.h"
#include "archive/Archiver.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// Per file: packed size, size, ratio, method, CRC (lower case), by name in
// lower case (lhasa lowercases MS-DOS names).
using Columns = std::map<std::string, std::string>;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// lhasa keeps the dot of MS-DOS's "NAME." that we drop.
std::string nameKey(const std::string& name) {
    std::string k = lower(name);
    if (k.ends_with('.')) k.pop_back();
    return k;
}

bool isMethod(const std::string& w) {
    return w.size() == 5 && w.front() == '-' && w.back() == '-';
}

Columns ourColumns(const std::string& listing) {
    Columns out;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        const auto w = words(line);  // size packed ratio method crc (date time | dashes) name
        if (w.size() < 7 || !isMethod(w[3])) continue;
        out[lower(w.back())] = w[1] + " " + w[0] + " " + w[2] + " " + w[3] + " " + lower(w[4]);
    }
    return out;
}

Columns lhasaColumns(const std::string& listing) {
    Columns out;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        const auto w = words(line);  // ... packed size ratio method crc [month day year] name
        for (std::size_t m = 3; m + 2 < w.size(); ++m)
            if (isMethod(w[m]) && w[m] != "-lhd-")
                out[nameKey(w.back())] = w[m - 3] + " " + w[m - 2] + " " + w[m - 1] + " " + w[m] + " " + w[m + 1];
    }
    return out;
}

class Listing : public ::testing::TestWithParam<const char*> {};

TEST_P(Listing, ShowsWhatLhasaShows) {
    if (!testsupport::haveProgram("lhasa"))
        GTEST_SKIP() << "lhasa is not installed (scripts/install-deps.sh installs it)";
    const auto arc = testsupport::dataFile(std::string("lha-corpus/") + GetParam());
    const std::string ours = archivetest::listing(arc);
    std::string theirs;
    ASSERT_EQ(testsupport::run("lhasa v " + archivetest::q(arc), &theirs), 0);
    const Columns want = lhasaColumns(theirs);
    ASSERT_FALSE(want.empty()) << theirs;
    EXPECT_EQ(ourColumns(ours), want) << ours;
}

INSTANTIATE_TEST_SUITE_P(Corpus, Listing,
                         ::testing::Values("explzh_723/h2_lh7.lzh", "lha_os2_208/h3_subdir.lzh", "lharc113/lh1.lzh",
                                           "pmarc2/pm2.pma", "larc333/lz5.lzs"),
                         [](const auto& p) {
                             std::string label = p.param;
                             for (auto& ch : label)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return label;
                         });

#if !defined(_WIN32)
// Runs fzarc-lha in `dir` through the shell; single quotes hand each argument over whole.
int fzarcLha(const fs::path& dir, const std::string& args, std::string* out = nullptr) {
    return testsupport::run("cd '" + sysutil::utf8FromPath(dir) + "' && '" FZARC_LHA_BIN "' " + args + " 2>&1", out);
}

TEST(FzarcLha, TakesItsArgumentsAsGivenAndSaysHowItWent) {
    TempDir d;
    const auto lh5 = testsupport::dataFile("lha-corpus/lha213/lh5.lzh");
    fs::copy_file(lh5, d.path() / "a\"b.lzh");
    fs::copy_file(lh5, d.path() / "-x.lzh");
    testsupport::writeFile(d.path() / "text.lzh", "no archive at all");
    std::string out;
    EXPECT_EQ(fzarcLha(d.path(), "L 'a\"b.lzh'", &out), 0) << out;
    EXPECT_NE(out.find("GPL-2"), std::string::npos) << out;
    EXPECT_EQ(fzarcLha(d.path(), "T -- -x.lzh", &out), 0) << out;
    EXPECT_EQ(fzarcLha(d.path(), "E -o7 -- -x.lzh 'out dir'", &out), 0) << out;
    EXPECT_TRUE(fs::exists(d.path() / "out dir" / "GPL-2"));
    EXPECT_EQ(fzarcLha(d.path(), "L -x.lzh", &out), 2) << "a name that looks like a switch needs --";
    EXPECT_EQ(fzarcLha(d.path(), "", &out), 2);
    EXPECT_EQ(fzarcLha(d.path(), "A whole.lzh 'out dir'", &out), 0) << "a folder alone is the whole folder: " << out;
    EXPECT_EQ(fzarcLha(d.path(), "L whole.lzh", &out), 0);
    EXPECT_NE(out.find("GPL-2"), std::string::npos) << out;
    // Beside whole.lzh, a WHOLE.LZH would be the same file on Windows.
    EXPECT_EQ(fzarcLha(d.path(), "A WHOLE.LZH 'out dir'", &out), 1) << out;
    EXPECT_NE(out.find("whole.lzh"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(d.path() / "WHOLE.LZH"));
    EXPECT_EQ(fzarcLha(d.path(), "T text.lzh", &out), 1);
    EXPECT_NE(out.find("LZH 書庫ではありません"), std::string::npos) << out;
}
#endif

}  // namespace
