#pragma once
// Single-instance guard: an exclusive, non-blocking flock on
// $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock without XDG_RUNTIME_DIR.
// The kernel drops the lock when the process ends.

#include <string>

namespace pictorb {

class InstanceGuard {
  public:
    // Takes the lock; Held() is false when another process holds it or it cannot be made.
    explicit InstanceGuard(const std::string& name);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

std::string InstanceLockPath(const std::string& name);

}  // namespace pictorb
