// Put away and take out as the window runs them, without a window: the
// commands are Qt-free, so this runs in every build (Windows under Wine too).
#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>

#include "archive/ArchiveTestUtil.h"
#include "archive/CuttingBoard.h"
#include "archive/Failures.h"
#include "commands/ArchiveCommands.h"
#include "support/FakeDialogs.h"
#include "support/FakeTrash.h"
#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

#if !defined(_WIN32)
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using archivetest::Tree;

namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(board);
        fs::create_directories(fridge);
    }
    // The cutting board as the window hands it over: with its trailing separator.
    std::string boardFolder() const { return sysutil::AddBackslash(sysutil::utf8FromPath(board)); }

    commands::Outcome takeOut(const std::string& name) {
        return commands::takeOut(commands::FridgeSelection{sysutil::utf8FromPath(fridge), name, ""}, boardFolder(),
                                 dialogs, archiver, trash);
    }
    commands::Outcome throwAway(const fs::path& scenario, const std::vector<std::string>& fridges = {}) {
        return commands::throwAwayScenario(sysutil::utf8FromPath(scenario), fridges, dialogs, trash);
    }
    // An archive of `tree` in the fridge, made by our own archiver.
    void archive(const std::string& name, const Tree& tree) {
        const fs::path src = root.path() / ("src-" + name);
        archivetest::makeTree(src, tree);
        ASSERT_TRUE(archivetest::pack(fridge / testsupport::u8(name), src).ok());
        fs::remove_all(src);
    }
    commands::Outcome putAway(const std::string& scenario) {
        return commands::putAway(sysutil::utf8FromPath(board / testsupport::u8(scenario)),
                                 sysutil::utf8FromPath(fridge), dialogs, archiver, trash);
    }
    // Everything below the test's folder but the settings file: what a command may have touched.
    Tree everything() const {
        Tree t = archivetest::readTree(root.path());
        t.erase("fzarc.ini");
        return t;
    }

    testsupport::TempDir root;
    fs::path board = root.path() / "engine" / "Scenario" / testsupport::u8("FZARC_まな板");
    fs::path fridge = root.path() / testsupport::u8("冷蔵庫");
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    fakes::FakeTrash trash{root.path() / "trash"};
};

// The board's refresh opens only the folders its listing noted, and lists
// exactly what looking into every folder lists; its watches take the board,
// every folder outside the scenarios and the scenarios, never what is inside
// one (a sibling whose name begins alike is outside).
TEST_F(Commands, TheBoardListingGivesTheScenariosAndTheirWatches) {
    archivetest::makeTree(board, {{"Castle/Summary.tsm", "t"},
                                  {"Castle/save/slot.dat", "s"},
                                  {"Castle2/readme.txt", "r"},
                                  {"group/deeper/Station/SUMMARY.TSM", "t"},
                                  {"group/deeper/Station/bgm/theme.ogg", "o"},
                                  {"other/Summary.txt", "x"}});
    fs::create_directories(board / "folder" / "Summary.tsm");
    const sysutil::Subfolders listing = archiver::listBoard(boardFolder());
    const auto scenarios = archiver::scenariosAmong(listing);
    EXPECT_EQ(scenarios, archiver::scenariosAmong(listing.paths));
    auto at = [&](const std::string& rel) {
        return sysutil::utf8FromPath((board / testsupport::u8(rel)).make_preferred());
    };
    EXPECT_EQ(scenarios, (std::vector<std::string>{at("Castle"), at("group/deeper/Station")}));
    const std::set<std::string> watched = [&] {
        const auto list = archiver::foldersToWatch(boardFolder(), listing.paths, scenarios, 100);
        return std::set<std::string>(list.begin(), list.end());
    }();
    const std::set<std::string> want{sysutil::utf8FromPath(board),
                                     at("Castle"),
                                     at("Castle2"),
                                     at("folder"),
                                     at("folder/Summary.tsm"),
                                     at("group"),
                                     at("group/deeper"),
                                     at("group/deeper/Station"),
                                     at("other")};
    EXPECT_EQ(watched, want);
    EXPECT_EQ(archiver::foldersToWatch(boardFolder(), listing.paths, scenarios, 3).size(), 3u);
}

// A tree as characters: names whose bytes are CP932 (copied from Windows by
// old tools) read as what they say.
Tree decodedTree(const fs::path& top) {
    Tree out;
    for (const auto& [rel, content] : archivetest::readTree(top)) {
        const bool folder = rel.back() == '/';
        std::string name;
        for (const auto& part : sysutil::pathFromUtf8(folder ? rel.substr(0, rel.size() - 1) : rel))
            name += (name.empty() ? "" : "/") + sysutil::displayName(part);
        out[folder ? name + "/" : name] = content;
    }
    return out;
}

// The take-out folder is the archive's name less ".LZH" and less the blanks
// and dots Windows drops; a name that leaves no folder of its own below the
// board is refused before anything is read or written.
struct FolderCase {
    const char* archive;
    const char* folder;  // nullptr: refused
};
// A name as a test's label: letters and digits, the rest '_'.
std::string labelOf(const std::string& name) {
    std::string label;
    for (const char c : name) label += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return label;
}
void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << labelOf(c.archive);
}
class TakeOutFolders : public Commands, public ::testing::WithParamInterface<FolderCase> {};
TEST_P(TakeOutFolders, StayOneFolderBelowTheBoard) {
    archivetest::makeTree(root.path() / "src", {{"Castle/save.dat", "from the archive"}, {"Summary.tsm", "t"}});
    ASSERT_TRUE(archivetest::pack(fridge / "a.lzh", root.path() / "src").ok());
    fs::rename(fridge / "a.lzh", fridge / testsupport::u8(GetParam().archive));
    archivetest::makeTree(board, {{"Castle/Summary.tsm", "mine"}, {"Castle/save.dat", "my save"}});
    const Tree before = everything();
    takeOut(GetParam().archive);
    if (!GetParam().folder) {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_TRUE(dialogs.asked[0].text.starts_with("「" + std::string(GetParam().archive) +
                                                      "」からは取り出し先のフォルダ名を作れません。"))
            << dialogs.asked[0].text;
        EXPECT_TRUE(dialogs.progressCaptions.empty());
        EXPECT_EQ(archivetest::treeDifference(everything(), before), "");
        return;
    }
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    EXPECT_EQ(testsupport::readFile(board / testsupport::u8(GetParam().folder) / "Castle" / "save.dat"),
              "from the archive");
    EXPECT_EQ(testsupport::readFile(board / "Castle" / "save.dat"), "my save");
}

