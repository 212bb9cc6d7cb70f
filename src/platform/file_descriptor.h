#pragma once
// Owns a file descriptor: closed when the owner goes, or earlier by Close().

#include <unistd.h>

#include <utility>

namespace pictorb {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) close(fd_);
            fd_ = other.Release();
        }
        return *this;
    }

    int Get() const { return fd_; }
    // Closes now, so that a failed close (a delayed write error) can be seen.
    bool Close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || close(fd) == 0;
    }
    // Hands the descriptor over; it is no longer closed here.
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

}  // namespace pictorb
