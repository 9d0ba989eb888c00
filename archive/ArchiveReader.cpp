#include "archive/ArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>

#include "archive/EntryNames.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace archiver {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

struct ReadHandle {
    struct archive* a = nullptr;
    ~ReadHandle() {
        if (a) archive_read_free(a);
    }
};

std::string errorText(struct archive* a) {
    const char* s = archive_error_string(a);
    return s ? s : "";
}

bool openWithCharset(ReadHandle& h, const std::string& path, const char* charset) {
    ensureUtf8Locale();
    h.a = archive_read_new();
    archive_read_support_format_lha(h.a);
    archive_read_set_options(h.a, (std::string("lha:hdrcharset=") + charset).c_str());
    return archive_read_open_filename(h.a, sysutil::pathFromUtf8(path).c_str(), kReadBlock) == ARCHIVE_OK;
}

// LHA declares no charset: Japanese archives are CP932 by convention, but
// one made on Linux may hold UTF-8. The names' raw bytes decide (read through
// ISO-8859-1, which maps every byte to itself); entries that name their code
// page keep it whatever is chosen here.
const char* nameCharset(const std::string& path) {
    ReadHandle h;
    if (!openWithCharset(h, path, "ISO-8859-1")) return "CP932";
    struct archive_entry* e = nullptr;
    bool nonAscii = false;
    int r;
    while ((r = archive_read_next_header(h.a, &e)) == ARCHIVE_OK || (r == ARCHIVE_WARN && e)) {
        const char* u = archive_entry_pathname_utf8(e);
        if (!u) return "CP932";
        std::string raw;  // back from code points to the bytes they stood for
        for (std::size_t i = 0; u[i];) {
            const auto c = static_cast<unsigned char>(u[i]);
            if (c < 0x80) {
                raw += static_cast<char>(c);
                ++i;
            } else {
                if (!u[i + 1]) break;
                raw += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(u[i + 1]) & 0x3F));
                i += 2;
            }
        }
        if (!sysutil::isValidUtf8(raw)) return "CP932";
        nonAscii = nonAscii || raw != u;
    }
    return nonAscii ? "UTF-8" : "CP932";
}

// Opens the archive for the LHA format only, names in their charset.
ArchiveResult openArchive(ReadHandle& h, const std::string& path) {
    const char* charset = nameCharset(path);
    ensureUtf8Locale();
    h.a = archive_read_new();
    archive_read_support_format_lha(h.a);
    archive_read_set_options(h.a, (std::string("lha:hdrcharset=") + charset).c_str());
    if (archive_read_open_filename(h.a, sysutil::pathFromUtf8(path).c_str(), kReadBlock) != ARCHIVE_OK)
        return ArchiveResult::failure(ArchiveError::ReadFailed, "書庫を開けません: " + errorText(h.a));
    return ArchiveResult::success();
}

// The entry's name in UTF-8: libarchive's conversion, or our own CP932 reading
// of the raw bytes when it could not convert.
std::string entryName(struct archive_entry* e) {
    if (const char* u = archive_entry_pathname_utf8(e)) return u;
    if (const char* raw = archive_entry_pathname(e)) return sysutil::cp932ToUtf8Lossy(raw);
    return {};
}

enum class Next { Entry, End, Failed };

Next nextHeader(struct archive* a, struct archive_entry*& e, ArchiveResult& why) {
    const int r = archive_read_next_header(a, &e);
    if (r == ARCHIVE_EOF) return Next::End;
    if (r == ARCHIVE_OK) return Next::Entry;
    // A warning on a header (say, a name that did not convert) still gives the entry.
    if (r == ARCHIVE_WARN && e) return Next::Entry;
    why = ArchiveResult::failure(ArchiveError::Corrupt, "書庫が壊れています: " + errorText(a));
    return Next::Failed;
}

ArchiveResult notLha(const std::string& path) {
    return ArchiveResult::failure(ArchiveError::NotArchive, "LHA書庫ではありません: " + path);
}

