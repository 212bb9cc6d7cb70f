#pragma once
// Hands a web address, a mail link or a file to the desktop's opener (xdg-open) without
// waiting for the application it starts, and learns whether anything took it: on a machine
// without a browser or mail program the opener fails, and the caller can say so.

#include <sys/types.h>
#include <string>

namespace pictorb {

class DesktopOpen {
  public:
    enum class Outcome { Pending, Opened, Failed };

    // Starts the opener with `target`. An opener still running after `waitMs` has started an
    // application that stays (a browser in the foreground): that counts as opened.
    explicit DesktopOpen(const std::string& target, int waitMs = 3000);
    // A helper still waiting is ended; the opener itself goes on.
    ~DesktopOpen();
    DesktopOpen(const DesktopOpen&) = delete;
    DesktopOpen& operator=(const DesktopOpen&) = delete;

    // Becomes readable once the outcome is known; -1 when it was known at once.
    int Descriptor() const { return statusFd_; }
    // The outcome, without waiting: Pending until Descriptor() is readable.
    Outcome Take();

  private:
    int statusFd_ = -1;
    pid_t helper_ = -1;
    Outcome outcome_ = Outcome::Pending;
};

}  // namespace pictorb
