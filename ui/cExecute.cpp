#include "ui/cExecute.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "sysutil/PathRules.h"
#include "sysutil/Processes.h"
#include "sysutil/ProgramFolder.h"
#include "ui/Documents.h"

namespace ui {
namespace fs = std::filesystem;
namespace {

constexpr int kPollMs = 100;
constexpr int kWineStartsMs = 5000;

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

std::vector<fs::path> searchFolders() {
    std::vector<fs::path> out{sysutil::pathFromUtf8(sysutil::executableFolder())};
    std::error_code ec;
    out.push_back(fs::current_path(ec));
#if defined(_WIN32)
    wchar_t buf[MAX_PATH];
    if (GetSystemDirectoryW(buf, MAX_PATH)) out.emplace_back(buf);
    if (GetWindowsDirectoryW(buf, MAX_PATH)) out.emplace_back(buf);
    constexpr char kListSep = ';';
#else
    constexpr char kListSep = ':';
#endif
    if (const char* path = std::getenv("PATH")) {
        std::string all = path;
        std::size_t start = 0;
        while (start <= all.size()) {
            const auto end = all.find(kListSep, start);
            const auto one = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!one.empty()) out.push_back(sysutil::pathFromUtf8(one));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return out;
}

// The wait: the process is looked at every 100 ms until it ends or the
// launcher is being destroyed, on the caller's thread (the commands run as
// jobs off the window's). A started program is detached: it outlives a wait
// given up, and the launcher.
void waitWhile(const std::function<bool()>& running, const std::atomic<bool>& terminate) {
    do std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    while (running() && !terminate);
}

bool runProgram(const QString& program, const QStringList& args, bool wait, const std::atomic<bool>& terminate,
                const QString& folder = {}) {
    qint64 pid = 0;
    if (!QProcess::startDetached(program, args, folder, &pid)) return false;
    if (wait) waitWhile([pid] { return sysutil::processRuns(static_cast<unsigned long>(pid)); }, terminate);
    return true;
}

}  // namespace

bool cExecute::FindInPath(const std::string& name) {
    if (name.empty()) return false;
    const fs::path p = sysutil::pathFromUtf8(name);
    if (p.is_absolute()) return isFile(p);
    for (const auto& folder : searchFolders())
        if (isFile(folder / p)) return true;
    return false;
}

std::pair<std::string, std::string> cExecute::splitCommandLine(const std::string& line) {
    std::size_t p = line.find(' ');
    while (p != std::string::npos && p > 0) {
        const std::string candidate = line.substr(0, p);
        if (FindInPath(candidate)) return {candidate, line.substr(p + 1)};
        p = line.find(' ', p + 1);
    }
    return {line, ""};
}

namespace {

using sysutil::Failure;
using sysutil::FailureKind;

// Nothing started; `why` is "" when no reason is known, and then the whole
// line may still run as a command.
Failure notStarted(std::string why = {}) {
    return Failure::of(FailureKind::NotStarted, std::move(why));
}

}  // namespace

Failure cExecute::openThroughShell(const std::string& program, const std::string& parameters, bool wait) {
    // The shell's "open" takes a quoted file name as the file itself.
    std::string name = program;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    // Resolve the program the way the file search does.
    fs::path target = sysutil::pathFromUtf8(name);
    if (!target.is_absolute()) {
        for (const auto& folder : searchFolders()) {
            std::error_code ec;
            if (fs::exists(folder / target, ec)) {
                target = folder / target;
                break;
            }
        }
    }
    const QString file = QString::fromStdString(sysutil::utf8FromPath(target));
    const QFileInfo info(file);
    if (!info.exists()) return notStarted();
#if !defined(_WIN32)
    // The engine and its editor are Windows programs: Wine runs them, when it
    // is installed, in their own folder, where they look for their files.
    if (info.isFile() && info.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0) {
        const std::string wine = findWine();
        if (wine.empty())
            return notStarted("「" + info.fileName().toStdString() +
                              "」は Windows のプログラムです。起動するには Wine が必要です。\r\n"
                              "Wine（wine または wine64）をインストールしてください。");
        if (!runProgram(
                QString::fromStdString(wine),
                QStringList{info.absoluteFilePath()} + QProcess::splitCommand(QString::fromStdString(parameters)), wait,
                blnTerminate, info.absolutePath()))
            return notStarted();
        // Wine takes seconds to bring the engine's window up (a fresh prefix
        // many more): the busy cursor says something is on its way.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        QTimer::singleShot(kWineStartsMs, qApp, [] { QApplication::restoreOverrideCursor(); });
        return {};
    }
#endif
    if (info.isFile() && info.isExecutable())
        return runProgram(file, QProcess::splitCommand(QString::fromStdString(parameters)), wait, blnTerminate)
                   ? Failure{}
                   : notStarted();
    // A document or a folder: its associated program. No process to wait for,
    // so a wait ends after its first poll.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        return notStarted(info.isDir() ? "フォルダを表示するプログラム（ファイルマネージャ）が見つかりません。" : "");
    if (wait) waitWhile([] { return false; }, blnTerminate);
    return {};
}

std::string cExecute::findWine() const {
    for (const char* name : {"wine", "wine64"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) return found.toStdString();
    }
    for (const auto& loader : wineLoaders)
        if (QFileInfo(QString::fromStdString(loader)).isExecutable()) return loader;
    return {};
}

Failure cExecute::startCommand(const std::string& line, bool wait) {
    QStringList args = QProcess::splitCommand(QString::fromStdString(line));
    if (args.isEmpty()) return notStarted();
    const QString program = args.takeFirst();
    return runProgram(program, args, wait, blnTerminate) ? Failure{} : notStarted();
}

Failure cExecute::OpenDocument(const std::string& path, std::uintptr_t lngOwnerhWnd) {
    (void)lngOwnerhWnd;
    std::error_code ec;
    const fs::path file = fs::absolute(sysutil::pathFromUtf8(path), ec);
    if (ec || !fs::exists(file, ec))
        return Failure::of(FailureKind::NotStarted, "「" + path + "」が見つかりません。", ec);
    if (!opensAsDocument(file))
        return Failure::of(FailureKind::Refused,
                           "文書（テキスト、HTML、PDF、画像）ではないため、関連付けられたプログラムでは開きません。");
#if defined(_WIN32)
    const QUrl url = QUrl::fromLocalFile(QString::fromStdWString(file.wstring()));
#else
    // From the name's own bytes: a Shift-JIS name copied from old media reaches the desktop intact.
    const QByteArray bytes = QByteArray::fromStdString(file.native());
    const QUrl url = QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
#endif
    if (!QDesktopServices::openUrl(url)) return notStarted("関連付けられたプログラムが見つかりません。");
    return {};
}

Failure cExecute::ShellX(const std::string& strCommandLine, int WindowStyle, std::uintptr_t lngOwnerhWnd,
                         bool blnWait) {
    // Window styles and owners have no meaning for the desktops we start programs on.
    (void)WindowStyle;
    (void)lngOwnerhWnd;
    const auto [program, parameters] = splitCommandLine(strCommandLine);
    auto shell = openThroughShell(program, parameters, blnWait);
    if (shell.ok() || !shell.detail.empty()) return shell;  // started, or nothing else would do
    return startCommand(strCommandLine, blnWait);
}

}  // namespace ui
