#pragma once
// A user at the keyboard and the mouse. Window tests reach every command the
// way a user does: access keys, menus walked by their letters, Tab, Enter,
// clicks on buttons and rows; never by setting a widget's state. Keys go where
// the keyboard is at that moment (an open menu, else the focused widget), so
// press("Alt+F, C, R") opens ファイル, then まな板, then chooses しまう.
#include <QComboBox>
#include <QKeySequence>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "sysutil/Dialogs.h"

namespace drive {

// Shows the window and makes it the active one, as when the user brings it up.
void bringUp(QWidget& window);
// Lets what the last input set going happen: repaints, focus changes, and the
// click an access key gives a button a moment later.
void settle();

// Where the keyboard is now: an open menu, else the focused widget, else the
// active window.
QWidget* keyboard();
// Presses each key combination of `keys` in turn: "Alt+L", "Alt+F, C, R",
// "F5", "Return", "Tab". Each goes where the keyboard is when it is pressed.
void press(const QKeySequence& keys);
// Types `text` where the keyboard is: ASCII key by key, the rest as an input
// method hands it over.
void type(const QString& text);
// Selects what the focused text box holds and types `text` over it.
void retype(const QString& text);
// Presses Tab until `target` has the focus.
void tabTo(QWidget* target);

// A left click in the middle of a widget: a button is pressed, a list or a
// text box takes the focus.
void click(QWidget* widget);
// A left click on the row showing `text` (scrolled into view first).
void clickRow(QListWidget* list, const QString& text);
// The left button pressed on the row showing `from`, the mouse moved onto the
// row showing `to` with the button held, and let go there.
void pressAndSlide(QListWidget* list, const QString& from, const QString& to);
// Opens a drop-down list with a click and picks `entry` by keys.
void choose(QComboBox* box, const QString& entry);
// The mouse moved onto a widget, at `at` (its middle by default), no button held.
void hover(QWidget* widget, QPoint at = {});

// Files dragged from the file manager and let go over the middle of a
// widget, the file manager offering `actions`. Returns the action the
// window took (Qt::IgnoreAction when it refused the drop).
Qt::DropAction drop(QWidget* widget, const QStringList& files,
                    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction);
// The same, the files named by their bytes on the disk, as the file manager
// hands them over (a Shift-JIS name from old media is no UTF-8).
Qt::DropAction drop(QWidget* widget, const QList<QByteArray>& files,
                    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction);

// For FakeDialogs::onModal: the form shows as the user meets it (modal and
// active), `act` drives it, and what had the keyboard before has it again once
// the form is gone. Returns the form's result.
std::function<int(sysutil::ModalForm&)> whenShown(std::function<void(QWidget& form)> act);

}  // namespace drive
