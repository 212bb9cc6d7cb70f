#pragma once
// The Convert command (14): the checks, the hand-off to the worker and the progress dialog.

#include <cstddef>
#include <string>
#include <string_view>

namespace pictorb {

struct DesktopContext;
class MainWindow;

// Runs the checks in order; when they pass, converts on the worker under the progress
// dialog. Returns when the dialog has been closed.
void StartConversion(DesktopContext& context, MainWindow& window);

// `text` cut in the middle to its first and last (maxChars - 3) / 2 characters joined by
// "...", when it is longer than maxChars characters; otherwise unchanged.
std::string ShortenPath(std::string_view text, std::size_t maxChars);

}  // namespace pictorb
