// fzarc-lha: the program's archiver on the command line. Each argument is
// taken as given and parsed into the command the program itself runs.
//   fzarc-lha A new.lzh "dir/*.*" [-o5|-o6|-o7] | E x.lzh out/ | L x.lzh | T x.lzh
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "archive/CommandLine.h"

#if defined(_WIN32)
#include <windows.h>
// shellapi.h after windows.h
#include <shellapi.h>

// The arguments in UTF-8, as every path of the program is: argv holds them in
// the ANSI code page, which cannot carry every name.
static std::vector<std::string> utf8Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string a(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, a.data(), n, nullptr, nullptr);
        args.push_back(std::move(a));
    }
    LocalFree(wide);
    return args;
}
#endif

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#if defined(_WIN32)
    const std::vector<std::string> args = utf8Arguments();
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
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
