#include "pipeline/job.h"

namespace pictorb {

void SetOutputFormat(JobContext& job, const Formats& formats, const ConversionSettings& settings,
                     const std::string& key) {
    job.outputFormatKey = key;
    const auto row = formats.outputTable.find(key);
    job.outputFormatId = row != formats.outputTable.end() ? row->second.id : 0;
    const int32_t* depth = BitDepthSetting(settings, key);
    job.targetBitDepth = depth != nullptr ? *depth : 0;
    job.automaticDepth = job.targetBitDepth == 0 ? 1 : 0;
    job.saveFlags = ComputeSaveFlags(key, settings);
}

}  // namespace pictorb
