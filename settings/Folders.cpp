#include "settings/Folders.h"

#include "settings/INIAccess.h"
#include "sysutil/PathRules.h"

namespace settings {

std::string cuttingBoardFolder(const std::string& trPath) {
    return sysutil::AddBackslash(trPath) + "Scenario" + sysutil::kSeparator + "FZARC_まな板" + sysutil::kSeparator;
}

Folders currentFolders() {
    INIAccess ini;
    ini.FileName = kIniFileName;
    const auto values = ini.GetINIValues(kSection, {kKeyTRPath, kKeyArcPath, kKeyExitRMNoFileDir});
    return {values[0], cuttingBoardFolder(values[0]), values[1], values[2] == "1"};
}

}  // namespace settings
