#pragma once
// The table that declares every persisted setting once: its group, key, kind, member and
// both defaults. Loading, saving, resetting and listings walk it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "formats/formats.h"
#include "settings/conversion_settings.h"
#include "settings/settings.h"

namespace pictorb {

enum class FieldKind { Int32, Int8, Float32, String, Date };

using FieldMember = std::variant<int32_t ConversionSettings::*, int8_t ConversionSettings::*,
                                 float ConversionSettings::*, std::string ConversionSettings::*>;

// A default that is not a constant.
enum class DefaultRule {
    Constant,
    Now,       // the current local time
    CentredX,  // the window centred on the desktop, else 100
    CentredY,
    FirstInputFormat,   // the first entry of the input format list
    FirstOutputFormat,  // the first entry of the output format list
    ByCaller,           // `number` for the desktop, `commandLineNumber` for the command line
};

struct FieldDefault {
    DefaultRule rule = DefaultRule::Constant;
    double number = 0;  // numeric kinds
    std::string_view text;
    double commandLineNumber = 0;
};

// Whether and when a save writes the field.
enum class FieldSave {
    Always,
    WindowState,     // only with "Save Window Position" on
    WindowPosition,  // as WindowState, written after the other keys of its group
    LayoutVersion,   // written as kSettingsLayoutVersion whatever the record holds
    Never,           // read and kept, never written
};

struct SettingsField {
    std::string_view group;
    std::string_view key;
    FieldKind kind;
    FieldMember member;
    FieldDefault setDefault;   // set defaults (no file, reset, command line)
    FieldDefault loadDefault;  // a key missing from an existing file
    FieldSave save = FieldSave::Always;
};

inline constexpr int32_t kSettingsLayoutVersion = 17;

// Every persisted field in record order.
std::span<const SettingsField> SettingsFields();

// The field of a group and key, ASCII case ignored; nullptr when none.
const SettingsField* FindSettingsField(std::string_view group, std::string_view key);

// The output or input format a per-format key of group "Input" or "Output" belongs to: its
// first word in lower case ("PSD BPP" -> "psd"). Empty for "Format" and for other groups.
std::string FieldFormat(const SettingsField& field);

// What a default depends on besides the field.
struct DefaultContext {
    DefaultsFor caller = DefaultsFor::Desktop;
    const Formats* formats = nullptr;  // nullptr: this edition's lists
    int desktopWidth = 0;
    int desktopHeight = 0;
    int64_t now = 0;  // local seconds
};
void ApplyDefault(ConversionSettings& settings, const SettingsField& field,
                  const FieldDefault& value, const DefaultContext& context);

// The field's value as the settings file spells it ("Image Gamma" with six decimals).
std::string FieldText(const ConversionSettings& settings, const SettingsField& field);
// Stores a value read from text: integers like atoi, 8-bit fields keep the low 8 bits.
void SetFieldFromText(ConversionSettings& settings, const SettingsField& field,
                      std::string_view text);

}  // namespace pictorb
