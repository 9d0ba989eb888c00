#include "sysutil/FileAccessDOS.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <vector>

#include "sysutil/PathRules.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sysutil {
namespace fs = std::filesystem;
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

// A link or a junction: something to remove as itself, never to walk into.
bool isLink(const fs::directory_entry& e) {
    std::error_code ec;
    if (e.is_symlink(ec)) return true;
#if defined(_WIN32)
    const DWORD attr = GetFileAttributesW(e.path().c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    return false;
#endif
}

void collectFolders(const fs::path& folder, std::vector<std::string>& out) {
    std::error_code ec;
    std::vector<fs::directory_entry> subfolders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (it->is_directory(ec2)) subfolders.push_back(*it);
    }
    std::sort(subfolders.begin(), subfolders.end(), [](const auto& a, const auto& b) {
        return utf8FromPath(a.path().filename()) < utf8FromPath(b.path().filename());
    });
    for (const auto& sub : subfolders) {
        out.push_back(utf8FromPath(sub.path()));
        // A linked folder is listed, but what lies behind the link is not ours.
        if (!isLink(sub)) collectFolders(sub.path(), out);
    }
}

bool removeEntry(const fs::path& p) {
    std::error_code ec;
#if defined(_WIN32)
    // Read-only files refuse deletion until the attribute goes.
    const DWORD attr = GetFileAttributesW(p.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(p.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
#endif
    fs::remove(p, ec);
    return !ec;
}

bool removeContents(const fs::path& folder) {
    bool ok = true;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) ok = false;
    for (const auto& e : entries) {
        std::error_code ec2;
        if (!isLink(e) && e.is_directory(ec2)) ok = removeContents(e.path()) && ok;
        ok = removeEntry(e.path()) && ok;
    }
    return ok;
}

// True when the folder ended up empty and was removed.
bool pruneEmpty(const fs::path& folder) {
    std::error_code ec;
    bool empty = true;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!isLink(*it) && it->is_directory(ec2)) {
            if (!pruneEmpty(it->path())) empty = false;
        } else {
            empty = false;  // a file, or a link: something to keep
        }
    }
    if (ec || !empty) return false;
    fs::remove(folder, ec);
    return !ec;
}

}  // namespace

void removeEmptyFolders(const std::string& root) {
    const fs::path top = pathFromUtf8(root);
    std::error_code ec;
    for (fs::directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!isLink(*it) && it->is_directory(ec2)) pruneEmpty(it->path());
    }
}

std::string listSubfolders(const std::string& folder) {
    std::vector<std::string> all;
    collectFolders(pathFromUtf8(folder), all);
    std::string joined;
    for (const auto& f : all) {
        if (!joined.empty()) joined += '|';
        joined += f;
    }
    return joined;
}

bool removeTree(const std::string& folder) {
    const fs::path root = pathFromUtf8(folder);
    std::error_code ec;
    const auto st = fs::symlink_status(root, ec);
    if (ec || !fs::exists(st)) return true;
    if (fs::is_symlink(st)) return removeEntry(root);
    const bool contents = removeContents(root);
    return removeEntry(root) && contents;
}

FileAccessDOS::FileAccessDOS(Dialogs* dialogs, EventPump pump) : dialogs_(dialogs), pump_(std::move(pump)) {}

void FileAccessDOS::waitFor(const std::function<void()>& work) {
    if (!pump_) {
        work();
        return;
    }
    auto done = std::async(std::launch::async, work);
    while (done.wait_for(kPollInterval) != std::future_status::ready) pump_();
    pump_();
    done.get();
}

std::string FileAccessDOS::SerchSubDirectory(const std::string& TargetDirectory) {
    std::string result;
    waitFor([&] { result = listSubfolders(TargetDirectory); });
    return result;
}

void FileAccessDOS::DelTree(const std::string& TargetDirectory, bool NoMsg) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(pathFromUtf8(TargetDirectory), ec))) return;
    if (!NoMsg && dialogs_) {
        const MessageRequest ask{"本当によろしいですか？", "", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
        if (dialogs_->message(ask) != MsgAnswer::Yes) return;
    }
    waitFor([&] { removeTree(TargetDirectory); });
}

}  // namespace sysutil
