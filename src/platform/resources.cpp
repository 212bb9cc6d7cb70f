#include "platform/resources.h"

#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/files.h"

namespace pictorb {
namespace {

// Version 1 writes "no limit" as a huge number just under 2^63, rounded to pages.
constexpr uint64_t kUnlimitedThreshold = uint64_t{1} << 62;

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ReadText(const std::string& path) {
    std::string text;
    return ReadWholeFile(path, text) ? text : std::string();
}

// A number at the start of a text; false for "max", "-1" or no number.
bool ParseCount(std::string_view text, uint64_t& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value > (kNoMemoryLimit - 9) / 10) return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

bool ReadCount(const std::string& path, uint64_t& value) {
    return ParseCount(ReadText(path), value);
}

// The value of "key value" in a stat-like file's text.
bool KeyedCount(std::string_view text, std::string_view key, uint64_t& value) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            (line[key.size()] == ' ' || line[key.size()] == ':' || line[key.size()] == '\t'))
            return ParseCount(line.substr(key.size() + 1), value);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return false;
}

// The group's folder below a controller's mount. Inside a container the process may see its
// own group's path while the mount shows that group as its root: leading parts of the path
// are dropped until the folder exists.
std::string GroupFolder(const std::string& mount, std::string path) {
    while (!path.empty() && path != "/") {
        if (IsFolder(mount + path)) return mount + path;
        const std::size_t slash = path.find('/', 1);
        path = slash == std::string::npos ? std::string() : path.substr(slash);
    }
    return mount;
}

// The group's folder and every folder above it up to the mount.
std::vector<std::string> GroupAndParents(const std::string& mount, const std::string& path) {
    std::vector<std::string> folders;
    std::string folder = GroupFolder(mount, path);
    for (;;) {
        folders.push_back(folder);
        if (folder.size() <= mount.size()) break;
        folder.resize(folder.rfind('/'));
    }
    return folders;
}

struct GroupLine {
    std::string controllers;  // "memory", "cpu,cpuacct"; empty for version 2
    std::string path;
};

std::vector<GroupLine> ParseSelfCgroup(std::string_view text) {
    std::vector<GroupLine> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const std::size_t first = line.find(':');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second != std::string_view::npos)
            lines.push_back({std::string(line.substr(first + 1, second - first - 1)),
                             std::string(line.substr(second + 1))});
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool HasController(const std::string& list, std::string_view name) {
    std::string_view rest = list;
    for (;;) {
        const std::size_t comma = rest.find(',');
        if (rest.substr(0, comma) == name) return true;
        if (comma == std::string_view::npos) return false;
        rest.remove_prefix(comma + 1);
    }
}

// The folder a version-1 controller is mounted on: named after its line's controller list,
// or after the controller alone.
std::string VersionOneMount(const std::string& root, const GroupLine& line, const char* name) {
    const std::string listed = root + "/" + line.controllers;
    return IsFolder(listed) ? listed : root + "/" + name;
}

void AddMemoryLimit(CgroupLimits& limits, uint64_t limit, uint64_t usage, uint64_t inactive) {
    if (limit >= kUnlimitedThreshold) return;
    // Page cache that is not in active use is dropped before the limit bites.
    const uint64_t workingSet = usage > inactive ? usage - inactive : 0;
    limits.memoryLimit = std::min(limits.memoryLimit, limit);
    limits.memoryLeft = std::min(limits.memoryLeft, limit > workingSet ? limit - workingSet : 0);
}

void AddCpuQuota(CgroupLimits& limits, uint64_t quota, uint64_t period) {
    if (period == 0) return;
    const double cpus = static_cast<double>(quota) / static_cast<double>(period);
    if (limits.cpuQuota == 0 || cpus < limits.cpuQuota) limits.cpuQuota = cpus;
}

void ReadVersionTwo(CgroupLimits& limits, const std::string& mount, const std::string& path,
                    bool memory, bool cpu) {
    for (const std::string& folder : GroupAndParents(mount, path)) {
        uint64_t limit = 0, usage = 0, inactive = 0;
        if (memory && ReadCount(folder + "/memory.max", limit) &&
            ReadCount(folder + "/memory.current", usage)) {
            KeyedCount(ReadText(folder + "/memory.stat"), "inactive_file", inactive);
            AddMemoryLimit(limits, limit, usage, inactive);
        }
        if (!cpu) continue;
        // "max 100000" has no quota; "50000 100000" is half a CPU.
        const std::string cpuMax = ReadText(folder + "/cpu.max");
        uint64_t quota = 0, period = 0;
        const std::size_t blank = cpuMax.find(' ');
        if (blank != std::string::npos && ParseCount(cpuMax, quota) &&
            ParseCount(std::string_view(cpuMax).substr(blank + 1), period))
            AddCpuQuota(limits, quota, period);
    }
}

