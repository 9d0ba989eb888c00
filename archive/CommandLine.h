#pragma once
// The archiver's command lines: a command letter, paths and switches, e.g.
//   E "C:\Fridge\Castle.LZH" "C:\...\Castle\" -gn1 -jyco
// as one string (the legacy call, Unlha) or as the arguments of fzarc-lha.
// Both become the same ArchiveCommand.
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

// One string: blanks separate; a double quote starts an argument that runs
// to the next double quote (so a trailing backslash stays inside), and a
// quoted argument is never a switch.
ParsedCommand parseCommandLine(const std::string& line);

// Arguments as the program was given them, each one whole: a command
// letter, then switches and paths; "--" ends the switches, so that a path
// may begin with '-'.
ParsedCommand parseArguments(const std::vector<std::string>& args);

}  // namespace archiver
