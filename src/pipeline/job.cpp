#include "pipeline/job.h"

#include "pipeline/bitmap_reader.h"
#include "pipeline/colors.h"
#include "pipeline/depth.h"
#include "pipeline/frame.h"
#include "pipeline/naming.h"
#include "pipeline/psd_writer.h"
#include "pipeline/transforms.h"
#include "pipeline/watermark.h"
#include "platform/console.h"
#include "platform/files.h"

namespace pictorb {
namespace {

void ApplyFileTime(const ConversionSettings& settings, const JobContext& job) {
    if (settings.fileTimestamp == 1) {
        const int64_t original = ModifiedTimeLocalSeconds(job.inputPath);
        if (original >= 0) SetModifiedTimeLocalSeconds(job.outputPath, original);
    } else if (settings.fileTimestamp == 2) {
        SetModifiedTimeLocalSeconds(job.outputPath, settings.customTimestamp);
    }
}

}  // namespace

void InitJobContext(JobContext& job, Formats& formats) {
    job = JobContext{};
    job.programFolder = ProgramFolder();
    job.profileName = "untitled.cvp";
    job.randomNumber = NewRandomNumber();
    job.conversionNumber = 1;
    BuildAcceptedExtensions(formats);
}

std::string RelativeFolder(const std::string& path, const std::string& base) {
    if (path.empty() || base.empty()) return {};
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (folder.find(base) == std::string::npos) return {};
    for (std::size_t at; (at = folder.find(base)) != std::string::npos;)
        folder.erase(at, base.size());
    return folder;
}

bool AddInputFile(JobContext& job, const Formats& formats, const std::string& path) {
    if (QueryFileSize(path) == 0) return false;
    if (!IsAcceptedInput(formats, path)) return false;
    job.inputFiles.clear();
    job.inputFiles[path] = InputFileEntry{1, RelativeFolder(path, job.commandLineInput)};
    return true;
}

bool ConvertFile(const JobEnvironment& env) {
    const ConversionSettings& settings = env.settings;
    JobContext& job = env.job;
    const std::string depthList = BitDepthList(env.formats, job.outputFormatKey);

    LoadedBitmap loaded = LoadBitmapFile(job.inputPath);
    Image image = std::move(loaded.image);
    unsigned width = image.Width();
    unsigned height = image.Height();
    job.sourceBitDepth = static_cast<int32_t>(image.Bpp());
    if (width == 0 || height == 0) return false;

    image = RotateImage(std::move(image), settings);
    width = image.Width();
    height = image.Height();
    image = ResizeImage(std::move(image), width, height, settings);
    width = image.Width();
    height = image.Height();
    FlipImage(image, settings);
    image = AdjustImageColors(std::move(image), settings);
    image = MakeGreyscale(std::move(image), settings);
    image = ApplyThreshold(std::move(image), settings);
    image = DrawSolidFrame(std::move(image), width, height, settings);
    image =
        DrawWatermark(std::move(image), width, height, settings, job, depthList, env.watermarkFont);
    image = ConvertToOutputDepth(std::move(image), job, depthList);
    // A picture too large even for the large document format fails before anything is written.
    if (DocumentFormatFor(image.Width(), image.Height()) == DocumentFormat::TooLarge) {
        if (job.commandLineMode == 1)
            ConsolePrintLine(DocumentTooLargeMessage(image.Width(), image.Height()));
        return false;
    }

    PsdPixels pixels = TakePsdPixels(std::move(image));
    if (!pixels) return false;

    job.outputWidth = static_cast<int32_t>(pixels.Width());
    job.outputHeight = static_cast<int32_t>(pixels.Height());
    // One mask result for both the check and the path: date tokens read the clock anew.
    const std::string name = ApplyFilenameMask(settings, job);
    job.outputPath = FormOutputFolder(settings, job) + name;
    job.tempPath = FormTempPath(settings, job);
    // A mask from a shared profile must not write or replace files outside the output folder.
    if (!StaysInOutputFolder(name)) return false;
    // Files converted from a folder keep their subfolders below the output folder.
    if (settings.keepSubfolders != 0 && !job.relativeFolder.empty())
        CreateFolder(job.outputFolder + job.relativeFolder);

    // The document is encoded in memory and written as a file only then, one that gets its
    // name and replaces an existing output only once complete: a conversion that fails or is
    // cut short never costs the user an earlier file or leaves a partial one.
    const DocumentInfo info{std::move(loaded.properties), InputName(job.inputPath)};
    return WritePsd(std::move(pixels), info, job.outputPath, job.tempPath) == WriteResult::Ok;
}

int RunConversionWorker(const JobEnvironment& env, SharedProgress& progress) {
    JobContext& job = env.job;
    const bool debug = job.commandLineMode == 1 && job.runMode == "DEBUG";
    int32_t taken = 0;
    int32_t succeeded = 0;
    for (const auto& [path, entry] : job.inputFiles) {
        {
            std::unique_lock<std::mutex> hold(progress.lock);
            progress.gateChanged.wait(hold, [&progress] { return !progress.gateClosed; });
            if (progress.record.continueFlag == 0) break;
            ++taken;
            progress.record.index = taken;
            progress.record.currentFile = path;
        }
        job.inputPath = path;
        job.relativeFolder = entry.relativeFolder;
        if (debug) ConsolePrintLine("Processing: " + path);
        const bool ok = ConvertFile(env);
        if (debug) {
            ConsolePrintLine("Saving As: " + job.outputPath);
            if (ok && DocumentFormatFor(job.outputWidth, job.outputHeight) == DocumentFormat::Psb)
                ConsolePrintLine("Large document format (psb): wider or taller than 30000 pixels");
            ConsolePrintLine(ok ? "OK" : "Not OK");
        }
        if (ok) {
            ++succeeded;
            job.randomNumber = NewRandomNumber();
            job.conversionNumber += 1;
            ApplyFileTime(env.settings, job);
        }
    }
    std::lock_guard<std::mutex> hold(progress.lock);
    progress.record.converted = succeeded;
    return 0;
}

}  // namespace pictorb
