#include "settings/INIAccess.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "settings/ProfileFile.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "sysutil/TextCodec.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace settings {
namespace fs = std::filesystem;
namespace {

enum class ReadResult { Ok, Missing, Failed };

ReadResult readWhole(const fs::path& path, std::string& bytes) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return ReadResult::Missing;
    if (!fs::is_regular_file(path, ec)) return ReadResult::Failed;
    std::ifstream in(path, std::ios::binary);
    if (!in) return ReadResult::Failed;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? ReadResult::Failed : ReadResult::Ok;
}

// The first `limit` bytes of `value` in the file's encoding, never cutting a character.
std::string cutToBytes(const std::string& utf8, ProfileEncoding enc, std::size_t limit) {
    const std::string stored = enc == ProfileEncoding::Utf8 ? utf8 : sysutil::utf8ToCp932(utf8).value_or(utf8);
    if (stored.size() <= limit) return utf8;
    std::size_t cut = 0;
    if (enc == ProfileEncoding::Utf8) {
        cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(stored[cut]) & 0xC0) == 0x80) --cut;
        return stored.substr(0, cut);
    }
    while (cut < limit) {
        const auto c = static_cast<unsigned char>(stored[cut]);
        const std::size_t len = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
        if (cut + len > limit) break;
        cut += len;
    }
    return sysutil::cp932ToUtf8Lossy(stored.substr(0, cut));
}

// Writes beside the target, then renames over it: a crash or a full disk
// leaves either the old file or the new one, never a truncated one.
bool replaceAtomically(const fs::path& target, const std::string& bytes) {
    std::random_device rd;
    const fs::path tmp = target.parent_path() / (target.filename().string() + ".tmp" + std::to_string(rd() % 1000000));
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
#if !defined(_WIN32)
    if (int fd = ::open(tmp.c_str(), O_RDONLY); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
    std::error_code ec;
    fs::rename(tmp, target, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

bool INIAccess::takeSection(const std::string& strSection) {
    if (!strSection.empty()) Section = strSection;
    return !Section.empty();
}

std::string INIAccess::GetINIData(const std::string& strSection, const std::string& strKey) {
    if (!takeSection(strSection)) return {};
    if (!BuildINIPath()) return {};
    return ReadINIString(Section, strKey);
}

bool INIAccess::SetINIData(const std::string& strSection, const std::string& strKey, const std::string& strData) {
    if (!takeSection(strSection)) return false;
    if (!BuildINIPath()) return false;
    return WriteINIString(Section, strKey, strData);
}

bool INIAccess::BuildINIPath() {
    const std::string folder = sysutil::settingsFolder();
    iniPath_ = (!folder.empty() && folder.back() == sysutil::kSeparator) ? folder + FileName
                                                                         : folder + sysutil::kSeparator + FileName;
    return !FileName.empty();
}

std::string INIAccess::ReadINIString(const std::string& section, const std::string& key) {
    std::string bytes;
    if (readWhole(sysutil::pathFromUtf8(iniPath_), bytes) != ReadResult::Ok) return {};
    const ProfileFile file = ProfileFile::fromBytes(std::move(bytes));
    const auto v = file.value(section, key);
    if (!v) return {};
    return cutToBytes(*v, file.encoding(), kMaxValueBytes);
}

bool INIAccess::WriteINIString(const std::string& section, const std::string& key, const std::string& value) {
    const fs::path path = sysutil::pathFromUtf8(iniPath_);
    std::string bytes;
    ProfileFile file;
    switch (readWhole(path, bytes)) {
        case ReadResult::Failed:
            return false;  // never replace a file we could not read
        case ReadResult::Ok:
            file = ProfileFile::fromBytes(std::move(bytes));
            break;
        case ReadResult::Missing:
            break;
    }
    if (!file.setValue(section, key, value)) return false;
    return replaceAtomically(path, file.bytes());
}

std::string readSetting(const std::string& key) {
    INIAccess ini;
    ini.FileName = kIniFileName;
    return ini.GetINIData(kSection, key);
}

}  // namespace settings
