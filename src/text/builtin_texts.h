#pragma once
// The interface texts compiled into the program.

#include <span>
#include <string_view>

namespace pictorb {

struct TextPair {
    std::string_view first;
    std::string_view second;
};

inline constexpr std::string_view kTextGroupMarker = "_GROUP_";
inline constexpr std::string_view kTextEndMarker = "_END_";

// Pairs read two strings at a time: ("_GROUP_", name) opens a group, ("_END_", "") ends the
// data, every other pair is a key and its text belonging to the last group opened.
std::span<const TextPair> BuiltinTexts();

}  // namespace pictorb
