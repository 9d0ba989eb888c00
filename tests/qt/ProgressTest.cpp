// Long work through the real dialog seam, run off the window's thread as the
// commands' jobs run it: a progress window appears once the work lasts, the
// window's events flow meanwhile, and its cancel stops the work.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "ui/QtDialogs.h"

namespace {

QProgressDialog* findProgressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) return p;
    return nullptr;
}

// Runs `work` on a thread of its own while the window's events are served.
void offTheWindow(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done) QTest::qWait(5);
    worker.join();
    QApplication::processEvents();  // what the work posted last: the progress window taken down
}

TEST(ProgressWindow, ShortWorkShowsNothing) {
    ui::QtDialogs dialogs(nullptr, "FZARC");
    bool sawWindow = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { sawWindow = sawWindow || findProgressWindow(); });
    probe.start(10);
    offTheWindow([&] {
        dialogs.runWithProgress("quick", [](const sysutil::ProgressReport& report) {
            report({0, 1, 0, 10, "a"});
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        });
    });
    EXPECT_FALSE(sawWindow);
}

TEST(ProgressWindow, LongWorkShowsItAndCancelStopsTheWork) {
    ui::QtDialogs dialogs(nullptr, "FZARC");
    int ticks = 0;
    QString label;
    bool blockedWhileShown = true;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks;
        if (QProgressDialog* p = findProgressWindow(); p && label.isEmpty()) {
            QApplication::processEvents();
            blockedWhileShown = QGuiApplication::modalWindow() != nullptr;
            label = p->labelText();
            p->cancel();
        }
    });
    probe.start(20);
    std::atomic<bool> stoppedByCancel{false};
    const auto start = std::chrono::steady_clock::now();
    offTheWindow([&] {
        dialogs.runWithProgress("「Castle.LZH」を取り出しています...", [&](const sysutil::ProgressReport& report) {
            for (int i = 0; i < 500; ++i) {
                if (!report({static_cast<std::uint64_t>(i), 500, static_cast<std::uint64_t>(i) * 1000000, 500000000,
                             "data/scene.txt"})) {
                    stoppedByCancel = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    });
    EXPECT_TRUE(stoppedByCancel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(label.contains("Castle.LZH")) << label.toStdString();
    // Blocked by a modal window, the window would never hear its close box.
    EXPECT_FALSE(blockedWhileShown);
    EXPECT_GE(ticks, 20);  // the event loop kept running throughout
    EXPECT_EQ(findProgressWindow(), nullptr);
}

TEST(ProgressWindow, AnExceptionOfTheWorkReachesTheCaller) {
    // Swallowed, it once turned into a silent cancel.
    ui::QtDialogs dialogs(nullptr, "FZARC");
    EXPECT_THROW(dialogs.runWithProgress("「Castle.LZH」を取り出しています...",
                                         [](const sysutil::ProgressReport&) { throw std::runtime_error("boom"); }),
                 std::runtime_error);
}

TEST(ProgressWindow, ItsOwnerGoingWhileItShowsCrashesNothing) {
    // A window destroyed under a long command takes its progress window with it.
    auto* owner = new QWidget;
    owner->show();
    ui::QtDialogs dialogs(owner, "FZARC");
    std::atomic<bool> ownerGone{false};
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!ownerGone && findProgressWindow()) {
            delete owner;
            ownerGone = true;
        }
    });
    probe.start(10);
    offTheWindow([&] {
        dialogs.runWithProgress("long", [&](const sysutil::ProgressReport& report) {
            while (!ownerGone) {
                report({0, 1, 0, 10, "a"});
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    });
    EXPECT_EQ(findProgressWindow(), nullptr);
}

}  // namespace
