#pragma once
// One value of the settings file per call: every reader sees the file as it
// is now, and every writer leaves the rest of the file as it was.
#include <string>

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

    // The stored value, or "" for a missing file, section or key; at most 255 bytes
    // as the file stores them.
    std::string GetINIData(const std::string& strSection, const std::string& strKey);
    // True when the value was written.
    bool SetINIData(const std::string& strSection, const std::string& strKey, const std::string& strData);

    // The full path of the file as the last access built it.
    const std::string& path() const { return iniPath_; }

    static constexpr std::size_t kMaxValueBytes = 255;

private:
    bool BuildINIPath();
    bool WriteINIString(const std::string& section, const std::string& key, const std::string& value);
    std::string ReadINIString(const std::string& section, const std::string& key);
    bool takeSection(const std::string& strSection);

    std::string iniPath_;
};

// The conventional read: section "FZARC Secound Edition" of fzarc.ini.
std::string readSetting(const std::string& key);

}  // namespace settings
