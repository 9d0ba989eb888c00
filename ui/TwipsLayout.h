#pragma once
// Forms are designed in twips (15 to a pixel at 96 dpi); Qt scales pixels for
// high-DPI screens itself. Where a Japanese font makes a caption wider than
// its control, the control and then the form grow rather than clip the text.
#include <QGroupBox>
#include <QWidget>
#include <initializer_list>

namespace ui {

constexpr int twips(int t) {
    return (t + 7) / 15;
}

void placeTwips(QWidget* w, int left, int top, int width, int height);

// The tab order, first to last.
void setTabOrderChain(std::initializer_list<QWidget*> widgets);

// Fits a form designed in twips to the texts it shows: each control takes
// its text's size (right-hand neighbours on the same row move along), a
// frame's contents start below its title, a control that would cover
// another's text moves down with everything below it, and the frames and the
// form grow to hold their children (the form takes just their size: its
// caller keeps the design's when that is larger).
void growToFitText(QWidget* form);

// Where a control's text is, in its parent's coordinates: a label's drawn
// text, a button's whole face; empty for other controls.
QRect textRect(const QWidget* w);
// A frame's title, in the frame's own coordinates.
QRect titleRect(const QGroupBox* box);

}  // namespace ui
