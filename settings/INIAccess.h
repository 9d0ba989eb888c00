#pragma once
// One value of the settings file per call: every reader sees the file as it
// is now, and every writer leaves the rest of the file as it was.
#include <string>
#include <utility>
#include <vector>

#include "sysutil/Failure.h"

namespace settings {

inline constexpr const char* kIniFileName = "fzarc.ini";
inline constexpr const char* kSection = "FZARC Secound Edition";
inline constexpr const char* kKeyTRPath = "TRPath";
inline constexpr const char* kKeyArcPath = "ArcPath";
inline constexpr const char* kKeyExitRMNoFileDir = "ExitRMNoFileDir";

class INIAccess {
public:
    // アクセスするファイル名を指定します。(relative to the settings folder)
    std::string FileName;
    std::string Section;

    // The stored value, whole, or "" for a missing file, section or key.
    std::string GetINIData(const std::string& strSection, const std::string& strKey);
    // Several values of one section from one reading of the file, so that
    // they come from one save; "" for each one missing.
    std::vector<std::string> GetINIValues(const std::string& strSection, const std::vector<std::string>& keys);
    // Ok when the value was written; otherwise why, in Japanese, naming the
    // file (NoSpace when the disk is full, Refused for a value or a file the
    // store will not write, whatever the disk).
    sysutil::Failure SetINIData(const std::string& strSection, const std::string& strKey, const std::string& strData);
    // Several keys of one section in one write of the file: all of them, or
    // none (the file stays as it was).
    sysutil::Failure SetINIValues(const std::string& strSection,
                                  const std::vector<std::pair<std::string, std::string>>& values);

    // The full path of the file as the last access built it.
    const std::string& path() const { return iniPath_; }

private:
    bool BuildINIPath();
    sysutil::Failure WriteINIValues(const std::string& section,
                                    const std::vector<std::pair<std::string, std::string>>& values);
    bool takeSection(const std::string& strSection);

    std::string iniPath_;
};

// The conventional read: section "FZARC Secound Edition" of fzarc.ini.
std::string readSetting(const std::string& key);

}  // namespace settings
