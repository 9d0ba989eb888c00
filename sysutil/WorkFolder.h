#pragma once
// The hidden folders FZARC works in beside what it makes: a take out's staging
// folder, a new archive being written, a settings file being replaced. Each
// is named ".fzarc-<kind>-<pid>-<n>" (the numbers only make the name unique)
// and holds a marker made right after the folder itself. Its owner keeps a
// lock on the marker for as long as it works there; the lock goes with the
// owner, however it ends. So work under way is told from what a killed run
// left behind by the lock alone, whatever process numbers say (they start
// again after a reboot, and differ in another PID namespace or on another
// machine sharing the folder), and both from anything of the user's that
// only looks like it.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace sysutil {

// The marker inside every work folder: an empty file, made first, removed last.
inline constexpr const char* kWorkMarker = ".fzarc-work";

// The kinds of work folder FZARC makes.
inline constexpr const char* kWorkStaging = "staging";
inline constexpr const char* kWorkArchive = "archive";
inline constexpr const char* kWorkSettings = "settings";

// A work folder held: the lock on its marker lasts as long as this does (or
// until release). Empty when it holds no folder.
class WorkFolder {
public:
    WorkFolder() = default;
    ~WorkFolder();
    WorkFolder(WorkFolder&& other) noexcept;
    WorkFolder& operator=(WorkFolder&& other) noexcept;
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool empty() const { return path_.empty(); }

    // Lets go of the lock, the folder staying where it is: from now on a
    // tidying takes it for what a finished run left.
    void release();

private:
    friend WorkFolder createWorkFolder(const std::filesystem::path&, const std::string&, std::error_code&);
    friend WorkFolder claimLeftover(const std::filesystem::path&);
#if defined(_WIN32)
    using Handle = void*;
    static constexpr Handle kNone = nullptr;
#else
    using Handle = int;
    static constexpr Handle kNone = -1;
#endif
    WorkFolder(std::filesystem::path path, Handle lock) : path_(std::move(path)), lock_(lock) {}

    std::filesystem::path path_;
    Handle lock_ = kNone;
};

// Makes a new work folder of `kind` in `parent`, hidden, with its marker,
// and holds it. An empty one, and `ec` set, when it cannot. On a file system
// that cannot lock, the folder is made all the same: a tidying there leaves
// it alone, as it leaves every folder it cannot judge.
WorkFolder createWorkFolder(const std::filesystem::path& parent, const std::string& kind, std::error_code& ec);

// The process number in `name` when it is exactly a work folder's name: a
// kind FZARC uses, then digits only, twice. Only a name: it says nothing of
// whether that work goes on.
std::optional<unsigned long> workFolderOwner(const std::string& name);

// Takes over what a run no longer working left behind: a folder (not a
// link) named exactly as FZARC names them, holding the marker and beside it
// only what a run of its kind makes there, whose lock nobody holds. The lock is then held by the folder returned, so
// that no other tidying meddles; empty for anything else, including work under way, a folder on a file system that
// cannot lock, and one whose marker this run may only read (the lock it could take there keeps no other tidying out).
// A folder of that name holding nothing at all (a run killed right after
// making it) is removed here: there is nothing to lose.
WorkFolder claimLeftover(const std::filesystem::path& path);

// Whether a work folder is in use: its marker's lock is held by someone
// else, or cannot be told (a file system that cannot lock). A marker that is
// no plain file is no work of ours.
bool workFolderInUse(const std::filesystem::path& path);

// Removes a held work folder, its marker last, so that a removal cut short
// still leaves it recognisable, and lets go of it. What a first pass could not
// remove gets more (a file held for a moment, by a virus scanner say);
// anything still left waits for the next start. True when it went.
bool removeWorkFolder(WorkFolder& work);

}  // namespace sysutil
