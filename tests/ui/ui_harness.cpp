#include "ui/ui_harness.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

#include "pipeline/job.h"
#include "settings/settings.h"
#include "ui/builtin_icons.h"

namespace pictorb::test {

void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // lives as long as the test program
}

MessageAnswer ScriptedDialogs::Message(const std::string& title, const std::string& text,
                                       MessageIcon icon, MessageButtons buttons) {
    asked.push_back({title, text, icon, buttons});
    if (beforeAnswer) beforeAnswer();
    MessageAnswer answer = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    return answer;
}

std::vector<std::string> ScriptedDialogs::OpenFiles(const std::string&, const std::string&,
                                                    const std::vector<std::string>& filters, bool) {
    fileFilters.push_back(filters);
    if (files.empty()) return {};
    std::vector<std::string> chosen = files.front();
    files.pop_front();
    return chosen;
}

template <typename T>
static T Next(std::deque<T>& queue) {
    if (queue.empty()) return T{};
    T value = queue.front();
    queue.pop_front();
    return value;
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(const std::string& title,
                                                         const std::string&) {
    folderTitles.push_back(title);
    return Next(folders);
}

std::optional<std::string> ScriptedDialogs::ChooseColor(const std::string&) {
    return Next(colors);
}

std::optional<ChosenFont> ScriptedDialogs::ChooseFont(const ChosenFont&) {
    return Next(fonts);
}

std::optional<std::string> ScriptedDialogs::AskText(const std::string& title, const std::string&,
                                                    const std::string&) {
    textPrompts.push_back(title);
    return Next(typed);
}

void ScriptedDialogs::OpenUrl(const std::string& url, std::function<void()> failed) {
    opened.push_back(url);
    if (nothingOpens && failed) failed();
}

namespace {

bool Checked(const QWidget* widget) {
    // The parts of a compound control are placed by it, not by a layout.
    const QWidget* parent = widget->parentWidget();
    if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent))
        return false;
    return qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget) ||
           qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           (qobject_cast<const QAbstractSlider*>(widget) && !widget->inherits("QScrollBar")) ||
           qobject_cast<const QProgressBar*>(widget) || widget->inherits("QAbstractItemView");
}

std::string Name(const QWidget* widget) {
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
    return (QString(widget->metaObject()->className()) + " '" +
            (text.isEmpty() ? widget->objectName() : text) + "'")
        .toStdString();
}

}  // namespace

std::vector<std::string> LayoutFaults(const QWidget& window) {
    std::vector<std::string> faults;
    std::vector<const QWidget*> shown;
    for (const QWidget* widget : window.findChildren<QWidget*>())
        if (widget->isVisibleTo(&window) && Checked(widget)) shown.push_back(widget);
    const auto size = [](QSize s) {
        return std::to_string(s.width()) + "x" + std::to_string(s.height());
    };
    for (const QWidget* widget : shown) {
        const QSize least = widget->minimumSizeHint().expandedTo(widget->minimumSize());
        if (widget->width() < least.width() || widget->height() < least.height())
            faults.push_back(Name(widget) + " is " + size(widget->size()) + ", needs " +
                             size(least));
        if (!widget->parentWidget()->rect().contains(widget->geometry()))
            faults.push_back(Name(widget) + " is outside its parent");
    }
    for (std::size_t a = 0; a < shown.size(); ++a)
        for (std::size_t b = a + 1; b < shown.size(); ++b)
            if (shown[a]->parentWidget() == shown[b]->parentWidget() &&
                shown[a]->geometry().intersects(shown[b]->geometry()))
                faults.push_back(Name(shown[a]) + " overlaps " + Name(shown[b]));
    return faults;
}

double TextContrast(const QLabel& label) {
    const QPalette::ColorGroup group = label.isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QColor back = label.palette().color(group, QPalette::Window);
    const QColor text = label.palette().color(group, label.foregroundRole());
    const auto luminance = [](double r, double g, double b) {
        const auto linear = [](double c) {
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    };
    const double a = text.alphaF();
    const double front = luminance(a * text.redF() + (1 - a) * back.redF(),
                                   a * text.greenF() + (1 - a) * back.greenF(),
                                   a * text.blueF() + (1 - a) * back.blueF());
    const double behind = luminance(back.redF(), back.greenF(), back.blueF());
    return (std::max(front, behind) + 0.05) / (std::min(front, behind) + 0.05);
}

DesktopFixture::DesktopFixture()
    : configHome("XDG_CONFIG_HOME", dir.Join("config")), context(state, dialogs) {
    EnsureApplication();
    state.formats = MakeFormats();
    InitJobContext(state.job, state.formats);
    SetDefaults(state.settings, DefaultsFor::Desktop, state.formats);
    state.texts.Load("");
    state.title = "Corvalen Pictorb 2.2";
    LocateSettingsFile(state.settings);
    FillIconNames(context.icons);
    LoadBuiltInIcons(context.icons, state.settings.uiSize);
}

DesktopFixture::~DesktopFixture() = default;

DarkTheme::DarkTheme()
    : light_(QApplication::palette()), lightStyle_(QApplication::style()->name()) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::ToolTipText, QColor(0xe8, 0xe8, 0xe8));
    QApplication::setPalette(dark);
}

DarkTheme::~DarkTheme() {
    QApplication::setPalette(light_);
    QApplication::setStyle(lightStyle_);
}

}  // namespace pictorb::test
