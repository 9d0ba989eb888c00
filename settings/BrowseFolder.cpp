#include "settings/BrowseFolder.h"

namespace settings {

std::string SelectFolder(sysutil::Dialogs& dialogs, const std::string& title) {
    return CutAtNull(dialogs.selectFolder(title));
}

std::string CutAtNull(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace settings