std::vector<FolderCase> folderCases() {
    std::vector<FolderCase> cases = {{" .LZH", nullptr},    {"..LZH", nullptr}, {"...LZH", nullptr},
                                     {". . .LZH", nullptr}, {"LZH", nullptr},   {"Dots..LZH", "Dots"},
                                     {"古城.LZH", "古城"}};
#if !defined(_WIN32)  // names Windows would not let the fridge hold
    cases.insert(cases.end(), {{"CON.LZH", nullptr},
                               {"com1.lzh", nullptr},
                               {"back\\slash.LZH", nullptr},
                               {"a:b.LZH", nullptr},
                               {"Trail .LZH", "Trail"}});
#endif
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Names, TakeOutFolders, ::testing::ValuesIn(folderCases()),
                         [](const auto& p) { return labelOf(p.param.archive) + "_" + std::to_string(p.index); });

// The answer to the put-away question names a file in the fridge and nothing
// else; a refused answer is asked again with the text still in the box.
struct AnswerCase {
    const char* answer;
    const char* why;
};
void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << labelOf(c.answer).substr(0, 20);
}
const std::string kLongName(252, 'x');
class PutAwayAnswers : public Commands, public ::testing::WithParamInterface<AnswerCase> {};
TEST_P(PutAwayAnswers, AreRefusedAndAskedAgain) {
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}});
    fs::create_directories(fridge / "sub");
    const Tree before = everything();
    dialogs.inputs = {std::string(GetParam().answer), std::nullopt};
    EXPECT_EQ(putAway("Castle").refresh, commands::Refresh::None);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find(GetParam().why), std::string::npos) << dialogs.asked[0].text;
    ASSERT_EQ(dialogs.inputAsked.size(), 2u);
    EXPECT_EQ(dialogs.inputAsked[1].proposed, GetParam().answer);
    EXPECT_EQ(archivetest::treeDifference(everything(), before), "");
    // Short lines, so that the message stays narrower than the screen.
    std::size_t line = 0, longest = 0;
    for (std::size_t i = 0; i < dialogs.asked[0].text.size(); longest = std::max(longest, line)) {
        line = dialogs.asked[0].text[i] == '\n' ? 0 : line + 1;
        sysutil::nextCodePoint(dialogs.asked[0].text, i);
    }
    EXPECT_LE(longest, 60u) << dialogs.asked[0].text;
}
INSTANTIATE_TEST_SUITE_P(
    Answers, PutAwayAnswers,
    ::testing::Values(AnswerCase{"../escape", "「/」や「\\」"}, AnswerCase{"sub/name", "冷蔵庫のフォルダです"},
                      AnswerCase{"back\\slash", "「/」や「\\」"}, AnswerCase{"co:lon", "< > : \" | ? *"},
                      AnswerCase{"what?", "< > : \" | ? *"}, AnswerCase{" ", "空白だけ"},
                      AnswerCase{".", "「.」や「..」"}, AnswerCase{"..", "「.」や「..」"},
                      AnswerCase{"CON", "装置に使う名前"}, AnswerCase{"aux.dat", "装置に使う名前"},
                      AnswerCase{"LPT\u00b2", "装置に使う名前"}, AnswerCase{"dot.", "末尾"},
                      AnswerCase{"blank ", "末尾"}, AnswerCase{"tab\there", "制御文字"},
                      AnswerCase{" .lzh", "取り出すときのフォルダ名"}, AnswerCase{"nul.LZH", "装置に使う名前"},
                      AnswerCase{".castle", "冷蔵庫の一覧に出ません"},
                      // 256 bytes with ".LZH": more than the file system's longest name
                      AnswerCase{kLongName.c_str(), "長すぎます"}),
    [](const auto& p) { return labelOf(p.param.answer).substr(0, 20) + "_" + std::to_string(p.index); });

// An archive of that name is replaced only on yes: the question names it and
// says where the old one goes, no is its default and asks for the name again
// with the text kept, as a refused name does; yes replaces it in one step.
class PutAwayOverAnArchive : public Commands, public ::testing::WithParamInterface<bool> {};
TEST_P(PutAwayOverAnArchive, AsksAndOnNoAsksAgainWithTheText) {
    const bool trashOffered = GetParam();
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}});
    testsupport::writeFile(fridge / "Castle.LZH", "precious");
    trash.offered = trashOffered;
    dialogs.inputs = {std::string("Castle"), std::string("co:py"), std::string("castle.lzh")};
    dialogs.answers = {sysutil::MsgAnswer::No, sysutil::MsgAnswer::Yes};
    EXPECT_EQ(putAway("Castle").refresh, commands::Refresh::Reload);
    ASSERT_EQ(dialogs.inputAsked.size(), 3u);
    EXPECT_EQ(dialogs.inputAsked[0].proposed, "Castle.LZH");
    EXPECT_EQ(dialogs.inputAsked[1].proposed, "Castle");
    EXPECT_EQ(dialogs.inputAsked[2].proposed, "co:py");
    ASSERT_EQ(dialogs.asked.size(), 3u);
    const auto& q = dialogs.asked[0];
    EXPECT_TRUE(q.text.starts_with("冷蔵庫には「Castle.LZH」（")) << q.text;
    EXPECT_TRUE(q.text.ends_with(trashOffered ? "が既にあります。置き換えますか？\r\n古い書庫はごみ箱に移します。"
                                              : "古い書庫は完全に削除します。元に戻せません。"))
        << q.text;
    EXPECT_EQ(q.caption, "既にあります。");
    EXPECT_EQ(q.icon, sysutil::MsgIcon::Exclamation);
    EXPECT_EQ(q.defaultButton, sysutil::MsgAnswer::No);
    EXPECT_EQ(dialogs.asked[2].text, q.text);
    ASSERT_EQ(trash.moved.size(), trashOffered ? 1u : 0u);
    for (const auto& m : trash.moved) EXPECT_EQ(testsupport::readFile(m.to), "precious");
    EXPECT_EQ(archivetest::readTree(fridge).size(), 1u);  // the one name Windows sees, replaced
    std::vector<archiver::ListedEntry> entries;
    EXPECT_TRUE(archiver::listArchive(sysutil::utf8FromPath(fridge / "Castle.LZH"), entries).ok());
}
INSTANTIATE_TEST_SUITE_P(Trash, PutAwayOverAnArchive, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "to_the_trash" : "where_there_is_no_trash"; });

