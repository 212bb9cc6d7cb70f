// The preview panel of the preferences dialog driven as a user drives it: which picture it
// shows, edits gathered into one render, failures shown as their reason, closing while a render
// runs, the keyboard, and the Preview command of the main window.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_panel.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

class PreviewPanelTest : public ::testing::Test {
  protected:
    PreviewPanelTest() { EnsureApplication(); }

    std::string Bitmap(const std::string& name, int width = 40, int height = 30) {
        testsupport::BmpSpec spec;
        spec.width = width;
        spec.height = height;
        spec.pixels.assign(static_cast<std::size_t>(width) * height, {90, 160, 30, 255});
        const std::string path = fixture.dir.Join(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testsupport::WriteFile(path, testsupport::MakeBmp(spec));
        return path;
    }

    std::unique_ptr<PreferencesDialog> Open(std::vector<std::string> typed,
                                            PreferencesPage page = PreferencesPage::Frame) {
        auto dialog = std::make_unique<PreferencesDialog>(
            fixture.context, nullptr, page, PreviewInputs{std::move(typed), "psd"}, true);
        dialog->show();
        return dialog;
    }

    // Waits for the panel to show a result (a picture or a reason) with nothing pending.
    static bool Settled(PreviewPanel& panel, int ms = 20000) {
        return QTest::qWaitFor(
            [&] {
                return !panel.Worker().Busy() &&
                       (panel.HasPicture() || !panel.ErrorText().isEmpty());
            },
            ms);
    }

    DesktopFixture fixture;
};

TEST_F(PreviewPanelTest, ShowsTheSampleOrTheFirstBitmapTheFieldNames) {
    EXPECT_EQ(ChoosePreviewInput(fixture.context, {}), "");
    EXPECT_EQ(ChoosePreviewInput(fixture.context, {fixture.dir.Join("missing.bmp")}), "");
    Bitmap("folder/b.bmp");
    const std::string first = Bitmap("folder/a.bmp");
    Bitmap("folder/sub/0.bmp");  // below: only with "Include Subfolders"
    const std::string folder = fixture.dir.Join("folder");
    fixture.state.settings.includeSubfolders = 0;
    EXPECT_EQ(ChoosePreviewInput(fixture.context, {fixture.dir.Join("missing.bmp"), folder}),
              first);
    const std::string single = Bitmap("z.bmp");
    EXPECT_EQ(ChoosePreviewInput(fixture.context, {single}), single);

    const auto empty = Open({});
    PreviewPanel& sample = *empty->Preview();
    ASSERT_TRUE(Settled(sample));
    EXPECT_TRUE(sample.HasPicture());
    EXPECT_EQ(sample.SourceText().toStdString(), fixture.state.texts.Text("Preview", "Sample"));
    EXPECT_TRUE(sample.InfoText().contains("480 x 320")) << sample.InfoText().toStdString();
    EXPECT_TRUE(sample.InfoText().contains("sample.psd")) << sample.InfoText().toStdString();

    const auto named = Open({folder});
    ASSERT_TRUE(Settled(*named->Preview()));
    EXPECT_EQ(named->Preview()->InputPath(), first);
    EXPECT_TRUE(named->Preview()->SourceText().contains("a.bmp"));
}

TEST_F(PreviewPanelTest, ABurstOfEditsRendersAtMostTwiceAndShowsTheLast) {
    fixture.state.settings.doFrame = kFrameSolid;
    const auto dialog = Open({Bitmap("photo.bmp", 300, 200)});
    PreviewPanel& panel = *dialog->Preview();
    ASSERT_TRUE(Settled(panel));
    const int before = panel.Worker().RendersStarted();
    auto* left = qobject_cast<QLineEdit*>(dialog->Control("Frame", "Solid Left"));
    ASSERT_NE(left, nullptr);
    for (int i = 1; i <= 20; ++i) {
        left->setText(QString::number(i));
        QTest::qWait(15);
    }
    ASSERT_TRUE(Settled(panel));
    QTest::qWait(2 * PreviewWorker::kPauseMs);
    EXPECT_LE(panel.Worker().RendersStarted() - before, 2);
    // The picture shown is that of the last value.
    EXPECT_EQ(dialog->CurrentSettings().solidLeft, 20);
    EXPECT_TRUE(panel.HasPicture());
}

TEST_F(PreviewPanelTest, FailuresShowTheRunsReasonInsteadOfAPicture) {
    const std::string broken = fixture.dir.Join("broken.bmp");
    WriteBytes(broken, "BM but nothing else of a bitmap");
    const auto dialog = Open({broken});
    ASSERT_TRUE(Settled(*dialog->Preview()));
    EXPECT_EQ(dialog->Preview()->ErrorText().toStdString(), "not a Windows bitmap");
    EXPECT_FALSE(dialog->Preview()->HasPicture());

    // Settings the conversion refuses: a watermark image that is not there.
    fixture.state.settings.doWatermark = kWatermarkImage;
    fixture.state.settings.image = fixture.dir.Join("no-such-mark.png");
    const auto refused = Open({Bitmap("fine.bmp")}, PreferencesPage::Watermark);
    ASSERT_TRUE(Settled(*refused->Preview()));
    EXPECT_FALSE(refused->Preview()->ErrorText().isEmpty());
    EXPECT_FALSE(refused->Preview()->HasPicture());
}

TEST_F(PreviewPanelTest, ClosingDuringARenderStopsAndJoinsTheWorker) {
    fixture.state.settings.doImageResize = 1;
    fixture.state.settings.imageResizeAlgorithm = 5;
    const std::string large = Bitmap("large.bmp", 2400, 1600);
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "OK" : "Escape");
        auto dialog = Open({large});
        PreviewPanel& panel = *dialog->Preview();
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel.Worker().RendersStarted() > 0; }, 5000));
        const auto start = std::chrono::steady_clock::now();
        if (accept) {
            dialog->Confirm();
        } else {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        }
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(panel.Worker().Busy());
        dialog.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

