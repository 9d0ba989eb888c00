// The engine started from the menu, through Wine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>

#include "Driver.h"
#include "Workspace.h"
#include "app/frmFzarc.h"
#include "ui/cExecute.h"

namespace fs = std::filesystem;

namespace {

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

// The engine is a Windows program: Wine runs it in the engine's folder,
// found as `wine` or `wine64` on PATH or as the loader in Wine's own folder;
// without Wine the user is told it is needed, and a busy cursor shows while
// Wine starts.
struct WineCase {
    const char* label;
    const char* onPath;  // the name Wine has on PATH, "" for none
    bool loader;         // Wine's loader in its library folder
};
class EngineStart : public ::testing::TestWithParam<WineCase> {};
TEST_P(EngineStart, FromTheMenu) {
    const WineCase c = GetParam();
    fakes::Workspace ws;
    const fs::path engine = ws.root.path() / testsupport::u8("Tessa rune 本体");
    const fs::path record = ws.root.path() / "record";
    const fs::path exe = engine / "Tessarune.exe";
    recorder(exe, record);  // were it run without Wine, it would say so
    fs::create_directories(engine / "Scenario");
    fs::create_directories(ws.root.path() / "bin");
    fs::path wine;
    if (*c.onPath) wine = ws.root.path() / "bin" / c.onPath;
    if (c.loader) wine = ws.root.path() / "lib" / "wine" / "wine64";
    if (!wine.empty()) recorder(wine, record);
    ws.sandbox.set("TRPath", sysutil::utf8FromPath(engine));
    PathForTheTest path(ws.root.str("bin"));
    fakes::FakeDialogs dialogs;
    archiver::Unlha32Archiver archiver;
    ui::cExecute launcher;
    launcher.wineLoaders = {ws.root.str("lib/wine/wine"), ws.root.str("lib/wine/wine64")};
    fakes::FakeTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    window.Form_Load();
    drive::bringUp(window);
    drive::press(QKeySequence("Alt+F, E, C"));
    if (wine.empty()) {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_NE(dialogs.asked[0].text.find("Wine が必要です"), std::string::npos) << dialogs.asked[0].text;
        QTest::qWait(300);
        EXPECT_FALSE(fs::exists(record));
        return;
    }
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(record); }, 10000)) << "nothing ran";
    EXPECT_EQ(testsupport::readFile(record), sysutil::utf8FromPath(fs::canonical(engine)) + "\n" +
                                                 sysutil::utf8FromPath(wine) + "\n" + sysutil::utf8FromPath(exe) +
                                                 "\n");
    EXPECT_TRUE(dialogs.asked.empty());
}
INSTANTIATE_TEST_SUITE_P(Wine, EngineStart,
                         ::testing::Values(WineCase{"wine", "wine", false}, WineCase{"wine64", "wine64", false},
                                           WineCase{"loader", "", true}, WineCase{"none", "", false}),
                         [](const auto& p) { return std::string(p.param.label); });
#endif

}  // namespace
