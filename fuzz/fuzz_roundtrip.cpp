// Any bytes, encoded by each method and read back through libarchive, must
// come back unchanged with no warning.
#include <archive.h>
#include <archive_entry.h>

#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/lha/lha_writer.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root = fs::temp_directory_path() / ("fzarc-fuzz-rt-" + std::to_string(getpid()));
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
        if (!w.addFile(h, in, size, method, {}) || !w.finish() || !out.close()) __builtin_trap();
    }
    struct archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    if (archive_read_open_filename(a, arc.c_str(), 16384) != ARCHIVE_OK) __builtin_trap();
    struct archive_entry* e;
    if (archive_read_next_header(a, &e) != ARCHIVE_OK) __builtin_trap();
    std::string back;
    const void* buf;
    size_t n;
    la_int64_t off;
    int r;
    while ((r = archive_read_data_block(a, &buf, &n, &off)) == ARCHIVE_OK)
        back.append(static_cast<const char*>(buf), n);
    if (r != ARCHIVE_EOF || back.size() != size ||
        (size && back.compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
        __builtin_trap();
    archive_read_free(a);
    return 0;
}
