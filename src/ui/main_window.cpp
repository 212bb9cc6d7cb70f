#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <span>

#include "app/branding.h"
#include "themes/themes.h"
#include "ui/builtin_icons.h"
#include "ui/commands.h"
#include "ui/convert.h"
#include "ui/desktop_context.h"
#include "ui/links.h"
#include "ui/mnemonics.h"
#include "ui/preferences.h"
#include "ui/profiles.h"
#include "ui/qt_text.h"
#include "ui/update_check.h"

namespace pictorb {
namespace {

// Sizes of the window's design at the default font: the smallest client, the one height, the
// Convert button, the one-button toolbars, and the rows of labels and fields with their
// margins. A larger font makes labels, fields and the window as large as they need.
constexpr int kMinimumWidth = 510;
constexpr int kFixedHeight = 260;
constexpr int kConvertButtonSize = 100;
constexpr int kFieldToolbarSize = 24;
constexpr int kMargin = 10;
constexpr int kTopMargin = 4;
constexpr int kButtonsGap = 4;   // between a field and its buttons
constexpr int kConvertGap = 12;  // between the buttons and Convert
constexpr int kConvertTop = 6;
// The icon size the fixed height is designed for ("Large", 32 pixels).
constexpr int32_t kDefaultUiSize = 2;

// The available area of the screen nearest to `saved`; empty without screens.
QRect NearestScreenArea(const QRect& saved) {
    QRect nearest;
    int64_t nearestDistance = INT64_MAX;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const QPoint centre = saved.center();
        const int64_t dx = std::max({area.left() - centre.x(), 0, centre.x() - area.right()});
        const int64_t dy = std::max({area.top() - centre.y(), 0, centre.y() - area.bottom()});
        if (dx * dx + dy * dy < nearestDistance) {
            nearestDistance = dx * dx + dy * dy;
            nearest = area;
        }
    }
    return nearest;
}

// A saved place on a screen that is gone (a monitor unplugged, a smaller resolution) would
// leave the window out of reach: the window is moved wholly onto the nearest screen's area.
QPoint PlaceOnScreen(const QRect& saved, const QRect& nearest) {
    if (nearest.isEmpty()) return saved.topLeft();
    // A window larger than the area keeps its top-left corner on it.
    const int x =
        std::max(std::min(saved.x(), nearest.right() + 1 - saved.width()), nearest.left());
    const int y =
        std::max(std::min(saved.y(), nearest.bottom() + 1 - saved.height()), nearest.top());
    return {x, y};
}

// True when a drag carries at least one local file, the only thing a drop can add.
bool CarriesLocalFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

}  // namespace

MainWindow::MainWindow(DesktopContext& context)
    : context_(context), commands_([this](int32_t command) { RunCommand(command); }) {
    const ConversionSettings& settings = context_.state.settings;
    setWindowTitle(ToQString(context_.state.title));
    setWindowIcon(BuiltInProgramIcon());
    setAcceptDrops(true);
    // The window grows in width only; the menu bar and toolbars sit inside its client area.
    setMinimumSize(kMinimumWidth, kFixedHeight);
    setMaximumHeight(kFixedHeight);
    // A width saved at another display scale may be wider than the screen now is: Convert
    // would be out of reach.
    const QRect screenArea =
        NearestScreenArea(QRect(settings.windowX, settings.windowY, settings.windowWidth, 1));
    int width = std::max(settings.windowWidth, kMinimumWidth);
    if (!screenArea.isEmpty()) width = std::max(std::min(width, screenArea.width()), kMinimumWidth);
    resize(width, kFixedHeight);

    // The preferences dialog copies the command line of the settings it shows.
    context_.copyCommandLine = [this](const ConversionSettings& shown) {
        CopyCommandLine(context_, *this, shown);
    };
    BuildMainMenu();
    BuildMainToolbar();
    // F10 opens the menu bar, as in other desktop programs.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] { OpenFirstMenu(); });
    // The frame's size is not known before the window is shown, and asking the display for it
    // would slow the start: the client's size stands for the whole window.
    const QRect saved(QPoint(settings.windowX, settings.windowY), size());
    move(PlaceOnScreen(saved, NearestScreenArea(saved)));
    statusText_ = new QLabel(this);
    statusText_->setObjectName("statusText");
    statusBar()->addWidget(statusText_, 1);
    statusBar()->setSizeGripEnabled(false);
    BuildControls();
    FitWindowToContents();
}

