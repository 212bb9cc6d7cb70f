// The pool of workers that converts the input file map.

#include "pipeline/batch.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "pipeline/bitmap_reader.h"
#include "pipeline/naming.h"
#include "pipeline/psd_layout.h"
#include "pipeline/watermark.h"
#include "platform/canvas.h"
#include "platform/console.h"
#include "platform/files.h"

namespace pictorb {
namespace {

// What the workers share, all of it under progress.lock but the files and the budget, which
// do not change while the workers run.
struct PoolState {
    std::vector<std::pair<std::string, InputFileEntry>> files;  // in key order
    uint64_t budget = 0;
    uint64_t memoryLimit = 0;   // the most one picture may take
    unsigned stageThreads = 1;  // each file's FileJob::stageThreads
    std::size_t next = 0;       // the next file to take
    // One worker at a time holds the next file while it waits for room in the budget; the
    // others wait for their turn. Files then start in order, and every wake-up (a file
    // finished, the turn passed on) is meant for exactly one worker.
    bool turnHeld = false;
    std::condition_variable turnFree;
    uint64_t bytesInFlight = 0;  // estimated peak of the files being converted
    int32_t inFlight = 0;
    int32_t mostInFlight = 0;
    uint64_t starts = 0;  // files started so far, retries included
    int32_t succeeded = 0;
    // Files that failed for memory beside others wait to be converted again alone; no other
    // file starts meanwhile.
    int32_t retrying = 0;
    bool retryRunning = false;
    int32_t retried = 0;
    // Output paths are claimed in the order files were taken, so that which of two files with
    // the same output name fails does not depend on which worker is faster.
    std::vector<bool> claimPassed;              // by take index
    std::size_t claimsPassedUpTo = 0;           // every take index below this has claimed or failed
    std::map<std::string, std::string> claims;  // output path -> input path
    std::condition_variable claimTurn;
    std::mutex printing;  // keeps the debug lines of one file together
};

void PassClaim(PoolState& pool, std::size_t index) {
    pool.claimPassed[index] = true;
    while (pool.claimsPassedUpTo < pool.claimPassed.size() &&
           pool.claimPassed[pool.claimsPassedUpTo])
        ++pool.claimsPassedUpTo;
    pool.claimTurn.notify_all();
}

bool StopAsked(const SharedProgress& progress) {
    return progress.record.continueFlag == 0;
}

class Worker {
  public:
    Worker(const JobEnvironment& env, SharedProgress& progress, PoolState& pool, bool firstWorker)
        : env_(env), progress_(progress), pool_(pool) {
        font_ = env.watermarkFont;
        // Each worker draws with a font of its own; the first one uses the one the run checked.
        if (!firstWorker && env.watermarkFont != nullptr) {
            ownFont_ = LoadWatermarkFont(env.settings);
            font_ = ownFont_.get();
        }
    }

    void Run() {
        Taken file;
        while (Take(file)) {
            ConvertError error = Convert(file.index);
            bool retried = false;
            if (error == ConvertError::OutOfMemory && !RanAlone(file)) {
                WaitToRunAlone(file.bytes);
                error = Convert(file.index);
                retried = true;
            }
            Finish(file, error, retried);
        }
    }

  private:
    struct Taken {
        std::size_t index = 0;
        uint64_t bytes = 0;      // its estimated peak
        uint64_t startedAs = 0;  // the count of starts with its own
        bool startedAlone = false;
    };

    // Holds the turn, reads the next file's header without the lock, then waits until the file
    // fits into the memory budget (or nothing else is in flight) and takes it; false when no
    // file is left or the run is to stop.
    bool Take(Taken& file) {
        std::unique_lock<std::mutex> hold(progress_.lock);
        pool_.turnFree.wait(hold, [&] { return !pool_.turnHeld || StopAsked(progress_); });
        if (StopAsked(progress_) || pool_.next >= pool_.files.size()) {
            pool_.turnFree.notify_one();  // the next waiting worker leaves as well
            return false;
        }
        pool_.turnHeld = true;
        file.index = pool_.next++;
        hold.unlock();
        const std::string& path = pool_.files[file.index].first;
        const std::optional<BitmapSize> size = ReadBitmapSize(path);
        file.bytes = size ? EstimatePeakBytes(size->width, size->height) : 0;
        hold.lock();
        progress_.gateChanged.wait(hold,
                                   [&] { return StopAsked(progress_) || HasRoom(file.bytes); });
        pool_.turnHeld = false;
        if (StopAsked(progress_)) {
            pool_.next = file.index;  // not taken after all
            pool_.turnFree.notify_all();
            return false;
        }
        pool_.turnFree.notify_one();
        Start(file.bytes);
        file.startedAs = pool_.starts;
        file.startedAlone = pool_.inFlight == 1;
        pool_.claimPassed.push_back(false);
        progress_.record.index = static_cast<int32_t>(file.index + 1);
        progress_.record.currentFile = path;
        progress_.outcomes.push_back({path, ConvertError::None, {}, {}, false});
        return true;
    }

