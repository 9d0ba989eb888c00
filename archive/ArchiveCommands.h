#pragma once
// Take out, put away and throw away: the commands of the main window that
// work on archives and scenario folders. Each takes what the lists show and
// the folders the window read from the settings as it started the command,
// and says which refresh the window owes afterwards.
#include <optional>
#include <string>

#include "archive/CuttingBoard.h"
#include "archive/Archiver.h"
#include "sysutil/Dialogs.h"

namespace archiver {

enum class Refresh { None, Reload, PoolOnly };

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
Refresh takeOut(const std::optional<FridgeSelection>& selected, const std::string& cuttingBoard,
                sysutil::Dialogs& dialogs, Archiver& archiver);

// The archive name as put away stores it: ".LZH" appended unless it ends so.
std::string archiveNameFor(const std::string& answer);

// Compresses the selected scenario folder into a new archive in the fridge folder.
Refresh putAway(const std::optional<std::string>& scenario, const std::string& fridgeFolder, sysutil::Dialogs& dialogs,
                Archiver& archiver);

// Deletes the selected scenario folder after two questions; says what could
// not be deleted. The window's events are served while the folder goes.
Refresh throwAwayScenario(const std::optional<std::string>& scenario, sysutil::Dialogs& dialogs);

// Deletes the selected archive after one question.
Refresh throwAwayArchive(const std::optional<FridgeSelection>& selected, sysutil::Dialogs& dialogs);

}  // namespace archiver
