#pragma once
// The output bit depth.

#include <cstdint>
#include <string_view>

#include "pipeline/image.h"
#include "pipeline/job_context.h"

namespace pictorb {

// The smallest depth of `depthList` ("8,24,32") at least `sourceDepth`, else the largest.
int32_t ChooseAutoDepth(std::string_view depthList, int32_t sourceDepth);
// Chooses the target depth first when job.automaticDepth is set (and stores it in the job).
Image ConvertToOutputDepth(Image image, FileJob& job, std::string_view depthList);

}  // namespace pictorb
