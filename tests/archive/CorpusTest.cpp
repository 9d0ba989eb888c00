// Archives made by real archivers over thirty years (tests/data/lha-corpus,
// see its README): every one extracts with the names its archiver stored,
// and with its bytes, which the CRC of each header proves and lhasa, where
// installed and able, confirms; only links are refused.
#include <algorithm>
#include <set>

#include "archive/ArchiveReader.h"
#include "archive/ArchiveTestUtil.h"

namespace fs = std::filesystem;
using archivetest::Tree;
using testsupport::TempDir;

namespace {

struct CorpusCase {
    const char* archive;
    const char* names;  // files and stored folders, '|'-separated; nullptr: refused
};

constexpr const char* kGpl = "gpl-2";
constexpr const char* kSubdir = "subdir/|subdir/subdir2/|subdir/subdir2/hello.txt";

const CorpusCase kCases[] = {
    // explzh 7.23 (Windows): levels 0 to 2, -lh0- to -lh7-, a self-extractor.
    {"explzh_723/h0_lh0.lzh", "gpl-2.gz"},
    {"explzh_723/h0_lh5.lzh", kGpl},
    {"explzh_723/h0_lh6.lzh", kGpl},
    {"explzh_723/h0_lh7.lzh", kGpl},
    {"explzh_723/h0_subdir.lzh", kSubdir},
    {"explzh_723/h1_lh0.lzh", "gpl-2.gz"},
    {"explzh_723/h1_lh5.lzh", kGpl},
    {"explzh_723/h1_lh6.lzh", kGpl},
    {"explzh_723/h1_lh7.lzh", kGpl},
    {"explzh_723/h1_subdir.lzh", kSubdir},
    {"explzh_723/h2_lh0.lzh", "gpl-2.gz"},
    {"explzh_723/h2_lh5.lzh", kGpl},
    {"explzh_723/h2_lh6.lzh", kGpl},
    {"explzh_723/h2_lh7.lzh", kGpl},
    {"explzh_723/h2_subdir.lzh", kSubdir},
    {"explzh_723/declha_sfx_ansi.exe", kGpl},
    {"explzh_723/declha_sfx_unicode.exe", kGpl},
    // LArc 3.33 (MS-DOS): -lz4- and -lz5-, whose ring starts prefilled.
    {"larc333/initial.lzs", "initial.bin"},
    {"larc333/long.lzs", "LONG.TXT"},
    {"larc333/lz4.lzs", "GPL-2.GZ"},
    {"larc333/lz5.lzs", "GPL-2"},
    {"larc333/subdir.lzs", "SUBDIR/SUBDIR2/HELLO.TXT"},
    {"larc333/sfx.com", "GPL-2.GZ"},
    // -lzs-, which no surviving archiver writes.
    {"generated/lzs/lzs.lzs", "GPL-2"},
    {"generated/lzs/long.lzs", "LONG.TXT"},
    // PMarc (MSX-DOS): -pm0- stored, -pm2-, and -pm1- under each of its 32
    // starting tables. "GPL-2." is MS-DOS's spelling of a name without extension.
    {"pmarc2/pm0.pma", "GPL-2.GZ"},
    {"pmarc2/pm2.pma", "GPL-2"},
    {"pmarc2/comment.pma", "HELLO.TXT"},
    {"generated/pm1/pm1.pma",
     "DATA_00.BIN|DATA_01.BIN|DATA_02.BIN|DATA_03.BIN|DATA_04.BIN|DATA_05.BIN|DATA_06.BIN|DATA_07.BIN|DATA_08.BIN|"
     "DATA_09.BIN|DATA_10.BIN|DATA_11.BIN|DATA_12.BIN|DATA_13.BIN|DATA_14.BIN|DATA_15.BIN|DATA_16.BIN|DATA_17.BIN|"
     "DATA_18.BIN|DATA_19.BIN|DATA_20.BIN|DATA_21.BIN|DATA_22.BIN|DATA_23.BIN|DATA_24.BIN|DATA_25.BIN|DATA_26.BIN|"
     "DATA_27.BIN|DATA_28.BIN|DATA_29.BIN|DATA_30.BIN|DATA_31.BIN"},
    // A Windows archiver library's -lh2- (adaptive codes) and -lh3- (LHA's
    // first static-Huffman blocks), level 2: lhasa reads neither.
    {"unlha32/lh2.lzh", "LICENSE.MIT"},
    {"unlha32/lh3.lzh", "LICENSE.MIT"},
    // Sizes at the edges of -lh1- and -lz5-.
    {"lengths/lh1-0.lzh", "0.bin"},
    {"lengths/lh1-1.lzh", "1.BIN"},
    {"lengths/lh1-1m.lzh", "1M.BIN"},
    {"lengths/lh1-2m.lzh", "2M.BIN"},
    {"lengths/lh1-64k.lzh", "65536.BIN"},
    {"lengths/lz5-0.lzs", "0.BIN"},
    {"lengths/lz5-1.lzs", "1.BIN"},
    {"lengths/lz5-1m.lzs", "1M.BIN"},
    {"lengths/lz5-64k.lzs", "65536.BIN"},
    // LHA 2.13 and 2.55e (MS-DOS): level 1, -lh5-.
    {"lha213/lh0.lzh", "GPL-2.GZ"},
    {"lha213/lh5.lzh", "GPL-2"},
    {"lha213/lh5_long.lzh", "LONG.TXT"},
    {"lha213/subdir.lzh", "SUBDIR/SUBDIR2/HELLO.TXT"},
    {"lha213/sfx.exe", "GPL-2"},
    {"lha255e/lh0.lzh", "GPL-2.GZ"},
    {"lha255e/lh5.lzh", "GPL-2"},
    {"lha255e/subdir.lzh", "SUBDIR/SUBDIR2/HELLO.TXT"},
    {"lha255e/sfx.exe", "GPL-2"},
    // LhA 1.22 (AmigaOS): -lh1-, -lh4-, folders without their last 0xFF, and
    // folder entries stored as empty -lh0- files.
    {"lha_amiga_122/level0.lzh", "subdir/subdir2/hello.txt"},
    {"lha_amiga_122/level1.lzh", "subdir/subdir2/hello.txt"},
    {"lha_amiga_122/level2.lzh", "subdir/subdir2/hello.txt"},
    {"lha_amiga_122/lh0.lzh", "gpl-2.gz"},
    {"lha_amiga_122/lh0_dirs_bug.lzh",
     "MainDir/00_File.txt|MainDir/01_Dir/File01.txt|MainDir/02_EmptyDir/|MainDir/03_Dir/File01.txt|MainDir/"
     "04_File.txt"},
    {"lha_amiga_122/lh1.lzh", kGpl},
    {"lha_amiga_122/lh4.lzh", kGpl},
    {"lha_amiga_122/lh4_long.lzh", "long.txt"},
    {"lha_amiga_122/lh5.lzh", kGpl},
    {"lha_amiga_122/subdir.lzh", "subdir/subdir2/hello.txt"},
    {"lha_amiga_122/sfx.run", kGpl},
    // LHA 2.08 (OS/2): level 3 headers, long names.
    {"lha_os2_208/h3_lfn.lzh", "Long Filename.txt"},
    {"lha_os2_208/h3_lh0.lzh", "GPL-2.gz"},
    {"lha_os2_208/h3_lh5.lzh", "GPL-2"},
    {"lha_os2_208/h3_subdir.lzh", "subdir/|subdir/subdir2/|subdir/subdir2/HELLO.TXT"},
    {"lha_os2_208/lfn.lzh", "Long Filename.txt"},
    {"lha_os2_208/lh0.lzh", "GPL-2.gz"},
    {"lha_os2_208/lh1.lzh", "GPL-2"},
    {"lha_os2_208/lh5.lzh", "GPL-2"},
    {"lha_os2_208/subdir.lzh", "subdir/|subdir/subdir2/|subdir/subdir2/HELLO.TXT"},
    // LHa for UNIX 1.14i: levels 0 to 2; its level-0 folders lost their names.
    {"lha_unix114i/h0_lh0.lzh", "gpl-2.gz"},
    {"lha_unix114i/h0_lh5.lzh", kGpl},
    {"lha_unix114i/h0_lh6.lzh", kGpl},
    {"lha_unix114i/h0_lh7.lzh", kGpl},
    {"lha_unix114i/h0_subdir.lzh", "hello.txt"},
    {"lha_unix114i/h1_lh0.lzh", "gpl-2.gz"},
    {"lha_unix114i/h1_lh5.lzh", kGpl},
    {"lha_unix114i/h1_lh6.lzh", kGpl},
    {"lha_unix114i/h1_lh7.lzh", kGpl},
    {"lha_unix114i/h1_subdir.lzh", kSubdir},
    {"lha_unix114i/h2_lh0.lzh", "gpl-2.gz"},
    {"lha_unix114i/h2_lh5.lzh", kGpl},
    {"lha_unix114i/h2_lh6.lzh", kGpl},
    {"lha_unix114i/h2_lh7.lzh", kGpl},
    {"lha_unix114i/h2_subdir.lzh", kSubdir},
    {"lha_unix114i/lh6_long.lzh", "long.txt"},
    {"lha_unix114i/lh7_long.lzh", "long.txt"},
    // Symbolic links are never extracted.
    {"lha_unix114i/h0_symlink.lzh", nullptr},
    {"lha_unix114i/h1_symlink.lzh", nullptr},
    {"lha_unix114i/h1_symlink2.lzh", nullptr},
    {"lha_unix114i/h1_symlink3.lzh", nullptr},
    {"lha_unix114i/h2_symlink.lzh", nullptr},
    {"lha_unix114i/h2_symlink2.lzh", nullptr},
    {"lha_unix114i/h2_symlink3.lzh", nullptr},
    // LHa 2.01 for OS-9/68k: level-2 headers two bytes longer than they say;
    // its level-0 folders lost their names.
    {"lha_osk_201/h0_lh0.lzh", "gpl-2.gz"},
    {"lha_osk_201/h0_lh1.lzh", kGpl},
    {"lha_osk_201/h0_lh5.lzh", kGpl},
    {"lha_osk_201/h0_subdir.lzh", "hello.txt"},
    {"lha_osk_201/h1_lh0.lzh", "gpl-2.gz"},
    {"lha_osk_201/h1_lh1.lzh", kGpl},
    {"lha_osk_201/h1_lh5.lzh", kGpl},
    {"lha_osk_201/h1_subdir.lzh", kSubdir},
    {"lha_osk_201/h2_lh0.lzh", "gpl-2.gz"},
    {"lha_osk_201/h2_lh1.lzh", kGpl},
    {"lha_osk_201/h2_lh5.lzh", kGpl},
    {"lha_osk_201/h2_subdir.lzh", kSubdir},
    // LhA 2.7.17 (MorphOS): a file's note after its name, behind a NUL.
    {"morphos_lha_2717/h0_metadata.lzh", "metadata.txt"},
    {"morphos_lha_2717/h1_metadata.lzh", "metadata.txt"},
    {"morphos_lha_2717/h2_metadata.lzh", "metadata.txt"},
    // LHarc 1.13c (MS-DOS): -lh1-.
    {"lharc113/lh0.lzh", "GPL-2.GZ"},
    {"lharc113/lh1.lzh", "GPL-2"},
    {"lharc113/long.lzh", "LONG.TXT"},
    {"lharc113/subdir.lzh", "SUBDIR/SUBDIR2/HELLO.TXT"},
    {"lharc113/sfx.com", "GPL-2"},
};

// The tree a list of names makes: every folder on the way is there too.
Tree namesTree(const std::string& names) {
    std::set<std::string> out;
    std::size_t start = 0;
    while (start <= names.size()) {
        const std::size_t end = std::min(names.find('|', start), names.size());
        const std::string name = names.substr(start, end - start);
        for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
            out.insert(name.substr(0, slash + 1));
        out.insert(name);
        start = end + 1;
    }
    Tree t;
    for (const auto& n : out) t[n] = "";
    return t;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// lhasa 0.3.1 does not decode these; their CRCs alone vouch for them.
const std::set<std::string> kLhasaCannotRead = {"unlha32/lh2.lzh", "unlha32/lh3.lzh"};

// lhasa keeps the dot of MS-DOS's "NAME." and lowercases MS-DOS names:
// compare without either.
std::string witnessKey(std::string name) {
    name = lower(name);
    if (name.ends_with('.')) name.pop_back();
    return name;
}

TEST(Corpus, EveryArchiveHasARow) {
    std::set<std::string> rows;
    for (const auto& c : kCases) rows.insert(c.archive);
    const fs::path root = testsupport::dataFile("lha-corpus");
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const auto ext = lower(e.path().extension().string());
        if (ext != ".lzh" && ext != ".lzs" && ext != ".pma" && ext != ".exe" && ext != ".com" && ext != ".run")
            continue;
        EXPECT_TRUE(rows.count(fs::relative(e.path(), root).generic_string())) << e.path();
    }
}

class Corpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(Corpus, ExtractsWhatItsArchiverStored) {
    const auto& c = GetParam();
    const std::string arc = sysutil::utf8FromPath(testsupport::dataFile(std::string("lha-corpus/") + c.archive));
    TempDir d;
    const auto r = archiver::extractArchive(arc, d.str("ours"), {});
    if (!c.names) {
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(archiver::checkArchive(arc, {}).ok());
        EXPECT_FALSE(fs::exists(d.path() / "ours"));
        return;
    }
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(archiver::checkArchive(arc, {}).ok());
    EXPECT_TRUE(archiver::testArchive(arc, {}).ok());
    Tree got = archivetest::readTree(d.path() / "ours");
    Tree names;
    for (const auto& [name, data] : got) names[name] = "";
    EXPECT_EQ(names, namesTree(c.names));

    // Without lhasa the CRCs alone vouch for the bytes.
    if (!testsupport::haveProgram("lhasa") || kLhasaCannotRead.count(c.archive)) return;
    fs::create_directories(d.path() / "lhasa");
    ASSERT_EQ(testsupport::run("cd " + archivetest::q(d.path() / "lhasa") + " && lhasa -xq " + archivetest::q(arc)), 0);
    std::map<std::string, std::string> ours;
    for (const auto& [name, data] : got) ours[witnessKey(name)] = data;
    for (const auto& [name, data] : archivetest::readTree(d.path() / "lhasa")) {
        if (name.ends_with('/')) continue;
        ASSERT_TRUE(ours.count(witnessKey(name))) << name;
        EXPECT_TRUE(ours[witnessKey(name)] == data) << name << " differs from lhasa's";
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, Corpus, ::testing::ValuesIn(kCases), [](const auto& p) {
    std::string label = p.param.archive;
    for (auto& ch : label)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return label;
});

}  // namespace
