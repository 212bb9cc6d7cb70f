#include "ui/window_size.h"

#include <QWidget>

namespace pictorb {

void FitToContents(QWidget& window, QSize design) {
    // The least size, not the preferred one: a scrolling page would ask for all its rows.
    window.setMinimumSize(design.expandedTo(window.minimumSizeHint()));
    // A window never sized yet has the toolkit's default size, which is no one's choice.
    const QSize current = window.testAttribute(Qt::WA_Resized) ? window.size() : QSize(0, 0);
    window.resize(current.expandedTo(window.minimumSize()));
}

}  // namespace pictorb