MainWindow::~MainWindow() {
    context_.copyCommandLine = nullptr;
}

QAction* MainWindow::AddCommandAction(int32_t command, const IconSet& icons, QObject* parent) {
    const CommandRow* row = FindCommand(command);
    const QString text = ToQString(context_.state.texts.Text("Menu", row->textKey));
    QAction* action = commands_.Add(command, text, ToQIcon(icons.Image(row->iconName)), parent);
    // A build without an update host offers no update check.
    if (command == kCommandCheckUpdate && !UpdateCheckAvailable(context_))
        commands_.SetCommandVisible(command, false);
    return action;
}

void MainWindow::BuildMainMenu() {
    // clear() only removes the menus' entries; the menus themselves belong to the bar.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete menu;
    menuBar()->clear();
    TextTable& texts = context_.state.texts;
    // Mnemonics: the menus' own letters (Alt+F, Alt+C, Alt+H), then each menu's items'.
    menuLetters_.clear();
    for (const MenuLayoutEntry& entry : MenuLayout()) {
        QMenu* menu = menuBar()->addMenu(
            WithMnemonic(ToQString(texts.Text("Menu", entry.titleKey)), menuLetters_));
        QString itemLetters;
        for (int32_t command : entry.commands) {
            if (command == kSeparator) {
                menu->addSeparator();
                continue;
            }
            if (command == kCommandProfilesMenu) {
                AddProfilesMenu(*menu, itemLetters);
                continue;
            }
            QAction* action = AddCommandAction(command, context_.icons.menu, menu);
            action->setText(WithMnemonic(action->text(), itemLetters));
            // The menu item carries the shortcuts, so Qt both shows the first and handles all.
            action->setShortcuts(
                QKeySequence::listFromString(QString::fromLatin1(FindCommand(command)->shortcut)));
            menu->addAction(action);
        }
    }
}

void MainWindow::AddProfilesMenu(QMenu& menu, QString& itemLetters) {
    const CommandRow* row = FindCommand(kCommandProfilesMenu);
    QMenu* profiles = menu.addMenu(
        ToQIcon(context_.icons.menu.Image(row->iconName)),
        WithMnemonic(ToQString(context_.state.texts.Text("Menu", row->textKey)), itemLetters));
    profiles->setObjectName("profilesMenu");
    profiles->menuAction()->setData(kCommandProfilesMenu);
    // Listed anew each time it opens, so profiles saved meanwhile (or by hand) show.
    connect(profiles, &QMenu::aboutToShow, this,
            [this, profiles] { FillProfilesMenu(context_, *this, *profiles); });
}

void MainWindow::BuildMainToolbar() {
    if (mainToolbar_ != nullptr) {
        removeToolBar(mainToolbar_);
        delete mainToolbar_;
    }
    mainToolbar_ = new QToolBar(this);
    mainToolbar_->setObjectName("mainToolbar");
    mainToolbar_->setMovable(false);
    mainToolbar_->setFloatable(false);
    mainToolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    const int size = IconPixelSize(context_.state.settings.uiSize);
    mainToolbar_->setIconSize(QSize(size, size));
    for (int32_t command : MainToolbarLayout()) {
        if (command == kSeparator) {
            mainToolbar_->addSeparator();
            continue;
        }
        mainToolbar_->addAction(AddCommandAction(command, context_.icons.toolbar, mainToolbar_));
    }
    addToolBar(Qt::TopToolBarArea, mainToolbar_);
    if (container_ != nullptr) FitWindowToContents();  // the constructor fits once, at its end
}

void MainWindow::FitWindowToContents() {
    // Icons larger than the default make the window taller by as much, and at least as wide as
    // the toolbar: no button hides behind an overflow menu, the fields keep their room.
    const int extraHeight =
        IconPixelSize(context_.state.settings.uiSize) - IconPixelSize(kDefaultUiSize);
    int height = kFixedHeight + std::max(extraHeight, 0);
    int width =
        extraHeight > 0 ? std::max(kMinimumWidth, mainToolbar_->sizeHint().width()) : kMinimumWidth;
    // A larger desktop font needs more room than the design: the layout says how much, once
    // the style has measured every part (as the first show would).
    ensurePolished();
    const QSize needed = minimumSizeHint();
    width = std::max(width, needed.width());
    height = std::max(height, needed.height());
    setMinimumSize(width, height);
    setMaximumHeight(height);
    resize(std::max(this->width(), width), height);
}

