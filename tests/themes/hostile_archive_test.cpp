// Archives made to hurt the reader: each fails safely, keeps the icon's image and never
// turns a declared size into an allocation.

#include <filesystem>

#include "themes/allocation_probe.h"
#include "themes/theme_folder_fixture.h"

namespace pictorb::themetest {
namespace {

using HostileArchiveTest = ThemeFolderTest;

constexpr uint32_t kThemed = 0xFF3366CC;
constexpr uint32_t kHugeSize = 0xFFFFFFF0;  // the largest a plain zip header can claim

std::string Config() {
    return ThemeConfig("Hostile", {}, {{"New", "new"}, {"Add", "add"}, {"Help", "help"}});
}

TEST_F(HostileArchiveTest, ImagesFailSafely) {
    const std::string png = SolidPng(16, 16, kThemed);
    std::string bombed = MakeZip({{"theme.cfg", Config()}, {"add_16.png", png}});
    ASSERT_TRUE(SetDeclaredSize(bombed, "add_16.png", kHugeSize));
    const struct {
        const char* what;
        std::string archive;
    } cases[] = {
        {"zip bomb: a PNG followed by 16 MiB of zeros",
         MakeZip({{"theme.cfg", Config()}, {"new_16.png", png + std::string(16 << 20, '\0')}})},
        {"a small PNG declaring 4 GiB", bombed},
        {"image claiming 65535 x 65535",
         MakeZip({{"theme.cfg", Config()}, {"new_16.png", PngClaiming(65535, 65535)}})},
        {"image wider than the limit",
         MakeZip(
             {{"theme.cfg", Config()}, {"new_16.png", PngClaiming(kMaxThemeImageSide + 1, 1)}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("t.zip", c.archive);
        ResetLargestAllocation();
        Load("t");
        EXPECT_LT(LargestAllocation(), kThemeImageEntryLimit + 4096);
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "New"));
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "Add"));
    }
}

TEST_F(HostileArchiveTest, OversizedThemeCfgIsCut) {
    // A theme.cfg of 16 MiB, and one that declares 4 GiB: the first 64 KiB are read.
    const std::string config = ThemeConfig("Hostile", {}, {{"New", "new"}});
    const std::string padding(16 << 20, ';');
    std::string declared = MakeZip({{"theme.cfg", config}, {"new_16.png", SolidPng(16, 16, 1)}});
    ASSERT_TRUE(SetDeclaredSize(declared, "theme.cfg", kHugeSize));
    std::string late(kThemeConfigLimit, ';');
    late += "\r\nHelp=help\r\n";
    const std::string archives[] = {
        MakeZip({{"theme.cfg", config + padding + late},
                 {"new_16.png", SolidPng(16, 16, kThemed)},
                 {"help_16.png", SolidPng(16, 16, kThemed)}}),
        declared,
    };
    for (const std::string& archive : archives) {
        SCOPED_TRACE(archive.size());
        WriteFile("t.zip", archive);
        ResetLargestAllocation();
        const std::string name = ThemeDisplayName(Folder(), "t");
        Load("t");
        EXPECT_LT(LargestAllocation(), kThemeImageEntryLimit + 4096);
        EXPECT_TRUE(name == "Hostile" || name.empty()) << name;
        EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "Help"));  // beyond the cut
    }
    EXPECT_FALSE(IsBuiltIn(IconSetKind::Menu, "New"));  // before it: read
}

TEST_F(HostileArchiveTest, EntryNamesAreOnlyLookedUp) {
    WriteArchive("t", {{"theme.cfg", ThemeConfig("T", {},
                                                 {{"New", "../../escape"},
                                                  {"Add", "/tmp/absolute.png"},
                                                  {"Help", "../missing"}})},
                       {"../../escape_16.png", SolidPng(16, 16, kThemed)},
                       {"/tmp/absolute.png", SolidPng(16, 16, kThemed)}});
    Load("t");
    EXPECT_EQ(Image(IconSetKind::Menu, "New").pixels.front(), kThemed);
    EXPECT_EQ(Image(IconSetKind::Menu, "Add").pixels.front(), kThemed);
    EXPECT_TRUE(IsBuiltIn(IconSetKind::Menu, "Help"));
    // Nothing was written anywhere: the folder holds the archive alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir_.Join("../../escape_16.png")));
}

TEST_F(HostileArchiveTest, DamagedArchivesKeepEveryImage) {
    const std::string good =
        MakeZip({{"theme.cfg", Config()}, {"new_16.png", SolidPng(16, 16, kThemed)}});
    std::string flipped = good;
    for (std::size_t i = 40; i < flipped.size(); i += 7)
        flipped[i] = static_cast<char>(~flipped[i]);
    const std::string cases[] = {good.substr(0, good.size() / 2), good.substr(good.size() / 2),
                                 flipped, std::string(4096, 'P')};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        WriteFile("t.zip", cases[i]);
        Load("t");
        EXPECT_TRUE(AllBuiltIn());
    }
}

TEST(DecodePng, ChecksDimensionsBeforeDecoding) {
    IconImage image{1, 1, {kBuiltIn}};
    EXPECT_FALSE(DecodePng(PngClaiming(65535, 65535), image));
    EXPECT_FALSE(DecodePng(PngClaiming(1, kMaxThemeImageSide + 1), image));
    EXPECT_FALSE(DecodePng("", image));
    EXPECT_EQ(image.pixels, std::vector{kBuiltIn});
    ASSERT_TRUE(DecodePng(SolidPng(kMaxThemeImageSide, 2, 0x80FF0000), image));
    EXPECT_EQ(image.width, static_cast<int32_t>(kMaxThemeImageSide));
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels.back(), 0x80FF0000u);  // straight alpha, not premultiplied
}

}  // namespace
}  // namespace pictorb::themetest
