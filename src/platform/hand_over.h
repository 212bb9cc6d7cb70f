#pragma once
// The hand-over between desktop starts: the running window listens on a local socket beside
// the instance guard's lock; a second start sends it its parameters, waits for the window's
// receipt (taken, queued behind a dialog, or refused with its reason) and ends. Only processes
// of the same user are heard. Starts and windows of the version before, which knew only a
// one-byte receipt sent on reading, are understood both ways.

#include <optional>
#include <string>
#include <vector>

#include "platform/file_descriptor.h"

namespace pictorb {

// The socket's path: the guard's lock path with ".socket" for ".lock".
std::string HandOverSocketPath(const std::string& name);

// What the window did with the parameters.
enum class HandOverReply { Taken, Queued, Refused };

// One start waiting for its receipt, answered once; dropped unanswered, the start hears that
// nothing was taken.
class HandOverRequest {
  public:
    HandOverRequest(FileDescriptor connection, std::vector<std::string> parameters, bool receipt);
    HandOverRequest(HandOverRequest&&) = default;

    const std::vector<std::string>& Parameters() const { return parameters_; }
    // `detail` says why a refused start was refused ("path: reason").
    void Answer(HandOverReply reply, const std::string& detail = {});

  private:
    FileDescriptor connection_;
    std::vector<std::string> parameters_;
    bool receipt_;  // the start waits for the receipt line; a start of before had its byte
};

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
    std::optional<HandOverRequest> Accept();

  private:
    int fd_ = -1;
    std::string path_;
};

// The second start's side: what the running window answered.
struct HandOverReceipt {
    enum class Outcome {
        NotRunning,  // nobody listens
        NoAnswer,    // the window took the parameters but ended or hung before answering
        Taken,       // also what a window of the version before answers
        Queued,      // a dialog holds the window; it takes them when the dialog is closed
        Refused,
    };
    Outcome outcome = Outcome::NotRunning;
    std::string detail;  // the refusal's reason
};

// Sends `parameters` (they may be empty) to the running instance and waits up to `waitMs`
// for its receipt.
HandOverReceipt HandOver(const std::string& name, const std::vector<std::string>& parameters,
                         int waitMs = 5000);

}  // namespace pictorb
