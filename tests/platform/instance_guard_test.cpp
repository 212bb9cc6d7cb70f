#include "platform/instance_guard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/process_runner.h"

namespace pictorb {
namespace {

const std::string kName = "Corvalen Pictorb 2.2";

TEST(InstanceGuard, LockPathFollowsRuntimeFolder) {
    const std::string inTmp = "/tmp/" + kName + "-" + std::to_string(getuid()) + ".lock";
    struct Case {
        const char* label;
        std::optional<std::string> runtime;
        std::string expected;
    };
    const Case cases[] = {
        {"runtime folder", "/run/user/1000", "/run/user/1000/" + kName + ".lock"},
        {"trailing slash", "/run/user/1000/", "/run/user/1000/" + kName + ".lock"},
        {"unset", std::nullopt, inTmp},
        {"empty", "", inTmp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::ScopedEnv env("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(InstanceLockPath(kName), c.expected);
    }
}

// Whether a guard of that name can be taken by a separate process right now.
bool OtherProcessGetsGuard() {
    pid_t pid = fork();
    if (pid == 0) {
        InstanceGuard guard(kName);
        _exit(guard.Held() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(InstanceGuard, SecondGuardFailsWhileFirstHolds) {
    test::TempDir dir;
    test::ScopedEnv env("XDG_RUNTIME_DIR", dir.Path());
    {
        InstanceGuard first(kName);
        ASSERT_TRUE(first.Held());
        EXPECT_FALSE(OtherProcessGetsGuard());
        // A second guard in the same process is refused as well: the lock belongs to the
        // open file, not to the process.
        InstanceGuard second(kName);
        EXPECT_FALSE(second.Held());

        struct stat info;
        ASSERT_EQ(stat(InstanceLockPath(kName).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    // Released with the first guard.
    EXPECT_TRUE(OtherProcessGetsGuard());
}

TEST(InstanceGuard, NotHeldWhenLockCannotBeMade) {
    test::TempDir dir;
    {
        SCOPED_TRACE("missing runtime folder");
        test::ScopedEnv env("XDG_RUNTIME_DIR", dir.Join("missing"));
        EXPECT_FALSE(InstanceGuard(kName).Held());
    }
    {
        // A link planted where the lock file belongs is not followed.
        SCOPED_TRACE("link at the lock path");
        test::ScopedEnv env("XDG_RUNTIME_DIR", dir.Path());
        ASSERT_EQ(symlink(dir.Join("victim").c_str(), InstanceLockPath(kName).c_str()), 0);
        EXPECT_FALSE(InstanceGuard(kName).Held());
        EXPECT_EQ(access(dir.Join("victim").c_str(), F_OK), -1);
    }
}

}  // namespace
}  // namespace pictorb
