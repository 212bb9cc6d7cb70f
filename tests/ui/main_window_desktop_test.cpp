// The main window as a desktop user meets it: drops on any part of it, the folder field's
// icon, a saved place off screen, every icon size in the shipped themes, the notice's colour
// and the names screen readers read.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "themes/themes.h"
#include "ui/builtin_icons.h"
#include "ui/commands.h"
#include "ui/hand_over_receiver.h"
#include "ui/main_window_fixture.h"
#include "ui/progress_dialog.h"

namespace pictorb::test {
namespace {

struct DragOutcome {
    bool entered = false;
    Qt::DropAction enterAction = Qt::IgnoreAction;
    bool dropped = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// Drags `urls` over the middle of `field` and drops them there, as the desktop delivers it:
// to the innermost widget under that point, through the application.
DragOutcome DragAndDrop(MainWindow& window, QWidget* field, const QList<QUrl>& urls) {
    QWidget* target = window.childAt(field->mapTo(&window, field->rect().center()));
    if (target == nullptr) target = &window;
    const QPoint at = target->mapFrom(&window, field->mapTo(&window, field->rect().center()));
    // File managers offer the URLs as plain text as well, which a line edit would insert.
    QMimeData data;
    data.setUrls(urls);
    QStringList texts;
    for (const QUrl& url : urls) texts << url.toString();
    data.setText(texts.join(QLatin1Char('\n')));
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    DragOutcome outcome;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    outcome.entered = enter.isAccepted();
    outcome.enterAction = enter.dropAction();
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    outcome.dropped = drop.isAccepted();
    outcome.dropAction = drop.dropAction();
    return outcome;
}

QList<QUrl> LocalFile(const std::string& path) {
    return {QUrl::fromLocalFile(QString::fromStdString(path))};
}

TEST_F(MainWindowTest, DropsAnywhereGoThroughTheWindowsRule) {
    MainWindow window(fixture.context);
    window.show();
    QApplication::processEvents();
    const std::string bitmap = File("photo.bmp");
    const std::string picture = File("photo.png");
    const std::string folder = Folder("sub");
    const std::string bitmapFolder = fixture.dir.Path() + "/";
    const std::pair<const char*, QWidget*> places[] = {
        {"input field", window.InputField()},
        {"output folder field", window.OutputFolderField()},
        {"format list", window.OutputFormatList()},
        {"convert button", window.ConvertButton()},
    };
    for (const auto& [name, field] : places) {
        SCOPED_TRACE(name);
        window.RunCommand(kCommandNew);

        const DragOutcome taken = DragAndDrop(window, field, LocalFile(bitmap));
        EXPECT_TRUE(taken.entered);
        EXPECT_EQ(taken.enterAction, Qt::CopyAction);
        EXPECT_TRUE(taken.dropped);
        EXPECT_EQ(taken.dropAction, Qt::CopyAction);
        EXPECT_EQ(window.InputField()->text().toStdString(), bitmap);
        EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), bitmapFolder);

        // Refused by the rule: nothing is inserted, the drop is not accepted.
        EXPECT_FALSE(DragAndDrop(window, field, LocalFile(picture)).dropped);
        EXPECT_EQ(window.InputField()->text().toStdString(), bitmap);
        EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), bitmapFolder);
        // Without a local file the drag itself is refused.
        EXPECT_FALSE(DragAndDrop(window, field, {QUrl("https://example.org/a.bmp")}).entered);
        EXPECT_EQ(window.InputField()->text().toStdString(), bitmap);
        // A folder is taken in place of the file; the output folder stays.
        EXPECT_TRUE(DragAndDrop(window, field, LocalFile(folder)).dropped);
        EXPECT_EQ(window.InputField()->text().toStdString(), folder);
        EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), bitmapFolder);
    }
}

// The field shows the current entry's icon, so the entry must be the one whose text it shows.
TEST_F(MainWindowTest, FolderIconBelongsToTheTextShown) {
    settings.recentOutFolders = Folder("a") + "\t" + Folder("b");
    MainWindow window(fixture.context);
    window.PrepareForStart();
    window.show();
    QComboBox* field = window.OutputFolderField();
    // No entry (no icon), or the entry of the text shown.
    const auto expectIconMatchesText = [field] {
        const int entry = field->currentIndex();
        EXPECT_TRUE(entry < 0 || field->itemText(entry) == field->currentText())
            << field->itemText(entry).toStdString();
    };
    {
        SCOPED_TRACE("after New");
        window.RunCommand(kCommandNew);
        EXPECT_TRUE(field->currentText().isEmpty());
        expectIconMatchesText();
    }
    {
        SCOPED_TRACE("typing a folder that is not in the list");
        field->lineEdit()->insert("/elsewhere");
        EXPECT_EQ(field->currentText(), "/elsewhere");
        EXPECT_EQ(fixture.state.job.outputFolder, "/elsewhere");
        expectIconMatchesText();
    }
    {
        SCOPED_TRACE("text of an entry");
        field->setEditText(QString::fromStdString(Folder("b")));
        EXPECT_EQ(field->currentIndex(), 1);
    }
}

