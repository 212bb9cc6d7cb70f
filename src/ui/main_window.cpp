#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <span>

#include "app/branding.h"
#include "pipeline/job.h"
#include "platform/files.h"
#include "text/utf8.h"
#include "themes/themes.h"
#include "ui/builtin_icons.h"
#include "ui/commands.h"
#include "ui/convert.h"
#include "ui/desktop_context.h"
#include "ui/input_output.h"
#include "ui/links.h"
#include "ui/mnemonics.h"
#include "ui/preferences.h"
#include "ui/qt_text.h"
#include "ui/update_check.h"

namespace pictorb {
namespace {

// Fixed sizes of the window's design: the smallest client, the one height, the Convert
// button, the one-button toolbars and the distance of the field rows.
constexpr int kMinimumWidth = 510;
constexpr int kFixedHeight = 260;
constexpr int kConvertButtonSize = 100;
constexpr int kFieldToolbarSize = 24;
constexpr int kRowDistance = 40;
constexpr int kMargin = 10;
constexpr int kFieldHeight = 24;
// The icon size the fixed height is designed for ("Large", 32 pixels).
constexpr int32_t kDefaultUiSize = 2;

// A saved place on a screen that is gone (a monitor unplugged, a smaller resolution) would
// leave the window out of reach: the window is moved wholly onto the nearest screen's area.
QPoint PlaceOnNearestScreen(const QRect& saved) {
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
    resize(std::max(settings.windowWidth, kMinimumWidth), kFixedHeight);

    BuildMainMenu();
    BuildMainToolbar();
    // F10 opens the menu bar, as in other desktop programs.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] { OpenFirstMenu(); });
    // The frame's size is not known before the window is shown, and asking the display for it
    // would slow the start: the client's size stands for the whole window.
    move(PlaceOnNearestScreen(QRect(QPoint(settings.windowX, settings.windowY), size())));
    auto* status = new QLabel(this);
    status->setObjectName("statusText");
    statusBar()->addWidget(status, 1);
    statusBar()->setSizeGripEnabled(false);
    BuildControls();
}

MainWindow::~MainWindow() = default;

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
            QAction* action = AddCommandAction(command, context_.icons.menu, menu);
            action->setText(WithMnemonic(action->text(), itemLetters));
            // The menu item carries the shortcut, so Qt both shows it and handles it.
            action->setShortcut(QKeySequence(QString::fromLatin1(FindCommand(command)->shortcut)));
            menu->addAction(action);
        }
    }
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
    FitToMainToolbar();
}

