// Every command that changes files, killed at each of its steps that change
// the disk, and made to fail at each of them: afterwards every folder is as
// it was or as the command leaves it, the user's own files are untouched, and
// nothing of FZARC's stays behind.
//
// strace runs the command (crash_driver) once to count the system calls that
// change the disk under the workspace, then once per call with a SIGKILL
// injected at exactly that call, after which what the next start runs
// tidies; and once per call with an error injected instead (ENOSPC on
// write, EIO and EXDEV on rename, EACCES on unlink), checked without a
// restart: the command says what went wrong in Japanese, or it did its work.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "archive/ArchiveTestUtil.h"

namespace fs = std::filesystem;
using archivetest::Tree;

namespace {

constexpr const char* kBoard = "engine/Scenario/FZARC_まな板";

// Every call that can change the disk, under every name a libc may use.
const std::vector<std::string> kWrites = {"write", "writev", "pwrite64", "pwritev", "pwritev2"};
const std::vector<std::string> kRenames = {"rename", "renameat", "renameat2"};
const std::vector<std::string> kUnlinks = {"unlink", "unlinkat"};
const std::vector<std::string> kOthers = {
    "link",      "linkat", "symlink",   "symlinkat",       "mkdir",    "mkdirat",   "rmdir",
    "open",      "openat", "openat2",   "creat",           "truncate", "ftruncate", "fsync",
    "fdatasync", "syncfs", "fallocate", "copy_file_range", "sendfile"};
// Those whose first argument is the file they change.
const std::set<std::string> kByDescriptor = {"write",     "writev", "pwrite64",  "pwritev", "pwritev2",
                                             "ftruncate", "fsync",  "fdatasync", "syncfs",  "fallocate"};

bool among(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string syscallSet() {
    std::string out;
    for (const auto* group : {&kWrites, &kRenames, &kUnlinks, &kOthers})
        for (const auto& name : *group) out += (out.empty() ? "?" : ",?") + name;
    return out;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One call that changes the disk: the n-th call of its name in its thread,
// as strace counts them for an injection.
struct Point {
    std::string name;
    int nth = 0;
};

// The calls of a recorded run that change something below `root`.
std::vector<Point> pointsIn(const std::string& log, const std::string& root) {
    std::vector<Point> points;
    std::map<std::pair<std::string, std::string>, int> counts;  // (thread, name) -> calls so far
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t blank = line.find(' ');
        const std::size_t paren = line.find('(');
        if (blank == std::string::npos || paren == std::string::npos || paren < blank) continue;
        const std::string thread = line.substr(0, blank);
        std::string name = line.substr(blank + 1, paren - blank - 1);
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        if (name.empty() || name.find_first_of(" <") != std::string::npos) continue;  // "<... resumed>", signals
        const int nth = ++counts[{thread, name}];
        const std::string args = line.substr(paren + 1);
        bool changes;
        if (kByDescriptor.count(name)) {
            const std::size_t open = args.find('<');
            const std::size_t first = args.find(',');
            changes = open != std::string::npos && open < first && args.compare(open + 1, root.size(), root) == 0;
        } else {
            changes = args.find(root) != std::string::npos;
            if (name == "open" || name == "openat" || name == "openat2")
                changes = changes && args.find("O_CREAT") != std::string::npos;
        }
        if (changes) points.push_back({name, nth});
    }
    return points;
}

// What one command works on, and which outcomes are sound.
enum class Outcome {
    OldOrNew,       // each folder exactly as it was or as the command leaves it
    DeletedInPart,  // some of the scenario may remain, Summary.tsm with it
    PrunedInPart,   // some of the empty folders may remain
    // An archive replaced: besides old and new, the old one in the trash
    // with the new one not yet under its name (`scenario` names it).
    OldInTrash,
};

struct Command {
    const char* name;
    std::function<void(const fs::path& root)> prepare;
    std::function<std::vector<std::string>(const fs::path& root)> args;
    Outcome outcome = Outcome::OldOrNew;
    const char* scenario = "";  // DeletedInPart: the folder thrown away; OldInTrash: the new archive (relative)
    // What runs after a kill. Errors are injected only for rows restarted
    // by the start's tidying: another restart makes no other run.
    std::vector<std::string> restart = {"start"};
};

void PrintTo(const Command& c, std::ostream* os) {
    *os << c.name;
}

// Every entry of `part` is in `whole`, with the same content.
bool within(const Tree& part, const Tree& whole) {
    for (const auto& [name, content] : part) {
        const auto it = whole.find(name);
        if (it == whole.end() || it->second != content) return false;
    }
    return true;
}

bool holdsJapanese(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0xE3) return true;
    return false;
}

class CrashPoints : public ::testing::TestWithParam<Command> {
protected:
    void SetUp() override {
        if (!testsupport::haveProgram("strace"))
            GTEST_SKIP() << "strace is missing (scripts/install-deps.sh installs it)";
        std::string out;
        const int status = testsupport::run(
            "strace -f -qq -o /dev/null -e trace=?unlinkat,?unlink -e "
            "inject=?unlinkat,?unlink:error=EACCES rm -f /nonexistent/x 2>&1; echo \"exit=$?\"",
            &out);
        if (status != 0 || out.find("Permission denied") == std::string::npos)
            GTEST_SKIP() << "this kernel refuses tracing or fault injection: " << out;
        root_ = base_.path() / "ws";
    }

