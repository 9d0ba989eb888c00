#pragma once
// The cutting board: the scenarios on it (folders that hold the engine's
// summary file), and its tidying at exit. Its folder comes from the settings.
#include <string>
#include <vector>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/Trash.h"

namespace archiver {

inline constexpr const char* kSummaryFile = "Summary.tsm";

// The scenarios among `folders` (full paths, as a folder listing gives
// them), in their order: visible folders that directly hold a visible,
// ordinary Summary.tsm.
std::vector<std::string> scenariosAmong(const std::vector<std::string>& folders);
// The same among a board's listing (listBoard): a folder read whole without
// an entry named like the summary file is passed over unopened.
std::vector<std::string> scenariosAmong(const sysutil::Subfolders& listing);
// Every folder below the board, noting those that may hold a summary file.
sysutil::Subfolders listBoard(const std::string& board);

// The tidying at start, before the board is listed: what killed or crashed
// runs left in the fridge, the settings folder, the board and every folder
// directly on it (where take outs go), their unfinished merges finished
// first (what they replaced to `trash`, when given). Scenarios deeper down
// get removeLeftovers once the list shows them.
void tidyAtStart(const std::string& fridge, const std::string& board, const std::string& settingsFolder,
                 sysutil::Trash* trash = nullptr);

// The folders whose changes can add or remove a scenario, for a watch on the
// board: the board, the folders outside every scenario, and the scenarios
// themselves. A scenario's own folders are left out (there may be thousands);
// at most `limit` folders, in the listing's order.
std::vector<std::string> foldersToWatch(const std::string& board, const std::vector<std::string>& folders,
                                        const std::vector<std::string>& scenarios, std::size_t limit);

// The tidying at exit: removes the folders below the board whose whole tree
// holds no file and which lie outside every scenario. Never anything inside a
// scenario, never a link or what lies behind it, never the board itself.
void removeEmptyFoldersOutsideScenarios(const std::string& board);

}  // namespace archiver
