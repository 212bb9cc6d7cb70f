// Splits the input into up to four bitmaps and converts them as one batch with three
// workers: every file either converts or fails with a reason, and every conversion counted
// left its document.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "pipeline/batch.h"
#include "pipeline/bitmap_reader.h"
#include "settings/settings.h"

namespace {

// One folder per fuzzing process, emptied for each input and removed at exit.
struct TempFolder {
    std::string path;
    ~TempFolder() { std::filesystem::remove_all(path); }
};

const std::string& Folder() {
    static const TempFolder folder{[] {
        char pattern[] = "/tmp/pictorb-fuzz-batch-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::string(made);
    }()};
    return folder.path;
}

void Empty(const std::string& folder) {
    std::filesystem::remove_all(folder + "/in");
    std::filesystem::remove_all(folder + "/out");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pictorb;
    const std::string folder = Folder();
    Empty(folder);
    mkdir((folder + "/in").c_str(), 0700);
    mkdir((folder + "/out").c_str(), 0700);

    // Pieces are separated by the bytes "||"; each becomes one bitmap file.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    int files = 0;
    for (std::size_t start = 0; start <= bytes.size() && files < 4; ++files) {
        std::size_t end = bytes.find("||", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string path = folder + "/in/f" + std::to_string(files) + ".bmp";
        std::ofstream(path, std::ios::binary) << bytes.substr(start, end - start);
        // Pictures of more than 2^18 pixels are left out: the checks are the same at any size
        // and the fuzzer's memory is not.
        const std::optional<BitmapSize> declared = ReadBitmapSize(path);
        if (declared && uint64_t{declared->width} * declared->height > (uint64_t{1} << 18))
            unlink(path.c_str());
        start = end + 2;
    }

    static Formats formats = MakeFormats();
    ConversionSettings settings;
    SetDefaults(settings, DefaultsFor::CommandLine, formats);
    JobContext job;
    InitJobContext(job, formats);
    job.outputFolder = folder + "/out/";
    SetOutputFormat(job, settings, "psd");
    std::vector<InputProblem> problems;
    AddInputPath(job, formats, folder + "/in", false, problems);

    SharedProgress progress;
    RunConversionPool(JobEnvironment{settings, job, formats, nullptr}, progress, PoolOptions{3, 0});
    int converted = 0;
    for (const FileOutcome& outcome : progress.outcomes) {
        if (!outcome.done) std::abort();
        if (outcome.error != ConvertError::None) continue;
        ++converted;
        // A side above 30 000 pixels makes a large document (.psb).
        const std::string name = outcome.path.substr(outcome.path.rfind('/') + 1);
        const std::string stem = folder + "/out/" + name.substr(0, name.size() - 4);
        if (access((stem + ".psd").c_str(), F_OK) != 0 &&
            access((stem + ".psb").c_str(), F_OK) != 0)
            std::abort();
    }
    if (converted != progress.record.converted) std::abort();
    return 0;
}