void MainWindow::BuildFieldToolbars() {
    for (QToolBar* toolbar : fieldToolbars_) delete toolbar;
    fieldToolbars_.clear();
    for (std::span<const int32_t> commands : FieldToolbarLayout()) {
        auto* toolbar = new QToolBar(container_);
        toolbar->setIconSize(QSize(16, 16));
        toolbar->setStyleSheet("QToolBar { border: none; padding: 0; spacing: 0; }");
        toolbar->setFixedSize(kFieldToolbarSize * static_cast<int>(commands.size()),
                              kFieldToolbarSize);
        for (int32_t command : commands) {
            QAction* action = AddCommandAction(command, context_.icons.menu, toolbar);
            toolbar->addAction(action);
            // The button shows an icon only; a screen reader reads the command's text.
            QString name = action->text();
            if (name.endsWith(QLatin1String("..."))) name.chop(3);
            QWidget* button = toolbar->widgetForAction(action);
            button->setAccessibleName(name);
            // Toolbar buttons take no focus by default; these belong to their fields' Tab order.
            button->setFocusPolicy(Qt::TabFocus);
        }
        fieldRows_[fieldToolbars_.size()]->addWidget(toolbar);
        fieldToolbars_.push_back(toolbar);
    }
    // Tab runs down the rows, each field followed by its buttons, then to Convert.
    QWidget* previous = nullptr;
    const std::array<QWidget*, 3> fields = FieldRows();
    for (std::size_t row = 0; row < fieldToolbars_.size(); ++row) {
        if (previous != nullptr) setTabOrder(previous, fields[row]);
        previous = fields[row];
        for (QAction* action : fieldToolbars_[row]->actions()) {
            QWidget* button = fieldToolbars_[row]->widgetForAction(action);
            setTabOrder(previous, button);
            previous = button;
        }
    }
    setTabOrder(previous, convertButton_);
}

void MainWindow::BuildControls() {
    TextTable& texts = context_.state.texts;
    container_ = new QWidget(this);
    setCentralWidget(container_);

    // The field labels' mnemonics must not take the menus' letters.
    QString letters = menuLetters_;
    for (const char* key : {"Input File", "Output Folder", "Output Format"}) {
        auto* label =
            new QLabel(WithMnemonic(ToQString(texts.Text("General", key)), letters), container_);
        labels_.push_back(label);
    }
    fields_ = std::make_unique<InputOutputFields>(context_, container_);
    // Return in either path field converts, as the default button of a form would.
    connect(InputField(), &QLineEdit::returnPressed, this, [this] { ConvertOnReturn(); });
    connect(OutputFolderField()->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ConvertOnReturn(); });

    convertButton_ = new QToolButton(container_);
    convertButton_->setObjectName("convertButton");
    convertButton_->setFixedSize(kConvertButtonSize, kConvertButtonSize);
    convertButton_->setIconSize(QSize(kConvertButtonSize - 8, kConvertButtonSize - 8));
    // The button is one more place of the Convert command, so it follows its enabled state.
    convertButton_->setDefaultAction(commands_.Add(
        kCommandConvert, ToQString(texts.Text("General", "Convert")), QIcon(), convertButton_));

    notice_ = new QLabel(ToQString(std::string(kNoticeLine)), container_);
    notice_->setObjectName("notice");
    ColourNotice();

    // Rows of a label above its field, the field's buttons beside it, Convert on the right
    // and the notice at the bottom; at the default font a row is about the design's 40 pixels.
    auto* grid = new QGridLayout(container_);
    grid->setContentsMargins(kMargin, kTopMargin, kMargin, kTopMargin);
    grid->setSpacing(0);
    const std::array<QWidget*, 3> fields = FieldRows();
    for (std::size_t row = 0; row < labels_.size(); ++row) {
        labels_[row]->setBuddy(fields[row]);
        fieldRows_[row] = new QHBoxLayout;
        fieldRows_[row]->setSpacing(kButtonsGap);
        fieldRows_[row]->addWidget(fields[row], 1);
        const int line = 2 * static_cast<int>(row);
        grid->addWidget(labels_[row], line, 0);
        grid->addLayout(fieldRows_[row], line + 1, 0);
    }
    auto* convertColumn = new QVBoxLayout;
    convertColumn->setContentsMargins(kConvertGap, kConvertTop, 0, 0);
    convertColumn->addWidget(convertButton_);
    convertColumn->addStretch(1);
    grid->addLayout(convertColumn, 0, 1, 6, 1);
    grid->setRowStretch(6, 1);
    grid->setRowMinimumHeight(6, kTopMargin);  // the notice apart from the last field
    grid->addWidget(notice_, 7, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    BuildFieldToolbars();
    ApplyThemeToControls();
    NameFieldsForScreenReaders();
    // The line edits would insert a dropped file's URL as text; every drop on the window
    // goes through the window's own rule instead.
    for (QWidget* child : container_->findChildren<QWidget*>())
        if (child->acceptDrops()) child->installEventFilter(this);
}

