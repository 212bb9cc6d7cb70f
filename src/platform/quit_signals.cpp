#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace pictorb {
namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof(kQuitSignals) / sizeof(kQuitSignals[0]);

// A signal handler reaches nothing but globals: the pipe's write end and the old handlers.
int gWriteFd = -1;
struct sigaction gPrevious[kSignalCount];

void WriteQuitByte(int) {
    const int savedErrno = errno;
    const char byte = 'q';
    // A full pipe already holds a request; the byte is not needed then.
    [[maybe_unused]] const ssize_t written = write(gWriteFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

QuitSignals::QuitSignals() {
    if (gWriteFd >= 0) return;  // one per process
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    readFd_ = fds[0];
    gWriteFd = fds[1];
    struct sigaction action = {};
    action.sa_handler = WriteQuitByte;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        sigaction(kQuitSignals[i], nullptr, &gPrevious[i]);
        // An ignored signal (nohup) stays ignored.
        const bool ignored =
            (gPrevious[i].sa_flags & SA_SIGINFO) == 0 && gPrevious[i].sa_handler == SIG_IGN;
        if (!ignored) sigaction(kQuitSignals[i], &action, nullptr);
    }
}

QuitSignals::~QuitSignals() {
    if (readFd_ < 0) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kQuitSignals[i], &gPrevious[i], nullptr);
    close(gWriteFd);
    gWriteFd = -1;
    close(readFd_);
}

bool QuitSignals::Take() {
    bool arrived = false;
    char buffer[16];
    while (read(readFd_, buffer, sizeof(buffer)) > 0) arrived = true;
    return arrived;
}

}  // namespace pictorb
