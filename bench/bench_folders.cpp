// Folder walk and text reading: SerchSubDirectory on a tree of 20,000 folders
// against `find DIR -type d` in the same run, and RFile of a 10 MB Shift-JIS file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sysutil/FileAccessDOS.h"
#include "sysutil/WRText.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "fzarc-bench-folders";
    const std::string sjisFile = argc > 2 ? argv[2] : "";
    fs::remove_all(root);
    // 20 areas x 20 rooms x 50 spots = 20,000 folders, 3 levels deep, plus the areas and rooms.
    int made = 0;
    for (int a = 0; a < 20; ++a)
        for (int r = 0; r < 20; ++r)
            for (int s = 0; s < 48; ++s, ++made)
                fs::create_directories(root / ("area" + std::to_string(a)) / ("room" + std::to_string(r)) /
                                       ("spot" + std::to_string(s)));
    made += 20 * 20 + 20;

    const std::string findCmd = "find '" + root.string() + "' -mindepth 1 -type d > /dev/null";
    double findBest = 1e9, walkBest = 1e9;
    std::size_t listed = 0;
    for (int round = 0; round < 5; ++round) {
        auto t0 = Clock::now();
        if (std::system(findCmd.c_str()) != 0) return 1;
        auto t1 = Clock::now();
        sysutil::FileAccessDOS dos;
        const std::string joined = dos.SerchSubDirectory(root.string());
        auto t2 = Clock::now();
        listed = joined.empty() ? 0 : std::count(joined.begin(), joined.end(), '|') + 1;
        findBest = std::min(findBest, seconds(t0, t1));
        walkBest = std::min(walkBest, seconds(t1, t2));
    }
    std::printf(
        "SerchSubDirectory: %zu folders (%d made) in %.3f s; find -type d %.3f s; ratio %.2f (target <= 2.00)\n",
        listed, made, walkBest, findBest, walkBest / findBest);
    fs::remove_all(root);

    if (!sjisFile.empty()) {
        sysutil::WRText text;
        text.FileName = sjisFile;
        double best = 1e9;
        std::size_t size = 0;
        for (int round = 0; round < 5; ++round) {
            auto t0 = Clock::now();
            size = text.RFile().value.size();
            best = std::min(best, seconds(t0, Clock::now()));
        }
        std::printf("RFile: %s -> %zu bytes of UTF-8 in %.0f ms (target < 200 ms)\n", sjisFile.c_str(), size,
                    best * 1000);
    }
    return 0;
}
