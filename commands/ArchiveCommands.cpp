#include "commands/ArchiveCommands.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "archive/ArchiveBuilder.h"
#include "archive/WorkFolders.h"
#include "archive/lha/lha_reader.h"
#include "sysutil/ErrorText.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"
#include "sysutil/Trash.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace commands {
// The archive side's vocabulary, which every command here speaks.
using namespace archiver;

namespace {

using sysutil::AddBackslash;
using sysutil::MessageRequest;
using sysutil::MsgAnswer;
using sysutil::MsgButtons;
using sysutil::MsgIcon;

void warn(sysutil::Dialogs& dialogs, const std::string& text, const std::string& caption = "") {
    dialogs.message({text, caption, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
}

// UTF-8 text less its last `n` characters (not bytes).
std::string withoutLastCharacters(const std::string& text, std::size_t n) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        sysutil::nextCodePoint(text, i);
    }
    return starts.size() > n ? text.substr(0, starts[starts.size() - n]) : std::string();
}

// A name as a message shows it: a long one broken into lines, so that the
// message stays narrower than the screen.
std::string wrapped(const std::string& name, std::size_t width = 40) {
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t start = i;
        sysutil::nextCodePoint(name, i);
        if (count == width) {
            out += "\r\n";
            count = 0;
        }
        out.append(name, start, i - start);
        ++count;
    }
    return out;
}

// A folder's or file's own name, for messages.
std::string nameOf(const std::filesystem::path& path) {
    return sysutil::displayName(path.has_filename() ? path.filename() : path.parent_path().filename());
}

// A relative path for messages: each name decoded, '/' between them.
std::string shownRelative(const std::filesystem::path& relative) {
    std::string out;
    for (const auto& part : relative) out += (out.empty() ? "" : "/") + sysutil::displayName(part);
    return out;
}

using sysutil::firstFive;

// A symbolic link, or a junction on Windows, at `path` itself.
bool isLinkAt(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::directory_entry entry(path, ec);
    return !ec && std::filesystem::exists(entry.symlink_status(ec)) && sysutil::isLink(entry);
}

// The folder take out makes for an archive: its name less the last four
// characters (".LZH" with its dot), less the trailing blanks and dots that
// Windows drops.
std::string takeOutFolderName(const std::string& archiveName) {
    std::string stem = withoutLastCharacters(archiveName, 4);
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
    return stem;
}

// Runs archive work with a progress window when it lasts (the command runs
// as a job, off the window's thread). Whatever the work throws ends as a failure the user is told of,
// never as a silent cancel.
ArchiveResult withProgress(sysutil::Dialogs& dialogs, const std::string& caption,
                           const std::function<ArchiveResult(const sysutil::ProgressReport&)>& work) {
    ArchiveResult result = ArchiveResult::failure(ArchiveError::Cancelled, "");
    return guarded(
        [&] {
            dialogs.runWithProgress(caption, [&](const sysutil::ProgressReport& progress) { result = work(progress); });
            return result;
        },
        ArchiveError::WriteFailed, "予期しない問題が起きました。");
}

// Says what went wrong, unless the user cancelled it.
void report(sysutil::Dialogs& dialogs, const ArchiveResult& result, const std::string& failureText) {
    if (!result.ok() && result.error != ArchiveError::Cancelled) warn(dialogs, failureText + "\r\n" + result.message);
}

