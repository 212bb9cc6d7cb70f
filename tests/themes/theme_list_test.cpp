// Display names, the theme list, the preferences dialog's choices and the fallback.

#include <filesystem>

#include "themes/theme_folder_fixture.h"

namespace pictorb::themetest {
namespace {

using ThemeListTest = ThemeFolderTest;

std::string Config(std::string_view name) {
    return ThemeConfig(name, {}, {});
}

TEST_F(ThemeListTest, DisplayNameOrItsAbsence) {
    WriteArchive("named", {{"theme.cfg", Config("Pencil Sketch")}});
    WriteArchive("unnamed", {{"theme.cfg", "[Theme]\r\nAuthor=me\r\n"}});
    WriteArchive("nocfg", {{"new_16.png", SolidPng(16, 16, 0xFFFF0000)}});
    WriteArchive("empty", {});
    WriteFile("text.zip", "this is not a zip archive, only text that says so");
    WriteFile("zero.zip", "");
    // The name is read from the first 255 bytes, however long theme.cfg is.
    WriteArchive("long", {{"theme.cfg", Config("Long") + std::string(300000, ';') + "\r\n"}});
    WriteArchive("late", {{"theme.cfg", std::string(260, ';') + "\r\n" + Config("Late")}});
    const struct {
        const char* base;
        const char* expected;
    } cases[] = {
        // libarchive does not open a zip without entries: it reads as a non-zip.
        {"named", "Pencil Sketch"}, {"unnamed", ""},        {"nocfg", ""},
        {"empty", "empty"},         {"missing", "missing"}, {"text", "text"},
        {"zero", "zero"},           {"long", "Long"},       {"late", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(ThemeDisplayName(Folder(), c.base), c.expected);
    }
}

TEST_F(ThemeListTest, NoThemesShowNone) {
    for (const std::string& folder : {Folder(), Folder() + "absent/"}) {
        SCOPED_TRACE(folder);
        const ThemeList themes = ListThemes(folder);
        EXPECT_TRUE(themes.displayNames.empty());
        EXPECT_EQ(themes.current, "");
        const ThemeChoices choices = ListThemeChoices(themes, "handdrawn", "None");
        EXPECT_EQ(choices.items, std::vector<std::string>{"None"});
        EXPECT_EQ(choices.selected, 0);
        EXPECT_EQ(ThemeAtPosition(themes, 0), "");
    }
}

TEST_F(ThemeListTest, OneTheme) {
    WriteArchive("flat", {{"theme.cfg", Config("Flat")}});
    WriteFile("notes.txt", "not a theme");
    std::filesystem::create_directory(dir_.Join("folder.zip"));
    const ThemeList themes = ListThemes(Folder());
    EXPECT_EQ(themes.displayNames, (std::map<std::string, std::string>{{"flat", "Flat"}}));
    EXPECT_EQ(themes.current, "flat");
    const ThemeChoices choices = ListThemeChoices(themes, "handdrawn", "None");
    EXPECT_EQ(choices.items, std::vector<std::string>{"Flat"});
    EXPECT_EQ(choices.selected, 0);
    EXPECT_EQ(ThemeAtPosition(themes, 0), "flat");
    EXPECT_EQ(ThemeAtPosition(themes, 1), "");
}

TEST_F(ThemeListTest, ListSortedByNameChoicesWithoutCase) {
    WriteArchive("b", {{"theme.cfg", Config("Bee")}});
    WriteArchive("A", {{"theme.cfg", Config("Ant")}});
    WriteArchive("c", {{"theme.cfg", Config("Cat")}});
    WriteArchive("a0", {{"theme.cfg", Config("")}});  // no name: not offered
    const ThemeList themes = ListThemes(Folder());
    EXPECT_EQ(themes.displayNames.size(), 4u);
    EXPECT_EQ(themes.current, "c");  // last by name, whatever order the folder lists

    const ThemeChoices choices = ListThemeChoices(themes, "b", "None");
    EXPECT_EQ(choices.items, (std::vector<std::string>{"Ant", "Bee", "Cat"}));
    EXPECT_EQ(choices.selected, 1);
    // Positions are those of the list shown, so the unnamed theme shifts nothing.
    EXPECT_EQ(ThemeAtPosition(themes, 0), "A");
    EXPECT_EQ(ThemeAtPosition(themes, 1), "b");
    EXPECT_EQ(ThemeAtPosition(themes, 2), "c");
    EXPECT_EQ(ThemeAtPosition(themes, 3), "");
    EXPECT_EQ(ThemeAtPosition(themes, -1), "");
    EXPECT_EQ(ListThemeChoices(themes, "B", "None").selected, 0);  // exact base only

    const ThemeList onlyUnnamed{{{"x", ""}}, {}, "x"};
    EXPECT_EQ(ListThemeChoices(onlyUnnamed, "x", "None").items, std::vector<std::string>{"None"});
}

TEST_F(ThemeListTest, MissingThemeFallsBackToTheLastListed) {
    WriteArchive("a", {{"theme.cfg", ThemeConfig("A", {}, {{"New", "new"}})},
                       {"new_16.png", SolidPng(16, 16, 0xFFAA0000)}});
    WriteArchive("b", {{"theme.cfg", ThemeConfig("B", {}, {{"New", "new"}})},
                       {"new_16.png", SolidPng(16, 16, 0xFF00BB00)}});
    EXPECT_EQ(Load("gone"), "b");
    EXPECT_EQ(Image(IconSetKind::Menu, "New").pixels.front(), 0xFF00BB00u);

    EXPECT_EQ(Load("a"), "a");
    EXPECT_EQ(Image(IconSetKind::Menu, "New").pixels.front(), 0xFFAA0000u);
}

TEST_F(ThemeListTest, NamesThatAreNotUtf8AreLatin1) {
    WriteArchive("latin", {{"theme.cfg", Config("Caf\xE9 cr\xE8me")}});
    WriteArchive("utf8", {{"theme.cfg", Config("Caf\u00E9")}});
    WriteFile("na\xEFve.zip", "not a zip: the file name is the name");
    const ThemeList themes = ListThemes(Folder());
    EXPECT_EQ(themes.displayNames.at("latin"), "Caf\u00E9 cr\u00E8me");
    EXPECT_EQ(themes.displayNames.at("utf8"), "Caf\u00E9");
    EXPECT_EQ(themes.displayNames.at("na\xEFve"), "na\u00EFve");
}

TEST_F(ThemeListTest, ThemesOfOneNameAreToldApartByFileName) {
    WriteArchive("pencil", {{"theme.cfg", Config("Pencil")}});
    WriteArchive("Pencil2", {{"theme.cfg", Config("Pencil")}});
    WriteArchive("flat", {{"theme.cfg", Config("Flat")}});
    const ThemeList themes = ListThemes(Folder());
    const ThemeChoices choices = ListThemeChoices(themes, "Pencil2", "None");
    EXPECT_EQ(choices.items,
              (std::vector<std::string>{"Flat", "Pencil (pencil.zip)", "Pencil (Pencil2.zip)"}));
    EXPECT_EQ(choices.selected, 2);
    EXPECT_EQ(ThemeAtPosition(themes, 2), "Pencil2");
}

TEST_F(ThemeListTest, UserThemesJoinAndOverrideInstalledOnes) {
    const std::string user = dir_.Join("user") + "/";
    const std::string installed = dir_.Join("installed") + "/";
    std::filesystem::create_directories(user);
    std::filesystem::create_directories(installed);
    const auto write = [](const std::string& path, std::string_view name, uint32_t colour) {
        ASSERT_TRUE(
            test::WriteBytes(path, MakeZip({{"theme.cfg", ThemeConfig(name, {}, {{"New", "new"}})},
                                            {"new_16.png", SolidPng(16, 16, colour)}})));
    };
    write(installed + "flat.zip", "Flat", 0xFFAA0000);
    write(installed + "zebra.zip", "Zebra", 0xFF0000CC);
    write(user + "flat.zip", "My Flat", 0xFF00BB00);
    write(user + "mine.zip", "Mine", 0xFF00DDDD);

    const ThemeList themes = ListThemes({user, installed, dir_.Join("absent")});
    EXPECT_EQ(themes.displayNames, (std::map<std::string, std::string>{
                                       {"flat", "My Flat"}, {"mine", "Mine"}, {"zebra", "Zebra"}}));
    EXPECT_EQ(themes.current, "zebra");
    const struct {
        const char* theme;
        uint32_t colour;
    } cases[] = {{"flat", 0xFF00BB00}, {"mine", 0xFF00DDDD}, {"zebra", 0xFF0000CC}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.theme);
        std::string uiTheme = c.theme;
        LoadTheme(installed, themes, uiTheme, 0, sets_, true, true, true);
        EXPECT_EQ(uiTheme, c.theme);
        EXPECT_EQ(Image(IconSetKind::Menu, "New").pixels.front(), c.colour);
    }
}

TEST(UserThemeFolder, FollowsXdgDataHome) {
    test::ScopedEnv home("HOME", "/home/someone");
    {
        test::ScopedEnv data("XDG_DATA_HOME", "/data/someone");
        EXPECT_EQ(UserThemeFolder(), "/data/someone/pictorb/gfx/");
    }
    // Unset, empty or relative (which the XDG rules call invalid): below the home folder.
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/share")}) {
        SCOPED_TRACE(value.value_or("(unset)"));
        test::ScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(UserThemeFolder(), "/home/someone/.local/share/pictorb/gfx/");
    }
}

TEST_F(ThemeListTest, NoArchivesKeepsThemeAndImages) {
    EXPECT_EQ(Load("handdrawn"), "handdrawn");
    EXPECT_TRUE(AllBuiltIn());
    WriteFile("broken.zip", MakeZip({{"theme.cfg", Config("Broken")}}).substr(0, 40));
    EXPECT_EQ(Load("broken"), "broken");
    EXPECT_TRUE(AllBuiltIn());
}

}  // namespace
}  // namespace pictorb::themetest
