// Take out and put away as the window runs them, on a small workspace in a
// temporary folder (/dev/shm where there is one). The first byte chooses:
//  even: the rest is an archive in the fridge, taken out onto a board where
//        its scenario already stands (files, a read-only file, links to
//        files and folders outside the workspace). Traps when anything
//        outside the scenario's folder changed, when the scenario is left
//        neither as it was nor as the archive says, or when a user's file
//        changed that the command had no word for.
//  odd:  the rest is a tree of names (any bytes, case twins, long names,
//        links) put away; traps when put away accepts a tree that take out
//        does not give back identically, or when either changes what it
//        read or leaves something half-made.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/ArchiveCommands.h"
#include "archive/EntryNames.h"
#include "archive/lha/lha_reader.h"
#include "support/FakeDialogs.h"
#include "support/FakeTrash.h"
#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

namespace fs = std::filesystem;

namespace {

// The one place this target calls take out.
commands::Outcome runTakeOut(const fs::path& fridge, const std::string& archiveName, const fs::path& board,
                             fakes::FakeDialogs& dialogs, sysutil::Trash& trash) {
    archiver::Unlha32Archiver archiver;
    return commands::takeOut(commands::FridgeSelection{fridge.string(), archiveName, ""},
                             sysutil::AddBackslash(board.string()), dialogs, archiver, trash);
}

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fuzz_place: %s\n", what);
    __builtin_trap();
}

struct Node {
    char type;            // 'f' file, 'd' folder, 'l' link, 'o' other
    std::string content;  // a file's bytes, a link's target
    unsigned mode;
    bool operator==(const Node&) const = default;
};
using Snapshot = std::map<std::string, Node>;  // path below the root, '/' separated, as bytes

void snap(const fs::path& dir, const std::string& prefix, Snapshot& out) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        const std::string rel = prefix + p.filename().string();
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) fault("lstat failed");
        Node n{'o', {}, static_cast<unsigned>(st.st_mode & 07777)};
        if (S_ISDIR(st.st_mode)) {
            n.type = 'd';
            snap(p, rel + "/", out);
        } else if (S_ISLNK(st.st_mode)) {
            n.type = 'l';
            n.content = fs::read_symlink(p, ec).string();
        } else if (S_ISREG(st.st_mode)) {
            n.type = 'f';
            std::ifstream in(p, std::ios::binary);
            n.content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        out[rel] = n;
    }
}

Snapshot snapshot(const fs::path& root) {
    Snapshot s;
    snap(root, "", s);
    return s;
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A path as Windows compares it: what take out matches an entry by.
std::u32string keyOf(const std::string& relative) {
    std::u32string key;
    std::size_t from = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', from);
        if (!key.empty()) key += U'/';
        key += sysutil::nameKey(relative.substr(from, slash - from));
        if (slash == std::string::npos) return key;
        from = slash + 1;
    }
}

// What a take out that succeeds leaves: each entry's data, by key.
struct Expected {
    std::map<std::u32string, std::string> files;
    std::set<std::u32string> folders;  // named or implied by a path
};

std::optional<Expected> expectedFrom(const std::uint8_t* data, std::size_t size) {
    lha::MemorySource source({data, size});
    lha::Reader reader(source);
    Expected x;
    for (std::optional<lha::Entry> e; reader.next(e) && e;) {
        const auto stored = archiver::storedPath(*e);
        const auto safe = archiver::safeComponents(stored.components);
        if (!safe) return std::nullopt;
        std::string rel;
        for (const auto& c : *safe) {
            if (!rel.empty()) x.folders.insert(keyOf(rel));
            rel += (rel.empty() ? "" : "/") + c;
        }
        if (rel.empty()) continue;
        if (e->isDirectory() || (stored.nameless && e->originalSize == 0)) {
            x.folders.insert(keyOf(rel));
            continue;
        }
        std::string bytes;
        if (!lha::decodeEntry(source, *e, [&](const std::uint8_t* p, std::size_t n) {
                bytes.append(reinterpret_cast<const char*>(p), n);
                return bytes.size() <= (1u << 20);
            }))
            return std::nullopt;
        x.files[keyOf(rel)] = bytes;
    }
    return x;
}

// Whether a question answered yes named the file, or the scenario it lies in
// (the question lists the first few files and counts the rest).
bool asked(const fakes::FakeDialogs& dialogs, bool answeredYes, const std::string& relative) {
    if (!answeredYes) return false;
    const std::string name = relative.substr(relative.rfind('/') + 1);
    for (const auto& q : dialogs.asked)
        if (q.buttons == sysutil::MsgButtons::YesNo &&
            (q.text.find(name) != std::string::npos || q.text.find("「Castle」") != std::string::npos))
            return true;
    return false;
}

