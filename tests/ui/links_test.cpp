// The link commands, the About window, the converter finder and the uninstall prompt, driven
// through their widgets with the desktop's answers scripted.

#include "ui/links.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

const std::string kSite = "https://www.corvalen.example";

template <typename T>
T* Find(QWidget* parent, const char* name) {
    T* widget = parent != nullptr ? parent->findChild<T*>(name) : nullptr;
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class LinksTest : public ::testing::Test {
  protected:
    DesktopFixture fixture;
    ScriptedDialogs& dialogs = fixture.dialogs;
    MainWindow window{fixture.context};

    QDialog* Open(int32_t command, const char* name) {
        window.RunCommand(command);
        return Find<QDialog>(&window, name);
    }
};

TEST_F(LinksTest, CommandsOpenTheirLinks) {
    window.RunCommand(kCommandFeedback);
    window.RunCommand(kCommandHomepage);
    ASSERT_EQ(dialogs.opened.size(), 2u);
    EXPECT_EQ(dialogs.opened[0],
              "mailto:support@corvalen.example?subject=Corvalen%20Pictorb%202.2%20Feedback");
    EXPECT_EQ(dialogs.opened[1], kSite + "/pictorb/");
}

TEST_F(LinksTest, ManualOpensOrSaysItIsNotInstalled) {
    const std::string manual = fixture.dir.Join("index.html");
    OpenManualAt(fixture.context, manual);
    EXPECT_TRUE(dialogs.opened.empty());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dialogs.asked[0].text,
              "The user manual is not installed. It was looked for here:\r\n" + manual);

    WriteBytes(manual, "<html>");
    OpenManualAt(fixture.context, manual);
    OpenManualAt(fixture.context, manual, "watermark");  // F1 in a preferences page
    EXPECT_EQ(dialogs.opened, (std::vector<std::string>{manual, manual + "#watermark"}));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(LinksTest, ManualIsFoundInstalledOrInTheBuildFolder) {
    const std::string root = fixture.dir.Join("prefix");
    const std::string bin = root + "/bin/";
    std::filesystem::create_directories(bin + "doc");
    const std::string installed = root + "/share/doc/pictorb/index.html";
    EXPECT_EQ(ManualLocation(bin), installed) << "neither: the installed path";
    WriteBytes(bin + "doc/index.html", "<html>");
    EXPECT_EQ(ManualLocation(bin), bin + "doc/index.html");
    std::filesystem::create_directories(root + "/share/doc/pictorb");
    WriteBytes(installed, "<html>");
    EXPECT_EQ(ManualLocation(bin), installed);
}

TEST_F(LinksTest, AboutWindowLinksOpenWithoutClosingIt) {
    QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
    ASSERT_TRUE(about);
    EXPECT_EQ(about->size(), QSize(360, 420));
    EXPECT_EQ(about->windowTitle(), "About...");
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    auto* banner = Find<QLabel>(about, "banner");
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->pixmap().size(), QSize(360, 40));
    auto* web = Find<QLabel>(about, "webLink");
    auto* mail = Find<QLabel>(about, "emailLink");
    ASSERT_TRUE(web && mail);
    EXPECT_TRUE(web->text().contains("www.corvalen.example"));
    emit web->linkActivated(QString::fromStdString(kSite));
    emit mail->linkActivated("mailto:support@corvalen.example");
    EXPECT_EQ(dialogs.opened, (std::vector<std::string>{kSite, "mailto:support@corvalen.example"}));
    EXPECT_TRUE(about->isVisible());

    // Escape acts as OK: the window closes and frees itself.
    QTest::keyClick(about, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(about);
}

TEST_F(LinksTest, AboutReturnIsOkWhereverTheFocusIs) {
    for (const char* focused : {"webLink", "emailLink", "aboutDetails", "okButton"}) {
        SCOPED_TRACE(focused);
        dialogs.opened.clear();
        QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
        ASSERT_TRUE(about);
        auto* widget = Find<QWidget>(about, focused);
        ASSERT_NE(widget, nullptr);
        // Tab as the user would; on a link a further Tab selects the link itself, on which
        // Return would otherwise open it.
        QApplication::setActiveWindow(about);
        for (int i = 0; i < 8 && QApplication::focusWidget() != widget; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(widget->hasFocus());
        if (auto* link = qobject_cast<QLabel*>(widget)) {
            QTest::keyClick(link, Qt::Key_Tab);
            ASSERT_FALSE(link->selectedText().isEmpty());
        }
        QTest::keyClick(widget, Qt::Key_Return);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(about);
        EXPECT_TRUE(dialogs.opened.empty());
    }
    // Space opens the focused link and leaves the window open.
    QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
    QTest::keyClick(Find<QWidget>(about, "emailLink"), Qt::Key_Space);
    EXPECT_EQ(dialogs.opened, std::vector<std::string>{"mailto:support@corvalen.example"});
    EXPECT_TRUE(about);
    about->close();
}

// A dark scheme sets its own link colour; a fixed blue would be unreadable on it.
TEST_F(LinksTest, AboutLinksTakeThePalettesLinkColour) {
    const QPalette before = QApplication::palette();
    QPalette scheme = before;
    const QColor link(230, 120, 20);
    scheme.setColor(QPalette::Link, link);
    QApplication::setPalette(scheme);
    QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
    auto* web = Find<QLabel>(about, "webLink");
    ASSERT_NE(web, nullptr);
    const QImage drawn = web->grab().toImage();
    QApplication::setPalette(before);
    about->close();
    int linkPixels = 0, bluePixels = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor pixel = drawn.pixelColor(x, y);
            linkPixels += pixel.rgb() == link.rgb() ? 1 : 0;
            bluePixels += pixel.rgb() == QColor(Qt::blue).rgb() ? 1 : 0;
        }
    }
    EXPECT_GT(linkPixels, 10);
    EXPECT_EQ(bluePixels, 0);
}

