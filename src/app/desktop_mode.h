#pragma once
// The modes the desktop module runs, as the front end hands them over.

#include <cstdint>

namespace pictorb {

enum class DesktopMode : int32_t { Desktop = 0, Uninstall = 1, Screenshot = 2 };

}  // namespace pictorb