    bool HasRoom(uint64_t bytes) const {
        if (progress_.gateClosed || pool_.retrying > 0) return false;
        return pool_.inFlight == 0 || pool_.bytesInFlight + bytes <= pool_.budget;
    }

    void Start(uint64_t bytes) {
        pool_.bytesInFlight += bytes;
        pool_.mostInFlight = std::max(pool_.mostInFlight, ++pool_.inFlight);
        ++pool_.starts;
    }

    // Whether the file had the memory to itself: nothing else in flight when it started, and
    // nothing started since.
    bool RanAlone(const Taken& file) {
        std::lock_guard<std::mutex> hold(progress_.lock);
        return file.startedAlone && pool_.starts == file.startedAs;
    }

    // Gives up the file's room, waits until nothing else is in flight and starts it again.
    void WaitToRunAlone(uint64_t bytes) {
        {
            std::unique_lock<std::mutex> hold(progress_.lock);
            pool_.bytesInFlight -= bytes;
            --pool_.inFlight;
            ++pool_.retrying;
            progress_.gateChanged.notify_all();
            progress_.gateChanged.wait(hold,
                                       [&] { return pool_.inFlight == 0 && !pool_.retryRunning; });
            pool_.retryRunning = true;
            ++pool_.retried;
            Start(bytes);
        }
        // The attempts side by side left the heap in pieces: the file gets all of it.
        ReturnFreedMemory();
    }

    ConvertError Convert(std::size_t index) {
        const auto& [path, entry] = pool_.files[index];
        file_ = FileJobFor(env_.job, path, entry.relativeFolder);
        // The first file keeps the numbers the run started with, as a single file does.
        file_.conversionNumber += static_cast<int32_t>(index);
        if (index != 0) file_.randomNumber = NewRandomNumber();
        file_.stageThreads = pool_.stageThreads;

        holder_.clear();
        JobEnvironment env{
            env_.settings,
            env_.job,
            env_.formats,
            font_,
            [&](const std::string& outputPath) { return Claim(index, outputPath, holder_); },
            pool_.memoryLimit};
        const ConvertError error = ConvertFile(env, file_);
        std::lock_guard<std::mutex> hold(progress_.lock);
        PassClaim(pool_, index);  // also for a file that failed before claiming
        return error;
    }

    void Finish(const Taken& file, ConvertError error, bool retried) {
        const std::string& path = pool_.files[file.index].first;
        if (env_.job.commandLineMode && env_.job.runMode == "DEBUG") {
            std::lock_guard<std::mutex> printing(pool_.printing);
            ConsolePrintLine("Processing: " + path);
            ConsolePrintLine("Saving As: " + file_.outputPath);
            if (error == ConvertError::None &&
                DocumentFormatFor(file_.outputWidth, file_.outputHeight) == DocumentFormat::Psb)
                ConsolePrintLine("Large document format (psb): wider or taller than 30000 pixels");
            ConsolePrintLine(error == ConvertError::None      ? "OK"
                             : error == ConvertError::Skipped ? "Skipped: the document exists"
                                                              : "Not OK");
        }
        std::lock_guard<std::mutex> hold(progress_.lock);
        pool_.bytesInFlight -= file.bytes;
        --pool_.inFlight;
        if (retried) {
            pool_.retryRunning = false;
            --pool_.retrying;
        }
        if (error == ConvertError::None) {
            ++pool_.succeeded;
            progress_.record.converted = pool_.succeeded;
        }
        FileOutcome& outcome = progress_.outcomes[file.index];
        outcome.error = error;
        outcome.otherPath = holder_;
        outcome.detail = IsFailure(error) ? file_.failureDetail : std::string();
        outcome.done = true;
        // Memory freed: the worker holding the turn may go on. A retry waits for every file
        // to finish, and one retry's end may be another's or the turn holder's start.
        if (pool_.retrying > 0 || retried)
            progress_.gateChanged.notify_all();
        else
            progress_.gateChanged.notify_one();
        progress_.outcomeDone.notify_all();
    }

    bool Claim(std::size_t index, const std::string& outputPath, std::string& holder) {
        std::unique_lock<std::mutex> hold(progress_.lock);
        pool_.claimTurn.wait(hold, [&] { return pool_.claimsPassedUpTo >= index; });
        const std::string& input = pool_.files[index].first;
        const auto [at, fresh] = pool_.claims.emplace(outputPath, input);
        // A file converted again after running out of memory finds its own claim.
        const bool mine = fresh || at->second == input;
        if (!mine) holder = at->second;
        PassClaim(pool_, index);
        return mine;
    }