    // The workspace afresh: settings, an engine folder with its cutting
    // board, a fridge, and what the command works on.
    void prepare() {
        std::error_code ec;
        if (fs::exists(root_)) testsupport::run("chmod -R u+rwx " + quoted(root_.string()) + " 2>/dev/null");
        fs::remove_all(root_, ec);
        fs::create_directories(root_ / "settings");
        fs::create_directories(root_ / testsupport::u8(kBoard));
        fs::create_directories(root_ / "fridge");
        fs::create_directories(root_ / "trash");  // the driver's trash
        testsupport::writeFile(root_ / "settings" / "fzarc.ini", "[FZARC Secound Edition]\r\nTRPath=" + root_.string() +
                                                                     "/engine\r\nArcPath=" + root_.string() +
                                                                     "/fridge\r\nExitRMNoFileDir=1\r\n");
        GetParam().prepare(root_);
    }

    Tree state() const { return archivetest::readTree(root_); }

    // Runs the driver with what strace is told; "" for a run without it.
    // Returns what the command printed, and whether it was killed.
    std::string drive(const std::string& straceOptions, const std::vector<std::string>& args, bool* killed = nullptr) {
        std::string line = "cd / && ";
        if (!straceOptions.empty()) line += "strace -f -qq " + straceOptions + " -- ";
        line += quoted(FZARC_CRASH_DRIVER) + " " + quoted((root_ / "settings").string());
        for (const auto& a : args) line += " " + quoted(a);
        std::string out;
        testsupport::run(line + " 2>&1; echo \"exit=$?\"", &out);
        const std::size_t exitAt = out.rfind("exit=");
        if (killed) *killed = exitAt != std::string::npos && out.compare(exitAt, 8, "exit=137") == 0;
        return out.substr(0, exitAt);
    }

    // What is wrong with the workspace now; "" when nothing is.
    std::string judge(const Tree& before, const Tree& after, const std::string& messages, bool restarted) const {
        const Command& c = GetParam();
        const Tree now = state();
        std::string wrong;
        for (const auto& [name, content] : now)
            if (name.starts_with(".fzarc-") || name.find("/.fzarc-") != std::string::npos) {
                wrong += "left behind: " + name + "\n";
                break;
            }
        const bool asBefore = now == before;
        const bool asAfter = now == after;
        switch (c.outcome) {
            case Outcome::OldOrNew:
                if (!asBefore && !asAfter)
                    wrong += "neither as before nor as after:\n" + archivetest::treeDifference(now, after);
                break;
            case Outcome::OldInTrash: {
                Tree trashedOnly = after;
                trashedOnly.erase(c.scenario);
                if (!asBefore && !asAfter && now != trashedOnly)
                    wrong += "neither as before, nor as after, nor the old one in the trash:\n" +
                             archivetest::treeDifference(now, after);
                break;
            }
            case Outcome::PrunedInPart:
                if (!within(now, before) || !within(after, now)) wrong += "more than empty folders went\n";
                break;
            case Outcome::DeletedInPart: {
                if (!within(now, before) || !within(after, now)) wrong += "more than the scenario went\n";
                const std::string prefix = std::string(c.scenario) + "/";
                bool remains = false;
                for (const auto& [name, content] : now)
                    remains = remains || (name.starts_with(prefix) && name != prefix);
                if (remains && !now.count(prefix + "Summary.tsm")) wrong += "Summary.tsm went before the rest\n";
                // What could not be deleted is named (the first five).
                int named = 0;
                for (const auto& [name, content] : now)
                    if (!restarted && name.starts_with(prefix) && name.back() != '/' && named++ < 5 &&
                        messages.find(name.substr(prefix.size())) == std::string::npos)
                        wrong += "remains unnamed: " + name + "\n";
                break;
            }
        }
        if (!restarted) {
            const bool done = asAfter;
            if (!done && c.outcome != Outcome::PrunedInPart && messages.empty()) wrong += "failed without a word\n";
            if (!messages.empty() && (!holdsJapanese(messages) || messages.find("(Success)") != std::string::npos))
                wrong += "message: " + messages;
            if (done && !messages.empty()) wrong += "did its work, yet said: " + messages;
        }
        return wrong;
    }

