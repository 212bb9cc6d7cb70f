#include "ui/links.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QtGlobal>

#include <functional>

#include "app/branding.h"
#include "platform/files.h"
#include "text/texts.h"
#include "text/utf8.h"
#include "ui/builtin_icons.h"
#include "ui/desktop_context.h"
#include "ui/qt_text.h"
#include "ui/window_size.h"

namespace pictorb {
namespace {

constexpr int kAboutWidth = 360;
// Taller than the banner, name and links need: the version, build and licence text below.
constexpr int kAboutHeight = 420;
constexpr int kFinderWidth = 370;
constexpr int kFinderHeight = 60;
constexpr int kUninstallWidth = 300;
constexpr int kUninstallHeight = 100;
constexpr std::size_t kExtensionCharacters = 12;

std::string Site() {
    return std::string(kSiteAddress);
}

// The site address as people type it: without the scheme.
std::string SiteShownText() {
    const std::string site = Site();
    const std::size_t scheme = site.find("://");
    return scheme == std::string::npos ? site : site.substr(scheme + 3);
}

// Blanks written as %20, so that the mail link is a valid address for any opener.
std::string EncodeBlanks(const std::string& text) {
    std::string encoded;
    for (const char c : text) encoded += c == ' ' ? std::string("%20") : std::string(1, c);
    return encoded;
}

// Lower case, the first twelve characters, then ASCII digits and letters only.
std::string ExtensionForFinder(const QString& typed) {
    std::string kept;
    for (const char c : Utf8Prefix(Utf8Lower(ToUtf8(typed)), kExtensionCharacters)) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            kept += c;
        }
    }
    return kept;
}

// A secondary window over the main window: the main window takes no input while it is open
// and gets the focus back when it closes.
QDialog* NewChildWindow(QWidget& window, const char* objectName, const std::string& title) {
    auto* dialog = new QDialog(&window);
    dialog->setObjectName(objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(ToQString(title));
    QObject::connect(dialog, &QDialog::finished, &window, [&window] { window.activateWindow(); });
    return dialog;
}

void CentreOver(QWidget& widget, const QRect& area) {
    widget.move(area.center() - QPoint(widget.width() / 2, widget.height() / 2));
}

std::string CompilerText() {
#if defined(__clang__)
    return "Clang " __clang_version__;
#elif defined(__GNUC__)
    return "GCC " __VERSION__;
#else
    return "unknown compiler";
#endif
}

// The version, the build and the libraries as plain text, for the user to copy into a
// report.
QString AboutDetails(TextTable& texts, const std::string& title) {
    QStringList lines;
    lines << ToQString(title + " (" + std::to_string(kVersionNumber) + ")");
    lines << ToQString(texts.Text("About", "Build")) + ' ' + PICTORB_BUILD_TYPE + ", " +
                 ToQString(CompilerText()) + ", " + QSysInfo::buildCpuArchitecture();
    lines << QStringLiteral("Qt %1 (built with %2), %3")
                 .arg(qVersion(), QT_VERSION_STR, QSysInfo::prettyProductName());
    lines << QString();
    lines << ToQString(texts.Text("About", "Libraries"));
    for (const LinkedLibrary& entry : LinkedLibraries())
        lines << QStringLiteral("%1: %2").arg(entry.name, entry.licence);
    lines << ToQString(texts.Text("About", "Licence Texts"));
    return lines.join('\n');
}

// Keys on a focused link: Return and Enter act as the window's OK, as they do everywhere
// else in it; Space opens the link, as it presses a focused button.
class LinkKeys : public QObject {
  public:
    LinkKeys(QLabel* link, std::function<void()> open) : QObject(link), open_(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The window's default button takes it, with the link out of the way.
            if (auto* window = qobject_cast<QDialog*>(static_cast<QWidget*>(watched)->window()))
                window->accept();
            return true;
        }
        if (key == Qt::Key_Space) {
            open_();
            return true;
        }
        return false;
    }

  private:
    std::function<void()> open_;
};

// A hyperlink in the palette's link colour that hands its target to the desktop and leaves
// its window open.
QLabel* NewLink(QWidget* parent, const char* objectName, const std::string& shown,
                const std::string& target, DesktopContext& context) {
    auto* link = new QLabel(parent);
    link->setObjectName(objectName);
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                      .arg(ToQString(target).toHtmlEscaped(), ToQString(shown).toHtmlEscaped()));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    const auto open = [&context, target, shown] { OpenLink(context, target, shown); };
    QObject::connect(link, &QLabel::linkActivated, link, open);
    link->installEventFilter(new LinkKeys(link, open));
    return link;
}

