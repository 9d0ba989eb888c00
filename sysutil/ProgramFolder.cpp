#include "sysutil/ProgramFolder.h"

#include <filesystem>
#include <fstream>
#include <mutex>

#include "sysutil/PathRules.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

std::mutex gMutex;
std::string gFolder;

bool folderIsWritable(const fs::path& folder) {
    // Asking the permission bits lies on network drives and under ACLs: try it.
    const fs::path probe = folder / ".fzarc-write-test";
    {
        std::ofstream f(probe, std::ios::binary);
        if (!f) return false;
    }
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

// An installed program (make install, the package) has its desktop entry in
// share/applications beside its bin folder. Its folder is the system's, not
// a place for one user's settings, even where it may be written (as root).
bool isInstalled(const fs::path& programFolder) {
    std::error_code ec;
    return fs::exists(programFolder.parent_path() / "share" / "applications" / "fzarc.desktop", ec);
}

}  // namespace

std::string executableFolder() {
#if defined(_WIN32)
    std::wstring buf(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    fs::path exe(buf);
#else
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) exe = fs::current_path() / "fzarc";
#endif
    return utf8FromPath(exe.parent_path());
}

std::string chooseSettingsFolder(const std::string& userFolder, const std::string& programFolder) {
    const fs::path dir = pathFromUtf8(programFolder);
    std::error_code ec;
    if (userFolder.empty() || fs::exists(dir / "fzarc.ini", ec)) return programFolder;
    if (isInstalled(dir) || !folderIsWritable(dir)) return userFolder;
    return programFolder;
}

std::string settingsFolder() {
    {
        std::lock_guard lock(gMutex);
        if (!gFolder.empty()) return gFolder;
    }
    return executableFolder();
}

void setSettingsFolder(const std::string& folder) {
    std::lock_guard lock(gMutex);
    gFolder = folder;
}

}  // namespace sysutil
