// What the process may use: control-group limits read from trees made here, and the CPUs and
// address space of a process whose affinity and limits a test sets.

#include "platform/resources.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/process_runner.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;
constexpr uint64_t kMiB = uint64_t{1} << 20;

class ResourcesTest : public ::testing::Test {
  protected:
    // Writes `text` as the file `name` below the fake control-group root.
    void Put(const std::string& name, const std::string& text) {
        fs::create_directories(fs::path(dir_.Join(name)).parent_path());
        ASSERT_TRUE(test::WriteBytes(dir_.Join(name), text));
    }
    std::string Root() const { return dir_.Path(); }

    test::TempDir dir_;
};

TEST_F(ResourcesTest, VersionOneLimitsOfTheGroupAndItsParents) {
    // A Slurm-like job: the job's group limits memory, the step below it does not; the CPU
    // quota is half a CPU. Page cache not in active use does not count as used.
    Put("memory/job/memory.limit_in_bytes", "419430400\n");
    Put("memory/job/memory.usage_in_bytes", "104857600\n");
    Put("memory/job/memory.stat", "cache 80000000\ntotal_inactive_file 62914560\n");
    Put("memory/job/step/memory.limit_in_bytes", "9223372036854771712\n");
    Put("memory/job/step/memory.usage_in_bytes", "1000\n");
    Put("memory/memory.limit_in_bytes", "9223372036854771712\n");
    Put("memory/memory.usage_in_bytes", "50000000000\n");
    Put("cpu,cpuacct/job/cpu.cfs_quota_us", "50000\n");
    Put("cpu,cpuacct/job/cpu.cfs_period_us", "100000\n");
    Put("cpu,cpuacct/cpu.cfs_quota_us", "-1\n");
    Put("cpu,cpuacct/cpu.cfs_period_us", "100000\n");
    const CgroupLimits limits =
        ReadCgroupLimits(Root(), "5:cpu,cpuacct:/job\n4:memory:/job/step\n1:name=systemd:/\n");
    EXPECT_EQ(limits.memoryLimit, 400 * kMiB);
    EXPECT_EQ(limits.memoryLeft, 400 * kMiB - (100 * kMiB - 60 * kMiB));
    EXPECT_DOUBLE_EQ(limits.cpuQuota, 0.5);
}

TEST_F(ResourcesTest, VersionTwoLimitsAndAContainersOwnView) {
    Put("kube/memory.max", "104857600\n");
    Put("kube/memory.current", "20971520\n");
    Put("kube/memory.stat", "anon 1\ninactive_file 10485760\n");
    Put("kube/cpu.max", "150000 100000\n");
    Put("kube/pod/memory.max", "max\n");
    Put("kube/pod/memory.current", "1000\n");
    Put("kube/pod/cpu.max", "max 100000\n");
    CgroupLimits limits = ReadCgroupLimits(Root(), "0::/kube/pod\n");
    EXPECT_EQ(limits.memoryLimit, 100 * kMiB);
    EXPECT_EQ(limits.memoryLeft, 90 * kMiB);
    EXPECT_DOUBLE_EQ(limits.cpuQuota, 1.5);

    // Inside a container the group's path names folders the container's mount does not
    // have: its root is the group.
    Put("memory.max", "209715200\n");
    Put("memory.current", "0\n");
    limits = ReadCgroupLimits(Root(), "0::/docker/0123abcd\n");
    EXPECT_EQ(limits.memoryLimit, 200 * kMiB);
    EXPECT_EQ(limits.cpuQuota, 0);

    // Nothing known, nothing limited.
    limits = ReadCgroupLimits(Root() + "/nowhere", "");
    EXPECT_EQ(limits.memoryLimit, kNoMemoryLimit);
    EXPECT_EQ(limits.memoryLeft, kNoMemoryLimit);
}

// Runs `check` in a child process, whose affinity and limits it may change.
::testing::AssertionResult InChild(const std::function<bool()>& check) {
    const pid_t child = fork();
    if (child < 0) return ::testing::AssertionFailure() << "fork failed";
    if (child == 0) _exit(check() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the check failed in the child, status " << status;
}

TEST_F(ResourcesTest, AffinityQuotaAndAddressSpaceOfThisProcess) {
    ResourceSources sources{Root(), dir_.Join("self-cgroup")};
    Put("self-cgroup", "0::/\n");
    // Bound to one CPU, as taskset -c 0 and srun with CPU binding do.
    EXPECT_TRUE(InChild([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(0, &one);
        return sched_setaffinity(0, sizeof one, &one) == 0 &&
               QueryProcessResources(sources).cpus == 1;
    }));
    // Half a CPU's quota is one CPU, rounded up; a quota beyond the CPUs changes nothing.
    Put("cpu.max", "50000 100000\n");
    EXPECT_EQ(QueryProcessResources(sources).cpus, 1);
    Put("cpu.max", "100000000 100000\n");
    const int allowed = QueryProcessResources(sources).cpus;
    EXPECT_GE(allowed, 1);
    EXPECT_EQ(allowed, QueryProcessResources({Root(), dir_.Join("missing")}).cpus);

    // An address-space limit, less what the process has mapped already. (A sanitizer's shadow
    // memory alone is larger than any such limit.)
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not fit a sanitizer's shadow memory";
#endif
    EXPECT_TRUE(InChild([&] {
        const ProcessResources before = QueryProcessResources(sources);
        const rlimit limit{400 * kMiB * 4, 400 * kMiB * 4};
        if (before.addressSpaceLeft != kNoMemoryLimit || setrlimit(RLIMIT_AS, &limit) != 0)
            return false;
        const ProcessResources after = QueryProcessResources(sources);
        return after.addressSpaceLeft < limit.rlim_cur && after.addressSpaceLeft > 0 &&
               after.memoryLimit <= limit.rlim_cur && after.threadStackBytes > 0;
    }));
}

}  // namespace
}  // namespace pictorb
