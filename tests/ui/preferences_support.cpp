#include "preferences_support.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include <fstream>
#include <sstream>

#include "settings/settings.h"

namespace pictorb::test {

PreferencesTest::PreferencesTest() : settings(desktop.state.settings) {
    desktop.state.formats.inputList = {"bmp", "raw"};
    desktop.state.formats.outputList = {"psd", "jpg"};
    desktop.context.themes.displayNames = {{"handdrawn", "Hand Drawn"}, {"flat", "Flat"}};
    desktop.context.themes.current = "handdrawn";
    // A build with an update server, where every row edits its setting.
    desktop.context.updateHost = "127.0.0.1";
}

std::unique_ptr<PreferencesDialog> PreferencesTest::Open(PreferencesPage start) {
    return std::make_unique<PreferencesDialog>(desktop.context, nullptr, start);
}

std::map<std::string, std::string> PreferencesTest::Snapshot() const {
    std::map<std::string, std::string> fields;
    for (const SettingsField& field : SettingsFields()) {
        fields[std::string(field.group) + "/" + std::string(field.key)] =
            FieldText(settings, field);
    }
    return fields;
}

std::set<std::string> PreferencesTest::Changed(const std::map<std::string, std::string>& before,
                                               const std::map<std::string, std::string>& after) {
    std::set<std::string> changed;
    for (const auto& [name, text] : before) {
        if (after.at(name) != text) changed.insert(name);
    }
    return changed;
}

std::string PreferencesTest::ConfigBytes() const {
    std::ifstream file(settings.settingsFilePath, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool PreferencesTest::ChangeControl(PreferencesDialog& dialog, const PreferenceRow& row,
                                    bool unit) {
    QWidget* control =
        unit ? dialog.UnitList(row.group, row.unitKey) : dialog.Control(row.group, row.key);
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        if (list->count() < 2) return false;
        list->setCurrentIndex((list->currentIndex() + 1) % list->count());
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        check->toggle();
    } else if (auto* decimal = qobject_cast<QDoubleSpinBox*>(control)) {
        const double step = decimal->value() < decimal->maximum() ? 0.01 : -0.01;
        decimal->setValue(decimal->value() + step);
    } else if (auto* number = qobject_cast<QSpinBox*>(control)) {
        number->setValue(number->value() + (number->value() < number->maximum() ? 1 : -1));
    } else if (auto* date = qobject_cast<QDateTimeEdit*>(control)) {
        date->setDateTime(date->dateTime().addDays(1));
    } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
        if (field->isReadOnly()) {
            // The swatch may be off under its enabling rule; that rule has its own test.
            QAbstractButton* swatch = dialog.Button(row.group, row.key);
            for (QWidget* widget = swatch; widget != &dialog; widget = widget->parentWidget()) {
                widget->setEnabled(true);
            }
            desktop.dialogs.colors.push_back("123456");
            swatch->click();
        } else if (field->validator() != nullptr) {
            field->setText(QString::number(field->text().toInt() + 7));
        } else {
            field->setText(field->text() + "x");
        }
    } else {
        ADD_FAILURE() << "no control for " << row.key;
        return false;
    }
    return true;
}

}  // namespace pictorb::test