// The answer's archive name: ".LZH" is added unless the answer ends so, in any case.
TEST(PutAwayName, EndsInLzh) {
    for (const auto& [answer, stored] :
         std::vector<std::pair<std::string, std::string>>{{"Castle", "Castle.LZH"},
                                                          {"castle.lzh", "castle.lzh"},
                                                          {"x.Lzh", "x.Lzh"},
                                                          {"Castle.zip", "Castle.zip.LZH"},
                                                          {".LZ", ".LZ.LZH"},
                                                          {"ab", "ab.LZH"},
                                                          {"古城", "古城.LZH"}})
        EXPECT_EQ(commands::archiveNameFor(answer), stored) << answer;
}

// A fridge folder that has gone since it was chosen: put away says so.
TEST_F(Commands, PutAwayIntoAFridgeThatWentSaysItCouldNot) {
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}});
    fs::remove(fridge);
    dialogs.inputs = {std::string("Castle")};
    putAway("Castle");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("「Castle.LZH」にしまえませんでした。"), std::string::npos)
        << dialogs.asked[0].text;
    EXPECT_FALSE(fs::exists(fridge));
}

// What is no whole archive is refused with one warning, and nothing is
// written: a file of text, and an archive damaged near its end (the bytes
// of an entry read after others were whole).
struct NoArchiveCase {
    const char* label;
    bool damaged;  // else plain text
    const char* says;
};
void PrintTo(const NoArchiveCase& c, std::ostream* os) {
    *os << c.label;
}
class TakeOutOfNoArchive : public Commands, public ::testing::WithParamInterface<NoArchiveCase> {};
TEST_P(TakeOutOfNoArchive, WarnsAndLeavesNothing) {
    if (GetParam().damaged) {
        archive("Castle.LZH", {{"Summary.tsm", "t"}, {"zz.bin", testsupport::randomBytes(400000, 3)}});
        std::string bytes = testsupport::readFile(fridge / "Castle.LZH");
        bytes[bytes.size() - 100] ^= 0x5A;
        testsupport::writeFile(fridge / "Castle.LZH", bytes);
    } else {
        testsupport::writeFile(fridge / "Castle.LZH", "not an archive");
    }
    const Tree before = everything();
    EXPECT_EQ(takeOut("Castle.LZH").refresh, commands::Refresh::Reload);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].icon, sysutil::MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.asked[0].caption, "");
    EXPECT_TRUE(dialogs.asked[0].text.starts_with("解凍可能なファイルではありません。\r\n")) << dialogs.asked[0].text;
    EXPECT_NE(dialogs.asked[0].text.find(GetParam().says), std::string::npos) << dialogs.asked[0].text;
    EXPECT_EQ(archivetest::treeDifference(everything(), before), "");
}
INSTANTIATE_TEST_SUITE_P(Files, TakeOutOfNoArchive,
                         ::testing::Values(NoArchiveCase{"text", false, "\r\nLZH 書庫ではありません。"},
                                           NoArchiveCase{"damaged_near_its_end", true, "zz.bin"}),
                         [](const auto& p) { return std::string(p.param.label); });

// The proposal is the scenario's own name where the name rule takes it.
TEST_F(Commands, PutAwayProposesTheScenariosNameWhenTheRuleTakesIt) {
    std::vector<const char*> folders{"古城", "Castle.lzh", ".hidden"};
#if !defined(_WIN32)
    folders.insert(folders.end(), {"aux", "dot."});  // Windows makes no such folder
#endif
    for (const char* folder : folders) {
        archivetest::makeTree(board / testsupport::u8(folder), {{"Summary.tsm", "t"}});
        dialogs.inputAsked.clear();
        putAway(folder);
        ASSERT_EQ(dialogs.inputAsked.size(), 1u);
        const std::string own = folder;
        const std::string want = own == "古城" ? "古城.LZH" : own == "Castle.lzh" ? "Castle.lzh" : "Scenario.LZH";
        EXPECT_EQ(dialogs.inputAsked[0].proposed, want) << folder;
    }
}

// A drop takes what begins as an LHA archive (a self-extractor too) and
// names the rest in one message: the first five, then how many more.
TEST_F(Commands, ADropTakesOnlyArchivesAndNamesTheRest) {
    const fs::path downloads = root.path() / "downloads";
    fs::create_directories(downloads);
    std::vector<std::string> files;
    auto add = [&](const std::string& name, const std::string& bytes) {
        testsupport::writeFile(downloads / name, bytes);
        files.push_back(sysutil::utf8FromPath(downloads / name));
    };
    add("sfx.LZH", testsupport::readFile(testsupport::dataFile("lha-corpus/lha213/sfx.exe")));
    add("plain.LZH", testsupport::readFile(testsupport::dataFile("jlha/level0.lzh")));
    for (const char* name : {"a.LZH", "b.LZH", "c.LZH", "d.LZH", "e.LZH"}) add(name, "text, no archive");
    add("empty.LZH", "");
    add("damaged.LZH", testsupport::readFile(testsupport::dataFile("jlha/level0.lzh")).substr(0, 12));
    commands::copyIntoFridge(files, sysutil::utf8FromPath(fridge), dialogs, trash);
    ASSERT_EQ(dialogs.texts(),
              std::vector<std::string>{"次のファイルは LZH 書庫ではないため、冷蔵庫に入れませんでした。"
                                       "\r\na.LZH\r\nb.LZH\r\nc.LZH\r\nd.LZH\r\ne.LZH\r\nほか 2 件"});
    EXPECT_EQ(archivetest::readTree(fridge).size(), 2u);
    EXPECT_TRUE(fs::exists(fridge / "sfx.LZH"));
}

