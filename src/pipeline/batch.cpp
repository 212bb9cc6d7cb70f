#include "pipeline/batch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
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

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Every accepted file below `root`, each keyed by its path with its folder below root.
int32_t AddFolder(JobContext& job, const Formats& formats, const std::string& root, bool recursive,
                  std::vector<InputProblem>& problems) {
    int32_t added = 0;
    std::vector<std::string> pending = {""};  // folders below root still to list, as "a/b/"
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::string folder = root + "/" + relative;
        std::vector<FolderEntry> entries;
        std::string error;
        if (!ListFolder(folder, entries, error)) {
            problems.push_back({WithoutTrailingSlashes(folder), "cannot read folder: " + error});
            continue;
        }
        for (const FolderEntry& entry : entries) {
            const std::string path = folder + entry.name;
            bool file = entry.kind == FolderEntry::Kind::File;
            // A link to a file counts as the file; a link to a folder is never followed.
            if (entry.kind == FolderEntry::Kind::Link) file = QueryFileSize(path) >= 0;
            if (entry.kind == FolderEntry::Kind::Folder && recursive)
                pending.push_back(relative + entry.name + "/");
            if (!file || !IsAcceptedInput(formats, path)) continue;
            if (job.inputFiles.emplace(path, InputFileEntry{1, relative}).second) ++added;
        }
    }
    return added;
}

// The folder of `path` made absolute, ending in '/'.
std::string AbsoluteFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (!folder.empty() && folder.front() == '/') return folder;
    return CurrentFolder() + folder;
}

// What the workers share, all of it under progress.lock.
struct PoolState {
    std::vector<std::pair<std::string, InputFileEntry>> files;  // in key order
    std::size_t next = 0;                                       // the next file to take
    uint64_t bytesInFlight = 0;  // estimated peak of the files being converted
    int32_t inFlight = 0;
    int32_t mostInFlight = 0;
    int32_t succeeded = 0;
    // Output paths are claimed in the order files were taken, so that which of two files with
    // the same output name fails does not depend on which worker is faster.
    std::vector<bool> claimPassed;              // by take index
    std::size_t claimsPassedUpTo = 0;           // every take index below this has claimed or failed
    std::map<std::string, std::string> claims;  // output path -> input path
    std::condition_variable claimTurn;
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
    Worker(const JobEnvironment& env, SharedProgress& progress, PoolState& pool, uint64_t budget,
           bool firstWorker)
        : env_(env), progress_(progress), pool_(pool), budget_(budget), job_(env.job) {
        job_.inputFiles.clear();  // the worker needs the shared fields only
        font_ = env.watermarkFont;
        // Each worker draws with a font of its own; the first one uses the one the run checked.
        if (!firstWorker && env.watermarkFont != nullptr) {
            ownFont_ = LoadWatermarkFont(env.settings);
            font_ = ownFont_.get();
        }
    }

    void Run() {
        for (;;) {
            std::size_t index = 0;
            uint64_t bytes = 0;
            if (!Take(index, bytes)) return;
            Convert(index);
            std::lock_guard<std::mutex> hold(progress_.lock);
            pool_.bytesInFlight -= bytes;
            --pool_.inFlight;
            progress_.gateChanged.notify_all();  // memory freed: a waiting worker may go on
        }
    }

  private:
    // Waits until the next file fits into the memory budget (or nothing else is in flight) and
    // takes it; false when no file is left or the run is to stop.
    bool Take(std::size_t& index, uint64_t& bytes) {
        std::unique_lock<std::mutex> hold(progress_.lock);
        for (;;) {
            if (StopAsked(progress_) || pool_.next >= pool_.files.size()) return false;
            if (!progress_.gateClosed) {
                bytes = Estimate(pool_.next);
                if (pool_.inFlight == 0 || pool_.bytesInFlight + bytes <= budget_) break;
            }
            // Woken by a finished file or the gate opening; the time limit also catches a
            // continue flag cleared from outside without a notification.
            progress_.gateChanged.wait_for(hold, std::chrono::milliseconds(50));
        }
        index = pool_.next++;
        pool_.bytesInFlight += bytes;
        pool_.mostInFlight = std::max(pool_.mostInFlight, ++pool_.inFlight);
        pool_.claimPassed.push_back(false);
        const std::string& path = pool_.files[index].first;
        progress_.record.index = static_cast<int32_t>(index + 1);
        progress_.record.currentFile = path;
        progress_.outcomes.push_back({path, ConvertError::None, {}, false});
        return true;
    }

    // Estimated once per file, under the lock: a header read is short.
    uint64_t Estimate(std::size_t index) {
        if (estimates_.first == index) return estimates_.second;
        const std::optional<BitmapSize> size = ReadBitmapSize(pool_.files[index].first);
        const uint64_t bytes = size ? EstimatePeakBytes(size->width, size->height) : 0;
        estimates_ = {index, bytes};
        return bytes;
    }

