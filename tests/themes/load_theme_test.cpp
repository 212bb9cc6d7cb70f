// Which archive entries LoadTheme puts into which icons.

#include "themes/theme_folder_fixture.h"

namespace pictorb::themetest {
namespace {

using LoadThemeTest = ThemeFolderTest;

constexpr uint32_t kThemed = 0xFF3366CC;

TEST_F(LoadThemeTest, StemGetsTheSizeOfEachSet) {
    WriteArchive("t", {{"theme.cfg", ThemeConfig("T", {{"Convert", "go"}}, {{"New", "open"}})},
                       {"go_16.png", SolidPng(16, 16, kThemed)},
                       {"open_16.png", SolidPng(16, 16, kThemed)},
                       {"open_24.png", SolidPng(24, 24, kThemed)},
                       {"open_32.png", SolidPng(32, 32, kThemed)},
                       {"open_48.png", SolidPng(48, 48, kThemed)}});
    const struct {
        int32_t uiSize;
        int32_t toolbarPixels;
    } cases[] = {{0, 16}, {1, 24}, {2, 32}, {3, 48}, {9, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uiSize);
        Load("t", c.uiSize);
        EXPECT_EQ(Image(IconSetKind::Toolbar, "New").width, c.toolbarPixels);
        EXPECT_EQ(Image(IconSetKind::Toolbar, "New").height, c.toolbarPixels);
        EXPECT_EQ(Image(IconSetKind::Menu, "New").width, 16);
        EXPECT_EQ(Image(IconSetKind::Control, "Convert").width, 16);
        EXPECT_EQ(Image(IconSetKind::Menu, "New").pixels.front(), kThemed);
        // The Buttons group is the control set's only; Icons is not read for it.
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "Convert"));
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Control, "InFiles"));
    }
}

TEST_F(LoadThemeTest, FullPngNameUsedAsItIsForEverySize) {
    WriteArchive("t", {{"theme.cfg", ThemeConfig("T", {{"convert", "Big.Png"}},
                                                 {{"New", "Open.PNG"}, {"Add", "add.PNG"}})},
                       {"Big.Png", SolidPng(100, 100, kThemed)},
                       {"Open.PNG", SolidPng(20, 20, kThemed)},
                       {"Open.PNG_16.png", SolidPng(16, 16, 0xFFFFFFFF)},
                       {"add.png", SolidPng(16, 16, kThemed)}});
    for (const int32_t uiSize : {0, 1, 2}) {
        SCOPED_TRACE(uiSize);
        Load("t", uiSize);
        EXPECT_EQ(Image(IconSetKind::Toolbar, "New").width, 20);
        EXPECT_EQ(Image(IconSetKind::Menu, "New").width, 20);
        EXPECT_EQ(Image(IconSetKind::Control, "Convert").width, 100);  // key in another case
        // Entry names are compared exactly: "add.PNG" is not "add.png".
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "Add"));
    }
}

TEST_F(LoadThemeTest, OnlyTheFlaggedSets) {
    // theme.cfg last: the images are found wherever it stands.
    WriteArchive("t", {{"c.png", SolidPng(8, 8, kThemed)},
                       {"n_16.png", SolidPng(16, 16, kThemed)},
                       {"theme.cfg", ThemeConfig("T", {{"Convert", "c.png"}}, {{"New", "n"}})}});
    Load("t", 0, false, false, true);
    EXPECT_FALSE(IsBuiltIn(IconSetKind::Toolbar, "New"));
    EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "New"));
    EXPECT_TRUE(IsBuiltIn(IconSetKind::Control, "Convert"));
}

TEST_F(LoadThemeTest, EntriesThatDoNotDecodeKeepTheImage) {
    const std::string png = SolidPng(16, 16, kThemed);
    WriteArchive("t", {{"theme.cfg", ThemeConfig("T", {},
                                                 {{"New", "text"},
                                                  {"Add", "cut"},
                                                  {"Copy", "empty"},
                                                  {"Exit", "missing"},
                                                  {"Help", "help"}})},
                       {"text_16.png", "GIF89a, not a PNG at all"},
                       {"cut_16.png", png.substr(0, png.size() / 2)},
                       {"empty_16.png", ""},
                       {"help_16.png", png}});
    Load("t");
    for (const char* name : {"New", "Add", "Copy", "Exit"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, name));
    }
    EXPECT_FALSE(IsBuiltIn(IconSetKind::Menu, "Help"));
}

TEST_F(LoadThemeTest, WithoutUsableThemeCfgNothingIsReplaced) {
    const std::string crlf = ThemeConfig("T", {{"Convert", "c"}}, {{"New", "n"}});
    std::string lf;
    for (const char c : crlf)
        if (c != '\r') lf += c;
    const std::vector<ZipEntry> images = {{"c_16.png", SolidPng(16, 16, kThemed)},
                                          {"n_16.png", SolidPng(16, 16, kThemed)},
                                          {"_16.png", SolidPng(16, 16, kThemed)}};
    const struct {
        const char* what;
        std::vector<ZipEntry> config;
    } cases[] = {
        {"LF line ends", {{"theme.cfg", lf}}},
        {"no theme.cfg", {}},
        {"Theme.cfg in another case", {{"Theme.cfg", crlf}}},
        {"empty theme.cfg", {{"theme.cfg", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ZipEntry> entries = c.config;
        entries.insert(entries.end(), images.begin(), images.end());
        WriteArchive("t", entries);
        Load("t");
        EXPECT_TRUE(AllBuiltIn());
    }
}

}  // namespace
}  // namespace pictorb::themetest
