// Profiles in the window: saving, the Profiles submenu, loading with refused lines, and
// "Copy as Command Line" run in a shell against the window's own Convert.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"
#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/input_output.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/profiles.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

using Args = std::vector<std::string>;

// The settings every option names, as text: what a profile carries.
std::string OptionSettings(const ConversionSettings& settings) {
    std::string text;
    for (const OptionDescription& option : DescribeOptions()) {
        // Unused without the custom timestamp, its default is the moment of reading.
        if (option.longName == "--file-timestamp-custom") continue;
        for (const auto& [group, key] :
             {std::pair{option.group, option.key}, std::pair{option.alsoGroup, option.alsoKey}}) {
            if (const SettingsField* field = FindSettingsField(group, key))
                text += option.longName + " " + std::string(key) + "=" +
                        FieldText(settings, *field) + "\n";
        }
    }
    return text;
}

class ProfilesWindowTest : public ::testing::Test {
  protected:
    DesktopFixture fixture;
    ConversionSettings& settings = fixture.state.settings;
    ScriptedDialogs& dialogs = fixture.dialogs;
    MainWindow window{fixture.context};
    std::string folder = fixture.dir.Join("config") + "/Corvalen/pictorb/profiles/";

    // Sets the window's settings as the options would, over what it holds.
    void Set(const Args& args) { ASSERT_EQ(ParseOptions(fixture.state, args).error, ""); }
    QMenu* ProfilesMenu() {
        QMenu* menu = window.findChild<QMenu*>("profilesMenu");
        if (menu != nullptr) emit menu->aboutToShow();
        return menu;
    }
    void Save(const std::string& name, std::deque<MessageAnswer> answers = {}) {
        dialogs.typed = {name};
        dialogs.answers = std::move(answers);
        dialogs.asked.clear();
        window.RunCommand(kCommandSaveProfile);
    }
    // Presses Convert and closes the progress dialog when the work is done.
    void Convert() {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = window.findChild<ProgressDialog*>();
            if (dialog != nullptr && dialog->isVisible() && dialog->WorkerEnded())
                dialog->OkButton()->click();
        });
        timer.start(5);
        window.RunCommand(kCommandConvert);
    }
};

// A rich setup: every stage on, so that each of its values is a setting a profile carries.
const Args kRichSetup = {"--width=30",
                         "--height=50",
                         "--height-unit=percent",
                         "--resize-algorithm=box",
                         "--rotation=12",
                         "--brightness=10",
                         "--gamma=1.5",
                         "--threshold=9",
                         "--fr-solid-left=2",
                         "--fr-solid-top=3",
                         "--fr-solid-top-color=00FF00",
                         "--fr-solid-opacity=200",
                         "--wm-text=It's $HOME %filename% \u00e9",
                         "--wm-font=DejaVu Sans",
                         "--wm-font-size=7",
                         "--wm-font-style=bold",
                         "--wm-text-position=topleft",
                         "--psd-bpp=32",
                         "--psd-compression=none",
                         "--filename-mask=%filename%_w.%ext%"};

TEST_F(ProfilesWindowTest, SavedProfilesAreListedAndChoosingOneGivesTheSettingsBack) {
    Set(kRichSetup);
    const std::string saved = OptionSettings(settings);
    Save("web & print");
    EXPECT_EQ(window.StatusText(), "Settings saved as profile web & print");
    ASSERT_TRUE(std::filesystem::is_regular_file(folder + "web & print.ini"));
    Set({"--invert"});
    Save("other");

    // Names that would leave the folder or hide the file are refused; nothing is written.
    for (const std::string name : {"a/b", ".hidden"}) {
        SCOPED_TRACE(name);
        Save(name);
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_NE(dialogs.asked[0].text.find(name), std::string::npos);
    }
    // An existing name asks first; No keeps the file.
    const auto before = ReadBytes(folder + "other.ini");
    Set({"--greyscale"});
    Save("other", {MessageAnswer::No});
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ReadBytes(folder + "other.ini"), before);
    Save("other", {MessageAnswer::Yes});
    EXPECT_NE(ReadBytes(folder + "other.ini"), before);

    QMenu* menu = ProfilesMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text().toStdString(), "other");
    EXPECT_EQ(menu->actions()[1]->text().toStdString(), "web && print");

    // Window-only settings stay whatever the profile says.
    SetDefaults(settings, DefaultsFor::Desktop, fixture.state.formats);
    settings.uiTheme = "contrast-kept";
    settings.windowWidth = 777;
    menu->actions()[1]->trigger();
    EXPECT_EQ(window.StatusText(), "Profile applied: web & print");
    EXPECT_EQ(OptionSettings(settings), saved);
    EXPECT_EQ(settings.uiTheme, "contrast-kept");
    EXPECT_EQ(settings.windowWidth, 777);
    // Saved as after OK in the preferences.
    ConversionSettings reread;
    reread.settingsFilePath = settings.settingsFilePath;
    LoadSettings(reread, fixture.state.formats);
    EXPECT_EQ(reread.imageWidth, 30);
    EXPECT_EQ(reread.text, settings.text);
}

