#pragma once
// The records through which the command line and the desktop hand a conversion its inputs
// and learn its outcome. Written only before the worker starts; the progress record is
// written under its lock.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

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
    std::string outputFormatKey;   // "psd"
    int32_t targetBitDepth = 0;    // 0 = automatic
    int32_t saveFlags = 0;
    int8_t automaticDepth = 0;
    int8_t commandLineMode = 0;
    std::string runMode;           // "DEBUG" switches the job's debug lines on
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    std::string inputFormatKey;    // read by the command-line run only
    InputFileMap inputFiles;
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
    bool gateClosed = false;  // written under the lock; notify gateChanged on opening
};

}  // namespace pictorb