// The window's place counts its client size: the frame is not known before it is shown.
TEST_F(MainWindowTest, SavedPlaceOnAScreenThatIsGoneComesBackOnScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        int x, y;
        QPoint expected;
    } cases[] = {
        {3000, 2500, QPoint(area.right() + 1 - 510, area.bottom() + 1 - 260)},
        {-900, 40, QPoint(area.left(), 40)},
        {100, 50, QPoint(100, 50)},  // on screen: kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        settings.windowX = c.x;
        settings.windowY = c.y;
        MainWindow window(fixture.context);
        window.show();
        QApplication::processEvents();
        // Within the test platform's frame of two pixels, which moves count in or not.
        const QPoint off = window.pos() - c.expected;
        EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
        EXPECT_TRUE(area.contains(QRect(window.pos(), window.size())));
    }
}

// Both shipped themes at every toolbar size: the theme's own images, no overflow chevron,
// the notice label below the fields inside the window.
TEST_F(MainWindowTest, EveryIconSizeFitsTheWindowInBothShippedThemes) {
    const std::string program = PICTORBCMD_PATH;
    DesktopContext& context = fixture.context;
    context.themeFolder = program.substr(0, program.rfind('/') + 1) + "gfx/";
    context.themes = ListThemes(context.themeFolder);
    for (const std::string theme : {"handdrawn", "contrast"}) {
        ASSERT_EQ(context.themes.displayNames.count(theme), 1u) << theme;
        for (int32_t uiSize = 0; uiSize <= 4; ++uiSize) {
            SCOPED_TRACE(theme + " at UI Size " + std::to_string(uiSize));
            settings.uiTheme = theme;
            settings.uiSize = uiSize;
            IconSets builtIn = context.icons;
            LoadBuiltInIcons(builtIn, uiSize);
            context.icons = builtIn;
            LoadTheme(context.themeFolder, context.themes, settings.uiTheme, uiSize, context.icons,
                      true, true, true);
            const int pixels = IconPixelSize(uiSize);
            const IconImage& themed = context.icons.toolbar.Image("New");
            EXPECT_EQ(themed.width, pixels);
            EXPECT_NE(themed.pixels, builtIn.toolbar.Image("New").pixels);

            MainWindow window(context);
            window.show();
            QApplication::processEvents();
            auto* chevron = window.MainToolbar()->findChild<QToolButton*>("qt_toolbar_ext_button");
            EXPECT_TRUE(chevron == nullptr || !chevron->isVisible());
            EXPECT_EQ(window.MainToolbar()->iconSize(), QSize(pixels, pixels));
            const auto* notice = window.findChild<QLabel*>("notice");
            ASSERT_NE(notice, nullptr);
            EXPECT_TRUE(notice->isVisible());
            EXPECT_LE(notice->geometry().bottom(), window.centralWidget()->height());
            EXPECT_GT(notice->geometry().top(), window.OutputFormatList()->geometry().bottom());
        }
    }
}

// A dark scheme as desktops set it: the roles for text on windows, views and buttons, and not
// the placeholder text's, which keeps Qt's dark default.
TEST_F(MainWindowTest, NoticeReadsOnLightAndDarkThemes) {
    MainWindow window(fixture.context);
    const auto* notice = window.findChild<QLabel*>("notice");
    ASSERT_NE(notice, nullptr);
    QPalette dark(QColor(0x31, 0x36, 0x3b), QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    for (const bool darkTheme : {false, true}) {
        SCOPED_TRACE(darkTheme ? "dark" : "light");
        if (darkTheme) window.setPalette(dark);
        EXPECT_GE(TextContrast(*notice), 4.5);
        // Secondary text: less contrast than the labels beside it.
        EXPECT_LT(TextContrast(*notice), TextContrast(*window.findChild<QLabel*>()));
    }
}

// Icons made larger while the window is open: the rows and the notice stay clear of the
// status bar, and the window as tall as the toolbar needs.
TEST_F(MainWindowTest, IconSizeChangedLiveKeepsTheNoticeInTheWindow) {
    settings.uiSize = 0;
    MainWindow window(fixture.context);
    window.show();
    QApplication::processEvents();
    for (const int32_t size : {2, 4, 0, 3}) {
        SCOPED_TRACE("UI Size " + std::to_string(size));
        settings.uiSize = size;
        fixture.context.themeReload = ThemeReload::IconSize;
        window.ApplyPreferences();
        QApplication::processEvents();
        const auto* notice = window.findChild<QLabel*>("notice");
        const QRect shown(notice->mapTo(&window, QPoint(0, 0)), notice->size());
        EXPECT_LE(shown.bottom(), window.statusBar()->geometry().top());
        EXPECT_EQ(LayoutFaults(window), std::vector<std::string>{});
    }
}

// A width saved at a smaller display scale (or on a wider monitor) is more than the screen
// holds now: the window is made as wide as the screen, Convert stays in reach.
TEST_F(MainWindowTest, SavedWidthWiderThanTheScreenIsClamped) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    settings.windowX = area.left();
    settings.windowY = area.top();
    settings.windowWidth = area.width() + 70;
    MainWindow window(fixture.context);
    window.show();
    QApplication::processEvents();
    EXPECT_LE(window.width(), area.width());
    EXPECT_TRUE(area.contains(
        window.ConvertButton()->mapToGlobal(window.ConvertButton()->rect().bottomRight())));
}

