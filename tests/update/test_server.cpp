#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace pictorb::test {
namespace {

int ListenOnLoopback(uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool WaitReadable(int fd, int ms) {
    pollfd waiting{fd, POLLIN, 0};
    return poll(&waiting, 1, ms) == 1;
}

}  // namespace

TestServer::TestServer(std::vector<std::string> pieces, Mode mode) {
    listener_ = ListenOnLoopback(port_);
    if (listener_ >= 0 && mode != Mode::Silent) {
        thread_ = std::thread(&TestServer::Serve, this, std::move(pieces), mode == Mode::KeepOpen);
    }
}

TestServer::~TestServer() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
}

std::string TestServer::Url(const std::string& path) const {
    return "http://" + Host() + path;
}

std::string TestServer::Request() {
    if (thread_.joinable()) thread_.join();
    return request_;
}

void TestServer::Serve(std::vector<std::string> pieces, bool keepOpen) {
    if (!WaitReadable(listener_, 15000)) return;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    char chunk[512];
    while (request_.find("\r\n\r\n") == std::string::npos && WaitReadable(client, 5000)) {
        const ssize_t got = recv(client, chunk, sizeof chunk, 0);
        if (got <= 0) break;
        request_.append(chunk, static_cast<std::size_t>(got));
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // A pause between pieces makes the client see them in separate reads.
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(60));
        send(client, pieces[i].data(), pieces[i].size(), MSG_NOSIGNAL);
    }
    // Until the client hangs up (or has long given up).
    while (keepOpen && WaitReadable(client, 15000) && recv(client, chunk, sizeof chunk, 0) > 0) {
    }
    close(client);
}

uint16_t ClosedPort() {
    uint16_t port = 0;
    const int fd = ListenOnLoopback(port);
    if (fd >= 0) close(fd);
    return port;
}

}  // namespace pictorb::test
