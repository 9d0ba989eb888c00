#pragma once
// fzarc-lha's command line: a command letter, switches and paths, e.g.
//   fzarc-lha E -- /fridge/Castle.LZH /board/Castle/
// parsed into the ArchiveCommand the program itself runs.
#include <string>
#include <vector>

#include "archive/ArchiveResult.h"
#include "archive/Archiver.h"

namespace archiver {

struct ParsedCommand {
    ArchiveResult status;  // BadCommand with a message when the line is wrong
    ArchiveCommand command;
    bool ok() const { return status.ok(); }
};

// Arguments as the program was given them, each one whole: a command
// letter, then switches and paths; "--" ends the switches, so that a path
// may begin with '-'.
ParsedCommand parseArguments(const std::vector<std::string>& args);

}  // namespace archiver
