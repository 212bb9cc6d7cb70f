#pragma once
// Window sizes that follow the user's font: the design's pixel sizes are the least a window
// takes at the default font, and a window grows to what its layout asks with a larger one.

#include <QPoint>
#include <QSize>

class QWidget;

namespace pictorb {

// Makes `design`, or the least size the window's layout needs when that is larger, the
// window's least size, and grows the window to it when it is smaller; with `preferredWidth`
// to the width the layout would like, so that text fields show their whole text.
void FitToContents(QWidget& window, QSize design, bool preferredWidth = false);
// Moves the window so that its centre is at `centre`, or as near as its screen allows: a
// window that grew while shown stays where it was and on screen.
void CentreOnScreen(QWidget& window, QPoint centre);

}  // namespace pictorb