// Why take out may not write into `stem` on the board, or "": the folder is
// to be a scenario's own, on the board itself.
std::string destinationProblem(const std::string& cuttingBoard, const std::string& stem) {
    namespace fs = std::filesystem;
    fs::path board = sysutil::pathFromUtf8(cuttingBoard);
    if (!board.has_filename()) board = board.parent_path();
    const fs::path destination = board / sysutil::pathFromUtf8(stem);
    // Files would land in the folder the link leads to, outside the board.
    if (isLinkAt(board))
        return "まな板のフォルダ\r\n" + wrapped(sysutil::utf8FromPath(board)) +
               "\r\nはリンクです。リンク先に書き込まないよう、取り出しません。";
    if (isLinkAt(destination))
        return "取り出し先の「" + wrapped(stem) +
               "」はリンクです。リンク先のフォルダに書き込まないよう、取り出しません。";
    // A twin the engine on Windows could not tell from the destination.
    std::error_code ec;
    for (fs::directory_iterator it(board, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string there = sysutil::utf8FromPath(it->path().filename());
        const std::string shown = sysutil::displayName(it->path().filename());
        if (there != stem && (sysutil::sameName(there, stem) || sysutil::sameName(shown, stem)))
            return "まな板には「" + wrapped(shown) + "」があり、「" + wrapped(stem) +
                   "」とはWindowsでは同じ名前になります。別のシナリオと混ざらないよう、取り出しません。";
    }
    return {};
}

// The file's time as a Japanese desktop shows it, local time; "" when unknown.
std::string modifiedText(const std::filesystem::path& file) {
    std::error_code ec;
    const auto when = std::filesystem::last_write_time(file, ec);
    if (ec) return {};
    const auto t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(when)));
    std::tm tm{};
#if defined(_WIN32)
    if (localtime_s(&tm, &t) != 0) return {};
#else
    if (!localtime_r(&t, &tm)) return {};
#endif
    char out[64];
    std::snprintf(out, sizeof out, "%04d/%02d/%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min);
    return out;
}

// The question before an archive of the fridge is replaced: it names the
// archive, its date, and where the old one goes.
MessageRequest replaceArchiveQuestion(const std::string& archivePath, bool toTrash, MsgButtons buttons) {
    const auto path = sysutil::pathFromUtf8(archivePath);
    const std::string when = modifiedText(path);
    return {"冷蔵庫には「" + sysutil::displayName(path.filename()) + "」" +
                (when.empty() ? "" : "（" + when + " 更新）") + "が既にあります。置き換えますか？\r\n" +
                (toTrash ? "古い書庫はごみ箱に移します。" : "古い書庫は完全に削除します。元に戻せません。"),
            "既にあります。", MsgIcon::Exclamation, buttons, MsgAnswer::No};
}

// Makes way for the new archive: the old one to the trash (`trashed` says
// when it went), or, where there is none, left to be replaced in one step
// (as the question said).
MakeRoom oldArchiveGoes(sysutil::Trash& trash, const std::string& archivePath, bool toTrash, bool& trashed) {
    if (!toTrash) return [] { return std::error_code(); };
    return [&trash, &trashed, old = sysutil::pathFromUtf8(archivePath)] {
        std::error_code ec;
        trashed = trash.moveToTrash(old, ec);
        if (!trashed && !ec) ec = std::make_error_code(std::errc::io_error);
        return ec;
    };
}

// Where the old archive is when the new one failed after it went.
std::string whereTheOldOneIs(bool trashed) {
    return trashed ? "\r\n古い書庫はごみ箱にあります。" : "";
}

// The archive in `folder` that Windows would take for `name`, or "".
std::string fridgeTwin(const std::string& folder, const std::string& name) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(sysutil::pathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string other = sysutil::utf8FromPath(it->path().filename());
        if (sysutil::sameName(other, name)) return other;
    }
    return {};
}

// The question before a take out replaces files the user changed.
sysutil::MessageRequest replaceQuestion(const std::string& stem, const std::vector<std::filesystem::path>& changed,
                                        bool toTrash) {
    std::vector<std::string> names;
    for (const auto& c : changed) names.push_back(wrapped(shownRelative(c)));
    return {"シナリオ「" + wrapped(stem) + "」には、書庫の中と内容が違うファイルがあります。\r\n" +
                "取り出すと、次のファイルを書庫のもので置き換えます。" + firstFive(names) + "\r\n" +
                (toTrash ? "置き換える前のファイルはごみ箱に移します。"
                         : "置き換える前のファイルは完全に上書きします。元に戻せません。") +
                "よろしいですか？",
            "上書き確認", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
}

}  // namespace

