#include "archive/ArchiveReader.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "archive/EntryNames.h"
#include "archive/Failures.h"
#include "archive/Placement.h"
#include "archive/WorkFolders.h"
#include "archive/lha/file_io.h"
#include "archive/lha/lha_reader.h"
#include "archive/lha/method.h"
#include "sysutil/DiskFlush.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;
namespace {

// An entry as extraction will handle it.
struct PlannedEntry {
    lha::Entry header;
    std::vector<std::string> path;  // safe components, UTF-8
    bool isFolder = false;
    std::string shown;  // the name for messages
};

struct Plan {
    std::vector<PlannedEntry> entries;
    std::uint64_t totalBytes = 0;
};

enum class Checks { Names, None };

ArchiveResult openSource(lha::FileSource& source, const std::string& path) {
    if (!source.open(sysutil::pathFromUtf8(path))) return failed::cannotOpenArchive(path);
    return ArchiveResult::success();
}

ArchiveResult planEntries(lha::ByteSource& source, Checks checks, Plan& plan);

// Opens the archive and reads its plan: what every command starts with.
ArchiveResult openAndPlan(const std::string& path, Checks checks, lha::FileSource& source, Plan& plan) {
    if (auto s = openSource(source, path); !s.ok()) return s;
    return planEntries(source, checks, plan);
}

// Paths that Windows takes for the same name, so that no entry silently
// replaces another, and no file stands where a folder must.
class NameClashes {
public:
    bool add(const std::vector<std::string>& path, bool isFolder) {
        std::u32string key;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (i) key += U'/';
            key += sysutil::nameKey(path[i]);
            const bool last = i + 1 == path.size();
            const bool folderHere = !last || isFolder;
            auto [it, fresh] = kinds_.emplace(key, folderHere);
            if (!fresh && (!it->second || !folderHere)) return false;
        }
        return true;
    }

private:
    std::map<std::u32string, bool> kinds_;  // true for a folder
};

// Reads the headers one after another and decides what each entry becomes,
// handing each to `take` before the next is read. With Checks::Names a
// hostile or self-contradicting archive is refused here, before anything is
// written: unsafe names, links, unknown methods, clashing names (the one
// check that keeps every name).
template <typename Take>
ArchiveResult forEachEntry(lha::ByteSource& source, Checks checks, Take&& take) {
    lha::Reader reader(source);
    NameClashes clashes;
    for (std::optional<lha::Entry> e;;) {
        if (auto s = reader.next(e); !s) return failed::reading(s, "");
        if (!e) break;
        PlannedEntry p;
        StoredPath stored = storedPath(*e);
        p.shown = std::move(stored.shown);
        p.isFolder = e->isDirectory() || (stored.nameless && e->originalSize == 0);
        if (checks == Checks::Names) {
            if (e->isSymlink()) return failed::linkEntry(p.shown);
            if (!lha::findFormat(e->method))
                return failed::reading({lha::ReadError::UnsupportedMethod, e->method}, p.shown);
            const auto safe = safeComponents(stored.components);
            if (!safe) return failed::unsafeName(p.shown);
            p.path = *safe;
            if (!p.isFolder && (stored.nameless || p.path.empty())) return failed::namelessFile();
            if (!p.path.empty() && !clashes.add(p.path, p.isFolder)) return failed::namesClash(p.shown);
        }
        p.header = std::move(*e);
        if (auto s = take(p); !s.ok()) return s;
    }
    return ArchiveResult::success();
}

// Adds the entry's size to `total`; false when the sum overflows.
bool addSize(std::uint64_t& total, const PlannedEntry& p) {
    return p.isFolder || !__builtin_add_overflow(total, p.header.originalSize, &total);
}

// Every entry at hand: what extraction needs to make its folders first.
ArchiveResult planEntries(lha::ByteSource& source, Checks checks, Plan& plan) {
    return forEachEntry(source, checks, [&](PlannedEntry& p) {
        if (!addSize(plan.totalBytes, p)) return failed::impossibleSizes();
        plan.entries.push_back(std::move(p));
        return ArchiveResult::success();
    });
}

