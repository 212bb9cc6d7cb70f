#pragma once
// The conversion job: one input file from disk to the written document.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "formats/formats.h"
#include "pipeline/bitmap_reader.h"
#include "pipeline/image.h"
#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"

namespace pictorb {

class Font;  // the watermark font, platform/canvas.h

// Everything a job reads besides its file.
struct JobEnvironment {
    const ConversionSettings& settings;
    JobContext& job;  // the run
    const Formats& formats;
    const Font* watermarkFont = nullptr;
    // Called with the output path once it is known, before anything is written; false when
    // another file of the run has it. Empty: every path is free.
    std::function<bool(const std::string& outputPath)> claimOutput = {};
    // The most memory one picture may take; 0: what the process may use (asked per file).
    uint64_t memoryLimit = 0;
};

// Sets the program folder, the profile name "untitled.cvp", a fresh random number,
// conversion number 1; clears everything else and the input file map.
void InitJobContext(JobContext& job, Formats& formats);
// The input folder below `base`; empty when either is empty or base is not in the path.
std::string RelativeFolder(const std::string& path, const std::string& base);
// Enters `path` as the only input file; false for an empty file or a refused extension.
bool AddInputFile(JobContext& job, const Formats& formats, const std::string& path);

// Takes the output format `key` into the run: the target depth from its bit-depth setting
// (0 = automatic), the automatic-depth flag and the save flags. The same for the command line
// and the desktop.
void SetOutputFormat(JobContext& job, const ConversionSettings& settings, const std::string& key);
// FreeImage save flags of an output format key from its save-option settings; 0 for keys
// without save options and for unknown keys.
int32_t ComputeSaveFlags(std::string_view key, const ConversionSettings& settings);

// The record of converting `inputPath` in the run `job`, with the run's first numbers. Without
// an output folder the document goes next to its input, and the relative folder is dropped.
FileJob FileJobFor(const JobContext& job, const std::string& inputPath,
                   const std::string& relativeFolder = {});

// The stages of one file from the loaded picture to the output depth: rotation, resize, flips,
// colour adjustments, greyscale, threshold, frame, watermark, output depth. Records the depth
// chosen and the output size in `file`; an empty image when memory ran out on the way, or when
// `cancelled` (asked between stages) says the result is no longer wanted.
Image RunStages(Image image, const ConversionSettings& settings, FileJob& file,
                std::string_view depthList, const Font* watermarkFont,
                const std::function<bool()>& cancelled = {});
// Loads `path` as a conversion does; None with the picture in `loaded`, else the reason, with
// the system's own in `detail` when it gave one.
ConvertError LoadInput(const std::string& path, uint64_t memoryLimit, LoadedBitmap& loaded,
                       std::string& detail);
// Why the picture the stages gave cannot become a document; None when it can.
ConvertError CheckStagedPicture(const Image& image);

// Converts file.inputPath; None when the output file was written.
ConvertError ConvertFile(const JobEnvironment& env, FileJob& file);
// The reason as the run's lines give it: "not a Windows bitmap".
std::string ConvertErrorText(ConvertError error);
// The reason a file of a run failed, as its error line gives it: for SameOutput with the
// input whose document has that name.
std::string OutcomeReason(const FileOutcome& outcome);

}  // namespace pictorb