Outcome takeOut(const std::optional<FridgeSelection>& selected, const std::string& cuttingBoard,
                sysutil::Dialogs& dialogs, Archiver& archiver, sysutil::Trash& trash) {
    if (!selected) return {Refresh::None};
    const std::string archivePath = AddBackslash(selected->folder) + selected->fileName;
    const std::string& name = selected->shown();
    // Read as characters, such a name is replacement characters: another
    // archive's folder as well.
    if (!sysutil::isValidUtf8(selected->fileName) && !sysutil::cp932ToUtf8(selected->fileName)) {
        warn(dialogs, "「" + wrapped(name) +
                          "」は名前の文字コードを読み取れないため、取り出し先のフォルダ名を作れません。\r\n"
                          "書庫の名前を変えてから取り出してください。");
        return {Refresh::Reload};
    }
    // One folder of its own below the board: never the board itself, nor above it.
    const std::string stem = takeOutFolderName(name);
    if (const auto problem = sysutil::windowsNameProblem(stem); problem != sysutil::NameProblem::None) {
        warn(dialogs, "「" + wrapped(name) + "」からは取り出し先のフォルダ名を作れません。\r\n" +
                          sysutil::nameProblemText(problem) + "\r\n書庫の名前を変えてから取り出してください。");
        return {Refresh::Reload};
    }
    if (const auto problem = destinationProblem(cuttingBoard, stem); !problem.empty()) {
        warn(dialogs, problem);
        return {Refresh::Reload};
    }
    const std::string destination = AddBackslash(cuttingBoard + stem);

    // One read of the archive: the extraction into a work folder, all or
    // nothing, which also says when the archive itself is at fault. What it
    // would replace that the user changed is asked about before anything of
    // the scenario moves.
    bool extractable = true;
    std::unique_ptr<StagedExtraction> staged;
    std::vector<std::filesystem::path> changed;
    const std::string caption = "「" + name + "」を取り出しています...";
    auto result = withProgress(dialogs, caption, [&](const auto& progress) {
        // A killed take out's merge is finished here first, with the trash
        // its replaced files were promised to.
        removeLeftovers(sysutil::pathFromUtf8(destination), &trash);
        auto r = archiver.stage(archivePath, destination, progress, staged);
        extractable = !archiveAtFault(r.error);
        if (r.ok() && !staged) r = ArchiveResult::failure(ArchiveError::WriteFailed, "展開できません。");
        if (r.ok()) r = staged->compare(changed);
        if (r.ok() && changed.empty()) r = staged->place(nullptr, &changed);
        if (!r.ok() || changed.empty()) staged.reset();
        return r;
    });
    if (result.ok() && staged) {
        // The replaced files leave from inside the destination ("…/Castle/").
        const bool toTrash = trash.offersTrashFor(sysutil::pathFromUtf8(destination));
        const bool yes = dialogs.message(replaceQuestion(stem, changed, toTrash)) == MsgAnswer::Yes;
        // The work folder goes with a progress window: it may hold a whole scenario.
        result = withProgress(dialogs, caption, [&](const auto&) {
            auto r = yes ? staged->place(toTrash ? &trash : nullptr, &changed)
                         : ArchiveResult::failure(ArchiveError::Cancelled, "");
            staged.reset();
            return r;
        });
    }
    report(dialogs, result,
           extractable ? "「" + wrapped(name) + "」を取り出せませんでした。"
                       : std::string("解凍可能なファイルではありません。"));
    if (!result.ok()) return {Refresh::Reload};
    return {Refresh::Reload, destination.substr(0, destination.size() - 1), {}};
}

std::string archiveNameFor(const std::string& answer) {
    auto upperTail = [](const std::string& s) {
        std::string t = s.size() >= 4 ? s.substr(s.size() - 4) : s;
        for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return t;
    };
    return upperTail(answer) == ".LZH" ? answer : answer + ".LZH";
}

