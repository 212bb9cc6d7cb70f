#pragma once
// The conversion shown before it runs: a loaded picture taken through the very stages a
// conversion runs, up to the output depth, kept as the document's pixels instead of written.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "pipeline/image.h"
#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"

namespace pictorb {

class Font;  // platform/canvas.h

// A picture to preview, loaded once while its file stays the same.
struct PreviewInput {
    Image picture;  // empty when the file could not be loaded
    ConvertError error = ConvertError::None;
    std::string detail;  // the system's reason, when it gave one
};
PreviewInput LoadPreviewInput(const std::string& path, uint64_t memoryLimit);

// The program's own picture for an empty input field: colour gradients, fine lines, text and
// a transparent region, 32-bit.
Image MakeSamplePicture();

// What the conversion would write, besides its pixels.
struct PreviewFacts {
    int32_t width = 0, height = 0;
    int32_t depth = 0;           // the output depth chosen
    bool largeDocument = false;  // beyond the plain document's sides: a .psb
    std::string outputName;      // what the filename mask gives
};

struct PreviewResult {
    // 32-bit, straight colours: the pixels of the document (of its layer where it has one).
    // Empty on failure or when cancelled.
    Image picture;
    bool cancelled = false;
    ConvertError error = ConvertError::None;
    std::string detail;
    PreviewFacts facts;
};

// Runs the conversion's stages on a copy of `input` with `settings`, for the file record
// `file` (made by FileJobFor, so the numbers and mask tokens are the conversion's own).
// `cancelled` is asked between stages.
PreviewResult RenderPreview(const Image& input, const ConversionSettings& settings, FileJob file,
                            std::string_view depthList, const Font* watermarkFont,
                            const std::function<bool()>& cancelled = {});

// The reason as the run's lines give it, with the system's own when there is one.
std::string PreviewFailureText(ConvertError error, const std::string& detail);

}  // namespace pictorb
