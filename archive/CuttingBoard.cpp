#include "archive/CuttingBoard.h"

#include <filesystem>
#include <functional>
#include <set>
#include <string_view>

#include "archive/WorkFolders.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;
namespace {

// Whether the folder is a scenario, or might be: anything named like the
// summary file, hidden or not, keeps it.
bool holdsSummary(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (sysutil::sameName(sysutil::utf8FromPath(it->path().filename()), kSummaryFile)) return true;
    return bool(ec);  // a folder we cannot read is left alone
}

// True when the folder held nothing but empty folders and is gone.
bool pruneEmpty(const fs::path& folder) {
    // Another running FZARC's work folder: the empty folders of a scenario
    // it is still extracting are the scenario's.
    if (sysutil::workFolderOwner(sysutil::utf8FromPath(folder.filename())) || holdsSummary(folder)) return false;
    std::error_code ec;
    bool empty = true;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        // Another file system mounted below the board is not the board's to tidy.
        if (sysutil::isLink(*it) || !it->is_directory(ec2) || sysutil::isMountedOn(it->path()) ||
            !pruneEmpty(it->path()))
            empty = false;
    }
    if (ec || !empty) return false;
    fs::remove(folder, ec);
    return !ec;
}

}  // namespace

namespace {

bool isScenario(const std::string& folder) {
    return sysutil::lookupExists(folder, sysutil::LookupKind::FilesAndFolders) &&
           sysutil::lookupExists(sysutil::AddBackslash(folder) + kSummaryFile, sysutil::LookupKind::OrdinaryFiles);
}

}  // namespace

std::vector<std::string> scenariosAmong(const std::vector<std::string>& folders) {
    std::vector<std::string> out;
    for (const auto& f : folders)
        if (isScenario(f)) out.push_back(f);
    return out;
}

std::vector<std::string> scenariosAmong(const sysutil::Subfolders& listing) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < listing.paths.size(); ++i)
        if ((i >= listing.mayHoldNoted.size() || listing.mayHoldNoted[i]) && isScenario(listing.paths[i]))
            out.push_back(listing.paths[i]);
    return out;
}

sysutil::Subfolders listBoard(const std::string& board) {
    return sysutil::listSubfolders(board, kSummaryFile);
}

void tidyAtStart(const std::string& fridge, const std::string& board, const std::string& settingsFolder,
                 sysutil::Trash* trash) {
    for (const auto& folder : {fridge, settingsFolder, board})
        if (!folder.empty()) removeLeftovers(sysutil::pathFromUtf8(folder), trash);
    if (board.empty()) return;
    std::error_code ec;
    for (fs::directory_iterator it(sysutil::pathFromUtf8(board), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!sysutil::isLink(*it) && it->is_directory(ec2)) removeLeftovers(it->path(), trash);
    }
}

std::vector<std::string> foldersToWatch(const std::string& board, const std::vector<std::string>& folders,
                                        const std::vector<std::string>& scenarios, std::size_t limit) {
    // Looked up by every leading part of each folder's path: no path objects
    // for the thousands of folders of a board.
    const std::set<std::string, std::less<>> isScenario(scenarios.begin(), scenarios.end());
    const fs::path top = sysutil::pathFromUtf8(board).parent_path();  // the board less its trailing separator
    std::vector<std::string> out;
    if (limit > 0) out.push_back(sysutil::utf8FromPath(top));
    for (const auto& f : folders) {
        if (out.size() >= limit) break;
        bool inside = false;
        // Each folder above f (a scenario is never the board or above it), a
        // run of separators cut as the path's parent would cut it.
        for (std::size_t i = 1; i < f.size() && !inside; ++i)
            if (sysutil::isSeparator(f[i]) && !sysutil::isSeparator(f[i - 1]))
                inside = isScenario.find(std::string_view(f).substr(0, i)) != isScenario.end();
        if (!inside) out.push_back(f);
    }
    return out;
}

void removeEmptyFoldersOutsideScenarios(const std::string& board) {
    std::error_code ec;
    for (fs::directory_iterator it(sysutil::pathFromUtf8(board), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!sysutil::isLink(*it) && it->is_directory(ec2) && !sysutil::isMountedOn(it->path())) pruneEmpty(it->path());
    }
}

}  // namespace archiver
