// The data-safety test: every command of the window, and fzarc-lha's E and A,
// run in hostile workspaces, every question answered Yes, then Yes to fewer
// and fewer, down to none. After each run every file, folder and link that was there before is still there,
// the same, unless a question answered Yes named it, and then the trash holds
// it; nothing changed outside the folders the command works in; and no name
// appeared that Windows takes for one already there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

#include "commands/ArchiveCommands.h"
#include "archive/ArchiveTestUtil.h"
#include "archive/CuttingBoard.h"
#include "archive/WorkFolders.h"
#include "settings/INIAccess.h"
#include "support/FakeDialogs.h"
#include "support/FakeTrash.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"

namespace fs = std::filesystem;
using archivetest::Tree;

namespace {

// Paths as the commands take them: UTF-8 on Windows, the name's own bytes on Linux.
std::string text(const fs::path& p) {
    return sysutil::utf8FromPath(p);
}
fs::path name(const std::string& bytes) {
    return sysutil::pathFromUtf8(bytes);
}

constexpr const char* kBoard = "engine/Scenario/FZARC_まな板";

// ---- Snapshots: every path below a folder, its type, content and link target.

struct Entry {
    char type;  // 'd'irectory, 'f'ile, 'l'ink, 'o'ther
    std::string content;
    bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;  // path below the root, '/'-separated, the name's own bytes

std::string key(const fs::path& relative) {
    const std::u8string s = relative.generic_u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

Snapshot snapshot(const fs::path& root) {
    Snapshot out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const auto status = it->symlink_status();
        Entry e{'o', {}};
        if (fs::is_symlink(status))
            e = {'l', text(fs::read_symlink(it->path()))};
        else if (fs::is_directory(status))
            e = {'d', {}};
        else if (fs::is_regular_file(status))
            e = {'f', testsupport::readFile(it->path())};
        out[key(it->path().lexically_relative(root))] = e;
    }
    return out;
}

std::string baseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// A path for a report: bytes that are not UTF-8 as \xNN.
std::string printable(const std::string& path) {
    std::string out;
    for (std::size_t i = 0; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        const std::size_t n = c < 0x80                ? 1
                              : c >= 0xC2 && c < 0xE0 ? 2
                              : c >= 0xE0 && c < 0xF0 ? 3
                              : c >= 0xF0 && c < 0xF5 ? 4
                                                      : 0;
        bool valid = n > 0 && i + n <= path.size();
        for (std::size_t k = 1; valid && k < n; ++k) valid = (static_cast<unsigned char>(path[i + k]) & 0xC0) == 0x80;
        if (valid) {
            out += path.substr(i, n);
            i += n;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
            ++i;
        }
    }
    return out;
}

// Whether `text` shows `name` whole, not as a part of a longer name.
bool mentions(const std::string& text, const std::string& name) {
    auto partOfAName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    };
    for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
        if ((at == 0 || !partOfAName(text[at - 1])) &&
            (at + name.size() == text.size() || !partOfAName(text[at + name.size()])))
            return true;
    return false;
}

bool under(const std::string& path, const std::string& folder) {
    return path == folder || path.starts_with(folder + "/");
}

// ---- Workspaces.

// A workspace: settings, an engine with its board, the stored fridge, the
// fridge the list shows (the stored one unless changed for this run), and
// folders outside; what the commands work on in it.
struct Ws {
    fs::path root;
    fs::path board, fridge, shown, outside;
    std::string archive;          // in the shown fridge, the name's own bytes
    std::string scenario;         // on the board
    std::string newName = "New";  // put away's answer
    std::vector<fs::path> drop;   // dropped on the window
    std::vector<fs::path> mounts;
    std::string cannot = "mount needs root";  // why a workspace could not be made here

