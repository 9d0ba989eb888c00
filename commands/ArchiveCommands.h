#pragma once
// Take out, put away and throw away: the commands of the main window that
// work on archives and scenario folders. Each takes what the lists show and
// the folders its job read from the settings as it started,
// and says which refresh the window owes afterwards and what it made.
#include <optional>
#include <string>
#include <vector>

#include "archive/Archiver.h"
#include "archive/CuttingBoard.h"
#include "commands/Outcome.h"
#include "sysutil/Dialogs.h"
#include "sysutil/Trash.h"

namespace commands {

// The fridge list's folder (as shown, perhaps a temporary one) and its
// selection: the name as the folder holds it, and as the list shows it when
// the two differ (Shift-JIS bytes in a name on Linux).
struct FridgeSelection {
    std::string folder;
    std::string fileName;
    std::string shownName;
    const std::string& shown() const { return shownName.empty() ? fileName : shownName; }
};

// Extracts the selected archive into a folder of its own on the cutting board.
// Refuses, before anything is written, a name it cannot read or make a
// folder of, a folder that is (or lies in) a link, and a twin of another
// scenario's folder. Into an existing scenario, it asks before it replaces
// files whose content differs from the archive's, and those go to the trash.
Outcome takeOut(const std::optional<FridgeSelection>& selected, const std::string& cuttingBoard,
                sysutil::Dialogs& dialogs, archiver::Archiver& archiver, sysutil::Trash& trash);

// The archive name as put away stores it: ".LZH" appended unless it ends so.
std::string archiveNameFor(const std::string& answer);

// Compresses the selected scenario folder into an archive in the fridge
// folder, proposing the scenario's own name. An archive of that name is
// replaced only when the user says so, the old one going to the trash.
Outcome putAway(const std::optional<std::string>& scenario, const std::string& fridgeFolder, sysutil::Dialogs& dialogs,
                archiver::Archiver& archiver, sysutil::Trash& trash);

// Moves the selected scenario folder to the trash after two questions that
// name it (deletes it where its place has no trash, and the questions say
// so); says what stayed. Another file system mounted inside stays where it
// is. Refused: a scenario holding any of `fridgeFolders` (the fridge of the
// settings and the one on screen), and one that is itself a mount point.
Outcome throwAwayScenario(const std::optional<std::string>& scenario, const std::vector<std::string>& fridgeFolders,
                          sysutil::Dialogs& dialogs, sysutil::Trash& trash);

// Moves the selected archive to the trash (or deletes it, where there is
// none) after one question naming it.
Outcome throwAwayArchive(const std::optional<FridgeSelection>& selected, sysutil::Dialogs& dialogs,
                         sysutil::Trash& trash);

// Copies archives dropped on the window (full paths) into the fridge folder,
// each whole or not at all; asks before replacing one the fridge already
// holds (for this one or all the rest; what is replaced goes to the trash),
// passes over one it holds the same, and says which files it left out (not
// "*.LZH", hidden, not a file, no LHA archive inside).
Outcome copyIntoFridge(const std::vector<std::string>& files, const std::string& fridgeFolder,
                       sysutil::Dialogs& dialogs, sysutil::Trash& trash);

}  // namespace commands
