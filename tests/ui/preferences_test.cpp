// The preferences dialog's pages, rules, buttons and closing paths.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <QValidator>

#include "preferences_support.h"
#include "settings/settings.h"
#include "text/utf8.h"

namespace pictorb::test {
namespace {

QComboBox* List(PreferencesDialog& dialog, std::string_view group, std::string_view key) {
    return qobject_cast<QComboBox*>(dialog.Control(group, key));
}
QLineEdit* Field(PreferencesDialog& dialog, std::string_view group, std::string_view key) {
    return qobject_cast<QLineEdit*>(dialog.Control(group, key));
}

TEST_F(PreferencesTest, OpensOnTheStartPageWithTheCategoryTree) {
    for (PreferencesPage page : {PreferencesPage::Output, PreferencesPage::General}) {
        auto dialog = Open(page);
        EXPECT_EQ(dialog->windowTitle(), "Preferences...");
        EXPECT_EQ(dialog->size(), QSize(600, 350));
        EXPECT_TRUE(dialog->isModal());
        ASSERT_EQ(dialog->CategoryTree()->topLevelItemCount(), 9);
        EXPECT_EQ(dialog->CurrentPage(), page);
        EXPECT_EQ(dialog->HeaderText(), page == PreferencesPage::Output ? "Output" : "General");
        EXPECT_TRUE(dialog->PageWidget(page)->isVisibleTo(dialog.get()));
    }
    auto dialog = Open(PreferencesPage::Output);
    // The current output format's panel is the one shown.
    EXPECT_TRUE(dialog->RowShown("Output", "PSD BPP"));
    EXPECT_FALSE(dialog->RowShown("Output", "JPG Quality"));
    dialog->CategoryTree()->setCurrentItem(dialog->CategoryTree()->topLevelItem(5));
    EXPECT_EQ(dialog->CurrentPage(), PreferencesPage::Adjustment);
    EXPECT_EQ(dialog->HeaderText(), "Adjustment");
    EXPECT_TRUE(dialog->PageWidget(PreferencesPage::Adjustment)->isVisibleTo(dialog.get()));
    EXPECT_FALSE(dialog->PageWidget(PreferencesPage::Output)->isVisibleTo(dialog.get()));
}

TEST_F(PreferencesTest, ThisEditionsFormatListsAndThePanelsBehindThem) {
    desktop.state.formats.inputList = {"bmp"};
    desktop.state.formats.outputList = {"psd"};
    auto dialog = Open(PreferencesPage::Input);
    QComboBox* input = List(*dialog, "Input", "Format");
    ASSERT_EQ(input->count(), 1);
    EXPECT_EQ(input->itemText(0), "BMP");
    EXPECT_FALSE(input->itemIcon(0).isNull());
    for (std::string_view key : {"DDS Load As", "GIF Frame Loading", "ICO Frame Loading",
                                 "RAW Load As", "TIFF Frame Loading"}) {
        EXPECT_FALSE(dialog->RowShown("Input", key)) << key;
    }
    // All 23 output panels exist; each bit-depth list starts with "Auto".
    for (std::string_view panel : OutputPanelKeys()) {
        const std::string key = AsciiUpper(panel) + " BPP";
        QComboBox* depths = List(*dialog, "Output", key);
        ASSERT_NE(depths, nullptr) << key;
        EXPECT_EQ(depths->itemText(0), "Auto") << key;
    }
    EXPECT_EQ(List(*dialog, "Output", "PSD BPP")->count(), 2);  // "Auto", "32"
}

TEST_F(PreferencesTest, AutoStoresZeroAndADepthStoresItsNumber) {
    settings.psdBpp = 32;
    auto dialog = Open(PreferencesPage::Output);
    QComboBox* depths = List(*dialog, "Output", "PSD BPP");
    EXPECT_EQ(depths->currentText(), "32");
    depths->setCurrentIndex(0);
    dialog->Confirm();
    EXPECT_EQ(settings.psdBpp, 0);
    dialog = Open(PreferencesPage::Output);
    List(*dialog, "Output", "PSD BPP")->setCurrentIndex(1);
    dialog->Confirm();
    EXPECT_EQ(settings.psdBpp, 32);
}

TEST_F(PreferencesTest, ColourCorrectionFollowsTheFourAdjustments) {
    settings.imageBrightness = 10;
    settings.imageContrast = -20;
    settings.imageGamma = 2.5f;
    settings.imageInvert = 1;
    settings.doImageColorCorrection = 1;
    auto dialog = Open(PreferencesPage::Adjustment);
    auto* brightness = qobject_cast<QSpinBox*>(dialog->Control("Adjustment", "Image Brightness"));
    auto* contrast = qobject_cast<QSpinBox*>(dialog->Control("Adjustment", "Image Contrast"));
    auto* gamma = qobject_cast<QDoubleSpinBox*>(dialog->Control("Adjustment", "Image Gamma"));
    auto* invert = qobject_cast<QCheckBox*>(dialog->Control("Adjustment", "Image Invert"));
    // The paired sliders show their own scales.
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Brightness")->value(), 110);
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Contrast")->value(), 80);
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Gamma")->value(), 250);
    EXPECT_EQ(gamma->text(), "2.50");
    brightness->setValue(0);
    contrast->setValue(0);
    gamma->setValue(1.0);
    invert->setChecked(false);
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Gamma")->value(), 100);
    dialog->Confirm();
    EXPECT_EQ(settings.doImageColorCorrection, 0);
    EXPECT_EQ(settings.imageGamma, 1.0f);

    for (int changed = 0; changed < 4; ++changed) {
        SCOPED_TRACE(changed);
        dialog = Open();
        if (changed == 0) dialog->Slider("Adjustment", "Image Brightness")->setValue(99);
        if (changed == 1) dialog->Slider("Adjustment", "Image Contrast")->setValue(101);
        if (changed == 2) dialog->Slider("Adjustment", "Image Gamma")->setValue(101);
        if (changed == 3)
            qobject_cast<QCheckBox*>(dialog->Control("Adjustment", "Image Invert"))
                ->setChecked(true);
        dialog->Confirm();
        EXPECT_EQ(settings.doImageColorCorrection, 1);
        settings.imageBrightness = settings.imageContrast = 0;
        settings.imageGamma = 1.0f;
        settings.imageInvert = 0;
    }
}

TEST_F(PreferencesTest, PairedSliderAndBoxFollowEachOther) {
    auto dialog = Open();
    QSlider* quality = dialog->Slider("Output", "JPG Quality");
    auto* box = qobject_cast<QSpinBox*>(dialog->Control("Output", "JPG Quality"));
    quality->setValue(40);
    EXPECT_EQ(box->value(), 40);
    box->setValue(77);
    EXPECT_EQ(quality->value(), 77);
    auto* brightness = qobject_cast<QSpinBox*>(dialog->Control("Adjustment", "Image Brightness"));
    brightness->setValue(-100);
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Brightness")->value(), 0);
    auto* gamma = qobject_cast<QDoubleSpinBox*>(dialog->Control("Adjustment", "Image Gamma"));
    dialog->Slider("Adjustment", "Image Gamma")->setValue(999);
    EXPECT_EQ(gamma->text(), "9.99");
    gamma->setValue(0.01);
    EXPECT_EQ(dialog->Slider("Adjustment", "Image Gamma")->value(), 1);
    dialog->Confirm();
    EXPECT_EQ(settings.jpgQuality, 77);
    EXPECT_EQ(settings.imageBrightness, -100);
    EXPECT_FLOAT_EQ(settings.imageGamma, 0.01f);
}

TEST_F(PreferencesTest, ColoursAreStoredAsUpperCaseHexAndNamed) {
    EXPECT_EQ(ColourName(desktop.state.texts, "FF8000"), "Orange");
    EXPECT_EQ(ColourName(desktop.state.texts, "8000ff"), "Violet");
    EXPECT_EQ(ColourName(desktop.state.texts, "123456"), "Color #123456");
    EXPECT_EQ(NormalizeColour("ff80zz"), "FF8000");
    EXPECT_EQ(NormalizeColour("FFF"), "000000");

    auto dialog = Open(PreferencesPage::Transform);
    qobject_cast<QCheckBox*>(dialog->Control("Transform", "Do Image Rotation"))->setChecked(true);
    desktop.dialogs.colors = {std::string("ff8000")};
    dialog->Button("Transform", "Image Rotation Back Color")->click();
    EXPECT_EQ(Field(*dialog, "Transform", "Image Rotation Back Color")->text(), "FF8000");
    desktop.dialogs.colors = {std::nullopt};  // a cancelled colour dialog changes nothing
    dialog->Button("Transform", "Image Rotation Back Color")->click();
    EXPECT_EQ(Field(*dialog, "Transform", "Image Rotation Back Color")->text(), "FF8000");

    const std::string offered = settings.fontColors;
    desktop.dialogs.colors = {std::string("FF8000"), std::string("123456")};
    dialog->Button("Watermark", "Font Color")->click();  // already offered: selected only
    EXPECT_EQ(List(*dialog, "Watermark", "Font Color")->currentText(), "Orange");
    EXPECT_EQ(settings.fontColors, offered);
    dialog->Button("Watermark", "Font Color")->click();
    EXPECT_EQ(List(*dialog, "Watermark", "Font Color")->currentText(), "Color #123456");
    EXPECT_EQ(settings.fontColors, offered + ",123456");
    // A colour added by hand looks as the swatch of the same colour does, border and all.
    desktop.dialogs.colors = {std::string("123456")};
    dialog->Button("Transform", "Image Rotation Back Color")->click();
    QComboBox* fontColours = List(*dialog, "Watermark", "Font Color");
    EXPECT_EQ(
        fontColours->itemIcon(fontColours->currentIndex()).pixmap(16).toImage(),
        dialog->Button("Transform", "Image Rotation Back Color")->icon().pixmap(16).toImage());
    desktop.dialogs.colors = {std::string("FF8000")};
    dialog->Button("Transform", "Image Rotation Back Color")->click();
    dialog->Confirm();
    EXPECT_EQ(settings.imageRotationBackColor, "FF8000");
    EXPECT_EQ(settings.fontColor, "123456");
}

TEST_F(PreferencesTest, CancelAfterAddingAColourKeepsIt) {
    auto dialog = Open(PreferencesPage::Watermark);
    desktop.dialogs.colors = {std::string("ABCDEF")};
    dialog->Button("Watermark", "Back Color")->click();
    dialog->reject();
    EXPECT_TRUE(settings.backColors.ends_with(",ABCDEF"));
    EXPECT_EQ(settings.backColor, "000000");
}

TEST_F(PreferencesTest, WithoutThemesTheListShowsNoneAndKeepsTheSetting) {
    desktop.context.themes = {};
    auto dialog = Open(PreferencesPage::Interface);
    QComboBox* themes = List(*dialog, "Interface", "UI Theme");
    ASSERT_EQ(themes->count(), 1);
    EXPECT_EQ(themes->itemText(0), "None");
    dialog->Confirm();
    EXPECT_EQ(settings.uiTheme, "handdrawn");
    EXPECT_EQ(dialog->Outcome().reload, ThemeReload::None);
}

TEST_F(PreferencesTest, ThemeAndIconSizeChangesAskForTheirReload) {
    auto dialog = Open(PreferencesPage::Interface);
    QComboBox* themes = List(*dialog, "Interface", "UI Theme");
    EXPECT_EQ(themes->itemText(0), "Flat");  // sorted by theme name
    EXPECT_EQ(themes->currentText(), "Hand Drawn");
    themes->setCurrentIndex(0);
    List(*dialog, "Interface", "UI Size")->setCurrentIndex(0);
    dialog->Confirm();
    EXPECT_EQ(settings.uiTheme, "flat");
    EXPECT_EQ(dialog->Outcome().reload, ThemeReload::Theme);  // the theme wins over the size
    dialog = Open(PreferencesPage::Interface);
    List(*dialog, "Interface", "UI Size")->setCurrentIndex(1);
    dialog->Confirm();
    EXPECT_EQ(dialog->Outcome().reload, ThemeReload::IconSize);
}

TEST_F(PreferencesTest, DefaultsAsksAndOnYesResetsSavesAndReloads) {
    settings.uiTheme = "flat";
    settings.jpgQuality = 50;
    const auto before = Snapshot();
    auto dialog = Open();
    desktop.dialogs.answers = {MessageAnswer::No};
    dialog->DefaultsButton()->click();
    ASSERT_EQ(desktop.dialogs.asked.size(), 1u);
    EXPECT_EQ(desktop.dialogs.asked[0].title, "Reset to Defaults");
    EXPECT_EQ(desktop.dialogs.asked[0].text,
              "Are you sure you want to reset all your settings to the default values?");
    // Return must not reset everything: No is the default answer.
    EXPECT_EQ(desktop.dialogs.asked[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_EQ(desktop.dialogs.asked[0].icon, MessageIcon::Question);
    EXPECT_TRUE(Changed(before, Snapshot()).empty());
    EXPECT_EQ(ConfigBytes(), "");
    EXPECT_FALSE(dialog->Outcome().saved);

    desktop.dialogs.answers = {MessageAnswer::Yes};
    dialog->DefaultsButton()->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->Outcome().saved);
    EXPECT_EQ(dialog->Outcome().reload, ThemeReload::Theme);
    EXPECT_EQ(settings.uiTheme, "handdrawn");
    EXPECT_EQ(settings.jpgQuality, 95);
    EXPECT_EQ(ConfigBytes(), SettingsFileText(settings, desktop.state.formats));
}

TEST_F(PreferencesTest, FontButtonAddsTheFontOnceAndSetsSizeAndStyle) {
    auto dialog = Open(PreferencesPage::Watermark);
    ChosenFont font;
    font.family = "DejaVu Serif";
    font.pointSize = 20;
    font.bold = true;
    font.italic = true;
    desktop.dialogs.fonts = {font, font, std::nullopt};
    for (int press = 0; press < 3; ++press) dialog->Button("Watermark", "Font")->click();
    EXPECT_EQ(List(*dialog, "Watermark", "Font")->count(), 4);
    dialog->Confirm();
    EXPECT_EQ(settings.fonts, "Arial,Tahoma,Verdana,DejaVu Serif");
    EXPECT_EQ(settings.font, "DejaVu Serif");
    EXPECT_EQ(settings.fontSize, 20);
    EXPECT_EQ(settings.fontStyle, 3);
}

TEST_F(PreferencesTest, WatermarkImageButtonOffersTheFiltersInOrder) {
    auto dialog = Open(PreferencesPage::Watermark);
    desktop.dialogs.files = {{"/pictures/logo.png"}};
    dialog->Button("Watermark", "Image")->click();
    ASSERT_EQ(desktop.dialogs.fileFilters.size(), 1u);
    EXPECT_EQ(desktop.dialogs.fileFilters[0],
              (std::vector<std::string>{
                  "All Supported Files (*.png *.bmp *.rle *.dib *.jpg *.jpeg *.jpe *.jif)",
                  "Portable Network Graphics (*.png)", "Windows or OS/2 Bitmap (*.bmp *.rle *.dib)",
                  "JPEG File (*.jpg *.jpeg *.jpe *.jif)", "All Files (*)"}));
    EXPECT_EQ(Field(*dialog, "Watermark", "Image")->text(), "/pictures/logo.png");
}

TEST_F(PreferencesTest, FieldsStoreCleanTextAndDigitsOnly) {
    auto dialog = Open();
    Field(*dialog, "Watermark", "Text")->setText("  two\tlines\r\nof text  ");
    Field(*dialog, "Advanced", "Filename Mask")->setText("\t%filename%\n.%ext% ");
    QLineEdit* size = Field(*dialog, "Watermark", "Font Size");
    size->clear();
    QLineEdit* padding = Field(*dialog, "Watermark", "Text Padding");
    for (const char* typed : {"-3", "3a", " 3"}) {
        QString text(typed);
        int at = 0;
        EXPECT_EQ(padding->validator()->validate(text, at), QValidator::Invalid) << typed;
    }
    padding->setText("3");
    dialog->Confirm();
    EXPECT_EQ(settings.text, "twolinesof text");
    EXPECT_EQ(settings.filenameMask, "%filename%.%ext%");
    EXPECT_EQ(settings.fontSize, 0);
    EXPECT_EQ(settings.textPadding, 3);
    EXPECT_EQ(NumberFieldValue("99999999999"), 2147483647);
    EXPECT_EQ(NumberFieldValue("12x"), 0);
}

TEST_F(PreferencesTest, EnablingAndVisibilityRules) {
    auto dialog = Open();
    QComboBox* rawLoadAs = List(*dialog, "Input", "RAW Load As");
    for (int layout = 0; layout < 6; ++layout) {
        SCOPED_TRACE(layout);
        rawLoadAs->setCurrentIndex(layout);
        const bool sizes = layout == 1 || layout == 2;
        for (std::string_view key : {"RAW Header Size", "RAW Image Width", "RAW Image Height"}) {
            EXPECT_EQ(dialog->RowEnabled("Input", key), sizes);
        }
        EXPECT_EQ(dialog->RowEnabled("Input", "RAW Tone Mapping"), layout >= 4);
    }
    const std::pair<std::string_view, std::vector<std::string_view>> checks[] = {
        {"Do Image Rotation",
         {"Image Rotation Type", "Image Rotation", "Image Rotation Back Color"}},
        {"Do Image Resize",
         {"Image Width", "Image Height", "Keep Aspect Ratio", "Image Resize Type",
          "Image Resize Algorithm"}},
        {"Do Image Threshold", {"Image Threshold"}},
    };
    for (const auto& [governing, rows] : checks) {
        const std::string_view group =
            governing == "Do Image Threshold" ? "Adjustment" : "Transform";
        auto* check = qobject_cast<QCheckBox*>(dialog->Control(group, governing));
        for (bool on : {false, true, false}) {
            SCOPED_TRACE(std::string(governing) + (on ? " on" : " off"));
            check->setChecked(on);
            for (std::string_view key : rows) EXPECT_EQ(dialog->RowEnabled(group, key), on) << key;
        }
    }
    for (int frame : {0, 1, 0}) {
        List(*dialog, "Frame", "Do Frame")->setCurrentIndex(frame);
        EXPECT_EQ(dialog->RowShown("Frame", "Solid Left"), frame == 1);
        EXPECT_EQ(dialog->RowShown("Frame", "Solid Opacity"), frame == 1);
    }
    for (int kind : {0, 1, 2, 0}) {
        List(*dialog, "Watermark", "Do Watermark")->setCurrentIndex(kind);
        EXPECT_EQ(dialog->RowShown("Watermark", "Text"), kind == 1);
        EXPECT_EQ(dialog->RowShown("Watermark", "Image"), kind == 2);
    }
    List(*dialog, "Watermark", "Do Watermark")->setCurrentIndex(1);
    EXPECT_FALSE(dialog->RowShown("Watermark", "Text Scale"));  // "Fixed" is choice 0
    List(*dialog, "Watermark", "Text Size")->addItem("second");
    List(*dialog, "Watermark", "Text Size")->setCurrentIndex(1);
    EXPECT_TRUE(dialog->RowShown("Watermark", "Text Scale"));
    for (int stamp : {0, 1, 2}) {
        List(*dialog, "Advanced", "File Timestamp")->setCurrentIndex(stamp);
        EXPECT_EQ(dialog->RowEnabled("Advanced", "Custom Timestamp"), stamp == 2);
    }
    for (const char* key : {"Keep Subfolders", "Include Subfolders", "Threads"})
        EXPECT_TRUE(dialog->RowShown("Advanced", key)) << key;
    EXPECT_TRUE(dialog->RowShown("Advanced", "Out Folders Number"));
    List(*dialog, "Input", "Format")->setCurrentIndex(1);  // "RAW"
    EXPECT_TRUE(dialog->RowShown("Input", "RAW Load As"));
    EXPECT_FALSE(dialog->RowShown("Input", "DDS Load As"));
    List(*dialog, "Output", "Format")->setCurrentIndex(1);  // "JPG"
    EXPECT_TRUE(dialog->RowShown("Output", "JPG Quality"));
    EXPECT_FALSE(dialog->RowShown("Output", "PSD BPP"));
}

}  // namespace
}  // namespace pictorb::test