namespace {

// Whether the fridge's file system takes `name` in `folder`: its longest
// name, in bytes here, in UTF-16 units on Windows, where a path without the
// long-path prefix ends at 260 units as well.
bool fitsIn(const std::string& folder, const std::string& name) {
#if defined(_WIN32)
    return sysutil::utf8ToUtf16(name).size() <= 255 && sysutil::utf8ToUtf16(AddBackslash(folder) + name).size() < 260;
#else
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return name.size() <= static_cast<std::size_t>(longest > 0 ? longest : 255) &&
           AddBackslash(folder).size() + name.size() < 4096;
#endif
}

// Why an answer to the put-away question cannot name an archive in the
// fridge (`name` is the answer with ".LZH" added), or "" when it can.
std::string answerProblem(const std::string& answer, const std::string& name, const std::string& fridgeFolder) {
    using sysutil::NameProblem;
    auto problem = sysutil::windowsNameProblem(answer);
    if (problem == NameProblem::None) problem = sysutil::windowsNameProblem(name);
    if (problem == NameProblem::Separator)
        return "このファイル名は使えません。\r\n" + sysutil::nameProblemText(problem) +
               "\r\nフォルダは指定できません。しまう先は冷蔵庫のフォルダです。";
    if (problem != NameProblem::None) return "このファイル名は使えません。\r\n" + sysutil::nameProblemText(problem);
    // The fridge list leaves hidden files out: the archive would never show.
    if (name.front() == '.')
        return "このファイル名は使えません。\r\n「.」で始まる名前は隠しファイルになり、冷蔵庫の一覧に出ません。";
    // Take out would refuse the archive later, when the scenario may be gone.
    problem = sysutil::windowsNameProblem(takeOutFolderName(name));
    if (problem != NameProblem::None)
        return "このファイル名では、取り出すときのフォルダ名を作れません。\r\n" + sysutil::nameProblemText(problem);
    if (!fitsIn(fridgeFolder, name))
        return "このファイル名は長すぎます。\r\n冷蔵庫のフォルダに置ける長さを超えています。短い名前にしてください。";
    return {};
}

// What put away proposes: the scenario's own name, when the name rule takes it.
std::string proposedName(const std::string& scenario, const std::string& fridgeFolder) {
    const std::string own = sysutil::displayName(sysutil::pathFromUtf8(scenario).filename());
    if (!own.empty() && answerProblem(own, archiveNameFor(own), fridgeFolder).empty()) return archiveNameFor(own);
    return "Scenario.LZH";
}

}  // namespace

Outcome putAway(const std::optional<std::string>& scenario, const std::string& fridgeFolder, sysutil::Dialogs& dialogs,
                Archiver& archiver, sysutil::Trash& trash) {
    if (!scenario) return {Refresh::None};
    // A refused answer is asked again with what the user typed still in the box.
    for (std::string proposed = proposedName(*scenario, fridgeFolder);;) {
        const auto answer = dialogs.input("圧縮するファイル名を指定してください(圧縮先フォルダは冷蔵庫のフォルダです。",
                                          "シナリオをしまう", proposed);
        if (!answer || answer->empty()) return {Refresh::None};
        proposed = *answer;
        // An emptied fridge setting would otherwise put the archive at the root.
        if (fridgeFolder.empty()) {
            warn(dialogs, "冷蔵庫フォルダが設定されていません。");
            return {Refresh::None};
        }
        std::string name = archiveNameFor(*answer);
        if (const auto problem = answerProblem(*answer, name, fridgeFolder); !problem.empty()) {
            warn(dialogs, problem);
            continue;
        }
        // An archive Windows takes for that name is the one replaced, under its own name.
        MakeRoom makeRoom;
        bool trashed = false;
        if (const std::string twin = fridgeTwin(fridgeFolder, name); !twin.empty()) {
            name = twin;
            const std::string existing = AddBackslash(fridgeFolder) + twin;
            std::error_code ec;
            if (!std::filesystem::is_regular_file(sysutil::pathFromUtf8(existing), ec)) {
                warn(dialogs, "既にこのファイルは存在しています。", "既にあります。");
                continue;
            }
            const bool toTrash = trash.offersTrashFor(sysutil::pathFromUtf8(existing));
            if (dialogs.message(replaceArchiveQuestion(existing, toTrash, MsgButtons::YesNo)) != MsgAnswer::Yes)
                continue;
            makeRoom = oldArchiveGoes(trash, existing, toTrash, trashed);
        }
        const std::string archivePath = AddBackslash(fridgeFolder) + name;
        const auto created = withProgress(dialogs, "「" + name + "」にしまっています...", [&](const auto& progress) {
            // A killed take out's merge, finished before the scenario is read.
            removeLeftovers(sysutil::pathFromUtf8(*scenario), &trash);
            return archiver.create(archivePath, *scenario, lha::kLh5, progress, makeRoom);
        });
        report(dialogs, created, "「" + wrapped(name) + "」にしまえませんでした。" + whereTheOldOneIs(trashed));
        return {Refresh::Reload, {}, created.ok() ? name : std::string()};
    }
}

