#pragma once
// The Convert command (14): the checks, the hand-off to the worker and the progress dialog.

#include <cstddef>
#include <string>
#include <string_view>

class QLabel;
class QWidget;

namespace pictorb {

struct DesktopContext;
class InputOutputFields;

// Runs the checks in order on what `fields` hold, telling each stage in `status`; when they
// pass, converts on the worker under the progress dialog over `window`. Returns when the
// dialog has been closed.
void StartConversion(DesktopContext& context, InputOutputFields& fields, QWidget& window,
                     QLabel& status);

// `text` cut in the middle to its first and last (maxChars - 3) / 2 characters joined by
// "...", when it is longer than maxChars characters; otherwise unchanged.
std::string ShortenPath(std::string_view text, std::size_t maxChars);

}  // namespace pictorb
