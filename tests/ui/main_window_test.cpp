// The main window driven through its commands and widgets, dialogs answered by script.

#include "ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings.h"
#include "support/bmp_writer.h"
#include "themes/themes.h"
#include "ui/builtin_icons.h"
#include "ui/commands.h"
#include "ui/input_output.h"
#include "ui/main_window_fixture.h"

namespace pictorb::test {
namespace {

TEST_F(MainWindowTest, GeometryRulesOfTheExit) {
    settings.windowX = 120;
    settings.windowY = 130;
    settings.windowWidth = 640;
    {
        SCOPED_TRACE("maximised: the stored geometry stays");
        settings.isMaximized = 1;
        MainWindow window(fixture.context);
        window.showMaximized();
        QApplication::processEvents();
        window.close();
        EXPECT_EQ(settings.isMaximized, 1);
        EXPECT_EQ(settings.windowX, 120);
        EXPECT_EQ(settings.windowWidth, 640);
    }
    {
        SCOPED_TRACE("minimised: nothing changes");
        settings.isMaximized = 1;
        MainWindow window(fixture.context);
        window.showMinimized();
        QApplication::processEvents();
        window.StoreGeometry();
        EXPECT_EQ(settings.isMaximized, 1);
        EXPECT_EQ(settings.windowWidth, 640);
    }
    {
        SCOPED_TRACE("normal: outer position and client size");
        settings.isMaximized = 0;
        MainWindow window(fixture.context);
        window.show();
        window.resize(700, 400);
        QApplication::processEvents();
        window.close();
        EXPECT_EQ(settings.isMaximized, 0);
        EXPECT_EQ(settings.windowWidth, 700);
        EXPECT_EQ(settings.windowHeight, 260);  // the height is fixed
    }
}

TEST_F(MainWindowTest, SizeBoundsAndTitle) {
    MainWindow window(fixture.context);
    window.show();
    window.resize(300, 500);
    QApplication::processEvents();
    EXPECT_EQ(window.width(), 510);
    EXPECT_EQ(window.height(), 260);
    window.resize(900, 100);
    QApplication::processEvents();
    EXPECT_EQ(window.width(), 900);
    EXPECT_EQ(window.height(), 260);
    EXPECT_EQ(window.windowTitle(), "Corvalen Pictorb 2.2");
    // The layout rule: fields W - 160 wide, the Convert button at W - 110.
    // The input field leaves room for its second button.
    EXPECT_EQ(window.InputField()->width(), window.centralWidget()->width() - 184);
    EXPECT_EQ(window.OutputFolderField()->width(), window.centralWidget()->width() - 160);
}

TEST_F(MainWindowTest, DroppedFilesAndAcceptedInputs) {
    MainWindow window(fixture.context);
    const std::string first = File("photo.BMP");
    const std::string second = File("second.bmp");
    const std::string quoted = "\"" + first + "\" \"" + second + "\"";
    Drop(window, {first, File("photo.png"), second});
    EXPECT_EQ(window.InputField()->text().toStdString(), quoted);
    // The empty field 5 took the file's folder, which heads the recent list.
    EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), fixture.dir.Path() + "/");
    EXPECT_EQ(Recent(0), fixture.dir.Path() + "/");

    for (const std::string& refused : {File("photo.png"), File("empty.bmp", true)}) {
        SCOPED_TRACE(refused);
        Drop(window, {refused});
        EXPECT_EQ(window.InputField()->text().toStdString(), quoted);
    }
}

TEST_F(MainWindowTest, ChoosingFilesTakesEveryAccepted) {
    MainWindow window(fixture.context);
    const std::string a = File("a.bmp"), b = File("b.bmp"), c = File("c.png");
    fixture.dialogs.files.push_back({a, b, c});
    window.RunCommand(kCommandAddInputFile);
    EXPECT_EQ(window.InputField()->text().toStdString(), "\"" + a + "\" \"" + b + "\"");
    EXPECT_TRUE(fixture.state.job.inputPath.empty());
    const std::vector<std::string> expected = {"All Supported Files (*.bmp *.rle *.dib)",
                                               "Windows or OS/2 Bitmap (*.dib *.rle *.bmp)",
                                               "All Files (*)"};
    EXPECT_EQ(fixture.dialogs.fileFilters.back(), expected);
}

