// The launch commands' command lines.
#include <gtest/gtest.h>

#include "QtFakes.h"
#include "inspect/LaunchCommands.h"

namespace {

struct StartCase {
    const char* trPath;
    const char* line;
};
class StartLine : public ::testing::TestWithParam<StartCase> {};
TEST_P(StartLine, HasOneSeparatorBeforeTheProgram) {
    fakes::FakeLauncher launcher;
    inspect::mnuExecuteTessarune(GetParam().trPath, launcher, 0);
    inspect::mnuExecuteTessaruneEditor(GetParam().trPath, launcher, 0);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].line, GetParam().line);
    EXPECT_EQ(launcher.calls[1].line,
              std::string(GetParam().line)
                  .replace(std::string(GetParam().line).find("Tessarune.exe"), 13, "TessaruneEditor.exe"));
    for (const auto& c : launcher.calls) {
        EXPECT_EQ(c.style, 1);
        EXPECT_FALSE(c.wait);
    }
}
INSTANTIATE_TEST_SUITE_P(TRPaths, StartLine,
                         ::testing::Values(StartCase{"/games/Tessarune", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/games/Tessarune/", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/games/Tessarune   ", "\"/games/Tessarune/Tessarune.exe\""},
                                           StartCase{"/my games/Tessarune", "\"/my games/Tessarune/Tessarune.exe\""}));

TEST(LaunchCommands, FolderCommandsQuoteTheStoredValueExactly) {
    fakes::FakeLauncher launcher;
    inspect::mnuOpenArchiveFolder("/fridge/", launcher, 0);
    inspect::mnuOpenFolder("/games/Tessarune", launcher, 0);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].line, inspect::openFolderCommandLine("/fridge/"));
    EXPECT_EQ(launcher.calls[1].line, inspect::openFolderCommandLine("/games/Tessarune"));
#if defined(_WIN32)
    EXPECT_EQ(launcher.calls[1].line, "explorer.exe \"/games/Tessarune\"");
#else
    EXPECT_EQ(launcher.calls[1].line, "\"/games/Tessarune\"");
#endif
}

TEST(LaunchCommands, WithoutSettingsTheStartCommandsNameNoFile) {
    fakes::FakeLauncher launcher;
    inspect::mnuExecuteTessarune("", launcher, 0);
    inspect::mnuOpenArchiveFolder("", launcher, 0);
    EXPECT_EQ(launcher.calls[0].line, "\"/Tessarune.exe\"");
    EXPECT_EQ(launcher.calls[1].line, inspect::openFolderCommandLine(""));
}

}  // namespace
