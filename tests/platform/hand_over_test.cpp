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

    // Runs `body` in a child process while this one accepts; returns the parameters accepted
    // and the child's exit code through `childCode`.
    std::optional<std::vector<std::string>> AcceptFromChild(HandOverListener& listener,
                                                            const std::function<int()>& body,
                                                            int& childCode) {
        const pid_t child = fork();
        if (child == 0) _exit(body());
        std::optional<std::vector<std::string>> accepted;
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 200 && !ended; ++i) {
            pollfd entry{listener.Descriptor(), POLLIN, 0};
            if (poll(&entry, 1, 25) == 1) {
                accepted = listener.Accept();
                break;
            }
            ended = waitpid(child, &status, WNOHANG) == child;
        }
        if (!ended) waitpid(child, &status, 0);
        childCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return accepted;
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
            listener, [&] { return HandOver(kName, parameters) ? 0 : 1; }, code);
        EXPECT_EQ(code, 0) << "no receipt";
        ASSERT_TRUE(accepted.has_value());
        EXPECT_EQ(*accepted, parameters);
    }
    // Nothing waits: Accept returns at once.
    EXPECT_FALSE(listener.Accept().has_value());
}

TEST_F(HandOverTest, NobodyListeningOrAStaleSocketLeftBehind) {
    EXPECT_FALSE(HandOver(kName, {"/a.bmp"}));
    {
        // A crashed instance leaves its socket file; nobody answers on it.
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, HandOverSocketPath(kName).c_str());
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        close(stale);
    }
    EXPECT_FALSE(HandOver(kName, {"/a.bmp"}));
    {
        HandOverListener listener(kName);
        ASSERT_TRUE(listener.Listening());
        int code = -1;
        const auto accepted = AcceptFromChild(
            listener, [] { return HandOver(kName, {"/b.bmp"}) ? 0 : 1; }, code);
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
        return HandOver(kName, {"/a.bmp"}) ? 0 : 1;
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

}  // namespace
}  // namespace pictorb
