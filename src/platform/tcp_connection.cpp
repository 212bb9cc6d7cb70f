#include "platform/tcp_connection.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace pictorb {
namespace {

using Clock = std::chrono::steady_clock;

struct AddressListDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

int32_t MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int32_t>(std::clamp<int64_t>(left, 0, INT32_MAX));
}

AddressList Resolve(const std::string& host, uint16_t port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return {};
    return AddressList(list);
}

// A name lookup on a helper thread. getaddrinfo has no time limit of its own (a name server
// that never answers holds it for many seconds), so when the limit passes the thread is left
// to finish alone; whichever side lets go last frees the result.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    AddressList result;
};

AddressList ResolveWithin(const std::string& host, uint16_t port, Clock::time_point deadline) {
    // Numeric addresses need no lookup and no thread.
    if (AddressList numeric = Resolve(host, port, AI_NUMERICHOST)) return numeric;

    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host, port] {
            AddressList list = Resolve(host, port, 0);
            std::lock_guard lock(lookup->mutex);
            lookup->result = std::move(list);
            lookup->done = true;
            lookup->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return Resolve(host, port, 0);  // no thread to spare: look up without a limit
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) return {};
    return std::move(lookup->result);
}

// A non-blocking socket connected to `address`, or -1.
int ConnectWithin(const addrinfo& address, Clock::time_point deadline) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) return -1;
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
    if (errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int ready;
        do {
            ready = poll(&waiting, 1, MillisecondsLeft(deadline));
        } while (ready < 0 && errno == EINTR);
        int error = 0;
        socklen_t length = sizeof error;
        if (ready == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
            error == 0) {
            return fd;
        }
    }
    close(fd);
    return -1;
}

}  // namespace

TcpConnection::TcpConnection(const std::string& host, uint16_t port, int32_t openTimeoutMs) {
    if (host.empty()) return;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(openTimeoutMs);
    const AddressList addresses = ResolveWithin(host, port, deadline);
    for (const addrinfo* address = addresses.get(); address != nullptr && fd_ < 0;
         address = address->ai_next) {
        if (MillisecondsLeft(deadline) == 0) break;
        fd_ = ConnectWithin(*address, deadline);
    }
}

TcpConnection::~TcpConnection() {
    if (fd_ >= 0) close(fd_);
}

bool TcpConnection::SendAll(std::string_view bytes) {
    // The socket does not block; a full send buffer is waited out for a while, not forever.
    constexpr int32_t kSendWaitMs = 10000;
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd waiting{fd_, POLLOUT, 0};
            if (poll(&waiting, 1, kSendWaitMs) <= 0 && errno != EINTR) return false;
        } else {
            return false;
        }
    }
    return fd_ >= 0;
}

bool TcpConnection::WaitReadable(int32_t timeoutMs) {
    if (fd_ < 0) return false;
    pollfd waiting{fd_, POLLIN, 0};
    return poll(&waiting, 1, timeoutMs) > 0;
}

int64_t TcpConnection::Receive(char* buffer, std::size_t size) {
    if (fd_ < 0) return -1;
    if (size == 0) return kReceiveNothingYet;
    ssize_t received;
    do {
        received = recv(fd_, buffer, size, MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kReceiveNothingYet;
    return received;
}

}  // namespace pictorb
