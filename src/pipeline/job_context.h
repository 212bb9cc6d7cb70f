#pragma once
// The records through which the command line and the desktop hand a conversion its inputs
// and learn its outcome. Written only before the worker starts; the progress record is
// written under its lock.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pictorb {

struct InputFileEntry {
    int32_t flag = 0;            // 1 for an entry that was added
    std::string relativeFolder;  // empty or ending in '/'
};

// Keyed by the full input path; the worker visits the entries in key order.
using InputFileMap = std::map<std::string, InputFileEntry>;

struct JobContext {
    std::string programFolder;     // with trailing '/'
    std::string profileName;       // "untitled.cvp" after initialisation
    std::string inputPath;         // the file being converted
    std::string commandLineInput;  // the argument of -i
    std::string relativeFolder;    // empty or ending in '/'
    std::string outputPath;
    std::string tempPath;
    std::string outputFolder;      // always ending in '/'
    int32_t randomNumber = 0;      // 1..99999, the value of %rnd%
    int32_t conversionNumber = 0;  // the value of %n%
    int32_t sourceBitDepth = 0;
    int32_t outputFormatId = 0;
    std::string outputFormatKey;  // "psd"
    int32_t targetBitDepth = 0;   // 0 = automatic
    int32_t saveFlags = 0;
    int8_t automaticDepth = 0;
    int8_t commandLineMode = 0;
    std::string runMode;  // "DEBUG" switches the job's debug lines on
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    std::string inputFormatKey;  // read by the command-line run only
    InputFileMap inputFiles;
    // Every input of the command line in order: the values of -i and the plain parameters
    // after one. commandLineInput is the first.
    std::vector<std::string> commandLineInputs;
    int8_t reportExitCode = 0;  // --exit-code: the process's exit code tells the outcome
    int32_t exitCode = 0;       // what the process ends with
};

// Why a file was not converted.
enum class ConvertError {
    None,
    Empty,                // the file holds no bytes
    Unreadable,           // it cannot be opened or read
    NotABitmap,           // not a Windows bitmap, or its header contradicts itself
    Unsupported,          // a bitmap variant this program does not decode
    TooLarge,             // a picture beyond the limits
    TooLargeForDocument,  // a side longer than even the large document format holds
    Truncated,            // its data is cut short
    OutOfMemory,          // the memory for it could not be had
    NameOutsideFolder,    // the filename mask leads out of the output folder
    SameOutput,           // another input of this run has the same output file
    CannotWrite,          // the output file could not be created or written
};

// What became of one file of a run, in the order the files were taken.
struct FileOutcome {
    std::string path;
    ConvertError error = ConvertError::None;
    std::string otherPath;  // SameOutput: the input whose document has that name
    bool done = false;      // false while the file is still being converted
};

struct ProgressRecord {
    int32_t index = 0;
    std::string currentFile;
    int32_t converted = 0;
    int8_t continueFlag = 1;
};

// The shared progress record with the lock its writers hold. The gate stands in for
// suspending the worker: while it is closed (the desktop asks whether to break off) the
// worker does not start its next file.
struct SharedProgress {
    std::mutex lock;
    ProgressRecord record;
    std::condition_variable gateChanged;
    bool gateClosed = false;              // written under the lock; notify gateChanged on opening
    std::vector<FileOutcome> outcomes;    // one per file taken; written under the lock
    std::condition_variable outcomeDone;  // notified when an outcome is done
};

}  // namespace pictorb
