#include "archive/Placement.h"

#include <map>
#include <vector>

#include "archive/WorkFolders.h"
#include "sysutil/ErrorText.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"

namespace archiver {
namespace fs = std::filesystem;
namespace {

std::string shown(const fs::path& p) {
    return sysutil::utf8FromPath(p);
}

ArchiveResult cannotPlace(const fs::path& p, const std::error_code& ec) {
    const bool full = ec.default_error_condition() == std::errc::no_space_on_device;
    return ArchiveResult::failure(full ? ArchiveError::NoSpace : ArchiveError::WriteFailed,
                                  "ファイルを置けません: " + shown(p) + "\r\n" + sysutil::describeError(ec));
}

// Gives a file the case of another name Windows takes for the same. Through
// a second name, since some systems take renaming a file to itself, in
// whatever case, for nothing to do; a crash between the two leaves the file
// whole, only oddly named.
void renameCase(const fs::path& from, const fs::path& to, std::error_code& ec) {
    const fs::path between = to.parent_path() / (to.filename().native() + fs::path(".case").native());
    fs::rename(from, between, ec);
    if (!ec) fs::rename(between, to, ec);
}

// The entries of a folder by what Windows takes for the same name, each
// under the name the folder itself holds (a case-insensitive system finds
// "Summary.tsm" for "SUMMARY.TSM" but would not say which it holds).
class NamesIn {
public:
    explicit NamesIn(const fs::path& folder) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            byKey_.emplace(sysutil::nameKey(sysutil::utf8FromPath(it->path().filename())), it->path());
    }
    // The entry of the same name, or an empty path.
    fs::path find(const fs::path& name) const {
        const auto it = byKey_.find(sysutil::nameKey(sysutil::utf8FromPath(name)));
        return it == byKey_.end() ? fs::path() : it->second;
    }

private:
    std::map<std::u32string, fs::path> byKey_;
};

std::vector<fs::directory_entry> entriesOf(const fs::path& folder) {
    std::error_code ec;
    return {fs::directory_iterator(folder, ec), fs::directory_iterator()};
}

// Refuses, before anything moves, what a merge could only do by replacing a
// folder with a file or the other way round, or by writing through a link.
ArchiveResult checkMerge(const fs::path& from, const fs::path& into) {
    const NamesIn existing(into);
    for (const auto& e : entriesOf(from)) {
        const fs::path there = existing.find(e.path().filename());
        if (there.empty()) continue;
        std::error_code ec;
        const bool srcDir = e.is_directory(ec);
        const auto st = fs::symlink_status(there, ec);
        if (srcDir != fs::is_directory(st) || fs::is_symlink(st))
            return ArchiveResult::failure(ArchiveError::WriteFailed,
                                          "同じ名前のファイルとフォルダがぶつかります: " + shown(there));
        if (srcDir)
            if (auto s = checkMerge(e.path(), there); !s.ok()) return s;
    }
    return ArchiveResult::success();
}

// A merge that remembers each step, to undo them all.
class Merge {
public:
    explicit Merge(fs::path destination) : destination_(std::move(destination)) {}

    ArchiveResult into(const fs::path& from, const fs::path& folder) {
        const NamesIn existing(folder);
        for (const auto& e : entriesOf(from)) {
            const fs::path target = folder / e.path().filename();
            const fs::path there = existing.find(e.path().filename());
            std::error_code ec;
            if (e.is_directory(ec) && !there.empty()) {
                if (auto s = into(e.path(), there); !s.ok()) return s;
                continue;
            }
            fs::path kept;
            if (!there.empty()) {
                kept = keepAside(there, ec);
                if (kept.empty()) return cannotPlace(there, ec);
            }
            fs::rename(e.path(), target, ec);
            if (ec) {
                if (!kept.empty()) fs::remove(kept, ec);
                return cannotPlace(target, ec);
            }
            steps_.push_back({target, e.path(), there, kept});
            if (!there.empty() && there != target) {
                // The old name in another case: a file system that tells the
                // two apart keeps both, so the old one goes; one that does not
                // replaced the file under its old name, which takes the new.
                if (fs::equivalent(there, target, ec))
                    renameCase(there, target, ec);
                else
                    fs::remove(there, ec);
                if (ec) return cannotPlace(there, ec);
            }
        }
        return ArchiveResult::success();
    }

    // Puts every replaced file back and takes every new one away.
    void undo() {
        for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
            std::error_code ec;
            if (!it->kept.empty()) {
                fs::rename(it->kept, it->old, ec);
                if (it->placed == it->old) continue;
                if (fs::equivalent(it->placed, it->old, ec))
                    renameCase(it->placed, it->old, ec);  // the old name's own case again
                else
                    fs::remove(it->placed, ec);
            } else {
                fs::rename(it->placed, it->from, ec);
                if (ec) sysutil::removeTree(shown(it->placed));
            }
        }
        steps_.clear();
        done();
    }

    // The replaced files are no longer needed.
    void done() {
        if (!backup_.empty()) sysutil::removeTree(shown(backup_));
    }

private:
    struct Step {
        fs::path placed;  // where the new entry now is
        fs::path from;    // where it came from in the staging folder
        fs::path old;     // the file it replaced, if any
        fs::path kept;    // that file's content, kept aside
    };

    // A second name for the old file (a hard link, or a copy where the file
    // system has none), so that at every moment the file exists at its place.
    fs::path keepAside(const fs::path& old, std::error_code& ec) {
        if (backup_.empty()) {
            backup_ = workPath(destination_, "replaced");
            if (!fs::create_directory(backup_, ec)) {
                backup_.clear();
                return {};
            }
            hideWorkPath(backup_);
        }
        const fs::path kept = backup_ / std::to_string(steps_.size());
        fs::create_hard_link(old, kept, ec);
        if (ec && fs::copy_file(old, kept, ec)) fs::last_write_time(kept, fs::last_write_time(old, ec), ec);
        return ec ? fs::path() : kept;
    }

    fs::path destination_;
    fs::path backup_;
    std::vector<Step> steps_;
};

}  // namespace

fs::path stagingParentFor(const fs::path& destination) {
    std::error_code ec;
    if (fs::is_directory(destination, ec)) return destination;
    return destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
}

ArchiveResult placeExtracted(const fs::path& staging, const fs::path& destination) {
    std::error_code ec;
    if (!fs::exists(destination, ec)) {
        fs::rename(staging, destination, ec);
        if (ec)
            return ArchiveResult::failure(ArchiveError::WriteFailed, "展開先を作れません: " + shown(destination) +
                                                                         "\r\n" + sysutil::describeError(ec));
        return ArchiveResult::success();
    }
    if (!fs::is_directory(destination, ec))
        return ArchiveResult::failure(ArchiveError::WriteFailed,
                                      "展開先がフォルダではありません: " + shown(destination));
    if (auto s = checkMerge(staging, destination); !s.ok()) return s;
    Merge merge(destination);
    auto result = merge.into(staging, destination);
    if (result.ok())
        merge.done();
    else
        merge.undo();
    return result;
}

}  // namespace archiver