TEST_F(ProfilesWindowTest, LoadingAProfileWithRefusedLinesSaysSoInOneMessage) {
    const std::string path = fixture.dir.Join("odd.ini");
    ASSERT_TRUE(WriteBytes(path,
                           "[CLI]\r\n--widht = 5\r\n--width = 40\r\n--wm-text-position = "
                           "upperleft\r\n--invert = 1\r\n"));
    dialogs.files = {{path}};
    window.RunCommand(kCommandLoadProfile);
    ASSERT_EQ(dialogs.fileFilters.size(), 1u);
    EXPECT_EQ(dialogs.fileFilters[0][0], "Profiles (*.ini)");
    EXPECT_EQ(settings.imageWidth, 40);
    EXPECT_EQ(settings.doImageResize, 1);
    EXPECT_EQ(settings.imageInvert, 1);
    EXPECT_EQ(settings.textPosition, 0);  // an unknown keyword counts as the first
    EXPECT_EQ(window.StatusText(), "Profile applied: odd");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("unknown key: --widht = 5\r\n"
                                         "unknown keyword: --wm-text-position = upperleft"),
              std::string::npos)
        << dialogs.asked[0].text;

    // A file that cannot be read changes nothing.
    dialogs.asked.clear();
    dialogs.files = {{fixture.dir.Join("missing.ini")}};
    window.RunCommand(kCommandLoadProfile);
    EXPECT_EQ(settings.imageWidth, 40);
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(ProfilesWindowTest, PastedCommandLineWritesTheWindowsDocumentsByteForByte) {
    // Paths a shell would split or expand unquoted.
    const std::string inFolder = fixture.dir.Join("in $HOME 'q' \u00fc");
    std::filesystem::create_directories(inFolder);
    testsupport::BmpSpec spec;
    spec.width = 40;
    spec.height = 30;
    for (int i = 0; i < 40 * 30; ++i)
        spec.pixels.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i / 3), 90, 255});
    const std::vector<uint8_t> bytes = testsupport::MakeBmp(spec);
    for (const std::string name : {"a b.bmp", "%filename%.bmp"})
        ASSERT_TRUE(WriteBytes(inFolder + "/" + name, std::string(bytes.begin(), bytes.end())));
    const std::string byWindow = fixture.dir.Join("by window");
    const std::string byShell = fixture.dir.Join("by \"shell\"");
    std::filesystem::create_directories(byWindow);
    std::filesystem::create_directories(byShell);

    Set(kRichSetup);
    window.InputField()->setText(QString::fromStdString(
        InputListText({inFolder + "/a b.bmp", inFolder + "/%filename%.bmp"})));
    window.OutputFolderField()->setEditText(QString::fromStdString(byWindow));
    Convert();
    ASSERT_EQ(window.StatusText(), "Conversion complete") << dialogs.asked.size();

    window.OutputFolderField()->setEditText(QString::fromStdString(byShell));
    window.RunCommand(kCommandCopyCommandLine);
    EXPECT_EQ(window.StatusText(), "Command line copied to the clipboard");
    const std::string line = QApplication::clipboard()->text().toStdString();
    ChildOptions child;
    child.program = "/bin/sh";
    // The line names the program as installed; here it is the one just built.
    child.args = {"-c", "pictorbcmd() { \"$PICTORBCMD\" \"$@\"; }; " + line};
    child.environment = IsolatedEnvironment(fixture.dir.Join("shell"));
    child.environment.emplace_back("PICTORBCMD", PICTORBCMD_PATH);
    const ChildResult run = RunChild(child);
    ASSERT_TRUE(run.exited) << line;

    const Args names = {"a b_w.psd", "%filename%_w.psd"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto window = ReadBytes(byWindow + "/" + name);
        ASSERT_TRUE(window.has_value());
        EXPECT_EQ(ReadBytes(byShell + "/" + name), window) << line;
    }

    // The preferences' button copies what the dialog shows, before OK.
    PreferencesDialog dialog(fixture.context, &window, PreferencesPage::General);
    ASSERT_NE(dialog.CopyCommandLineButton(), nullptr);
    ConversionSettings shown = dialog.CurrentSettings();
    EXPECT_EQ(OptionSettings(shown), OptionSettings(settings));
    dialog.CopyCommandLineButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), line);
}

}  // namespace
}  // namespace pictorb::test