// The libraries the program's parts link, by the file names the dynamic linker loads, and
// their licences, which ask to be named in a program that is passed on.
constexpr LinkedLibrary kLibraries[] = {
    {"Qt 6", "GNU LGPL 3", {"libQt6Widgets", "libQt6Gui", "libQt6Core"}},
    {"FreeImage 3", "FreeImage Public License 1.0, or GNU GPL 2 or 3", {"libfreeimage"}},
    {"libarchive", "BSD 2-clause", {"libarchive"}},
    {"cairo", "GNU LGPL 2.1, or Mozilla Public License 1.1", {"libcairo"}},
    {"Pango", "GNU LGPL 2 or later", {"libpango-1.0", "libpangocairo-1.0"}},
    {"GLib", "GNU LGPL 2.1 or later", {"libglib-2.0", "libgobject-2.0"}},
    {"libpng", "libpng License", {"libpng16"}},
    {"zlib", "zlib License", {"libz"}},
};

}  // namespace

std::span<const LinkedLibrary> LinkedLibraries() {
    return kLibraries;
}

std::string ManualLocation(const std::string& programFolder) {
    // Installed: <prefix>/bin/pictorbcmd and <prefix>/share/doc/pictorb/. In the build
    // folder the manual is made in doc/ beside the program.
    const std::string installed = programFolder + "../share/doc/pictorb/index.html";
    const std::string built = programFolder + "doc/index.html";
    const std::string chosen =
        QueryFileSize(installed) < 0 && QueryFileSize(built) >= 0 ? built : installed;
    return ToUtf8(QDir::cleanPath(ToQString(chosen)));
}

void OpenManual(DesktopContext& context) {
    OpenManualAt(context, ManualLocation(ProgramFolder()));
}

void OpenManualSection(DesktopContext& context, const std::string& section) {
    OpenManualAt(context, ManualLocation(ProgramFolder()), section);
}

void OpenManualAt(DesktopContext& context, const std::string& manual, const std::string& section) {
    if (QueryFileSize(manual) < 0) {
        // The desktop would open nothing, or an error page, without saying why.
        TextTable& texts = context.state.texts;
        ShowMessage(context.dialogs, texts.Text("Msg", "Warning"),
                    ExpandPlaceholders(texts.Text("Msg", "Manual missing"), manual),
                    MessageIcon::Warning);
        return;
    }
    OpenLink(context, section.empty() ? manual : manual + "#" + section, manual);
}

void OpenLink(DesktopContext& context, const std::string& target, const std::string& shown) {
    // A command that does nothing looks broken: where no browser, mail program or file
    // manager is installed, the user gets the address to open elsewhere.
    context.dialogs.OpenUrl(target, [&context, shown] {
        TextTable& texts = context.state.texts;
        ShowMessage(context.dialogs, texts.Text("Msg", "Warning"),
                    ExpandPlaceholders(texts.Text("Msg", "Nothing to open with"), shown),
                    MessageIcon::Warning);
    });
}

void OpenLink(DesktopContext& context, const std::string& target) {
    OpenLink(context, target, target);
}

void SendFeedback(DesktopContext& context) {
    // The title is the display name and the version text.
    OpenLink(context,
             "mailto:" + std::string(kSupportAddress) +
                 "?subject=" + EncodeBlanks(context.state.title + " Feedback"),
             std::string(kSupportAddress));
}

void VisitHomepage(DesktopContext& context) {
    OpenLink(context, Site() + "/pictorb/");
}

