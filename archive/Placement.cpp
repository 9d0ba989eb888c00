#include "archive/Placement.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "archive/Failures.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/StagedFile.h"
#include "sysutil/Trash.h"
#include "sysutil/WorkFolder.h"

namespace archiver {
namespace fs = std::filesystem;
namespace {

// A take out's work folder: the extracted tree, the replaced files kept at
// hand (under the destination's name and their own paths, ready to go to the
// trash as one folder), files between two spellings of a name, and the journal.
constexpr const char* kTree = "tree";
constexpr const char* kKept = "kept";
constexpr const char* kReplaced = "replaced";
constexpr const char* kJournal = "journal";
constexpr const char* kJournalBeingWritten = "journal.tmp";
constexpr std::string_view kJournalFirstLine = "FZARC merge 1";
constexpr std::string_view kJournalLastLine = "end";

std::string shown(const fs::path& p) {
    return sysutil::utf8FromPath(p);
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// The entries of a folder by what Windows takes for the same name, each
// under the name the folder itself holds (a case-insensitive system finds
// "Summary.tsm" for "SUMMARY.TSM" but would not say which it holds).
class NamesIn {
public:
    explicit NamesIn(const fs::path& folder) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const auto key = sysutil::nameKey(sysutil::utf8FromPath(it->path().filename()));
            if (!byKey_.emplace(key, it->path()).second) twins_.emplace(key, it->path());
        }
    }
    // The entry of the same name, or an empty path.
    fs::path find(const fs::path& name) const {
        const auto it = byKey_.find(sysutil::nameKey(sysutil::utf8FromPath(name)));
        return it == byKey_.end() ? fs::path() : it->second;
    }
    // A second entry of the same name (a system that tells case apart holds
    // both), or an empty path.
    fs::path twin(const fs::path& name) const {
        const auto it = twins_.find(sysutil::nameKey(sysutil::utf8FromPath(name)));
        return it == twins_.end() ? fs::path() : it->second;
    }

private:
    std::map<std::u32string, fs::path> byKey_;
    std::map<std::u32string, fs::path> twins_;
};

// In name order, so that a merge takes the same steps however often it runs.
std::vector<fs::directory_entry> entriesOf(const fs::path& folder) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries{fs::directory_iterator(folder, ec), fs::directory_iterator()};
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
    return entries;
}

// Whether the folder holds an entry spelt exactly so (not merely one that
// Windows takes for the same).
bool holdsSpelling(const fs::path& folder, const fs::path& name) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().native() == name.native()) return true;
    return false;
}

// Whether every folder on the way from `base` to `relative`'s entry is a
// folder of its own, not a link to one elsewhere.
bool throughFolders(const fs::path& base, const fs::path& relative) {
    fs::path at = base;
    for (const auto& part : relative.parent_path()) {
        at /= part;
        std::error_code ec;
        const fs::directory_entry entry(at, ec);
        if (ec || !entry.is_directory(ec) || sysutil::isLink(entry)) return false;
    }
    return true;
}

// Refuses, before anything moves, what a merge could only do by replacing a
// folder with a file or the other way round, or by writing through a link.
ArchiveResult checkMerge(const fs::path& from, const fs::path& into) {
    // What a folder holds must be known: a file of the same name would be
    // replaced without being kept, and lost if a later move fails.
    std::error_code listed;
    for (fs::directory_iterator it(into, listed), end; !listed && it != end; it.increment(listed)) {
    }
    if (listed) return failed::unreadable(into, listed);
    const NamesIn existing(into);
    for (const auto& e : entriesOf(from)) {
        const fs::path there = existing.find(e.path().filename());
        if (there.empty()) continue;
        // Which of the two it replaces, only Windows could say.
        if (const fs::path twin = existing.twin(e.path().filename()); !twin.empty())
            return failed::destinationTwins(shown(there), shown(twin));
        std::error_code ec;
        const bool srcDir = e.is_directory(ec);
        const auto st = fs::symlink_status(there, ec);
        if (srcDir != fs::is_directory(st) || fs::is_symlink(st)) return failed::fileMeetsFolder(shown(there));
        if (srcDir)
            if (auto s = checkMerge(e.path(), there); !s.ok()) return s;
    }
    return ArchiveResult::success();
}