// Where decoded data goes: nowhere (check, test), or into files (extract).
class EntrySink {
public:
    virtual ~EntrySink() = default;
    virtual ArchiveResult open(const PlannedEntry&) { return ArchiveResult::success(); }
    virtual bool write(const std::uint8_t*, std::size_t) { return true; }
    // After the entry's data, whole or not; says why a write failed.
    virtual ArchiveResult close(const PlannedEntry&) { return ArchiveResult::success(); }
};

ArchiveResult decodeOne(lha::ByteSource& source, const PlannedEntry& p, sysutil::ProgressInfo& info,
                        const sysutil::ProgressReport& progress, EntrySink& sink) {
    info.currentName = p.shown;
    if (progress && !progress(info)) return failed::cancelled();
    if (!p.isFolder) {
        if (auto s = sink.open(p); !s.ok()) return s;
        bool writeFailed = false;
        const auto status = lha::decodeEntry(source, p.header, [&](const std::uint8_t* data, std::size_t n) {
            writeFailed = !sink.write(data, n);
            info.bytesDone += n;
            return !writeFailed && (!progress || progress(info));
        });
        auto closed = sink.close(p);
        if (writeFailed) return closed;
        if (!status) return failed::reading(status, p.shown);
        if (!closed.ok()) return closed;
    }
    ++info.entriesDone;
    return ArchiveResult::success();
}

ArchiveResult decodeAll(lha::ByteSource& source, const Plan& plan, const sysutil::ProgressReport& progress,
                        EntrySink& sink) {
    sysutil::ProgressInfo info;
    info.entriesTotal = plan.entries.size();
    info.bytesTotal = plan.totalBytes;
    for (const auto& p : plan.entries)
        if (auto s = decodeOne(source, p, info, progress, sink); !s.ok()) return s;
    return ArchiveResult::success();
}

// Test decodes entry by entry as it reads the headers, after a first walk
// that only counts (for the progress): its memory stays the same however
// many entries the archive holds.
ArchiveResult decodeStreaming(lha::ByteSource& source, const sysutil::ProgressReport& progress) {
    sysutil::ProgressInfo info;
    auto counted = forEachEntry(source, Checks::None, [&](const PlannedEntry& p) {
        ++info.entriesTotal;
        return addSize(info.bytesTotal, p) ? ArchiveResult::success() : failed::impossibleSizes();
    });
    if (!counted.ok()) return counted;
    EntrySink nowhere;
    return forEachEntry(source, Checks::None,
                        [&](const PlannedEntry& p) { return decodeOne(source, p, info, progress, nowhere); });
}

ArchiveResult decodeWithoutWriting(lha::ByteSource& source, const Plan& plan, const sysutil::ProgressReport& progress) {
    EntrySink nowhere;
    return decodeAll(source, plan, progress, nowhere);
}

// The entry's time as the file system takes it; unset when the header holds
// none, or one the platform's file times cannot hold (a Windows time stamp
// may name any year from 1601 to 60056).
std::optional<fs::file_time_type> fileTimeOf(const lha::Entry& e) {
    using namespace std::chrono;
    if (!e.mtime || e.mtimeNanos >= 1000000000u) return std::nullopt;
    static const auto earliest = file_clock::to_sys(ceil<seconds>(fs::file_time_type::min())) + seconds(1);
    static const auto latest = file_clock::to_sys(floor<seconds>(fs::file_time_type::max())) - seconds(1);
    const sys_seconds at{seconds(*e.mtime)};
    if (at < earliest || at > latest) return std::nullopt;
    return file_clock::from_sys(at) + duration_cast<fs::file_time_type::duration>(nanoseconds(e.mtimeNanos));
}

