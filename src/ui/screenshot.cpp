#include "ui/screenshot.h"

namespace pictorb {

void RunScreenshot(DesktopContext&, const std::string&) {}

}  // namespace pictorb