// One rule both ways: what put away accepts, take out gives back as it was
// (names as characters, contents, empty folders and files); anything else is
// refused whole, before a byte is written, naming the entries and why.
struct ScenarioCase {
    const char* label;
    std::function<bool(const fs::path&)> add;  // false: the platform cannot make it
    std::vector<const char*> refusal;          // empty: accepted; else what the message says
};
void PrintTo(const ScenarioCase& c, std::ostream* os) {
    *os << c.label;
}
class PutAwayScenarios : public Commands, public ::testing::WithParamInterface<ScenarioCase> {};
TEST_P(PutAwayScenarios, GiveBackWhatTheyTakeOrRefuseWhole) {
    const fs::path scenario = board / "Castle";
    archivetest::makeTree(scenario, {{"Summary.tsm", "t"}, {"empty/", ""}, {"data/zero.dat", ""}});
    if (!GetParam().add(scenario)) GTEST_SKIP() << "this system cannot make " << GetParam().label;
    dialogs.inputs = {std::string("Copy")};
    putAway("Castle");
    if (!GetParam().refusal.empty()) {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        for (const char* says : GetParam().refusal)
            EXPECT_NE(dialogs.asked[0].text.find(says), std::string::npos) << says << " in " << dialogs.asked[0].text;
        EXPECT_TRUE(fs::is_empty(fridge));
        return;
    }
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    takeOut("Copy.LZH");
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    // The same characters, in UTF-8 as the rest of the board.
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(board / "Copy"), decodedTree(scenario)), "");
}

std::function<bool(const fs::path&)> files(const Tree& tree) {
    return [=](const fs::path& at) {
        archivetest::makeTree(at, tree);
        return true;
    };
}