void setFileTime(const fs::path& p, const lha::Entry& e) {
    std::error_code ec;
    if (const auto t = fileTimeOf(e)) fs::last_write_time(p, *t, ec);
}

// What a take out writes must be on the disk before a rename makes it
// visible (sysutil/DiskFlush.h says how).
using sysutil::DiskFlush;
using sysutil::kFlushEachFile;

// Writes each entry to its file below the staging folder.
class FileSink : public EntrySink {
public:
    FileSink(fs::path staging, DiskFlush& flush) : staging_(std::move(staging)), flush_(flush) {}

    fs::path target(const PlannedEntry& p) const {
        fs::path t = staging_;
        for (const auto& c : p.path) t /= sysutil::pathFromUtf8(c);
        return t;
    }
    ArchiveResult open(const PlannedEntry& p) override {
        if (!out_.createNew(target(p))) return failed::cannotWrite(p.shown, out_.error());
        return ArchiveResult::success();
    }
    bool write(const std::uint8_t* data, std::size_t n) override {
        flush_.written(n);
        return out_.write(data, n);
    }
    ArchiveResult close(const PlannedEntry& p) override {
        if (!out_.close(kFlushEachFile)) return failed::cannotWrite(p.shown, out_.error());
        setFileTime(target(p), p.header);
        return ArchiveResult::success();
    }

private:
    fs::path staging_;
    DiskFlush& flush_;
    lha::OutputFile out_;
};

// Writes every entry below `staging`; folders get their times once their
// files are in, since writing a file changes its folder's time.
ArchiveResult extractInto(lha::ByteSource& source, const Plan& plan, const fs::path& staging,
                          const sysutil::ProgressReport& progress) {
    std::error_code ec;
    if (!fs::create_directory(staging, ec) && ec) return failed::cannotWrite(sysutil::utf8FromPath(staging), ec);
    DiskFlush flush(staging);
    FileSink files(staging, flush);
    for (const auto& p : plan.entries) {
        const fs::path folder = p.isFolder ? files.target(p) : files.target(p).parent_path();
        if (!fs::create_directories(folder, ec) && ec) return failed::cannotWrite(p.shown, ec);
    }
    if (auto s = decodeAll(source, plan, progress, files); !s.ok()) return s;
    for (auto it = plan.entries.rbegin(); it != plan.entries.rend(); ++it)
        if (it->isFolder && !it->path.empty()) setFileTime(files.target(*it), it->header);
    if (const auto unflushed = flush.finish()) return failed::cannotFlushExtracted(unflushed);
    return ArchiveResult::success();
}

}  // namespace

ArchiveResult checkArchive(const std::string& archivePath, const sysutil::ProgressReport& progress) {
    lha::FileSource source;
    Plan plan;
    if (auto s = openAndPlan(archivePath, Checks::Names, source, plan); !s.ok()) return s;
    return decodeWithoutWriting(source, plan, progress);
}

ArchiveResult checkArchive(lha::ByteSource& source, const sysutil::ProgressReport& progress) {
    Plan plan;
    if (auto s = planEntries(source, Checks::Names, plan); !s.ok()) return s;
    return decodeWithoutWriting(source, plan, progress);
}

ArchiveResult listArchive(const std::string& archivePath, const std::function<void(const ListedEntry&)>& listed) {
    lha::FileSource source;
    if (auto s = openSource(source, archivePath); !s.ok()) return s;
    return forEachEntry(source, Checks::None, [&](const PlannedEntry& p) {
        ListedEntry l;
        l.name = p.shown + (p.isFolder ? "/" : "");
        l.isFolder = p.isFolder;
        if (!p.isFolder) {
            l.size = p.header.originalSize;
            l.packedSize = p.header.packedSize;
            l.crc = p.header.dataCrc;
        }
        l.method = printableText(p.header.method);  // the header's own five bytes, whatever they are
        if (fileTimeOf(p.header)) l.mtime = p.header.mtime;
        listed(l);
        return ArchiveResult::success();
    });
}

