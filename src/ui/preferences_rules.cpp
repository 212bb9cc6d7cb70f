// The preferences dialog's enabling and visibility rules, and the buttons inside its pages.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <initializer_list>
#include <optional>

#include "themes/themes.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {}  // namespace

void PreferencesDialog::EnableRow(std::string_view group, std::string_view key, bool enabled) {
    if (const PreferenceField* field = Find(group, key)) {
        for (QWidget* widget : field->Widgets()) widget->setEnabled(enabled);
    }
}

void PreferencesDialog::ShowRow(std::string_view group, std::string_view key, bool shown) {
    if (const PreferenceField* field = Find(group, key)) {
        for (QWidget* widget : field->Widgets()) widget->setVisible(shown);
    }
}

void PreferencesDialog::ShowPanels(PreferencesPage page, const std::string& name) {
    for (auto& [id, panel] : panels_) {
        if (id.first == page) panel->setVisible(id.second == name);
    }
}

void PreferencesDialog::ApplyRules() {
    if (loading_) return;
    // A list stores its position as the setting's value.
    const auto value = [this](std::string_view group, std::string_view key) {
        return qobject_cast<QComboBox*>(Control(group, key))->currentIndex();
    };
    const auto checked = [this](std::string_view group, std::string_view key) {
        return qobject_cast<QCheckBox*>(Control(group, key))->isChecked();
    };
    const auto enable = [this](std::string_view group, std::initializer_list<std::string_view> keys,
                               bool enabled) {
        for (std::string_view key : keys) EnableRow(group, key, enabled);
    };

    for (const auto& [page, group] : {std::pair{PreferencesPage::Input, "Input"},
                                      std::pair{PreferencesPage::Output, "Output"}}) {
        const auto* formats = qobject_cast<QComboBox*>(Control(group, "Format"));
        ShowPanels(page, ToUtf8(formats->currentData().toString()));
    }

    const int rawLoadAs = value("Input", "RAW Load As");
    const bool rawSizes = rawLoadAs == kRawLoadRgb8 || rawLoadAs == kRawLoadRgb16;
    const bool rawHdr = rawLoadAs == kRawLoadRgb48Hs || rawLoadAs == kRawLoadRgb48;
    enable("Input", {"RAW Header Size", "RAW Image Width", "RAW Image Height"}, rawSizes);
    enable("Input", {"RAW Tone Mapping"}, rawHdr);

    enable("Transform", {"Image Rotation Type", "Image Rotation", "Image Rotation Back Color"},
           checked("Transform", "Do Image Rotation"));
    enable("Transform",
           {"Image Width", "Image Height", "Keep Aspect Ratio", "Image Resize Type",
            "Image Resize Algorithm"},
           checked("Transform", "Do Image Resize"));
    enable("Adjustment", {"Image Threshold"}, checked("Adjustment", "Do Image Threshold"));

    ShowPanels(PreferencesPage::Frame, value("Frame", "Do Frame") == kFrameSolid ? "frame" : "");
    const int watermark = value("Watermark", "Do Watermark");
    ShowPanels(PreferencesPage::Watermark, watermark == kWatermarkText    ? "text"
                                           : watermark == kWatermarkImage ? "image"
                                                                          : "");
    ShowRow("Watermark", "Text Scale", value("Watermark", "Text Size") == kSizeScaled);
    ShowRow("Watermark", "Image Scale", value("Watermark", "Image Size") == kSizeScaled);

    enable("Advanced", {"Custom Timestamp"},
           value("Advanced", "File Timestamp") == kTimestampCustom);
}

void PreferencesDialog::ChooseFont() {
    auto* fonts = qobject_cast<QComboBox*>(Control("Watermark", "Font"));
    auto* size = qobject_cast<QLineEdit*>(Control("Watermark", "Font Size"));
    auto* style = qobject_cast<QComboBox*>(Control("Watermark", "Font Style"));
    auto* effect = qobject_cast<QComboBox*>(Control("Watermark", "Font Effect"));
    ChosenFont initial;
    initial.family = ToUtf8(fonts->currentText());
    initial.pointSize = NumberFieldValue(ToUtf8(size->text()));
    initial.bold = IsBold(style->currentIndex());
    initial.italic = IsItalic(style->currentIndex());
    initial.underline = effect->currentIndex() == kFontEffectUnderline;
    initial.strikeout = effect->currentIndex() == kFontEffectStrikeout;
    const std::optional<ChosenFont> chosen = context_.dialogs.ChooseFont(initial);
    if (!chosen || chosen->family.empty()) return;

    // Only the dialog's controls change here; the settings follow with OK.
    SelectChosenFont(fonts, ToQString(chosen->family));
    size->setText(QString::number(chosen->pointSize));
    style->setCurrentIndex(FontStyleOf(chosen->bold, chosen->italic));
    effect->setCurrentIndex(chosen->underline   ? kFontEffectUnderline
                            : chosen->strikeout ? kFontEffectStrikeout
                                                : kFontEffectNone);
}

void PreferencesDialog::ChooseWatermarkImage() {
    TextTable& texts = context_.state.texts;
    auto* field = qobject_cast<QLineEdit*>(Control("Watermark", "Image"));
    const std::string png = "*.png";
    const std::string bmp = "*.bmp *.rle *.dib";
    const std::string jpeg = "*.jpg *.jpeg *.jpe *.jif";
    const std::vector<std::string> filters = {
        texts.Text("Dialog", "All Supported Files") + " (" + png + " " + bmp + " " + jpeg + ")",
        "Portable Network Graphics (" + png + ")",
        "Windows or OS/2 Bitmap (" + bmp + ")",
        "JPEG File (" + jpeg + ")",
        texts.Text("Dialog", "All Files") + " (*)",
    };
    const std::vector<std::string> files = context_.dialogs.OpenFiles(
        texts.Text("Dialog", "Select Watermark Image"), ToUtf8(field->text()), filters, false);
    if (!files.empty()) field->setText(ToQString(files.front()));
}

}  // namespace pictorb
