#pragma once
// The hand-over between desktop starts: the running window listens on a local socket beside
// the instance guard's lock; a second start sends it its parameters and ends. Only processes
// of the same user are heard.

#include <optional>
#include <string>
#include <vector>

namespace pictorb {

// The socket's path: the guard's lock path with ".socket" for ".lock".
std::string HandOverSocketPath(const std::string& name);

// The running side. Create it only while holding the instance guard: a socket file already
// at the path is then a leftover of a crashed instance and is replaced.
class HandOverListener {
  public:
    explicit HandOverListener(const std::string& name);
    ~HandOverListener();
    HandOverListener(const HandOverListener&) = delete;
    HandOverListener& operator=(const HandOverListener&) = delete;

    bool Listening() const { return fd_ >= 0; }
    // Becomes readable when a start is waiting to hand over.
    int Descriptor() const { return fd_; }
    // Takes one waiting start and its parameters; nullopt when none waits, or when it is
    // another user's, or sends nothing readable within a second.
    std::optional<std::vector<std::string>> Accept();

  private:
    int fd_ = -1;
    std::string path_;
};

// The second start's side: sends `parameters` (they may be empty) to the running instance
// and waits for its receipt. False when nobody listens or the receipt does not come.
bool HandOver(const std::string& name, const std::vector<std::string>& parameters);

}  // namespace pictorb
