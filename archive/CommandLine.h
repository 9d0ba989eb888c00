#pragma once
// The archiver's command lines: a command letter, quoted or bare paths and
// switches, e.g.  E "C:\Fridge\Castle.LZH" "C:\...\Castle\" -gn1 -jyco
#include <optional>
#include <string>
#include <vector>

#include "archive/lha/method.h"

namespace archiver {

enum class Command { Extract, Add, List, Test };

struct ParsedCommand {
    Command command = Command::List;
    std::string archivePath;
    std::vector<std::string> paths;  // destination folder (E) or source patterns (A)
    lha::Method method = lha::kLh5;
};

// nullopt with `error` set for an unknown command or switch, or missing paths.
std::optional<ParsedCommand> parseCommandLine(const std::string& line, std::string& error);

}  // namespace archiver
