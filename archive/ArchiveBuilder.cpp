#include "archive/ArchiveBuilder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "archive/EntryNames.h"
#include "archive/Failures.h"
#include "archive/Placement.h"
#include "archive/WorkFolders.h"
#include "archive/lha/lha_writer.h"
#include "sysutil/PathRules.h"
#include "sysutil/StagedFile.h"
#include "sysutil/TextCodec.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;
namespace {

struct SourceEntry {
    fs::path path;
    std::vector<std::string> components;  // UTF-8, relative to the source folder
    bool isFolder = false;
    std::uint64_t size = 0;
};

using failed::Refusal;
using failed::unreadable;

// A name as UTF-8: as it is, or, where old tools copied a name from Japanese
// Windows byte for byte, its CP932 characters. nullopt when neither.
std::optional<std::string> decodedName(const fs::path& name) {
    const std::string bytes = sysutil::utf8FromPath(name);
    if (sysutil::isValidUtf8(bytes)) return bytes;
    return sysutil::cp932ToUtf8(bytes);
}

// Why take out could not give an entry back as it is, or "".
std::string refusalOf(const fs::directory_entry& e, const fs::file_status& st, const std::optional<std::string>& name,
                      std::map<std::u32string, std::string>& seen) {
    // A junction on Windows too: what lies behind it is not the scenario's.
    if (fs::is_symlink(st) || sysutil::isLink(e)) return "リンクです（リンク先はしまえません）。";
    if (!fs::is_directory(st) && !fs::is_regular_file(st)) return "特殊なファイル（パイプ、ソケット、装置）です。";
    if (!name) return "名前の文字コードを読み取れません。";
#if !defined(_WIN32)
    // Take out writes the name in UTF-8, which a CP932 name on disk may
    // outgrow: a half-width kana is one byte there, three in UTF-8.
    if (name->size() > 255) return "名前が長すぎます（取り出すと255バイトを超えます）。";
#endif
    if (const auto problem = sysutil::windowsNameProblem(*name); problem != sysutil::NameProblem::None)
        return sysutil::nameProblemText(problem);
    if (const auto [it, fresh] = seen.emplace(sysutil::nameKey(*name), *name); !fresh)
        return "Windowsでは「" + it->second + "」と同じ名前になります。";
    return {};
}

// Everything below `folder`, or a failure: an archive that silently misses a
// folder the walk could not read is worse than none. What take out could not
// give back as it is goes to `refused`, and the walk goes on to find the rest.
ArchiveResult collect(const fs::path& folder, const std::vector<std::string>& prefix, const std::string& pattern,
                      std::vector<SourceEntry>& out, std::vector<Refusal>& refused) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) return unreadable(folder, ec);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
    std::map<std::u32string, std::string> seen;  // names as Windows compares them
    for (const auto& e : entries) {
        const auto st = e.symlink_status(ec);
        if (ec) return unreadable(e.path(), ec);  // gone since the folder was read
        if (fs::is_directory(st) && sysutil::workFolderOwner(sysutil::utf8FromPath(e.path().filename())) &&
            awaitsTheTrash(e.path()))
            continue;
        const auto name = decodedName(e.path().filename());
        SourceEntry s;
        s.path = e.path();
        s.components = prefix;
        s.components.push_back(name.value_or(sysutil::displayName(e.path().filename())));
        s.isFolder = fs::is_directory(st) && !sysutil::isLink(e);  // never walked into
        if (!s.isFolder && !sysutil::matchesWildcard(pattern, s.components.back())) continue;
        if (const auto why = refusalOf(e, st, name, seen); !why.empty()) {
            refused.push_back({printableName(s.components), why});
            if (!s.isFolder) continue;
        }
        if (s.isFolder) {
            out.push_back(s);
            if (auto r = collect(e.path(), s.components, pattern, out, refused); !r.ok()) return r;
        } else {
            s.size = e.file_size(ec);
            if (ec) return unreadable(e.path(), ec);
            out.push_back(std::move(s));
        }
    }
    return ArchiveResult::success();
}

