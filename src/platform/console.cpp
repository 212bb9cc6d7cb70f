#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "text/utf8.h"

namespace pictorb {
namespace {

std::atomic<bool> redirectAsUtf8{false};

// The main thread and the conversion worker both print; whole lines must not interleave.
std::mutex& ConsoleLock() {
    static std::mutex lock;
    return lock;
}

// Writes everything or gives up on the first real error (a closed pipe, a full disk):
// console output is status only and never stops the program.
void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string ConsoleLineBytes(std::string_view utf8Line, bool terminal, bool redirectedAsUtf8) {
    if (terminal || redirectedAsUtf8) {
        std::string out(utf8Line);
        out += terminal ? "\r\n" : "\n";
        return out;
    }
    std::u16string units = Utf8ToUtf16(utf8Line);
    units += u"\r\n";
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t unit : units) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

void ConsoleSetTitle(std::string_view title) {
    if (isatty(STDOUT_FILENO) == 0) return;
    std::string sequence = "\x1b]0;";
    for (char c : title) {
        // A control character would end the sequence early and reach the screen.
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) sequence += c;
    }
    sequence += '\a';
    std::lock_guard<std::mutex> hold(ConsoleLock());
    WriteAll(STDOUT_FILENO, sequence);
}

void ConsolePrintLine(std::string_view utf8Line) {
    // Written straight to the descriptor, so each line is flushed as it is printed.
    std::string bytes =
        ConsoleLineBytes(utf8Line, isatty(STDOUT_FILENO) != 0, redirectAsUtf8.load());
    std::lock_guard<std::mutex> hold(ConsoleLock());
    WriteAll(STDOUT_FILENO, bytes);
}

void ConsoleRedirectAsUtf8(bool utf8) {
    redirectAsUtf8.store(utf8);
}

void ConsoleDiagnostic(std::string_view utf8Line) {
    std::string bytes = "pictorbcmd: ";
    bytes += utf8Line;
    bytes += '\n';
    std::lock_guard<std::mutex> hold(ConsoleLock());
    WriteAll(STDERR_FILENO, bytes);
}

void ConsoleWaitForKey() {
    char byte = 0;
    struct termios saved;
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &saved) != 0) {
        // No terminal: one byte or the end of input, whichever comes first.
        while (read(STDIN_FILENO, &byte, 1) < 0 && errno == EINTR) {
        }
        return;
    }
    struct termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
    while (read(STDIN_FILENO, &byte, 1) < 0 && errno == EINTR) {
    }
    // Keys such as the arrows send several bytes; drop the rest so the shell never sees them.
    tcflush(STDIN_FILENO, TCIFLUSH);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace pictorb
