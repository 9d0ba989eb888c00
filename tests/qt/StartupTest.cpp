// The start-up loop driven through the fake dialogs; the settings dialog is
// filled in by keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>

#include "Driver.h"
#include "QtFakes.h"
#include "app/mdlFZARC.h"
#include "settings/frmSetting.h"

namespace {

using fakes::FakeArchiver;
using fakes::FakeDialogs;
using sysutil::MsgIcon;

const std::string kEngineWarning =
    "Tessaruneインストール先 の設定が異常です。\r\n初期起動か、ファイルがなくなった可能性があります。\r\n\r\n"
    "全てのチェックが終わった後初期設定画面を表示します。";
const std::string kFridgeWarning =
    "冷蔵庫フォルダのパス の設定が異常です。\r\n初期起動か、ファイルがなくなった可能性があります。\r\n\r\n"
    "全てのチェックが終わった後初期設定画面を表示します。";

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        app::strUnLHAVer.clear();
        std::filesystem::create_directories(folders.path() / "engine");
        std::filesystem::create_directories(folders.path() / "fridge");
    }
    // The user fills in both folders: the install folder's box has the
    // focus, Alt+F leads to the fridge's; Enter presses OK.
    void fill(settings::frmSetting& form) {
        ASSERT_EQ(QApplication::focusWidget(), form.txtTRPath);
        drive::retype(QString::fromStdString(folders.str("engine")));
        drive::press(QKeySequence("Alt+F"));
        drive::retype(QString::fromStdString(folders.str("fridge")));
    }
    std::function<int(sysutil::ModalForm&)> fillAndOk() {
        return drive::whenShown([this](QWidget& window) {
            auto& form = dynamic_cast<settings::frmSetting&>(window);
            titles.push_back(form.windowTitle().toStdString());
            firstRun.push_back(form.chkFirstRun->isChecked());
            fill(form);
            drive::press(QKeySequence("Return"));
        });
    }
    fakes::SettingsSandbox sandbox;
    testsupport::TempDir folders;
    FakeDialogs dialogs;
    FakeArchiver archiver;
    std::vector<std::string> titles;
    std::vector<bool> firstRun;
};

TEST_F(Startup, FirstStartWarnsTwiceThenOpensTheFirstRunDialog) {
    dialogs.onModal = fillAndOk();
    EXPECT_TRUE(app::Main(dialogs, archiver));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{kEngineWarning, kFridgeWarning}));
    for (const auto& a : dialogs.asked) {
        EXPECT_EQ(a.caption, "INI設定エラー");
        EXPECT_EQ(a.icon, MsgIcon::Exclamation);
        EXPECT_EQ(a.buttons, sysutil::MsgButtons::Ok);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Tessarune scenario freezer for LZH"}));
    EXPECT_EQ(firstRun, (std::vector<bool>{true}));
    EXPECT_EQ(app::strUnLHAVer, "UNLHA32.DLL...Version. 1.93");
}

TEST_F(Startup, OnlyTheFridgeWrongGivesOneWarning) {
    sandbox.set("TRPath", folders.str("engine"));
    sandbox.set("ArcPath", folders.str("gone"));
    dialogs.onModal = fillAndOk();
    EXPECT_TRUE(app::Main(dialogs, archiver));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{kFridgeWarning}));
}

TEST_F(Startup, CloseBoxBringsTheSameWarningsAndTheDialogBack) {
    int shown = 0;
    dialogs.onModal = [&](sysutil::ModalForm& f) {
        if (++shown < 3) return 0;  // closed by its close box: nothing stored
        return fillAndOk()(f);
    };
    EXPECT_TRUE(app::Main(dialogs, archiver));
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(dialogs.asked.size(), 6u);
}

TEST_F(Startup, CancelEndsTheProgramAndWritesNothing) {
    dialogs.onModal = drive::whenShown([](QWidget& form) {
        drive::type("/typed/but/cancelled");
        drive::click(dynamic_cast<settings::frmSetting&>(form).cmdCancel);
    });
    EXPECT_FALSE(app::Main(dialogs, archiver));
    EXPECT_FALSE(sandbox.iniExists());
    sandbox.set("TRPath", "keep");
    const auto before = sandbox.iniBytes();
    EXPECT_FALSE(app::Main(dialogs, archiver));
    EXPECT_EQ(sandbox.iniBytes(), before);
}

