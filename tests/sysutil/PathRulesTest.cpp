// The trailing separator, Windows-style names, and the first-match lookup.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"

namespace {

using sysutil::AddBackslash;
using sysutil::LookupKind;
using testsupport::TempDir;
const std::string S(1, sysutil::kSeparator);

TEST(AddBackslash, FollowsTheRule) {
    EXPECT_EQ(AddBackslash("C:" + S + "Game"), "C:" + S + "Game" + S);
    EXPECT_EQ(AddBackslash("C:" + S + "Game" + S), "C:" + S + "Game" + S);
    EXPECT_EQ(AddBackslash("C:" + S + "Game   "), "C:" + S + "Game" + S);
    EXPECT_EQ(AddBackslash("C:" + S + "Game" + S + "  "), "C:" + S + "Game" + S);
    EXPECT_EQ(AddBackslash(""), S);
    EXPECT_EQ(AddBackslash("   "), S);
    EXPECT_EQ(AddBackslash("Game\t"), "Game\t" + S);
    EXPECT_EQ(AddBackslash("  lead"), "  lead" + S);
}

struct WildCase {
    const char* pattern;
    const char* name;
    bool match;
};
class Wildcards : public ::testing::TestWithParam<WildCase> {};
TEST_P(Wildcards, MatchAsWindowsDoes) {
    EXPECT_EQ(sysutil::matchesWildcard(GetParam().pattern, GetParam().name), GetParam().match)
        << GetParam().pattern << " vs " << GetParam().name;
}
INSTANTIATE_TEST_SUITE_P(Patterns, Wildcards,
                         ::testing::Values(WildCase{"*.LZH", "castle.lzh", true}, WildCase{"*.LZH", "Castle.LZH", true},
                                           WildCase{"*.LZH", "castle.lzh.bak", false}, WildCase{"*.*", "noext", true},
                                           WildCase{"*.txt", "読んでね.TXT", true}, WildCase{"?.txt", "表.txt", true},
                                           WildCase{"a*b*c", "aXXbYYc", true}, WildCase{"a*b*c", "aXXbYY", false},
                                           WildCase{"Summary.tsm", "SUMMARY.TSM", true},
                                           WildCase{"*.htm", "a.html", false}),
                         ([](const auto& p) {
                             std::string label = p.param.match ? "matches" : "differs";
                             for (const char c : std::string("_") + p.param.pattern + "_" + p.param.name) {
                                 if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                                     label += c;
                                 else if (label.back() != '_')
                                     label += '_';
                             }
                             return label + (label.back() == '_' ? "" : "_") + std::to_string(p.index);
                         }));

struct NameRuleCase {
    const char* name;
    sysutil::NameProblem problem;
};
class NameRule : public ::testing::TestWithParam<NameRuleCase> {};
TEST_P(NameRule, TellsWhatWindowsCannotHold) {
    EXPECT_EQ(sysutil::windowsNameProblem(GetParam().name), GetParam().problem) << GetParam().name;
}
using P = sysutil::NameProblem;
INSTANTIATE_TEST_SUITE_P(
    Names, NameRule,
    ::testing::Values(NameRuleCase{"Castle.LZH", P::None}, NameRuleCase{" lead", P::None},
                      NameRuleCase{".notes", P::None}, NameRuleCase{"表示.txt", P::None},
                      NameRuleCase{"CONSOLE.txt", P::None}, NameRuleCase{"COM10", P::None}, NameRuleCase{"", P::Blank},
                      NameRuleCase{"   ", P::Blank}, NameRuleCase{".", P::DotName}, NameRuleCase{"..", P::DotName},
                      NameRuleCase{"...", P::TrailingDotOrBlank}, NameRuleCase{"a/b", P::Separator},
                      NameRuleCase{"a\\b", P::Separator}, NameRuleCase{"a:b", P::ReservedCharacter},
                      NameRuleCase{"a<b", P::ReservedCharacter}, NameRuleCase{"a>b", P::ReservedCharacter},
                      NameRuleCase{"a\"b", P::ReservedCharacter}, NameRuleCase{"a|b", P::ReservedCharacter},
                      NameRuleCase{"a?b", P::ReservedCharacter}, NameRuleCase{"a*b", P::ReservedCharacter},
                      NameRuleCase{"a\x01b", P::ControlCharacter}, NameRuleCase{"a\x7F", P::ControlCharacter},
                      NameRuleCase{"end.", P::TrailingDotOrBlank}, NameRuleCase{"end ", P::TrailingDotOrBlank},
                      NameRuleCase{"con", P::DeviceName}, NameRuleCase{"Nul.txt", P::DeviceName},
                      NameRuleCase{"aux .tar.gz", P::DeviceName}, NameRuleCase{"LPT9", P::DeviceName},
                      NameRuleCase{"COM\u00b9", P::DeviceName}, NameRuleCase{"com\u00b2.txt", P::DeviceName},
                      NameRuleCase{"LPT\u00b3.log", P::DeviceName}, NameRuleCase{".fzarc-work", P::WorkName},
                      NameRuleCase{".FZARC-Staging-12-34", P::WorkName},
                      NameRuleCase{".fzarc-archive-1-2", P::WorkName}, NameRuleCase{".fzarc-notes-12-34", P::None},
                      NameRuleCase{".fzarc-staging-12-x", P::None}),
    ([](const auto& p) {
        const char* kinds[] = {"None",
                               "Blank",
                               "DotName",
                               "Separator",
                               "ReservedCharacter",
                               "ControlCharacter",
                               "TrailingDotOrBlank",
                               "DeviceName",
                               "WorkName"};
        std::string label = kinds[static_cast<int>(p.param.problem)];
        for (const char c : std::string("_") + p.param.name) {
            if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                label += c;
            else if (label.back() != '_')
                label += '_';
        }
        return label + (label.back() == '_' ? "" : "_") + std::to_string(p.index);
    }));

TEST(Wildcards, SeveralPatternsSeparatedBySemicolons) {
    EXPECT_TRUE(sysutil::matchesAnyWildcard("*.txt;*.html;*.htm", "a.HTM"));
    EXPECT_FALSE(sysutil::matchesAnyWildcard("*.txt;*.html;*.htm", "a.png"));
}

TEST(Lookup, FindsFilesFoldersAndSkipsHidden) {
    TempDir d;
    testsupport::writeFile(d.path() / "file.txt", "x");
    std::filesystem::create_directories(d.path() / "folder");
    std::filesystem::create_directories(d.path() / ".hidden");
    std::filesystem::create_directories(d.path() / "empty");
    testsupport::writeFile(d.path() / "scen" / ".Summary.tsm", "x");
    testsupport::makeHidden(d.path() / ".hidden");
    testsupport::makeHidden(d.path() / "scen" / ".Summary.tsm");

    EXPECT_TRUE(sysutil::lookupExists(d.str("file.txt"), LookupKind::FilesAndFolders));  // a file passes
    EXPECT_TRUE(sysutil::lookupExists(d.str("folder"), LookupKind::FilesAndFolders));
    EXPECT_TRUE(sysutil::lookupExists(d.str("FOLDER"), LookupKind::FilesAndFolders));    // case-insensitive
    EXPECT_FALSE(sysutil::lookupExists(d.str(".hidden"), LookupKind::FilesAndFolders));  // hidden fails
    EXPECT_TRUE(sysutil::lookupExists(d.str("fi*.t?t"), LookupKind::FilesAndFolders));   // wildcards
    EXPECT_FALSE(sysutil::lookupExists(d.str("nothing*"), LookupKind::FilesAndFolders));
    EXPECT_TRUE(sysutil::lookupExists(d.str("empty") + S, LookupKind::FilesAndFolders));  // "." of an empty folder
    EXPECT_FALSE(sysutil::lookupExists(d.str("missing") + S, LookupKind::FilesAndFolders));
    EXPECT_FALSE(sysutil::lookupExists(d.str("folder"), LookupKind::OrdinaryFiles));
    EXPECT_FALSE(sysutil::lookupExists(d.str("scen" + S + "Summary.tsm"), LookupKind::OrdinaryFiles));
    EXPECT_TRUE(sysutil::lookupExists(d.str("FILE.TXT"), LookupKind::OrdinaryFiles));
}

TEST(Lookup, RejectedNamesSimplyFail) {
    EXPECT_FALSE(sysutil::lookupExists(std::string("bad\0name", 8), LookupKind::FilesAndFolders));
    EXPECT_FALSE(sysutil::lookupExists("", LookupKind::FilesAndFolders));
    EXPECT_FALSE(sysutil::lookupExists(std::string(5000, 'x'), LookupKind::FilesAndFolders));
}

// Where fzarc.ini lives: beside a portable program (or one whose folder
// already holds it), in the user's folder for an installed one.
struct SettingsPlace {
    const char* label;
    bool iniBeside, installed, beside;
};

class SettingsFolder : public ::testing::TestWithParam<SettingsPlace> {};

TEST_P(SettingsFolder, FollowsHowTheProgramWasPut) {
    testsupport::TempDir d;
    const auto bin = d.path() / "prefix" / "bin";
    std::filesystem::create_directories(bin);
    if (GetParam().iniBeside) testsupport::writeFile(bin / "fzarc.ini", "");
    if (GetParam().installed) testsupport::writeFile(d.path() / "prefix" / "share" / "applications" / "fzarc.desktop", "");
    const std::string user = d.str("config");
    EXPECT_EQ(sysutil::chooseSettingsFolder(user, sysutil::utf8FromPath(bin)),
              GetParam().beside ? sysutil::utf8FromPath(bin) : user);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsFolder,
                         ::testing::Values(SettingsPlace{"portable", false, false, true},
                                           SettingsPlace{"installed", false, true, false},
                                           SettingsPlace{"installed_with_ini_beside", true, true, true}),
                         [](const auto& p) { return std::string(p.param.label); });

}  // namespace
