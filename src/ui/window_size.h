#pragma once
// Window sizes that follow the user's font: the design's pixel sizes are the least a window
// takes at the default font, and a window grows to what its layout asks with a larger one.

#include <QSize>

class QWidget;

namespace pictorb {

// Makes `design`, or the least size the window's layout needs when that is larger, the
// window's least size, and grows the window to it when it is smaller.
void FitToContents(QWidget& window, QSize design);

}  // namespace pictorb
