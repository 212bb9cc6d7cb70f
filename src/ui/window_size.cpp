#include "ui/window_size.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pictorb {

void FitToContents(QWidget& window, QSize design, bool preferredWidth) {
    window.setMinimumSize(design.expandedTo(window.minimumSizeHint()));
    // Only as tall as the layout needs: a scrolling page would ask for all its rows.
    const QSize wanted(preferredWidth ? window.sizeHint().width() : 0, 0);
    // A window never sized yet has the toolkit's default size, which is no one's choice.
    const QSize current = window.testAttribute(Qt::WA_Resized) ? window.size() : QSize(0, 0);
    window.resize(current.expandedTo(window.minimumSize()).expandedTo(wanted));
}

void CentreOnScreen(QWidget& window, QPoint centre) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(centre);
    if (const QScreen* screen = window.screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(
            std::max(std::min(frame.left(), area.right() + 1 - frame.width()), area.left()));
        frame.moveTop(
            std::max(std::min(frame.top(), area.bottom() + 1 - frame.height()), area.top()));
    }
    window.move(frame.topLeft());
}

}  // namespace pictorb
