#include "settings/Folders.h"

#include "settings/INIAccess.h"
#include "sysutil/PathRules.h"

namespace settings {

std::string cuttingBoardFolder(const std::string& trPath) {
    return sysutil::AddBackslash(trPath) + "Scenario" + sysutil::kSeparator + "FZARC_まな板" + sysutil::kSeparator;
}

Folders currentFolders() {
    const std::string engine = readSetting(kKeyTRPath);
    return {engine, cuttingBoardFolder(engine), readSetting(kKeyArcPath)};
}

}  // namespace settings