    testsupport::TempDir base_;
    fs::path root_;
};

TEST_P(CrashPoints, EveryStepKilledOrFailedLeavesEachFolderOldOrNew) {
    const Command& c = GetParam();
    const std::string log = (base_.path() / "trace.log").string();

    prepare();
    const Tree before = state();
    const auto args = c.args(root_);
    drive("-y -o " + quoted(log) + " -e trace=" + syscallSet(), args);
    const Tree after = state();
    ASSERT_NE(before, after) << "the command changed nothing";
    const auto points = pointsIn(testsupport::readFile(log), root_.string());
    ASSERT_FALSE(points.empty());

    int crashes = 0, errors = 0;
    std::vector<std::string> violations;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        const std::string at = "#" + std::to_string(i + 1) + " " + p.name + " (call " + std::to_string(p.nth) + ")";
        const std::string when = ":when=" + std::to_string(p.nth);
        const std::string traced = "-o /dev/null -e trace=?" + p.name + " -e inject=?" + p.name;

        prepare();
        bool killed = false;
        drive(traced + ":signal=KILL" + when, args, &killed);
        if (!killed) {
            violations.push_back("killed at " + at + ": it was not reached");
        } else {
            ++crashes;
            drive("", c.restart);
            if (const auto wrong = judge(before, after, "", true); !wrong.empty())
                violations.push_back("killed at " + at + ", then started again:\n" + wrong);
        }

        std::vector<const char*> failures;
        if (among(kWrites, p.name)) failures = {"ENOSPC"};
        if (among(kRenames, p.name)) failures = {"EIO", "EXDEV"};
        if (among(kUnlinks, p.name)) failures = {"EACCES"};
        if (c.restart != std::vector<std::string>{"start"}) failures.clear();
        for (const char* error : failures) {
            prepare();
            const std::string said = drive(traced + ":error=" + error + when, args);
            ++errors;
            if (const auto wrong = judge(before, after, said, false); !wrong.empty())
                violations.push_back(std::string(error) + " at " + at + ":\n" + wrong);
        }
    }
    std::printf("%s: %d crash points, %d error points, %zu violations\n", c.name, crashes, errors, violations.size());
    for (const auto& v : violations) ADD_FAILURE() << v;
}

// Fixed times, so that an archive made twice is the same byte for byte.
void settleTimes(const fs::path& root) {
    const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1717243200)));
    std::vector<fs::path> all;
    for (const auto& e : fs::recursive_directory_iterator(root)) all.push_back(e.path());
    for (auto it = all.rbegin(); it != all.rend(); ++it) fs::last_write_time(*it, when);
}

void scenario(const fs::path& folder, const Tree& tree) {
    archivetest::makeTree(folder, tree);
    settleTimes(folder);
}

// An archive of `tree` in the fridge, made by our own archiver.
void archive(const fs::path& root, const std::string& name, const Tree& tree) {
    const fs::path src = root.parent_path() / ("src-" + name);
    fs::remove_all(src);
    scenario(src, tree);
    const auto r = archivetest::pack(root / "fridge" / name, src);
    ASSERT_TRUE(r.ok()) << r.message;
    fs::remove_all(src);
}

fs::path board(const fs::path& root) {
    return root / testsupport::u8(kBoard);
}

const Tree kCastle = {{"Summary.tsm", "title"}, {"a.txt", "a"}, {"sub/s.txt", "s"}};

