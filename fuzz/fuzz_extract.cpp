// Any bytes as an archive: check, test and extract must never crash, and
// never write outside the destination.
#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "archive/ArchiveReader.h"
#include "archive/Unlha32api.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root = fs::temp_directory_path() / ("fzarc-fuzz-" + std::to_string(getpid()));
    fs::create_directories(root / "board");
    const fs::path arc = root / "input.lzh";
    std::ofstream(arc, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    archiver::UnlhaCheckArchive(arc.string(), 0);
    archiver::testArchive(arc.string(), {});
    archiver::extractArchive(arc.string(), (root / "board" / "x").string() + "/", {});
    // Nothing may appear next to the board or the archive.
    for (const auto& e : fs::directory_iterator(root))
        if (e.path() != arc && e.path() != root / "board") __builtin_trap();
    fs::remove_all(root / "board");
    return 0;
}
