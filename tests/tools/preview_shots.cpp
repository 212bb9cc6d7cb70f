// Screenshots of the preview panel, on demand: scripts/preview-shots.sh sets
// PICTORB_PREVIEW_SHOTS to the folder to write into (and PICTORB_PREVIEW_PHOTO to a
// photograph-sized bitmap) and runs this under Xvfb.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cmath>
#include <cstdlib>

#include "support/bmp_writer.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_panel.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

// A round sprite fading out to its edge, with clear corners.
std::string WriteSprite(const std::string& path) {
    testsupport::BmpSpec spec;
    spec.width = spec.height = 160;
    spec.bpp = 32;
    spec.headerSize = 124;  // a header that states the alpha mask
    spec.compression = testsupport::BmpCompression::AlphaBitFields;
    spec.redMask = 0x00FF0000, spec.greenMask = 0x0000FF00, spec.blueMask = 0x000000FF;
    spec.alphaMask = 0xFF000000;
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x) {
            const double r = std::hypot(x - 80.0, y - 80.0) / 80.0;
            const auto alpha = static_cast<uint8_t>(r >= 1 ? 0 : 255 * (1 - r * r));
            spec.pixels.push_back(
                {static_cast<uint8_t>(40 + x), 90, static_cast<uint8_t>(200 - y), alpha});
        }
    }
    testsupport::WriteFile(path, testsupport::MakeBmp(spec));
    return path;
}

TEST(PreviewShots, ThePanelOnItsPagesAndThemes) {
    const char* folder = std::getenv("PICTORB_PREVIEW_SHOTS");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "PICTORB_PREVIEW_SHOTS not set";
    const char* photoPath = std::getenv("PICTORB_PREVIEW_PHOTO");
    const std::string photo = photoPath != nullptr ? photoPath : "";
    DesktopFixture desktop;
    ConversionSettings& settings = desktop.state.settings;
    settings.doFrame = kFrameSolid;
    settings.solidLeft = settings.solidRight = settings.solidTop = settings.solidBottom = 24;
    settings.solidLeftColor = settings.solidRightColor = "2A7DE1";
    settings.doWatermark = kWatermarkText;
    settings.text = "pictorb %width% x %height%";
    settings.fontSize = 40;
    settings.textOpacity = 70;

    const auto shoot = [&](PreferencesPage page, const std::vector<std::string>& typed,
                           const std::string& name, bool actual = false) {
        PreferencesDialog dialog(desktop.context, nullptr, page, PreviewInputs{typed, "psd"}, true);
        dialog.show();
        PreviewPanel& panel = *dialog.Preview();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return panel.ShownCount() > 0 && !panel.Worker().Busy(); }, 60000));
        if (actual) {
            const int shown = panel.ShownCount();
            panel.SetActualSize(true);
            ASSERT_TRUE(QTest::qWaitFor([&] { return panel.ShownCount() > shown; }, 60000));
        }
        QApplication::processEvents();
        dialog.grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
        dialog.reject();
    };
    if (!photo.empty()) shoot(PreferencesPage::Watermark, {photo}, "1-watermark-photo-fit");
    shoot(PreferencesPage::Watermark, {}, "2-watermark-sample-fit");
    shoot(PreferencesPage::Frame, {}, "3-frame-sample-100", true);
    settings.doFrame = kFrameNone;
    settings.doWatermark = kWatermarkNone;
    shoot(PreferencesPage::Output, {WriteSprite(desktop.dir.Join("sprite.bmp"))},
          "4-sprite-checkerboard", true);
    const std::string broken = desktop.dir.Join("broken.bmp");
    WriteBytes(broken, "BM and nothing of a bitmap");
    shoot(PreferencesPage::Transform, {broken}, "5-error");

    {
        const DarkTheme dark;
        settings.doWatermark = kWatermarkText;
        shoot(PreferencesPage::Watermark, {}, "6-dark");
    }

    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSize(14);
    QApplication::setFont(large);
    shoot(PreferencesPage::Watermark, {}, "7-font-14pt");
    QApplication::setFont(normal);
}

}  // namespace
}  // namespace pictorb::test
