// The command-line conversion run: checks the job inputs in a fixed order, prints the debug
// listing, converts the one input file on a worker thread and reports the outcome.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/pipeline.h"
#include "platform/interrupt_cleanup.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"

namespace pictorb {
namespace {

using K = KeywordTable;

// Prints the labelled debug lines when debug is on and keeps the first check that fails.
class RunChecks {
  public:
    RunChecks(bool debug, std::string_view outputFormat)
        : debug_(debug), outputFormat_(outputFormat) {}

    void Line(std::string_view label, std::string_view value) {
        if (debug_) ConsolePrintLine(std::string(label) + std::string(value));
    }
    void Number(std::string_view label, int64_t value) { Line(label, std::to_string(value)); }
    void Boolean(std::string_view label, int value) { Line(label, value != 0 ? "1" : "0"); }
    void Keyword(std::string_view label, KeywordTable table, int32_t value) {
        Line(label, KeywordText(table, value));
    }
    std::string KeywordText(KeywordTable table, int32_t value) const {
        return ValueToKeyword(table, value, outputFormat_);
    }
    // Keeps `problem` as the run's error unless it is None or one is kept already; false once
    // any check has failed.
    bool Check(RunProblem problem) {
        if (problem_ == RunProblem::None) problem_ = problem;
        return problem_ == RunProblem::None;
    }
    // Check(problem) when the problem is `which`: for listings that print between the checks.
    bool CheckFor(RunProblem problem, RunProblem which) {
        return Check(problem == which ? problem : RunProblem::None);
    }
    std::string Error() const { return RunProblemText(problem_, outputFormat_); }

