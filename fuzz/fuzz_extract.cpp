// Any bytes as an archive, read in memory: the check (every header, name and
// entry's data) and the reader's own walk must never crash, an entry that
// decodes must come out at exactly its declared size, and what a listing
// shows of a name or method is UTF-8 without a control character.
#include <cstdint>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/lha/lha_reader.h"
#include "sysutil/TextCodec.h"

static void mustBePrintable(const std::string& shown) {
    if (!sysutil::isValidUtf8(shown)) __builtin_trap();
    for (const char c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
    if (shown.find("\xC2\x9B") != std::string::npos) __builtin_trap();  // CSI
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lha::MemorySource source({data, size});
    archiver::checkArchive(source, {});
    lha::Reader reader(source);
    for (std::optional<lha::Entry> e; reader.next(e) && e;) {
        const auto stored = archiver::storedPath(*e);
        archiver::safeComponents(stored.components);
        mustBePrintable(stored.shown);
        mustBePrintable(archiver::printableText(e->method));
        std::uint64_t produced = 0;
        const auto s = lha::decodeEntry(source, *e, [&](const std::uint8_t*, std::size_t n) {
            produced += n;
            return true;
        });
        if (s && !e->isDirectory() && produced != e->originalSize) __builtin_trap();
    }
    return 0;
}