std::vector<ScenarioCase> scenarioCases() {
    std::vector<ScenarioCase> cases = {
        {"plain_tree", files(Tree{{"表示/能力.txt", "x"}, {".notes", "n"}, {" lead.txt", "l"}}), {}},
        // The tidying would take it for a run's leftover, and its journal for a merge to finish.
        {"work_folder_name",
         files(Tree{{"sub/.fzarc-staging-4000000000-1/x", "1"}}),
         {"sub/.fzarc-staging-4000000000-1", "作業用"}},
    };
#if !defined(_WIN32)
    auto raw = [](std::string name, std::string content = "x") {
        return [=](const fs::path& at) {
            testsupport::writeFile(at / "sub" / name, content);
            return true;
        };
    };
    const std::vector<ScenarioCase> posixOnly = {
        {"cp932_name", raw("\x93\xfa\x96\x7b\x8c\xea.txt", "sjis"), {}},  // 日本語.txt
        {"cp932_folder", raw("\x95\x5c\x8e\xa6/a.txt"), {}},              // 表示/a.txt
        {"colon", raw("save 12:30.dat"), {"sub/save 12:30.dat", "< > : \" | ? *"}},
        {"trailing_dot", raw("end."), {"sub/end.", "末尾"}},
        {"trailing_blank", raw("end "), {"sub/end ", "末尾"}},
        {"device_name", raw("CON.txt"), {"sub/CON.txt", "装置"}},
        {"device_name_lower", raw("aux.dat"), {"sub/aux.dat", "装置"}},
        {"device_superscript", raw("COM\u00b9.txt"), {"COM\u00b9.txt", "装置"}},
        {"control_character", raw("bell\x07.txt"), {"sub/bell\\x07.txt", "制御文字"}},
        {"backslash", raw("back\\slash.txt"), {"sub/back\\slash.txt", "「/」や「\\」"}},
        {"not_utf8_nor_cp932", raw("bad\xFF\xFEname.txt"), {"文字コード"}},
        {"same_but_case", files(Tree{{"sub/a.txt", "1"}, {"sub/A.txt", "2"}}), {"sub/a.txt", "「A.txt」と同じ名前"}},
        {"same_as_folder", files(Tree{{"sub/X/in.txt", "1"}, {"sub/x", "2"}}), {"同じ名前"}},
        {"utf8_and_cp932_alike",
         [](const fs::path& at) {
             testsupport::writeFile(at / "表.txt", "utf8");
             testsupport::writeFile(at / "\x95\x5c.txt", "cp932");
             return true;
         },
         {"表.txt", "同じ名前"}},
        {"symlink",
         [](const fs::path& at) {
             fs::create_symlink("/etc/passwd", at / "link");
             return true;
         },
         {"link", "リンク"}},
        {"fifo",
         [](const fs::path& at) { return mkfifo((at / "pipe").c_str(), 0600) == 0; },
         {"pipe", "特殊なファイル"}},
        {"socket",
         [](const fs::path& at) {
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             const std::string path = (at / "sock").string();
             if (path.size() >= sizeof addr.sun_path) return false;
             path.copy(addr.sun_path, path.size());
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             const bool made = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
             if (fd >= 0) close(fd);
             return made;
         },
         {"sock", "特殊なファイル"}},
        {"device",
         [](const fs::path& at) { return mknod((at / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
         {"null", "特殊なファイル"}},
        {"many",
         [](const fs::path& at) {
             for (int i = 0; i < 8; ++i) testsupport::writeFile(at / ("bad" + std::to_string(i) + "."), "x");
             return true;
         },
         {"bad0.", "bad4.", "ほか 3 件"}},
    };
    cases.insert(cases.end(), posixOnly.begin(), posixOnly.end());
#endif
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Trees, PutAwayScenarios, ::testing::ValuesIn(scenarioCases()),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(Commands, PutAwayThenTakeOutRestoresTheScenario) {
    // Names whose CP932 bytes hold 0x5C, "〜" that CP932 reads back as "～",
    // and, where the platform allows it, a double quote in the folder's name.
#if defined(_WIN32)
    const std::string folder = "古城";
#else
    const std::string folder = "古城 \"改\"";
#endif
    const Tree scenario = {{"Summary.tsm", "title"},
                           {"表示/ソース/能力.txt", testsupport::sjisText(20000)},
                           {"波〜線.txt", "wave"},
                           {"data/empty.dat", ""}};
    archivetest::makeTree(board / testsupport::u8(folder), scenario);
    dialogs.inputs = {std::string("Castle")};
    const auto scenarioPath = sysutil::utf8FromPath(board / testsupport::u8(folder));
    EXPECT_EQ(commands::putAway(scenarioPath, sysutil::utf8FromPath(fridge), dialogs, archiver, trash).refresh,
              commands::Refresh::Reload);
    ASSERT_TRUE(fs::exists(fridge / "Castle.LZH"));

    EXPECT_EQ(commands::takeOut(commands::FridgeSelection{sysutil::utf8FromPath(fridge), "Castle.LZH", ""},
                                boardFolder(), dialogs, archiver, trash)
                  .refresh,
              commands::Refresh::Reload);
    EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    EXPECT_EQ(archivetest::treeDifference(archivetest::readTree(board / "Castle"),
                                          archivetest::readTree(board / testsupport::u8(folder))),
              "");
}

// Work that throws ends as a failure the user is told of, not as a silent cancel.
TEST_F(Commands, AnExceptionInTheWorkIsReported) {
    struct Throwing : archiver::Unlha32Archiver {
        archiver::ArchiveResult stage(const std::string&, const std::string&, const sysutil::ProgressReport&,
                                      std::unique_ptr<archiver::StagedExtraction>&) override {
            throw std::runtime_error("boom");
        }
    } throwing;
    archivetest::makeTree(root.path() / "src", {{"Summary.tsm", "t"}});
    ASSERT_TRUE(archivetest::pack(fridge / "Castle.LZH", root.path() / "src").ok());
    commands::takeOut(commands::FridgeSelection{sysutil::utf8FromPath(fridge), "Castle.LZH", ""}, boardFolder(),
                      dialogs, throwing, trash);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "「Castle.LZH」を取り出せませんでした。\r\n予期しない問題が起きました。 (boom)");
}

#if defined(__linux__)
// Bytes this process has read so far, by any read call (/proc/self/io);
// 0 where the kernel does not count them.
std::uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    for (std::uint64_t value = 0; io >> key >> value;)
        if (key == "rchar:") return value;
    return 0;
}

// Take out reads the archive once: its bytes, plus what a buffered read
// pulls in again after a seek (a block, at an entry's header and at its
// data). A fresh board leaves nothing else to read.
TEST_F(Commands, TakeOutReadsTheArchiveOnce) {
    archive("Castle.LZH", {{"Summary.tsm", "t"},
                           {"a.bin", testsupport::randomBytes(300000, 1)},
                           {"b.bin", testsupport::randomBytes(300000, 2)}});
    const auto size = fs::file_size(fridge / "Castle.LZH");
    const auto before = bytesReadSoFar();
    if (before == 0) GTEST_SKIP() << "this kernel does not count the bytes read";
    takeOut("Castle.LZH");
    const auto read = bytesReadSoFar() - before;
    ASSERT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
    ASSERT_TRUE(fs::exists(board / "Castle" / "b.bin"));
    struct stat st {};
    ASSERT_EQ(::stat((fridge / "Castle.LZH").c_str(), &st), 0);
    EXPECT_LE(read, size + 3 * 2 * static_cast<std::uint64_t>(st.st_blksize))
        << "of an archive of " << size << " bytes";
}
#endif

#if !defined(_WIN32)
// Throw away stays on the scenario's own file system: another one mounted
// inside (or a folder bound there from elsewhere) stays whole, and the
// message names it; a scenario that is itself a mount point is refused.
enum class MountAt { TmpfsInside, BindInside, TmpfsIsTheScenario };
class ThrowAwayMounts : public Commands, public ::testing::WithParamInterface<MountAt> {};
TEST_P(ThrowAwayMounts, LeaveWhatIsMountedThere) {
    const bool bind = GetParam() == MountAt::BindInside;
    const bool itself = GetParam() == MountAt::TmpfsIsTheScenario;
    archivetest::makeTree(board / "Prot", {{"Summary.tsm", "t"}, {"a.txt", "a"}, {"mnt/", ""}});
    archivetest::makeTree(root.path() / "elsewhere", {{"precious.dat", "keep"}});
    const auto mountPoint = itself ? board / "Prot" : board / "Prot" / "mnt";
    // Mounts of this test process's own, gone with it.
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        (bind ? mount((root.path() / "elsewhere").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr)
              : mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m")) != 0)
        GTEST_SKIP() << "no mount namespace here (needs root)";
    if (!bind) testsupport::writeFile(mountPoint / "precious.dat", "keep");
    if (itself) testsupport::writeFile(mountPoint / "Summary.tsm", "t");
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    throwAway(board / "Prot");
    EXPECT_EQ(testsupport::readFile(mountPoint / "precious.dat"), "keep");
    EXPECT_TRUE(fs::exists(board / "Prot" / "Summary.tsm"));  // not gone whole: still a scenario
    if (itself) {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_NE(dialogs.asked[0].text.find("別のファイルシステム"), std::string::npos) << dialogs.asked[0].text;
    } else {
        EXPECT_EQ(testsupport::readFile(trash.folder / "a.txt"), "a");
        ASSERT_EQ(dialogs.asked.size(), 3u);
        EXPECT_NE(dialogs.asked[2].text.find("Prot/mnt（別のファイルシステム"), std::string::npos)
            << dialogs.asked[2].text;
    }
    umount(mountPoint.c_str());
    EXPECT_EQ(testsupport::readFile(root.path() / "elsewhere" / "precious.dat"), "keep");
}
std::string mountLabel(MountAt at) {
    return at == MountAt::TmpfsInside  ? "tmpfs_inside"
           : at == MountAt::BindInside ? "bind_mount_inside"
                                       : "tmpfs_is_the_scenario";
}
INSTANTIATE_TEST_SUITE_P(Kinds, ThrowAwayMounts,
                         ::testing::Values(MountAt::TmpfsInside, MountAt::BindInside, MountAt::TmpfsIsTheScenario),
                         [](const auto& p) { return mountLabel(p.param); });

// Nor does the exit tidying touch the empty folders of another file system
// mounted on the board, directly or deeper.
class ExitTidyingMounts : public Commands, public ::testing::WithParamInterface<bool> {};
TEST_P(ExitTidyingMounts, LeaveWhatIsMountedOnTheBoard) {
    const bool bind = GetParam();
    const auto mountPoint = bind ? board / "usb" : board / "group" / "usb";
    fs::create_directories(mountPoint);
    fs::create_directories(root.path() / "elsewhere" / "DCIM");
    fs::create_directories(board / "Empty" / "a");
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        (bind ? mount((root.path() / "elsewhere").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr)
              : mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m")) != 0)
        GTEST_SKIP() << "no mount namespace here (needs root)";
    fs::create_directories(mountPoint / "DCIM");
    archiver::removeEmptyFoldersOutsideScenarios(sysutil::utf8FromPath(board));
    EXPECT_TRUE(fs::exists(mountPoint / "DCIM"));
    EXPECT_FALSE(fs::exists(board / "Empty"));
    umount(mountPoint.c_str());
}
INSTANTIATE_TEST_SUITE_P(Kinds, ExitTidyingMounts, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "bind_mount" : "tmpfs_deeper"; });

// A full disk is told apart from other write failures, and leaves every
// folder as it was: put away into a fridge too small for the archive, take
// out onto a board too small for the files (their bytes fit the space the
// board reports, the pages they take do not).
class OntoAFullDisk : public Commands, public ::testing::WithParamInterface<bool> {};
TEST_P(OntoAFullDisk, SaysTheDiskIsFullAndLeavesEveryFolderAsItWas) {
    const bool puttingAway = GetParam();
    Tree scenario = {{"Summary.tsm", "t"}};
    if (puttingAway) {
        scenario["bgm/theme.ogg"] = testsupport::randomBytes(512 * 1024, 1);
        archivetest::makeTree(board / "Castle", scenario);
    } else {
        for (unsigned i = 0; i < 100; ++i)
            scenario["bgm/" + std::to_string(i) + ".ogg"] = testsupport::randomBytes(2100, i);
        archive("Castle.LZH", scenario);
    }
    const fs::path full = puttingAway ? fridge : board;
    if (!testsupport::runningAsRoot() || unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", full.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no mount namespace here (needs root)";
    const Tree before = everything();
    dialogs.inputs = {std::string("Castle")};
    const auto outcome = puttingAway ? putAway("Castle") : takeOut("Castle.LZH");
    EXPECT_EQ(everything(), before);
    umount(full.c_str());
    EXPECT_TRUE(outcome.archiveName.empty() && outcome.scenarioFolder.empty());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    const std::string& said = dialogs.asked[0].text;
    EXPECT_TRUE(said.starts_with(puttingAway ? "「Castle.LZH」にしまえませんでした。"
                                             : "「Castle.LZH」を取り出せませんでした。"))
        << said;
    EXPECT_NE(said.find(archiver::failed::noSpace().message), std::string::npos) << said;
}
INSTANTIATE_TEST_SUITE_P(Commands, OntoAFullDisk, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "put_away" : "take_out"; });

TEST_F(Commands, ThrowAwaySaysWhatItCouldNotDeleteAndTheScenarioStaysListed) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "needs root to stage a folder its user cannot change";
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}, {"save/slot.dat", "s"}, {"bgm/theme.ogg", "o"}});
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    {
        testsupport::AsOrdinaryUser user(root.path());
        // A folder of root's own inside: beyond what the user may change.
        EXPECT_EQ(seteuid(0), 0);
        EXPECT_EQ(lchown((board / "Castle" / "save").c_str(), 0, 0), 0);
        EXPECT_EQ(seteuid(65534), 0);
        trash.offered = false;  // deleted, as where there is no trash
        throwAway(board / "Castle");
    }
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_TRUE(dialogs.asked[2].text.starts_with("「Castle」を削除しきれませんでした。")) << dialogs.asked[2].text;
    EXPECT_NE(dialogs.asked[2].text.find("slot.dat"), std::string::npos);
    EXPECT_EQ(archiver::scenariosAmong({sysutil::utf8FromPath(board / "Castle")}).size(), 1u);
}
#endif

