#pragma once
// A command of the window as a job: it reads the settings once as it starts,
// runs its work, asks its questions through the dialog seam, and says how it
// ended by a signal, so that the window never waits in a loop of its own.
// Work that is all forms runs on the window's thread and is over when
// start() returns; the rest runs on a thread of its own, its questions
// carried to the window's thread and their answers back.
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "commands/Outcome.h"
#include "settings/Folders.h"
#include "sysutil/Dialogs.h"

namespace commands {

using Work = std::function<Outcome(const settings::Folders& folders, sysutil::Dialogs& dialogs)>;

class Job : public QObject {
    Q_OBJECT
public:
    enum class Runs { OnTheWindow, OffTheWindow };
    // `dialogs` are the window's; they are only ever called on its thread.
    Job(Runs where, Work work, sysutil::Dialogs& dialogs, QObject* parent = nullptr);
    // Destroyed while it works (the program ending under it): an open
    // question is answered as cancelled, long work is cancelled, and the
    // work is waited for.
    ~Job() override;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    void start();
    // Whether work off the window is under way, and not waiting for the
    // user to answer a question it put.
    bool working() const { return working_; }

signals:
    void finished(const commands::Outcome& outcome);

private:
    class ThreadDialogs;
    Outcome run(sysutil::Dialogs& dialogs);

    Runs where_;
    Work work_;
    sysutil::Dialogs& dialogs_;
    std::thread thread_;
    std::atomic<bool> working_{false};
    // Guards the answers carried back from the window's thread.
    std::mutex mutex_;
    std::condition_variable answered_;
    bool abandoned_ = false;
};

}  // namespace commands
