#include "commands/Job.h"

#include <exception>
#include <memory>
#include <optional>

namespace commands {

// The dialog seam as a job's thread reaches it: each question is put to the
// window's dialogs on the window's thread, and the job's thread waits for the
// answer. Long work runs on the job's thread.
class Job::ThreadDialogs : public sysutil::Dialogs {
public:
    explicit ThreadDialogs(Job& job) : job_(job) {}

    sysutil::MsgAnswer message(const sysutil::MessageRequest& r) override {
        const auto cancelled = r.buttons == sysutil::MsgButtons::Ok ? sysutil::MsgAnswer::Ok : sysutil::MsgAnswer::No;
        return onWindow([&] { return job_.dialogs_.message(r); }, cancelled);
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& caption,
                                     const std::string& proposed) override {
        return onWindow([&] { return job_.dialogs_.input(prompt, caption, proposed); }, std::optional<std::string>());
    }
    std::string selectFolder(const std::string& title, const std::string& startFolder) override {
        return onWindow([&] { return job_.dialogs_.selectFolder(title, startFolder); }, std::string());
    }
    int showModal(sysutil::ModalForm& form) override {
        return onWindow([&] { return job_.dialogs_.showModal(form); }, 0);
    }
    void runWithProgress(const std::string& caption,
                         const std::function<void(const sysutil::ProgressReport&)>& work) override {
        job_.dialogs_.runWithProgress(caption, [&](const sysutil::ProgressReport& report) {
            work([&](const sysutil::ProgressInfo& p) { return report(p) && !abandoned(); });
        });
    }

private:
    bool abandoned() {
        std::lock_guard lock(job_.mutex_);
        return job_.abandoned_;
    }

    template <typename Ask, typename T>
    T onWindow(Ask ask, T ifAbandoned) {
        struct Answer {
            std::optional<T> value;
            std::exception_ptr error;
            bool done = false;
        };
        auto answer = std::make_shared<Answer>();
        Job& job = job_;
        QMetaObject::invokeMethod(
            &job_,
            [&job, answer, ask] {
                std::optional<T> value;
                std::exception_ptr error;
                // Only while the question is open is the job waiting for the user.
                job.working_ = false;
                try {
                    value = ask();
                } catch (...) {
                    error = std::current_exception();
                }
                job.working_ = true;
                {
                    std::lock_guard lock(job.mutex_);
                    answer->value = std::move(value);
                    answer->error = error;
                    answer->done = true;
                }
                job.answered_.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(job_.mutex_);
        job_.answered_.wait(lock, [&] { return answer->done || job_.abandoned_; });
        if (!answer->done) return ifAbandoned;
        if (answer->error) std::rethrow_exception(answer->error);
        return std::move(*answer->value);
    }

    Job& job_;
};

Job::Job(Runs where, Work work, sysutil::Dialogs& dialogs, QObject* parent)
    : QObject(parent), where_(where), work_(std::move(work)), dialogs_(dialogs) {}

Job::~Job() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    answered_.notify_all();
    if (thread_.joinable()) thread_.join();
}

Outcome Job::run(sysutil::Dialogs& dialogs) {
    const settings::Folders folders = settings::currentFolders();
    Outcome outcome;
    try {
        outcome = work_(folders, dialogs);
    } catch (const std::exception& e) {
        // Whatever the work had done is on the disk: the lists read it again.
        const std::string why = dynamic_cast<const std::bad_alloc*>(&e) ? "メモリが足りません。" : e.what();
        dialogs.message({"処理を続けられませんでした。\r\n" + why, "", sysutil::MsgIcon::Critical,
                         sysutil::MsgButtons::Ok, sysutil::MsgAnswer::Ok});
        outcome = Outcome(Refresh::Reload);
    }
    if ((outcome.refresh == Refresh::Reload || outcome.refresh == Refresh::PoolOnly) && !outcome.board)
        outcome.board = readBoard(folders.cuttingBoard, true);
    return outcome;
}

void Job::start() {
    if (where_ == Runs::OnTheWindow) {
        const Outcome outcome = run(dialogs_);
        emit finished(outcome);
        return;
    }
    working_ = true;
    thread_ = std::thread([this] {
        ThreadDialogs dialogs(*this);
        auto outcome = std::make_shared<Outcome>(run(dialogs));
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                thread_.join();
                working_ = false;
                emit finished(*outcome);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace commands
