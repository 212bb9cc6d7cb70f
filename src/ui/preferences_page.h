#pragma once
// The pages of the preferences dialog, in the order of its list.

#include <cstdint>
#include <string>
#include <vector>

namespace pictorb {

enum class PreferencesPage : int32_t {
    General,
    Interface,
    Input,
    Output,
    Transform,
    Adjustment,
    Frame,
    Watermark,
    Advanced
};

// What the main window's fields name, for the preview's choice of picture.
struct PreviewInputs {
    std::vector<std::string> typed;  // as InputOutputFields::TypedInputs gives them
    std::string formatKey;           // the selected output format
};

}  // namespace pictorb
