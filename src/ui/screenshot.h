#pragma once
// Screenshot mode: the main window with example contents pictured into two JPEG files.

#include <string>

namespace pictorb {

struct DesktopContext;

// Writes pictorb1.jpg and pictorb1x.jpg into `folder` (the program folder when empty);
// writes nothing when the folder does not exist.
void RunScreenshot(DesktopContext& context, const std::string& folder);

}  // namespace pictorb
