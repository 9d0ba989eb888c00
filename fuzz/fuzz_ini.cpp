// Any bytes as fzarc.ini: reads never crash or rewrite the file; a write then
// reads back what was written.
#include <cstdint>
#include <string>

#include "settings/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto file = settings::ProfileFile::fromBytes(bytes);
    if (file.bytes() != bytes) __builtin_trap();  // parsing keeps every byte
    file.value("FZARC Secound Edition", "TRPath");
    if (file.setValue("FZARC Secound Edition", "TRPath", "C:\\Games\\Tessarune")) {
        const auto reread = settings::ProfileFile::fromBytes(file.bytes());
        if (reread.value("FZARC Secound Edition", "TRPath") != std::optional<std::string>("C:\\Games\\Tessarune"))
            __builtin_trap();
    }
    return 0;
}