// CP932 when every component fits, as Japanese archivers write. Otherwise the
// entry says code page 65001 and stores UTF-8. Either way, when the stored
// bytes would not read back as exactly the same characters (a name CP932
// cannot hold, "〜" that comes back as "～", a decomposed "か゛"), the UTF-16
// extensions carry the name as it is.
void setNames(lha::EntryHeader& h, const std::vector<std::string>& components, bool isFolder) {
    std::vector<std::string> stored;
    bool allFit = true;
    bool exact = true;
    for (const auto& c : components) {
        const auto enc = sysutil::utf8ToCp932(c);
        if (!enc) {
            allFit = false;
            break;
        }
        exact = exact && sysutil::cp932ToUtf8(*enc) == c;
        stored.push_back(*enc);
    }
    if (!allFit) {
        stored = components;
        h.codePage = 65001;
    }
    h.withUtf16 = !allFit || !exact;
    const std::size_t folderCount = isFolder ? components.size() : components.size() - 1;
    h.folders.assign(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(folderCount));
    if (!isFolder) h.name = stored.back();
    if (h.withUtf16) {
        for (std::size_t i = 0; i < folderCount; ++i) h.foldersUtf16.push_back(sysutil::utf8ToUtf16(components[i]));
        if (!isFolder) h.nameUtf16 = sysutil::utf8ToUtf16(components.back());
    }
}

void setTime(lha::EntryHeader& h, const fs::path& p) {
    std::error_code ec;
    const auto ft = fs::last_write_time(p, ec);
    if (ec) return;
    const auto sys = std::chrono::file_clock::to_sys(ft);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
    h.mtime = ns >= 0 ? ns / 1000000000 : -((-ns + 999999999) / 1000000000);
    h.mtimeNanos = static_cast<std::uint32_t>(ns - h.mtime * 1000000000);
}

// Publishes the flushed archive: without `makeRoom` only where the name is
// free; with it, over whatever it left under the name (nothing, when it
// moved the old file away, else the old file, replaced in one rename).
std::error_code publishArchive(sysutil::StagedFile& staged, const fs::path& target, const MakeRoom& makeRoom) {
    if (!makeRoom) return staged.publish(target, sysutil::Publish::WithoutReplacing);
    if (const auto ec = makeRoom()) return ec;
    return staged.publish(target, sysutil::Publish::Replacing);
}

// The archive being made, as the codec writes it.
class StagedOutput : public lha::ArchiveOutput {
public:
    explicit StagedOutput(sysutil::StagedFile& file) : file_(file) {}
    bool write(const void* data, std::size_t size) override { return !file_.write(data, size); }
    std::uint64_t tell() const override { return file_.tell(); }
    bool seek(std::uint64_t offset) override { return !file_.seek(offset); }
    std::error_code error() const override { return file_.error(); }

private:
    sysutil::StagedFile& file_;
};

// Writes every entry into the archive being made.
ArchiveResult writeEntries(lha::ArchiveOutput& out, const std::vector<SourceEntry>& entries, const lha::Method& method,
                           const std::string& archivePath, sysutil::ProgressInfo& info,
                           const sysutil::ProgressReport& progress) {
    lha::LhaWriter writer(out);
    for (const auto& e : entries) {
        const std::string name = sysutil::utf8FromPath(e.path);
        info.currentName = name;
        if (progress && !progress(info)) return failed::cancelled();
        lha::EntryHeader h;
        setNames(h, e.components, e.isFolder);
        setTime(h, e.path);
        lha::WriteStatus s;
        if (e.isFolder) {
            s = writer.addDirectory(std::move(h));
        } else {
            lha::InputFile in;
            if (!in.open(e.path)) return failed::cannotOpenFile(name);
            const std::uint64_t before = info.bytesDone;
            s = writer.addFile(std::move(h), in, e.size, method, [&](std::uint64_t done) {
                info.bytesDone = before + done;
                return !progress || progress(info);
            });
            info.bytesDone = before + e.size;
        }
        if (!s) return failed::writing(s, name);
        ++info.entriesDone;
    }
    if (auto s = writer.finish(); !s) return failed::writing(s, archivePath);
    return ArchiveResult::success();
}

}  // namespace

