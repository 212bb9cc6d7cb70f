#include "ui/hand_over_receiver.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "ui/input_output.h"
#include "ui/main_window.h"

namespace pictorb {

HandOverReceiver::HandOverReceiver(MainWindow& window, const Formats& formats)
    : QObject(&window), window_(window), formats_(formats) {}

std::pair<HandOverReply, std::string> HandOverReceiver::Take(
    const std::vector<std::string>& parameters) {
    if (window_.isMinimized()) window_.showNormal();
    window_.raise();
    window_.activateWindow();
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
        dialog->activateWindow();
    }
    const std::string file = FileToOpen(parameters, formats_);
    if (file.empty()) {
        // Without a file the start only brought the window to the front.
        const std::string refusal = FileToOpenRefusal(parameters, formats_);
        if (refusal.empty()) return {HandOverReply::Taken, {}};
        return {HandOverReply::Refused, refusal};
    }
    if (!WindowFree()) {
        if (waiting_.empty()) QApplication::instance()->installEventFilter(this);
        waiting_.push_back(file);
        return {HandOverReply::Queued, {}};
    }
    if (window_.AddDroppedFiles({file})) return {HandOverReply::Taken, {}};
    return {HandOverReply::Refused, FileToOpenRefusal({file}, formats_)};
}

bool HandOverReceiver::WindowFree() const {
    // A dialog or message box holds the window, or a conversion has disabled it.
    return QApplication::activeModalWidget() == nullptr && window_.isEnabled();
}

bool HandOverReceiver::eventFilter(QObject* watched, QEvent* event) {
    const bool windowClosed = event->type() == QEvent::Hide && watched->isWidgetType() &&
                              static_cast<QWidget*>(watched)->isWindow();
    const bool enabled = event->type() == QEvent::EnabledChange && watched == &window_;
    // Asked once the event is through: a dialog's own loop may still be ending.
    if (windowClosed || enabled) QTimer::singleShot(0, this, [this] { TakeWaiting(); });
    return false;
}

void HandOverReceiver::TakeWaiting() {
    if (waiting_.empty() || !WindowFree()) return;
    QApplication::instance()->removeEventFilter(this);
    const std::vector<std::string> files = std::move(waiting_);
    waiting_.clear();
    // Several starts while the dialog was open: all their files, as one drop of them.
    window_.AddDroppedFiles(files);
}

}  // namespace pictorb