// The board of a workspace, below its engine folder.
fs::path boardOf(const fs::path& w) {
    return w / "engine" / "Scenario" / "FZARC_まな板";
}

void takeOutInto(const fs::path& w, const std::uint8_t* data, std::size_t size, bool answerYes) {
    const fs::path board = boardOf(w), castle = board / "Castle", fridge = w / "fridge";
    fs::create_directories(w / "outside" / "dir");
    writeFile(w / "outside" / "target.txt", "outside");
    writeFile(w / "outside" / "dir" / "f.txt", "outside too");
    fs::create_directories(castle / "save");
    fs::create_directories(board / "Other");
    fs::create_directories(fridge);
    writeFile(castle / "Summary.tsm", "scenario");
    writeFile(castle / "save" / "slot.dat", "saved game");
    writeFile(castle / "readme.txt", "read me");
    fs::permissions(castle / "readme.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_symlink(w / "outside" / "target.txt", castle / "link");
    fs::create_directory_symlink(w / "outside" / "dir", castle / "linkdir");
    writeFile(board / "Other" / "Summary.tsm", "another");
    writeFile(fridge / "Castle.LZH", std::string(reinterpret_cast<const char*>(data), size));

    const std::string castleRel = "engine/Scenario/FZARC_まな板/Castle/";
    auto split = [&](const Snapshot& all, Snapshot& inside, Snapshot& outside) {
        for (const auto& [path, node] : all)
            (path.starts_with(castleRel) ? inside[path.substr(castleRel.size())] : outside[path]) = node;
    };
    Snapshot before, castleBefore;
    split(snapshot(w), castleBefore, before);

    fakes::FakeDialogs dialogs;
    dialogs.answers.assign(64, answerYes ? sysutil::MsgAnswer::Yes : sysutil::MsgAnswer::No);
    // Beside the workspace, on its file system: what is replaced goes there.
    fakes::FakeTrash trash(w.string() + "-trash");
    const auto outcome = runTakeOut(fridge, "Castle.LZH", board, dialogs, trash);

    Snapshot after, castleAfter;
    split(snapshot(w), castleAfter, after);
    if (after != before) fault("something outside the scenario's folder changed");
    if (outcome.scenarioFolder.empty()) {
        if (castleAfter != castleBefore) fault("a take out that failed changed the scenario");
        return;
    }
    const auto expected = expectedFrom(data, size);
    if (!expected) fault("take out succeeded on an archive that does not read whole");
    // Every entry as the archive holds it...
    std::map<std::u32string, std::string> pathOf;
    for (const auto& [path, node] : castleAfter) pathOf[keyOf(path)] = path;
    for (const auto& [key, bytes] : expected->files) {
        const auto it = pathOf.find(key);
        if (it == pathOf.end()) fault("an entry is missing from the scenario");
        const Node& n = castleAfter.at(it->second);
        if (n.type != 'f' || n.content != bytes) fault("an entry came out other than the archive holds it");
    }
    for (const auto& key : expected->folders) {
        const auto it = pathOf.find(key);
        if (it == pathOf.end() || castleAfter.at(it->second).type != 'd') fault("a folder is missing");
    }
    // ...and every other file of the user's as it was, unless a question named it.
    for (const auto& [path, node] : castleBefore) {
        const auto key = keyOf(path);
        const bool named = expected->files.count(key) || expected->folders.count(key);
        const auto now = castleAfter.find(path);
        const bool same = now != castleAfter.end() && now->second == node;
        if (same || (node.type == 'd' && now != castleAfter.end() && now->second.type == 'd')) continue;
        if (!named) fault("a file the archive does not name changed");
        if (!asked(dialogs, answerYes, path)) fault("a file changed that no question answered yes named");
    }
    for (const auto& [path, node] : castleAfter) {
        const auto key = keyOf(path);
        if (!castleBefore.count(path) && !expected->files.count(key) && !expected->folders.count(key))
            fault("take out left something the archive does not hold");
    }
}

// A name as take out gives it back: UTF-8 stays, CP932 bytes come back as
// the same characters in UTF-8.
std::string asGivenBack(const std::string& path) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t slash = path.find('/', from);
        const std::string c = path.substr(from, slash - from);
        out += sysutil::isValidUtf8(c) ? c : sysutil::cp932ToUtf8(c).value_or("\xFF" + c);
        if (slash == std::string::npos) return out;
        out += '/';
        from = slash + 1;
    }
}