namespace {

// Whether `inner` is `outer` or lies below it, links resolved.
bool within(const std::string& inner, const std::string& outer) {
    std::error_code ec;
    const auto in = std::filesystem::weakly_canonical(sysutil::pathFromUtf8(inner), ec);
    const auto out = std::filesystem::weakly_canonical(sysutil::pathFromUtf8(outer), ec);
    if (ec || in.empty() || out.empty()) return false;
    auto same = [](const std::filesystem::path& a, const std::filesystem::path& b) {
#if defined(_WIN32)
        return sysutil::sameName(sysutil::utf8FromPath(a), sysutil::utf8FromPath(b));
#else
        return a == b;
#endif
    };
    auto i = in.begin();
    for (auto o = out.begin(); o != out.end(); ++o, ++i)
        if (!o->empty() && (i == in.end() || !same(*i, *o))) return false;
    return true;
}

}  // namespace

namespace {

// Whether a mount point lies at or below `folder` (listed with the folders).
bool leadsToMount(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& mounts) {
    for (const auto& m : mounts)
        if (within(sysutil::utf8FromPath(m), sysutil::utf8FromPath(folder))) return true;
    return false;
}

// Moves to the trash what lies in `folder` on the scenario's own file
// system: each entry whole, unless a mount lies below it; then it stays and
// only what is beside the way to the mount goes. Summary.tsm goes last, and
// only once the rest went, so that what stays is still a scenario.
void trashAround(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& mounts,
                 sysutil::Trash& trash, std::vector<std::string>& remains) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::directory_entry> entries, last;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        (sysutil::sameName(sysutil::utf8FromPath(it->path().filename()), "Summary.tsm") ? last : entries)
            .push_back(*it);
    if (ec) remains.push_back(sysutil::utf8FromPath(folder));
    const std::size_t before = remains.size();
    for (const auto& e : entries) {
        std::error_code ec2;
        const bool folderOfOurs = !sysutil::isLink(e) && e.is_directory(ec2);
        if (folderOfOurs && sysutil::isMountedOn(e.path())) {
            remains.push_back(sysutil::utf8FromPath(e.path()) + "（別のファイルシステムのため、そのまま残しています）");
        } else if (folderOfOurs && leadsToMount(e.path(), mounts)) {
            trashAround(e.path(), mounts, trash, remains);
        } else if (!trash.moveToTrash(e.path(), ec2)) {
            remains.push_back(sysutil::utf8FromPath(e.path()));
        }
    }
    for (const auto& e : last) {
        std::error_code ec2;
        if (remains.size() == before && trash.moveToTrash(e.path(), ec2)) continue;
        remains.push_back(sysutil::utf8FromPath(e.path()));
    }
}

}  // namespace

