// fzarc-lha: the program's archiver on the command line. Each argument is
// taken as given and parsed into the command the program itself runs.
//   fzarc-lha A new.lzh "dir/*.*" [-o5|-o6|-o7] | E x.lzh out/ | L x.lzh | T x.lzh
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "archive/CommandLine.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = archiver::parseArguments(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "fzarc-lha: %s\n", parsed.status.message.c_str());
        std::fprintf(stderr, "usage: fzarc-lha A|E|L|T [-o5|-o6|-o7] [--] ARCHIVE [PATH]\n");
        return 2;
    }
    // The listing goes out as it is made: its memory stays the same however
    // many entries the archive holds.
    const auto result = archiver::runCommand(
        parsed.command, [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); });
    std::fflush(stdout);
    if (!result.ok()) {
        std::fprintf(stderr, "fzarc-lha: %s\n", result.message.c_str());
        return 1;
    }
    return 0;
}
