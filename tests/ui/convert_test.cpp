// The Convert command through the main window: its checks, the progress dialog, break-off,
// and the document it writes compared with the command line's.

#include "ui/convert.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

#include "cli/cli.h"
#include "pipeline/job.h"
#include "settings/settings.h"
#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/input_output.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
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
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
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
    // Converts `input` (one file), closing the progress dialog while the file is in flight;
    // the dialog's last title. A fast machine can finish the file before the close lands, and
    // then nothing is asked: such a try is made again, with a fresh `answer`.
    std::optional<std::string> ConvertClosingMidway(const std::string& input,
                                                    MessageAnswer answer) {
        // A Lanczos resize keeps the file in flight for a good part of a second.
        settings.doImageResize = 1;
        settings.imageWidth = settings.imageHeight = 99;
        settings.imageWidthUnit = settings.imageHeightUnit = kUnitPercent;
        settings.imageResizeAlgorithm = 5;
        for (int attempt = 0; attempt < 5; ++attempt) {
            std::filesystem::remove(outDir + "big.psd");
            Fill(input, outDir);
            fixture.dialogs.answers = {answer};
            const std::size_t askedBefore = fixture.dialogs.asked.size();
            bool closed = false;
            std::string title;
            Convert([&](ProgressDialog& dialog) {
                if (!closed && dialog.windowTitle() == "Converting (1/1)") {
                    closed = true;
                    dialog.reject();
                }
                if (!dialog.WorkerEnded()) return false;
                title = dialog.windowTitle().toStdString();
                return true;
            });
            if (fixture.dialogs.asked.size() > askedBefore) return title;
        }
        return std::nullopt;
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
    const std::string nothing = fixture.dir.Join("nothing");
    std::filesystem::create_directories(nothing);
    WriteBytes(nothing + "/readme.txt", "text");
    const std::vector<Case> cases = {
        {"extension not accepted", fixture.dir.Join("photo.png"), outDir, {}, noInput, stopped},
        {"empty file", fixture.dir.Join("empty.bmp"), outDir, {}, noInput, stopped},
        {"missing file", fixture.dir.Join("missing.bmp"), outDir, {}, noInput, stopped},
        {"folder without bitmaps",
         nothing,
         outDir,
         {},
         "The following input folder holds no bitmap (.bmp, .rle, .dib):\r\n" + nothing +
             "\r\n\r\nPlease, correct the input path and try again!",
         stopped},
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

// Values the preferences' controls cannot hold but a hand-edited settings file can: the window
// refuses them as the command line does, with its reason.
TEST_F(ConvertTest, HandEditedValuesAreRefusedWithTheCommandLinesReason) {
    const std::string good = Bitmap("photo.bmp");
    struct Case {
        const char* text;  // the settings file's lines
        std::string warning;
    };
    const Case cases[] = {
        {"[Output]\r\nPSD BPP=24\r\n", "Invalid psd-bpp value"},
        {"[Output]\r\nPSD Compression=4\r\n", "Invalid psd-compression value"},
        {"[Adjustment]\r\nDo Image Color Correction=1\r\nImage Brightness=101\r\n",
         "Invalid brightness value"},
        {"[Adjustment]\r\nDo Image Color Correction=1\r\nImage Contrast=-300\r\n",
         "Invalid contrast value"},
        {"[Adjustment]\r\nDo Image Color Correction=1\r\nImage Gamma=0\r\n", "Invalid gamma value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LoadSettingsFromText(settings, c.text, fixture.state.formats);
        Fill(good, outDir);
        const std::size_t asked = fixture.dialogs.asked.size();
        window.RunCommand(kCommandConvert);
        ASSERT_EQ(fixture.dialogs.asked.size(), asked + 1);
        EXPECT_EQ(LastWarning(), c.warning);
        EXPECT_EQ(window.StatusText(), "Conversion stopped");
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
        const std::optional<std::string> title = ConvertClosingMidway(input, answer);
        ASSERT_TRUE(title) << "the file was always converted before the dialog could be closed";
        EXPECT_EQ(fixture.dialogs.asked.back().text, "Do you want to break the conversion?");
        // The file in progress is always finished, never cut off.
        EXPECT_TRUE(std::filesystem::is_regular_file(outDir + "big.psd"));
        if (answer == MessageAnswer::Yes) {
            EXPECT_EQ(*title, "Conversion stopped (1/1)");
            EXPECT_EQ(window.StatusText(), "Conversion stopped");
        } else {
            EXPECT_EQ(*title, "Conversion complete (1/1)");
        }
    }
}

// The user answers only after the last file has finished: the dialog waited for the answer,
// so Yes still counts and the outcome says the conversion was broken off.
TEST_F(ConvertTest, BreakOffYesCountsWhenTheFileFinishesWhileAsked) {
    const std::string input = Bitmap("big.bmp", 3000, 2000);
    fixture.dialogs.beforeAnswer = [&] {
        // The question's own event loop runs while the user thinks.
        for (int i = 0; i < 2000 && !std::filesystem::exists(outDir + "big.psd"); ++i)
            RunEventsFor(5);
        RunEventsFor(100);
    };
    const std::optional<std::string> title = ConvertClosingMidway(input, MessageAnswer::Yes);
    ASSERT_TRUE(title) << "the file was always converted before the dialog could be closed";
    EXPECT_TRUE(std::filesystem::is_regular_file(outDir + "big.psd"));
    EXPECT_EQ(*title, "Conversion stopped (1/1)");
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

// Documents written below `folder`, as paths relative to it, sorted.
std::vector<std::string> Written(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            found.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(found.begin(), found.end());
    return found;
}

// A folder (with and without its subfolders, the tree kept or not) and a typed list convert
// every input they name, and nothing else.
TEST_F(ConvertTest, FoldersAndTypedListsConvertEveryInputTheyName) {
    const std::string a = Bitmap("in/a.bmp"), b = Bitmap("in/deep/b.bmp");
    Bitmap("in/deep/c.BMP");
    WriteBytes(fixture.dir.Join("in/notes.txt"), "not a picture");
    const std::string in = fixture.dir.Join("in");
    struct Case {
        const char* name;
        std::string typed;
        int8_t include, keep;
        std::vector<std::string> written;
        std::string status = "Conversion complete";
    };
    const std::vector<Case> cases = {
        {"folder alone", in, 0, 1, {"a.psd"}},
        {"folder with its subfolders, tree kept",
         in + "/",
         1,
         1,
         {"a.psd", "deep/b.psd", "deep/c.psd"}},
        {"folder with its subfolders, flat", in, 1, 0, {"a.psd", "b.psd", "c.psd"}},
        {"typed list",
         "\"" + a + "\"  \"" + fixture.dir.Join("missing.bmp") + "\" \"" + b + "\"",
         1,
         1,
         {"a.psd", "b.psd"},
         "Files converted: 2 of 2"},  // the missing file is listed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(outDir);
        std::filesystem::create_directories(outDir);
        settings.includeSubfolders = c.include;
        settings.keepSubfolders = c.keep;
        Fill(c.typed, outDir);
        Convert();
        EXPECT_EQ(window.StatusText(), c.status);
        EXPECT_EQ(Written(outDir), c.written);
    }
}

// Include and Keep Subfolders set on the Advanced page are what the next folder conversion uses.
TEST_F(ConvertTest, SubfolderSettingsFromThePreferences) {
    Bitmap("tree/top.bmp");
    Bitmap("tree/below/inner.bmp");
    settings.includeSubfolders = 0;
    settings.keepSubfolders = 0;
    {
        PreferencesDialog dialog(fixture.context, &window, PreferencesPage::Advanced);
        dialog.show();
        for (const char* key : {"Include Subfolders", "Keep Subfolders"}) {
            auto* check = qobject_cast<QCheckBox*>(dialog.Control("Advanced", key));
            ASSERT_NE(check, nullptr) << key;
            EXPECT_TRUE(dialog.RowShown("Advanced", key)) << key;
            check->setChecked(true);
        }
        dialog.OkButton()->click();
    }
    Fill(fixture.dir.Join("tree"), outDir);
    Convert();
    EXPECT_EQ(Written(outDir), (std::vector<std::string>{"below/inner.psd", "top.psd"}));
}

// The lines of the finished dialog's list of files not converted, joined by '\n'.
std::string Lines(const QListWidget& list) {
    QStringList lines;
    for (int row = 0; row < list.count(); ++row) lines << list.item(row)->text();
    return lines.join('\n').toStdString();
}

// Failed files, and inputs of a typed list that cannot be used, are listed with the reason the
// command line gives, copyable; the status bar counts what was converted. A single failed file
// gets its reason too.
TEST_F(ConvertTest, FinishedDialogListsFailedFilesWithTheirReasons) {
    const std::string good = Bitmap("set/good1.bmp");
    Bitmap("set/good2.bmp");
    const std::string broken = fixture.dir.Join("set/broken.bmp");
    const std::string empty = fixture.dir.Join("set/empty.bmp");
    const std::string missing = fixture.dir.Join("missing.bmp");
    const std::string png = fixture.dir.Join("red.png");
    WriteBytes(broken, "this is no bitmap at all, just text");
    WriteBytes(empty, "");
    WriteBytes(png, BitmapBytes(2, 2));
    // The command line's lines for the typed list, without their "Error: ".
    ChildOptions child;
    child.program = PICTORBCMD_PATH;
    child.args = {"-i", good, missing, png, "-o", fixture.dir.Join("cli")};
    std::filesystem::create_directories(fixture.dir.Join("cli"));
    child.environment = IsolatedEnvironment(fixture.dir.Join("child"));
    std::string cliLines, cliCount;
    for (const std::string& line : SplitCrLfLines(DecodeUtf16Le(RunChild(child).out))) {
        if (line.starts_with("Error: "))
            cliLines += (cliLines.empty() ? "" : "\n") + line.substr(7);
        if (line.starts_with("Files converted")) cliCount = line;
    }
    EXPECT_EQ(cliCount, "Files converted: 1 of 1");
    struct Case {
        const char* name;
        std::string typed;
        std::string list, status;
    };
    const std::vector<Case> cases = {
        {"two failed of four", fixture.dir.Join("set"),
         broken + ": not a Windows bitmap\n" + empty + ": empty file", "Files converted: 2 of 4"},
        {"the single file", broken, broken + ": not a Windows bitmap", "Files converted: 0 of 1"},
        {"a typed list with inputs it cannot use",
         "\"" + good + "\" \"" + missing + "\" \"" + png + "\"", cliLines, cliCount},
    };
    settings.threads = 1;  // failures listed in the order taken
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(c.typed, outDir);
        std::string list, label;
        Convert([&](ProgressDialog& dialog) {
            if (!dialog.WorkerEnded()) return false;
            label = dialog.Label()->text().toStdString();
            if (!dialog.FailureList()->isVisible()) return true;
            list = Lines(*dialog.FailureList());
            dialog.CopyButton()->click();
            return true;
        });
        EXPECT_EQ(list, c.list);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), c.list);
        EXPECT_EQ(window.StatusText(), c.status);
        EXPECT_EQ(label, c.status);
    }
    {
        SCOPED_TRACE("nothing of the list can be used");
        Fill("\"" + missing + "\" \"" + png + "\"", outDir);
        window.RunCommand(kCommandConvert);
        EXPECT_EQ(LastWarning(),
                  "No input file(s) found. Please, add valid file(s) and try again!\r\n\r\n" +
                      missing + ": no such file or folder\r\n" + png +
                      ": not a bitmap (.bmp, .rle, .dib)");
    }
}

// The finished dialog: lines of the failure list chosen with Shift and the arrows are what
// Ctrl+C and Copy copy; Open Output Folder shows the folder, or its path where nothing can.
TEST_F(ConvertTest, FinishedDialogCopiesSelectedLinesAndOpensTheOutputFolder) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WriteBytes(fixture.dir.Join(name), "no");
    Fill("\"" + fixture.dir.Join("a.bmp") + "\" \"" + fixture.dir.Join("b.bmp") + "\" \"" +
             fixture.dir.Join("c.bmp") + "\"",
         outDir);
    settings.threads = 1;
    std::string copied, copiedByButton;
    Convert([&](ProgressDialog& dialog) {
        if (!dialog.WorkerEnded()) return false;
        QListWidget* list = dialog.FailureList();
        list->setFocus();
        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        copied = QApplication::clipboard()->text().toStdString();
        QApplication::clipboard()->clear();
        dialog.CopyButton()->click();
        copiedByButton = QApplication::clipboard()->text().toStdString();
        EXPECT_TRUE(dialog.OpenFolderButton()->isVisible());
        dialog.OpenFolderButton()->click();
        fixture.dialogs.nothingOpens = true;
        dialog.OpenFolderButton()->click();
        return true;
    });
    const std::string expected = fixture.dir.Join("b.bmp") + ": not a Windows bitmap\n" +
                                 fixture.dir.Join("c.bmp") + ": not a Windows bitmap";
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(copiedByButton, expected);
    EXPECT_EQ(fixture.dialogs.opened, (std::vector<std::string>{outDir, outDir}));
    ASSERT_FALSE(fixture.dialogs.asked.empty());
    EXPECT_NE(LastWarning().find("\r\n" + outDir + "\r\n"), std::string::npos);
}

