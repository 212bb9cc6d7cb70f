// The Convert command through the main window: its checks, the progress dialog, break-off,
// and the document it writes compared with the command line's.

#include "ui/convert.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cli/cli.h"
#include "pipeline/job.h"
#include "settings/settings.h"
#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/input_output.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

std::string BitmapBytes(int width, int height) {
    testsupport::BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < spec.pixels.size(); ++i)
        spec.pixels[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 7),
                          static_cast<uint8_t>(i / 131), 255};
    const std::vector<uint8_t> bytes = testsupport::MakeBmp(spec);
    return std::string(bytes.begin(), bytes.end());
}

// Runs the event loop as a nested dialog would, for `ms` milliseconds.
void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class ConvertTest : public ::testing::Test {
  protected:
    DesktopFixture fixture;
    ConversionSettings& settings = fixture.state.settings;
    MainWindow window{fixture.context};
    std::string outDir = fixture.dir.Join("out") + "/";

    ConvertTest() { std::filesystem::create_directories(outDir); }

    std::string Bitmap(const std::string& name, int width = 8, int height = 6) {
        const std::string path = fixture.dir.Join(name);
        WriteBytes(path, BitmapBytes(width, height));
        return path;
    }
    void Fill(const std::string& input, const std::string& folder) {
        window.InputField()->setText(QString::fromStdString(input));
        window.OutputFolderField()->setEditText(QString::fromStdString(folder));
    }
    // Presses Convert; `whileOpen` is called every few milliseconds with the progress dialog
    // until it returns true, then the dialog is closed with its OK button once it may be.
    void Convert(const std::function<bool(ProgressDialog&)>& whileOpen = {}) {
        QTimer timer;
        bool done = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = window.findChild<ProgressDialog*>();
            if (dialog == nullptr || !dialog->isVisible()) return;
            if (!done && whileOpen) done = whileOpen(*dialog);
            if ((done || !whileOpen) && dialog->WorkerEnded()) dialog->OkButton()->click();
        });
        timer.start(5);
        window.RunCommand(kCommandConvert);
    }
    std::string LastWarning() const {
        return fixture.dialogs.asked.empty() ? "" : fixture.dialogs.asked.back().text;
    }
};

TEST_F(ConvertTest, EachFailedCheckWarnsAndConvertsNothing) {
    const std::string good = Bitmap("photo.bmp");
    const std::string stopped = "Conversion stopped";
    WriteBytes(fixture.dir.Join("photo.png"), BitmapBytes(2, 2));
    WriteBytes(fixture.dir.Join("empty.bmp"), "");
    struct Case {
        const char* name;
        std::string input, folder;
        std::function<void(ConversionSettings&)> set;
        std::string warning, status;
    };
    const std::string noInput = "No input file(s) found. Please, add valid file(s) and try again!";
    const std::vector<Case> cases = {
        {"extension not accepted", fixture.dir.Join("photo.png"), outDir, {}, noInput, stopped},
        {"empty file", fixture.dir.Join("empty.bmp"), outDir, {}, noInput, stopped},
        {"missing file", fixture.dir.Join("missing.bmp"), outDir, {}, noInput, stopped},
        {"empty folder",
         good,
         "  ",
         {},
         "The output folder's field is empty. Please, select existed output folder and try again!",
         stopped},
        {"folder typed without /",
         good,
         fixture.dir.Join("nowhere"),
         {},
         "The following output folder is invalid or doesn't exist:\r\n" +
             fixture.dir.Join("nowhere/") +
             "\r\n\r\nPlease, correct the output path and try again!",
         stopped},
        {"width and height 0", good, outDir,
         [](ConversionSettings& s) { s.doImageResize = 1, s.imageWidth = 0, s.imageHeight = 0; },
         "Invalid resize width value!", stopped},
        {"height 0", good, outDir,
         [](ConversionSettings& s) { s.doImageResize = 1, s.imageWidth = 5, s.imageHeight = 0; },
         "Invalid resize height value!", stopped},
        {"empty watermark image", good, outDir,
         [](ConversionSettings& s) { s.doWatermark = 2, s.image = ""; },
         "Selected watermark image is invalid/empty!", "Preparing..."},
        {"missing watermark image", good, outDir,
         [](ConversionSettings& s) { s.doWatermark = 2, s.image = "/no/such.png"; },
         "Unable to load selected file as a watermark image: /no/such.png", "Preparing..."},
        {"unloadable font", good, outDir,
         [](ConversionSettings& s) { s.doWatermark = 1, s.font = ""; },
         "Unable to load selected font for a watermark: ", "Preparing..."},
    };
    const ConversionSettings defaults = settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings = defaults;
        if (c.set) c.set(settings);
        Fill(c.input, c.folder);
        const std::size_t asked = fixture.dialogs.asked.size();
        window.RunCommand(kCommandConvert);
        ASSERT_EQ(fixture.dialogs.asked.size(), asked + 1);
        EXPECT_EQ(LastWarning().substr(0, c.warning.size()), c.warning);
        EXPECT_EQ(fixture.dialogs.asked.back().title, "Warning");
        EXPECT_EQ(window.StatusText(), c.status);
        EXPECT_TRUE(std::filesystem::is_empty(outDir));
    }
}