ArchiveResult listArchive(const std::string& archivePath, std::vector<ListedEntry>& entries) {
    return listArchive(archivePath, [&](const ListedEntry& l) { entries.push_back(l); });
}

ArchiveResult testArchive(const std::string& archivePath, const sysutil::ProgressReport& progress) {
    lha::FileSource source;
    if (auto s = openSource(source, archivePath); !s.ok()) return s;
    return decodeStreaming(source, progress);
}

StagedExtraction::StagedExtraction(sysutil::WorkFolder work, fs::path destination)
    : work_(std::move(work)), destination_(std::move(destination)) {}

StagedExtraction::~StagedExtraction() {
    discardWork(work_);
}

ArchiveResult StagedExtraction::compare(std::vector<fs::path>& changed) const {
    return guarded([&] { return compareWithDestination(work_.path(), destination_, changed); },
                   ArchiveError::ReadFailed, "展開先を読めません: " + sysutil::utf8FromPath(destination_));
}

ArchiveResult StagedExtraction::place(sysutil::Trash* trash, const std::vector<fs::path>* agreed) {
    return guarded([&] { return placeExtracted(work_.path(), destination_, trash, agreed); }, ArchiveError::WriteFailed,
                   "展開できません: " + sysutil::utf8FromPath(destination_));
}

ArchiveResult stageArchive(const std::string& archivePath, const std::string& destination,
                           const sysutil::ProgressReport& progress, std::unique_ptr<StagedExtraction>& staged) {
    staged.reset();
    lha::FileSource source;
    Plan plan;
    if (auto s = openAndPlan(archivePath, Checks::Names, source, plan); !s.ok()) return s;

    fs::path dest = sysutil::pathFromUtf8(destination);
    if (!dest.has_filename()) dest = dest.parent_path();  // "…/Castle/" names the folder Castle
    // The destination is made when missing, but never the folders above it:
    // a wrong engine folder must not grow a tree somewhere unexpected.
    const fs::path parent = dest.parent_path().empty() ? fs::path(".") : dest.parent_path();
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) return failed::noDestinationFolder(parent);
    // The files would land wherever the link leads, outside the folder named.
    if (const fs::directory_entry entry(dest, ec);
        !ec && fs::exists(entry.symlink_status(ec)) && sysutil::isLink(entry))
        return failed::destinationIsLink(dest);
    // Measured where the files are written. A file system that reports no
    // size at all (FUSE ones may) cannot be measured, and is not taken for full.
    const fs::path stagingParent = stagingParentFor(dest);
    const auto space = fs::space(stagingParent, ec);
    if (!ec && space.capacity > 0 && plan.totalBytes > space.available) return failed::noSpace();

    // Hidden, so that a list refreshed meanwhile never shows a half-extracted
    // scenario; held by this run, so that a crash leaves nothing for good.
    // What a killed run left there goes first, its merge finished.
    removeLeftovers(stagingParent);
    sysutil::WorkFolder work = sysutil::createWorkFolder(stagingParent, sysutil::kWorkStaging, ec);
    if (work.empty()) return failed::cannotMakeWorkFolder(stagingParent, ec);
    auto made = std::make_unique<StagedExtraction>(std::move(work), dest);
    const ArchiveResult result =
        guarded([&] { return extractInto(source, plan, extractedTree(made->workFolder()), progress); },
                ArchiveError::WriteFailed, "展開できません: " + archivePath);
    if (result.ok()) staged = std::move(made);
    return result;
}

ArchiveResult extractArchive(const std::string& archivePath, const std::string& destination,
                             const sysutil::ProgressReport& progress) {
    std::unique_ptr<StagedExtraction> staged;
    if (auto r = stageArchive(archivePath, destination, progress, staged); !r.ok()) return r;
    return staged->place(nullptr);
}

}  // namespace archiver
