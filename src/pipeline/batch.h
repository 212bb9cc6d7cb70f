#pragma once
// Many files in one run: filling the input file map from files and folders, and the pool of
// workers that converts it. The command line and the desktop both use these.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "pipeline/job.h"
#include "pipeline/job_context.h"
#include "platform/resources.h"

namespace pictorb {

// An input that was named but cannot be converted (missing, not a bitmap, unreadable folder).
struct InputProblem {
    std::string path;
    std::string reason;
};

// Adds `path` to the input file map: a file with an accepted extension (any letter case, empty
// files included: they fail with their reason when taken), or every such file directly inside
// a folder, and with `recursive` inside its subfolders too, each with its folder below `path`
// as its relative folder. Links to folders are not followed. A file already in the map, under
// this name or another (same device and inode), is not added again. Returns the number of
// entries added; what was refused is appended to `problems` in the order met: among them
// anything with an accepted extension that is no regular file (a FIFO, a device, or a link to
// one), which is never opened, and a folder that cannot be listed or entered.
int32_t AddInputPath(JobContext& job, const Formats& formats, const std::string& path,
                     bool recursive, std::vector<InputProblem>& problems);

// A generous estimate of the memory one conversion of a `width` x `height` picture needs at
// its peak (the decoded picture, the copies stages make, the encoded document).
uint64_t EstimatePeakBytes(uint64_t width, uint64_t height);

struct PoolOptions {
    int32_t workers = 0;        // 0: one per CPU the process may use
    uint64_t memoryBudget = 0;  // bytes the files in flight may need together; 0: planned
};

// How many workers convert `files` files and how much memory the files in flight may need
// together. Workers: `requested` (0: one per CPU the process may use), at most two per such
// CPU (more only wait for each other) and one per file. Budget: half the physical memory (at
// least 256 MiB), no more than the process may still take under its control group's limit,
// nor than its address space limit leaves once the further workers' stacks are mapped.
struct PoolPlan {
    int32_t workers = 0;
    uint64_t memoryBudget = 0;
    unsigned stageThreads = 1;  // each file's share of the CPUs (FileJob::stageThreads)
};
PoolPlan PlanConversionPool(int32_t requested, std::size_t files,
                            const ProcessResources& resources);

struct PoolReport {
    int32_t workers = 0;       // threads started
    int32_t mostInFlight = 0;  // the largest number of files converted at once
    uint64_t memoryBudget = 0;
    int32_t retriedAlone = 0;  // files converted again alone after running out of memory
};

// Converts every entry of env.job.inputFiles in key order with the planned workers, each file
// with a FileJob of its own and each worker with its own watermark font, while progress allows
// (the gate and the continue flag are checked before each file is taken; whoever clears the
// flag or opens the gate notifies progress.gateChanged). A file is taken only when the memory
// estimated from its header fits into the budget beside the files in flight; one that alone
// exceeds it runs alone, and one that fails for memory beside others is converted again alone.
// Headers are read outside the progress lock. Outcomes are recorded in progress.outcomes in the
// order files were taken. Two files whose output paths coincide: the later one (in that order)
// fails with ConvertError::SameOutput. Afterwards env.job's conversion number has advanced by
// the files converted.
PoolReport RunConversionPool(const JobEnvironment& env, SharedProgress& progress,
                             const PoolOptions& options);

// RunConversionPool with the number of workers the settings ask for ("Threads"); returns 0.
int RunConversionWorker(const JobEnvironment& env, SharedProgress& progress);

// Asks the workers to take no further file and wakes every one that waits.
void StopTakingFiles(SharedProgress& progress);

}  // namespace pictorb
