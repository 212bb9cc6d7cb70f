#pragma once
// The preferences dialog: a category tree, a header strip and one page per category, every
// control built from the binding table (preferences_table.h) and loaded, written back and
// reset by walking that table. It needs no main window, so tests drive it alone.

#include <QDialog>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/desktop_context.h"
#include "ui/preference_fields.h"
#include "ui/preferences_page.h"
#include "ui/preferences_table.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTreeWidget;

namespace pictorb {

class PreviewPanel;

// What the main window must do after the dialog closed.
struct PreferencesOutcome {
    bool saved = false;  // OK or a confirmed Defaults wrote the settings record and file
    ThemeReload reload = ThemeReload::None;
    std::string outputFormat;  // the format to select in the main window's list
};

class PreferencesDialog : public QDialog {
    Q_OBJECT

  public:
    // `inputs` choose the preview's picture; `showPreview` shows the panel whatever the
    // setting says (the Preview command).
    PreferencesDialog(DesktopContext& context, QWidget* parent, PreferencesPage start,
                      PreviewInputs inputs = {}, bool showPreview = false);
    ~PreferencesDialog() override;

    const PreferencesOutcome& Outcome() const { return outcome_; }

    // OK: writes every control back, saves the settings file and closes.
    void Confirm();
    // Defaults: asks; on Yes resets the record, saves the file and closes.
    void ResetToDefaults();

    PreferencesPage CurrentPage() const;
    QString HeaderText() const;
    QWidget* PageWidget(PreferencesPage page) const;
    QTreeWidget* CategoryTree() const { return tree_; }
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* DefaultsButton() const { return defaultsButton_; }
    QCheckBox* PreviewBox() const { return previewBox_; }
    // The panel; nullptr until it was first shown.
    PreviewPanel* Preview() const { return preview_; }
    // The settings as the controls show them now, before OK.
    ConversionSettings CurrentSettings() const;
    // "Copy as Command Line"; nullptr when no main window offers it.
    QPushButton* CopyCommandLineButton() const { return copyCommandLineButton_; }

    // The widgets of the row that edits a setting (by its key, or its unit or list key);
    // nullptr when there is none. The control is the combo box, checkbox, field, number box
    // or date field that holds the value.
    QWidget* Control(std::string_view group, std::string_view key) const;
    QComboBox* UnitList(std::string_view group, std::string_view key) const;
    QSlider* Slider(std::string_view group, std::string_view key) const;
    QAbstractButton* Button(std::string_view group, std::string_view key) const;  // swatch, "..."
    bool RowEnabled(std::string_view group, std::string_view key) const;
    // Whether the row would show while its page is shown.
    bool RowShown(std::string_view group, std::string_view key) const;

    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFrame(PreferencesPage start);
    // Label mnemonics, tooltips, the wheel only for focused controls, F1 for the manual.
    void AddKeyboardHelp();
    void BuildPages();
    QWidget* BuildPage(PreferencesPage page, std::vector<PreferenceField*>& labelled);
    void BuildRow(PreferenceField& field, QGridLayout* grid);
    void ApplyRules();
    void ShowPanels(PreferencesPage page, const std::string& name);
    void EnableRow(std::string_view group, std::string_view key, bool enabled);
    void ShowRow(std::string_view group, std::string_view key, bool shown);
    void ChooseFont();
    void ChooseWatermarkImage();
    // Saves and closes, asking for the reload that a change from the theme and icon size in
    // use before needs.
    void Finish(const std::string& oldTheme, int32_t oldSize);
    PreferenceField* Find(std::string_view group, std::string_view key) const;
    // Every control's value into `settings`, with the colour correction OK would switch.
    void StoreFields(ConversionSettings& settings) const;
    void ShowPreview(bool shown);
    void UpdatePreview();
    void FollowEdits(const PreferenceField& field);

    DesktopContext& context_;
    // One per row of the binding table, in its order.
    std::vector<std::unique_ptr<PreferenceField>> fields_;
    const PreferenceField* keptUpdateRange_ = nullptr;  // shown as "Never", never stored
    std::vector<QWidget*> pages_;
    // Panels by page and name ("bmp", "frame", "text"); the widget shown or hidden.
    std::map<std::pair<PreferencesPage, std::string>, QWidget*> panels_;
    QTreeWidget* tree_ = nullptr;
    QLabel* header_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* defaultsButton_ = nullptr;
    QCheckBox* previewBox_ = nullptr;
    QHBoxLayout* top_ = nullptr;
    PreviewInputs previewInputs_;
    PreviewPanel* preview_ = nullptr;
    QPushButton* copyCommandLineButton_ = nullptr;
    bool loading_ = true;  // rules wait until every control is loaded
    PreferencesOutcome outcome_;
};

}  // namespace pictorb