// The field's set: a folder from its dialog, files added with Ctrl held, New clears it.
TEST_F(MainWindowTest, FolderDialogCtrlDropAndNew) {
    MainWindow window(fixture.context);
    const std::string folder = Folder("pictures");
    const std::string a = File("a.bmp"), b = File("b.bmp");
    fixture.dialogs.folders.push_back(folder);
    window.RunCommand(kCommandAddInputFolder);
    EXPECT_EQ(fixture.dialogs.folderTitles.back(), "Select Input Folder");
    EXPECT_EQ(window.InputField()->text().toStdString(), folder);
    // The folder's documents go into the folder itself unless another is chosen.
    EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), folder);

    window.AddDroppedFiles({a}, true);
    window.AddDroppedFiles({b, File("c.png")}, true);
    EXPECT_EQ(window.InputField()->text().toStdString(),
              "\"" + folder + "\" \"" + a + "\" \"" + b + "\"");
    EXPECT_FALSE(window.AddDroppedFiles({File("empty.bmp", true)}, true));
    window.AddDroppedFiles({b});  // without Ctrl: in place of the set
    EXPECT_EQ(window.InputField()->text().toStdString(), b);

    window.RunCommand(kCommandNew);
    EXPECT_TRUE(window.InputField()->text().isEmpty());
}

