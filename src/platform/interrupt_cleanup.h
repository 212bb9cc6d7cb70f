#pragma once
// Ctrl+C, SIGTERM and a closed terminal must not leave a half-made file behind: while a file
// is armed, SIGINT, SIGTERM and SIGHUP remove it; then the handler that was there before runs
// (start-up's hang-up handler), or else the signal's default action ends the process.

#include <string>

namespace pictorb {

// While alive, those signals remove `path` before the process ends. Arm only a file this
// process has just created, or a fresh name it is about to create (so that no moment is left
// between the file existing and its being armed). The handlers are installed (again, should
// something have replaced them) on each arming; an ignored signal (nohup, a background job of a
// script) stays ignored. Up to sixteen files at a time per process: Armed() is false when that many
// are armed or the path is too long to keep, and the file is then not protected.
class RemoveOnInterrupt {
  public:
    explicit RemoveOnInterrupt(const std::string& path);
    ~RemoveOnInterrupt();
    RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
    RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

    bool Armed() const { return armed_; }

  private:
    bool armed_ = false;
    int slot_ = 0;
};

// While alive, the first SIGINT, SIGTERM or SIGHUP does not end the process: Requested()
// turns true, so that a batch stops taking files and finishes the ones being written. A second
// signal ends the process as above. One at a time per process.
// For a command-line run: a hang-up is a request to stop as SIGTERM is, not the quiet end with
// status 0 that start-up makes of it for the desktop. Call before anything is armed; an ignored
// hang-up (nohup) stays ignored.
void TreatHangUpAsTermination();

class StopOnInterrupt {
  public:
    StopOnInterrupt();
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

    static bool Requested();
};

}  // namespace pictorb