    fs::path rel(const std::string& utf8) const { return root / testsupport::u8(utf8); }
    // An archive of `tree`, made by our archiver.
    void lzh(const fs::path& path, const Tree& tree) const {
        const fs::path src = root.parent_path() / "src";
        fs::remove_all(src);
        fs::create_directories(src);
        archivetest::makeTree(src, tree);
        archiver::Unlha32Archiver a;
        const auto made = a.create(text(path), text(src), lha::kLh5, [](const auto&) { return true; });
        ASSERT_TRUE(made.ok()) << made.message;
        fs::remove_all(src);
    }
    bool mount(const fs::path& at) {
#if defined(_WIN32)
        (void)at;
        cannot = "no mounts on Windows";
        return false;
#endif
        fs::create_directories(at);
        if (testsupport::run("mount -t tmpfs -o size=4m tmpfs '" + at.string() + "' 2>/dev/null") != 0) return false;
        mounts.push_back(at);
        return true;
    }
};

const Tree kCastle = {{"Summary.tsm", "castle"}, {"readme.txt", "read me"}, {"sub/s.txt", "s"}};

struct Workspace {
    const char* name;
    std::function<bool(Ws&)> build;  // false: cannot be made here (a note says why)
    bool ordinaryUser = false;       // permissions hold only for a user who is not root
};

// A link to a folder; false (and why) where the system makes none.
bool folderLink(Ws& w, const fs::path& target, const fs::path& link) {
    if (testsupport::tryDirectorySymlink(target, link)) return true;
    w.cannot = "no symbolic links here";
    return false;
}

const Workspace kWorkspaces[] = {
    {"plain",
     [](Ws& w) {
         w.lzh(w.fridge / "Castle.LZH", kCastle);
         archivetest::makeTree(w.board / "Castle", kCastle);
         archivetest::makeTree(w.board, {{"Other/Summary.tsm", "other"}, {"Other/notes.txt", "mine"}, {"Empty/", ""}});
         w.archive = "Castle.LZH", w.scenario = "Castle";
         return true;
     }},
    // フォルダ変更 shows another fridge; the stored one lies inside a scenario.
    {"temporary fridge, stored one in a scenario",
     [](Ws& w) {
         w.fridge = w.board / "Keep" / "fridge";
         w.shown = w.outside / "temporary";
         fs::create_directories(w.shown);
         archivetest::makeTree(w.board / "Keep", {{"Summary.tsm", "keep"}});
         fs::create_directories(w.fridge);
         w.lzh(w.fridge / "Keep.LZH", {{"Summary.tsm", "keep"}});
         w.lzh(w.shown / "Castle.LZH", kCastle);
         w.archive = "Castle.LZH", w.scenario = "Keep";
         return true;
     }},
    {"scenario that is a mount point",
     [](Ws& w) {
         if (!w.mount(w.board / "Stick")) return false;
         archivetest::makeTree(w.board / "Stick", {{"Summary.tsm", "stick"}, {"readme.txt", "r"}, {"data/d.txt", "d"}});
         w.lzh(w.fridge / "Stick.LZH", {{"Summary.tsm", "stick"}, {"readme.txt", "r"}});
         w.archive = "Stick.LZH", w.scenario = "Stick";
         return true;
     }},
    {"mount inside a scenario",
     [](Ws& w) {
         archivetest::makeTree(w.board / "Castle", {{"Summary.tsm", "castle"}, {"readme.txt", "read me"}});
         if (!w.mount(w.board / "Castle" / "Data")) return false;
         archivetest::makeTree(w.board / "Castle" / "Data", {{"save.dat", "progress"}});
         w.lzh(w.fridge / "Castle.LZH", {{"Summary.tsm", "castle"}, {"readme.txt", "read me"}, {"Data/new.txt", "n"}});
         w.archive = "Castle.LZH", w.scenario = "Castle";
         return true;
     }},
    {"board folder linked out of the board",
     [](Ws& w) {
         archivetest::makeTree(w.outside / "elsewhere",
                               {{"Summary.tsm", "elsewhere"}, {"readme.txt", "the user's, elsewhere"}, {"empty/", ""}});
         if (!folderLink(w, w.outside / "elsewhere", w.board / "Link")) return false;
         w.lzh(w.fridge / "Link.LZH", {{"Summary.tsm", "link"}, {"readme.txt", "archived"}});
         w.archive = "Link.LZH", w.scenario = "Link";
         return true;
     }},
    {"board folder linked to another scenario",
     [](Ws& w) {
         archivetest::makeTree(w.board / "Castle", {{"Summary.tsm", "castle"}, {"readme.txt", "the user's"}});
         if (!folderLink(w, "Castle", w.board / "Alias")) return false;
         w.lzh(w.fridge / "Alias.LZH", {{"Summary.tsm", "alias"}, {"readme.txt", "archived"}});
         w.archive = "Alias.LZH", w.scenario = "Alias";
         return true;
     }},
    // Taken out before; since then readme.txt edited, mine.txt added, a.txt deleted.
    {"scenario changed since its take out",
     [](Ws& w) {
         w.lzh(w.fridge / "Castle.LZH",
               {{"Summary.tsm", "castle"}, {"readme.txt", "v1"}, {"a.txt", "a"}, {"sub/s.txt", "s"}});
         archivetest::makeTree(w.board / "Castle", {{"Summary.tsm", "castle"},
                                                    {"readme.txt", "edited an hour ago"},
                                                    {"mine.txt", "added"},
                                                    {"sub/s.txt", "s"}});
         w.archive = "Castle.LZH", w.scenario = "Castle";
         return true;
     }},
    {"case twins",
     [](Ws& w) {
         w.lzh(w.fridge / "castle.lzh", {{"Summary.tsm", "lower"}, {"readme.txt", "archived"}});
         archivetest::makeTree(w.board / "Castle", {{"Summary.tsm", "upper"}, {"readme.txt", "the user's"}});
         w.lzh(w.outside / "CASTLE.LZH", {{"Summary.tsm", "dropped"}});
         w.archive = "castle.lzh", w.scenario = "Castle", w.newName = "CASTLE", w.drop = {w.outside / "CASTLE.LZH"};
         return true;
     }},
    // Names in neither UTF-8 nor CP932: both archives would be shown as "��".
    {"undecodable names",
     [](Ws& w) {
#if defined(_WIN32)
         // Windows names are UTF-16: there, every name decodes.
         w.cannot = "Windows names are UTF-16";
         return false;
#endif
         w.lzh(w.fridge / "\xff\xfe.LZH", {{"Summary.tsm", "ff fe"}, {"readme.txt", "first"}});
         w.lzh(w.fridge / "\xfe\xff.LZH", {{"Summary.tsm", "fe ff"}, {"readme.txt", "second"}});
         archivetest::makeTree(w.board / "\xef\xbf\xbd\xef\xbf\xbd",
                               {{"Summary.tsm", "ff fe"}, {"readme.txt", "first"}});
         archivetest::makeTree(w.board / "\xfe\xff", {{"Summary.tsm", "raw"}, {"readme.txt", "the user's"}});
         w.lzh(w.outside / "\xff\xfe.LZH", {{"Summary.tsm", "dropped"}});
         w.archive = "\xfe\xff.LZH", w.scenario = "\xfe\xff", w.drop = {w.outside / "\xff\xfe.LZH"};
         return true;
     }},
    {"read-only parts",
     [](Ws& w) {
         w.lzh(w.fridge / "Castle.LZH", {{"Summary.tsm", "castle"}, {"readme.txt", "archived"}, {"ro/x.txt", "x2"}});
         archivetest::makeTree(w.board / "Castle",
                               {{"Summary.tsm", "castle"}, {"readme.txt", "the user's"}, {"ro/x.txt", "x1"}});
         fs::permissions(w.board / "Castle" / "readme.txt", fs::perms::owner_read);
         fs::permissions(w.board / "Castle" / "ro", fs::perms::owner_read | fs::perms::owner_exec);
         w.archive = "Castle.LZH", w.scenario = "Castle";
         return true;
     },
     true},
    {"empty archive",
     [](Ws& w) {
         w.lzh(w.fridge / "Empty.LZH", {});
         archivetest::makeTree(w.board / "Empty", {{"Summary.tsm", "empty"}, {"notes.txt", "the user's"}});
         w.archive = "Empty.LZH", w.scenario = "Empty";
         return true;
     }},
    // The user's folders that look like FZARC's work folders.
    {"look-alike work folders",
     [](Ws& w) {
         w.lzh(w.fridge / "Castle.LZH", kCastle);
         archivetest::makeTree(w.board / "Castle", kCastle);
         archivetest::makeTree(w.board, {{".fzarc-staging-999999-1/notes.txt", "mine"},
                                         {"Castle/.fzarc-staging-999999-2/notes.txt", "mine"}});
         archivetest::makeTree(w.fridge, {{".fzarc-archive-999999-1/keep.txt", "mine"}});
         w.archive = "Castle.LZH", w.scenario = "Castle";
         return true;
     }},
};

// ---- The commands, each called as the window (or a user of fzarc-lha) calls it.

struct Session {
    Ws& ws;
    fakes::FakeDialogs dialogs;
    fakes::FakeTrash trash;
    archiver::Unlha32Archiver archiver;
};

commands::FridgeSelection selection(const Ws& w) {
    const std::string shown = sysutil::displayName(name(w.archive));
    return {text(w.shown), w.archive, shown == w.archive ? std::string() : shown};
}

// fzarc-lha with these arguments, as given (no shell between).
void fzarcLha(std::vector<std::string> args) {
#if defined(_WIN32)
    // The build names it by its Unix path under Wine, whose drive Z: is the root.
    std::wstring program = name(FZARC_LHA_BIN).wstring();
    if (!program.empty() && program[0] == L'/') program = L"Z:" + program;
    // The C runtime joins the arguments into one line: each goes in quotes,
    // backslashes before a quote doubled, so it comes back whole.
    std::vector<std::wstring> quoted{L"\"" + program + L"\""};
    for (const auto& a : args) {
        std::wstring q = L"\"", w = name(a).wstring();
        for (std::size_t i = 0; i < w.size(); ++i) {
            std::size_t slashes = 0;
            while (i < w.size() && w[i] == L'\\') ++slashes, ++i;
            if (i == w.size()) {
                q.append(slashes * 2, L'\\');
                break;
            }
            if (w[i] == L'"') slashes = slashes * 2 + 1;
            q.append(slashes, L'\\');
            q += w[i];
        }
        quoted.push_back(q + L"\"");
    }
    std::vector<const wchar_t*> argv;
    for (const auto& a : quoted) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int null = _wopen(L"NUL", _O_WRONLY);
    const int out = _dup(1), err = _dup(2);
    _dup2(null, 1), _dup2(null, 2);
    const auto code = _wspawnv(_P_WAIT, program.c_str(), argv.data());
    _dup2(out, 1), _dup2(err, 2);
    _close(out), _close(err), _close(null);
    // 0 to 2 are its answers; anything else is a crash (3: abort).
    EXPECT_TRUE(code >= 0 && code <= 2) << "fzarc-lha ended with " << code << " on " << args[1];
#else
    args.insert(args.begin(), FZARC_LHA_BIN);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1), dup2(null, 2);
        // Run as an ordinary user, the program is opened as root first: that
        // user may not search the folders of the build.
        const uid_t user = geteuid();
        const gid_t group = getegid();
        int program = -1;
        if (user == 0 || seteuid(0) == 0) {
            program = open(argv[0], O_RDONLY | O_CLOEXEC);
            if (user != 0 && (setegid(group) != 0 || seteuid(user) != 0)) _exit(126);
        }
        if (program >= 0) fexecve(program, argv.data(), environ);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 2) << "fzarc-lha crashed on " << args[2];
