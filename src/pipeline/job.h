#pragma once
// The conversion job: one input file from disk to the written document, and the worker that
// runs one job per entry of the input file map.

#include <cstdint>
#include <functional>
#include <string>

#include "formats/formats.h"
#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"

namespace pictorb {

class Font;  // the watermark font, platform/canvas.h

// Everything a job reads, plus the job context it writes.
struct JobEnvironment {
    const ConversionSettings& settings;
    JobContext& job;
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

// Takes the output format `key` into the job: its id, the target depth from its bit-depth
// setting (0 = automatic), the automatic-depth flag and the save flags. The same for the
// command line and the desktop.
void SetOutputFormat(JobContext& job, const Formats& formats, const ConversionSettings& settings,
                     const std::string& key);

// Converts job.inputPath; None when the output file was written.
ConvertError ConvertFile(const JobEnvironment& env);
// The reason as the run's lines give it: "not a Windows bitmap".
std::string ConvertErrorText(ConvertError error);
// The reason a file of a run failed, as its error line gives it: for SameOutput with the
// input whose document has that name.
std::string OutcomeReason(const FileOutcome& outcome);
// Runs ConvertFile for every entry while progress allows, with the number of workers the
// settings ask for (RunConversionPool); returns 0.
int RunConversionWorker(const JobEnvironment& env, SharedProgress& progress);

}  // namespace pictorb
