#pragma once
// Command numbers of the main window. Every menu item, toolbar button, shortcut and control
// runs its command through one table (main_window.cpp); unknown numbers are ignored.

#include <cstdint>

namespace pictorb {

inline constexpr int32_t kCommandNew = 0;
inline constexpr int32_t kCommandExit = 3;
inline constexpr int32_t kCommandAddInputFile = 5;
inline constexpr int32_t kCommandSelectOutputFolder = 7;
inline constexpr int32_t kCommandOutputOptions = 8;
inline constexpr int32_t kCommandConvert = 14;
inline constexpr int32_t kCommandFindConverter = 16;
inline constexpr int32_t kCommandPreferences = 17;
inline constexpr int32_t kCommandManual = 18;
inline constexpr int32_t kCommandFeedback = 21;
inline constexpr int32_t kCommandHomepage = 22;
inline constexpr int32_t kCommandCheckUpdate = 23;
inline constexpr int32_t kCommandAbout = 24;

}  // namespace pictorb
