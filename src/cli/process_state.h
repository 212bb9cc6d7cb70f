#pragma once
// The process-wide records every face of the program works on: the command line fills them,
// the desktop reads and writes them.

#include <string>
#include <vector>

#include "formats/formats.h"
#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"
#include "text/text.h"

namespace pictorb {

// The process-wide records, owned by the start-up code and passed down.
struct ProcessState {
    ConversionSettings settings;
    JobContext job;
    Formats formats;
    TextTable texts;
    std::string programName;  // base name of argv[0] without extension
    // Filled by the start-up code: the console title ("Corvalen Pictorb 2.2") and the banner
    // lines (title, notice line with "(c)", web address, " ").
    std::string title;
    std::vector<std::string> bannerLines;
};

}  // namespace pictorb
