// The document viewer on LF-only texts of 2.4 MB and 25 MB (past the
// viewer's read limit), offscreen: the time until the text shows, until the
// whole of it is in the box, and the longest the window's events waited.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "inspect/frmDocumentView.h"
#include "ui/QtDialogs.h"
#include "ui/cExecute.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path root = fs::temp_directory_path() / "fzarc-bench-viewer";
    fs::remove_all(root);
    fs::create_directories(root);
    // Shift-JIS lines of a read-me, LF-ended as on Linux.
    const std::string line =
        "\x91\xe6\x31\x98\x62\x20\x97\xb4\x82\xcc\x8f\xe9\x82\xcc\x95\xa8\x8c\xea\x81\x41\x82\xbb\x82\xcc\x8d\x73"
        " The quick brown fox jumps over the lazy dog 0123456789\n";
    for (const auto& [name, bytes] : {std::pair{"a-2.4MB.txt", 2'400'000}, std::pair{"b-25MB.txt", 25'000'000}}) {
        std::ofstream out(root / name, std::ios::binary);
        for (int written = 0; written < bytes; written += static_cast<int>(line.size())) out << line;
    }
    ui::QtDialogs dialogs(nullptr, "FZARC");
    ui::cExecute launcher;
    inspect::frmDocumentView viewer(launcher, dialogs);
    viewer.File->setPath(root.string());
    viewer.show();
    QApplication::processEvents();
    for (int row = 0; row < viewer.File->count(); ++row) {
        QElapsedTimer clock, tick;
        qint64 longestWait = 0, shown = -1, whole = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestWait = std::max(longestWait, tick.restart()); });
        clock.start();
        tick.start();
        ticker.start(5);
        viewer.File->setCurrentRow(row);
        viewer.ShowSelectedFile();
        int blocks = 0;
        // Done when the box has stopped growing for a second and a half.
        while (blocks < 10 || clock.elapsed() - whole < 1500) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            longestWait = std::max(longestWait, tick.elapsed());
            const int now = viewer.txtViewer->document()->blockCount();
            if (shown < 0 && now > 10) shown = clock.elapsed();
            if (now != blocks) whole = clock.elapsed();
            blocks = now;
        }
        ticker.stop();
        std::printf(
            "Viewer %s: text shown in %lld ms, all %d lines in the box in %lld ms, longest wait for events %lld ms\n",
            viewer.File->item(row)->text().toUtf8().constData(), static_cast<long long>(shown), blocks,
            static_cast<long long>(whole), static_cast<long long>(longestWait));
    }
    fs::remove_all(root);
    return 0;
}