TEST_F(ConvertTest, ConvertsThroughTheProgressDialog) {
    const std::string input = Bitmap("photo.bmp", 120, 90);
    Fill(input, outDir.substr(0, outDir.size() - 1));  // typed without the final '/'
    std::string label;
    bool mainWindowDisabled = false;
    Convert([&](ProgressDialog& dialog) {
        mainWindowDisabled = mainWindowDisabled || !window.isEnabled();
        if (!dialog.WorkerEnded()) return false;
        label = dialog.Label()->text().toStdString();
        EXPECT_EQ(dialog.windowTitle(), "Conversion complete (1/1)");
        EXPECT_EQ(dialog.Bar()->value(), 2);
        return true;
    });
    EXPECT_TRUE(mainWindowDisabled);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(label, "Files converted: 1 of 1");
    EXPECT_EQ(window.StatusText(), "Conversion complete");
    EXPECT_TRUE(std::filesystem::is_regular_file(outDir + "photo.psd"));
    // The folder used heads the recent list, with its '/'.
    EXPECT_EQ(window.OutputFolderField()->itemText(0).toStdString(), outDir);
}

TEST_F(ConvertTest, BreakOffAnsweredNoGoesOnYesStopsAfterTheCurrentFile) {
    const std::string input = Bitmap("big.bmp", 3000, 2000);
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        SCOPED_TRACE(answer == MessageAnswer::Yes ? "Yes" : "No");
        std::filesystem::remove(outDir + "big.psd");
        Fill(input, outDir);
        fixture.dialogs.answers.push_back(answer);
        std::string title;
        bool asked = false;
        Convert([&](ProgressDialog& dialog) {
            // Close as soon as the file is in progress, then wait for the outcome.
            if (!asked && dialog.windowTitle() == "Converting (1/1)") {
                asked = true;
                dialog.reject();
            }
            if (!dialog.WorkerEnded()) return false;
            title = dialog.windowTitle().toStdString();
            return true;
        });
        ASSERT_TRUE(asked);
        EXPECT_EQ(fixture.dialogs.asked.back().text, "Do you want to break the conversion?");
        // The file in progress is always finished, never cut off.
        EXPECT_TRUE(std::filesystem::is_regular_file(outDir + "big.psd"));
        if (answer == MessageAnswer::Yes) {
            EXPECT_EQ(title, "Conversion stopped (1/1)");
            EXPECT_EQ(window.StatusText(), "Conversion stopped");
        } else {
            EXPECT_EQ(title, "Conversion complete (1/1)");
        }
    }
}

