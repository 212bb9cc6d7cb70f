// Window sizes at the default font and at a large desktop font: the design's sizes are the
// least, every window grows to what its layout needs, and nothing is cut off or overlaps.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "support/process_runner.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Runs Convert in `window` and hands the finished progress dialog to `look` before closing it.
void LookAtFinishedDialog(MainWindow& window, const std::function<void(ProgressDialog&)>& look) {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = window.findChild<ProgressDialog*>();
        if (dialog == nullptr || !dialog->isVisible() || !dialog->WorkerEnded()) return;
        look(*dialog);
        dialog->accept();
    });
    timer.start(5);
    window.RunCommand(kCommandConvert);
}

class WindowSizesTest : public ::testing::TestWithParam<int> {
  protected:
    WindowSizesTest() : defaultFont_(QApplication::font()) {
        // As a desktop sets its font (KDE's kdeglobals, GNOME's settings): the application's
        // font, which every window takes.
        if (GetParam() > 0) QApplication::setFont(QFont("DejaVu Sans", GetParam()));
    }
    ~WindowSizesTest() override { QApplication::setFont(defaultFont_); }

    bool LargeFont() const { return GetParam() > 0; }
    // At the default font the design's size; at a large one at least that, as large as needed.
    void ExpectSize(const QWidget& window, QSize design) {
        if (LargeFont()) {
            EXPECT_TRUE(window.width() >= design.width() && window.height() >= design.height());
        } else {
            EXPECT_EQ(window.size(), design);
        }
        EXPECT_EQ(Joined(LayoutFaults(window)), "");
    }
    // The user may make it larger in both directions, and no smaller than its layout allows.
    static void ExpectResizable(const QWidget& window) {
        EXPECT_LT(window.minimumWidth(), window.maximumWidth());
        EXPECT_LT(window.minimumHeight(), window.maximumHeight());
        EXPECT_TRUE(window.minimumSize().expandedTo(window.minimumSizeHint()) ==
                    window.minimumSize());
    }

    DesktopFixture fixture;
    QFont defaultFont_;
};

TEST_P(WindowSizesTest, EveryWindowGrowsToItsLayout) {
    MainWindow window(fixture.context);
    window.PrepareForStart();
    window.show();
    QApplication::processEvents();
    {
        SCOPED_TRACE("main window");
        ExpectSize(window, QSize(510, 260));
        // The height stays fixed, at what the layout needs.
        EXPECT_EQ(window.minimumHeight(), window.maximumHeight());
    }
    {
        SCOPED_TRACE("preferences");
        PreferencesDialog dialog(fixture.context, &window, PreferencesPage::General);
        dialog.show();
        for (int page = 0; page < dialog.CategoryTree()->topLevelItemCount(); ++page) {
            SCOPED_TRACE(page);
            dialog.CategoryTree()->setCurrentItem(dialog.CategoryTree()->topLevelItem(page));
            QApplication::processEvents();
            ExpectSize(dialog, QSize(600, 350));
        }
        ExpectResizable(dialog);
    }
    {
        SCOPED_TRACE("finished dialog with its failure list");
        WriteBytes(fixture.dir.Join("broken.bmp"), "no bitmap");
        window.InputField()->setText(QString::fromStdString(fixture.dir.Join("broken.bmp")));
        window.OutputFolderField()->setEditText(QString::fromStdString(fixture.dir.Path()));
        bool looked = false;
        LookAtFinishedDialog(window, [&](ProgressDialog& dialog) {
            looked = true;
            ExpectSize(dialog, QSize(520, 300));
            ExpectResizable(dialog);
        });
        EXPECT_TRUE(looked);
    }
    for (const auto& [command, name, design] :
         {std::tuple{kCommandAbout, "aboutWindow", QSize(360, 420)},
          std::tuple{kCommandFindConverter, "converterFinder", QSize(370, 60)}}) {
        SCOPED_TRACE(name);
        window.RunCommand(command);
        auto* dialog = window.findChild<QDialog*>(name);
        ASSERT_NE(dialog, nullptr);
        QApplication::processEvents();
        ExpectSize(*dialog, design);
        dialog->close();
    }
}

INSTANTIATE_TEST_SUITE_P(DefaultAndLargeFont, WindowSizesTest, ::testing::Values(0, 15),
                         [](const auto& info) {
                             return info.param == 0 ? std::string("DefaultFont")
                                                    : "Font" + std::to_string(info.param) + "pt";
                         });

}  // namespace
}  // namespace pictorb::test