    void Convert(std::size_t index) {
        const auto& [path, entry] = pool_.files[index];
        // The first file keeps the numbers the run started with, as a single file does.
        job_.conversionNumber = env_.job.conversionNumber + static_cast<int32_t>(index);
        job_.randomNumber = index == 0 ? env_.job.randomNumber : NewRandomNumber();
        job_.inputPath = path;
        job_.relativeFolder = entry.relativeFolder;
        // Without an output folder each document goes next to its input.
        if (env_.job.outputFolder.empty()) {
            job_.outputFolder = AbsoluteFolderOf(path);
            job_.relativeFolder.clear();
        }
        job_.outputPath.clear();

        bool claimed = false;
        std::string holder;
        JobEnvironment env{env_.settings, job_, env_.formats, font_,
                           [&](const std::string& outputPath) {
                               claimed = true;
                               return Claim(index, outputPath, holder);
                           }};
        const ConvertError error = ConvertFile(env);

        std::lock_guard<std::mutex> hold(progress_.lock);
        if (!claimed) PassClaim(pool_, index);
        if (error == ConvertError::None) {
            ++pool_.succeeded;
            progress_.record.converted = pool_.succeeded;
        }
        FileOutcome& outcome = progress_.outcomes[index];
        outcome.error = error;
        outcome.otherPath = holder;
        outcome.done = true;
        if (job_.commandLineMode == 1 && job_.runMode == "DEBUG") {
            ConsolePrintLine("Processing: " + path);
            ConsolePrintLine("Saving As: " + job_.outputPath);
            if (error == ConvertError::None &&
                DocumentFormatFor(job_.outputWidth, job_.outputHeight) == DocumentFormat::Psb)
                ConsolePrintLine("Large document format (psb): wider or taller than 30000 pixels");
            ConsolePrintLine(error == ConvertError::None ? "OK" : "Not OK");
        }
        progress_.outcomeDone.notify_all();
    }

    bool Claim(std::size_t index, const std::string& outputPath, std::string& holder) {
        std::unique_lock<std::mutex> hold(progress_.lock);
        pool_.claimTurn.wait(hold, [&] { return pool_.claimsPassedUpTo >= index; });
        const auto [at, fresh] = pool_.claims.emplace(outputPath, pool_.files[index].first);
        if (!fresh) holder = at->second;
        PassClaim(pool_, index);
        return fresh;
    }

    const JobEnvironment& env_;
    SharedProgress& progress_;
    PoolState& pool_;
    uint64_t budget_;
    JobContext job_;
    const Font* font_ = nullptr;
    std::unique_ptr<Font> ownFont_;
    std::pair<std::size_t, uint64_t> estimates_{SIZE_MAX, 0};
};

}  // namespace

int32_t AddInputPath(JobContext& job, const Formats& formats, const std::string& path,
                     bool recursive, std::vector<InputProblem>& problems) {
    const int64_t size = QueryFileSize(path);
    if (size == kFileIsFolder) {
        const std::size_t problemsBefore = problems.size();
        const int32_t added =
            AddFolder(job, formats, WithoutTrailingSlashes(path), recursive, problems);
        if (added == 0 && problems.size() == problemsBefore)
            problems.push_back({path, "no bitmap (.bmp, .rle, .dib) in this folder"});
        return added;
    }
    if (size == kFileMissing) {
        problems.push_back({path, "no such file or folder"});
        return 0;
    }
    if (!IsAcceptedInput(formats, path)) {
        problems.push_back({path, "not a bitmap (.bmp, .rle, .dib)"});
        return 0;
    }
    return job.inputFiles.emplace(path, InputFileEntry{1, {}}).second ? 1 : 0;
}

uint64_t EstimatePeakBytes(uint64_t width, uint64_t height) {
    // The 32-bit picture about three times over: measured peaks of plain conversions are
    // close to that (decoded picture, the stage copies, the document).
    return width * height * 4 * 3 + (uint64_t{8} << 20);
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
    uint64_t budget = options.memoryBudget;
    if (budget == 0) budget = std::max<uint64_t>(PhysicalMemoryBytes() / 2, uint64_t{256} << 20);
    int32_t workers = options.workers > 0 ? options.workers : OnlineCpuCount();
    workers = static_cast<int32_t>(
        std::min<std::size_t>(static_cast<std::size_t>(workers), pool.files.size()));

    PoolReport report;
    if (workers > 0) {
        std::vector<std::unique_ptr<Worker>> crew;
        for (int32_t i = 0; i < workers; ++i)
            crew.push_back(std::make_unique<Worker>(env, progress, pool, budget, i == 0));
        std::vector<std::thread> threads;
        for (int32_t i = 1; i < workers; ++i) {
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
    env.job.conversionNumber += pool.succeeded;
    if (pool.succeeded > 0) env.job.randomNumber = NewRandomNumber();
    return report;
}

}  // namespace pictorb
