#include "platform/hand_over.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "support/process_runner.h"

namespace pictorb {
namespace {

const std::string kName = "Corvalen Pictorb 2.2";

class HandOverTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.Path()};

    // Runs `body` in a child process while this one accepts and, with `answer`, answers;
    // returns the parameters accepted and the child's exit code through `childCode`.
    std::optional<std::vector<std::string>> AcceptFromChild(
        HandOverListener& listener, const std::function<int()>& body, int& childCode,
        const std::function<void(HandOverRequest&)>& answer = [](HandOverRequest& request) {
            request.Answer(HandOverReply::Taken);
        }) {
        const pid_t child = fork();
        if (child == 0) _exit(body());
        std::optional<std::vector<std::string>> accepted;
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 200 && !ended; ++i) {
            pollfd entry{listener.Descriptor(), POLLIN, 0};
            if (poll(&entry, 1, 25) == 1) {
                std::optional<HandOverRequest> request = listener.Accept();
                if (request) {
                    accepted = request->Parameters();
                    answer(*request);
                }
                break;
            }
            ended = waitpid(child, &status, WNOHANG) == child;
        }
        if (!ended) waitpid(child, &status, 0);
        childCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return accepted;
    }

    static int Taken(const std::vector<std::string>& parameters) {
        return HandOver(kName, parameters).outcome == HandOverReceipt::Outcome::Taken ? 0 : 1;
    }
};

TEST_F(HandOverTest, SecondProcessHandsItsParametersOver) {
    HandOverListener listener(kName);
    ASSERT_TRUE(listener.Listening());
    EXPECT_EQ(HandOverSocketPath(kName), dir_.Path() + "/" + kName + ".socket");
    struct stat info {};
    ASSERT_EQ(stat(HandOverSocketPath(kName).c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::vector<std::vector<std::string>> cases = {
        {"/home/me/photo one.bmp"}, {}, {"--invert", "", "/a/ü.bmp"}};
    for (const auto& parameters : cases) {
        SCOPED_TRACE(parameters.size());
        int code = -1;
        const auto accepted = AcceptFromChild(
            listener, [&] { return Taken(parameters); }, code);
        EXPECT_EQ(code, 0) << "no receipt";
        ASSERT_TRUE(accepted.has_value());
        EXPECT_EQ(*accepted, parameters);
    }
    // Nothing waits: Accept returns at once.
    EXPECT_FALSE(listener.Accept().has_value());
}

TEST_F(HandOverTest, NobodyListeningOrAStaleSocketLeftBehind) {
    EXPECT_EQ(HandOver(kName, {"/a.bmp"}).outcome, HandOverReceipt::Outcome::NotRunning);
    {
        // A crashed instance leaves its socket file; nobody answers on it.
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, HandOverSocketPath(kName).c_str());
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        close(stale);
    }
    EXPECT_EQ(HandOver(kName, {"/a.bmp"}).outcome, HandOverReceipt::Outcome::NotRunning);
    {
        HandOverListener listener(kName);
        ASSERT_TRUE(listener.Listening());
        int code = -1;
        const auto accepted = AcceptFromChild(
            listener, [] { return Taken({"/b.bmp"}); }, code);
        EXPECT_EQ(code, 0);
        ASSERT_TRUE(accepted.has_value());
    }
    // The listener takes its socket file with it.
    EXPECT_NE(access(HandOverSocketPath(kName).c_str(), F_OK), 0);
}

TEST_F(HandOverTest, AnotherUserIsNotHeard) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    HandOverListener listener(kName);
    ASSERT_TRUE(listener.Listening());
    const auto asNobody = [] {
        if (setgid(65534) != 0 || setuid(65534) != 0) return 2;
        return Taken({"/a.bmp"});
    };
    int code = -1;
    {
        SCOPED_TRACE("the socket file's permissions");
        chmod(dir_.Path().c_str(), 0755);
        EXPECT_FALSE(AcceptFromChild(listener, asNobody, code).has_value());
        EXPECT_EQ(code, 1);
    }
    {
        SCOPED_TRACE("the connection's user, with the file opened to everyone");
        chmod(HandOverSocketPath(kName).c_str(), 0666);
        EXPECT_FALSE(AcceptFromChild(listener, asNobody, code).has_value());
        EXPECT_EQ(code, 1);
    }
}