void MainWindow::FitToMainToolbar() {
    // Icons larger than the default make the window taller by as much, and at least as wide as
    // the toolbar: no button hides behind an overflow menu, the fields keep their room.
    const int extraHeight =
        IconPixelSize(context_.state.settings.uiSize) - IconPixelSize(kDefaultUiSize);
    // Up to the default size the design's bounds hold; the toolbar is not measured then,
    // which would lay it out ahead of the window's first show.
    const int height = kFixedHeight + std::max(extraHeight, 0);
    const int width =
        extraHeight > 0 ? std::max(kMinimumWidth, mainToolbar_->sizeHint().width()) : kMinimumWidth;
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
        toolbar->show();
        fieldToolbars_.push_back(toolbar);
    }
    // Tab runs down the rows, each field followed by its buttons, then to Convert.
    QWidget* previous = nullptr;
    QWidget* fields[] = {inputField_, outputFolderField_, outputFormatList_};
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
    inputField_ = new QLineEdit(container_);
    inputField_->setObjectName("inputFile");
    // Return in either path field converts, as the default button of a form would.
    connect(inputField_, &QLineEdit::returnPressed, this, [this] { ConvertOnReturn(); });
    outputFolderField_ = new QComboBox(container_);
    outputFolderField_->setObjectName("outputFolder");
    outputFolderField_->setEditable(true);
    outputFolderField_->setInsertPolicy(QComboBox::NoInsert);
    connect(outputFolderField_->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ConvertOnReturn(); });
    // What is typed or picked becomes the job's output folder at once; Convert checks it.
    connect(outputFolderField_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        context_.state.job.outputFolder = ToUtf8(text);
        MatchFolderEntryToText();
    });
    outputFormatList_ = new QComboBox(container_);
    outputFormatList_->setObjectName("outputFormat");
    connect(outputFormatList_, &QComboBox::activated, this, [this](int index) {
        const std::string key = ToUtf8(outputFormatList_->itemData(index).toString());
        if (!key.empty()) context_.state.settings.outputFormat = key;
    });

    convertButton_ = new QToolButton(container_);
    convertButton_->setObjectName("convertButton");
    convertButton_->setFixedSize(kConvertButtonSize, kConvertButtonSize);
    convertButton_->setIconSize(QSize(kConvertButtonSize - 8, kConvertButtonSize - 8));
    // The button is one more place of the Convert command, so it follows its enabled state.
    convertButton_->setDefaultAction(commands_.Add(
        kCommandConvert, ToQString(texts.Text("General", "Convert")), QIcon(), convertButton_));

    notice_ = new QLabel(ToQString(std::string(kNoticeLine)), container_);
    notice_->setObjectName("notice");
    // Secondary text of the desktop's palette: readable on light and dark themes alike.
    notice_->setForegroundRole(QPalette::PlaceholderText);

    QWidget* fields[] = {inputField_, outputFolderField_, outputFormatList_};
    for (std::size_t row = 0; row < labels_.size(); ++row) labels_[row]->setBuddy(fields[row]);

    BuildFieldToolbars();
    ApplyThemeToControls();
    NameFieldsForScreenReaders();
    // The line edits would insert a dropped file's URL as text; every drop on the window
    // goes through the window's own rule instead.
    for (QWidget* child : container_->findChildren<QWidget*>())
        if (child->acceptDrops()) child->installEventFilter(this);
    LayOut();
}