void MainWindow::ColourNotice() {
    // Secondary text: the window text blended a third of the way into the window's colour.
    // Every colour scheme sets these two for text on a window; roles such as the placeholder
    // text are left at a dark default by many dark schemes.
    const QPalette window = palette();
    QPalette notice;  // its text colour only; every other role follows the window's
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = window.color(group, QPalette::WindowText);
        const QColor back = window.color(group, QPalette::Window);
        const auto blend = [](int front, int behind) { return (2 * front + behind) / 3; };
        notice.setColor(group, QPalette::WindowText,
                        QColor(blend(text.red(), back.red()), blend(text.green(), back.green()),
                               blend(text.blue(), back.blue())));
    }
    notice_->setPalette(notice);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (container_ == nullptr) return;
    switch (event->type()) {
        case QEvent::PaletteChange:
            ColourNotice();
            break;
        case QEvent::FontChange:
        case QEvent::StyleChange:
            // The children take the new font after the window: measured once they have.
            QMetaObject::invokeMethod(
                this, [this] { FitWindowToContents(); }, Qt::QueuedConnection);
            break;
        default:
            break;
    }
}

std::array<QWidget*, 3> MainWindow::FieldRows() const {
    return {InputField(), OutputFolderField(), OutputFormatList()};
}

void MainWindow::NameFieldsForScreenReaders() {
    const std::array<QWidget*, 3> fields = FieldRows();
    for (std::size_t row = 0; row < labels_.size(); ++row) {
        QString name = WithoutMnemonic(labels_[row]->text());
        if (name.endsWith(QLatin1Char(':'))) name.chop(1);
        fields[row]->setAccessibleName(name);
    }
    convertButton_->setAccessibleName(convertButton_->toolTip());
}

void MainWindow::ConvertOnReturn() {
    if (commands_.CommandEnabled(kCommandConvert)) RunCommand(kCommandConvert);
}

void MainWindow::OpenFirstMenu() {
    const QList<QAction*> menus = menuBar()->actions();
    if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
}

void MainWindow::SetStatusText(const std::string& text) {
    statusText_->setText(ToQString(text));
}

std::string MainWindow::StatusText() const {
    return ToUtf8(statusText_->text());
}

void MainWindow::PrepareForStart() {
    fields_->PrepareForStart();
    RunCommand(kCommandNew);
}

