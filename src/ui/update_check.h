#pragma once
// The update check as the desktop runs it: on demand (command 23) and on a schedule at start.

#include <functional>
#include <string>

namespace pictorb {

struct DesktopContext;

// Fetches the version text at `url`; HttpGetBody unless a test puts its own answer in.
using UpdateFetch =
    std::function<std::string(const std::string& url, const std::string& userAgent)>;

// Whether this run has an update server to ask. Without one the command is hidden, the
// schedule never asks and the preferences show "Never".
bool UpdateCheckAvailable(const DesktopContext& context);

// Asks the server and tells the user: a newer version (Yes opens the download page), none,
// or a connection problem. Meanwhile the window keeps painting, the status bar says that it
// is checking, and Escape cancels without a message; other input waits.
void CheckForUpdate(DesktopContext& context);
void CheckForUpdate(DesktopContext& context, const UpdateFetch& fetch);
// When the interval of "Update Range" has passed since "Update Date", asks whether to check,
// and moves "Update Date" to now whatever the answer.
void ScheduledUpdateCheck(DesktopContext& context);
void ScheduledUpdateCheck(DesktopContext& context, const UpdateFetch& fetch);

}  // namespace pictorb