// Break-off in a batch with the Stop button: no file is taken after the answer, the ones taken
// are finished, and the dialog says how many were written below "Conversion stopped".
TEST_F(ConvertTest, BreakOffInABatchStopsTakingFilesAndCountsThem) {
    for (int i = 0; i < 20; ++i) Bitmap("many/" + std::to_string(100 + i) + ".bmp", 1000, 700);
    settings.threads = 2;
    Fill(fixture.dir.Join("many"), outDir);
    fixture.dialogs.answers.push_back(MessageAnswer::Yes);
    bool asked = false;
    int finishedBefore = -1;
    std::string button, label, count, buttonAtEnd;
    int bar = -1;
    Convert([&](ProgressDialog& dialog) {
        // Asked at once: the gate closes before the batch could end on its own.
        if (!asked && dialog.windowTitle().startsWith("Converting")) {
            asked = true;
            finishedBefore = dialog.Bar()->value();
            button = dialog.OkButton()->text().toStdString();
            EXPECT_TRUE(dialog.OkButton()->isEnabled());
            dialog.OkButton()->click();
        }
        if (!dialog.WorkerEnded()) return false;
        label = dialog.Label()->text().toStdString();
        count = dialog.CountLabel()->isVisible() ? dialog.CountLabel()->text().toStdString() : "";
        bar = dialog.Bar()->value();
        buttonAtEnd = dialog.OkButton()->text().toStdString();
        return true;
    });
    ASSERT_TRUE(asked);
    EXPECT_EQ(button, "Stop");
    EXPECT_EQ(fixture.dialogs.asked.back().text, "Do you want to break the conversion?");
    const std::vector<std::string> written = Written(outDir);
    EXPECT_GE(static_cast<int>(written.size()), finishedBefore);
    EXPECT_LT(written.size(), 20u);
    EXPECT_EQ(window.StatusText(), "Conversion stopped");
    EXPECT_EQ(label, "Conversion stopped");
    EXPECT_EQ(count, "Files converted: " + std::to_string(written.size()) + " of 20");
    EXPECT_EQ(bar, static_cast<int>(written.size()));
    EXPECT_EQ(buttonAtEnd, "OK");
    // The files in flight were finished, not cut off: no temporary file is left.
    for (const std::string& name : written) EXPECT_TRUE(name.ends_with(".psd")) << name;
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
