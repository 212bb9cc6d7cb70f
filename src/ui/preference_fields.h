#pragma once
// The control kinds of the preferences dialog, one class each: a field builds its widgets
// from a row of the binding table, loads its setting into them and stores them back, so the
// dialog loads and stores every row with one call. Compound controls (a slider with its box,
// a colour field with its swatch, a number with its unit list) keep their parts in step here.

#include <memory>
#include <vector>

#include "settings/conversion_settings.h"
#include "ui/preferences_table.h"

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLabel;
class QSlider;
class QString;
class QWidget;

namespace pictorb {

struct DesktopContext;
struct SettingsField;

class PreferenceField {
  public:
    virtual ~PreferenceField() = default;

    // Puts the label into column 0 of `line` and the control's widgets into columns 1 and 2.
    void Place(QGridLayout* grid, int line);
    // Shows the setting (and its unit or list setting) in the widgets.
    virtual void Load(const ConversionSettings& settings) = 0;
    // Writes the widgets' value back; a field showing no choice leaves its setting as it was.
    virtual void Store(ConversionSettings& settings) const = 0;
    // Every widget of the row, for enabling and showing it as a whole.
    std::vector<QWidget*> Widgets() const;

    const PreferenceRow& row;
    QLabel* label = nullptr;
    QWidget* control = nullptr;  // the widget holding the value
    QSlider* slider = nullptr;
    QComboBox* unit = nullptr;
    QAbstractButton* button = nullptr;  // swatch or "..."

  protected:
    PreferenceField(const PreferenceRow& row, DesktopContext& context);
    // The widgets beside the label; the second is nullptr when the first spans both columns.
    virtual std::pair<QWidget*, QWidget*> Columns() const { return {control, nullptr}; }

    DesktopContext& context_;
    const SettingsField* field_ = nullptr;      // nullptr for a list shown only
    const SettingsField* listField_ = nullptr;  // unit, colour list or font list setting
};

// Selects `family` in a font list, adding it as a chosen font (stored with the list on OK)
// when the list does not offer it yet.
void SelectChosenFont(QComboBox* fonts, const QString& family);

// The field of a row's control kind.
std::unique_ptr<PreferenceField> MakePreferenceField(const PreferenceRow& row,
                                                     DesktopContext& context);

}  // namespace pictorb