  private:
    bool debug_;
    std::string_view outputFormat_;
    RunProblem problem_ = RunProblem::None;
};

std::string TwoDecimals(float value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0.00");
}

// The per-format rows of the output format; false when its check failed.
bool ListOutputFormat(RunChecks& out, const ProcessState& state, const std::string& key) {
    const ConversionSettings& s = state.settings;
    const int32_t* bpp = BitDepthSetting(s, key);
    out.Number(AsciiUpper(key) + " BPP: ", bpp != nullptr ? *bpp : 0);
    if (key == "bmp") {
        out.Keyword("BMP Compression: ", K::Compression, s.bmpCompression);
        out.Keyword("BMP Color Table: ", K::ColorTable, s.bmpColorTable);
    } else if (key == "exr") {
        out.Keyword("EXR Compression: ", K::Compression, s.exrCompression);
    } else if (key == "jpg") {
        out.Number("JPG Quality: ", s.jpgQuality);
        out.Keyword("JPG Chroma Subsampling: ", K::Chroma, s.jpgChroma);
        out.Keyword("JPG Save As: ", K::SaveAs, s.jpgSaveAs);
    } else if (key == "png") {
        out.Keyword("PNG Compression: ", K::Compression, s.pngCompression);
        out.Boolean("PNG Interlaced: ", s.pngInterlaced);
    } else if (key == "tga") {
        out.Keyword("TGA Compression: ", K::Compression, s.tgaCompression);
    } else if (key == "tiff") {
        out.Keyword("TIFF Compression: ", K::Compression, s.tiffCompression);
        out.Keyword("TIFF Color Model: ", K::ColorModel, s.tiffColorModel);
    } else if (key == "psd") {
        out.Keyword("PSD Compression: ", K::Compression, s.psdCompression);
        out.Keyword("PSD Alpha Channel: ", K::PsdAlpha, s.psdAlphaChannel);
    }
    return out.Check(CheckOutputFormat(state.formats, s, key));
}

void ListInputFormat(RunChecks& out, const ConversionSettings& s, const std::string& key) {
    if (key == "dds") out.Keyword("DDS Load As: ", K::DdsLoadAs, s.ddsLoadAs);
    if (key == "gif") out.Keyword("GIF Frame Loading: ", K::FrameLoading, s.gifFrameLoading);
    if (key == "ico") out.Keyword("ICO Frame Loading: ", K::FrameLoading, s.icoFrameLoading);
    if (key == "raw") {
        out.Keyword("RAW Load As: ", K::RawLoadAs, s.rawLoadAs);
        out.Number("RAW Header Size: ", s.rawHeaderSize);
        out.Number("RAW Image Width: ", s.rawImageWidth);
        out.Number("RAW Image Height: ", s.rawImageHeight);
        out.Keyword("RAW Tone Mapping: ", K::ToneMapping, s.rawToneMapping);
    }
    if (key == "tiff") out.Keyword("TIFF Frame Loading: ", K::FrameLoading, s.tiffFrameLoading);
}

bool ListTransformsAndAdjustments(RunChecks& out, const ConversionSettings& s) {
    if (s.doImageRotation) {
        out.Keyword("Image Rotation Type: ", K::RotationType, s.imageRotationType);
        out.Number("Image Rotation: ", s.imageRotation);
        out.Line("Image Rotation Back Color: ", s.imageRotationBackColor);
    }
    if (s.doImageResize) {
        const RunProblem resize = CheckResize(s);
        out.Line("Width: ", std::to_string(s.imageWidth) + " " +
                                out.KeywordText(K::SizeUnit, s.imageWidthUnit));
        if (!out.CheckFor(resize, RunProblem::Width)) return false;
        out.Line("Height: ", std::to_string(s.imageHeight) + " " +
                                 out.KeywordText(K::SizeUnit, s.imageHeightUnit));
        if (!out.CheckFor(resize, RunProblem::Height)) return false;
        out.Boolean("Keep Aspect Ratio: ", s.keepAspectRatio);
        out.Keyword("Image Resize Type: ", K::ResizeType, s.imageResizeType);
        out.Keyword("Image Resize Algorithm: ", K::ResizeAlgorithm, s.imageResizeAlgorithm);
    }
    out.Boolean("Flip Horizontal: ", s.doImageFlipHorizontal);
    out.Boolean("Flip Vertical: ", s.doImageFlipVertical);
    if (s.doImageColorCorrection) {
        const RunProblem color = CheckColorCorrection(s);
        out.Number("Brightness: ", s.imageBrightness);
        if (!out.CheckFor(color, RunProblem::Brightness)) return false;
        out.Number("Contrast: ", s.imageContrast);
        if (!out.CheckFor(color, RunProblem::Contrast)) return false;
        out.Line("Gamma: ", TwoDecimals(s.imageGamma));
        if (!out.CheckFor(color, RunProblem::Gamma)) return false;
        out.Boolean("Invert: ", s.imageInvert);
    }
    out.Boolean("Greyscale: ", s.doImageGreyscale);
    if (s.doImageThreshold) out.Number("Image Threshold: ", s.imageThreshold);
    return true;
}

void ListFrame(RunChecks& out, const ConversionSettings& s) {
    out.Keyword("Frame: ", K::Frame, s.doFrame);
    if (s.doFrame != kFrameSolid) return;
    out.Number("Frame left: ", s.solidLeft);
    out.Number("Frame right: ", s.solidRight);
    out.Number("Frame top: ", s.solidTop);
    out.Number("Frame bottom: ", s.solidBottom);
    out.Line("Frame left color: ", s.solidLeftColor);
    out.Line("Frame right color: ", s.solidRightColor);
    out.Line("Frame top color: ", s.solidTopColor);
    out.Line("Frame bottom color: ", s.solidBottomColor);
    out.Number("Frame opacity: ", s.solidOpacity);
}

// The watermark rows; a text watermark's font is loaded into `font`.
bool ListWatermark(RunChecks& out, const ConversionSettings& s, std::unique_ptr<Font>& font) {
    out.Keyword("Watermark: ", K::Watermark, s.doWatermark);
    if (s.doWatermark == kWatermarkText) {
        out.Line("Watermark text: ", s.text);
        out.Line("Watermark font: ", s.font);
        out.Number("Watermark font size: ", s.fontSize);
        out.Number("Watermark font leading: ", s.fontLeading);
        out.Line("Watermark font color: ", s.fontColor);
        out.Keyword("Watermark font style: ", K::FontStyle, s.fontStyle);
        out.Keyword("Watermark font effect: ", K::FontEffect, s.fontEffect);
        out.Boolean("Watermark text antialiasing: ", s.textAntialiasing);
        out.Keyword("Watermark text alignment: ", K::Alignment, s.textAlignment);
        out.Number("Watermark text padding: ", s.textPadding);
        out.Number("Watermark text opacity: ", s.textOpacity);
        out.Line("Watermark background color: ", s.backColor);
        out.Number("Watermark background opacity: ", s.backOpacity);
        out.Keyword("Watermark boundary: ", K::Boundary, s.textBoundary);
        out.Keyword("Watermark position: ", K::Position, s.textPosition);
        out.Line("Watermark offset (x/y): ",
                 std::to_string(s.textXOffset) + "/" + std::to_string(s.textYOffset));
        out.Number("Watermark rotation: ", s.textRotation);
        out.Keyword("Watermark size/mode: ", K::Scaling, s.textSize);
    } else if (s.doWatermark == kWatermarkImage) {
        out.Line("Watermark image: ", s.image);
        out.Boolean("Watermark greyscale: ", s.imageGreyscale);
        out.Number("Watermark opacity: ", s.imageOpacity);
        out.Keyword("Watermark boundary: ", K::Boundary, s.imageBoundary);
        out.Keyword("Watermark position: ", K::Position, s.imagePosition);
        out.Line("Watermark offset (x/y): ",
                 std::to_string(s.imageXOffset) + "/" + std::to_string(s.imageYOffset));
        out.Number("Watermark rotation: ", s.watermarkImageRotation);
        out.Keyword("Watermark size/mode: ", K::Scaling, s.imageSize);
    }
    return out.Check(CheckWatermark(s, font));
}

void ListAdvanced(RunChecks& out, const ConversionSettings& s) {
    out.Line("Filename Mask: ", s.filenameMask);
    out.Keyword("File Timestamp: ", K::Timestamp, s.fileTimestamp);
    if (s.fileTimestamp == kTimestampCustom) out.Number("Custom Timestamp: ", s.customTimestamp);
    out.Boolean("Keep Subfolders: ", s.keepSubfolders);
    out.Boolean("Include Subfolders: ", s.includeSubfolders);
    out.Number("Threads: ", s.threads);
    out.Keyword("Existing Files: ", K::ExistingFiles, s.existingFiles);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The output folder made absolute and ending in '/'; empty when none was given (each document
// then goes next to its input); nullopt with the error line printed.
std::optional<std::string> NormaliseOutputFolder(std::string folder, const std::string& firstInput,
                                                 const std::string& programFolder, bool debug) {
    if (folder.empty()) {
        if (debug) {
            const std::size_t slash = firstInput.rfind('/');
            ConsolePrintLine("Output: " + (slash == std::string::npos
                                               ? std::string()
                                               : firstInput.substr(0, slash + 1)));
        }
        return std::string();
    }
    if (debug) ConsolePrintLine("Output: " + folder);
    if (StartsWith(folder, "..")) {
        ConsolePrintLine("Error: Incorrect output folder");
        return std::nullopt;
    }
    // A relative folder is taken below the program's own folder, not the current directory.
    if (!StartsWith(folder, "/")) {
        if (StartsWith(folder, "./")) folder.erase(0, 2);
        folder = programFolder + folder;
    }
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (QueryFileSize(folder) != kFileIsFolder) {
        ConsolePrintLine("Error: Invalid output folder");
        // Where a relative folder ended up is the surprise worth saying.
        ConsoleDiagnostic("output folder: " + folder);
        return std::nullopt;
    }
    return folder;
}

// The paths of an input list: one per line (a line's CR dropped), or NUL-separated; blank
// entries left out.
std::vector<std::string> SplitInputList(std::string_view text, bool nul) {
    std::vector<std::string> paths;
    const char separator = nul ? '\0' : '\n';
    while (!text.empty()) {
        const std::size_t end = text.find(separator);
        std::string_view entry = text.substr(0, end);
        if (!nul && !entry.empty() && entry.back() == '\r') entry.remove_suffix(1);
        if (entry.find_first_not_of(" \t") != std::string_view::npos) paths.emplace_back(entry);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return paths;
}

// Fills the input file map from every input of the command line and of the input lists; the
// refused ones are printed as error lines. Returns the number of entries and whether any
// input was refused.
std::pair<int32_t, bool> ImportInputs(ProcessState& state, const std::vector<std::string>& inputs) {
    JobContext& job = state.job;
    std::vector<InputProblem> problems;
    int32_t added = 0;
    const bool recursive = state.settings.includeSubfolders;
    job.inputFiles.clear();
    for (const std::string& input : inputs)
        added += AddInputPath(job, state.formats, input, recursive, problems);
    for (const std::string& list : job.inputLists) {
        std::string text;
        const bool read = list == "-" ? ReadStandardInput(text) : ReadWholeFile(list, text);
        if (!read) {
            problems.push_back({list, "cannot read the list of inputs"});
            continue;
        }
        for (const std::string& input : SplitInputList(text, job.inputListsNul))
            added += AddInputPath(job, state.formats, input, recursive, problems);
    }
    for (const InputProblem& problem : problems)
        ConsolePrintLine("Error: " + problem.path + ": " + problem.reason);
    return {added, !problems.empty()};
}

std::string FailureLine(const FileOutcome& outcome) {
    return "Error: " + outcome.path + ": " + OutcomeReason(outcome);
}

// Converts the input file map on the worker pool; in a batch, prints each failed file as its
// outcome becomes known, in the order the files were taken, and stops taking files on the
// first Ctrl+C, SIGTERM or hang-up.
struct RunOutcome {
    int32_t converted = 0;
    int32_t skipped = 0;   // existing documents kept
    bool failed = false;   // some file was not converted
    bool stopped = false;  // the run was stopped before every file was taken
};

RunOutcome ConvertInputs(ProcessState& state, const Font* font, bool batch) {
    const bool debug = state.job.runMode == "DEBUG";
    SharedProgress progress;
    progress.record = ProgressRecord{0, {}, 0, 1};
    const JobEnvironment env{state.settings, state.job, state.formats, font};
    std::optional<StopOnInterrupt> stopOnInterrupt;
    if (batch) stopOnInterrupt.emplace();
    bool finished = false;
    try {
        std::thread pool([&] {
            RunConversionWorker(env, progress);
            std::lock_guard<std::mutex> hold(progress.lock);
            finished = true;
            progress.outcomeDone.notify_all();
        });
        std::size_t printed = 0;
        std::unique_lock<std::mutex> hold(progress.lock);
        for (;;) {
            std::vector<FileOutcome> failed;
            for (; printed < progress.outcomes.size() && progress.outcomes[printed].done;
                 ++printed) {
                if (IsFailure(progress.outcomes[printed].error))
                    failed.push_back(progress.outcomes[printed]);
            }
            const bool last = finished;
            // Printed without the lock: a slow reader of the output must not hold the workers.
            hold.unlock();
            for (const FileOutcome& file : failed) {
                // A single file's failure says only "Conversion stopped" on standard output, as
                // it always has, but for a picture no document can hold and in the debug
                // listing; its reason goes to standard error.
                if (batch || debug || file.error == ConvertError::TooLargeForDocument)
                    ConsolePrintLine(FailureLine(file));
                if (!batch) ConsoleDiagnostic(file.path + ": " + OutcomeReason(file));
            }
            if (last) break;
            if (StopOnInterrupt::Requested()) StopTakingFiles(progress);
            hold.lock();
            // A signal handler cannot wake this thread: a short sleep sees Ctrl+C soon enough.
            const bool nextDone =
                printed < progress.outcomes.size() && progress.outcomes[printed].done;
            if (!finished && !nextDone)
                progress.outcomeDone.wait_for(hold, std::chrono::milliseconds(10));
        }
        pool.join();
    } catch (const std::system_error&) {
        return {0, 0, true, false};  // no thread could be started: nothing was converted
    }
    std::lock_guard<std::mutex> hold(progress.lock);
    RunOutcome outcome;
    outcome.converted = progress.record.converted;
    outcome.stopped = progress.record.continueFlag == 0;
    outcome.failed = outcome.stopped;
    for (const FileOutcome& file : progress.outcomes) {
        outcome.failed = outcome.failed || IsFailure(file.error);
        if (file.error == ConvertError::Skipped) ++outcome.skipped;
    }
    return outcome;
}

// A single input that cannot be converted at all, said why on standard error.
std::string InputFileReason(const std::string& path) {
    switch (QueryFileSize(path)) {
        case kFileMissing:
            return "no such file or folder";
        case kFileIsOther:
            return "not a regular file";
        case 0:
            return "empty file";
        default:
            return "no extension";
    }
}

}  // namespace

int RunCommandLine(ProcessState& state, bool quiet) {
    ConversionSettings& s = state.settings;
    JobContext& job = state.job;
    const bool debug = job.runMode == "DEBUG";
    const auto status = [&](std::string_view line) {
        if (!quiet) ConsolePrintLine(line);
    };
    // 1: some file was not converted; 2: the run could not start.
    const auto finish = [&job](int code) {
        if (job.reportExitCode) job.exitCode = code;
        return 0;
    };
    const auto error = [&finish](std::string_view message, int code) {
        ConsolePrintLine("Error: " + std::string(message));
        return finish(code);
    };

    // A hang-up stops a command-line run as SIGTERM does; only the desktop ends quietly on it.
    TreatHangUpAsTermination();
    status(state.texts.Text("General", "Preparing"));
    if (debug) ConsolePrintLine("Input: " + job.commandLineInput);

    std::vector<std::string> inputs = job.commandLineInputs;
    if (inputs.empty() && job.inputLists.empty()) inputs.push_back(job.commandLineInput);
    job.commandLineInput.clear();
    // One file named alone runs as it always has; several inputs, a folder or a list of
    // inputs make a batch.
    const bool batch = inputs.size() != 1 || !job.inputLists.empty() ||
                       QueryFileSize(inputs.front()) == kFileIsFolder;
    if (!batch) {
        job.inputPath = inputs.front();
        if (LowerExtension(job.inputPath).empty() || QueryFileSize(job.inputPath) <= 0) {
            ConsoleDiagnostic(job.inputPath + ": " + InputFileReason(job.inputPath));
            return error("Invalid input file", 1);
        }
    }

    const std::optional<std::string> folder =
        NormaliseOutputFolder(job.outputFolder, inputs.empty() ? std::string() : inputs.front(),
                              job.programFolder, debug);
    if (!folder) return finish(2);
    job.outputFolder = *folder;

    if (job.inputFormatKey.empty() && !state.formats.inputList.empty())
        job.inputFormatKey = state.formats.inputList.front();
    if (job.outputFormatKey.empty() && !state.formats.outputList.empty())
        job.outputFormatKey = state.formats.outputList.front();
    const std::string key = job.outputFormatKey;
    if (debug) ConsolePrintLine("Conversion: " + key);
    if (!IsOutputFormat(state.formats, key))
        return error(RunProblemText(RunProblem::ConversionType, key), 2);

    RunChecks out(debug, key);
    std::unique_ptr<Font> font;  // held for the whole run, freed after the worker has ended
    ListInputFormat(out, s, job.inputFormatKey);
    if (!ListOutputFormat(out, state, key) || !ListTransformsAndAdjustments(out, s))
        return error(out.Error(), 2);
    ListFrame(out, s);
    if (!ListWatermark(out, s, font)) return error(out.Error(), 2);
    ListAdvanced(out, s);

    SetOutputFormat(job, s, key);

    status(state.texts.Text("General", "Importing"));
    int32_t added = 0;
    bool refused = false;
    if (batch) {
        std::tie(added, refused) = ImportInputs(state, inputs);
    } else {
        const std::string extension = LowerExtension(job.inputPath);
        if (extension != "txt" && extension != "lst")
            added = AddInputFile(job, state.formats, job.inputPath) ? 1 : 0;
    }
    status(ExpandPlaceholders(state.texts.Text("Msg", "Import complete"), std::to_string(added)));
    if (added == 0) {
        ConsolePrintLine(state.texts.Text("Msg", "Conversion is not complete"));
        ConsolePrintLine(state.texts.Text("Msg", "Empty input files"));
        return finish(1);
    }

    if (batch && debug) {
        const PoolPlan plan =
            PlanConversionPool(s.threads, static_cast<std::size_t>(added), QueryProcessResources());
        ConsolePrintLine("Workers: " + std::to_string(plan.workers) + " (memory budget " +
                         std::to_string(plan.memoryBudget >> 20) + " MiB)");
    }
    status(state.texts.Text("General", "Converting"));
    const RunOutcome outcome = ConvertInputs(state, font.get(), batch);
    const std::string counts =
        ExpandPlaceholders(state.texts.Text("Msg", "Files converted"),
                           std::to_string(outcome.converted), std::to_string(added));
    // Documents kept by --existing count as done, neither converted nor failed.
    if ((outcome.converted > 0 || outcome.skipped > 0) && !outcome.stopped) {
        status(state.texts.Text("Msg", "Conversion complete"));
        status(counts);
    } else {
        ConsolePrintLine(state.texts.Text("Msg", "Conversion is not complete"));
        if (outcome.stopped) status(counts);
    }
    return finish(outcome.failed || refused ? 1 : 0);
}

}  // namespace pictorb