ArchiveResult createArchive(const std::string& archivePath, const std::string& sourceFolder, const lha::Method& method,
                            const sysutil::ProgressReport& progress, const std::string& pattern,
                            const MakeRoom& makeRoom) {
    const fs::path target = sysutil::pathFromUtf8(archivePath);
    const fs::path folder = sysutil::pathFromUtf8(sourceFolder);
    std::error_code ec;
    // One there already is replaced only through `makeRoom`; nor is one made
    // beside a name Windows takes for the same: neither could be told apart.
    if (!makeRoom) {
        if (fs::exists(fs::symlink_status(target, ec))) return failed::alreadyExists(archivePath);
        for (fs::directory_iterator it(target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec), end;
             !ec && it != end; it.increment(ec))
            if (sysutil::sameName(sysutil::utf8FromPath(it->path().filename()),
                                  sysutil::utf8FromPath(target.filename())))
                return failed::alreadyExists(sysutil::utf8FromPath(it->path()));
    }
    if (!fs::is_directory(folder, ec)) return failed::noSourceFolder(folder);

    // What a killed run left in either folder goes first (a merge it had
    // begun in the scenario is finished, so that the archive holds it whole).
    removeLeftovers(target.parent_path());
    removeLeftovers(folder);
    std::vector<SourceEntry> entries;
    std::vector<Refusal> refused;
    if (auto r = collect(folder, {}, pattern.empty() ? "*.*" : pattern, entries, refused); !r.ok()) return r;
    if (!refused.empty()) return failed::refusedEntries(refused);
    sysutil::ProgressInfo info;
    info.entriesTotal = entries.size();
    for (const auto& e : entries) info.bytesTotal += e.size;

    // Written in a work folder this run holds, so that a crash leaves
    // nothing for good, and flushed before it takes its name. Whatever went
    // wrong, the half-written archive goes with its folder.
    sysutil::StagedFile staged;
    if (const auto e = staged.createBeside(target, sysutil::kWorkArchive, "archive.lzh"))
        return failed::cannotMakeArchive(sysutil::utf8FromPath(target.parent_path()), e);
    StagedOutput out(staged);
    const ArchiveResult written =
        guarded([&] { return writeEntries(out, entries, method, archivePath, info, progress); },
                ArchiveError::WriteFailed, "書庫を作れません: " + archivePath);
    if (!written.ok()) return written;
    // The last of the archive reaches the disk only here: a full disk may show first now.
    if (const auto e = staged.flush()) return failed::writing({lha::WriteError::WriteFailed, "flush", e}, archivePath);
    if (const auto e = publishArchive(staged, target, makeRoom)) {
        if (makeRoom) return failed::cannotReplace(archivePath, e);
        if (e == std::errc::file_exists) return failed::alreadyExists(archivePath);
        return failed::cannotMakeArchive(archivePath, e);
    }
    if (progress) progress(info);
    return ArchiveResult::success();
}

ArchiveResult copyArchive(const std::string& source, const std::string& targetPath, const MakeRoom& makeRoom,
                          const sysutil::ProgressReport& progress) {
    const fs::path from = sysutil::pathFromUtf8(source);
    const fs::path target = sysutil::pathFromUtf8(targetPath);
    std::error_code ec;
    // A pipe or a device would never end.
    if (!fs::is_regular_file(from, ec)) return failed::notARegularFile(source);
    sysutil::ProgressInfo info;
    info.entriesTotal = 1;
    info.bytesTotal = fs::file_size(from, ec);
    info.currentName = source;
    lha::InputFile in;
    if (!in.open(from)) return unreadable(from, std::error_code(errno, std::generic_category()));

    // Written in a work folder, flushed, then published under its name: a
    // crash leaves the fridge as it was or with the whole copy.
    sysutil::StagedFile staged;
    auto writeFailed = [&](const std::error_code& e) { return failed::cannotWriteInto(target.parent_path(), e); };
    if (const auto e = staged.createBeside(target, sysutil::kWorkArchive, "archive.lzh")) return writeFailed(e);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        if (progress && !progress(info)) return failed::cancelled();
        const std::size_t n = in.read(buffer.data(), buffer.size());
        if (in.failed()) return unreadable(from, std::error_code(EIO, std::generic_category()));
        if (n == 0) break;
        if (const auto e = staged.write(buffer.data(), n)) return writeFailed(e);
        info.bytesDone += n;
    }
    if (const auto e = staged.flush()) return writeFailed(e);
    ec = publishArchive(staged, target, makeRoom);
    if (ec == std::errc::file_exists) return failed::alreadyExists(targetPath);
    if (ec) return makeRoom ? failed::cannotReplace(targetPath, ec) : failed::cannotWriteInto(target.parent_path(), ec);
    ++info.entriesDone;
    if (progress) progress(info);
    return ArchiveResult::success();
}

}  // namespace archiver