    const JobEnvironment& env_;
    SharedProgress& progress_;
    PoolState& pool_;
    FileJob file_;  // the file being converted
    const Font* font_ = nullptr;
    std::unique_ptr<Font> ownFont_;
    std::string holder_;  // SameOutput: the input whose document has the name
};

}  // namespace

uint64_t EstimatePeakBytes(uint64_t width, uint64_t height) {
    // The 32-bit picture about three times over: measured peaks of plain conversions are
    // close to that (decoded picture, the stage copies, the document).
    return width * height * 4 * 3 + (uint64_t{8} << 20);
}

// Two per CPU: the second keeps a CPU busy while the first waits for the disk; more only wait
// for each other and for the file system's locks (5000 small files: four workers on two CPUs
// take the time of two, eight take half as long again).
constexpr int64_t kWorkersPerCpu = 2;

PoolPlan PlanConversionPool(int32_t requested, std::size_t files,
                            const ProcessResources& resources) {
    const int64_t cpus = std::max(resources.cpus, 1);
    int64_t workers = requested > 0 ? requested : cpus;
    workers = std::min({workers, kWorkersPerCpu * cpus, static_cast<int64_t>(files)});
    PoolPlan plan;
    plan.workers = static_cast<int32_t>(std::max<int64_t>(workers, 0));
    // CPUs that workers leave idle (fewer files than CPUs) go to the files' stages.
    if (workers > 0)
        plan.stageThreads = static_cast<unsigned>(std::max<int64_t>(cpus / workers, 1));

    uint64_t budget = std::max<uint64_t>(resources.physicalMemory / 2, uint64_t{256} << 20);
    budget = std::min(budget, resources.memoryLeft);
    if (resources.addressSpaceLeft != kNoMemoryLimit) {
        const uint64_t stacks =
            resources.threadStackBytes * static_cast<uint64_t>(std::max<int64_t>(workers - 1, 0));
        const uint64_t left = resources.addressSpaceLeft;
        budget = std::min(budget, left > stacks ? left - stacks : 0);
    }
    plan.memoryBudget = budget;
    return plan;
}

PoolReport RunConversionPool(const JobEnvironment& env, SharedProgress& progress,
                             const PoolOptions& options) {
    ReadTimeZone();  // once per run, before any worker converts a time
    PoolState pool;
    pool.files.assign(env.job.inputFiles.begin(), env.job.inputFiles.end());
    {
        std::lock_guard<std::mutex> hold(progress.lock);
        progress.outcomes.clear();
        progress.outcomes.reserve(pool.files.size());
        pool.claimPassed.reserve(pool.files.size());
    }
    const ProcessResources resources = QueryProcessResources();
    const PoolPlan plan = PlanConversionPool(options.workers, pool.files.size(), resources);
    pool.budget = options.memoryBudget != 0 ? options.memoryBudget : plan.memoryBudget;
    pool.memoryLimit = env.memoryLimit != 0 ? env.memoryLimit : resources.memoryLimit;
    pool.stageThreads = plan.stageThreads;

    PoolReport report;
    report.memoryBudget = pool.budget;
    if (plan.workers > 0) {
        std::vector<std::unique_ptr<Worker>> crew;
        for (int32_t i = 0; i < plan.workers; ++i)
            crew.push_back(std::make_unique<Worker>(env, progress, pool, i == 0));
        std::vector<std::thread> threads;
        for (int32_t i = 1; i < plan.workers; ++i) {
            try {
                threads.emplace_back(&Worker::Run, crew[static_cast<std::size_t>(i)].get());
            } catch (const std::system_error&) {
                break;  // fewer threads than asked: the ones started take every file
            }
        }
        report.workers = static_cast<int32_t>(threads.size()) + 1;
        crew.front()->Run();  // this thread is a worker too
        for (std::thread& thread : threads) thread.join();
    }
    std::lock_guard<std::mutex> hold(progress.lock);
    progress.record.converted = pool.succeeded;
    report.mostInFlight = pool.mostInFlight;
    report.retriedAlone = pool.retried;
    env.job.conversionNumber += pool.succeeded;
    if (pool.succeeded > 0) env.job.randomNumber = NewRandomNumber();
    return report;
}

int RunConversionWorker(const JobEnvironment& env, SharedProgress& progress) {
    RunConversionPool(env, progress, PoolOptions{env.settings.threads, 0});
    return 0;
}

void StopTakingFiles(SharedProgress& progress) {
    {
        std::lock_guard<std::mutex> hold(progress.lock);
        progress.record.continueFlag = 0;
    }
    progress.gateChanged.notify_all();
}

}  // namespace pictorb