void OpenAbout(DesktopContext& context, QWidget& window) {
    TextTable& texts = context.state.texts;
    QDialog* about = NewChildWindow(window, "aboutWindow", texts.Text("About", "Title"));
    auto* layout = new QVBoxLayout(about);
    layout->setContentsMargins(0, 0, 0, 10);

    auto* banner = new QLabel(about);
    banner->setObjectName("banner");
    banner->setFixedSize(kAboutWidth, 40);
    banner->setPixmap(BuiltInBanner());
    layout->addWidget(banner, 0, Qt::AlignHCenter);

    auto* frame = new QFrame(about);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(frame);
    auto* name = new QLabel(ToQString(context.state.title), frame);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    auto* notice = new QLabel(ToQString(std::string(kNoticeLine)), frame);
    notice->setAlignment(Qt::AlignCenter);
    notice->setWordWrap(true);  // the notice is wider than the window in most fonts
    frameLayout->addWidget(name);
    frameLayout->addWidget(notice);

    auto* rows = new QGridLayout;
    rows->addWidget(new QLabel(ToQString(texts.Text("About", "Website")), about), 0, 0);
    rows->addWidget(NewLink(about, "webLink", SiteShownText(), Site(), context), 0, 1);
    rows->addWidget(new QLabel(ToQString(texts.Text("About", "Email")), about), 1, 0);
    rows->addWidget(NewLink(about, "emailLink", std::string(kSupportAddress),
                            "mailto:" + std::string(kSupportAddress), context),
                    1, 1);
    rows->setColumnStretch(1, 1);

    auto* details = new QPlainTextEdit(AboutDetails(texts, context.state.title), about);
    details->setObjectName("aboutDetails");
    details->setReadOnly(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    details->setTabChangesFocus(true);
    details->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto* ok = new QPushButton(ToQString(texts.Text("Dialog", "OK")), about);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    // Return presses the default button and Escape rejects: both close, as OK does.
    QObject::connect(ok, &QPushButton::clicked, about, &QDialog::accept);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(10, 0, 10, 0);
    body->addWidget(frame);
    body->addLayout(rows);
    body->addWidget(details, 1);
    layout->addLayout(body, 1);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    FitToContents(*about, QSize(kAboutWidth, kAboutHeight));
    CentreOver(*about, window.frameGeometry());
    about->show();
    ok->setFocus();
}

void OpenConverterFinder(DesktopContext& context, QWidget& window) {
    TextTable& texts = context.state.texts;
    QDialog* finder =
        NewChildWindow(window, "converterFinder", texts.Text("Custom-Converter", "Title"));
    auto* row = new QHBoxLayout(finder);
    auto* from = new QLineEdit(finder);
    from->setObjectName("fromField");
    auto* to = new QLineEdit(finder);
    to->setObjectName("toField");
    auto* search = new QPushButton(ToQString(texts.Text("Custom-Converter", "Search")), finder);
    search->setObjectName("searchButton");
    search->setDefault(true);  // Return searches; Escape closes (the dialog's own rule)
    row->addWidget(new QLabel(ToQString(texts.Text("Custom-Converter", "From")), finder));
    row->addWidget(from, 1);
    row->addWidget(new QLabel(ToQString(texts.Text("Custom-Converter", "To")), finder));
    row->addWidget(to, 1);
    row->addWidget(search);

    QObject::connect(search, &QPushButton::clicked, finder, [&context, finder, from, to] {
        const std::string fromKey = ExtensionForFinder(from->text());
        const std::string toKey = ExtensionForFinder(to->text());
        if (fromKey.empty() || toKey.empty()) {
            TextTable& texts = context.state.texts;
            ShowMessage(context.dialogs, texts.Text("Msg", "Warning"),
                        texts.Text("Msg", "Empty extensions"), MessageIcon::Warning);
            return;  // the fields stay as typed
        }
        finder->hide();
        OpenLink(context, Site() + "/find/" + fromKey + "-" + toKey + "/");
        finder->accept();
    });

    FitToContents(*finder, QSize(kFinderWidth, kFinderHeight));
    CentreOver(*finder, window.frameGeometry());
    finder->show();
    from->setFocus();
}

void RunUninstallPrompt(DesktopContext& context) {
    TextTable& texts = context.state.texts;
    QDialog prompt;
    prompt.setObjectName("uninstallPrompt");
    prompt.setWindowTitle(ToQString(texts.Text("Uninstall", "Title")));
    auto* layout = new QVBoxLayout(&prompt);
    auto* fullUninstall =
        new QCheckBox(ToQString(texts.Text("Uninstall", "Uninstall Text")), &prompt);
    fullUninstall->setObjectName("uninstallCheck");
    fullUninstall->setChecked(true);
    auto* next = new QPushButton(ToQString(texts.Text("Uninstall", "Next")), &prompt);
    next->setObjectName("nextButton");
    next->setDefault(true);
    layout->addWidget(fullUninstall);
    layout->addStretch(1);
    layout->addWidget(next, 0, Qt::AlignRight);
    // Next may open the page; the close box (or Escape) leaves without opening anything.
    QObject::connect(next, &QPushButton::clicked, &prompt, [&] {
        if (fullUninstall->isChecked()) OpenLink(context, Site() + "/pictorb/uninstall.html");
        prompt.accept();
    });

    FitToContents(prompt, QSize(kUninstallWidth, kUninstallHeight));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        CentreOver(prompt, screen->availableGeometry());
    }
    prompt.exec();
}

}  // namespace pictorb
