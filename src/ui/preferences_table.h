#pragma once
// The preferences dialog's binding table: one row per control, naming the page and panel it
// sits on, its label, its kind, the setting it edits and the scale it shows. Building the
// dialog, loading it, writing it back on OK and the tests all walk this one table.
// Qt-free, like the few rules of the dialog that are plain functions of settings.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/conversion_settings.h"
#include "text/texts.h"
#include "ui/preferences_page.h"

namespace pictorb {

enum class PreferenceControl {
    List,          // a list whose setting holds the chosen index; without a key, shown only
    Check,         // a checkbox holding 0 or 1
    Number,        // digits only; an empty field stores 0
    Slider,        // a slider with a number box beside it
    Text,          // one line of text, stored without tabs and line breaks, trimmed
    ImageFile,     // as Text, with a "..." button that opens the file dialog
    Colour,        // a swatch button and a read-only RRGGBB field
    ColourList,    // colours of `listKey` with a "..." button adding to it; stores the colour
    FontList,      // fonts of `listKey` with a "..." button; stores the font name
    DateTime,      // local date and time to the minute
    Language,      // the single entry "English"; always stores "en"
    Theme,         // the installed themes; stores the theme's name
    InputFormat,   // the input format list; stores the key
    OutputFormat,  // the output format list; stores the key
    BitDepth,      // "Auto" then the panel format's depths; stores the number, 0 for "Auto"
};

// How a slider's position relates to the setting.
enum class PreferenceScale {
    Plain,       // slider = value
    Offset100,   // slider = value + 100, the box shows the value
    Hundredths,  // slider = value x 100, the box shows the value with two decimals
};

struct PreferenceRow {
    PreferencesPage page;
    std::string_view panel;  // empty: on the page itself; else a format key, "frame", "text"
                             // or "image"
    std::string_view label;  // key in group "Preferences"
    PreferenceControl control;
    std::string_view group;  // the setting; key empty for a list that is shown only
    std::string_view key;
    std::string_view choices;  // item text keys joined by "|" (lists); unit keys (numbers)
    int32_t minimum = 0;       // sliders: the box's range
    int32_t maximum = 0;
    PreferenceScale scale = PreferenceScale::Plain;
    std::string_view unitKey;  // a unit list's setting; colour and font lists: the list setting
};

// Every control of the dialog, in page order.
std::span<const PreferenceRow> PreferenceRows();
// The row editing a setting (its key or its unit/list key); nullptr when none.
const PreferenceRow* FindPreferenceRow(std::string_view group, std::string_view key);
// The nine categories in tree order, as text keys of group "Preferences".
std::span<const std::string_view> PreferencePageKeys();
// The output panels in the order they are built.
std::span<const std::string_view> OutputPanelKeys();
// Text keys of a "|"-joined list.
std::vector<std::string_view> SplitChoices(std::string_view choices);

// Six upper-case hex digits from a colour text: two digits each for red, green and blue
// (a pair that is not hex reads as 00); anything not six characters long is black.
std::string NormalizeColour(std::string_view text);
// The colour's name from the nineteen named colours, else "Color #RRGGBB".
std::string ColourName(TextTable& texts, std::string_view rrggbb);
// Entries of a comma-separated list, trimmed, empty ones left out.
std::vector<std::string> SplitList(std::string_view list);
// The comma-separated list with `entry` appended, unless an entry is already `same` as it.
std::string AppendIfAbsent(std::string_view list, std::string_view entry,
                           bool (*same)(std::string_view, std::string_view));
// Text, Image and Filename Mask: tabs and line breaks removed, then trimmed.
std::string CleanFieldText(std::string_view text);
// "Do Image Color Correction": on when any colour adjustment differs from neutral.
int8_t ColorCorrectionNeeded(const ConversionSettings& settings);
// A number field's text: digits with an optional sign; anything else, or nothing, is 0;
// clamped to the 32-bit range.
int32_t NumberFieldValue(std::string_view text);

}  // namespace pictorb
