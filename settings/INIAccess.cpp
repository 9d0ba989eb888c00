#include "settings/INIAccess.h"

#include <filesystem>
#include <fstream>

#include "settings/ProfileFile.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "sysutil/StagedFile.h"
#include "sysutil/TextCodec.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace settings {
namespace fs = std::filesystem;
namespace {

enum class ReadResult { Ok, Missing, Failed };

// `why` says what stopped a read that failed.
ReadResult readWhole(const fs::path& path, std::string& bytes, std::error_code& why) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return ReadResult::Missing;
    if (!fs::is_regular_file(path, ec)) {
        std::error_code none;
        why = ec                             ? ec
              : fs::is_directory(path, none) ? std::make_error_code(std::errc::is_a_directory)
                                             : std::make_error_code(std::errc::invalid_argument);
        return ReadResult::Failed;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in && !in.bad()) return ReadResult::Ok;
    why = std::error_code(errno ? errno : EIO, std::generic_category());
    return ReadResult::Failed;
}

// A file the user made read-only stays as it is, as Windows' own profile
// functions leave it; replacing it would otherwise succeed through its folder.
bool isWriteProtected(const fs::path& path) {
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
#else
    std::error_code ec;
    const auto perms = fs::status(path, ec).permissions();
    if (ec) return false;
    return (perms & fs::perms::owner_write) == fs::perms::none || ::access(path.c_str(), W_OK) != 0;
#endif
}

// Writes in a work folder beside the target, flushes, then renames over it:
// a crash or a full disk leaves either the old file or the new one, never a
// truncated one, and a killed run's work folder goes at the next start.
std::error_code replaceAtomically(const fs::path& target, const std::string& bytes) {
    // A killed run's folder is tidied only while it holds nothing but what
    // a settings save makes (sysutil/WorkFolder.cpp): the file by its name.
    sysutil::StagedFile staged;
    if (const auto ec = staged.createBeside(target, sysutil::kWorkSettings, target.filename())) return ec;
    if (const auto ec = staged.write(bytes.data(), bytes.size())) return ec;
    if (const auto ec = staged.flush()) return ec;
    // The new file keeps the old one's mode: a file kept private stays so.
    std::error_code none;
    if (const auto old = fs::status(target, none); !none) fs::permissions(staged.path(), old.permissions(), none);
    return staged.publish(target, sysutil::Publish::Replacing);
}

sysutil::Failure refused(std::string why) {
    return sysutil::Failure::of(sysutil::FailureKind::Refused, std::move(why));
}

}  // namespace

bool INIAccess::takeSection(const std::string& strSection) {
    if (!strSection.empty()) Section = strSection;
    return !Section.empty();
}

std::string INIAccess::GetINIData(const std::string& strSection, const std::string& strKey) {
    return GetINIValues(strSection, {strKey})[0];
}

std::vector<std::string> INIAccess::GetINIValues(const std::string& strSection, const std::vector<std::string>& keys) {
    std::vector<std::string> values(keys.size());
    if (!takeSection(strSection) || !BuildINIPath()) return values;
    std::string bytes;
    std::error_code ignored;  // a setting that cannot be read reads as missing
    if (readWhole(sysutil::pathFromUtf8(iniPath_), bytes, ignored) != ReadResult::Ok) return values;
    const ProfileFile file = ProfileFile::fromBytes(std::move(bytes));
    for (std::size_t i = 0; i < keys.size(); ++i) values[i] = file.value(Section, keys[i]).value_or("");
    return values;
}

sysutil::Failure INIAccess::SetINIData(const std::string& strSection, const std::string& strKey,
                                       const std::string& strData) {
    return SetINIValues(strSection, {{strKey, strData}});
}

sysutil::Failure INIAccess::SetINIValues(const std::string& strSection,
                                         const std::vector<std::pair<std::string, std::string>>& values) {
    if (!takeSection(strSection) || !BuildINIPath()) return refused("設定ファイルの名前がありません。");
    return WriteINIValues(Section, values);
}

bool INIAccess::BuildINIPath() {
    const std::string folder = sysutil::settingsFolder();
    iniPath_ = (!folder.empty() && folder.back() == sysutil::kSeparator) ? folder + FileName
                                                                         : folder + sysutil::kSeparator + FileName;
    return !FileName.empty();
}

sysutil::Failure INIAccess::WriteINIValues(const std::string& section,
                                           const std::vector<std::pair<std::string, std::string>>& values) {
    // A link is kept: the file it points to is the one rewritten.
    fs::path path = sysutil::pathFromUtf8(iniPath_);
    if (std::error_code ec; fs::is_symlink(path, ec)) {
        path = fs::weakly_canonical(path, ec);
        if (ec) return sysutil::Failure::reading("設定ファイルのリンク先をたどれません: " + iniPath_, ec);
    }
    std::string bytes;
    ProfileFile file;
    std::error_code why;
    switch (readWhole(path, bytes, why)) {
        case ReadResult::Failed:  // never replace a file we could not read
            return sysutil::Failure::reading("設定ファイルを読み込めません: " + iniPath_, why);
        case ReadResult::Ok:
            if (isWriteProtected(path)) return refused("設定ファイルが書き込み禁止になっています: " + iniPath_);
            file = ProfileFile::fromBytes(std::move(bytes));
            break;
        case ReadResult::Missing:
            break;
    }
    for (const auto& [key, value] : values) {
        if (file.setValue(section, key, value)) continue;
        if (value.find_first_of("\r\n") != std::string::npos) return refused("改行を含む値は保存できません。");
        if (file.encoding() == ProfileEncoding::Cp932 && !sysutil::utf8ToCp932(value))
            return refused("「" + value + "」には、設定ファイルの文字コード（Shift‑JIS）にない文字があります。");
        return refused("この値は保存できません: " + key);
    }
    if (const auto ec = replaceAtomically(path, file.bytes()))
        return sysutil::Failure::writing("設定ファイルを書き込めません: " + iniPath_, ec);
    return {};
}

std::string readSetting(const std::string& key) {
    INIAccess ini;
    ini.FileName = kIniFileName;
    return ini.GetINIData(kSection, key);
}

}  // namespace settings
