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
    const auto selected = [this](std::string_view group, std::string_view key) {
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

    const int rawLoadAs = selected("Input", "RAW Load As");
    const bool rawSizes = rawLoadAs == 1 || rawLoadAs == 2;  // RGB 8-bit, RGB 16-bit
    const bool rawHdr = rawLoadAs == 4 || rawLoadAs == 5;    // the two 48-bit layouts
    enable("Input", {"RAW Header Size", "RAW Image Width", "RAW Image Height"}, rawSizes);
    enable("Input", {"RAW Tone Mapping"}, rawHdr);

    enable("Transform", {"Image Rotation Type", "Image Rotation", "Image Rotation Back Color"},
           checked("Transform", "Do Image Rotation"));
    enable("Transform",
           {"Image Width", "Image Height", "Keep Aspect Ratio", "Image Resize Type",
            "Image Resize Algorithm"},
           checked("Transform", "Do Image Resize"));
    enable("Adjustment", {"Image Threshold"}, checked("Adjustment", "Do Image Threshold"));

    ShowPanels(PreferencesPage::Frame, selected("Frame", "Do Frame") == 1 ? "frame" : "");
    const int watermark = selected("Watermark", "Do Watermark");
    ShowPanels(PreferencesPage::Watermark, watermark == 1 ? "text" : watermark == 2 ? "image" : "");
    ShowRow("Watermark", "Text Scale", selected("Watermark", "Text Size") == 1);
    ShowRow("Watermark", "Image Scale", selected("Watermark", "Image Size") == 1);

    enable("Advanced", {"Custom Timestamp"}, selected("Advanced", "File Timestamp") == 2);
}

void PreferencesDialog::ChooseFont() {
    auto* fonts = qobject_cast<QComboBox*>(Control("Watermark", "Font"));
    auto* size = qobject_cast<QLineEdit*>(Control("Watermark", "Font Size"));
    auto* style = qobject_cast<QComboBox*>(Control("Watermark", "Font Style"));
    auto* effect = qobject_cast<QComboBox*>(Control("Watermark", "Font Effect"));
    ChosenFont initial;
    initial.family = ToUtf8(fonts->currentText());
    initial.pointSize = NumberFieldValue(ToUtf8(size->text()));
    initial.bold = style->currentIndex() == 1 || style->currentIndex() == 3;
    initial.italic = style->currentIndex() == 2 || style->currentIndex() == 3;
    initial.underline = effect->currentIndex() == 1;
    initial.strikeout = effect->currentIndex() == 2;
    const std::optional<ChosenFont> chosen = context_.dialogs.ChooseFont(initial);
    if (!chosen || chosen->family.empty()) return;

    std::string& offered = context_.state.settings.fonts;
    offered = AppendIfAbsent(offered, chosen->family,
                             [](std::string_view a, std::string_view b) { return a == b; });
    if (fonts->findText(ToQString(chosen->family)) < 0) fonts->addItem(ToQString(chosen->family));
    fonts->setCurrentIndex(fonts->findText(ToQString(chosen->family)));
    size->setText(QString::number(chosen->pointSize));
    style->setCurrentIndex((chosen->bold ? 1 : 0) + (chosen->italic ? 2 : 0));
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

std::string PreferencesDialog::ShownTheme() const {
    const auto* list = qobject_cast<QComboBox*>(Control("Interface", "UI Theme"));
    if (context_.themes.displayNames.empty() || list->currentIndex() < 0) {
        return context_.state.settings.uiTheme;
    }
    const std::string theme = ThemeAtPosition(context_.themes, list->currentIndex());
    return theme.empty() ? context_.state.settings.uiTheme : theme;
}

}  // namespace pictorb
