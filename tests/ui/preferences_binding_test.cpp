// The binding table against the settings record's field table: every setting the dialog
// edits has exactly one row, every row names a real setting, and each control changes its
// own setting alone.

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "cli/cli.h"
#include "preferences_support.h"
#include "settings/settings.h"

namespace pictorb::test {
namespace {

// Settings the dialog does not edit: the layout version, the update schedule's date, the
// window geometry, the derived colour-correction flag and the lists of group File.
const std::set<std::string> kNotEdited = {
    "General/CFG",
    "General/Update Date",
    "Window/IsMaximized",
    "Window/X",
    "Window/Y",
    "Window/Width",
    "Window/Height",
    "Window/Hide Passwords",
    "Window/Show Single Password",
    "Window/Show Password List",
    "Window/Show Character Set",
    "Window/Show Advanced Options",
    "Interface/Show Preview",  // the Preview check box beside Defaults, not a page's row
    "Adjustment/Do Image Color Correction",
    "File/TxtFields",
    "File/CsvDelimiter",
    "File/Recent Out Folders",
    "File/Recent Files",
    "Privacy/Clean Recent Files",
};

std::string Name(std::string_view group, std::string_view key) {
    return std::string(group) + "/" + std::string(key);
}

TEST(PreferencesBinding, EverySettingHasOneRowAndEveryRowASetting) {
    std::map<std::string, int> bound;
    for (const PreferenceRow& row : PreferenceRows()) {
        for (std::string_view key : {row.key, row.unitKey}) {
            if (key.empty()) continue;
            SCOPED_TRACE(Name(row.group, key));
            EXPECT_NE(FindSettingsField(row.group, key), nullptr) << "row without a setting";
            ++bound[Name(row.group, key)];
        }
    }
    for (const SettingsField& field : SettingsFields()) {
        const std::string name = Name(field.group, field.key);
        SCOPED_TRACE(name);
        const int rows = bound.count(name) ? bound[name] : 0;
        EXPECT_EQ(rows + static_cast<int>(kNotEdited.count(name)), 1)
            << "a setting needs exactly one row, or a place in the not-edited list";
    }
}

// A list stores its position, so its choices must follow the values the keyword tables (and
// the rules' named values) give them: position i is the keyword of value i.
TEST(PreferencesBinding, ListChoicesFollowTheKeywordTables) {
    // Choice keys whose keyword is an abbreviation rather than a part of the key.
    const std::map<std::string_view, std::string_view> abbreviated = {
        {"Adaptive Logarithmic", "AL"},
        {"DR Reduction", "DRR"},
        {"Gradient Domain", "GD"},
        {"Strikeout", "STRIKETHROUGHT"},
    };
    int checked = 0;
    for (const OptionDescription& option : DescribeOptions()) {
        if (option.kind != OptionValueKind::Keyword || option.key.empty()) continue;
        const PreferenceRow* row = FindPreferenceRow(option.group, option.key);
        if (row == nullptr || row->control != PreferenceControl::List || row->key != option.key)
            continue;
        SCOPED_TRACE(Name(row->group, row->key));
        const std::vector<std::string_view> choices = SplitChoices(row->choices);
        for (std::size_t position = 0; position < choices.size(); ++position) {
            SCOPED_TRACE(choices[position]);
            std::string_view keyword;
            for (const KeywordRow& entry : KeywordRows(option.keywordTable)) {
                if (entry.value != static_cast<int32_t>(position)) continue;
                if (!entry.formats.empty() && entry.formats.find(row->panel) == std::string::npos)
                    continue;
                keyword = entry.keyword;
            }
            ASSERT_FALSE(keyword.empty()) << "no keyword has this position's value";
            std::string plain;  // the key upper-cased, letters and digits only
            for (char c : choices[position])
                if (std::isalnum(static_cast<unsigned char>(c)))
                    plain += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto known = abbreviated.find(choices[position]);
            if (known != abbreviated.end()) {
                EXPECT_EQ(keyword, known->second);
            } else {
                EXPECT_NE(plain.find(keyword), std::string::npos) << keyword;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
}

TEST_F(PreferencesTest, EachControlChangesItsSettingAlone) {
    const ConversionSettings start = settings;
    std::set<std::string> singleChoice;
    for (const PreferenceRow& row : PreferenceRows()) {
        if (row.key.empty()) continue;
        for (bool unit : {false, true}) {
            if (unit && (row.unitKey.empty() || row.control != PreferenceControl::Number)) continue;
            const std::string_view key = unit ? row.unitKey : row.key;
            SCOPED_TRACE(Name(row.group, key));
            settings = start;
            const auto before = Snapshot();
            auto dialog = Open();
            if (!ChangeControl(*dialog, row, unit)) {
                singleChoice.insert(std::string(key));
                continue;
            }
            dialog->Confirm();
            ASSERT_TRUE(dialog->Outcome().saved);
            std::set<std::string> expected = {Name(row.group, key)};
            if (row.group == "Adjustment" && key != "Do Image Greyscale" &&
                key != "Do Image Threshold" && key != "Image Threshold") {
                expected.insert("Adjustment/Do Image Color Correction");
            }
            EXPECT_EQ(Changed(before, Snapshot()), expected);
        }
    }
    // Lists of a single entry in this edition; the language always stores "en".
    EXPECT_EQ(singleChoice, (std::set<std::string>{"Language", "Text Size", "Image Size"}));
    settings = start;
    settings.language = "xx";
    Open()->Confirm();
    EXPECT_EQ(settings.language, "en");
}

TEST_F(PreferencesTest, OkWithoutChangesLeavesTheFileByteIdentical) {
    settings.imageGamma = 2.2f;
    settings.doImageColorCorrection = 1;
    settings.textXOffset = -5;
    settings.imageRotationBackColor = "00FF80";
    settings.fileTimestamp = 2;
    settings.customTimestamp = 1700000059;  // seconds the minute field does not show
    settings.fonts = "Arial,Tahoma,Verdana,DejaVu Sans";
    settings.font = "DejaVu Sans";
    settings.doWatermark = 1;
    settings.uiTheme = "flat";
    ASSERT_TRUE(SaveSettings(settings, desktop.state.formats));
    const std::string saved = ConfigBytes();
    ASSERT_FALSE(saved.empty());
    auto dialog = Open(PreferencesPage::Output);
    dialog->Confirm();
    EXPECT_EQ(ConfigBytes(), saved);
    EXPECT_EQ(dialog->Outcome().reload, ThemeReload::None);
    EXPECT_EQ(dialog->Outcome().outputFormat, "psd");
}

TEST_F(PreferencesTest, CancelEscapeAndCloseBoxDiscard) {
    const auto before = Snapshot();
    for (const char* how : {"cancel", "escape", "close"}) {
        SCOPED_TRACE(how);
        auto dialog = Open();
        dialog->show();
        for (const PreferenceRow& row : PreferenceRows()) {
            if (!row.key.empty()) ChangeControl(*dialog, row);
        }
        if (std::string(how) == "cancel") {
            dialog->CancelButton()->click();
        } else if (std::string(how) == "escape") {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        } else {
            dialog->close();
        }
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(dialog->Outcome().saved);
        EXPECT_TRUE(Changed(before, Snapshot()).empty());
        EXPECT_EQ(ConfigBytes(), "");
    }
}

}  // namespace
}  // namespace pictorb::test
