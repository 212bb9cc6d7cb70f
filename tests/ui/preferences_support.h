#pragma once
// Shared set-up of the preferences dialog tests: desktop records with two input and two
// output formats and two themes (so every list has something to change to), a snapshot of
// every setting as the settings file spells it, and a way to change any control.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "settings/settings_fields.h"
#include "ui/preferences_dialog.h"
#include "ui_harness.h"

namespace pictorb::test {

class PreferencesTest : public ::testing::Test {
  protected:
    PreferencesTest();

    std::unique_ptr<PreferencesDialog> Open(PreferencesPage start = PreferencesPage::General);
    // Every persisted field as "group/key" -> its text in the settings file.
    std::map<std::string, std::string> Snapshot() const;
    // The fields whose text differs between two snapshots.
    static std::set<std::string> Changed(const std::map<std::string, std::string>& before,
                                         const std::map<std::string, std::string>& after);
    std::string ConfigBytes() const;  // empty when there is no file
    // Moves a row's control (or its unit list) to another value, answering the colour
    // dialog where the control is a colour field; false when it offers a single choice.
    bool ChangeControl(PreferencesDialog& dialog, const PreferenceRow& row, bool unit = false);

    DesktopFixture desktop;
    ConversionSettings& settings;
};

}  // namespace pictorb::test
