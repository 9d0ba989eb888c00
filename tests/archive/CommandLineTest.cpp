// The archiver's command lines as the program builds them, and what it refuses.
#include <gtest/gtest.h>

#include "archive/CommandLine.h"

namespace {

using archiver::Command;
using archiver::parseCommandLine;

TEST(CommandLine, TakeOutLineKeepsTheTrailingBackslashInsideTheQuotes) {
    std::string error;
    const auto cmd = parseCommandLine(
        "E \"C:\\Fridge\\Castle.LZH\" \"C:\\Games\\Engine\\Scenario\\FZARC_まな板\\Castle\\\" -gn1 -jyco", error);
    ASSERT_TRUE(cmd) << error;
    EXPECT_EQ(cmd->command, Command::Extract);
    EXPECT_EQ(cmd->archivePath, "C:\\Fridge\\Castle.LZH");
    ASSERT_EQ(cmd->paths.size(), 1u);
    EXPECT_EQ(cmd->paths[0], "C:\\Games\\Engine\\Scenario\\FZARC_まな板\\Castle\\");
}

TEST(CommandLine, PutAwayLineWithBlanksAndAMethod) {
    std::string error;
    const auto cmd = parseCommandLine("A \"/my fridge/a b.LZH\" \"/board/Castle/*.*\" -gn1 -x1 -r2 -o7", error);
    ASSERT_TRUE(cmd) << error;
    EXPECT_EQ(cmd->command, Command::Add);
    EXPECT_EQ(cmd->archivePath, "/my fridge/a b.LZH");
    EXPECT_EQ(cmd->paths[0], "/board/Castle/*.*");
    EXPECT_EQ(cmd->method.id, "-lh7-");
}

TEST(CommandLine, DefaultMethodIsLh5) {
    std::string error;
    EXPECT_EQ(parseCommandLine("l x.lzh", error)->method.id, "-lh5-");
}

struct BadLine {
    const char* label;
    const char* line;
};
class CommandLineRefuses : public ::testing::TestWithParam<BadLine> {};
TEST_P(CommandLineRefuses, NeverGuesses) {
    std::string error;
    EXPECT_FALSE(parseCommandLine(GetParam().line, error));
    EXPECT_FALSE(error.empty());
}
INSTANTIATE_TEST_SUITE_P(Lines, CommandLineRefuses,
                         ::testing::Values(BadLine{"empty", ""}, BadLine{"unknown_command", "Z x.lzh"},
                                           BadLine{"unknown_switch", "E x.lzh out -q"},
                                           BadLine{"bad_method", "A x.lzh \"d/*.*\" -o9"},
                                           BadLine{"no_destination", "E x.lzh"}, BadLine{"two_sources", "A x.lzh a b"},
                                           BadLine{"extra_for_list", "L x.lzh extra"}),
                         [](const auto& p) { return std::string(p.param.label); });

}  // namespace