Outcome throwAwayScenario(const std::optional<std::string>& scenario, const std::vector<std::string>& fridgeFolders,
                          sysutil::Dialogs& dialogs, sysutil::Trash& trash) {
    namespace fs = std::filesystem;
    if (!scenario) return {Refresh::None};
    const fs::path folder = sysutil::pathFromUtf8(*scenario);
    const std::string name = nameOf(folder);
    // The archives there may be the only copies of everything put away: the
    // fridge of the settings and the one on screen alike.
    for (const auto& fridge : fridgeFolders)
        if (!fridge.empty() && within(fridge, *scenario)) {
            warn(dialogs, "冷蔵庫のフォルダ\r\n" + wrapped(fridge) +
                              "\r\nがこのシナリオの中にあります。\r\n書庫まで消えてしまうため、すてられません。");
            return {Refresh::None};
        }
    // Another file system (a stick, a bind mount) is not the scenario's to empty.
    if (sysutil::isMountedOn(folder)) {
        warn(dialogs, "シナリオ「" + wrapped(name) +
                          "」は別のファイルシステム（ドライブ）がつながっている場所です。\r\n"
                          "そこにあるものは消さずに残すため、すてられません。");
        return {Refresh::None};
    }
    const bool toTrash = trash.offersTrashFor(folder);
    const std::string what =
        "シナリオ「" + wrapped(name) + "」を" + (toTrash ? "ごみ箱に移します。" : "完全に削除します。元に戻せません。");
    if (dialogs.message({what + "よろしいですか？", "", MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No}) !=
        MsgAnswer::Yes)
        return {Refresh::None};
    if (dialogs.message({what + "本当によろしいですか？", "", MsgIcon::Exclamation, MsgButtons::YesNo,
                         MsgAnswer::No}) != MsgAnswer::Yes)
        return {Refresh::PoolOnly};
    sysutil::FileAccessDOS dos(&dialogs);
    std::vector<std::string> remains;
    sysutil::Failure deleted;
    if (!toTrash) {
        deleted = dos.DelTree(*scenario, true);
        remains = deleted.names;
    } else {
        // Whole, by one rename, unless another file system is mounted inside.
        std::vector<fs::path> mounts;
        for (const auto& sub : dos.SubDirectories(*scenario))
            if (sysutil::isMountedOn(sysutil::pathFromUtf8(sub))) mounts.push_back(sysutil::pathFromUtf8(sub));
        std::error_code ec;
        if (mounts.empty() && !trash.moveToTrash(folder, ec)) {
            warn(dialogs,
                 "シナリオ「" + wrapped(name) + "」をごみ箱に移せませんでした。\r\n" + sysutil::describeError(ec));
            return {Refresh::PoolOnly};
        }
        if (!mounts.empty()) trashAround(folder, mounts, trash, remains);
    }
    // Named from the scenario's own folder on: full paths would run off the screen.
    const std::string above = AddBackslash(sysutil::utf8FromPath(folder.parent_path()));
    for (auto& r : remains)
        if (r.starts_with(above)) r.erase(0, above.size());
    if (!remains.empty())
        warn(dialogs, "「" + wrapped(name) + "」を" +
                          (toTrash ? "ごみ箱に移しきれませんでした" : "削除しきれませんでした") +
                          "。次のものが残っています。" + firstFive(remains, deleted.unnamed) +
                          (deleted.code ? "\r\n" + sysutil::describeError(deleted.code) : ""));
    return {Refresh::PoolOnly};
}

Outcome throwAwayArchive(const std::optional<FridgeSelection>& selected, sysutil::Dialogs& dialogs,
                         sysutil::Trash& trash) {
    if (!selected) return {Refresh::None};
    const std::filesystem::path path = sysutil::pathFromUtf8(AddBackslash(selected->folder) + selected->fileName);
    const bool toTrash = trash.offersTrashFor(path);
    if (dialogs.message({"選択された圧縮ファイル「" + wrapped(selected->shown()) + "」を" +
                             (toTrash ? "ごみ箱に移します。" : "削除します。元に戻せません。") + "よろしいですか？",
                         "圧縮ファイル削除確認", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No}) !=
        MsgAnswer::Yes)
        return {Refresh::None};
    std::error_code ec;
    if (toTrash)
        trash.moveToTrash(path, ec);
    else
        std::filesystem::remove(path, ec);
    if (ec)
        warn(dialogs, "「" + wrapped(selected->shown()) + "」を" +
                          (toTrash ? "ごみ箱に移せませんでした。" : "削除できませんでした。") + "\r\n" +
                          sysutil::describeError(ec));
    return {Refresh::Reload};
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(sysutil::pathFromUtf8(a), sysutil::pathFromUtf8(b), ec);
}

// Whether the file begins as an LHA archive the reader takes (a first
// header, or a self-extractor's): a file named "*.LZH" that is none would
// otherwise fail only at take out. One that cannot be read is left to the
// copy, which says why.
bool readsAsArchive(const std::filesystem::path& file) {
    lha::FileSource source;
    if (!source.open(file)) return true;
    lha::Reader reader(source);
    std::optional<lha::Entry> first;
    const auto status = reader.next(first);
    return status || status.error == lha::ReadError::ReadFailed;
}

}  // namespace

