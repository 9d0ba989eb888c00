#include "Driver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <optional>
#include <set>

#include "commands/Job.h"

namespace drive {
namespace {

// The buttons held down now. An access key presses its button at once and
// lets it go, and so clicks it, a tenth of a second later.
std::set<const QAbstractButton*> buttonsDown() {
    std::set<const QAbstractButton*> down;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (const auto* button : top->findChildren<QAbstractButton*>())
            if (button->isDown() && button->isVisible()) down.insert(button);
    return down;
}

// Whether a command set going works off the window's thread and has not
// ended. One waiting for an answer does not count: the user is asked.
bool aJobWorks() {
    for (QWidget* top : QApplication::topLevelWidgets())
        for (const auto* job : top->findChildren<commands::Job*>())
            if (job->working()) return true;
    return false;
}

// Lets the buttons an input pressed come up again. (A file dialog keeps its
// view-mode button down for good: what was down before does not count.)
void settleAfter(const std::set<const QAbstractButton*>& downBefore) {
    QApplication::processEvents();
    for (int i = 0; i < 100; ++i) {
        const auto down = buttonsDown();
        if (std::all_of(down.begin(), down.end(), [&](const auto* b) { return downBefore.count(b) > 0; })) break;
        QTest::qWait(10);
    }
    // The command the input started, to its end or its next question.
    for (int i = 0; i < 6000 && aJobWorks(); ++i) QTest::qWait(5);
    QApplication::processEvents();
}

}  // namespace

void bringUp(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    settle();
}

void settle() {
    settleAfter({});
}

QWidget* keyboard() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;  // a drop-down's list, a menu
    if (QWidget* focused = QApplication::focusWidget()) return focused;
    return QApplication::activeWindow();
}

void press(const QKeySequence& keys) {
    for (int i = 0; i < keys.count(); ++i) {
        QWidget* target = keyboard();
        if (!target) {
            ADD_FAILURE() << "no window takes the keys " << keys.toString().toStdString();
            return;
        }
        const auto downBefore = buttonsDown();
        QTest::keyClick(target, keys[i].key(), keys[i].keyboardModifiers());
        settleAfter(downBefore);
    }
}

void type(const QString& text) {
    QString composed;
    auto handOver = [&composed] {
        if (composed.isEmpty()) return;
        QInputMethodEvent event;
        event.setCommitString(composed);
        QApplication::sendEvent(keyboard(), &event);
        composed.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
            handOver();
            QTest::keyClick(keyboard(), c.toLatin1());
        } else {
            composed += c;
        }
    }
    handOver();
    settle();
}

void retype(const QString& text) {
    press(QKeySequence::SelectAll);
    if (text.isEmpty())
        press(QKeySequence(Qt::Key_Delete));
    else
        type(text);
}

void tabTo(QWidget* target) {
    for (int i = 0; i < 30 && QApplication::focusWidget() != target; ++i) press(QKeySequence(Qt::Key_Tab));
    if (QApplication::focusWidget() != target)
        ADD_FAILURE() << "Tab never reaches " << target->objectName().toStdString();
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
    settle();
}

namespace {

// The middle of the row showing `text`, scrolled into view; nullopt (and a
// failure) when no row shows it.
std::optional<QPoint> rowAt(QListWidget* list, const QString& text) {
    const auto rows = list->findItems(text, Qt::MatchExactly);
    if (rows.isEmpty()) {
        ADD_FAILURE() << list->objectName().toStdString() << " shows no row " << text.toStdString();
        return std::nullopt;
    }
    list->scrollToItem(rows.front());
    return list->visualItemRect(rows.front()).center();
}

}  // namespace

void clickRow(QListWidget* list, const QString& text) {
    if (const auto at = rowAt(list, text)) QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, *at);
    settle();
}

void pressAndSlide(QListWidget* list, const QString& from, const QString& to) {
    const auto start = rowAt(list, from);
    const auto end = rowAt(list, to);
    if (!start || !end) return;
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, *start);
    QTest::mouseMove(list->viewport(), (*start + *end) / 2);
    QTest::mouseMove(list->viewport(), *end);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, *end);
    settle();
}

void choose(QComboBox* box, const QString& entry) {
    const int row = box->findText(entry);
    if (row < 0) {
        ADD_FAILURE() << box->objectName().toStdString() << " has no entry " << entry.toStdString();
        return;
    }
    click(box);
    if (QApplication::activePopupWidget() == nullptr) {
        ADD_FAILURE() << box->objectName().toStdString() << " did not open its list";
        return;
    }
    press(QKeySequence(Qt::Key_Home));
    for (int i = 0; i < row; ++i) press(QKeySequence(Qt::Key_Down));
    press(QKeySequence(Qt::Key_Return));
}

void hover(QWidget* widget, QPoint at) {
    QTest::mouseMove(widget, at.isNull() ? widget->rect().center() : at);
    settle();
}

Qt::DropAction drop(QWidget* widget, const QStringList& files, Qt::DropActions actions) {
    QList<QByteArray> names;
    for (const QString& file : files) names << QFile::encodeName(file);
    return drop(widget, names, actions);
}

Qt::DropAction drop(QWidget* widget, const QList<QByteArray>& files, Qt::DropActions actions) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QByteArray& file : files) urls << QUrl::fromEncoded("file://" + file.toPercentEncoding("/"));
    data.setUrls(urls);
    // Where the mouse is: a list's rows lie in its viewport.
    QWidget* under = widget;
    if (auto* view = qobject_cast<QAbstractScrollArea*>(widget)) under = view->viewport();
    const QPoint at = under->rect().center();
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(under, &enter);
    if (!enter.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(under, &leave);
        settle();
        return Qt::IgnoreAction;
    }
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(under, &move);
    QDropEvent dropped(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(under, &dropped);
    settle();
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
}

std::function<int(sysutil::ModalForm&)> whenShown(std::function<void(QWidget& form)> act) {
    return [act = std::move(act)](sysutil::ModalForm& form) {
        auto* window = dynamic_cast<QWidget*>(&form);
        if (!window) {
            ADD_FAILURE() << "a modal form that is no window";
            return 0;
        }
        QWidget* before = QApplication::activeWindow();
        window->setWindowModality(Qt::ApplicationModal);
        bringUp(*window);
        act(*window);
        settle();
        const auto* dialog = qobject_cast<QDialog*>(window);
        const int result = dialog ? dialog->result() : 0;
        window->hide();
        if (before) bringUp(*before);
        return result;
    };
}

}  // namespace drive
