// fzarc-lha's arguments as a shell hands them over, with the switches the
// program's command lines have always carried, and what it refuses.
#include <gtest/gtest.h>

#include "archive/CommandLine.h"

namespace {

using archiver::Command;
using archiver::parseArguments;

TEST(CommandLine, TakeOutArgumentsWithTheProgramsSwitches) {
    const auto p = parseArguments(
        {"E", "C:\\Fridge\\Castle.LZH", "C:\\Games\\Engine\\Scenario\\FZARC_まな板\\Castle\\", "-gn1", "-jyco"});
    ASSERT_TRUE(p.ok()) << p.status.message;
    EXPECT_EQ(p.command.command, Command::Extract);
    EXPECT_EQ(p.command.archivePath, "C:\\Fridge\\Castle.LZH");
    ASSERT_EQ(p.command.paths.size(), 1u);
    EXPECT_EQ(p.command.paths[0], "C:\\Games\\Engine\\Scenario\\FZARC_まな板\\Castle\\");
}

TEST(CommandLine, PutAwayArgumentsWithBlanksAndAMethod) {
    const auto p = parseArguments({"A", "/my fridge/a b.LZH", "/board/Castle/*.*", "-gn1", "-x1", "-r2", "-o7"});
    ASSERT_TRUE(p.ok()) << p.status.message;
    EXPECT_EQ(p.command.command, Command::Add);
    EXPECT_EQ(p.command.archivePath, "/my fridge/a b.LZH");
    EXPECT_EQ(p.command.paths[0], "/board/Castle/*.*");
    EXPECT_EQ(p.command.method.id, "-lh7-");
    EXPECT_EQ(parseArguments({"l", "x.lzh"}).command.method.id, "-lh5-");
}

// Arguments arrive whole: quotes, blanks and a leading '-' are the name's
// own, once "--" has ended the switches.
TEST(Arguments, AreTakenAsGiven) {
    auto p = parseArguments({"L", "q/a\"b.lzh"});
    ASSERT_TRUE(p.ok()) << p.status.message;
    EXPECT_EQ(p.command.archivePath, "q/a\"b.lzh");

    p = parseArguments({"A", "-o6", "--", "-x.lzh", "my dir/*.*"});
    ASSERT_TRUE(p.ok()) << p.status.message;
    EXPECT_EQ(p.command.archivePath, "-x.lzh");
    EXPECT_EQ(p.command.paths[0], "my dir/*.*");
    EXPECT_EQ(p.command.method.id, "-lh6-");

    p = parseArguments({"E", "--", "x.lzh", "--"});  // a second "--" is a path
    ASSERT_TRUE(p.ok()) << p.status.message;
    EXPECT_EQ(p.command.paths[0], "--");
}

struct BadLine {
    const char* label;
    std::vector<std::string> args;
};
class CommandLineRefuses : public ::testing::TestWithParam<BadLine> {};
TEST_P(CommandLineRefuses, NeverGuesses) {
    const auto p = parseArguments(GetParam().args);
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(p.status.error, archiver::ArchiveError::BadCommand);
    EXPECT_FALSE(p.status.message.empty());
}
INSTANTIATE_TEST_SUITE_P(Lines, CommandLineRefuses,
                         ::testing::Values(BadLine{"empty", {}}, BadLine{"unknown_command", {"Z", "x.lzh"}},
                                           BadLine{"unknown_switch", {"E", "x.lzh", "out", "-q"}},
                                           BadLine{"bad_method", {"A", "x.lzh", "d/*.*", "-o9"}},
                                           BadLine{"no_destination", {"E", "x.lzh"}},
                                           BadLine{"two_sources", {"A", "x.lzh", "a", "b"}},
                                           BadLine{"extra_for_list", {"L", "x.lzh", "extra"}},
                                           BadLine{"dash_name_without_end_of_switches", {"L", "-x.lzh"}}),
                         [](const auto& p) { return std::string(p.param.label); });

}  // namespace