void MainWindow::NameFieldsForScreenReaders() {
    QWidget* fields[] = {inputField_, outputFolderField_, outputFormatList_};
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

void MainWindow::LayOut() {
    if (container_ == nullptr) return;
    const int width = container_->width();
    const int fieldWidth = std::max(width - 160, 0);
    QWidget* fields[] = {inputField_, outputFolderField_, outputFormatList_};
    for (int row = 0; row < 3; ++row) {
        const int top = 4 + row * kRowDistance;
        QToolBar* toolbar = fieldToolbars_[static_cast<std::size_t>(row)];
        // A field with more than one button beside it gives up the room they take.
        const int buttonsRoom = toolbar->width() - kFieldToolbarSize;
        labels_[static_cast<std::size_t>(row)]->setGeometry(kMargin, top, fieldWidth, 16);
        fields[row]->setGeometry(kMargin, top + 16, std::max(fieldWidth - buttonsRoom, 0),
                                 kFieldHeight);
        toolbar->move(width - 146 - buttonsRoom, top + 16);
    }
    convertButton_->move(width - 110, 10);
    const int noticeTop = std::max(container_->height() - 22, 3 * kRowDistance + 24);
    notice_->setGeometry(kMargin, noticeTop, std::max(width - 2 * kMargin, 0), 18);
    container_->update();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
}

void MainWindow::SetStatusText(const std::string& text) {
    if (auto* label = statusBar()->findChild<QLabel*>("statusText"))
        label->setText(ToQString(text));
}

std::string MainWindow::StatusText() const {
    auto* label = statusBar()->findChild<QLabel*>("statusText");
    return label != nullptr ? ToUtf8(label->text()) : std::string();
}

void MainWindow::PrepareForStart() {
    if (context_.state.settings.recentOutFolders.empty()) outputFolderField_->addItem(QString());
    RunCommand(kCommandNew);
}

void MainWindow::RunCommand(int32_t command) {
    switch (command) {
        case kCommandNew:
            StartNew();
            SetStatusText(context_.state.texts.Text("General", "Ready"));
            inputField_->setFocus();
            break;
        case kCommandExit:
            close();
            break;
        case kCommandAddInputFile:
            ChooseInputFiles();
            break;
        case kCommandAddInputFolder:
            ChooseInputFolder();
            break;
        case kCommandSelectOutputFolder:
            ChooseOutputFolder();
            break;
        case kCommandOutputOptions:
            OpenPreferences(context_, *this, PreferencesPage::Output);
            break;
        case kCommandConvert:
            StartConversion(context_, *this);
            break;
        case kCommandFindConverter:
            OpenConverterFinder(context_, *this);
            break;
        case kCommandPreferences:
            OpenPreferences(context_, *this, PreferencesPage::General);
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
        default:
            break;  // unknown numbers are ignored
    }
}

bool MainWindow::AddInputFile(const std::string& path) {
    JobContext& job = context_.state.job;
    if (!pictorb::AddInputFile(job, context_.state.formats, path)) return false;
    if (job.commandLineMode != 0) return true;
    inputField_->setText(ToQString(path));
    TakeOutputFolderFrom(FolderOfPath(path));
    return true;
}

bool MainWindow::AddInputs(const std::vector<std::string>& paths, bool add) {
    std::vector<std::string> inputs;
    if (add) inputs = ParseInputList(ToUtf8(inputField_->text()));
    const std::size_t before = inputs.size();
    for (const std::string& path : paths)
        if (KindOfInput(context_.state.formats, path) != InputKind::Refused) inputs.push_back(path);
    if (inputs.size() == before) return false;
    inputField_->setText(ToQString(InputListText(inputs)));
    inputField_->home(false);  // a long list shows its beginning
    // A folder's documents go into the folder itself by default, as a file's go beside it.
    std::string folder = inputs[before];
    if (KindOfInput(context_.state.formats, folder) != InputKind::Folder)
        folder = FolderOfPath(folder);
    else if (!folder.ends_with('/'))
        folder += '/';
    TakeOutputFolderFrom(folder);
    return true;
}

void MainWindow::TakeOutputFolderFrom(const std::string& inputFolder) {
    if (!outputFolderField_->currentText().isEmpty()) return;
    const std::string& commandLineInput = context_.state.job.commandLineInput;
    UseOutputFolder(!commandLineInput.empty() ? commandLineInput : inputFolder);
}

bool MainWindow::ChooseInputFiles() {
    TextTable& texts = context_.state.texts;
    JobContext& job = context_.state.job;
    const std::vector<std::string> files =
        context_.dialogs.OpenFiles(texts.Text("Dialog", "Select Input Files"), job.inputPath,
                                   InputFileFilters(context_.state.formats, texts), true);
    const bool entered = AddInputs(files, false);
    job.inputPath.clear();
    LayOut();
    return entered;
}

bool MainWindow::ChooseInputFolder() {
    const std::vector<std::string> typed = ParseInputList(ToUtf8(inputField_->text()));
    const std::string start = typed.empty() ? std::string() : FolderOfPath(typed.front());
    const std::optional<std::string> folder = context_.dialogs.ChooseFolder(
        context_.state.texts.Text("Dialog", "Select Input Folder"), start);
    const bool entered = folder && AddInputs({*folder}, false);
    LayOut();
    return entered;
}

void MainWindow::ChooseOutputFolder() {
    JobContext& job = context_.state.job;
    const std::string typed = ToUtf8(outputFolderField_->currentText());
    const std::string start = !typed.empty() ? FolderOfPath(typed) : job.outputFolder;
    const std::optional<std::string> folder = context_.dialogs.ChooseFolder(
        context_.state.texts.Text("Dialog", "Select Output Folder"), start);
    if (folder && QueryFileSize(*folder) == kFileIsFolder) UseOutputFolder(*folder);
    LayOut();
}

void MainWindow::UseOutputFolder(const std::string& folder) {
    ConversionSettings& settings = context_.state.settings;
    settings.recentOutFolders =
        RememberOutputFolder(settings.recentOutFolders, folder, settings.outFoldersNumber);
    context_.state.job.outputFolder = folder;
    FillOutputFolderList();
}

void MainWindow::FillOutputFolderList() {
    const ConversionSettings& settings = context_.state.settings;
    if (settings.recentOutFolders.empty()) return;
    // Selecting an item rewrites the field, which must not change the job's folder here.
    const std::string outputFolder = context_.state.job.outputFolder;
    const QIcon icon = ToQIcon(context_.icons.menu.Image("FavFolder"));
    outputFolderField_->clear();
    int selected = -1;
    for (int32_t i = 0; i < settings.outFoldersNumber; ++i) {
        const std::string entry = RecentOutputFolder(settings.recentOutFolders, i);
        if (entry.empty()) continue;
        if (selected < 0 && entry == outputFolder) selected = outputFolderField_->count();
        outputFolderField_->addItem(icon, ToQString(entry));
    }
    outputFolderField_->setCurrentIndex(std::max(selected, 0));
    context_.state.job.outputFolder = outputFolder;
}

void MainWindow::StartNew() {
    FillOutputFolderList();
    InitJobContext(context_.state.job, context_.state.formats);
    inputField_->clear();
    outputFolderField_->setEditText(QString());
    MatchFolderEntryToText();
}

void MainWindow::MatchFolderEntryToText() {
    // The field shows the current entry's folder icon: the entry must be the text's own, or
    // none for text that is in no entry.
    QComboBox* field = outputFolderField_;
    const QString text = field->currentText();
    const int entry = text.isEmpty() ? -1 : field->findText(text, Qt::MatchExactly);
    if (entry == field->currentIndex()) return;
    // Changing the entry rewrites the text; what was typed stays, with its cursor.
    const QSignalBlocker quiet(field);
    QLineEdit* edit = field->lineEdit();
    const int cursor = edit->cursorPosition();
    field->setCurrentIndex(entry);
    if (edit->text() != text) edit->setText(text);
    edit->setCursorPosition(cursor);
}

void MainWindow::FillOutputFormatList() {
    const Formats& formats = context_.state.formats;
    const QIcon icon = ToQIcon(context_.icons.menu.Image("New"));
    outputFormatList_->clear();
    int selected = 0;
    for (std::size_t i = 0; i < formats.outputList.size() && i < 128; ++i) {
        const std::string& key = formats.outputList[i];
        if (key.empty()) continue;
        const auto row = formats.outputTable.find(key);
        const std::string description =
            row != formats.outputTable.end() ? row->second.description : std::string();
        if (key == context_.state.settings.outputFormat) selected = outputFormatList_->count();
        outputFormatList_->addItem(icon, ToQString(AsciiUpper(key) + " (" + description + ")"),
                                   ToQString(key));
    }
    outputFormatList_->setCurrentIndex(selected);
}

std::string MainWindow::SelectedOutputFormat() const {
    return ToUtf8(outputFormatList_->currentData().toString());
}

void MainWindow::SelectOutputFormat(const std::string& key) {
    const int index = outputFormatList_->findData(ToQString(key));
    if (index >= 0) outputFormatList_->setCurrentIndex(index);
}

void MainWindow::ApplyThemeToControls() {
    const IconSets& icons = context_.icons;
    convertButton_->defaultAction()->setIcon(ToQIcon(icons.control.Image("Convert")));
    const QIcon folderIcon = ToQIcon(icons.menu.Image("FavFolder"));
    for (int i = 0; i < outputFolderField_->count(); ++i)
        outputFolderField_->setItemIcon(i, folderIcon);
    if (outputFormatList_->count() == 0) {
        FillOutputFormatList();
        return;
    }
    const QIcon formatIcon = ToQIcon(icons.menu.Image("New"));
    for (int i = 0; i < outputFormatList_->count(); ++i)
        outputFormatList_->setItemIcon(i, formatIcon);
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
    LayOut();
    SelectOutputFormat(settings.outputFormat);
    if (outputFolderField_->count() != settings.outFoldersNumber) FillOutputFolderList();
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
    return AddInputs(files, add);
}

}  // namespace pictorb
