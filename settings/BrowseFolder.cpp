#include "settings/BrowseFolder.h"

namespace settings {

std::string SelectFolder(sysutil::Dialogs& dialogs, const std::string& title, const std::string& startFolder) {
    return CutAtNull(dialogs.selectFolder(title, startFolder));
}

std::string CutAtNull(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace settings
