// fzarc-lha: the program's archiver on the command line.
//   fzarc-lha A new.lzh "dir/*.*" -x1 -r2 -o7 | E x.lzh out/ | L x.lzh | T x.lzh
#include <cstdio>
#include <string>

#include "archive/Unlha32api.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fzarc-lha A|E|L|T ARCHIVE [PATH] [-o5|-o6|-o7]\n");
        return 2;
    }
    // Each argument is quoted so that blanks in paths survive the join.
    std::string line = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        line += (arg.size() > 1 && arg[0] == '-') ? " " + arg : " \"" + arg + "\"";
    }
    std::string output;
    const auto result = archiver::Unlha(line, output);
    std::fputs(output.c_str(), stdout);
    if (!result.ok()) {
        std::fprintf(stderr, "fzarc-lha: %s\n", result.message.c_str());
        return 1;
    }
    return 0;
}
