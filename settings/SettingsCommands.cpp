#include "settings/SettingsCommands.h"

#include "settings/BrowseFolder.h"
#include "settings/INIAccess.h"
#include "settings/frmSetting.h"

namespace settings {

std::string mnuSetting(sysutil::Dialogs& dialogs, QWidget* owner) {
    {
        frmSetting form(dialogs, owner);
        dialogs.showModal(form);
    }
    return readSetting(kKeyArcPath);
}

std::optional<std::string> mnuChangeArcFolder(sysutil::Dialogs& dialogs, const std::string& shown) {
    const std::string folder = SelectFolder(dialogs, "冷蔵庫フォルダ変更(一時的用)", shown);
    if (folder.empty()) return std::nullopt;
    return folder;
}

}  // namespace settings