// About names exactly the libraries the program's parts load (their ELF "NEEDED" entries),
// apart from the C and C++ runtime: none that is gone, none that is missing.
TEST_F(LinksTest, AboutNamesExactlyTheLibrariesTheProgramLinks) {
    const std::string program = PICTORBCMD_PATH;
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    std::set<std::string> needed;
    for (const std::string& part :
         std::vector<std::string>{program, folder + "pictorb-engine.so", folder + "pictorb-draw.so",
                                  folder + "pictorb-desktop.so"}) {
        ChildOptions child;
        child.program = "/usr/bin/readelf";
        child.args = {"-d", part};
        const ChildResult result = RunChild(child);
        ASSERT_TRUE(result.exited && result.exitCode == 0) << part << result.err;
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t open = line.find("(NEEDED)");
            if (open == std::string::npos) continue;
            const std::size_t from = line.find('[') + 1;
            const std::string file = line.substr(from, line.find(".so", from) - from);
            // The C and C++ runtimes, and a sanitizer build's own, are not shipped libraries.
            const bool runtime = file == "libc" || file == "libm" || file == "libstdc++" ||
                                 file == "libgcc_s" || file.starts_with("ld-linux") ||
                                 file == "libasan" || file == "libubsan" || file == "libtsan";
            if (!runtime) needed.insert(file);
        }
    }
    std::set<std::string> named;
    for (const LinkedLibrary& library : LinkedLibraries())
        for (const char* file : library.files)
            if (file != nullptr) named.insert(file);
    EXPECT_EQ(named, needed);

    QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
    const QString text = Find<QPlainTextEdit>(about, "aboutDetails")->toPlainText();
    for (const LinkedLibrary& library : LinkedLibraries())
        EXPECT_TRUE(text.contains(QString(library.name) + ": " + library.licence)) << library.name;
    EXPECT_FALSE(text.contains("DevIL"));
    about->close();
}

// No browser, mail program or file manager: the command says so with the address to copy.
TEST_F(LinksTest, NothingToOpenWithShowsTheAddress) {
    const std::string manual = fixture.dir.Join("manual.html");
    WriteBytes(manual, "<html></html>");
    dialogs.nothingOpens = true;
    const std::vector<std::pair<std::function<void()>, std::string>> commands = {
        {[&] { OpenManualAt(fixture.context, manual, "watermark"); }, manual},
        {[&] { window.RunCommand(kCommandFeedback); }, "support@corvalen.example"},
        {[&] { window.RunCommand(kCommandHomepage); }, kSite + "/pictorb/"},
    };
    for (const auto& [run, address] : commands) {
        SCOPED_TRACE(address);
        dialogs.asked.clear();
        run();
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].text, "No program on this computer could open:\r\n" + address +
                                             "\r\n\r\nSelect the text above to copy it.");
    }
}

