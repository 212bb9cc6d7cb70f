#pragma once
// The update check as the desktop runs it: on demand (command 23) and on a schedule at start.

namespace pictorb {

struct DesktopContext;

void CheckForUpdate(DesktopContext& context);
void ScheduledUpdateCheck(DesktopContext& context);

}  // namespace pictorb