void MainWindow::RunCommand(int32_t command) {
    switch (command) {
        case kCommandNew:
            fields_->StartNew();
            SetStatusText(context_.state.texts.Text("General", "Ready"));
            InputField()->setFocus();
            break;
        case kCommandExit:
            close();
            break;
        case kCommandAddInputFile:
            fields_->ChooseInputFiles();
            break;
        case kCommandAddInputFolder:
            fields_->ChooseInputFolder();
            break;
        case kCommandSelectOutputFolder:
            fields_->ChooseOutputFolder();
            break;
        case kCommandOutputOptions:
            OpenPreferencesOn(PreferencesPage::Output, false);
            break;
        case kCommandConvert:
            StartConversion(context_, *fields_, *this, *statusText_);
            break;
        case kCommandFindConverter:
            OpenConverterFinder(context_, *this);
            break;
        case kCommandPreferences:
            OpenPreferencesOn(PreferencesPage::General, false);
            break;
        case kCommandPreview:
            OpenPreferencesOn(context_.lastPreferencesPage, true);
            break;
        case kCommandManual:
            OpenManual(context_);
            break;
        case kCommandFeedback:
            SendFeedback(context_);
            break;
        case kCommandHomepage:
            VisitHomepage(context_);
            break;
        case kCommandCheckUpdate:
            CheckForUpdate(context_);
            break;
        case kCommandAbout:
            OpenAbout(context_, *this);
            break;
        case kCommandSaveProfile:
            SaveSettingsAsProfile(context_, *this);
            break;
        case kCommandLoadProfile:
            LoadProfileFromFile(context_, *this);
            break;
        case kCommandOpenProfilesFolder:
            OpenProfilesFolder(context_);
            break;
        case kCommandCopyCommandLine:
            CopyCommandLine(context_, *this, context_.state.settings);
            break;
        default:
            break;  // unknown numbers are ignored
    }
}

void MainWindow::OpenPreferencesOn(PreferencesPage page, bool showPreview) {
    // The preview shows the first bitmap the fields name, converted to the selected format.
    const PreviewInputs inputs{fields_->TypedInputs(), fields_->SelectedOutputFormat()};
    if (OpenPreferences(context_, *this, page, inputs, showPreview)) ApplyPreferences();
}

void MainWindow::ApplyThemeToControls() {
    const IconSets& icons = context_.icons;
    convertButton_->defaultAction()->setIcon(ToQIcon(icons.control.Image("Convert")));
    fields_->ApplyIcons();
}

void MainWindow::RebuildMenusAndToolbars() {
    BuildMainMenu();
    BuildMainToolbar();
    BuildFieldToolbars();
}

void MainWindow::ApplyPreferences() {
    ConversionSettings& settings = context_.state.settings;
    switch (context_.themeReload) {
        case ThemeReload::IconSize:
            LoadBuiltInIconSet(context_.icons, IconSetKind::Toolbar, settings.uiSize);
            LoadTheme(context_.themeFolder, context_.themes, settings.uiTheme, settings.uiSize,
                      context_.icons, false, false, true);
            BuildMainToolbar();
            break;
        case ThemeReload::Theme:
            // The built-in images first, so that a theme that replaces fewer icons than the
            // one before leaves none of the old theme's images behind.
            LoadBuiltInIcons(context_.icons, settings.uiSize);
            LoadTheme(context_.themeFolder, context_.themes, settings.uiTheme, settings.uiSize,
                      context_.icons, true, true, true);
            RebuildMenusAndToolbars();
            ApplyThemeToControls();
            break;
        case ThemeReload::None:
            break;
    }
    context_.themeReload = ThemeReload::None;
    fields_->ApplySettings();
}

void MainWindow::StoreGeometry() {
    ConversionSettings& settings = context_.state.settings;
    if (isMinimized()) return;
    if (isMaximized() || isFullScreen()) {
        settings.isMaximized = 1;
    } else {
        settings.isMaximized = 0;
        settings.windowX = frameGeometry().x();
        settings.windowY = frameGeometry().y();
        settings.windowWidth = width();
        settings.windowHeight = height();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    StoreGeometry();
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
            dragEnterEvent(static_cast<QDragEnterEvent*>(event));
            return true;
        case QEvent::DragMove:
            dragMoveEvent(static_cast<QDragMoveEvent*>(event));
            return true;
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop:
            dropEvent(static_cast<QDropEvent*>(event));
            return true;
        default:
            return QMainWindow::eventFilter(watched, event);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!CarriesLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    if (event->mimeData() != nullptr)
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) files.push_back(ToUtf8(url.toLocalFile()));
    // Ctrl held while dropping adds to what the field holds; otherwise the drop replaces it.
    const bool add = (event->modifiers() & Qt::ControlModifier) != 0;
    if (!AddDroppedFiles(files, add)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool MainWindow::AddDroppedFiles(const std::vector<std::string>& files, bool add) {
    return fields_->AddInputs(files, add);
}

}  // namespace pictorb