TEST_F(LinksTest, AboutNamesVersionBuildAndLibraryLicencesAsCopyableText) {
    QPointer<QDialog> about = Open(kCommandAbout, "aboutWindow");
    auto* details = Find<QPlainTextEdit>(about, "aboutDetails");
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(details->isReadOnly());
    EXPECT_TRUE(details->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(details->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    const QString text = details->toPlainText();
    EXPECT_TRUE(text.startsWith("Corvalen Pictorb 2.2 (220)\nBuild: ")) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Qt %1").arg(qVersion()))) << text.toStdString();
    EXPECT_TRUE(text.contains("FreeImage 3: FreeImage Public License")) << text.toStdString();
    about->close();
}

TEST_F(LinksTest, FinderFiltersBothFieldsOrWarns) {
    struct Case {
        const char* from;
        const char* to;
        std::string opened;  // empty: the warning, window stays open
    };
    const Case cases[] = {
        {"Bmp", "P S D!", kSite + "/find/bmp-psd/"},
        {"abc.def.ghi.jklmnopq", "psd", kSite + "/find/abcdefghi-psd/"},  // 20 cut to 12
        {"\u00C4\u00C4\u00C4\u00C4\u00C4\u00C4ab", "TIFF", kSite + "/find/ab-tiff/"},
        {"...", "psd", ""},
        {"bmp", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        dialogs.asked.clear();
        dialogs.opened.clear();
        QPointer<QDialog> finder = Open(kCommandFindConverter, "converterFinder");
        ASSERT_TRUE(finder);
        EXPECT_EQ(finder->size(), QSize(370, 60));
        EXPECT_EQ(finder->windowTitle(), "Find a File Converter");
        auto* from = Find<QLineEdit>(finder, "fromField");
        auto* to = Find<QLineEdit>(finder, "toField");
        from->setText(QString::fromUtf8(c.from));
        to->setText(QString::fromUtf8(c.to));
        Find<QPushButton>(finder, "searchButton")->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (c.opened.empty()) {
            EXPECT_TRUE(dialogs.opened.empty());
            ASSERT_EQ(dialogs.asked.size(), 1u);
            EXPECT_EQ(dialogs.asked[0].title, "Warning");
            EXPECT_EQ(dialogs.asked[0].text, "Please, fill all required fields and try again!");
            ASSERT_TRUE(finder);
            EXPECT_TRUE(finder->isVisible());
            EXPECT_EQ(from->text(), QString::fromUtf8(c.from));
            finder->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            EXPECT_EQ(dialogs.opened, std::vector<std::string>{c.opened});
            EXPECT_TRUE(dialogs.asked.empty());
        }
        EXPECT_FALSE(finder);
    }
}

TEST_F(LinksTest, FinderSearchesOnReturn) {
    QPointer<QDialog> finder = Open(kCommandFindConverter, "converterFinder");
    ASSERT_TRUE(finder);
    auto* from = Find<QLineEdit>(finder, "fromField");
    from->setText("bmp");
    Find<QLineEdit>(finder, "toField")->setText("psd");
    QTest::keyClick(from, Qt::Key_Return);
    EXPECT_EQ(dialogs.opened, std::vector<std::string>{kSite + "/find/bmp-psd/"});
}

// Runs the prompt; `act` gets the open prompt once its loop runs.
void RunPrompt(DesktopContext& context, const std::function<void(QDialog&)>& act) {
    QTimer::singleShot(0, [&] {
        auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(prompt, nullptr);
        act(*prompt);
        if (prompt->isVisible()) prompt->reject();  // never leave the test hanging
    });
    RunUninstallPrompt(context);
}

TEST_F(LinksTest, UninstallPromptOpensThePageOnlyWhenChecked) {
    const std::string page = kSite + "/pictorb/uninstall.html";
    struct Case {
        const char* label;
        bool uncheck;
        bool next;  // false: the close box
        bool opens;
    };
    const Case cases[] = {
        {"checked, Next", false, true, true},
        {"cleared, Next", true, true, false},
        {"close box", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        dialogs.opened.clear();
        RunPrompt(fixture.context, [&](QDialog& prompt) {
            EXPECT_EQ(prompt.size(), QSize(300, 100));
            EXPECT_EQ(prompt.windowTitle(), "Uninstall");
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            EXPECT_LE((prompt.geometry().center() - screen.center()).manhattanLength(), 2);
            auto* check = Find<QCheckBox>(&prompt, "uninstallCheck");
            auto* next = Find<QPushButton>(&prompt, "nextButton");
            ASSERT_TRUE(check && next);
            EXPECT_TRUE(check->isChecked());
            EXPECT_EQ(check->text(), "Full Uninstall - Visit Uninstall Center");
            EXPECT_EQ(next->text(), "Next");
            if (c.uncheck) check->setChecked(false);
            if (c.next)
                next->click();
            else
                prompt.close();
        });
        EXPECT_EQ(dialogs.opened,
                  c.opens ? std::vector<std::string>{page} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace pictorb::test