// Opens the archive and hands every entry to `visit`, which may stop the walk
// by returning a failure. A file with no LHA entry at all is not an archive.
template <typename Visit>
ArchiveResult forEachEntry(ReadHandle& h, const std::string& path, Visit visit) {
    if (auto s = openArchive(h, path); !s.ok()) return s;
    struct archive_entry* e = nullptr;
    ArchiveResult why;
    std::uint64_t seen = 0;
    for (;;) {
        switch (nextHeader(h.a, e, why)) {
            case Next::End:
                return seen == 0 && archive_format(h.a) != ARCHIVE_FORMAT_LHA ? notLha(path) : ArchiveResult::success();
            case Next::Failed:
                return seen == 0 ? notLha(path) : why;
            case Next::Entry:
                break;
        }
        ++seen;
        if (auto s = visit(e); !s.ok()) return s;
    }
}

// Feeds every data block of the current entry to `sink`. Any warning fails:
// libarchive reports a data CRC mismatch only as a warning.
template <typename Sink>
ArchiveResult readData(struct archive* a, const std::string& name, Sink sink) {
    for (;;) {
        const void* buf = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &buf, &size, &offset);
        if (r == ARCHIVE_EOF) return ArchiveResult::success();
        if (r != ARCHIVE_OK) {
            const std::string why = errorText(a);
            const bool unsupported = why.find("Unsupported") != std::string::npos;
            return ArchiveResult::failure(
                unsupported ? ArchiveError::UnsupportedMethod : ArchiveError::Corrupt,
                (unsupported ? "展開できない圧縮形式です: " : "データが壊れています: ") + name + " (" + why + ")");
        }
        if (auto s = sink(buf, size, offset); !s.ok()) return s;
    }
}

struct Plan {
    std::uint64_t totalBytes = 0;
    std::uint64_t entries = 0;
};

// First pass: every name must be safe and every entry a file or a folder, so
// that a hostile archive is refused before anything is written.
ArchiveResult planExtraction(const std::string& path, Plan& plan) {
    ReadHandle h;
    return forEachEntry(h, path, [&](struct archive_entry* e) {
        const std::string name = entryName(e);
        const auto type = archive_entry_filetype(e);
        if (archive_entry_hardlink(e) || archive_entry_symlink(e) || (type != AE_IFREG && type != AE_IFDIR))
            return ArchiveResult::failure(ArchiveError::UnsafeEntry, "リンクなど、展開できない項目があります: " + name);
        if (!safeComponents(name))
            return ArchiveResult::failure(ArchiveError::UnsafeEntry, "展開先の外を指す名前があります: " + name);
        if (archive_entry_size_is_set(e) && archive_entry_size(e) > 0)
            plan.totalBytes += static_cast<std::uint64_t>(archive_entry_size(e));
        ++plan.entries;
        return ArchiveResult::success();
    });
}

// Hidden, so that a list refreshed meanwhile (or after a crash) never shows
// a half-extracted scenario.
fs::path makeStagingFolder(const fs::path& parent) {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = parent / (".fzarc-staging-" + std::to_string(rd()));
        std::error_code ec;
        if (!fs::create_directory(p, ec)) continue;
#if defined(_WIN32)
        SetFileAttributesW(p.c_str(), GetFileAttributesW(p.c_str()) | FILE_ATTRIBUTE_HIDDEN);
#endif
        return p;
    }
    return {};
}

fs::path findSameName(const fs::path& folder, const fs::path& name) {
    const fs::path exact = folder / name;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    const std::string wanted = sysutil::utf8FromPath(name);
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (sysutil::sameName(sysutil::utf8FromPath(e.path().filename()), wanted)) return e.path();
    return {};
}

// Files replace files of the same name (compared as Windows does); a file
// where a folder stands, or the other way round, is refused before moving anything.
ArchiveResult checkMerge(const fs::path& from, const fs::path& into) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(from, ec)) {
        const fs::path there = findSameName(into, e.path().filename());
        if (there.empty()) continue;
        const bool srcDir = e.is_directory(ec);
        const auto st = fs::symlink_status(there, ec);
        if (srcDir != fs::is_directory(st) || fs::is_symlink(st))
            return ArchiveResult::failure(ArchiveError::WriteFailed, "同じ名前のファイルとフォルダがぶつかります: " +
                                                                         sysutil::utf8FromPath(there));
        if (srcDir)
            if (auto s = checkMerge(e.path(), there); !s.ok()) return s;
    }
    return ArchiveResult::success();
}

