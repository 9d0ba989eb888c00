// A put away that, once it writes its archive, waits for a line on its
// input before it goes on: a live run whose work folder another run's
// tidying meets meanwhile.
//
//   held_put_away FOLDER ARCHIVE
//
// Prints "writing" when it waits, then "done", or what went wrong.
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>

#include "archive/ArchiveBuilder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: held_put_away FOLDER ARCHIVE\n", stderr);
        return 2;
    }
    bool waited = false;
    const auto r = archiver::createArchive(argv[2], argv[1], lha::kLh5, [&](const sysutil::ProgressInfo&) {
        if (!std::exchange(waited, true)) {
            std::printf("writing\n");
            std::fflush(stdout);
            std::string line;
            std::getline(std::cin, line);
        }
        return true;
    });
    std::printf("%s\n", r.ok() ? "done" : r.message.c_str());
    return r.ok() ? 0 : 1;
}
