#include "ui/QtDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>

namespace ui {
namespace {

constexpr int kShowProgressAfterMs = 500;
constexpr int kDrawEveryMs = 50;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString megabytes(std::uint64_t bytes) {
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1);
}

}  // namespace

sysutil::MsgAnswer QtDialogs::message(const sysutil::MessageRequest& r) {
    QMessageBox box(owner_);
    box.setWindowTitle(r.caption.empty() ? appTitle_ : q(r.caption));
    // The texts carry Windows line ends; Qt wants plain ones.
    box.setText(q(r.text).replace("\r\n", "\n"));
    switch (r.icon) {
        case sysutil::MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case sysutil::MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case sysutil::MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case sysutil::MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case sysutil::MsgIcon::None:
            break;
    }
    if (r.buttons == sysutil::MsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return sysutil::MsgAnswer::Ok;
    }
    const bool toAll = r.buttons == sysutil::MsgButtons::YesNoAll;
    box.setStandardButtons(toAll ? QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll
                                 : QMessageBox::Yes | QMessageBox::No);
    if (toAll) {
        // For this file and every one after it.
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("以降すべてはい(&A)"));
        box.button(QMessageBox::NoToAll)->setText(QStringLiteral("以降すべていいえ(&O)"));
    }
    box.setDefaultButton(r.defaultButton == sysutil::MsgAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return sysutil::MsgAnswer::Yes;
        case QMessageBox::YesToAll:
            return sysutil::MsgAnswer::YesToAll;
        case QMessageBox::NoToAll:
            return sysutil::MsgAnswer::NoToAll;
        default:
            return sysutil::MsgAnswer::No;
    }
}

std::optional<std::string> QtDialogs::input(const std::string& prompt, const std::string& caption,
                                            const std::string& proposed) {
    bool ok = false;
    const QString text = QInputDialog::getText(owner_, caption.empty() ? appTitle_ : q(caption), q(prompt),
                                               QLineEdit::Normal, q(proposed), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

std::string QtDialogs::selectFolder(const std::string& title, const std::string& startFolder) {
    // Folders only, "" on cancel.
    const QString dir = QFileDialog::getExistingDirectory(owner_, q(title), q(startFolder), QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(dir).toStdString();
}

int QtDialogs::showModal(sysutil::ModalForm& form) {
    return form.execModal();
}

namespace {

// What the work last reported and whether the user cancelled: written by the
// work's thread, read by the window's.
struct ProgressShared {
    std::mutex mutex;
    sysutil::ProgressInfo latest;
    std::atomic<bool> cancelled{false};
};

// The progress window, on the window's thread: it shows once the work lasts
// and draws what the work last reported, a few times a second.
class ProgressShown : public QObject {
public:
    ProgressShown(std::shared_ptr<ProgressShared> shared, QString caption, QWidget* owner, QString title)
        : shared_(std::move(shared)), caption_(std::move(caption)), owner_(owner), title_(std::move(title)) {
        clock_.start();
        connect(&timer_, &QTimer::timeout, this, &ProgressShown::draw);
        timer_.start(kDrawEveryMs);
    }
    // The owner may have gone first, and its progress window with it.
    ~ProgressShown() override { delete dialog_; }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    void draw() {
        if (!shown_ && clock_.elapsed() >= kShowProgressAfterMs) {
            shown_ = true;
            dialog_ = new QProgressDialog(caption_, QStringLiteral("キャンセル"), 0, 1000, owner_);
            dialog_->setWindowTitle(title_);
            // Not modal: the platform drops a close request to a window a modal
            // one blocks, and the user's close is to close it after the work.
            // The window refuses other commands while one works.
            dialog_->setWindowModality(Qt::NonModal);
            dialog_->setMinimumDuration(0);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            dialog_->setMinimumWidth(420);
            dialog_->show();
        }
        if (!dialog_) return;
        sysutil::ProgressInfo p;
        {
            std::lock_guard lock(shared_->mutex);
            p = shared_->latest;
        }
        dialog_->setLabelText(QStringLiteral("%1\n%2 / %3 件　%4 / %5 MB\n%6")
                                  .arg(caption_)
                                  .arg(p.entriesDone)
                                  .arg(p.entriesTotal)
                                  .arg(megabytes(p.bytesDone), megabytes(p.bytesTotal),
                                       dialog_->fontMetrics().elidedText(q(p.currentName), Qt::ElideMiddle, 400)));
        if (p.bytesTotal > 0) dialog_->setValue(static_cast<int>(p.bytesDone * 1000 / p.bytesTotal));
        if (dialog_->wasCanceled() && !shared_->cancelled) {
            shared_->cancelled = true;
            dialog_->setLabelText(QStringLiteral("中止しています..."));
        }
    }

    std::shared_ptr<ProgressShared> shared_;
    QString caption_;
    QPointer<QWidget> owner_;
    QString title_;
    QElapsedTimer clock_;
    QTimer timer_;
    QPointer<QProgressDialog> dialog_;
    bool shown_ = false;
};

}  // namespace

void QtDialogs::runWithProgress(const std::string& caption,
                                const std::function<void(const sysutil::ProgressReport&)>& work) {
    auto shared = std::make_shared<ProgressShared>();
    const sysutil::ProgressReport report = [shared](const sysutil::ProgressInfo& p) {
        {
            std::lock_guard lock(shared->mutex);
            shared->latest = p;
        }
        return !shared->cancelled.load();
    };
    // On the window's thread nothing could draw the window meanwhile.
    if (QThread::currentThread() == qApp->thread()) return work(report);
    // The window's thread makes the progress window and takes it down; both
    // are posted, never waited for, so a window that is closing cannot hold
    // the work up. Taken down before anything the work posts afterwards.
    auto shown = std::make_shared<std::unique_ptr<ProgressShown>>();
    QMetaObject::invokeMethod(
        qApp,
        [shown, shared, text = q(caption), owner = QPointer<QWidget>(owner_), title = appTitle_] {
            *shown = std::make_unique<ProgressShown>(shared, text, owner, title);
        },
        Qt::QueuedConnection);
    struct TakeDown {
        std::shared_ptr<std::unique_ptr<ProgressShown>> shown;
        ~TakeDown() {
            QMetaObject::invokeMethod(
                qApp, [s = shown] { s->reset(); }, Qt::QueuedConnection);
        }
    } takeDown{shown};
    work(report);  // an exception of the work's comes out here, for the caller to report
}

}  // namespace ui
