// Any bytes, encoded by each method and read back through our reader, must
// come back unchanged with their size and CRC.
#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/lha/lha_reader.h"
#include "archive/lha/lha_writer.h"

namespace fs = std::filesystem;

// A folder of this process's own, gone at exit.
struct Scratch {
    fs::path path = fs::temp_directory_path() / ("fzarc-fuzz-rt-" + std::to_string(getpid()));
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    const fs::path& root = scratch.path;
    fs::create_directories(root);
    const fs::path src = root / "src.bin";
    std::ofstream(src, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const lha::Method methods[] = {lha::kLh5, lha::kLh6, lha::kLh7};
    const lha::Method& method = methods[size % 3];
    const fs::path arc = root / "out.lzh";
    fs::remove(arc);
    {
        lha::OutputFile out;
        if (!out.createNew(arc)) __builtin_trap();
        lha::LhaWriter w(out);
        lha::InputFile in;
        in.open(src);
        lha::EntryHeader h;
        h.name = "f";
        if (!w.addFile(h, in, size, method, {}) || !w.finish() || !out.close(false)) __builtin_trap();
    }
    lha::FileSource source;
    if (!source.open(arc)) __builtin_trap();
    lha::Reader reader(source);
    std::optional<lha::Entry> e;
    if (!reader.next(e) || !e) __builtin_trap();
    std::string back;
    const auto s = lha::decodeEntry(source, *e, [&](const std::uint8_t* p, std::size_t n) {
        back.append(reinterpret_cast<const char*>(p), n);
        return true;
    });
    if (!s || back.size() != size || (size && back.compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
        __builtin_trap();
    return 0;
}
