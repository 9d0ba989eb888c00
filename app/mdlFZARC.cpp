#include "app/mdlFZARC.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>

#include "app/AppInfo.h"
#include "settings/INIAccess.h"
#include "settings/frmSetting.h"
#include "sysutil/ErrorText.h"
#include "sysutil/PathRules.h"

namespace app {

std::string strUnLHAVer;

namespace {

using sysutil::MsgAnswer;
using sysutil::MsgButtons;
using sysutil::MsgIcon;

void settingsWarning(sysutil::Dialogs& dialogs, const std::string& firstLine) {
    dialogs.message({firstLine + "\r\n" + "初期起動か、ファイルがなくなった可能性があります。" + "\r\n" + "\r\n" +
                         "全てのチェックが終わった後初期設定画面を表示します。",
                     "INI設定エラー", MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
}

}  // namespace

bool configureApplication(QApplication& application) {
    QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    // Dates and numbers in Qt's own windows (the folder picker) as in Japan.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* japanese = new QTranslator(&application);
    if (!japanese->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete japanese;
        return false;
    }
    QApplication::installTranslator(japanese);
    return true;
}

bool prepareSettingsFolder(sysutil::Dialogs& dialogs, const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(sysutil::pathFromUtf8(folder), ec)) return true;
    std::filesystem::create_directories(sysutil::pathFromUtf8(folder), ec);
    if (!ec) return true;
    dialogs.message({"設定ファイルを置くフォルダを作れません。\r\n" + folder + "\r\n" + sysutil::describeError(ec), "",
                     MsgIcon::Critical, MsgButtons::Ok, MsgAnswer::Ok});
    return false;
}

bool folderSettingIsValid(const std::string& value) {
    return !value.empty() && sysutil::lookupExists(value, sysutil::LookupKind::FilesAndFolders);
}

std::string archiverVersionLine(int versionTimes100) {
    return "UNLHA32.DLL...Version. " +
           QLocale().toString(static_cast<double>(versionTimes100) / 100.0, 'f', 2).toStdString();
}

bool Main(sysutil::Dialogs& dialogs, archiver::Archiver& archiver) {
    for (;;) {
        bool settingsError = false;
        settings::INIAccess store;
        store.FileName = settings::kIniFileName;
        if (!folderSettingIsValid(store.GetINIData(settings::kSection, settings::kKeyTRPath))) {
            settingsWarning(dialogs, "Tessaruneインストール先 の設定が異常です。");
            settingsError = true;
        }
        if (!folderSettingIsValid(store.GetINIData(settings::kSection, settings::kKeyArcPath))) {
            settingsWarning(dialogs, "冷蔵庫フォルダのパス の設定が異常です。");
            settingsError = true;
        }
        if (!settingsError) break;
        settings::frmSetting form(dialogs);
        form.chkFirstRun->setChecked(true);
        form.setWindowTitle(QString::fromUtf8(kWindowCaption));
        dialogs.showModal(form);
        if (form.endProgramRequested()) return false;
    }
    if (const auto version = archiver.getVersion()) strUnLHAVer = archiverVersionLine(*version);
    if (strUnLHAVer.empty()) {
        dialogs.message(
            {"UNLHA32.DLLを検出できませんでした。", "DLL認識エラー", MsgIcon::Critical, MsgButtons::Ok, MsgAnswer::Ok});
        return false;
    }
    return true;
}

}  // namespace app