TEST_F(Startup, ArchiverFailingWithGoodSettingsShowsOnlyItsError) {
    sandbox.set("TRPath", folders.str("engine"));
    sandbox.set("ArcPath", folders.str("fridge"));
    archiver.version.reset();
    EXPECT_FALSE(app::Main(dialogs, archiver));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "UNLHA32.DLLを検出できませんでした。");
    EXPECT_EQ(dialogs.asked[0].caption, "DLL認識エラー");
    EXPECT_EQ(dialogs.asked[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.modalShown, 0);
}

TEST_F(Startup, WithBadSettingsTheSettingsLoopComesBeforeTheArchiver) {
    archiver.version.reset();
    dialogs.onModal = fillAndOk();
    EXPECT_FALSE(app::Main(dialogs, archiver));
    EXPECT_EQ(dialogs.texts().back(), "UNLHA32.DLLを検出できませんでした。");
    EXPECT_EQ(dialogs.modalShown, 1);
}

TEST(FolderSetting, ValidityFollowsTheLookupRules) {
    testsupport::TempDir d;
    testsupport::writeFile(d.path() / "file.txt", "x");
    std::filesystem::create_directories(d.path() / ".hidden");
    std::filesystem::create_directories(d.path() / "empty");
    EXPECT_TRUE(app::folderSettingIsValid(d.str("file.txt")));
    EXPECT_FALSE(app::folderSettingIsValid(d.str(".hidden")));
    EXPECT_TRUE(app::folderSettingIsValid(d.str("fil*")));
    EXPECT_TRUE(app::folderSettingIsValid(d.str("empty") + "/"));
    EXPECT_FALSE(app::folderSettingIsValid(""));
    EXPECT_FALSE(app::folderSettingIsValid(d.str("empty") + " "));  // used exactly as read, blanks too
    EXPECT_FALSE(app::folderSettingIsValid(std::string("/bad\0name", 9)));
}

TEST(VersionLine, HasTwoDecimals) {
    EXPECT_EQ(app::archiverVersionLine(193), "UNLHA32.DLL...Version. 1.93");
    EXPECT_EQ(app::archiverVersionLine(5), "UNLHA32.DLL...Version. 0.05");
    EXPECT_EQ(app::archiverVersionLine(1234), "UNLHA32.DLL...Version. 12.34");
}

TEST_F(Startup, ASettingsFolderThatCannotBeMadeEndsWithAMessage) {
    testsupport::writeFile(folders.path() / "file", "a file where a folder should go");
    EXPECT_TRUE(app::prepareSettingsFolder(dialogs, folders.str("made/here")));
    EXPECT_TRUE(std::filesystem::is_directory(folders.path() / "made" / "here"));
    EXPECT_FALSE(app::prepareSettingsFolder(dialogs, folders.str("file/config")));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(dialogs.asked[0].text.starts_with("設定ファイルを置くフォルダを作れません。")) << dialogs.asked[0].text;
}

TEST_F(Startup, ARefusedSaveSaysWhyAndTheLoopGoesOn) {
    testsupport::writeFile(sandbox.dir.path() / "fzarc.ini", "[FZARC Secound Edition]\r\nTRPath=\r\n");
    std::filesystem::permissions(sandbox.dir.path() / "fzarc.ini", std::filesystem::perms::owner_read);
    int opened = 0;
    dialogs.onModal = drive::whenShown([&](QWidget& window) {
        auto& form = dynamic_cast<settings::frmSetting&>(window);
        if (++opened == 2) return drive::click(form.cmdCancel);  // the user cancels the second round
        fill(form);
        drive::click(form.cmdOK);
    });
    EXPECT_FALSE(app::Main(dialogs, archiver));
    EXPECT_EQ(opened, 2);
    const auto texts = dialogs.texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.starts_with("設定を保存できませんでした。\r\n設定ファイルが書き込み禁止になっています");
    }));
    std::filesystem::permissions(sandbox.dir.path() / "fzarc.ini", std::filesystem::perms::owner_all);
}

}  // namespace
