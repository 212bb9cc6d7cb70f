#include "platform/desktop_open.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "support/process_runner.h"

namespace pictorb {
namespace {

// An opener that starts an application which stays (a browser in the foreground): it counts as
// opened once the wait is over, and it is left running, not ended with the helper.
TEST(DesktopOpen, AnOpenerThatStaysCountsAsOpenedAndLivesOn) {
    test::TempDir dir;
    test::ScopedEnv path("PATH", dir.Path() + ":/usr/bin:/bin");
    const std::string pidFile = dir.Join("pid");
    test::WriteBytes(dir.Join("xdg-open"),
                     "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 30\n");
    chmod(dir.Join("xdg-open").c_str(), 0755);
    pid_t opener = 0;
    {
        DesktopOpen open("https://www.corvalen.example/", 300);
        ASSERT_GE(open.Descriptor(), 0);
        EXPECT_EQ(open.Take(), DesktopOpen::Outcome::Pending);
        pollfd ready{open.Descriptor(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 5000), 1);
        EXPECT_EQ(open.Take(), DesktopOpen::Outcome::Opened);
        opener = std::stoi(test::ReadBytes(pidFile).value_or("0"));
    }
    ASSERT_GT(opener, 0);
    EXPECT_EQ(kill(opener, 0), 0) << "the opener was ended";
    kill(opener, SIGKILL);
}

}  // namespace
}  // namespace pictorb
