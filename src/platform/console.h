#pragma once
// Console line output. On a terminal lines are UTF-8; redirected to a file or pipe they are
// UTF-16LE code units without byte-order mark, flushed per line. Lines end in CR LF.
// Safe to call from the worker thread.

#include <string>
#include <string_view>

namespace pictorb {

void ConsoleSetTitle(std::string_view title);  // terminal title; nothing when redirected
void ConsolePrintLine(std::string_view utf8Line);
// Redirected lines as UTF-8 with LF line ends instead (logs that grep reads, beside other
// programs' UTF-8 lines); a terminal is unaffected. For the whole process.
void ConsoleRedirectAsUtf8(bool utf8);
// One line on standard error, "pictorbcmd: " in front, LF at the end: the diagnostics that the
// status lines have no place for.
void ConsoleDiagnostic(std::string_view utf8Line);
// Waits for one key on a terminal; without a terminal reads one byte of standard input and
// returns at end of input, so scripts never hang.
void ConsoleWaitForKey();

// The bytes one printed line takes: UTF-8 + CR LF for a terminal, otherwise UTF-16LE code
// units + CR LF, or UTF-8 + LF when redirected as UTF-8. Malformed UTF-8 becomes U+FFFD in
// the UTF-16 form.
std::string ConsoleLineBytes(std::string_view utf8Line, bool terminal,
                             bool redirectedAsUtf8 = false);

}  // namespace pictorb
