#include "platform/hand_over.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/file_descriptor.h"
#include "platform/instance_guard.h"

namespace pictorb {
namespace {

constexpr std::string_view kLockSuffix = ".lock";
constexpr int kReadWaitMs = 1000;
// Parameters of one start; more is not a start of this program.
constexpr std::size_t kMaxMessage = 1 << 20;
// The receipt of before: one byte, sent on reading.
constexpr char kReadReceipt = 'k';
// The last parameter of a start that waits for a receipt line. A window of before takes it
// for an option and passes over it.
constexpr std::string_view kReceiptRequest = "--hand-over-receipt=2";
constexpr std::string_view kReplies[] = {"taken", "queued", "refused"};
constexpr std::size_t kMaxReceipt = 64 * 1024;

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Waits until `fd` is ready for `events` or `deadline` passes.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::vector<std::string> SplitMessage(const std::string& message) {
    std::vector<std::string> parameters;
    std::size_t start = 0;
    for (std::size_t end = message.find('\0'); end != std::string::npos;
         end = message.find('\0', start)) {
        parameters.push_back(message.substr(start, end - start));
        start = end + 1;
    }
    return parameters;
}

HandOverReceipt ReadReceipt(int fd, int waitMs) {
    using Outcome = HandOverReceipt::Outcome;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    std::string receipt;
    while (receipt.size() < kMaxReceipt && receipt.find('\n') == std::string::npos) {
        if (!WaitFor(fd, POLLIN, deadline)) return {Outcome::NoAnswer, {}};
        char buffer[512];
        const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        receipt.append(buffer, static_cast<std::size_t>(got));
    }
    // A window of before sends its byte and closes.
    if (receipt == std::string(1, kReadReceipt)) return {Outcome::Taken, {}};
    const std::size_t end = receipt.find('\n');
    if (end == std::string::npos) return {Outcome::NoAnswer, {}};
    const std::size_t tab = receipt.find('\t');
    const std::string word = receipt.substr(0, std::min(tab, end));
    const std::string detail = tab < end ? receipt.substr(tab + 1, end - tab - 1) : std::string();
    if (word == kReplies[0]) return {Outcome::Taken, {}};
    if (word == kReplies[1]) return {Outcome::Queued, {}};
    if (word == kReplies[2]) return {Outcome::Refused, detail};
    return {Outcome::NoAnswer, {}};
}

}  // namespace

std::string HandOverSocketPath(const std::string& name) {
    std::string path = InstanceLockPath(name);
    path.resize(path.size() - kLockSuffix.size());
    return path + ".socket";
}

HandOverListener::HandOverListener(const std::string& name) : path_(HandOverSocketPath(name)) {
    sockaddr_un address;
    if (!FillAddress(path_, address)) return;
    FileDescriptor socketFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socketFd.Get() < 0) return;
    // The guard is held, so nobody else listens there: whatever is at the path is left over.
    unlink(path_.c_str());
    if (bind(socketFd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return;
    // Connecting needs write permission on the socket file: the user's alone. Every
    // connection is checked for its user as well, for the moment before chmod.
    if (chmod(path_.c_str(), 0600) != 0 || listen(socketFd.Get(), 8) != 0) {
        unlink(path_.c_str());
        return;
    }
    fd_ = socketFd.Release();
}

HandOverListener::~HandOverListener() {
    if (fd_ < 0) return;
    close(fd_);
    unlink(path_.c_str());
}

std::optional<HandOverRequest> HandOverListener::Accept() {
    if (fd_ < 0) return std::nullopt;
    int accepted;
    do {
        accepted = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    } while (accepted < 0 && errno == EINTR);
    FileDescriptor connection(accepted);
    if (connection.Get() < 0) return std::nullopt;
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (getsockopt(connection.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != getuid())
        return std::nullopt;

    // The sender closes its side after the last parameter.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
    std::string message;
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(connection.Get(), buffer, sizeof(buffer), 0);
        if (got > 0) {
            message.append(buffer, static_cast<std::size_t>(got));
            if (message.size() > kMaxMessage) return std::nullopt;
            continue;
        }
        if (got == 0) break;
        if (errno == EINTR) continue;
        if (errno != EAGAIN || !WaitFor(connection.Get(), POLLIN, deadline)) return std::nullopt;
    }
    std::vector<std::string> parameters = SplitMessage(message);
    const bool receipt = !parameters.empty() && parameters.back() == kReceiptRequest;
    if (receipt) {
        parameters.pop_back();
    } else {
        // A start of before waits for its byte only, and takes it as "handed over".
        SendAll(connection.Get(), std::string_view(&kReadReceipt, 1));
    }
    return HandOverRequest(std::move(connection), std::move(parameters), receipt);
}

HandOverRequest::HandOverRequest(FileDescriptor connection, std::vector<std::string> parameters,
                                 bool receipt)
    : connection_(std::move(connection)), parameters_(std::move(parameters)), receipt_(receipt) {}

void HandOverRequest::Answer(HandOverReply reply, const std::string& detail) {
    if (connection_.Get() < 0) return;
    if (receipt_) {
        std::string line(kReplies[static_cast<int>(reply)]);
        // One line: a reason with line breaks in it would end the receipt early.
        if (!detail.empty()) line += '\t' + detail.substr(0, detail.find_first_of("\r\n"));
        SendAll(connection_.Get(), line + '\n');
    }
    connection_.Close();
}

HandOverReceipt HandOver(const std::string& name, const std::vector<std::string>& parameters,
                         int waitMs) {
    using Outcome = HandOverReceipt::Outcome;
    sockaddr_un address;
    if (!FillAddress(HandOverSocketPath(name), address)) return {Outcome::NotRunning, {}};
    FileDescriptor connection(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connection.Get() < 0) return {Outcome::NotRunning, {}};
    int connected;
    do {
        connected =
            connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (connected != 0 && errno == EINTR);
    if (connected != 0) return {Outcome::NotRunning, {}};

    std::string message;
    for (const std::string& parameter : parameters) message.append(parameter).push_back('\0');
    message.append(kReceiptRequest).push_back('\0');
    if (!SendAll(connection.Get(), message)) return {Outcome::NoAnswer, {}};
    shutdown(connection.Get(), SHUT_WR);
    return ReadReceipt(connection.Get(), waitMs);
}

}  // namespace pictorb