// What the window did travels back: taken, queued behind a dialog, refused with the reason;
// a window that ends or hangs before answering promises nothing.
TEST_F(HandOverTest, TheReceiptSaysWhatTheWindowDid) {
    using Outcome = HandOverReceipt::Outcome;
    HandOverListener listener(kName);
    ASSERT_TRUE(listener.Listening());
    const std::string reason = "/a/red.png: not a bitmap (.bmp, .rle, .dib)";
    struct Case {
        const char* name;
        std::function<void(HandOverRequest&)> answer;
        Outcome outcome;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {"taken", [](HandOverRequest& r) { r.Answer(HandOverReply::Taken); }, Outcome::Taken, ""},
        {"queued", [](HandOverRequest& r) { r.Answer(HandOverReply::Queued); }, Outcome::Queued,
         ""},
        {"refused", [&](HandOverRequest& r) { r.Answer(HandOverReply::Refused, reason); },
         Outcome::Refused, reason},
        {"ended unanswered", [](HandOverRequest&) {}, Outcome::NoAnswer, ""},
        // The request is kept past the start's wait, as by a window that hangs.
        {"no answer in time",
         [](HandOverRequest& r) {
             usleep(600 * 1000);
             r.Answer(HandOverReply::Taken);
         },
         Outcome::NoAnswer, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int code = -1;
        const auto accepted = AcceptFromChild(
            listener,
            [&] {
                const HandOverReceipt receipt = HandOver(kName, {"/a/red.png"}, 300);
                return receipt.outcome == c.outcome && receipt.detail == c.detail ? 0 : 1;
            },
            code, c.answer);
        ASSERT_TRUE(accepted.has_value());
        EXPECT_EQ(*accepted, std::vector<std::string>{"/a/red.png"});
        EXPECT_EQ(code, 0);
    }
}

// Across an upgrade: a window of the version before answers one byte on reading, a start of
// the version before waits for that byte only.
TEST_F(HandOverTest, PeersOfTheVersionBeforeAreUnderstood) {
    const auto connectTo = [](int fd, bool bind) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, HandOverSocketPath(kName).c_str());
        const auto* raw = reinterpret_cast<sockaddr*>(&address);
        return bind ? ::bind(fd, raw, sizeof(address)) : ::connect(fd, raw, sizeof(address));
    };
    {
        SCOPED_TRACE("a window of before");
        const int server = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(connectTo(server, true), 0);
        ASSERT_EQ(listen(server, 1), 0);
        const pid_t window = fork();
        if (window == 0) {
            const int connection = accept(server, nullptr, nullptr);
            char buffer[256];
            while (recv(connection, buffer, sizeof(buffer), 0) > 0) {
            }
            send(connection, "k", 1, MSG_NOSIGNAL);
            _exit(0);
        }
        EXPECT_EQ(HandOver(kName, {"/a.bmp"}).outcome, HandOverReceipt::Outcome::Taken);
        waitpid(window, nullptr, 0);
        close(server);
        unlink(HandOverSocketPath(kName).c_str());
    }
    {
        SCOPED_TRACE("a start of before");
        HandOverListener listener(kName);
        int code = -1;
        const auto accepted = AcceptFromChild(
            listener,
            [&] {
                const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
                if (connectTo(fd, false) != 0) return 2;
                send(fd, "/a.bmp", 7, MSG_NOSIGNAL);
                shutdown(fd, SHUT_WR);
                char receipt[8] = {};
                const ssize_t got = recv(fd, receipt, sizeof(receipt), MSG_WAITALL);
                return got == 1 && receipt[0] == 'k' ? 0 : 1;
            },
            code, [](HandOverRequest& request) { request.Answer(HandOverReply::Queued); });
        ASSERT_TRUE(accepted.has_value());
        EXPECT_EQ(*accepted, std::vector<std::string>{"/a.bmp"});
        EXPECT_EQ(code, 0);
    }
}

}  // namespace
}  // namespace pictorb
