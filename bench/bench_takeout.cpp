// Take out as the window runs it (commands::takeOut onto an empty board, no
// question asked) against `fzarc-lha E` of the same archive into an empty
// folder, in FOLDER; also against the typed call E makes, in this process,
// which shows what the command itself adds. The best of eight rounds, the
// three taking turns going first.
//   bench_takeout ARCHIVE FZARC-LHA FOLDER LABEL
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commands/ArchiveCommands.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Answers nothing and shows nothing; says whether anything was said.
class SilentDialogs : public sysutil::Dialogs {
public:
    std::string said;
    sysutil::MsgAnswer message(const sysutil::MessageRequest& request) override {
        said += request.text + "\n";
        return request.defaultButton;
    }
    std::optional<std::string> input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string selectFolder(const std::string&, const std::string&) override { return {}; }
    int showModal(sysutil::ModalForm&) override { return 0; }
    void runWithProgress(const std::string&, const std::function<void(const sysutil::ProgressReport&)>& work) override {
        work([](const sysutil::ProgressInfo&) { return true; });
    }
};

// An empty board replaces nothing: nothing is ever offered to it.
class NoTrash : public sysutil::Trash {
public:
    bool offersTrashFor(const fs::path&) override { return false; }
    bool moveToTrash(const fs::path&, std::error_code& ec) override {
        ec = std::make_error_code(std::errc::operation_not_supported);
        return false;
    }
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int status = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 && waitpid(pid, &status, 0) == pid &&
           WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether the two trees hold the same names and the same bytes.
bool sameTree(const fs::path& a, const fs::path& b) {
    std::vector<fs::path> inA, inB;
    for (const auto& e : fs::recursive_directory_iterator(a)) inA.push_back(fs::relative(e.path(), a));
    for (const auto& e : fs::recursive_directory_iterator(b)) inB.push_back(fs::relative(e.path(), b));
    std::sort(inA.begin(), inA.end());
    std::sort(inB.begin(), inB.end());
    if (inA != inB) return false;
    auto bytes = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (const auto& rel : inA)
        if (fs::is_regular_file(a / rel) && bytes(a / rel) != bytes(b / rel)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_takeout ARCHIVE FZARC-LHA FOLDER LABEL\n");
        return 2;
    }
    const fs::path archive = fs::absolute(argv[1]);
    const std::string lha = fs::absolute(argv[2]).string();
    const fs::path folder = fs::absolute(argv[3]) / "takeout";
    const fs::path board = folder / "board", plain = folder / "plain", typed = folder / "typed";
    const std::string stem = archive.stem().string();
    SilentDialogs dialogs;
    NoTrash trash;
    archiver::Unlha32Archiver archiver;
    double ours = 1e9, theirs = 1e9, inProcess = 1e9;
    bool failed = false;
    for (int round = 0; round < 8 && !failed; ++round) {
        fs::remove_all(folder);
        fs::create_directories(board);
        fs::create_directories(plain);
        fs::create_directories(typed);
        for (int turn = 0; turn < 3; ++turn) {
            const int who = (turn + round) % 3;
            ::sync();
            const auto t0 = std::chrono::steady_clock::now();
            if (who == 0) {
                const auto outcome = commands::takeOut(
                    commands::FridgeSelection{archive.parent_path().string(), archive.filename().string(), ""},
                    board.string() + "/", dialogs, archiver, trash);
                failed |= outcome.scenarioFolder.empty();
                ours = std::min(ours, seconds(t0));
            } else if (who == 1) {
                failed |= !run({lha, "E", archive.string(), (plain / stem).string() + "/"});
                theirs = std::min(theirs, seconds(t0));
            } else {
                failed |= !archiver::extractArchive(archive.string(), (typed / stem).string() + "/", {}).ok();
                inProcess = std::min(inProcess, seconds(t0));
            }
        }
    }
    const bool same = !failed && sameTree(board / stem, plain / stem) && sameTree(board / stem, typed / stem);
    std::printf(
        "take out %s (%s): commands::takeOut %.3f s, fzarc-lha E %.3f s, ratio %.2f (target <= 1.10); "
        "extractArchive in process %.3f s, ratio %.2f; result %s\n",
        archive.filename().string().c_str(), argv[4], ours, theirs, ours / theirs, inProcess, ours / inProcess,
        failed ? "FAILED"
        : same ? "identical"
               : "DIFFERENT");
    if (!dialogs.said.empty()) std::printf("%s", dialogs.said.c_str());
    fs::remove_all(folder);
    return failed || !same ? 1 : 0;
}
