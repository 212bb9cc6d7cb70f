#include "platform/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace pictorb {
namespace {

// The handler may only read what was fully written before it ran, so the path lives in a
// fixed buffer and a lock-free state word says whose it is.
enum ArmState : int { kIdle, kCopying, kArmed, kClaimed };
static_assert(std::atomic<int>::is_always_lock_free);
constexpr std::size_t kPathCapacity = 4096;
// One slot per file being written at once (a batch writes one file per worker).
constexpr int kSlots = 16;
struct ArmedSlot {
    std::atomic<int> state{kIdle};
    char path[kPathCapacity];
};
ArmedSlot slots[kSlots];

// While a batch runs, the first SIGINT, SIGTERM or SIGHUP only asks it to stop taking files.
enum StopState : int { kStopOff, kStopArmed, kStopRequested };
std::atomic<int> stopState{kStopOff};

// Closing the terminal (SIGHUP) ends the program too, through the handler start-up installs.
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = 3;
struct sigaction previousActions[kSignalCount];

// Async-signal-safe only: unlink, sigaction, raise and the handler that was there before.
// Claiming the file first means a worker disarming at the same moment cannot reuse the
// buffer while it is being read.
void RemoveArmedFileAndEnd(int signalNumber, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    if (signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP) {
        int armedStop = kStopArmed;
        if (stopState.compare_exchange_strong(armedStop, kStopRequested)) {
            errno = savedErrno;
            return;  // the files being written are finished; a second signal ends at once
        }
    }
    for (ArmedSlot& slot : slots) {
        int expected = kArmed;
        if (slot.state.compare_exchange_strong(expected, kClaimed)) unlink(slot.path);
    }
    for (int i = 0; i < kSignalCount; ++i) {
        if (kCleanedSignals[i] != signalNumber) continue;
        const struct sigaction& previous = previousActions[i];
        if ((previous.sa_flags & SA_SIGINFO) != 0) {
            previous.sa_sigaction(signalNumber, info, context);
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signalNumber);
        } else {
            struct sigaction defaultAction = {};
            defaultAction.sa_handler = SIG_DFL;
            sigemptyset(&defaultAction.sa_mask);
            sigaction(signalNumber, &defaultAction, nullptr);
            // Blocked while this handler runs: delivered with its default action on return.
            raise(signalNumber);
        }
    }
    errno = savedErrno;
}

void InstallInterruptCleanup() {
    static std::mutex installing;
    std::lock_guard<std::mutex> hold(installing);
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction current = {};
        if (sigaction(kCleanedSignals[i], nullptr, &current) != 0) continue;
        const bool siginfo = (current.sa_flags & SA_SIGINFO) != 0;
        if (siginfo && current.sa_sigaction == RemoveArmedFileAndEnd) continue;
        if (!siginfo && current.sa_handler == SIG_IGN) continue;
        // A handler installed since (by a toolkit, say) is kept and runs after the removal.
        previousActions[i] = current;
        struct sigaction action = {};
        action.sa_sigaction = RemoveArmedFileAndEnd;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        for (const int other : kCleanedSignals) sigaddset(&action.sa_mask, other);
        sigaction(kCleanedSignals[i], &action, nullptr);
    }
}

}  // namespace

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path) {
    // Installed by the module that writes, at each use: a handler installed by another copy of
    // this library (the program's own, beside the engine module's) would see another buffer.
    InstallInterruptCleanup();
    if (path.empty() || path.size() >= kPathCapacity || path.find('\0') != std::string::npos) {
        return;
    }
    for (int i = 0; i < kSlots; ++i) {
        int expected = kIdle;
        if (!slots[i].state.compare_exchange_strong(expected, kCopying)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(kArmed);
        slot_ = i;
        armed_ = true;
        return;
    }
}

RemoveOnInterrupt::~RemoveOnInterrupt() {
    if (!armed_) return;
    // A claimed file belongs to the handler, which is ending the process.
    int expected = kArmed;
    slots[slot_].state.compare_exchange_strong(expected, kIdle);
}

void TreatHangUpAsTermination() {
    struct sigaction current = {};
    if (sigaction(SIGHUP, nullptr, &current) != 0) return;
    const bool siginfo = (current.sa_flags & SA_SIGINFO) != 0;
    if (!siginfo && current.sa_handler == SIG_IGN) return;
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    // Once the removal handler runs first, the default is what it hands the signal on to.
    if (siginfo && current.sa_sigaction == RemoveArmedFileAndEnd)
        previousActions[2] = defaultAction;
    else
        sigaction(SIGHUP, &defaultAction, nullptr);
}

StopOnInterrupt::StopOnInterrupt() {
    InstallInterruptCleanup();
    stopState.store(kStopArmed);
}

StopOnInterrupt::~StopOnInterrupt() {
    stopState.store(kStopOff);
}

bool StopOnInterrupt::Requested() {
    return stopState.load() == kStopRequested;
}

}  // namespace pictorb
