#include "ui/update_check.h"

namespace pictorb {

void CheckForUpdate(DesktopContext&) {}
void ScheduledUpdateCheck(DesktopContext&) {}

}  // namespace pictorb