Outcome copyIntoFridge(const std::vector<std::string>& files, const std::string& fridgeFolder,
                       sysutil::Dialogs& dialogs, sysutil::Trash& trash) {
    if (files.empty()) return {Refresh::None};
    if (fridgeFolder.empty()) {
        warn(dialogs, "冷蔵庫フォルダが設定されていません。");
        return {Refresh::None};
    }
    Outcome outcome{Refresh::FridgeOnly};
    std::vector<std::string> leftOut, alreadyThere;
    std::optional<bool> replaceTheRest;  // the answer "to all", once given
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        const std::filesystem::path from = sysutil::pathFromUtf8(file);
        const std::string name = sysutil::utf8FromPath(from.filename());
        const std::string shown = sysutil::displayName(from.filename());
        std::error_code ec;
        // What the fridge list would not show, it does not take either.
        if (!sysutil::matchesWildcard("*.LZH", shown) || sysutil::isHiddenEntry(from) ||
            !std::filesystem::is_regular_file(from, ec)) {
            leftOut.push_back(shown);
            continue;
        }
        // What take out would refuse to take out, the fridge does not take in.
        auto problem = sysutil::windowsNameProblem(shown);
        if (problem == sysutil::NameProblem::None) problem = sysutil::windowsNameProblem(takeOutFolderName(shown));
        if (problem != sysutil::NameProblem::None) {
            warn(dialogs, "「" + shown + "」は、この名前のままでは取り出せないため、冷蔵庫に入れませんでした。\r\n" +
                              sysutil::nameProblemText(problem) + "\r\n書庫の名前を変えてから入れてください。");
            continue;
        }
        if (!readsAsArchive(from)) {
            leftOut.push_back(shown);
            continue;
        }
        std::string target = AddBackslash(fridgeFolder) + name;
        MakeRoom makeRoom;
        bool trashed = false;
        if (const std::string twin = fridgeTwin(fridgeFolder, name); !twin.empty()) {
            target = AddBackslash(fridgeFolder) + twin;
            if (sameFile(file, target)) continue;  // dragged from the fridge itself
            if (sysutil::sameContent(from, sysutil::pathFromUtf8(target))) {
                alreadyThere.push_back(shown);
                outcome.archiveName = twin;
                continue;
            }
            const bool toTrash = trash.offersTrashFor(sysutil::pathFromUtf8(target));
            bool replace = replaceTheRest.value_or(false);
            if (!replaceTheRest) {
                // "To all" is offered while more files follow.
                const auto answer = dialogs.message(replaceArchiveQuestion(
                    target, toTrash, i + 1 < files.size() ? MsgButtons::YesNoAll : MsgButtons::YesNo));
                if (answer == MsgAnswer::YesToAll || answer == MsgAnswer::NoToAll)
                    replaceTheRest = answer == MsgAnswer::YesToAll;
                replace = answer == MsgAnswer::Yes || answer == MsgAnswer::YesToAll;
            }
            if (!replace) continue;
            makeRoom = oldArchiveGoes(trash, target, toTrash, trashed);
        }
        const auto copied =
            withProgress(dialogs, "「" + shown + "」を冷蔵庫にコピーしています...",
                         [&](const auto& progress) { return copyArchive(file, target, makeRoom, progress); });
        report(dialogs, copied, "「" + shown + "」を冷蔵庫にコピーできませんでした。" + whereTheOldOneIs(trashed));
        if (copied.ok()) outcome.archiveName = sysutil::utf8FromPath(sysutil::pathFromUtf8(target).filename());
    }
    if (!leftOut.empty())
        warn(dialogs, "次のファイルは LZH 書庫ではないため、冷蔵庫に入れませんでした。" + firstFive(leftOut));
    if (!alreadyThere.empty())
        dialogs.message({"次の書庫は冷蔵庫にあるものと同じため、そのままにしました。" + firstFive(alreadyThere), "",
                         MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok});
    return outcome;
}

}  // namespace commands
