#pragma once
// Forms are designed in twips (15 to a pixel at 96 dpi); Qt scales pixels for
// high-DPI screens itself. Where a Japanese font makes a caption wider than
// its control, the control and then the form grow rather than clip the text.
#include <QWidget>
#include <initializer_list>

namespace sysutil {

constexpr int twips(int t) {
    return (t + 7) / 15;
}

void placeTwips(QWidget* w, int left, int top, int width, int height);

// The tab order, first to last.
void setTabOrderChain(std::initializer_list<QWidget*> widgets);

// Widens each control to its text's size hint, pushing right-hand neighbours
// on the same row along, and grows every container to hold its children.
void growToFitText(QWidget* form);

}  // namespace sysutil
