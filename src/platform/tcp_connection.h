#pragma once
// One outgoing TCP connection: the host resolved and connected within a time limit, then
// plain sends and receives that never block. The socket is closed with the object.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pictorb {

class TcpConnection {
  public:
    // Resolves `host` (a name or a numeric address) and connects to `port`, trying each
    // address in turn; resolving and connecting together take at most `openTimeoutMs`.
    TcpConnection(const std::string& host, uint16_t port, int32_t openTimeoutMs);
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Sends every byte; false when the connection failed first.
    bool SendAll(std::string_view bytes);
    // Waits up to `timeoutMs` until a receive has something to report (data, the end of the
    // stream or an error).
    bool WaitReadable(int32_t timeoutMs);

    static constexpr int64_t kReceiveNothingYet = -2;
    // Bytes received (> 0), 0 at the end of the stream, -1 on failure, kReceiveNothingYet
    // when no data is waiting. Never blocks.
    int64_t Receive(char* buffer, std::size_t size);

  private:
    int fd_ = -1;
};

}  // namespace pictorb