ArchiveResult merge(const fs::path& from, const fs::path& into) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries(fs::directory_iterator(from, ec), fs::directory_iterator());
    for (const auto& e : entries) {
        const fs::path there = findSameName(into, e.path().filename());
        if (e.is_directory(ec) && !there.empty()) {
            if (auto s = merge(e.path(), there); !s.ok()) return s;
            continue;
        }
        if (!there.empty()) fs::remove(there, ec);
        fs::rename(e.path(), into / e.path().filename(), ec);
        if (ec)
            return ArchiveResult::failure(ArchiveError::WriteFailed,
                                          "ファイルを置けません: " + sysutil::utf8FromPath(into / e.path().filename()));
    }
    return ArchiveResult::success();
}

ArchiveResult moveIntoPlace(const fs::path& staging, const fs::path& destination) {
    std::error_code ec;
    if (!fs::exists(destination, ec)) {
        fs::rename(staging, destination, ec);
        if (ec)
            return ArchiveResult::failure(ArchiveError::WriteFailed,
                                          "展開先を作れません: " + sysutil::utf8FromPath(destination));
        return ArchiveResult::success();
    }
    if (!fs::is_directory(destination, ec))
        return ArchiveResult::failure(ArchiveError::WriteFailed,
                                      "展開先がフォルダではありません: " + sysutil::utf8FromPath(destination));
    if (auto s = checkMerge(staging, destination); !s.ok()) return s;
    return merge(staging, destination);
}

struct WriteHandle {
    struct archive* a = nullptr;
    ~WriteHandle() {
        if (a) archive_write_free(a);
    }
};

ArchiveResult extractInto(const std::string& path, const fs::path& staging, const Plan& plan,
                          const sysutil::ProgressReport& progress) {
    WriteHandle w;
    w.a = archive_write_disk_new();
    // Every name was checked to be relative and is written as staging + name,
    // an absolute path: SECURE_NOABSOLUTEPATHS would refuse our own prefix.
    // The other guards stay, so a link or ".." can never lead outside.
    archive_write_disk_set_options(
        w.a, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS);
    sysutil::ProgressInfo info;
    info.entriesTotal = plan.entries;
    info.bytesTotal = plan.totalBytes;
    const auto cancelled = [] { return ArchiveResult::failure(ArchiveError::Cancelled, "中止しました。"); };
    const auto writeFailed = [&](const std::string& name) {
        return ArchiveResult::failure(ArchiveError::WriteFailed,
                                      "書き込めません: " + name + " (" + errorText(w.a) + ")");
    };
    ReadHandle h;
    auto result = forEachEntry(h, path, [&](struct archive_entry* e) {
        const std::string name = entryName(e);
        const auto parts = safeComponents(name);
        if (!parts)  // the first pass saw the same names; this is only belt and braces
            return ArchiveResult::failure(ArchiveError::UnsafeEntry, "展開先の外を指す名前があります: " + name);
        info.currentName = name;
        if (progress && !progress(info)) return cancelled();
        if (parts->empty()) {
            ++info.entriesDone;
            return ArchiveResult::success();
        }
        fs::path target = staging;
        for (const auto& p : *parts) target /= sysutil::pathFromUtf8(p);
        const std::u8string t8 = target.u8string();
        archive_entry_set_pathname_utf8(e, reinterpret_cast<const char*>(t8.c_str()));
        archive_entry_set_mode(e, archive_entry_filetype(e) == AE_IFDIR ? (AE_IFDIR | 0755) : (AE_IFREG | 0644));
        if (archive_write_header(w.a, e) != ARCHIVE_OK) return writeFailed(name);
        if (archive_entry_filetype(e) == AE_IFREG) {
            auto s = readData(h.a, name, [&](const void* buf, std::size_t size, la_int64_t offset) {
                if (archive_write_data_block(w.a, buf, size, offset) != ARCHIVE_OK) return writeFailed(name);
                info.bytesDone += size;
                if (progress && !progress(info)) return cancelled();
                return ArchiveResult::success();
            });
            if (!s.ok()) return s;
        }
        if (archive_write_finish_entry(w.a) != ARCHIVE_OK) return writeFailed(name);
        ++info.entriesDone;
        return ArchiveResult::success();
    });
    if (!result.ok()) return result;
    // Closing applies the folders' times, which libarchive defers to the end.
    if (archive_write_close(w.a) != ARCHIVE_OK)
        return ArchiveResult::failure(ArchiveError::WriteFailed, "書き込めません: " + errorText(w.a));
    return ArchiveResult::success();
}

}  // namespace

