#include "ui/window_size.h"

#include <QWidget>

namespace pictorb {

void FitToContents(QWidget& window, QSize design) {
    window.setMinimumSize(design.expandedTo(window.minimumSizeHint()));
    window.resize(window.size().expandedTo(design.expandedTo(window.sizeHint())));
}

}  // namespace pictorb
