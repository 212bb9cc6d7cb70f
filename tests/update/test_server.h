#pragma once
// A one-connection HTTP server on 127.0.0.1 for the update check's tests: it reads the
// request up to its empty line, sends the answer in the given pieces and closes.

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace pictorb::test {

class TestServer {
  public:
    enum class Mode { Answer, KeepOpen, Silent };
    // KeepOpen: answers, then leaves the connection open until the client closes it, as a
    // keep-alive server does. Silent: listens but never accepts, so connections open and no
    // answer ever comes.
    explicit TestServer(std::vector<std::string> pieces, Mode mode = Mode::Answer);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    uint16_t Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path = "/files/pictorb.dat") const;
    // The bytes the client sent; waits for the server to finish.
    std::string Request();

  private:
    void Serve(std::vector<std::string> pieces, bool keepOpen);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::string request_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t ClosedPort();

}  // namespace pictorb::test
