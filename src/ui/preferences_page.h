#pragma once
// The pages of the preferences dialog, in the order of its list.

#include <cstdint>

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

}  // namespace pictorb