// The fridge's archives may be the only copies: a scenario holding the fridge
// of the settings or the one on screen (a temporary one) is not thrown away.
struct FridgeCase {
    const char* label;
    const char* stored;  // below the board
    const char* shown;
    bool refused;
};
void PrintTo(const FridgeCase& c, std::ostream* os) {
    *os << c.label;
}
class ThrowAwayFridge : public Commands, public ::testing::WithParamInterface<FridgeCase> {};
TEST_P(ThrowAwayFridge, RefusesAScenarioHoldingTheFridge) {
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}});
    std::vector<std::string> fridges;
    for (const char* f : {GetParam().stored, GetParam().shown}) {
        fridges.push_back(sysutil::utf8FromPath(board / testsupport::u8(f)));
        testsupport::writeFile(board / testsupport::u8(f) / "Only.LZH", "the only copy");
    }
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    throwAway(board / "Castle", fridges);
    for (const char* f : {GetParam().stored, GetParam().shown})
        EXPECT_EQ(testsupport::readFile(board / testsupport::u8(f) / "Only.LZH"), "the only copy") << f;
    EXPECT_EQ(fs::exists(board / "Castle" / "Summary.tsm"), GetParam().refused);
    if (GetParam().refused) {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_NE(dialogs.asked[0].text.find("すてられません"), std::string::npos) << dialogs.asked[0].text;
    }
}
INSTANTIATE_TEST_SUITE_P(Fridges, ThrowAwayFridge,
                         ::testing::Values(FridgeCase{"the_scenario_itself", "Castle", "Shown", true},
                                           FridgeCase{"inside_it", "Castle/archives", "Shown", true},
                                           FridgeCase{"stored_inside_shown_elsewhere", "Castle/archives", "Temp", true},
                                           FridgeCase{"shown_inside", "Stored", "Castle/temp", true},
                                           FridgeCase{"beside_it", "Castle2", "Shown", false}),
                         [](const auto& p) { return std::string(p.param.label); });

