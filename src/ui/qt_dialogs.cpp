#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "platform/desktop_open.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The address as the opener takes it: a path that starts with "/" is a local document (the
// manual, a folder), perhaps with a section after a '#' of its file name.
QString OpenerAddress(const std::string& url) {
    const QString text = ToQString(url);
    if (url.rfind('/', 0) != 0) return QString::fromUtf8(QUrl(text).toEncoded());
    const qsizetype mark = text.lastIndexOf(QLatin1Char('#'));
    const bool hasSection = mark > text.lastIndexOf(QLatin1Char('/'));
    QUrl local = QUrl::fromLocalFile(hasSection ? text.left(mark) : text);
    if (hasSection) local.setFragment(text.mid(mark + 1));
    return QString::fromUtf8(local.toEncoded());
}

// Waits in the event loop for the opener's outcome, then goes.
class OpenWatch : public QObject {
  public:
    OpenWatch(std::unique_ptr<DesktopOpen> open, std::function<void()> failed)
        : QObject(QCoreApplication::instance()),
          open_(std::move(open)),
          failed_(std::move(failed)) {
        auto* notifier = new QSocketNotifier(open_->Descriptor(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            const DesktopOpen::Outcome outcome = open_->Take();
            if (outcome == DesktopOpen::Outcome::Pending) return;
            notifier->setEnabled(false);
            if (outcome == DesktopOpen::Outcome::Failed && failed_)
                QTimer::singleShot(0, QCoreApplication::instance(), failed_);
            deleteLater();
        });
    }

  private:
    std::unique_ptr<DesktopOpen> open_;
    std::function<void()> failed_;
};

}  // namespace

MessageAnswer QtDialogs::Message(const std::string& title, const std::string& text,
                                 MessageIcon icon, MessageButtons buttons) {
    const bool question = buttons != MessageButtons::Ok;
    QMessageBox box(ToQtIcon(icon), ToQString(title), ToQString(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    ActiveWindow());
    // A path or address in a message can be copied from it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (buttons == MessageButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::vector<std::string> QtDialogs::OpenFiles(const std::string& title, const std::string& start,
                                              const std::vector<std::string>& filters,
                                              bool several) {
    QStringList filterList;
    for (const std::string& filter : filters) filterList << ToQString(filter);
    QFileDialog dialog(ActiveWindow(), ToQString(title), ToQString(start));
    dialog.setNameFilters(filterList);
    dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!start.empty() && start.back() != '/') dialog.selectFile(ToQString(start));
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted) return chosen;
    for (const QString& file : dialog.selectedFiles()) chosen.push_back(ToUtf8(file));
    return chosen;
}

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title,
                                                   const std::string& start) {
    const QString folder =
        QFileDialog::getExistingDirectory(ActiveWindow(), ToQString(title), ToQString(start));
    if (folder.isEmpty()) return std::nullopt;
    std::string path = ToUtf8(folder);
    if (path.back() != '/') path += '/';
    return path;
}

std::optional<std::string> QtDialogs::ChooseColor(const std::string& initialRrggbb) {
    const QColor initial(ToQString("#" + initialRrggbb));
    const QColor color =
        QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::black), ActiveWindow());
    if (!color.isValid()) return std::nullopt;
    return ToUtf8(color.name(QColor::HexRgb).mid(1).toUpper());
}

std::optional<ChosenFont> QtDialogs::ChooseFont(const ChosenFont& initial) {
    QFont font(ToQString(initial.family));
    if (initial.pointSize > 0) font.setPointSize(initial.pointSize);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    font.setUnderline(initial.underline);
    font.setStrikeOut(initial.strikeout);
    QFontDialog dialog(font, ActiveWindow());
    // A font that is not installed shows as a fallback the user did not pick: OK on that
    // fallback keeps the font as it was.
    const QString preselected = dialog.currentFont().family();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    const bool keptFallback =
        !QFontDatabase::hasFamily(font.family()) && chosen.family() == preselected;
    return ChosenFont{keptFallback ? initial.family : ToUtf8(chosen.family()),
                      chosen.pointSize(),
                      chosen.bold(),
                      chosen.italic(),
                      chosen.underline(),
                      chosen.strikeOut()};
}

std::optional<std::string> QtDialogs::AskText(const std::string& title, const std::string& label,
                                              const std::string& initial) {
    QInputDialog dialog(ActiveWindow());
    dialog.setObjectName("askText");
    dialog.setWindowTitle(ToQString(title));
    dialog.setLabelText(ToQString(label));
    dialog.setTextValue(ToQString(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ToUtf8(dialog.textValue());
}

void QtDialogs::OpenUrl(const std::string& url, std::function<void()> failed) {
    auto open = std::make_unique<DesktopOpen>(ToUtf8(OpenerAddress(url)));
    if (open->Take() == DesktopOpen::Outcome::Failed) {
        if (failed) QTimer::singleShot(0, QCoreApplication::instance(), std::move(failed));
        return;
    }
    new OpenWatch(std::move(open), std::move(failed));
}

}  // namespace pictorb
