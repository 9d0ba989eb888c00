// The settings dialog, driven by keys and clicks: load, browse, OK, Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTextBoundaryFinder>

#include "Driver.h"
#include "QtFakes.h"
#include "settings/BrowseFolder.h"
#include "settings/SettingsCommands.h"
#include "settings/frmSetting.h"

namespace {

using settings::frmSetting;

TEST(SettingsForm, OpensEmptyAndTickedWithoutAFile) {
    fakes::SettingsSandbox sandbox;
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    EXPECT_EQ(form.windowTitle(), "設定");
    EXPECT_TRUE(form.txtTRPath->text().isEmpty());
    EXPECT_TRUE(form.txtArcPath->text().isEmpty());
    EXPECT_TRUE(form.chkRmNoFileFolder->isChecked());
    EXPECT_FALSE(form.chkFirstRun->isChecked());
    // The first-run box lies below the client area.
    EXPECT_GE(form.chkFirstRun->geometry().top(), form.height());
    EXPECT_EQ(form.lblTRFolder->buddy(), form.txtTRPath);
    EXPECT_EQ(form.lblArcPath->buddy(), form.txtArcPath);
    EXPECT_TRUE(form.cmdOK->isDefault());
}

struct RmCase {
    const char* stored;
    Qt::CheckState state;
    const char* saved;
};
class StoredCheckBox : public ::testing::TestWithParam<RmCase> {};
TEST_P(StoredCheckBox, LoadsAndSavesBack) {
    fakes::SettingsSandbox sandbox;
    if (*GetParam().stored) sandbox.set("ExitRMNoFileDir", GetParam().stored);
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    EXPECT_EQ(form.chkRmNoFileFolder->checkState(), GetParam().state);
    drive::press(QKeySequence("Alt+O"));
    settings::INIAccess ini;
    ini.FileName = "fzarc.ini";
    EXPECT_EQ(ini.GetINIData(settings::kSection, "ExitRMNoFileDir"), GetParam().saved);
}
INSTANTIATE_TEST_SUITE_P(Values, StoredCheckBox,
                         ::testing::Values(RmCase{"0", Qt::Unchecked, "0"}, RmCase{"1", Qt::Checked, "1"},
                                           RmCase{"", Qt::Checked, "1"}, RmCase{"garbage", Qt::Checked, "1"},
                                           RmCase{"7", Qt::Checked, "1"}, RmCase{" 0 ", Qt::Unchecked, "0"},
                                           RmCase{"2", Qt::PartiallyChecked, "2"}),
                         ([](const auto& p) {
                             const char* labels[] = {"unticked", "ticked",        "missing", "garbage",
                                                     "unknown",  "blanks_around", "greyed"};
                             return p.index < std::size(labels) ? std::string(labels[p.index])
                                                                : "case_" + std::to_string(p.index);
                         }));

TEST(SettingsForm, OkWritesTheThreeKeysInOrderUnchanged) {
    fakes::SettingsSandbox sandbox;
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    ASSERT_EQ(QApplication::focusWidget(), form.txtTRPath);
    drive::type("/games/表示 ");
    drive::press(QKeySequence("Alt+F"));  // the label's access key: to its text box
    drive::retype("");
    drive::press(QKeySequence("Alt+R"));  // the check box's: ticks it off
    drive::click(form.cmdOK);
    EXPECT_EQ(sandbox.iniBytes(),
              "[FZARC Secound Edition]\r\nTRPath=/games/表示 \r\nArcPath=\r\nExitRMNoFileDir=0\r\n");
    EXPECT_TRUE(dialogs.asked.empty());
}

// The message names the settings file's encoding in one piece: a message box
// never breaks "Shift-JIS" across two lines.
TEST(SettingsForm, ACharacterTheFileCannotHoldIsNamedWithItsEncodingOnOneLine) {
    fakes::SettingsSandbox sandbox;
    testsupport::writeFile(sandbox.dir.path() / "fzarc.ini", "[FZARC Secound Edition]\r\nTRPath=/\x95\x5c\r\n");
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    drive::retype("/games/遊び😀");
    drive::press(QKeySequence("Return"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    const QString text = QString::fromStdString(dialogs.asked[0].text);
    const qsizetype from = text.indexOf("Shift"), to = text.indexOf("JIS", from) + 3;
    ASSERT_GE(from, 0) << dialogs.asked[0].text;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    for (qsizetype at = from + 1; at < to; ++at) {
        breaks.setPosition(at);
        EXPECT_FALSE(breaks.isAtBoundary()) << "a line may break at " << (at - from) << " in " << dialogs.asked[0].text;
    }
}

TEST(SettingsForm, RefusedSaveIsReportedAndKeepsWhatWasTyped) {
    fakes::SettingsSandbox sandbox;
    sandbox.set("TRPath", "/old");
    const std::string before = sandbox.iniBytes();
    std::filesystem::permissions(sandbox.dir.path() / "fzarc.ini",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    drive::retype("/games/新しい場所");
    drive::press(QKeySequence("Return"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("設定を保存できませんでした。"), std::string::npos);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.txtTRPath->text(), "/games/新しい場所");
    EXPECT_EQ(sandbox.iniBytes(), before);
    // Saved elsewhere, the same values go through on the next OK.
    sysutil::setSettingsFolder(sandbox.dir.str("elsewhere"));
    std::filesystem::create_directories(sandbox.dir.path() / "elsewhere");
    drive::click(form.cmdOK);
    EXPECT_FALSE(form.isVisible());
    EXPECT_NE(testsupport::readFile(sandbox.dir.path() / "elsewhere" / "fzarc.ini").find("TRPath=/games/新しい場所"),
              std::string::npos);
}

TEST(SettingsForm, BrowseButtonsReplaceTheTextOnlyWhenAFolderIsChosen) {
    fakes::SettingsSandbox sandbox;
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    drive::type("before");
    dialogs.folders = {"/chosen/engine", ""};
    drive::press(QKeySequence("Alt+."));
    EXPECT_EQ(form.txtTRPath->text(), "/chosen/engine");
    drive::click(form.cmdTRPath);
    EXPECT_EQ(form.txtTRPath->text(), "/chosen/engine");
    dialogs.folders = {std::string("/fridge\0junk", 12)};
    drive::press(QKeySequence("Alt+,"));
    EXPECT_EQ(form.txtArcPath->text(), "/fridge");
    EXPECT_EQ(dialogs.folderTitles, (std::vector<std::string>{"Tessarune インストール先", "Tessarune インストール先",
                                                              "冷蔵庫フォルダのパス"}));
}

TEST(SettingsForm, EscDoesNothingAndCancelWritesNothing) {
    fakes::SettingsSandbox sandbox;
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    drive::press(QKeySequence("Escape"));
    EXPECT_TRUE(form.isVisible());
    drive::type("typed");
    drive::click(form.cmdCancel);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.endProgramRequested());
    EXPECT_FALSE(sandbox.iniExists());
}

TEST(SettingsForm, EnterInATextBoxPressesOk) {
    fakes::SettingsSandbox sandbox;
    fakes::FakeDialogs dialogs;
    frmSetting form(dialogs);
    drive::bringUp(form);
    drive::type("/by/enter");
    drive::press(QKeySequence("Return"));
    EXPECT_NE(sandbox.iniBytes().find("TRPath=/by/enter"), std::string::npos);
}

TEST(BrowseFolder, CutAtNull) {
    EXPECT_EQ(settings::CutAtNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(settings::CutAtNull("whole"), "whole");
    EXPECT_EQ(settings::CutAtNull(""), "");
}

TEST(SettingsCommands, TemporaryFolderComesFromThePicker) {
    fakes::FakeDialogs dialogs;
    EXPECT_FALSE(settings::mnuChangeArcFolder(dialogs, ""));
    dialogs.folders = {"/elsewhere"};
    EXPECT_EQ(settings::mnuChangeArcFolder(dialogs, ""), "/elsewhere");
    EXPECT_EQ(dialogs.folderTitles.back(), "冷蔵庫フォルダ変更(一時的用)");
}

}  // namespace
