// The launch commands' command lines, as the launcher is handed them.
#include <gtest/gtest.h>

#include "commands/LaunchCommands.h"
#include "support/FakeLauncher.h"
#include "sysutil/PathRules.h"

namespace {

// A path of the table in this platform's separators.
std::string native(std::string path) {
    for (auto& c : path)
        if (c == '/') c = sysutil::kSeparator;
    return path;
}

struct StartCase {
    const char* trPath;
    const char* line;
};
class StartLine : public ::testing::TestWithParam<StartCase> {};
TEST_P(StartLine, HasOneSeparatorBeforeTheProgram) {
    fakes::FakeLauncher launcher;
    const std::string line = native(GetParam().line);
    commands::mnuExecuteTessarune(native(GetParam().trPath), launcher, 0);
    commands::mnuExecuteTessaruneEditor(native(GetParam().trPath), launcher, 0);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].line, line);
    EXPECT_EQ(launcher.calls[1].line, std::string(line).replace(line.find("Tessarune.exe"), 13, "TessaruneEditor.exe"));
    for (const auto& c : launcher.calls) {
        EXPECT_EQ(c.style, 1);
        EXPECT_FALSE(c.wait);
    }
}
INSTANTIATE_TEST_SUITE_P(TRPaths, StartLine,
                         ::testing::Values(StartCase{"/games/Tessarune", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/games/Tessarune/", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/games/Tessarune   ", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/my games/Tessarune", "\"/my games/Tessarune/Tessarune.exe\""}),
                         ([](const auto& p) {
                             const char* labels[] = {"plain", "trailing_separator", "trailing_blanks", "blank_inside"};
                             return p.index < std::size(labels) ? std::string(labels[p.index])
                                                                : "case_" + std::to_string(p.index);
                         }));

TEST(LaunchCommands, FolderCommandsQuoteTheStoredValueExactly) {
    fakes::FakeLauncher launcher;
    commands::mnuOpenArchiveFolder("/fridge/", launcher, 0);
    commands::mnuOpenFolder("/games/Tessarune", launcher, 0);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].line, commands::openFolderCommandLine("/fridge/"));
    EXPECT_EQ(launcher.calls[1].line, commands::openFolderCommandLine("/games/Tessarune"));
#if defined(_WIN32)
    EXPECT_EQ(launcher.calls[1].line, "explorer.exe \"/games/Tessarune\"");
#else
    EXPECT_EQ(launcher.calls[1].line, "\"/games/Tessarune\"");
#endif
}

TEST(LaunchCommands, WithoutSettingsTheStartCommandsNameNoFile) {
    fakes::FakeLauncher launcher;
    commands::mnuExecuteTessarune("", launcher, 0);
    commands::mnuOpenArchiveFolder("", launcher, 0);
    EXPECT_EQ(launcher.calls[0].line, native("\"/Tessarune.exe\""));
    EXPECT_EQ(launcher.calls[1].line, commands::openFolderCommandLine(""));
}

}  // namespace
