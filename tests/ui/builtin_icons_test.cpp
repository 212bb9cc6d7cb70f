// The built-in images compiled into the desktop interface, and the crossing between the icon
// sets' images and Qt's.
#include "ui/builtin_icons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ui/ui_harness.h"

namespace pictorb {
namespace {

using test::EnsureApplication;  // pixmaps and icons need the GUI application

bool HasVisiblePixels(const IconImage& image) {
    return std::any_of(image.pixels.begin(), image.pixels.end(),
                       [](uint32_t pixel) { return (pixel >> 24) != 0; });
}

int32_t ExpectedSize(IconSetKind kind, const std::string& name, int32_t uiSize) {
    if (kind == IconSetKind::Control && name == "Convert") return 96;
    return kind == IconSetKind::Toolbar ? IconPixelSize(uiSize) : 16;
}

void ExpectSetAtSize(const IconSets& sets, IconSetKind kind, int32_t uiSize) {
    for (const std::string& name : IconNames(kind)) {
        SCOPED_TRACE("icon " + name);
        const IconImage& image = sets.Of(kind).Image(name);
        const int32_t size = ExpectedSize(kind, name, uiSize);
        EXPECT_EQ(image.width, size);
        EXPECT_EQ(image.height, size);
        EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(size) * size);
        EXPECT_TRUE(HasVisiblePixels(image)) << "the image is blank";
    }
}

TEST(BuiltInIcons, EveryNameOfEverySetHasAnImageOfItsSetsSize) {
    for (int32_t uiSize : {0, 1, 2}) {
        SCOPED_TRACE("UI Size " + std::to_string(uiSize));
        IconSets sets;  // names not filled yet: loading fills them
        LoadBuiltInIcons(sets, uiSize);
        for (IconSetKind kind : kIconSetKinds) {
            SCOPED_TRACE("set " + std::to_string(static_cast<int>(kind)));
            EXPECT_EQ(sets.Of(kind).images.size(), IconNames(kind).size());
            ExpectSetAtSize(sets, kind, uiSize);
        }
    }
}

TEST(BuiltInIcons, ReloadingOneSetLeavesTheOthers) {
    IconSets sets;
    FillIconNames(sets);
    LoadBuiltInIcons(sets, 0);
    LoadBuiltInIconSet(sets, IconSetKind::Toolbar, 2);
    ExpectSetAtSize(sets, IconSetKind::Toolbar, 2);
    ExpectSetAtSize(sets, IconSetKind::Menu, 2);
    ExpectSetAtSize(sets, IconSetKind::Control, 2);
}

TEST(BuiltInIcons, BannerAndProgramIcon) {
    EnsureApplication();
    const QPixmap banner = BuiltInBanner();
    EXPECT_EQ(banner.width(), 360);
    EXPECT_EQ(banner.height(), 40);
    const QList<QSize> sizes = BuiltInProgramIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(64, 64)));
}

TEST(BuiltInIcons, ImagesCrossToQtWithStraightAlphaUnchanged) {
    EnsureApplication();
    // Half-transparent and fully transparent pixels are where premultiplying would lose bits.
    const IconImage image{
        3, 2, {0x80FF0000u, 0x00123456u, 0xFF00FF00u, 0x01FFFFFFu, 0x7F102030u, 0xFF000000u}};
    const QImage converted = ToQImage(image);
    ASSERT_EQ(converted.size(), QSize(3, 2));
    EXPECT_EQ(converted.pixel(0, 0), 0x80FF0000u);
    const IconImage back = ToIconImage(converted);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels, image.pixels);
    EXPECT_FALSE(ToQIcon(image).isNull());

    // Other formats arrive as 0xAARRGGBB too.
    QImage rgb(2, 1, QImage::Format_RGB888);
    rgb.setPixel(0, 0, qRgb(1, 2, 3));
    rgb.setPixel(1, 0, qRgb(250, 251, 252));
    EXPECT_EQ(ToIconImage(rgb).pixels, (std::vector<uint32_t>{0xFF010203u, 0xFFFAFBFCu}));
}

TEST(BuiltInIcons, EmptyOrInconsistentImagesGiveNothing) {
    EnsureApplication();
    IconImage shortPixels{4, 4, std::vector<uint32_t>(15, 0xFFFFFFFFu)};
    IconImage noSize{0, 5, {}};
    for (const IconImage* image : {&shortPixels, &noSize}) {
        SCOPED_TRACE(std::to_string(image->width) + "x" + std::to_string(image->height));
        EXPECT_TRUE(ToQImage(*image).isNull());
        EXPECT_TRUE(ToQIcon(*image).isNull());
    }
    EXPECT_TRUE(ToIconImage(QImage()).Empty());
}

}  // namespace
}  // namespace pictorb