// Throw away moves the scenario or the archive to the trash, where its place
// has one, and deletes it where it has none; the questions name it and say which.
struct ThrowCase {
    const char* label;
    bool scenario;
    bool trashOffered;
};
void PrintTo(const ThrowCase& c, std::ostream* os) {
    *os << c.label;
}
class ThrowAwayGoes : public Commands, public ::testing::WithParamInterface<ThrowCase> {};
TEST_P(ThrowAwayGoes, ToTheTrashOrForGoodAsTheQuestionsSay) {
    const auto& c = GetParam();
    archivetest::makeTree(board / "Castle", {{"Summary.tsm", "t"}, {"sub/a.txt", "a"}});
    testsupport::writeFile(fridge / "Castle.LZH", "x");
    trash.offered = c.trashOffered;
    const std::string where =
        c.trashOffered ? "ごみ箱に移します。" : (c.scenario ? "完全に削除します。" : "削除します。");
    if (c.scenario) {
        dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
        EXPECT_EQ(throwAway(board / "Castle", {sysutil::utf8FromPath(fridge)}).refresh, commands::Refresh::PoolOnly);
        ASSERT_EQ(dialogs.asked.size(), 2u);
        EXPECT_TRUE(dialogs.asked[0].text.starts_with("シナリオ「Castle」を" + where)) << dialogs.asked[0].text;
        EXPECT_TRUE(dialogs.asked[0].text.ends_with("よろしいですか？"));
        EXPECT_EQ(dialogs.asked[0].icon, sysutil::MsgIcon::Question);
        EXPECT_TRUE(dialogs.asked[1].text.starts_with("シナリオ「Castle」を" + where)) << dialogs.asked[1].text;
        EXPECT_TRUE(dialogs.asked[1].text.ends_with("本当によろしいですか？"));
        EXPECT_EQ(dialogs.asked[1].icon, sysutil::MsgIcon::Exclamation);
    } else {
        dialogs.answers = {sysutil::MsgAnswer::Yes};
        commands::throwAwayArchive(commands::FridgeSelection{sysutil::utf8FromPath(fridge), "Castle.LZH", ""}, dialogs,
                                   trash);
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].text, "選択された圧縮ファイル「Castle.LZH」を" + where +
                                             (c.trashOffered ? "" : "元に戻せません。") + "よろしいですか？");
        EXPECT_EQ(dialogs.asked[0].caption, "圧縮ファイル削除確認");
        EXPECT_EQ(dialogs.asked[0].icon, sysutil::MsgIcon::Exclamation);
    }
    for (const auto& a : dialogs.asked) EXPECT_EQ(a.defaultButton, sysutil::MsgAnswer::No);
    EXPECT_EQ(dialogs.asked[0].text.find("元に戻せません") != std::string::npos, !c.trashOffered);
    EXPECT_FALSE(fs::exists(c.scenario ? board / "Castle" : fridge / "Castle.LZH"));
    const Tree inTrash = archivetest::readTree(trash.folder);
    EXPECT_EQ(
        inTrash,
        c.trashOffered
            ? (c.scenario
                   ? Tree{{"Castle/", ""}, {"Castle/Summary.tsm", "t"}, {"Castle/sub/", ""}, {"Castle/sub/a.txt", "a"}}
                   : Tree{{"Castle.LZH", "x"}})
            : Tree{});
}
INSTANTIATE_TEST_SUITE_P(Items, ThrowAwayGoes,
                         ::testing::Values(ThrowCase{"scenario_to_the_trash", true, true},
                                           ThrowCase{"scenario_where_there_is_no_trash", true, false},
                                           ThrowCase{"archive_to_the_trash", false, true},
                                           ThrowCase{"archive_where_there_is_no_trash", false, false}),
                         [](const auto& p) { return std::string(p.param.label); });

// An archive that cannot go, turned meanwhile into a folder with a file in
// it (which even root cannot delete as a file), is named as not deleted.
TEST_F(Commands, ThrowAwayArchiveThatCannotGoIsReported) {
    const fs::path archive = fridge / "Locked.LZH";
    testsupport::writeFile(archive, "x");
    trash.offered = false;  // deleted, as where there is no trash
    dialogs.whileAsked = [&](const auto&) {
        if (!fs::is_regular_file(archive)) return;
        fs::remove(archive);
        testsupport::writeFile(archive / "inside", "x");
    };
    dialogs.answers = {sysutil::MsgAnswer::Yes};
    commands::throwAwayArchive(commands::FridgeSelection{sysutil::utf8FromPath(fridge), "Locked.LZH", ""}, dialogs,
                               trash);
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_NE(dialogs.asked[1].text.find("「Locked.LZH」を削除できませんでした。"), std::string::npos)
        << dialogs.asked[1].text;
    EXPECT_EQ(testsupport::readFile(archive / "inside"), "x");
}