#endif
}

struct Command {
    const char* name;
    std::function<void(Session&)> run;
    // The folders it may write in, and what it is meant to change there.
    std::function<std::vector<fs::path>(const Ws&)> areas;
    std::function<bool(const std::string& path, const Snapshot& before, const Ws&)> itsOwn = {};
    // A command line asks nothing and has no trash: the folder it names is
    // the user's yes to what lands there.
    std::function<fs::path(const Ws&)> namedFolder = {};
};

fs::path extractedInto(const Ws& w) {
    return w.board / name(w.archive.substr(0, w.archive.size() - 4));
}

const Command kCommands[] = {
    {"take out",
     [](Session& r) { commands::takeOut(selection(r.ws), text(r.ws.board) + "/", r.dialogs, r.archiver, r.trash); },
     [](const Ws& w) { return std::vector{w.board}; }},
    {"put away",
     [](Session& r) {
         r.dialogs.inputs = {r.ws.newName};
         commands::putAway(text(r.ws.board / name(r.ws.scenario)), text(r.ws.shown), r.dialogs, r.archiver, r.trash);
     },
     [](const Ws& w) { return std::vector{w.shown}; }},
    {"throw away scenario",
     [](Session& r) {
         commands::throwAwayScenario(text(r.ws.board / name(r.ws.scenario)), {text(r.ws.fridge), text(r.ws.shown)},
                                     r.dialogs, r.trash);
     },
     [](const Ws& w) { return std::vector{w.board}; }},
    {"throw away archive", [](Session& r) { commands::throwAwayArchive(selection(r.ws), r.dialogs, r.trash); },
     [](const Ws& w) { return std::vector{w.shown}; }},
    {"drop",
     [](Session& r) {
         std::vector<std::string> files;
         for (const auto& f : r.ws.drop) files.push_back(text(f));
         commands::copyIntoFridge(files, text(r.ws.shown), r.dialogs, r.trash);
     },
     [](const Ws& w) { return std::vector{w.shown}; }},
    {"exit tidying", [](Session& r) { archiver::removeEmptyFoldersOutsideScenarios(text(r.ws.board) + "/"); },
     [](const Ws& w) { return std::vector{w.board}; },
     // What the setting promises: empty folders outside the scenarios.
     [](const std::string& path, const Snapshot& before, const Ws& w) {
         if (!under(path, key(w.board.lexically_relative(w.root)))) return false;
         for (auto it = before.lower_bound(path + "/"); it != before.end() && under(it->first, path); ++it)
             if (it->second.type != 'd') return false;
         return before.at(path).type == 'd';
     }},
    {"start tidying",
     [](Session& r) {
         const std::string board = text(r.ws.board) + "/";
         // At start the list shows the stored fridge; the window hands its trash.
         archiver::tidyAtStart(text(r.ws.fridge), board, sysutil::settingsFolder(), &r.trash);
         for (const auto& scenario : archiver::scenariosAmong(sysutil::listSubfolders(board)))
             archiver::removeLeftovers(sysutil::pathFromUtf8(scenario), &r.trash);
     },
     [](const Ws& w) {
         return std::vector{w.board, w.fridge, w.root / "settings"};
     }},
    {"settings save",
     [](Session& r) {
         settings::INIAccess ini;
         ini.FileName = settings::kIniFileName;
         ini.SetINIValues(settings::kSection, {{settings::kKeyTRPath, text(r.ws.root / "engine")},
                                               {settings::kKeyArcPath, text(r.ws.fridge)},
                                               {settings::kKeyExitRMNoFileDir, "0"}});
     },
     [](const Ws& w) { return std::vector{w.root / "settings"}; },
     [](const std::string& path, const Snapshot&, const Ws&) { return path == "settings/fzarc.ini"; }},
    // As a user takes an archive out onto the board by hand.
    {"fzarc-lha E",
     [](Session& r) {
         fzarcLha({"E", text(r.ws.shown / name(r.ws.archive)), text(extractedInto(r.ws)) + "/"});
     },
     [](const Ws& w) { return std::vector{w.board}; },
     {},
     extractedInto},
    {"fzarc-lha A",
     [](Session& r) {
         fzarcLha(
             {"A", text(r.ws.shown / name(r.ws.scenario + ".LZH")), text(r.ws.board / name(r.ws.scenario) / "*.*")});
     },
     [](const Ws& w) { return std::vector{w.shown}; }},
};