TEST_F(PreviewPanelTest, KeyboardAndAccessibleNames) {
    fixture.state.settings.showPreview = 0;
    PreferencesDialog dialog(fixture.context, nullptr, PreferencesPage::General);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const QString boxText = dialog.PreviewBox()->text();
    const int amp = static_cast<int>(boxText.indexOf('&'));
    ASSERT_GE(amp, 0) << "the Preview box has a mnemonic";
    const auto letter = static_cast<Qt::Key>(boxText.at(amp + 1).toUpper().unicode());
    const int narrow = dialog.width();
    QTest::keyClick(&dialog, letter, Qt::AltModifier);
    // A mnemonic clicks with a short animation.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PreviewBox()->isChecked(); }, 2000));
    EXPECT_EQ(fixture.state.settings.showPreview, 1);
    PreviewPanel& panel = *dialog.Preview();
    EXPECT_GE(dialog.width(), narrow + panel.width());
    ASSERT_TRUE(Settled(panel));

    for (QWidget* widget :
         {static_cast<QWidget*>(panel.View()), static_cast<QWidget*>(panel.FitButton()),
          static_cast<QWidget*>(panel.ActualButton()), static_cast<QWidget*>(panel.BeforeButton()),
          static_cast<QWidget*>(panel.HoldButton())})
        EXPECT_FALSE(widget->accessibleName().isEmpty());

    panel.View()->setFocus();
    QTest::keyClick(panel.View(), Qt::Key_1);
    EXPECT_TRUE(panel.ActualSize());
    // The sample at 100 %, once rendered at full size.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.View()->size() == QSize(480, 320); }, 20000));
    const int across = panel.Area()->horizontalScrollBar()->value();
    QTest::keyClick(panel.View(), Qt::Key_Right);
    EXPECT_GT(panel.Area()->horizontalScrollBar()->value(), across);
    QTest::keyPress(panel.View(), Qt::Key_Space);
    EXPECT_TRUE(panel.ShowsBefore());
    QTest::keyRelease(panel.View(), Qt::Key_Space);
    EXPECT_FALSE(panel.ShowsBefore());
    QTest::mousePress(panel.HoldButton(), Qt::LeftButton);
    EXPECT_TRUE(panel.ShowsBefore());
    QTest::mouseRelease(panel.HoldButton(), Qt::LeftButton);
    EXPECT_FALSE(panel.ShowsBefore());
    QTest::keyClick(panel.View(), Qt::Key_0);
    EXPECT_FALSE(panel.ActualSize());

    QTest::keyClick(&dialog, letter, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.PreviewBox()->isChecked(); }, 2000));
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(dialog.width(), narrow);
    EXPECT_EQ(fixture.state.settings.showPreview, 0);
}

TEST_F(PreviewPanelTest, PreviewCommandOpensThePanelOnThePageLastUsed) {
    MainWindow window{fixture.context};
    window.show();
    fixture.context.lastPreferencesPage = PreferencesPage::Watermark;
    std::string page;
    bool shown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget())) {
            page = dialog->HeaderText().toStdString();
            shown = dialog->Preview() != nullptr && dialog->Preview()->isVisible();
            dialog->CategoryTree()->setCurrentItem(dialog->CategoryTree()->topLevelItem(6));
            dialog->reject();
        }
    });
    closer.start(5);
    window.RunCommand(kCommandPreview);
    EXPECT_EQ(page, fixture.state.texts.Text("Preferences", "Watermark"));
    EXPECT_TRUE(shown);
    EXPECT_EQ(fixture.context.lastPreferencesPage, PreferencesPage::Frame);
}

}  // namespace
}  // namespace pictorb::test
