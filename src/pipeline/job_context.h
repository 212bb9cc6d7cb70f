#pragma once
// The records through which the command line and the desktop hand a conversion its inputs
// and learn its outcome. Written only before the worker starts; the progress record is
// written under its lock.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "settings/conversion_settings.h"

namespace pictorb {

struct InputFileEntry {
    std::string relativeFolder;  // empty or ending in '/'
};

// Keyed by the full input path; the worker visits the entries in key order. A file is entered
// once: the same file under another name (same device and inode) is not entered again.
class InputFileMap {
  public:
    using Entries = std::map<std::string, InputFileEntry>;
    // Enters `path`; false when that path, or a file with the same identity, is in already.
    // An empty identity (unknown) is not compared.
    bool Add(const std::string& path, const InputFileEntry& entry, const FileIdentity& identity);
    void clear() {
        entries_.clear();
        identities_.clear();
    }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    Entries::const_iterator begin() const { return entries_.begin(); }
    Entries::const_iterator end() const { return entries_.end(); }

  private:
    Entries entries_;
    std::set<FileIdentity> identities_;
};

// The run's record: what a face sets before a run (the inputs, the output folder and format,
// how the run reports) and what the run ends with. The workers only read it; each file gets a
// FileJob of its own.
struct JobContext {
    std::string programFolder;     // with trailing '/'
    std::string profileName;       // "untitled.cvp" after initialisation
    std::string commandLineInput;  // the argument of -i
    // Every input of the command line in order: the values of -i and the plain parameters
    // after one. commandLineInput is the first.
    std::vector<std::string> commandLineInputs;
    // --files-from: lists of further inputs, read when the run imports its inputs ("-" is
    // standard input); with --null their entries end with NUL instead of a line end.
    std::vector<std::string> inputLists;
    bool inputListsNul = false;
    // The input of a run of one file; the window's file dialog starts there.
    std::string inputPath;
    InputFileMap inputFiles;
    std::string outputFolder;     // ending in '/'; empty: each document goes next to its input
    std::string inputFormatKey;   // read by the command-line run only
    std::string outputFormatKey;  // "psd"
    int32_t targetBitDepth = 0;   // 0 = automatic
    bool automaticDepth = false;
    int32_t saveFlags = 0;
    // The numbers of the run's first file: %rnd% (1..99999) and %n%. The pool moves them on.
    int32_t randomNumber = 0;
    int32_t conversionNumber = 0;
    bool commandLineMode = false;  // an input was named: the command line converts
    std::string runMode;           // "DEBUG" switches the job's debug lines on
    bool reportExitCode = false;   // --exit-code: the process's exit code tells the outcome
    int32_t exitCode = 0;          // what the process ends with
    int8_t outputEncoding = kOutputEncodingUtf16Le;  // of redirected status lines
};

// One file's conversion: the run's output choices it was taken with, where the file comes from
// and goes, its numbers, and what the conversion learns on the way. Made from the run's record
// by FileJobFor; the stages and the output naming read it.
struct FileJob {
    std::string outputFolder;  // ending in '/'
    std::string outputFormatKey;
    int32_t targetBitDepth = 0;  // the run's (0 = automatic) until the output depth is chosen
    bool automaticDepth = false;
    int32_t saveFlags = 0;
    std::string inputPath;
    std::string relativeFolder;    // empty or ending in '/'
    int32_t randomNumber = 0;      // the value of %rnd%
    int32_t conversionNumber = 0;  // the value of %n%
    int32_t sourceBitDepth = 0;
    // Threads a stage may use on this one picture: more where the file has the CPUs to itself
    // (the preview, a run of one file); the pixels are the same for any number.
    unsigned stageThreads = 1;
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    std::string outputPath;
    std::string tempPath;
    // The system's reason for the failure, when it gave one ("Permission denied").
    std::string failureDetail;
};

// Why a file was not converted.
enum class ConvertError {
    None,
    Empty,                // the file holds no bytes
    Unreadable,           // it cannot be opened or read
    NotAFile,             // a FIFO, socket or device
    NotABitmap,           // not a Windows bitmap, or its header contradicts itself
    Unsupported,          // a bitmap variant this program does not decode
    TooLarge,             // a picture beyond the limits
    TooLargeForDocument,  // a side longer than even the large document format holds
    Truncated,            // its data is cut short
    OutOfMemory,          // the memory for it could not be had
    NameOutsideFolder,    // the filename mask leads out of the output folder
    SameOutput,           // another input of this run has the same output file
    CannotWrite,          // the output file could not be created or written
    Skipped,              // not a failure: the document exists and "Existing Files" keeps it
};

// False for None and Skipped.
bool IsFailure(ConvertError error);

// What became of one file of a run, in the order the files were taken.
struct FileOutcome {
    std::string path;
    ConvertError error = ConvertError::None;
    std::string otherPath;  // SameOutput: the input whose document has that name
    std::string detail;     // the system's reason, when it gave one
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