void ReadVersionOneMemory(CgroupLimits& limits, const std::string& mount, const std::string& path) {
    for (const std::string& folder : GroupAndParents(mount, path)) {
        uint64_t limit = 0, usage = 0, inactive = 0;
        if (!ReadCount(folder + "/memory.limit_in_bytes", limit) ||
            !ReadCount(folder + "/memory.usage_in_bytes", usage))
            continue;
        KeyedCount(ReadText(folder + "/memory.stat"), "total_inactive_file", inactive);
        AddMemoryLimit(limits, limit, usage, inactive);
    }
}

void ReadVersionOneCpu(CgroupLimits& limits, const std::string& mount, const std::string& path) {
    for (const std::string& folder : GroupAndParents(mount, path)) {
        uint64_t quota = 0, period = 0;
        // A quota of -1 (no quota) does not parse as a count.
        if (ReadCount(folder + "/cpu.cfs_quota_us", quota) &&
            ReadCount(folder + "/cpu.cfs_period_us", period))
            AddCpuQuota(limits, quota, period);
    }
}

int AffinityCpuCount() {
    for (int size = 1024; size <= 65536; size *= 4) {
        cpu_set_t* set = CPU_ALLOC(size);
        if (set == nullptr) break;
        const std::size_t bytes = CPU_ALLOC_SIZE(size);
        CPU_ZERO_S(bytes, set);
        const bool known = sched_getaffinity(0, bytes, set) == 0;
        const int count = known ? CPU_COUNT_S(bytes, set) : 0;
        CPU_FREE(set);
        if (known) return std::max(count, 1);
    }
    return OnlineCpuCount();
}

uint64_t LimitOf(int resource) {
    struct rlimit limit;
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kNoMemoryLimit;
    return static_cast<uint64_t>(limit.rlim_cur);
}

uint64_t Less(uint64_t limit, uint64_t used) {
    if (limit == kNoMemoryLimit) return kNoMemoryLimit;
    return limit > used ? limit - used : 0;
}

}  // namespace

CgroupLimits ReadCgroupLimits(const std::string& root, std::string_view selfCgroupText) {
    CgroupLimits limits;
    const std::vector<GroupLine> lines = ParseSelfCgroup(selfCgroupText);
    bool memoryV1 = false, cpuV1 = false;
    for (const GroupLine& line : lines) {
        if (HasController(line.controllers, "memory")) {
            memoryV1 = true;
            ReadVersionOneMemory(limits, VersionOneMount(root, line, "memory"), line.path);
        }
        if (HasController(line.controllers, "cpu")) {
            cpuV1 = true;
            ReadVersionOneCpu(limits, VersionOneMount(root, line, "cpu"), line.path);
        }
    }
    // The unified hierarchy: the root itself, or "unified" below it beside version 1.
    for (const GroupLine& line : lines) {
        if (!line.controllers.empty() || (memoryV1 && cpuV1)) continue;
        const std::string mount = IsFolder(root + "/unified") ? root + "/unified" : root;
        ReadVersionTwo(limits, mount, line.path, !memoryV1, !cpuV1);
    }
    return limits;
}

ProcessResources QueryProcessResources(const ResourceSources& sources) {
    ProcessResources resources;
    const CgroupLimits group = ReadCgroupLimits(sources.cgroupRoot, ReadText(sources.selfCgroup));
    resources.cpus = AffinityCpuCount();
    if (group.cpuQuota > 0)
        resources.cpus =
            std::clamp(static_cast<int>(std::ceil(group.cpuQuota - 1e-9)), 1, resources.cpus);
    resources.physicalMemory = PhysicalMemoryBytes();
    resources.memoryLeft = group.memoryLeft;

    // What the address space already holds: the libraries, the heap, thread stacks.
    const std::string status = ReadText("/proc/self/status");
    uint64_t sizeKiB = 0, dataKiB = 0;
    KeyedCount(status, "VmSize", sizeKiB);
    KeyedCount(status, "VmData", dataKiB);
    const uint64_t addressLimit = LimitOf(RLIMIT_AS);
    const uint64_t dataLimit = LimitOf(RLIMIT_DATA);
    resources.addressSpaceLeft =
        std::min(Less(addressLimit, sizeKiB * 1024), Less(dataLimit, dataKiB * 1024));
    if (resources.addressSpaceLeft != kNoMemoryLimit) {
        pthread_attr_t attributes;
        std::size_t stack = 0;
        if (pthread_getattr_default_np(&attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &stack);
            pthread_attr_destroy(&attributes);
        }
        resources.threadStackBytes = stack;
    }

    resources.memoryLimit = std::min({group.memoryLimit, addressLimit, dataLimit});
    if (resources.physicalMemory > 0)
        resources.memoryLimit = std::min(resources.memoryLimit, resources.physicalMemory);
    return resources;
}

void ReturnFreedMemory() {
    malloc_trim(0);
}

}  // namespace pictorb
