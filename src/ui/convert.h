#pragma once
// The Convert command (14): the checks, the hand-off to the worker and the progress dialog.

namespace pictorb {

struct DesktopContext;
class MainWindow;

// Runs the checks in order; when they pass, converts on the worker under the progress
// dialog. Returns when the dialog has been closed.
void StartConversion(DesktopContext& context, MainWindow& window);

}  // namespace pictorb