// Taking out again into an existing scenario: what equals the archive's copy
// and what only the user has go without a word; files the user changed are
// named in one question first (default No), and their old versions go to the
// trash on Yes.
struct AgainCase {
    const char* label;
    Tree edits;                                // made after the first take out
    std::optional<sysutil::MsgAnswer> answer;  // nullopt: nothing may be asked
    bool trashOffered;
    std::vector<const char*> says;
};
void PrintTo(const AgainCase& c, std::ostream* os) {
    *os << c.label;
}
class TakeOutAgain : public Commands, public ::testing::WithParamInterface<AgainCase> {};
TEST_P(TakeOutAgain, AsksBeforeReplacingWhatTheUserChanged) {
    const auto& c = GetParam();
    Tree original = {{"Summary.tsm", "t"}, {"readme.txt", "the archive's"}};
    for (int i = 1; i <= 7; ++i) original["data/d" + std::to_string(i) + ".txt"] = "d";
    archive("Castle.LZH", original);
    takeOut("Castle.LZH");
    ASSERT_TRUE(dialogs.asked.empty());
    archivetest::makeTree(board / "Castle", c.edits);
    const Tree before = everything();
    trash.offered = c.trashOffered;
    if (c.answer) dialogs.answers = {*c.answer};
    takeOut("Castle.LZH");
    if (!c.answer) {
        EXPECT_TRUE(dialogs.asked.empty()) << dialogs.asked.front().text;
        EXPECT_EQ(archivetest::treeDifference(everything(), before), "");
        return;
    }
    ASSERT_EQ(dialogs.asked.size(), 1u);
    const auto& q = dialogs.asked[0];
    EXPECT_EQ(q.defaultButton, sysutil::MsgAnswer::No);
    EXPECT_EQ(q.buttons, sysutil::MsgButtons::YesNo);
    EXPECT_TRUE(q.text.starts_with("シナリオ「Castle」")) << q.text;
    for (const char* says : c.says) EXPECT_NE(q.text.find(says), std::string::npos) << says << " in " << q.text;
    if (*c.answer == sysutil::MsgAnswer::No) {
        EXPECT_EQ(archivetest::treeDifference(everything(), before), "");  // nor a work folder left
        return;
    }
    Tree want = archivetest::readTree(board / "Castle");
    for (const auto& [name, content] : original) EXPECT_EQ(want[name], content) << name;
    for (const auto& [name, content] : c.edits)
        if (!original.count(name)) {
            EXPECT_EQ(want[name], content) << name;  // the user's own stay
        }
    Tree replaced;
    for (const auto& [name, content] : c.edits)
        if (original.count(name) && c.trashOffered) replaced["Castle/" + name] = content;
    Tree inTrash;
    for (const auto& [name, content] : archivetest::readTree(trash.folder))
        if (name.back() != '/') inTrash[name] = content;
    EXPECT_EQ(inTrash, replaced);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, TakeOutAgain,
    ::testing::Values(AgainCase{"untouched", {}, std::nullopt, true, {}},
                      AgainCase{"only_added", {{"mine.txt", "mine"}}, std::nullopt, true, {}},
                      AgainCase{"edited_no", {{"readme.txt", "my edit"}}, sysutil::MsgAnswer::No, true, {"readme.txt"}},
                      AgainCase{"edited_yes",
                                {{"readme.txt", "my edit"}, {"mine.txt", "mine"}},
                                sysutil::MsgAnswer::Yes,
                                true,
                                {"readme.txt", "ごみ箱に移します"}},
                      AgainCase{"edited_yes_where_there_is_no_trash",
                                {{"readme.txt", "my edit"}},
                                sysutil::MsgAnswer::Yes,
                                false,
                                {"readme.txt", "元に戻せません"}},
                      AgainCase{"seven_edited",
                                {{"data/d1.txt", "1"},
                                 {"data/d2.txt", "2"},
                                 {"data/d3.txt", "3"},
                                 {"data/d4.txt", "4"},
                                 {"data/d5.txt", "5"},
                                 {"data/d6.txt", "6"},
                                 {"data/d7.txt", "7"}},
                                sysutil::MsgAnswer::Yes,
                                true,
                                {"data/d1.txt", "data/d5.txt", "ほか 2 件"}}),
    [](const auto& p) { return std::string(p.param.label); });

// A file edited while the question is open was never named: nothing is replaced.
TEST_F(Commands, TakeOutAgainReplacesNothingChangedWhileAsked) {
    archive("Castle.LZH", {{"Summary.tsm", "t"}, {"readme.txt", "v1"}, {"notes.txt", "v1"}});
    takeOut("Castle.LZH");
    testsupport::writeFile(board / "Castle" / "readme.txt", "my edit");
    dialogs.whileAsked = [&](const auto&) {
        testsupport::writeFile(board / "Castle" / "notes.txt", "edited meanwhile");
    };
    dialogs.answers = {sysutil::MsgAnswer::Yes};
    takeOut("Castle.LZH");
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_NE(dialogs.asked[1].text.find("notes.txt"), std::string::npos) << dialogs.asked[1].text;
    EXPECT_EQ(archivetest::readTree(board / "Castle"),
              (Tree{{"Summary.tsm", "t"}, {"readme.txt", "my edit"}, {"notes.txt", "edited meanwhile"}}));
    EXPECT_FALSE(fs::exists(trash.folder / "Castle"));
}

#if !defined(_WIN32)
// Take out writes only into a folder of its own on the board: never through
// a link, never into a twin of another scenario's folder, never from a name
// it cannot read (all such names would meet in one folder). Refused before
// anything is read or written.
struct TakeOutRefusal {
    const char* label;
    std::function<void(const fs::path& root, const fs::path& board)> arrange;
    std::string archive;
    const char* says;
};
void PrintTo(const TakeOutRefusal& c, std::ostream* os) {
    *os << c.label;
}
class TakeOutRefuses : public Commands, public ::testing::WithParamInterface<TakeOutRefusal> {};
TEST_P(TakeOutRefuses, BeforeAnythingIsWritten) {
    const auto& c = GetParam();
    archivetest::makeTree(root.path() / "elsewhere", {{"readme.txt", "mine"}});
    archive("tmp.LZH", {{"Summary.tsm", "t"}, {"readme.txt", "the archive's"}});
    fs::rename(fridge / "tmp.LZH", fridge / c.archive);
    c.arrange(root.path(), board);
    const Tree before = everything();
    commands::takeOut(
        commands::FridgeSelection{sysutil::utf8FromPath(fridge), c.archive, sysutil::displayName(fs::path(c.archive))},
        boardFolder(), dialogs, archiver, trash);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find(c.says), std::string::npos) << dialogs.asked[0].text;
    EXPECT_TRUE(dialogs.progressCaptions.empty());
    EXPECT_EQ(archivetest::treeDifference(everything(), before), "");
    EXPECT_EQ(testsupport::readFile(root.path() / "elsewhere" / "readme.txt"), "mine");
}
INSTANTIATE_TEST_SUITE_P(
    Cases, TakeOutRefuses,
    ::testing::Values(TakeOutRefusal{"a_link_out_of_the_board",
                                     [](const fs::path& root, const fs::path& board) {
                                         fs::create_directory_symlink(root / "elsewhere", board / "Link");
                                     },
                                     "Link.LZH", "リンク"},
                      TakeOutRefusal{"the_board_a_link",
                                     [](const fs::path& root, const fs::path& board) {
                                         fs::remove(board);
                                         fs::create_directory_symlink(root / "elsewhere", board);
                                     },
                                     "readme.LZH", "リンク"},
                      TakeOutRefusal{"a_case_twin",
                                     [](const fs::path&, const fs::path& board) {
                                         archivetest::makeTree(board / "Castle", {{"Summary.tsm", "mine"}});
                                     },
                                     "castle.lzh", "同じ名前"},
                      TakeOutRefusal{"a_name_neither_utf8_nor_cp932", [](const fs::path&, const fs::path&) {},
                                     "\xff\xfe.LZH", "文字コード"}),
    [](const auto& p) { return std::string(p.param.label); });
#endif

}  // namespace
