#pragma once
#include <QIcon>

namespace app {

// A small fridge, drawn rather than shipped: the window's 32 by 32 icon.
QIcon appIcon();

}  // namespace app
