#pragma once
// The dialog seam on Qt: message boxes, the input box, the folder picker,
// modal forms (each on the window's thread), and long work with a progress
// window (run on the work's own thread).
#include <QWidget>

#include "sysutil/Dialogs.h"

namespace ui {

class QtDialogs : public sysutil::Dialogs {
public:
    // `owner` parents the boxes; `appTitle` is the caption of boxes without their own.
    QtDialogs(QWidget* owner, QString appTitle) : owner_(owner), appTitle_(std::move(appTitle)) {}

    void setOwner(QWidget* owner) { owner_ = owner; }

    sysutil::MsgAnswer message(const sysutil::MessageRequest& request) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& caption,
                                     const std::string& proposed) override;
    std::string selectFolder(const std::string& title, const std::string& startFolder) override;
    int showModal(sysutil::ModalForm& form) override;
    void runWithProgress(const std::string& caption,
                         const std::function<void(const sysutil::ProgressReport&)>& work) override;

private:
    QWidget* owner_;
    QString appTitle_;
};

}  // namespace ui
