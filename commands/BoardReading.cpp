#include <filesystem>

#include "archive/CuttingBoard.h"
#include "commands/Outcome.h"
#include "sysutil/PathRules.h"

namespace commands {
namespace {

// inotify watches are a shared, limited resource: a board of more folders
// than this is watched in part, and F5 reads the rest.
constexpr std::size_t kMostWatchedFolders = 4000;

}  // namespace

BoardReading readBoard(const std::string& board, bool mayMake) {
    namespace fs = std::filesystem;
    BoardReading reading;
    reading.board = board;
    const fs::path folder = sysutil::pathFromUtf8(board);
    if (mayMake && !sysutil::lookupExists(board, sysutil::LookupKind::FilesAndFolders))
        fs::create_directory(folder, reading.cannotMake);  // the last level only
    const sysutil::Subfolders listing = archiver::listBoard(board);
    reading.scenarios = archiver::scenariosAmong(listing);
    std::error_code ec;
    reading.there = fs::is_directory(folder, ec);
    if (reading.there)
        reading.watched = archiver::foldersToWatch(board, listing.paths, reading.scenarios, kMostWatchedFolders);
    return reading;
}

}  // namespace commands
