#include "ui/QtDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <atomic>
#include <memory>
#include <mutex>

#include "sysutil/BackgroundWork.h"

namespace ui {
namespace {

constexpr int kShowProgressAfterMs = 500;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString megabytes(std::uint64_t bytes) {
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1);
}

}  // namespace

void serveWindowEvents() {
    QCoreApplication::processEvents();
}

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

void QtDialogs::runWithProgress(const std::string& caption,
                                const std::function<void(const sysutil::ProgressReport&)>& work) {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    sysutil::ProgressInfo latest;
    const sysutil::ProgressReport report = [&](const sysutil::ProgressInfo& p) {
        {
            std::lock_guard lock(mutex);
            latest = p;
        }
        return !cancelled.load();
    };

    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> dialog;
    // Between slices of waiting: the window's events, and the progress window
    // once the work lasts.
    const sysutil::EventPump pump = [&] {
        serveWindowEvents();
        if (!dialog && clock.elapsed() >= kShowProgressAfterMs) {
            dialog = std::make_unique<QProgressDialog>(q(caption), QStringLiteral("キャンセル"), 0, 1000, owner_);
            dialog->setWindowTitle(appTitle_);
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            dialog->setMinimumWidth(420);
            dialog->show();
        }
        if (!dialog) return;
        sysutil::ProgressInfo p;
        {
            std::lock_guard lock(mutex);
            p = latest;
        }
        dialog->setLabelText(QStringLiteral("%1\n%2 / %3 件　%4 / %5 MB\n%6")
                                 .arg(q(caption))
                                 .arg(p.entriesDone)
                                 .arg(p.entriesTotal)
                                 .arg(megabytes(p.bytesDone), megabytes(p.bytesTotal),
                                      dialog->fontMetrics().elidedText(q(p.currentName), Qt::ElideMiddle, 400)));
        if (p.bytesTotal > 0) dialog->setValue(static_cast<int>(p.bytesDone * 1000 / p.bytesTotal));
        if (dialog->wasCanceled() && !cancelled) {
            cancelled = true;
            dialog->setLabelText(QStringLiteral("中止しています..."));
        }
    };
    // An exception of the work's comes out here, for the caller to report.
    sysutil::runServingEvents([&] { work(report); }, pump);
}

}  // namespace ui