// Removes everything in `base` but `base`: what is mounted there first,
// wherever a command moved it.
void clear(const fs::path& base) {
#if defined(_WIN32)
    // Nothing is mounted; read-only files are what stand in the way.
    std::error_code ec;
    for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& e : fs::directory_iterator(base)) fs::remove_all(e.path(), ec);
#else
    std::vector<std::string> mounted;
    std::ifstream table("/proc/self/mounts");
    for (std::string device, at, rest; table >> device >> at && std::getline(table, rest);)
        if (at.starts_with(base.string() + "/")) mounted.push_back(at);
    std::sort(mounted.rbegin(), mounted.rend());  // the deepest first
    for (const auto& at : mounted) testsupport::run("umount -l '" + at + "'");
    testsupport::run("chmod -R u+rwx '" + base.string() + "'");
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(base)) fs::remove_all(e.path(), ec);
#endif
}

bool isMountPoint(const fs::path& folder) {
#if defined(_WIN32)
    (void)folder;
    return false;  // no mounts are made there
#else
    struct stat self, parent;
    return lstat(folder.c_str(), &self) == 0 && stat(folder.parent_path().c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
#endif
}

// ---- The judge.

// What is wrong after a run; empty when the promise held.
std::vector<std::string> judge(const Command& c, const Ws& w, const Snapshot& before, const Snapshot& after,
                               const Snapshot& trashed, const std::vector<std::string>& yesTexts, bool trashOffered) {
    std::vector<std::string> wrong;
    const std::string chosen = c.namedFolder ? key(c.namedFolder(w).lexically_relative(w.root)) : "";
    // On Windows the folder named on the command line is also every folder
    // whose name differs from it in case alone.
    auto inChosen = [&](const std::string& path) {
#if defined(_WIN32)
        return path.size() >= chosen.size() && sysutil::sameName(path.substr(0, chosen.size()), chosen) &&
               (path.size() == chosen.size() || path[chosen.size()] == '/');
#else
        return under(path, chosen);
#endif
    };
    auto named = [&](const std::string& path) {
        if (!chosen.empty() && inChosen(path)) return true;
        // The path or a folder above it, below the workspace's top folders.
        for (std::string p = path; p.find('/') != std::string::npos; p = p.substr(0, p.rfind('/'))) {
            const std::string shown = sysutil::displayName(name(baseName(p)));
            for (const auto& text : yesTexts)
                if (mentions(text, shown)) return true;
        }
        return false;
    };
    auto inTrash = [&](const std::string& path, const Entry& e) {
        for (const auto& [p, t] : trashed)
            if (const std::string name = baseName(p), was = baseName(path);
                (name == was || name.starts_with(was + ".")) && t == e)  // "name.2" beside a namesake
                return true;
        return false;
    };
    for (const auto& [path, entry] : before) {
        const auto now = after.find(path);
        if (now != after.end() && now->second == entry) continue;
        if (c.itsOwn && c.itsOwn(path, before, w)) continue;
        const char* what = now == after.end() ? "gone" : "changed";
        if (!named(path))
            wrong.push_back(std::string(what) + ", never named: " + path);
        else if (trashOffered && !c.namedFolder && !inTrash(path, entry))
            wrong.push_back(std::string(what) + ", named but not in the trash: " + path);
    }
    // The folders FZARC works in stay, whatever was answered: the fridge may
    // hold the only copy of every scenario put away.
    for (const auto& folder : {w.fridge, w.shown, w.board, w.root / "settings"})
        if (!fs::is_directory(folder))
            wrong.push_back("a folder FZARC works in is gone: " + key(folder.lexically_relative(w.root)));
    // What lies on another file system stays where it is mounted.
    for (const auto& m : w.mounts)
        if (!isMountPoint(m))
            wrong.push_back("the file system mounted here left: " + key(m.lexically_relative(w.root)));
    std::vector<std::string> areas;
    for (const auto& a : c.areas(w)) areas.push_back(key(a.lexically_relative(w.root)));
    for (const auto& [path, entry] : after) {
        const auto was = before.find(path);
        if (was != before.end() && was->second == entry) continue;
        if (std::none_of(areas.begin(), areas.end(), [&](const auto& a) { return under(path, a); }))
            wrong.push_back("written outside its folders: " + path);
        if (was != before.end() || path == chosen) continue;
        // A new name Windows takes for one beside it that was there before.
        const std::string parent = path.substr(0, path.rfind('/') + 1);
        for (const auto& [other, e] : before)
            if (other.starts_with(parent) && other.find('/', parent.size()) == std::string::npos && other != path &&
                sysutil::sameName(baseName(other), baseName(path)))
                wrong.push_back("a twin of " + other + ": " + path);
    }
    return wrong;
}

void PrintTo(const Command& c, std::ostream* os) {
    *os << c.name;
}

class Safety : public ::testing::TestWithParam<Command> {};

TEST_P(Safety, NothingOfTheUsersIsLostUnlessNamedAndInTheTrash) {
    const Command& c = GetParam();
    testsupport::TempDir base;
    fs::permissions(base.path(), fs::perms::all);  // the ordinary user's trash lies there too
    int workspaces = 0, runs = 0, losses = 0;
    std::vector<std::string> skipped;
    for (const auto& workspace : kWorkspaces) {
        bool counted = false;
        // Every question Yes, then Yes to fewer and fewer of those asked, down to none.
        constexpr int kAll = 1000;
        for (int yesCount = kAll, asked = 0; yesCount >= 0;
             yesCount = yesCount == kAll ? std::max(asked - 1, 0) : yesCount - 1) {
            const char answer = yesCount == kAll ? 'Y' : yesCount == 0 ? 'N' : 'P';
            Ws w;
            w.root = base.path() / "ws";
            w.board = w.rel(kBoard), w.fridge = w.root / "fridge", w.outside = w.root / "outside";
            fs::create_directories(w.board), fs::create_directories(w.fridge), fs::create_directories(w.outside);
            testsupport::writeFile(w.root / "engine" / "Tessarune.exe", "MZ");
            const bool made = workspace.build(w);
            if (!made) {
                skipped.push_back(std::string(workspace.name) + " (" + w.cannot + ")");
                clear(base.path());
                break;
            }
            if (w.shown.empty()) w.shown = w.fridge;
            if (w.drop.empty()) {
                w.drop = {w.outside / w.archive};
                w.lzh(w.drop[0], {{"Summary.tsm", "dropped"}});
            }
            fs::create_directories(w.root / "settings");
            testsupport::writeFile(w.root / "settings" / "fzarc.ini",
                                   "[FZARC Secound Edition]\r\nTRPath=" + text(w.root / "engine") +
                                       "\r\nArcPath=" + text(w.fridge) + "\r\nExitRMNoFileDir=1\r\n");
            sysutil::setSettingsFolder(text(w.root / "settings"));
            const fs::path trashFolder = base.path() / "trash";
            fs::create_directories(trashFolder);
            fs::permissions(trashFolder, fs::perms::all);

            const Snapshot before = snapshot(w.root);
            Session r{w, {}, fakes::FakeTrash(trashFolder), {}};
            r.dialogs.answers.assign(std::min(yesCount, 20), sysutil::MsgAnswer::Yes);
            r.dialogs.answers.insert(r.dialogs.answers.end(), 20, sysutil::MsgAnswer::No);
            {
                std::optional<testsupport::AsOrdinaryUser> user;
                if (workspace.ordinaryUser) user.emplace(base.path());
                c.run(r);
            }
            std::vector<std::string> yes;
            int questions = 0;
            for (const auto& q : r.dialogs.asked)
                if (q.buttons != sysutil::MsgButtons::Ok && questions++ < yesCount) yes.push_back(q.text);
            if (yesCount == kAll) asked = questions;
            const auto wrong = judge(c, w, before, snapshot(w.root), snapshot(trashFolder), yes, r.trash.offered);
            clear(base.path());
            counted = true;
            ++runs;

            const std::string label = std::string(workspace.name) + ", " +
                                      (answer == 'Y'   ? std::string("all Yes")
                                       : answer == 'N' ? std::string("all No")
                                                       : "Yes to the first " + std::to_string(yesCount) + ", then No");
            std::string report = std::string(c.name) + ", " + label;
            for (const auto& line : wrong) report += "\n  " + printable(line);
            for (const auto& q : r.dialogs.asked) {
                std::string text = q.text;
                for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " / ");
                report += "\n  said: " + printable(text);
            }
            if (!wrong.empty()) {
                ++losses;
                ADD_FAILURE() << "loss: " << report;
            }
        }
        workspaces += counted;
    }
    std::printf("%s: %d workspaces × every prefix of Yes answers (%d runs), %d losses", c.name, workspaces, runs,
                losses);
    for (const auto& s : skipped) std::printf("; skipped: %s", s.c_str());
    std::printf("\n");
}

INSTANTIATE_TEST_SUITE_P(Commands, Safety, ::testing::ValuesIn(kCommands), [](const auto& p) {
    std::string name = p.param.name;
    for (auto& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

}  // namespace
