#include "pipeline/job.h"

#include <cerrno>

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

// The folder of `path` made absolute, ending in '/'.
std::string AbsoluteFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (!folder.empty() && folder.front() == '/') return folder;
    return CurrentFolder() + folder;
}

// "Existing Files": true when the document there now is to stay as it is.
bool KeepsExistingDocument(const ConversionSettings& settings, const FileJob& job) {
    if (settings.existingFiles == kExistingReplace) return false;
    if (QueryFileKind(job.outputPath) == FileKind::Missing) return false;
    return settings.existingFiles != kExistingOlder ||
           !ModifiedBefore(job.outputPath, job.inputPath);
}

void ApplyFileTime(const ConversionSettings& settings, const FileJob& job) {
    if (settings.fileTimestamp == kTimestampOriginal) {
        const int64_t original = ModifiedTimeLocalSeconds(job.inputPath);
        if (original >= 0) SetModifiedTimeLocalSeconds(job.outputPath, original);
    } else if (settings.fileTimestamp == kTimestampCustom) {
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
    job.inputFiles.Add(path, InputFileEntry{RelativeFolder(path, job.commandLineInput)}, {});
    return true;
}

bool InputFileMap::Add(const std::string& path, const InputFileEntry& entry,
                       const FileIdentity& identity) {
    const bool known = identity != FileIdentity{};
    if (known && identities_.count(identity) != 0) return false;
    if (!entries_.emplace(path, entry).second) return false;
    if (known) identities_.insert(identity);
    return true;
}

bool IsFailure(ConvertError error) {
    return error != ConvertError::None && error != ConvertError::Skipped;
}

namespace {

ConvertError FromBitmapError(BitmapError error) {
    switch (error) {
        case BitmapError::None:
            return ConvertError::None;
        case BitmapError::Unreadable:
            return ConvertError::Unreadable;
        case BitmapError::NotAFile:
            return ConvertError::NotAFile;
        case BitmapError::NotABitmap:
            return ConvertError::NotABitmap;
        case BitmapError::Unsupported:
            return ConvertError::Unsupported;
        case BitmapError::TooLarge:
            return ConvertError::TooLarge;
        case BitmapError::Truncated:
            return ConvertError::Truncated;
        case BitmapError::OutOfMemory:
            return ConvertError::OutOfMemory;
    }
    return ConvertError::Unreadable;
}

}  // namespace

FileJob FileJobFor(const JobContext& job, const std::string& inputPath,
                   const std::string& relativeFolder) {
    FileJob file;
    file.outputFolder = job.outputFolder;
    file.outputFormatKey = job.outputFormatKey;
    file.targetBitDepth = job.targetBitDepth;
    file.automaticDepth = job.automaticDepth;
    file.saveFlags = job.saveFlags;
    file.inputPath = inputPath;
    file.relativeFolder = relativeFolder;
    file.randomNumber = job.randomNumber;
    file.conversionNumber = job.conversionNumber;
    if (file.outputFolder.empty()) {
        file.outputFolder = AbsoluteFolderOf(inputPath);
        file.relativeFolder.clear();
    }
    return file;
}

Image RunStages(Image image, const ConversionSettings& settings, FileJob& file,
                std::string_view depthList, const Font* watermarkFont,
                const std::function<bool()>& cancelled) {
    // Checked between stages: a preview that is no longer wanted stops early.
    const auto stop = [&cancelled] { return cancelled && cancelled(); };
    file.sourceBitDepth = static_cast<int32_t>(image.Bpp());
    image = RotateImage(std::move(image), settings);
    unsigned width = image.Width();
    unsigned height = image.Height();
    if (stop()) return {};
    image = ResizeImage(std::move(image), width, height, settings, file.stageThreads);
    // The frame and the watermark are placed on the picture as resized.
    width = image.Width();
    height = image.Height();
    if (stop()) return {};
    FlipImage(image, settings);
    image = AdjustImageColors(std::move(image), settings);
    image = MakeGreyscale(std::move(image), settings);
    image = ApplyThreshold(std::move(image), settings);
    if (stop()) return {};
    image = DrawSolidFrame(std::move(image), width, height, settings);
    image =
        DrawWatermark(std::move(image), width, height, settings, file, depthList, watermarkFont);
    if (stop()) return {};
    image = ConvertToOutputDepth(std::move(image), file, depthList);
    file.outputWidth = static_cast<int32_t>(image.Width());
    file.outputHeight = static_cast<int32_t>(image.Height());
    return image;
}

ConvertError LoadInput(const std::string& path, uint64_t memoryLimit, LoadedBitmap& loaded,
                       std::string& detail) {
    const int64_t size = QueryFileSize(path);
    if (size == kFileIsOther) return ConvertError::NotAFile;
    if (size == 0) return ConvertError::Empty;
    loaded = LoadBitmapFile(path, {kDefaultMaxBitmapPixels, memoryLimit});
    if (loaded.error != BitmapError::None) {
        if (loaded.systemError != 0) detail = SystemErrorText(loaded.systemError);
        return FromBitmapError(loaded.error);
    }
    if (loaded.image.Width() == 0 || loaded.image.Height() == 0) return ConvertError::NotABitmap;
    return ConvertError::None;
}

ConvertError CheckStagedPicture(const Image& image) {
    // A picture too large even for the large document format fails before anything is written.
    if (DocumentFormatFor(image.Width(), image.Height()) == DocumentFormat::TooLarge)
        return ConvertError::TooLargeForDocument;
    if (!image) return ConvertError::OutOfMemory;
    return ConvertError::None;
}

ConvertError ConvertFile(const JobEnvironment& env, FileJob& job) {
    const ConversionSettings& settings = env.settings;
    job.failureDetail.clear();

    LoadedBitmap loaded;
    const ConvertError loadError =
        LoadInput(job.inputPath, env.memoryLimit, loaded, job.failureDetail);
    if (loadError != ConvertError::None) return loadError;
    const Image image =
        RunStages(std::move(loaded.image), settings, job,
                  BitDepthList(env.formats, job.outputFormatKey), env.watermarkFont);
    const ConvertError staged = CheckStagedPicture(image);
    if (staged != ConvertError::None) return staged;

    // One mask result for both the check and the path: date tokens read the clock anew.
    const std::string name = ApplyFilenameMask(settings, job);
    job.outputPath = FormOutputFolder(settings, job) + name;
    job.tempPath = FormTempPath(settings, job);
    // A mask from a shared profile must not write or replace files outside the output folder.
    if (!StaysInOutputFolder(name)) return ConvertError::NameOutsideFolder;
    if (env.claimOutput && !env.claimOutput(job.outputPath)) return ConvertError::SameOutput;
    if (KeepsExistingDocument(settings, job)) return ConvertError::Skipped;

    // Files converted from a folder keep their subfolders below the output folder.
    if (settings.keepSubfolders != 0 && !job.relativeFolder.empty())
        CreateFolder(job.outputFolder + job.relativeFolder);

    // The document goes into a file that gets its name, and replaces an existing output, only
    // once complete: a conversion that fails or is cut short never costs the user an earlier
    // file or leaves a partial one.
    const DocumentInfo info{std::move(loaded.properties), InputName(job.inputPath)};
    DocumentOptions options;
    if ((job.saveFlags & PSD_RLE) != 0) options.compression = psd::Compression::Rle;
    if (settings.psdAlphaChannel == kPsdAlphaAuto) options.alpha = AlphaChannel::Auto;
    errno = 0;
    switch (WritePsd(image, info, options, job.outputPath, job.tempPath)) {
        case WriteResult::Ok:
            ApplyFileTime(settings, job);
            return ConvertError::None;
        case WriteResult::OutOfMemory:
            return ConvertError::OutOfMemory;
        case WriteResult::TooLarge:
            return ConvertError::TooLargeForDocument;
        default:
            // The file placing leaves the system's reason in errno.
            if (errno != 0) job.failureDetail = SystemErrorText(errno);
            return ConvertError::CannotWrite;
    }
}

std::string ConvertErrorText(ConvertError error) {
    switch (error) {
        case ConvertError::None:
            return "converted";
        case ConvertError::Empty:
            return "empty file";
        case ConvertError::Unreadable:
            return "cannot be read";
        case ConvertError::NotAFile:
            return "not a regular file";
        case ConvertError::NotABitmap:
            return "not a Windows bitmap";
        case ConvertError::Unsupported:
            return "a bitmap variant this program does not convert";
        case ConvertError::TooLarge:
            return "picture too large";
        case ConvertError::TooLargeForDocument:
            return "picture too large for a Photoshop document (at most 300000 pixels per side)";
        case ConvertError::Truncated:
            return "bitmap data cut short";
        case ConvertError::OutOfMemory:
            return "not enough memory";
        case ConvertError::NameOutsideFolder:
            return "the filename mask leads out of the output folder";
        case ConvertError::SameOutput:
            return "same output file as another input";
        case ConvertError::CannotWrite:
            return "the output file cannot be written";
        case ConvertError::Skipped:
            return "skipped: the document exists";
    }
    return "not converted";
}

std::string OutcomeReason(const FileOutcome& outcome) {
    std::string reason = ConvertErrorText(outcome.error);
    if (outcome.error == ConvertError::SameOutput) reason += " (" + outcome.otherPath + ")";
    if (!outcome.detail.empty()) reason += " (" + outcome.detail + ")";
    return reason;
}

}  // namespace pictorb
