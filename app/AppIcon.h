#pragma once
// The program's icon: a small fridge, drawn from one description at every
// size the window and the desktop need, and written as SVG for the themes.
#include <QIcon>
#include <QImage>
#include <QString>

namespace app {

// The window's icon, 32 by 32.
QIcon appIcon();
// The icon drawn in a square of `size` pixels.
QImage appIconImage(int size);
// The same drawing as a scalable SVG document.
QString appIconSvg();

}  // namespace app
