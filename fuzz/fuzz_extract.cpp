// Any bytes as an archive, read in memory: the check (every header, name and
// entry's data) and the reader's own walk must never crash, and an entry that
// decodes must come out at exactly its declared size.
#include <cstdint>

#include "archive/ArchiveReader.h"
#include "archive/EntryNames.h"
#include "archive/lha/lha_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lha::MemorySource source({data, size});
    archiver::checkArchive(source, {});
    lha::Reader reader(source);
    for (std::optional<lha::Entry> e; reader.next(e) && e;) {
        archiver::safeComponents(archiver::storedPath(*e).components);
        std::uint64_t produced = 0;
        const auto s = lha::decodeEntry(source, *e, [&](const std::uint8_t*, std::size_t n) {
            produced += n;
            return true;
        });
        if (s && !e->isDirectory() && produced != e->originalSize) __builtin_trap();
    }
    return 0;
}