// Records: a kind byte, a name (length byte, bytes; '/' makes folders), and
// a payload (length byte, bytes): a file's content or a link's target.
void makeTree(const fs::path& root, const std::uint8_t* p, std::size_t n) {
    fs::create_directories(root);
    writeFile(root / "Summary.tsm", "scenario");
    std::size_t i = 0;
    auto bytes = [&](std::size_t len) {
        std::string s;
        for (; len && i < n; --len) s += static_cast<char>(p[i++]);
        return s;
    };
    for (int records = 0; i < n && records < 24; ++records) {
        const std::uint8_t kind = p[i++] % 3;
        std::string name = bytes(i < n ? p[i++] : 0);
        const std::string payload = bytes(i < n ? p[i++] : 0);
        std::erase(name, '\0');
        fs::path target = root;
        std::size_t from = 0;
        bool fine = true;
        for (;;) {
            const std::size_t slash = name.find('/', from);
            const std::string c = name.substr(from, slash - from);
            if (c == "." || c == "..") fine = false;
            if (!c.empty()) target /= c;
            if (slash == std::string::npos) break;
            from = slash + 1;
        }
        if (!fine || target == root) continue;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec || fs::exists(fs::symlink_status(target, ec))) continue;
        if (kind == 0)
            writeFile(target, payload);
        else if (kind == 1)
            fs::create_directory(target, ec);
        else
            fs::create_symlink(payload.empty() ? "Summary.tsm" : payload, target, ec);
    }
}

void putAwayAndBack(const fs::path& w, const std::uint8_t* data, std::size_t size) {
    const fs::path board = boardOf(w), tree = board / "Tree", fridge = w / "fridge", board2 = w / "board2";
    fs::create_directories(fridge);
    fs::create_directories(board2);
    makeTree(tree, data, size);
    const Snapshot before = snapshot(tree);

    fakes::FakeDialogs dialogs;
    dialogs.inputs.push_back(std::string("Tree.LZH"));
    archiver::Unlha32Archiver archiver;
    fakes::FakeTrash trash(w.string() + "-trash");
    const auto put = commands::putAway(tree.string(), fridge.string(), dialogs, archiver, trash);
    if (snapshot(tree) != before) fault("put away changed the scenario it read");
    const Snapshot fridgeNow = snapshot(fridge);
    if (put.archiveName.empty()) {
        if (!fridgeNow.empty()) fault("put away failed and left something in the fridge");
        return;
    }
    if (fridgeNow.size() != 1 || !fridgeNow.count("Tree.LZH")) fault("put away made other than its archive");

    fakes::FakeDialogs again;
    const auto out = runTakeOut(fridge, "Tree.LZH", board2, again, trash);
    if (out.scenarioFolder.empty()) fault("take out refused what put away accepted");
    std::map<std::string, Node> want, got;
    for (const auto& [path, node] : before) want[asGivenBack(path)] = {node.type, node.content, 0};
    for (const auto& [path, node] : snapshot(board2 / "Tree")) got[path] = {node.type, node.content, 0};
    if (got != want) fault("take out did not give back the tree put away accepted");
}

// Emptied before each input, removed at exit; read-only files and folders go too.
void clear(const fs::path& w) {
    std::error_code ec;
    if (!fs::exists(w, ec)) return;
    for (const auto& e : fs::recursive_directory_iterator(w, ec))
        if (!e.is_symlink()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(w, ec);
}

struct Workspace {
    Workspace() {
        std::error_code ec;
        const fs::path shm = "/dev/shm";
        const bool tmpfs = fs::is_directory(shm, ec) && ::access(shm.c_str(), W_OK) == 0;
        path = (tmpfs ? shm : fs::temp_directory_path()) / ("fzarc-fuzz-place-" + std::to_string(::getpid()));
    }
    ~Workspace() {
        clear(path);
        clear(path.string() + "-trash");
    }
    fs::path path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const Workspace workspace;
    const fs::path& w = workspace.path;
    clear(w);
    clear(w.string() + "-trash");
    fs::create_directories(w);
    if (data[0] & 1)
        putAwayAndBack(w, data + 1, size - 1);
    else
        takeOutInto(w, data + 1, size - 1, (data[0] & 2) != 0);
    return 0;
}
