// The launch commands' command lines, and the engine started from the menu.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdlib>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"
#include "inspect/LaunchCommands.h"
#include "ui/cExecute.h"

namespace fs = std::filesystem;

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
                                           StartCase{"/my games/Tessarune", "\"/my games/Tessarune/Tessarune.exe\""}),
                         ([](const auto& p) {
                             const char* labels[] = {"plain", "trailing_separator", "trailing_blanks", "blank_inside"};
                             return p.index < std::size(labels) ? std::string(labels[p.index])
                                                                : "case_" + std::to_string(p.index);
                         }));

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

#if !defined(_WIN32)
// PATH as a test wants it, and as it was afterwards.
class PathForTheTest {
public:
    explicit PathForTheTest(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        setenv("PATH", path.c_str(), 1);
    }
    ~PathForTheTest() { setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

// A script that writes the folder it runs in and its arguments, one a line.
void recorder(const fs::path& script, const fs::path& record) {
    testsupport::writeFile(
        script, "#!/bin/sh\n{ pwd -P; for a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + record.string() +
                    ".part' && /bin/mv '" + record.string() + ".part' '" + record.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
}

// The engine is a Windows program: with Wine on PATH it runs through Wine, in
// the engine's folder; without, the launcher starts it as it always did.
class EngineStart : public ::testing::TestWithParam<bool> {};
TEST_P(EngineStart, FromTheMenu) {
    const bool withWine = GetParam();
    fakes::Workspace ws;
    const fs::path engine = ws.root.path() / testsupport::u8("Tessa rune 本体");
    const fs::path record = ws.root.path() / "record";
    const fs::path exe = engine / "Tessarune.exe";
    if (withWine) {
        testsupport::writeFile(exe, "MZ");
        recorder(ws.root.path() / "bin" / "wine", record);
    } else {
        recorder(exe, record);  // whatever runs it, it says so
        fs::create_directories(ws.root.path() / "bin");
    }
    ws.sandbox.set("TRPath", sysutil::utf8FromPath(engine));
    PathForTheTest path(ws.root.str("bin"));
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    ui::cExecute launcher;
    fakes::FakeTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    window.Form_Load();
    drive::bringUp(window);
    drive::press(QKeySequence("Alt+F, E, C"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(record); }, 10000)) << "nothing ran";
    const std::string lines = testsupport::readFile(record);
    const std::string exePath = sysutil::utf8FromPath(exe);
    if (withWine)
        EXPECT_EQ(lines, sysutil::utf8FromPath(fs::canonical(engine)) + "\n" + ws.root.str("bin/wine") + "\n" +
                             exePath + "\n");
    else
        EXPECT_EQ(lines.substr(lines.find('\n') + 1), exePath + "\n");
}
INSTANTIATE_TEST_SUITE_P(Wine, EngineStart, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "ThroughWine" : "WithoutWine"; });
#endif

}  // namespace