// The user answers only after the last file has finished: the dialog waited for the answer,
// so Yes still counts and the outcome says the conversion was broken off.
TEST_F(ConvertTest, BreakOffYesCountsWhenTheFileFinishesWhileAsked) {
    const std::string input = Bitmap("big.bmp", 2000, 1500);
    Fill(input, outDir);
    fixture.dialogs.answers.push_back(MessageAnswer::Yes);
    fixture.dialogs.beforeAnswer = [&] {
        // The question's own event loop runs while the user thinks.
        for (int i = 0; i < 2000 && !std::filesystem::exists(outDir + "big.psd"); ++i)
            RunEventsFor(5);
        RunEventsFor(100);
    };
    std::string title;
    bool asked = false;
    Convert([&](ProgressDialog& dialog) {
        if (!asked && dialog.windowTitle() == "Converting (1/1)") {
            asked = true;
            dialog.reject();
        }
        if (!dialog.WorkerEnded()) return false;
        title = dialog.windowTitle().toStdString();
        return true;
    });
    ASSERT_TRUE(asked);
    EXPECT_TRUE(std::filesystem::is_regular_file(outDir + "big.psd"));
    EXPECT_EQ(title, "Conversion stopped (1/1)");
    EXPECT_EQ(window.StatusText(), "Conversion stopped");
}

// Paths typed by hand: "~/" is the home folder, a relative path is below the start folder.
TEST_F(ConvertTest, TypedPathsExpandTheHomeAndTheStartFolder) {
    const struct {
        const char* typed;
        const char* expected;
    } cases[] = {
        {"~/a.bmp", "/home/me/a.bmp"}, {"~", "/home/me/"}, {"sub/a.bmp", "/start/sub/a.bmp"},
        {"/abs/a.bmp", "/abs/a.bmp"},  {"", ""},           {"~other/a", "/start/~other/a"},
        {"./a.bmp", "/start/./a.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(ExpandTypedPath(c.typed, "/home/me/", "/start/"), c.expected);
    }
    test::ScopedEnv home("HOME", fixture.dir.Path());
    Bitmap("photo.bmp");
    std::filesystem::create_directories(fixture.dir.Join("typed"));
    Fill("~/photo.bmp", "~/typed");
    Convert();
    EXPECT_EQ(window.StatusText(), "Conversion complete");
    EXPECT_TRUE(std::filesystem::is_regular_file(fixture.dir.Join("typed/photo.psd")));
}

TEST_F(ConvertTest, ShortenPathKeepsEqualHalves) {
    EXPECT_EQ(ShortenPath("/short/path.bmp", 40), "/short/path.bmp");
    EXPECT_EQ(ShortenPath("abcdefghijklmnopqrstuvwxyz", 13), "abcde...vwxyz");
    EXPECT_EQ(ShortenPath("ääääbbbbcccc", 9), "äää...ccc");  // characters, not bytes
}

// The desktop writes exactly the file the command line writes with the same settings.
TEST_F(ConvertTest, WritesTheSameDocumentAsTheCommandLine) {
    const std::string input = Bitmap("same.bmp", 120, 90);
    const std::vector<std::string> options = {"--width=50",
                                              "--width-unit=percent",
                                              "--height=50",
                                              "--height-unit=percent",
                                              "--fr-solid-left=4",
                                              "--fr-solid-top=3",
                                              "--wm-text=Hello %width%",
                                              "--wm-font-size=10"};

    const std::string cliDir = fixture.dir.Join("cli");
    std::filesystem::create_directories(cliDir);
    ChildOptions child;
    child.program = PICTORBCMD_PATH;
    child.args = {"-i", input, "-o", cliDir};
    child.args.insert(child.args.end(), options.begin(), options.end());
    child.environment = IsolatedEnvironment(fixture.dir.Join("child"));
    const ChildResult result = RunChild(child);
    ASSERT_TRUE(result.exited);

    SetDefaults(settings, DefaultsFor::CommandLine, fixture.state.formats);
    ASSERT_TRUE(ParseOptions(fixture.state, options).error.empty());
    Fill(input, outDir);
    Convert();
    const auto fromCli = ReadBytes(cliDir + "/same.psd");
    const auto fromDesktop = ReadBytes(outDir + "same.psd");
    ASSERT_TRUE(fromCli && fromDesktop);
    EXPECT_TRUE(*fromCli == *fromDesktop);
}

}  // namespace
}  // namespace pictorb::test
