// The windows in a desktop session that sets its colours and font in kdeglobals, as KDE does,
// and Qt follows: run by tests/x11/kde_session_test.sh on a real X display with a full dark
// scheme and a 15-point font. Skipped elsewhere.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

TEST(KdeSession, DarkSchemeAndLargeFontFromKdeglobals) {
    if (std::getenv("PICTORB_KDE_SESSION") == nullptr)
        GTEST_SKIP() << "run by tests/x11/kde_session_test.sh";
    // Made before the fixture points XDG_CONFIG_HOME at its own folder: Qt reads the
    // session's kdeglobals once, when the application starts.
    EnsureApplication();
    DesktopFixture fixture;
    // Qt read the session's kdeglobals: the test means nothing otherwise.
    ASSERT_EQ(QApplication::font().pointSize(), 15);
    ASSERT_EQ(QApplication::palette().color(QPalette::Window), QColor(42, 46, 50));

    MainWindow window(fixture.context);
    window.PrepareForStart();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto* notice = window.findChild<QLabel*>("notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_GE(TextContrast(*notice), 4.5);
    EXPECT_EQ(LayoutFaults(window), std::vector<std::string>{});

    PreferencesDialog preferences(fixture.context, &window, PreferencesPage::Advanced);
    preferences.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preferences));
    EXPECT_EQ(LayoutFaults(preferences), std::vector<std::string>{});
    preferences.reject();

    window.RunCommand(kCommandAbout);
    auto* about = window.findChild<QDialog*>("aboutWindow");
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    EXPECT_EQ(LayoutFaults(*about), std::vector<std::string>{});
    // The links in the scheme's link colour: some pixels of it are drawn.
    const QColor link = QApplication::palette().color(QPalette::Link);
    const QImage drawn = about->findChild<QLabel*>("webLink")->grab().toImage();
    int linkPixels = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            linkPixels += drawn.pixelColor(x, y).rgb() == link.rgb() ? 1 : 0;
    EXPECT_GT(linkPixels, 10);
    about->close();
}

}  // namespace
}  // namespace pictorb::test
