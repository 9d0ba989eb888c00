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

// Splits at blanks; a double quote starts an argument that runs to the next
// double quote, so a backslash before that quote belongs to the path.
std::vector<std::string> splitArguments(const std::string& line);

}  // namespace archiver
