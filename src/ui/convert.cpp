#include "ui/convert.h"

namespace pictorb {

void StartConversion(DesktopContext&, MainWindow&) {}

}  // namespace pictorb