void ensureUtf8Locale() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        const std::string name = current ? current : "";
        if (name.find("UTF-8") != std::string::npos || name.find("utf8") != std::string::npos) return;
        if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
    });
}

bool canExtract(const std::string& archivePath) {
    ReadHandle h;
    return forEachEntry(h, archivePath,
                        [&](struct archive_entry*) {
                            // The first block shows at once whether the method is one we can decode.
                            const void* buf = nullptr;
                            std::size_t size = 0;
                            la_int64_t offset = 0;
                            const int r = archive_read_data_block(h.a, &buf, &size, &offset);
                            if ((r != ARCHIVE_OK && r != ARCHIVE_EOF) || archive_read_data_skip(h.a) != ARCHIVE_OK)
                                return ArchiveResult::failure(ArchiveError::UnsupportedMethod, "");
                            return ArchiveResult::success();
                        })
        .ok();
}

ArchiveResult listArchive(const std::string& archivePath, std::vector<ListedEntry>& entries) {
    ReadHandle h;
    return forEachEntry(h, archivePath, [&](struct archive_entry* e) {
        ListedEntry le;
        le.name = entryName(e);
        le.isFolder = archive_entry_filetype(e) == AE_IFDIR;
        le.size = archive_entry_size_is_set(e) ? static_cast<std::uint64_t>(archive_entry_size(e)) : 0;
        le.mtime = archive_entry_mtime(e);
        entries.push_back(std::move(le));
        return ArchiveResult::success();
    });
}

ArchiveResult testArchive(const std::string& archivePath, const sysutil::ProgressReport& progress) {
    Plan plan;
    if (auto s = planExtraction(archivePath, plan); !s.ok() && s.error != ArchiveError::UnsafeEntry) return s;
    sysutil::ProgressInfo info;
    info.entriesTotal = plan.entries;
    info.bytesTotal = plan.totalBytes;
    ReadHandle h;
    return forEachEntry(h, archivePath, [&](struct archive_entry* e) {
        info.currentName = entryName(e);
        auto s = readData(h.a, info.currentName, [&](const void*, std::size_t size, la_int64_t) {
            info.bytesDone += size;
            if (progress && !progress(info)) return ArchiveResult::failure(ArchiveError::Cancelled, "中止しました。");
            return ArchiveResult::success();
        });
        ++info.entriesDone;
        return s;
    });
}

ArchiveResult extractArchive(const std::string& archivePath, const std::string& destination,
                             const sysutil::ProgressReport& progress) {
    Plan plan;
    if (auto s = planExtraction(archivePath, plan); !s.ok()) return s;

    fs::path dest = sysutil::pathFromUtf8(destination);
    if (!dest.has_filename()) dest = dest.parent_path();  // "…/Castle/" names the folder Castle
    // The destination is made when missing, but never the folders above it:
    // a wrong engine folder must not grow a tree somewhere unexpected.
    const fs::path parent = dest.parent_path().empty() ? fs::path(".") : dest.parent_path();
    std::error_code ec;
    if (!fs::is_directory(parent, ec))
        return ArchiveResult::failure(ArchiveError::WriteFailed,
                                      "展開先のフォルダがありません: " + sysutil::utf8FromPath(parent));
    const auto space = fs::space(parent, ec);
    if (!ec && plan.totalBytes > space.available)
        return ArchiveResult::failure(ArchiveError::NoSpace, "空き容量が足りません。");

    const fs::path staging = makeStagingFolder(parent);
    if (staging.empty())
        return ArchiveResult::failure(ArchiveError::WriteFailed,
                                      "作業フォルダを作れません: " + sysutil::utf8FromPath(parent));
    const ArchiveResult result = guarded(
        [&] {
            auto r = extractInto(archivePath, staging, plan, progress);
            return r.ok() ? moveIntoPlace(staging, dest) : r;
        },
        ArchiveError::WriteFailed, "展開できません: " + archivePath);
    sysutil::removeTree(sysutil::utf8FromPath(staging));
    return result;
}

}  // namespace archiver