const Command kCommands[] = {
    {"put_away",
     [](const fs::path& root) {
         archive(root, "Old.LZH", {{"Summary.tsm", "old"}});
         scenario(board(root) / "Castle", kCastle);
     },
     [](const fs::path& root) {
         return std::vector<std::string>{"putaway", sysutil::utf8FromPath(board(root) / "Castle"), "Castle"};
     }},
    // Replaces Castle.LZH, the old one going to the trash.
    {"put_away_replacing",
     [](const fs::path& root) {
         archive(root, "Castle.LZH", {{"Summary.tsm", "old"}});
         scenario(board(root) / "Castle", kCastle);
     },
     [](const fs::path& root) {
         return std::vector<std::string>{"putaway", sysutil::utf8FromPath(board(root) / "Castle"), "Castle"};
     },
     Outcome::OldInTrash, "fridge/Castle.LZH"},
    {"take_out_into_a_new_folder", [](const fs::path& root) { archive(root, "Castle.LZH", kCastle); },
     [](const fs::path&) {
         return std::vector<std::string>{"takeout", "Castle.LZH"};
     }},
    // Replaces Summary.tsm and b.txt (held as B.TXT), adds a file to a folder
    // that exists and a folder that does not; a.txt and the user's own
    // mine.txt are not the archive's and stay. The user's versions of the
    // two replaced files go to the trash (the question is answered yes).
    {"take_out_into_an_existing_folder",
     [](const fs::path& root) {
         archive(root, "Castle.LZH",
                 {{"Summary.tsm", "new title"}, {"b.txt", "new b"}, {"sub/s2.txt", "new s2"}, {"data/d.txt", "d"}});
         scenario(board(root) / "Castle", {{"Summary.tsm", "old title"},
                                           {"B.TXT", "old b"},
                                           {"a.txt", "old a"},
                                           {"sub/s.txt", "old s"},
                                           {"mine.txt", "the user's own"}});
     },
     [](const fs::path&) {
         return std::vector<std::string>{"takeout", "Castle.LZH"};
     }},
    // The same, killed, then the user takes it out again (the window
    // passes its trash; the tidying in the take out itself has none).
    {"take_out_into_an_existing_folder_then_again",
     [](const fs::path& root) {
         archive(root, "Castle.LZH", {{"Summary.tsm", "new title"}, {"b.txt", "new b"}});
         scenario(board(root) / "Castle", {{"Summary.tsm", "old title"}, {"B.TXT", "old b"}, {"mine.txt", "mine"}});
     },
     [](const fs::path&) {
         return std::vector<std::string>{"takeout", "Castle.LZH"};
     },
     Outcome::OldOrNew,
     "",
     {"takeout", "Castle.LZH"}},
    {"throw_away_a_scenario",
     [](const fs::path& root) {
         scenario(board(root) / "Castle",
                  {{"Summary.tsm", "t"}, {"a.txt", "a"}, {"sub/s.txt", "s"}, {"sub/deeper/d.txt", "d"}});
         scenario(board(root) / "Other", {{"Summary.tsm", "other"}});
     },
     [](const fs::path& root) {
         return std::vector<std::string>{"throwscenario", sysutil::utf8FromPath(board(root) / "Castle")};
     }},
    {"throw_away_a_scenario_where_there_is_no_trash",
     [](const fs::path& root) {
         scenario(board(root) / "Castle",
                  {{"Summary.tsm", "t"}, {"a.txt", "a"}, {"sub/s.txt", "s"}, {"sub/deeper/d.txt", "d"}});
         scenario(board(root) / "Other", {{"Summary.tsm", "other"}});
     },
     [](const fs::path& root) {
         return std::vector<std::string>{"throwscenario-notrash", sysutil::utf8FromPath(board(root) / "Castle")};
     },
     Outcome::DeletedInPart, "engine/Scenario/FZARC_まな板/Castle"},
    {"throw_away_an_archive",
     [](const fs::path& root) {
         archive(root, "Old.LZH", {{"Summary.tsm", "old"}});
         archive(root, "Castle.LZH", kCastle);
     },
     [](const fs::path&) {
         return std::vector<std::string>{"throwarchive", "Castle.LZH"};
     }},
    // Replaces an archive the fridge holds under another case, the old one
    // going to the trash.
    {"drop_into_the_fridge",
     [](const fs::path& root) {
         archive(root, "castle.lzh", {{"Summary.tsm", "old"}});
         archive(root, "Old.LZH", {{"Summary.tsm", "old"}});
         fs::create_directories(root / "desktop");
         archive(root, "Dropped.LZH", kCastle);  // fzarc-lha A makes no twin of castle.lzh
         fs::rename(root / "fridge" / "Dropped.LZH", root / "desktop" / "Castle.LZH");
     },
     [](const fs::path& root) {
         return std::vector<std::string>{"drop", (root / "desktop" / "Castle.LZH").string()};
     },
     Outcome::OldInTrash, "fridge/castle.lzh"},
    {"settings_save", [](const fs::path&) {},
     [](const fs::path& root) {
         return std::vector<std::string>{"settings", "TRPath=" + root.string() + "/engine2",
                                         "ArcPath=" + root.string() + "/冷蔵庫", "ExitRMNoFileDir=0"};
     }},
    {"exit_tidying",
     [](const fs::path& root) {
         scenario(board(root) / "Castle", {{"Summary.tsm", "t"}, {"save/", ""}});
         scenario(board(root) / "Empty", {{"Deeper/", ""}, {"Deeper/Still/", ""}, {"Beside/", ""}});
         scenario(board(root) / "Notes", {{"n.txt", "the user's own"}, {"empty/", ""}});
     },
     [](const fs::path&) { return std::vector<std::string>{"exit"}; }, Outcome::PrunedInPart},
};

INSTANTIATE_TEST_SUITE_P(Commands, CrashPoints, ::testing::ValuesIn(kCommands),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
