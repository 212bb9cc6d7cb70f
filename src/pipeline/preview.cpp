#include "pipeline/preview.h"

#include <algorithm>

#include "pipeline/bitmap_reader.h"
#include "pipeline/job.h"
#include "pipeline/layer.h"
#include "pipeline/naming.h"
#include "pipeline/psd_layout.h"
#include "platform/canvas.h"

namespace pictorb {
namespace {

constexpr unsigned kSampleWidth = 480;
constexpr unsigned kSampleHeight = 320;

uint8_t Ramp(unsigned at, unsigned length) {
    return static_cast<uint8_t>(at * 255 / (length - 1));
}

}  // namespace

PreviewInput LoadPreviewInput(const std::string& path, uint64_t memoryLimit) {
    PreviewInput input;
    LoadedBitmap loaded;
    input.error = LoadInput(path, memoryLimit, loaded, input.detail);
    if (input.error == ConvertError::None) input.picture = std::move(loaded.image);
    return input;
}

Image MakeSamplePicture() {
    const unsigned w = kSampleWidth;
    const unsigned h = kSampleHeight;
    // White but for the lower right corner, which stays clear for the fade below.
    Canvas canvas(w, h);
    const unsigned band = h / 8;
    canvas.FillRect(0, 0, static_cast<int>(w), static_cast<int>(h - band * 2),
                    {255, 255, 255, 255});
    canvas.FillRect(0, static_cast<int>(h - band * 2), static_cast<int>(w / 2),
                    static_cast<int>(band * 2), {255, 255, 255, 255});
    // Three colour ramps and a grey one judge colour and the adjustments.
    for (unsigned x = 0; x < w; ++x) {
        const uint8_t v = Ramp(x, w);
        const int column = static_cast<int>(x);
        canvas.FillRect(column, 0, 1, band, {v, 0, 0, 255});
        canvas.FillRect(column, band, 1, band, {0, v, 0, 255});
        canvas.FillRect(column, 2 * band, 1, band, {0, 0, v, 255});
        canvas.FillRect(column, 3 * band, 1, band, {v, v, v, 255});
    }
    // Fine lines, ever closer, show what a resize does to detail.
    const int linesTop = static_cast<int>(4 * band + 8);
    const int linesHeight = static_cast<int>(band * 2);
    const int half = static_cast<int>(w / 2);
    int x = 8;
    for (int gap = 6; gap >= 1 && x < half; --gap) {
        for (int i = 0; i < 8; ++i, x += gap + 1)
            canvas.FillRect(x, linesTop, 1, linesHeight, {0, 0, 0, 255});
        x += 8;
    }
    for (int y = linesTop; y < linesTop + linesHeight; y += 2)
        canvas.FillRect(half, y, half - 8, 1, {0, 0, 0, 255});
    if (const auto font = LoadFont("Sans", 22, true, false, false, false))
        canvas.DrawTextLine(*font, "Aa Bb 123", 10, static_cast<int>(h - band * 2 + 4),
                            {20, 20, 120, 255}, true);
    // The lower right corner fades out to transparent; its last part is wholly clear.
    const unsigned fadeLeft = w / 2;
    for (unsigned fx = fadeLeft; fx < w; ++fx) {
        const uint8_t alpha = static_cast<uint8_t>(255 - std::min(255u, (fx - fadeLeft) * 2));
        Canvas column(1, band * 2, {230, 120, 20, alpha});
        canvas.DrawCanvas(column, static_cast<int>(fx), static_cast<int>(h - band * 2), 255);
    }
    return CanvasToImage(canvas);
}

PreviewResult RenderPreview(const Image& input, const ConversionSettings& settings, FileJob file,
                            std::string_view depthList, const Font* watermarkFont,
                            const std::function<bool()>& cancelled) {
    PreviewResult result;
    Image copy = CopyPicture(input);
    if (!copy) {
        result.error = ConvertError::OutOfMemory;
        return result;
    }
    Image staged = RunStages(std::move(copy), settings, file, depthList, watermarkFont, cancelled);
    if (cancelled && cancelled()) {
        result.cancelled = true;
        return result;
    }
    result.error = CheckStagedPicture(staged);
    if (result.error != ConvertError::None) return result;
    result.facts.width = file.outputWidth;
    result.facts.height = file.outputHeight;
    result.facts.depth = file.targetBitDepth;
    result.facts.largeDocument =
        DocumentFormatFor(staged.Width(), staged.Height()) == DocumentFormat::Psb;
    result.facts.outputName = ApplyFilenameMask(settings, file);
    // The document holds what FreeImage's 32-bit conversion gives of any depth.
    if (staged.Bpp() == 32 && FreeImage_GetImageType(staged.get()) == FIT_BITMAP) {
        result.picture = std::move(staged);
    } else {
        result.picture = Image(FreeImage_ConvertTo32Bits(staged.get()));
        if (!result.picture) result.error = ConvertError::OutOfMemory;
    }
    return result;
}

std::string PreviewFailureText(ConvertError error, const std::string& detail) {
    std::string text = ConvertErrorText(error);
    if (!detail.empty()) text += " (" + detail + ")";
    return text;
}

}  // namespace pictorb