TEST_F(MainWindowTest, ScreenReadersReadTheFieldsAndIconButtons) {
    MainWindow window(fixture.context);
    EXPECT_EQ(window.InputField()->accessibleName(), "Input File");
    EXPECT_EQ(window.OutputFolderField()->accessibleName(), "Output Folder");
    EXPECT_EQ(window.OutputFormatList()->accessibleName(), "Output Format");
    EXPECT_EQ(window.ConvertButton()->accessibleName(), "Convert");
    std::vector<std::string> buttons;
    for (auto* toolbar : window.centralWidget()->findChildren<QToolBar*>())
        for (auto* button : toolbar->findChildren<QToolButton*>())
            if (button->isVisible() || !button->accessibleName().isEmpty())
                buttons.push_back(button->accessibleName().toStdString());
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<std::string>{"Add Input Files", "Add Input Folder", "Options",
                                                 "Select Output Folder"}));
}

// A second start's file: taken as a drop when the window is free, refused with the command
// line's reason when it cannot be used, and kept while the preferences or a conversion hold
// the window, to be taken once they are closed.
TEST_F(MainWindowTest, HandedOverFileWaitsBehindADialogAndIsTakenAfterIt) {
    MainWindow window(fixture.context);
    window.PrepareForStart();
    window.show();
    auto* receiver = new HandOverReceiver(window, fixture.state.formats);  // the window's
    const std::string photo = File("photo.bmp");
    const auto field = [&] { return window.InputField()->text().toStdString(); };
    EXPECT_EQ(receiver->Take({"--invert", photo}).first, HandOverReply::Taken);
    EXPECT_EQ(field(), photo);
    const std::string png = File("red.png"), empty = File("empty.bmp", true);
    const std::string missing = fixture.dir.Join("missing.bmp");
    for (const auto& [path, reason] :
         {std::pair{png, "not a bitmap (.bmp, .rle, .dib)"},
          std::pair{missing, "no such file or folder"}, std::pair{empty, "empty file"}}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(receiver->Take({path}),
                  std::pair(HandOverReply::Refused, path + ": " + std::string(reason)));
        EXPECT_EQ(field(), photo);
    }
    // Without a file the window only comes to the front.
    EXPECT_EQ(receiver->Take({}).first, HandOverReply::Taken);

    const std::string out = Folder("out");
    const std::vector<std::pair<const char*, std::function<void()>>> holders = {
        {"preferences", [&] { window.RunCommand(kCommandPreferences); }},
        {"conversion", [&] {
             window.InputField()->setText(QString::fromStdString(photo));
             window.OutputFolderField()->setEditText(QString::fromStdString(out));
             window.RunCommand(kCommandConvert);
         }}};
    for (const auto& [name, hold] : holders) {
        SCOPED_TRACE(name);
        const std::string second = File(std::string(name) + ".bmp");
        std::optional<HandOverReply> reply;
        std::string whileHeld;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            if (!reply) {
                reply = receiver->Take({second}).first;
                whileHeld = field();
            }
            auto* progress = qobject_cast<ProgressDialog*>(dialog);
            if (progress == nullptr || progress->WorkerEnded()) dialog->accept();
        });
        timer.start(5);
        hold();
        timer.stop();
        EXPECT_EQ(reply, HandOverReply::Queued);
        EXPECT_NE(whileHeld, second);
        QApplication::processEvents();
        EXPECT_EQ(field(), second);
        EXPECT_TRUE(receiver->Waiting().empty());
    }
}

}  // namespace
}  // namespace pictorb::test