TEST_F(MainWindowTest, InputListsAsDialogsAndUsersWriteThem) {
    const struct {
        const char* text;
        std::vector<std::string> paths;
    } cases[] = {
        {"", {}},
        {" /a b/c.bmp ", {"/a b/c.bmp"}},
        {"\"/a.bmp\" \"/b c.bmp\"", {"/a.bmp", "/b c.bmp"}},
        {"\"/a.bmp\"\"/b.bmp\"", {"/a.bmp", "/b.bmp"}},
        {"\"/a.bmp\"  \"\"  \"/b.bmp", {"/a.bmp", "/b.bmp"}},  // empty entry, unclosed end
        {"\" /spaced.bmp \"", {"/spaced.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInputList(c.text), c.paths);
        // What the window writes into the field reads back as the same paths.
        if (c.paths.empty()) continue;
        EXPECT_EQ(ParseInputList(InputListText(c.paths)), c.paths);
    }
}

TEST_F(MainWindowTest, RecentOutputFolders) {
    MainWindow window(fixture.context);
    settings.outFoldersNumber = 5;
    std::vector<std::string> folders;
    for (int i = 0; i < 6; ++i) {
        folders.push_back(Folder("out" + std::to_string(i)));
        fixture.dialogs.folders.push_back(folders.back());
        window.RunCommand(kCommandSelectOutputFolder);
    }
    EXPECT_EQ(Recent(0), folders[5]);
    EXPECT_EQ(Recent(4), folders[1]);
    EXPECT_EQ(Recent(5), "");
    EXPECT_EQ(window.OutputFolderField()->count(), 5);

    // A stored folder chosen again in other letter case moves to the front, once.
    const std::string upper = fixture.dir.Path() + "/OUT3/";
    settings.recentOutFolders = RememberOutputFolder(settings.recentOutFolders, upper, 5);
    EXPECT_EQ(Recent(0), upper);
    EXPECT_EQ(Recent(1), folders[5]);
    EXPECT_EQ(Recent(2), folders[4]);
    EXPECT_EQ(Recent(3), folders[2]);

    // Blanks-only entries are dropped; limit 1 keeps only the newest.
    EXPECT_EQ(RememberOutputFolder("   \t/b/", "/a/", 5), "/a/\t/b/");
    EXPECT_EQ(RememberOutputFolder("/b/\t/c/", "/a/", 1), "/a/");
    // A cancelled dialog and a path that is no folder change nothing.
    const std::string before = settings.recentOutFolders;
    fixture.dialogs.folders.push_back(std::nullopt);
    window.RunCommand(kCommandSelectOutputFolder);
    fixture.dialogs.folders.push_back(fixture.dir.Join("missing/"));
    window.RunCommand(kCommandSelectOutputFolder);
    EXPECT_EQ(settings.recentOutFolders, before);
}

TEST_F(MainWindowTest, OpenWithTakesThePlainFileParameter) {
    const std::string photo = File("photo.bmp");
    const std::string other = File("other.bmp");
    const Formats& formats = fixture.state.formats;
    EXPECT_EQ(FileToOpen({"--invert", photo}, formats), photo);
    EXPECT_EQ(FileToOpen({"-o", other, photo}, formats), photo);  // -o takes the next one
    EXPECT_EQ(FileToOpen({File("photo.png"), File("empty.bmp", true)}, formats), "");
    EXPECT_EQ(FileToOpen({"--wm-image=" + photo}, formats), "");
}

TEST_F(MainWindowTest, NewEmptiesTheFieldsAndKeepsTheList) {
    MainWindow window(fixture.context);
    Drop(window, {File("photo.bmp")});
    window.RunCommand(kCommandNew);
    EXPECT_TRUE(window.InputField()->text().isEmpty());
    EXPECT_TRUE(window.OutputFolderField()->currentText().isEmpty());
    EXPECT_EQ(window.OutputFolderField()->count(), 1);
    EXPECT_TRUE(fixture.state.job.inputFiles.empty());
    EXPECT_EQ(window.StatusText(), "Ready");
    window.RunCommand(12345);  // unknown numbers are ignored
}

TEST_F(MainWindowTest, OutputFormatListSetsFormat) {
    settings.outputFormat = "nothing";
    MainWindow window(fixture.context);
    ASSERT_EQ(window.OutputFormatList()->count(), 1);
    EXPECT_EQ(window.OutputFormatList()->currentText().toStdString(), "PSD (Adobe Photoshop)");
    EXPECT_EQ(window.Fields().SelectedOutputFormat(), "psd");
    window.OutputFormatList()->activated(0);
    EXPECT_EQ(settings.outputFormat, "psd");
}

}  // namespace
}  // namespace pictorb::test

namespace pictorb::test {
namespace {

// The reload the preferences dialog asks for, against the themes shipped in the build folder.
TEST_F(MainWindowTest, ReloadsThemeAndIconSizeAfterThePreferences) {
    const std::string program = PICTORBCMD_PATH;
    fixture.context.themeFolder = program.substr(0, program.rfind('/') + 1) + "gfx/";
    fixture.context.themes = ListThemes(fixture.context.themeFolder);
    ASSERT_EQ(fixture.context.themes.displayNames.count("contrast"), 1u);
    MainWindow window(fixture.context);
    const QImage builtIn = window.ConvertButton()->icon().pixmap(96).toImage();

    settings.uiTheme = "contrast";
    fixture.context.themeReload = ThemeReload::Theme;
    window.ApplyPreferences();
    EXPECT_EQ(fixture.context.themeReload, ThemeReload::None);
    EXPECT_NE(window.ConvertButton()->icon().pixmap(96).toImage(), builtIn);
    const QImage contrastMenuNew = ToQImage(fixture.context.icons.menu.Image("New"));

    settings.uiSize = 2;
    fixture.context.themeReload = ThemeReload::IconSize;
    window.ApplyPreferences();
    EXPECT_EQ(window.MainToolbar()->iconSize(), QSize(32, 32));
    EXPECT_EQ(fixture.context.icons.toolbar.Image("New").width, 32);
    // Only the toolbar set was reloaded.
    EXPECT_EQ(ToQImage(fixture.context.icons.menu.Image("New")), contrastMenuNew);
}

}  // namespace
}  // namespace pictorb::test
