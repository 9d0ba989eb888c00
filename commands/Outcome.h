#pragma once
// What a command leaves the window to do once its job has ended.
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace commands {

enum class Refresh { None, Reload, PoolOnly, FridgeOnly };

// The board list as read off the window's thread, for the window to show.
struct BoardReading {
    std::string board;                   // the folder read, as named
    bool there = false;                  // whether it is a folder
    std::error_code cannotMake;          // why a missing board could not be made, when it was to be
    std::vector<std::string> scenarios;  // full paths, in the listing's order
    std::vector<std::string> watched;    // the folders whose changes can add or remove a scenario
};

// Lists the board, making its last level first when `mayMake` and it is
// missing (following the disk, a board that went is not made again: the
// user may be moving it back).
BoardReading readBoard(const std::string& board, bool mayMake);

// The refresh a command owes the window, what it made for the window to
// highlight ("" when it made nothing), and what its job read for the window.
struct Outcome {
    Outcome(Refresh r = Refresh::None, std::string scenario = {}, std::string archive = {})
        : refresh(r), scenarioFolder(std::move(scenario)), archiveName(std::move(archive)) {}
    Refresh refresh;
    std::string scenarioFolder;  // the folder take out filled: a full path, no trailing separator
    std::string archiveName;     // the archive put away wrote, or a copy dropped in: its name in the fridge
    // The board as the job read it after the command, when the refresh includes it.
    std::optional<BoardReading> board;
    bool tellBoardProblems = false;  // a board that cannot be made is said (F5, start)
    // The folder the fridge list is to show from now on.
    std::optional<std::string> fridgeFolder;
};

}  // namespace commands