// One move of a merge. `from` is relative to the extracted tree, `to` to the
// destination; `oldName` is the name the destination's folder held for the
// entry (perhaps in another case), empty for a new one.
struct Step {
    fs::path from;
    fs::path to;
    fs::path oldName;
};

// Every move into `destination`, in the order they are made: a folder the
// destination already has is merged, anything else moves whole.
void planMerge(const fs::path& tree, const fs::path& destination, const fs::path& from, const fs::path& to,
               std::vector<Step>& steps) {
    const NamesIn existing(to.empty() ? destination : destination / to);
    for (const auto& e : entriesOf(from.empty() ? tree : tree / from)) {
        const fs::path name = e.path().filename();
        const fs::path there = existing.find(name);
        std::error_code ec;
        if (!there.empty() && e.is_directory(ec)) {
            planMerge(tree, destination, from / name, to / there.filename(), steps);
            continue;
        }
        // The same file already: nothing to replace, nothing to keep.
        if (!there.empty() && there.filename() == name && sysutil::sameContent(e.path(), there)) continue;
        steps.push_back({from / name, to / name, there.empty() ? fs::path() : there.filename()});
    }
}

// The journal is text, one step a line, its names as the disk holds them,
// '/' between folders, and control characters, '%' and '/' as %XX.
std::string journalText(const fs::path& relative) {
    std::string out;
    for (const auto& part : relative) {
        if (!out.empty()) out += '/';
        for (const char ch : sysutil::utf8FromPath(part)) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 || c == 0x7F || c == '%' || c == '/') {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                out += hex;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

// The relative path back; nothing for a name that would leave the folder.
std::optional<fs::path> journalPath(std::string_view text) {
    fs::path out;
    std::string part;
    auto take = [&] {
        const fs::path p = sysutil::pathFromUtf8(part);
        if (part.empty() || part == "." || part == ".." || p.has_root_path() || p.filename() != p) return false;
        out /= p;
        part.clear();
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '/') {
            if (!take()) return std::nullopt;
        } else if (text[i] == '%') {
            unsigned value = 0;
            if (i + 2 >= text.size() || std::sscanf(std::string(text.substr(i + 1, 2)).c_str(), "%2x", &value) != 1)
                return std::nullopt;
            part += static_cast<char>(value);
            i += 2;
        } else {
            part += text[i];
        }
    }
    if (!take()) return std::nullopt;
    return out;
}

// Written beside, flushed, then renamed: a journal is whole or absent.
std::error_code writeJournal(const fs::path& work, const std::vector<Step>& steps) {
    std::string text = std::string(kJournalFirstLine) + "\n";
    for (const auto& s : steps) {
        text += s.oldName.empty() ? "N" : "R";
        for (const auto* part : {&s.from, &s.to, &s.oldName})
            if (!part->empty()) {
                text += '\t';
                text += journalText(*part);
            }
        text += "\n";
    }
    text += std::string(kJournalLastLine) + "\n";
    sysutil::StagedFile journal;
    if (const auto ec = journal.createIn(work, kJournalBeingWritten)) return ec;
    if (const auto ec = journal.write(text.data(), text.size())) return ec;
    return journal.publish(work / kJournal, sysutil::Publish::Replacing);
}

std::optional<std::vector<Step>> readJournal(const fs::path& work) {
    std::ifstream in(work / kJournal, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != kJournalFirstLine) return std::nullopt;
    std::vector<Step> steps;
    while (std::getline(in, line)) {
        if (line == kJournalLastLine) return steps;
        std::vector<std::string_view> fields;
        for (std::size_t start = 0;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(std::string_view(line).substr(start, tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        const bool replaces = fields[0] == "R";
        if (fields.size() != (replaces ? 4u : 3u) || (!replaces && fields[0] != "N")) return std::nullopt;
        Step s;
        const auto from = journalPath(fields[1]);
        const auto to = journalPath(fields[2]);
        const auto oldName = replaces ? journalPath(fields[3]) : std::optional<fs::path>(fs::path());
        if (!from || !to || !oldName || (replaces && oldName->filename() != *oldName)) return std::nullopt;
        steps.push_back({*from, *to, *oldName});
    }
    return std::nullopt;  // cut short: no "end"
}

// Removes the journal, once more if a first try fails (a file held for a
// moment): a journal left behind would replay the merge.
bool removeJournal(const fs::path& work) {
    std::error_code ec;
    fs::remove(work / kJournal, ec);
    if (ec) fs::remove(work / kJournal, ec);
    return !ec;
}

// The moves of a merge and what each needs: the replaced file kept at hand,
// and, for a file renamed to another case, its place between the two names.
class Moves {
public:
    Moves(const fs::path& work, fs::path destination, std::vector<Step> steps)
        : work_(work), tree_(extractedTree(work)), destination_(std::move(destination)), steps_(std::move(steps)) {}

    const std::vector<Step>& steps() const { return steps_; }
    const fs::path& destination() const { return destination_; }
    fs::path source(std::size_t i) const { return tree_ / steps_[i].from; }
    fs::path target(std::size_t i) const { return destination_ / steps_[i].to; }
    fs::path old(std::size_t i) const { return target(i).parent_path() / steps_[i].oldName; }
    fs::path kept(std::size_t i) const { return replaced() / steps_[i].to.parent_path() / steps_[i].oldName; }
    // Every replaced file, below a folder named as the destination.
    fs::path replaced() const {
        return work_ / kReplaced / (destination_.has_filename() ? destination_.filename() : fs::path(kReplaced));
    }
    fs::path between(std::size_t i) const { return work_ / kKept / (std::to_string(i) + ".case"); }

    // A second name for the old file (a hard link, or a copy where the file
    // system has none), so that at every moment the file exists at its place.
    bool keep(std::size_t i, std::error_code& ec) {
        fs::create_directory(work_ / kKept, ec);
        if (!ec) fs::create_directories(kept(i).parent_path(), ec);
        if (ec) return false;
        fs::create_hard_link(old(i), kept(i), ec);
        if (ec && fs::copy_file(old(i), kept(i), ec)) fs::last_write_time(kept(i), fs::last_write_time(old(i), ec), ec);
        if (ec) {
            std::error_code ignored;  // a half copy must never come back as the old file
            fs::remove(kept(i), ignored);
        }
        return !ec;
    }

    // Gives the new entry its own name where the folder held the old one in
    // another case. A system that tells the two apart kept both: the old one
    // goes. One that does not replaced the file under its old name, which
    // takes the new one through a second name (some systems take renaming a
    // file to itself, in whatever case, for nothing to do).
    void settleName(std::size_t i, std::error_code& ec) {
        ec.clear();
        if (present(between(i))) {
            fs::rename(between(i), target(i), ec);
            if (ec) return;
        }
        const Step& s = steps_[i];
        if (s.oldName.empty() || s.oldName == s.to.filename() || !present(old(i)) || !present(target(i))) return;
        if (fs::equivalent(old(i), target(i), ec)) {
            if (!holdsSpelling(target(i).parent_path(), s.oldName)) return;
            fs::rename(old(i), between(i), ec);
            if (!ec) fs::rename(between(i), target(i), ec);
        } else if (!ec) {
            fs::remove(old(i), ec);
        }
    }

private:
    fs::path work_;
    fs::path tree_;
    fs::path destination_;
    std::vector<Step> steps_;
};

// A merge under way in this run, remembering how far it got so that it can
// put everything back.
class Merge {
public:
    explicit Merge(Moves moves) : moves_(std::move(moves)) {}

    // The replaced files to the trash, as one folder; nothing when none was replaced.
    ArchiveResult trashReplaced(sysutil::Trash& trash) {
        std::error_code ec;
        if (!present(moves_.replaced()) || trash.moveToTrashAs(moves_.replaced(), moves_.destination(), ec))
            return ArchiveResult::success();
        return failed::cannotTrashReplaced(shown(moves_.replaced().filename()), ec);
    }

    ArchiveResult run() {
        for (std::size_t i = 0; i < moves_.steps().size(); ++i) {
            std::error_code ec;
            if (!moves_.steps()[i].oldName.empty() && !moves_.keep(i, ec))
                return failed::cannotPlace(shown(moves_.old(i)), ec);
            fs::rename(moves_.source(i), moves_.target(i), ec);
            if (ec) return failed::cannotPlace(shown(moves_.target(i)), ec);
            placed_ = i + 1;
            moves_.settleName(i, ec);
            if (ec) return failed::cannotPlace(shown(moves_.target(i)), ec);
        }
        return ArchiveResult::success();
    }

    // Takes every new entry back into the tree and puts every replaced file
    // back: at each moment both files of a step exist somewhere, so that a
    // kill here leaves a merge the next start can still finish. False when
    // something could not go back.
    bool undo() {
        bool whole = true;
        for (std::size_t i = placed_; i-- > 0;) {  // a step whose move failed left its files where they were
            std::error_code ec;
            const fs::path placed = present(moves_.between(i)) ? moves_.between(i) : moves_.target(i);
            fs::rename(placed, moves_.source(i), ec);
            // What cannot go back goes, unless the old file comes back over it.
            if (ec && placed != moves_.old(i)) whole = sysutil::removeTree(shown(placed)).empty() && whole;
            if (!moves_.steps()[i].oldName.empty() && present(moves_.kept(i))) {
                fs::rename(moves_.kept(i), moves_.old(i), ec);
                whole = !ec && whole;
            }
        }
        return whole;
    }

private:
    Moves moves_;
    std::size_t placed_ = 0;  // steps whose entry moved in
};

// Whether another run merges into the folder that holds `work` too: another
// work folder there holds a journal, and its owner holds it (or whether it
// does cannot be told). A journal whose run ended was finished before this
// take out began, or cannot be.
bool anotherMerge(const fs::path& work) {
    std::error_code ec;
    for (fs::directory_iterator it(work.parent_path(), ec), end; !ec && it != end; it.increment(ec))
        if (sysutil::workFolderOwner(sysutil::utf8FromPath(it->path().filename())) &&
            it->path().filename() != work.filename() && present(it->path() / kJournal) &&
            sysutil::workFolderInUse(it->path()))
            return true;
    return false;
}

}  // namespace

fs::path stagingParentFor(const fs::path& destination) {
    std::error_code ec;
    if (fs::is_directory(destination, ec)) return destination;
    return destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
}

fs::path extractedTree(const fs::path& work) {
    return work / kTree;
}

ArchiveResult compareWithDestination(const fs::path& work, const fs::path& destination,
                                     std::vector<fs::path>& changed) {
    const fs::path tree = extractedTree(work);
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(destination, ec))) return ArchiveResult::success();
    if (auto s = checkMerge(tree, destination); !s.ok()) return s;
    std::vector<Step> steps;
    planMerge(tree, destination, {}, {}, steps);
    for (const auto& s : steps)
        if (!s.oldName.empty() && !sysutil::sameContent(tree / s.from, destination / s.to.parent_path() / s.oldName))
            changed.push_back(s.to.parent_path() / s.oldName);
    return ArchiveResult::success();
}

ArchiveResult placeExtracted(const fs::path& work, const fs::path& destination, sysutil::Trash* trash,
                             const std::vector<fs::path>* agreed) {
    const fs::path tree = extractedTree(work);
    std::error_code ec;
    // Moved away with its folder: a merge of nothing is no success.
    if (!fs::is_directory(fs::symlink_status(tree, ec))) return failed::workFolderGone(shown(destination));
    if (!fs::exists(destination, ec)) {
        fs::rename(tree, destination, ec);
        return ec ? failed::cannotMakeDestination(shown(destination), ec) : ArchiveResult::success();
    }
    if (!fs::is_directory(destination, ec)) return failed::destinationNotAFolder(shown(destination));
    // A journal is finished into the folder that holds it: a work folder
    // beside a destination made meanwhile (by another take out, say) would
    // have a killed merge finished into the folder above.
    if (!fs::equivalent(work.parent_path(), destination, ec))
        return failed::destinationMadeMeanwhile(shown(destination));
    if (auto s = checkMerge(tree, destination); !s.ok()) return s;
    std::vector<Step> steps;
    planMerge(tree, destination, {}, {}, steps);
    if (steps.empty()) return ArchiveResult::success();
    // The user may have edited a file while the question was open.
    if (agreed)
        for (const auto& s : steps) {
            const fs::path old = s.to.parent_path() / s.oldName;
            if (!s.oldName.empty() && std::find(agreed->begin(), agreed->end(), old) == agreed->end() &&
                !sysutil::sameContent(tree / s.from, destination / old))
                return failed::changedMeanwhile(shown(old));
        }
    if (const auto unwritten = writeJournal(work, steps))
        return failed::cannotWriteDestination(shown(destination), unwritten);
    // Two merges into one folder at once would leave some files of each.
    // Each publishes its journal, then looks for another's: of two at once,
    // the later one always sees the earlier, and steps back.
    if (anotherMerge(work)) {
        removeJournal(work);
        return failed::anotherMergeUnderWay(shown(destination));
    }
    Merge merge(Moves(work, destination, std::move(steps)));
    auto result = merge.run();
    if (result.ok() && trash) result = merge.trashReplaced(*trash);
    // Done, or undone: the journal goes. Anything that could not go back
    // keeps it, and once this run lets go of its work folder, whoever next
    // tidies the folder finishes the merge instead.
    if (result.ok() || merge.undo()) removeJournal(work);
    return result;
}

bool finishMerge(const fs::path& work, sysutil::Trash* trash) {
    if (present(work / kJournal)) {
        const auto steps = readJournal(work);
        if (!steps) return false;
        Moves moves(work, work.parent_path(), *steps);
        for (std::size_t i = 0; i < steps->size(); ++i) {
            std::error_code ec;
            // A journal is followed only through real folders: one planted with
            // a link on its way (by an archive, say) would move files elsewhere.
            if (!throughFolders(work.parent_path(), (*steps)[i].to) ||
                !throughFolders(work, fs::path(kTree) / (*steps)[i].from))
                return false;
            if (present(moves.source(i))) {
                // The file it replaces is kept first, as the run would have kept it.
                if (!(*steps)[i].oldName.empty() && !present(moves.kept(i)) && present(moves.old(i)) &&
                    !moves.keep(i, ec))
                    return false;
                fs::rename(moves.source(i), moves.target(i), ec);
                if (ec) return false;
            }
            moves.settleName(i, ec);
            if (ec) return false;
        }
        if (!removeJournal(work)) return false;
    }
    // The replaced files go to the trash, as the user was told. A tidying
    // with no trash to hand (a take out's or put away's own, fzarc-lha's)
    // leaves them here for a run that has one. Where the place has no trash,
    // the question said they go for good.
    const Moves merged(work, work.parent_path(), {});
    if (!present(merged.replaced())) return true;
    if (!trash) return false;
    std::error_code ec;
    return !trash->offersTrashFor(merged.replaced()) ||
           trash->moveToTrashAs(merged.replaced(), merged.destination(), ec);
}

bool awaitsTheTrash(const fs::path& folder) {
    const Moves merged(folder, folder.parent_path(), {});
    return !present(folder / kJournal) && present(merged.replaced()) && !sysutil::claimLeftover(folder).empty();
}

void discardWork(sysutil::WorkFolder& work) {
    if (!present(work.path() / kJournal)) sysutil::removeWorkFolder(work);
}

}  // namespace archiver
