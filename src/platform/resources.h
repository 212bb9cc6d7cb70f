#pragma once
// What this process may use: the CPUs it may keep busy and the memory it may still take,
// following its CPU affinity, the limits of its control group (a container, a Slurm job, a
// Kubernetes pod) and its resource limits rather than the machine's totals.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace pictorb {

inline constexpr uint64_t kNoMemoryLimit = std::numeric_limits<uint64_t>::max();

struct ProcessResources {
    int cpus = 1;  // the CPUs of the affinity mask, fewer under a CPU quota (rounded up); >= 1
    uint64_t physicalMemory = 0;  // the machine's; 0 when unknown
    // Memory the process may still take before its control group's memory limit stops it:
    // the limit less what the group already uses (page cache that can be dropped aside).
    uint64_t memoryLeft = kNoMemoryLimit;
    // Address space the process may still map before RLIMIT_AS or RLIMIT_DATA refuses it.
    uint64_t addressSpaceLeft = kNoMemoryLimit;
    // Address space each further thread takes (its stack); counts against addressSpaceLeft.
    uint64_t threadStackBytes = 0;
    // The most one picture may ever take: the smallest of the physical memory, the control
    // group's limit and the resource limits.
    uint64_t memoryLimit = kNoMemoryLimit;
};

// Where the control-group facts are read; tests point these at a tree of their own.
struct ResourceSources {
    std::string cgroupRoot = "/sys/fs/cgroup";     // the control-group file systems
    std::string selfCgroup = "/proc/self/cgroup";  // which groups the process belongs to
};

// What the process may use now. Reads the affinity mask, the control groups the process
// belongs to (version 2, or version 1 with one folder per controller) and every group above
// them, /proc/self/status and the resource limits.
ProcessResources QueryProcessResources(const ResourceSources& sources = {});

// Hands the memory the allocator keeps after frees back to the system, so that one large
// allocation after many smaller ones fits where the process's limits are tight.
void ReturnFreedMemory();

// The control-group part alone, from the text of /proc/self/cgroup and the tree below `root`:
// the limits of the process's groups and of every group above them.
struct CgroupLimits {
    uint64_t memoryLeft = kNoMemoryLimit;
    uint64_t memoryLimit = kNoMemoryLimit;
    double cpuQuota = 0;  // CPUs' worth of time per period; 0 when there is no quota
};
CgroupLimits ReadCgroupLimits(const std::string& root, std::string_view selfCgroupText);

}  // namespace pictorb
