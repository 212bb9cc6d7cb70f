// The settings file's text: written layout, round trip, defaults, migrations.

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <set>
#include <vector>

#include "platform/files.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"

namespace pictorb {
namespace {

constexpr int kDesktopWidth = 1920;
constexpr int kDesktopHeight = 1080;

ConversionSettings Defaults(DefaultsFor caller) {
    ConversionSettings settings;
    SetDefaults(settings, caller, MakeFormats(), kDesktopWidth, kDesktopHeight);
    return settings;
}

ConversionSettings Loaded(std::string_view text) {
    ConversionSettings settings;
    LoadSettingsFromText(settings, text);
    return settings;
}

bool SameValue(const ConversionSettings& a, const ConversionSettings& b,
               const SettingsField& field) {
    return std::visit([&](auto member) { return a.*member == b.*member; }, field.member);
}

// Every field gets a value of its own that no default has.
ConversionSettings DistinctValues() {
    ConversionSettings settings;
    int n = 20;
    for (const SettingsField& field : SettingsFields()) {
        ++n;
        std::visit(
            [&](auto member) {
                using Value = std::remove_reference_t<decltype(settings.*member)>;
                if constexpr (std::is_same_v<Value, std::string>) {
                    settings.*member = "v\xC3\xA9 " + std::to_string(n) + " = x;[y]";
                } else if constexpr (std::is_same_v<Value, float>) {
                    settings.*member = 0.125f * static_cast<float>(n);
                } else if constexpr (std::is_same_v<Value, int8_t>) {
                    settings.*member = static_cast<int8_t>(n);  // past 127: negative
                } else {
                    settings.*member = (field.kind == FieldKind::Date ? 1600000000 : -100000) + n;
                }
            },
            field.member);
    }
    return settings;
}

TEST(SettingsFields, DeclareEveryMemberOnce) {
    std::vector<FieldMember> members;
    for (const SettingsField& field : SettingsFields()) {
        SCOPED_TRACE(std::string(field.group) + "/" + std::string(field.key));
        EXPECT_EQ(std::count(members.begin(), members.end(), field.member), 0);
        members.push_back(field.member);
        // Also proves each group and key names one field only.
        EXPECT_EQ(FindSettingsField(field.group, field.key), &field);
    }
    EXPECT_EQ(SettingsFields().size(), 145u);  // every persisted member
    EXPECT_EQ(FindSettingsField("watermark", "IMAGE ROTATION")->member,
              FieldMember(&ConversionSettings::watermarkImageRotation));
    EXPECT_EQ(FindSettingsField("Transform", "Image Rotation")->member,
              FieldMember(&ConversionSettings::imageRotation));

    // The formats module's depth settings are the "<KEY> BPP" fields.
    const Formats formats = MakeFormats();
    ConversionSettings settings;
    for (const std::string& key : formats.outputKeys) {
        SCOPED_TRACE(key);
        std::string name = key + " BPP";
        const SettingsField* field = FindSettingsField("Output", name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(&(settings.*std::get<int32_t ConversionSettings::*>(field->member)),
                  BitDepthSetting(settings, key));
    }
}

TEST(OutputFormats, EveryFormatHasItsOwnDepthSetting) {
    const Formats formats = MakeFormats();
    ConversionSettings settings;
    std::set<const int32_t*> seen;
    for (const std::string& key : formats.outputKeys) {
        SCOPED_TRACE(key);
        const int32_t* depth = BitDepthSetting(settings, key);
        ASSERT_NE(depth, nullptr);
        EXPECT_TRUE(seen.insert(depth).second);
    }
    EXPECT_EQ(BitDepthSetting(settings, "psd"), &settings.psdBpp);
    EXPECT_EQ(BitDepthSetting(settings, "PSD"), nullptr);
}

TEST(SettingsText, DefaultRecordIsWrittenByteForByte) {
    ConversionSettings settings = Defaults(DefaultsFor::Desktop);
    settings.updateDate = 1700000000;
    settings.customTimestamp = 1600000000;
    const std::string expected =
        "\xEF\xBB\xBF\r\n"
        "[General]\r\nCFG = 17\r\nLanguage = en\r\nUpdate Range = 2\r\n"
        "Update Date = 1700000000\r\nSave Window Position = 1\r\n; \r\n"
        "[Window]\r\nIsMaximized = 0\r\nWidth = 510\r\nHeight = 260\r\nX = 705\r\nY = 410\r\n"
        "; \r\n"
        "[Interface]\r\nUI Theme = handdrawn\r\nUI Size = 2\r\nShow Preview = 0\r\n; \r\n"
        "[Input]\r\nFormat = bmp\r\n; \r\n"
        "[Output]\r\nFormat = psd\r\nPSD BPP = 0\r\nPSD Compression = 0\r\n"
        "PSD Alpha Channel = 0\r\n; \r\n"
        "[Transform]\r\nDo Image Rotation = 0\r\nImage Rotation Type = 0\r\n"
        "Image Rotation = 0\r\nImage Rotation Back Color = 000000\r\nDo Image Resize = 0\r\n"
        "Image Width = 0\r\nImage Width Unit = 0\r\nImage Height = 0\r\n"
        "Image Height Unit = 0\r\nKeep Aspect Ratio = 1\r\nImage Resize Type = 0\r\n"
        "Image Resize Algorithm = 3\r\nDo Image Flip Horizontal = 0\r\n"
        "Do Image Flip Vertical = 0\r\n; \r\n"
        "[Adjustment]\r\nDo Image Color Correction = 0\r\nImage Brightness = 0\r\n"
        "Image Contrast = 0\r\nImage Gamma = 1.000000\r\nImage Invert = 0\r\n"
        "Do Image Greyscale = 0\r\nDo Image Threshold = 0\r\nImage Threshold = 0\r\n; \r\n"
        "[Frame]\r\nDo Frame = 0\r\nSolid Left = 0\r\nSolid Right = 0\r\nSolid Top = 0\r\n"
        "Solid Bottom = 0\r\nSolid Left Color = 000000\r\nSolid Right Color = 000000\r\n"
        "Solid Top Color = 000000\r\nSolid Bottom Color = 000000\r\nSolid Opacity = 255\r\n"
        "; \r\n"
        "[Watermark]\r\nDo Watermark = 0\r\nText = Corvalen Pictorb\r\n"
        "Fonts = Arial,Tahoma,Verdana\r\nFont = Arial\r\nFont Size = 14\r\n"
        "Font Leading = 0\r\n"
        "Font Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF\r\n"
        "Font Color = FFFFFF\r\nFont Style = 0\r\nFont Effect = 0\r\nText Antialiasing = 0\r\n"
        "Text Alignment = 0\r\nText Padding = 0\r\nText Opacity = 255\r\n"
        "Back Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF\r\n"
        "Back Color = 000000\r\nBack Opacity = 1\r\nText Boundary = 0\r\n"
        "Text Position = 8\r\nText X Offset = 10\r\nText Y Offset = 10\r\n"
        "Text Rotation = 0\r\nText Size = 0\r\nText Scale = 10\r\nImage = \r\n"
        "Image Greyscale = 0\r\nImage Opacity = 255\r\nImage Boundary = 0\r\n"
        "Image Position = 8\r\nImage X Offset = 10\r\nImage Y Offset = 10\r\n"
        "Image Rotation = 0\r\nImage Size = 0\r\nImage Scale = 10\r\n; \r\n"
        "[Advanced]\r\nFilename Mask = %filename%.%ext%\r\nFile Timestamp = 0\r\n"
        "Custom Timestamp = 1600000000\r\nOut Folders History = 1\r\n"
        "Out Folders Number = 5\r\nKeep Subfolders = 1\r\nInclude Subfolders = 0\r\nThreads = "
        "0\r\nExisting Files = 0\r\n; \r\n"
        "[File]\r\nRecent Out Folders = \r\nRecent Files = \r\n; \r\n"
        "[Privacy]\r\nClean Recent Files = 0\r\n; \r\n";
    EXPECT_EQ(SettingsFileText(settings, MakeFormats()), expected);
}

TEST(SettingsText, WindowGroupIsEmptyWithoutSaveWindowPosition) {
    ConversionSettings settings = Defaults(DefaultsFor::Desktop);
    settings.saveWindowPosition = 0;
    const std::string text = SettingsFileText(settings, MakeFormats());
    EXPECT_NE(text.find("Save Window Position = 0\r\n; \r\n[Window]\r\n; \r\n[Interface]\r\n"),
              std::string::npos);
}

TEST(SettingsText, PerFormatKeysFollowTheFormatLists) {
    Formats formats = MakeFormats();
    formats.inputList = {"tiff", "bmp", "raw"};
    formats.outputList = {"png", "psd", "jpg"};
    ConversionSettings settings = Defaults(DefaultsFor::Desktop);
    settings.cfg = 3;  // always written as the current layout
    settings.pngInterlaced = 1;
    const std::string text = SettingsFileText(settings, formats);
    EXPECT_NE(text.find("[General]\r\nCFG = 17\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Input]\r\nFormat = bmp\r\nTIFF Frame Loading = 0\r\n"
                        "RAW Load As = 0\r\nRAW Header Size = 0\r\nRAW Image Width = 0\r\n"
                        "RAW Image Height = 0\r\nRAW Tone Mapping = 2\r\n; \r\n"),
              std::string::npos);
    EXPECT_NE(text.find("[Output]\r\nFormat = psd\r\nPNG BPP = 0\r\nPNG Compression = 0\r\n"
                        "PNG Interlaced = 1\r\nPSD BPP = 0\r\nPSD Compression = 0\r\n"
                        "PSD Alpha Channel = 0\r\nJPG BPP = 0\r\n"
                        "JPG Quality = 95\r\nJPG Chroma = 0\r\nJPG Save As = 0\r\n; \r\n"),
              std::string::npos);
}

TEST(SettingsText, EveryFieldSurvivesSaveAndLoad) {
    // With every format in the lists, every per-format key is written.
    Formats formats = MakeFormats();
    formats.inputList = {"dds", "gif", "ico", "raw", "tiff"};
    formats.outputList = formats.outputKeys;
    const ConversionSettings written = DistinctValues();
    ASSERT_NE(written.saveWindowPosition, 0);
    const std::string text = SettingsFileText(written, formats);

    ConversionSettings read;
    LoadSettingsFromText(read, text, formats);
    const ConversionSettings missing = Loaded("");
    for (const SettingsField& field : SettingsFields()) {
        SCOPED_TRACE(std::string(field.group) + "/" + std::string(field.key));
        if (field.save == FieldSave::Never) {
            EXPECT_TRUE(SameValue(read, missing, field));
        } else if (field.save != FieldSave::LayoutVersion) {
            EXPECT_TRUE(SameValue(read, written, field)) << FieldText(read, field);
        }
    }
    EXPECT_EQ(read.cfg, 17);
    EXPECT_EQ(read.imageGamma, written.imageGamma);
}

TEST(SettingsText, GammaIsWrittenWithSixDecimalsInAnyLocale) {
    ConversionSettings settings = Defaults(DefaultsFor::Desktop);
    settings.imageGamma = 2.35f;
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a decimal comma, where installed
    const std::string text = SettingsFileText(settings, MakeFormats());
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_NE(text.find("Image Gamma = 2.350000\r\n"), std::string::npos);
    EXPECT_FLOAT_EQ(Loaded("[Adjustment]\nImage Gamma = 2.350000").imageGamma, 2.35f);
}

TEST(SettingsText, ValuesNeverBreakTheLineStructure) {
    ConversionSettings settings = Defaults(DefaultsFor::Desktop);
    settings.recentOutFolders = "/tmp/a\r\n[General]\r\nCFG = 1\n/tmp/b";
    const ConversionSettings read = Loaded(SettingsFileText(settings, MakeFormats()));
    EXPECT_EQ(read.recentOutFolders, "/tmp/a  [General]  CFG = 1 /tmp/b");
    EXPECT_EQ(read.cfg, 17);
}

TEST(SettingsDefaults, BothVariantsAndTheLoadDefaults) {
    const ConversionSettings desktop = Defaults(DefaultsFor::Desktop);
    const ConversionSettings commandLine = Defaults(DefaultsFor::CommandLine);
    const ConversionSettings load = Loaded("");
    const int64_t now = NowLocalSeconds();
    for (const SettingsField& field : SettingsFields()) {
        SCOPED_TRACE(std::string(field.group) + "/" + std::string(field.key));
        const std::string key(field.key);
        if (field.kind == FieldKind::Date) {
            for (const ConversionSettings* s : {&desktop, &commandLine, &load}) {
                EXPECT_NEAR(std::stod(FieldText(*s, field)), static_cast<double>(now), 5);
            }
            continue;
        }
        if (key != "Keep Aspect Ratio") {
            EXPECT_TRUE(SameValue(desktop, commandLine, field));
        }
        if (key != "CFG" && key != "X" && key != "Y") {
            EXPECT_TRUE(SameValue(desktop, load, field));
        }
    }
    EXPECT_EQ(desktop.cfg, 17);
    EXPECT_EQ(load.cfg, 0);
    EXPECT_EQ(commandLine.keepAspectRatio, 0);
    EXPECT_EQ(load.keepAspectRatio, 1);
    EXPECT_EQ(desktop.windowX, 705);
    EXPECT_EQ(load.windowX, 100);
    EXPECT_EQ(desktop.inputFormat, "bmp");
    EXPECT_EQ(desktop.outputFormat, "psd");

    // Centring needs a desktop larger than the window.
    const int sizes[][2] = {{510, 260}, {400, 200}, {511, 263}, {1921, 1081}};
    const int expected[][2] = {{100, 100}, {100, 100}, {0, 1}, {705, 410}};
    for (int i = 0; i < 4; ++i) {
        ConversionSettings settings;
        SetDefaults(settings, DefaultsFor::Desktop, MakeFormats(), sizes[i][0], sizes[i][1]);
        EXPECT_EQ(settings.windowX, expected[i][0]);
        EXPECT_EQ(settings.windowY, expected[i][1]);
    }

    // The format defaults come from the lists; the run-time path is left alone.
    Formats formats = MakeFormats();
    formats.inputList = {"tiff"};
    formats.outputList = {"jpg", "psd"};
    ConversionSettings settings;
    settings.settingsFilePath = "/keep/me";
    SetDefaults(settings, DefaultsFor::CommandLine, formats);
    EXPECT_EQ(settings.inputFormat, "tiff");
    EXPECT_EQ(settings.outputFormat, "jpg");
    EXPECT_EQ(settings.settingsFilePath, "/keep/me");
}

TEST(SettingsLoad, MigrationsDependOnTheVersionRead) {
    struct Case {
        int cfg;
        const char* mask;
        int rawLoadAs;
        const char* expectedMask;
        int expectedRaw;
    };
    const Case cases[] = {
        {10, "%filename%", 1, "%filename%.%ext%", 3},
        {11, "%filename%", 1, "%filename%", 3},
        {13, "%filename%", 1, "%filename%", 3},
        {14, "%filename%", 1, "%filename%", 1},
        {10, "%filename%.%ext%", 0, "%filename%.%ext%", 0},
        {10, "%FILENAME%.%EXT%", 0, "%FILENAME%.%EXT%", 0},
        {0, "a", 5, "a.%ext%", 7},
        {-3, "", 0, ".%ext%", 0},
        {17, "%filename%", 2, "%filename%", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.cfg) + " " + c.mask + " " + std::to_string(c.rawLoadAs));
        const ConversionSettings read =
            Loaded("[General]\r\nCFG = " + std::to_string(c.cfg) +
                   "\r\n[Input]\r\nRAW Load As = " + std::to_string(c.rawLoadAs) +
                   "\r\n[Advanced]\r\nFilename Mask = " + c.mask + "\r\n");
        EXPECT_EQ(read.filenameMask, c.expectedMask);
        EXPECT_EQ(read.rawLoadAs, c.expectedRaw);
        EXPECT_EQ(read.cfg, c.cfg);
    }
    // Without "CFG" every migration runs.
    EXPECT_EQ(Loaded("[Input]\nRAW Load As = 1").rawLoadAs, 3);
}

TEST(SettingsLoad, ReadsTextAsTheFileSpellsIt) {
    // 8-bit fields keep the low 8 bits; no range checks.
    const ConversionSettings narrow = Loaded(
        "[Advanced]\nOut Folders Number = 300\n[Watermark]\nText Position = 12\n"
        "Do Watermark = -1\nFont Style = 257\n[Frame]\nDo Frame = x\nSolid Left = 12abc\n");
    EXPECT_EQ(narrow.outFoldersNumber, 44);
    EXPECT_EQ(narrow.textPosition, 12);
    EXPECT_EQ(narrow.doWatermark, -1);
    EXPECT_EQ(narrow.fontStyle, 1);
    EXPECT_EQ(narrow.doFrame, 0);
    EXPECT_EQ(narrow.solidLeft, 12);

    // Groups and keys in any case; the first group and key of a name win.
    const ConversionSettings cased = Loaded(
        "[general]\r\nlanguage = de\r\nLANGUAGE = fr\r\n[Output]\r\nPSD BPP = 32\r\n"
        "[OUTPUT]\r\nJPG Quality = 50\r\nPSD BPP = 8\r\n");
    EXPECT_EQ(cased.language, "de");
    EXPECT_EQ(cased.psdBpp, 32);
    EXPECT_EQ(cased.jpgQuality, 95);

    // Every key is read, whatever the lists and whether or not a save writes it.
    const ConversionSettings all = Loaded(
        "[Output]\nJPG Quality = 50\n[Window]\nHide Passwords = 1\n"
        "[File]\nCsvDelimiter = ;\n");
    EXPECT_EQ(all.jpgQuality, 50);
    EXPECT_EQ(all.hidePasswords, 1);
    EXPECT_EQ(all.csvDelimiter, ";");

    // Without a byte-order mark the file is ISO 8859-1.
    EXPECT_EQ(Loaded("[Watermark]\nText = caf\xE9").text, "caf\xC3\xA9");
    EXPECT_EQ(Loaded("\xEF\xBB\xBF[Watermark]\nText = caf\xC3\xA9").text, "caf\xC3\xA9");
}

}  // namespace
}  // namespace pictorb
