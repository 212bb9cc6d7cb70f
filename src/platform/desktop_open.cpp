#include "platform/desktop_open.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace pictorb {
namespace {

constexpr char kOpened = 'o';
constexpr char kFailed = 'f';

// The opener's full path from PATH, looked up before forking: the child may then only call
// what is safe between fork and exec.
std::string FindOpener() {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (folder.empty()) continue;
        const std::string candidate = folder + "/xdg-open";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// In the helper: the opener's exit status, or opened when it is still running at the deadline.
char AwaitOpener(pid_t opener, int waitMs) {
    const timespec pause{0, 20 * 1000 * 1000};
    for (int waited = 0; waited < waitMs; waited += 20) {
        int status = 0;
        const pid_t ended = waitpid(opener, &status, WNOHANG);
        if (ended == opener)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kOpened : kFailed;
        if (ended < 0 && errno != EINTR) return kFailed;
        nanosleep(&pause, nullptr);
    }
    return kOpened;
}

}  // namespace

DesktopOpen::DesktopOpen(const std::string& target, int waitMs) {
    const std::string opener = FindOpener();
    int status[2];
    if (opener.empty() || pipe2(status, O_CLOEXEC) != 0) {
        outcome_ = Outcome::Failed;
        return;
    }
    const char* argv[] = {"xdg-open", target.c_str(), nullptr};
    helper_ = fork();
    if (helper_ == 0) {
        // The helper waits for the opener, which is its child: when the helper ends, the
        // opener (and the application it started) lives on, never a child of this program.
        // A child handler of the program's would take the opener's status first.
        signal(SIGCHLD, SIG_DFL);
        const pid_t child = fork();
        if (child == 0) {
            // The program's own signal set-up is not the opener's.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            signal(SIGPIPE, SIG_DFL);
            const int nothing = open("/dev/null", O_RDONLY);
            if (nothing >= 0) dup2(nothing, STDIN_FILENO);
            execv(opener.c_str(), const_cast<char* const*>(argv));
            _exit(127);
        }
        const char outcome = child < 0 ? kFailed : AwaitOpener(child, waitMs);
        ssize_t written;
        do {
            written = write(status[1], &outcome, 1);
        } while (written < 0 && errno == EINTR);
        _exit(0);
    }
    close(status[1]);
    if (helper_ < 0) {
        close(status[0]);
        outcome_ = Outcome::Failed;
        return;
    }
    statusFd_ = status[0];
}

DesktopOpen::~DesktopOpen() {
    if (statusFd_ >= 0) close(statusFd_);
    if (helper_ > 0) {
        kill(helper_, SIGKILL);
        waitpid(helper_, nullptr, 0);
    }
}

DesktopOpen::Outcome DesktopOpen::Take() {
    if (outcome_ != Outcome::Pending || statusFd_ < 0) return outcome_;
    char byte = 0;
    const int flags = fcntl(statusFd_, F_GETFL);
    fcntl(statusFd_, F_SETFL, flags | O_NONBLOCK);
    const ssize_t got = read(statusFd_, &byte, 1);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return outcome_;
    // A helper that ended without a word (killed) leaves nothing known to have opened.
    outcome_ = got == 1 && byte == kOpened ? Outcome::Opened : Outcome::Failed;
    close(statusFd_);
    statusFd_ = -1;
    waitpid(helper_, nullptr, 0);
    helper_ = -1;
    return outcome_;
}

}  // namespace pictorb
