// Every theme archive the build ships replaces every icon of all three sets at every toolbar
// size, so that no theme leaves a built-in image behind by mistake.

#include <filesystem>

#include "themes/theme_folder_fixture.h"

namespace pictorb::themetest {
namespace {

// The build puts the shipped archives into gfx/ beside the program.
std::string ShippedFolder() {
    return std::filesystem::path(PICTORBCMD_PATH).parent_path().string() + "/gfx/";
}

using ShippedThemesTest = ThemeFolderTest;

// Loads every theme of `folder` at every toolbar size and checks that each icon of the three
// sets was replaced by an image of its size.
void ExpectEveryIconReplaced(const std::string& folder, const IconSets& builtIn) {
    const ThemeList themes = ListThemes(folder);
    for (const auto& [base, displayName] : themes.displayNames) {
        EXPECT_FALSE(displayName.empty()) << base;
        for (const int32_t uiSize : {0, 1, 2, 3, 4}) {
            SCOPED_TRACE(base + " at UI Size " + std::to_string(uiSize));
            IconSets sets = builtIn;
            std::string uiTheme = base;
            LoadTheme(folder, themes, uiTheme, uiSize, sets, true, true, true);
            ASSERT_EQ(uiTheme, base);
            for (const IconSetKind kind : kIconSetKinds) {
                const int32_t pixels = IconPixelSize(IconSizeIndex(kind, uiSize));
                for (const std::string& name : IconNames(kind)) {
                    SCOPED_TRACE(name);
                    const IconImage& image = sets.Of(kind).Image(name);
                    EXPECT_FALSE(image.width == 1 && image.pixels == std::vector{kBuiltIn});
                    // The Convert button's image is large; every other icon has its size.
                    if (kind == IconSetKind::Control && name == "Convert") continue;
                    EXPECT_EQ(image.width, pixels);
                    EXPECT_EQ(image.height, pixels);
                }
            }
        }
    }
}

TEST_F(ShippedThemesTest, EveryIconAtEverySize) {
    const ThemeList themes = ListThemes(ShippedFolder());
    if (themes.displayNames.empty()) GTEST_SKIP() << "no archives in " << ShippedFolder();
    EXPECT_TRUE(themes.displayNames.contains("handdrawn"));  // the default of UI Theme
    ExpectEveryIconReplaced(ShippedFolder(), sets_);
}

// The same walk over a complete theme made here, so that the check itself is known to work.
TEST_F(ShippedThemesTest, CompleteThemeReplacesEveryIcon) {
    WriteArchive("complete", CompleteTheme("Complete", 0xFF208040));
    ExpectEveryIconReplaced(Folder(), sets_);
}

}  // namespace
}  // namespace pictorb::themetest
