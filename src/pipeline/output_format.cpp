// The output format a run writes: its target depth and its save flags from the settings.

#include <FreeImage.h>

#include <span>

#include "pipeline/job.h"
#include "settings/settings.h"

namespace pictorb {
namespace {

// Save flags indexed by a setting's value; values past the end add nothing.
constexpr int32_t kBmpCompressionFlags[] = {0, BMP_SAVE_RLE};
constexpr int32_t kExrCompressionFlags[] = {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44};
constexpr int32_t kJpgChromaFlags[] = {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422,
                                       JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411};
constexpr int32_t kJpgSaveAsFlags[] = {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE};
constexpr int32_t kPngCompressionFlags[] = {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED,
                                            PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION};
constexpr int32_t kTgaCompressionFlags[] = {0, TARGA_SAVE_RLE};
constexpr int32_t kPsdCompressionFlags[] = {0, PSD_RLE};
constexpr int32_t kTiffCompressionFlags[] = {TIFF_NONE,     TIFF_CCITTFAX3, TIFF_CCITTFAX4,
                                             TIFF_PACKBITS, TIFF_DEFLATE,   TIFF_ADOBE_DEFLATE,
                                             TIFF_LZW,      TIFF_JPEG,      TIFF_LOGLUV};

int32_t FlagOf(std::span<const int32_t> flags, int32_t value) {
    if (value < 0 || static_cast<std::size_t>(value) >= flags.size()) return 0;
    return flags[static_cast<std::size_t>(value)];
}

}  // namespace

int32_t ComputeSaveFlags(std::string_view key, const ConversionSettings& settings) {
    if (key == "bmp") return FlagOf(kBmpCompressionFlags, settings.bmpCompression);
    if (key == "exr") return FlagOf(kExrCompressionFlags, settings.exrCompression);
    if (key == "jpg") {
        return settings.jpgQuality | FlagOf(kJpgChromaFlags, settings.jpgChroma) |
               FlagOf(kJpgSaveAsFlags, settings.jpgSaveAs);
    }
    if (key == "jxr") return JXR_LOSSLESS;
    if (key == "png") {
        return FlagOf(kPngCompressionFlags, settings.pngCompression) |
               (settings.pngInterlaced != 0 ? PNG_INTERLACED : 0);
    }
    if (key == "tga") return FlagOf(kTgaCompressionFlags, settings.tgaCompression);
    if (key == "psd") return FlagOf(kPsdCompressionFlags, settings.psdCompression);
    if (key == "tiff") {
        return FlagOf(kTiffCompressionFlags, settings.tiffCompression) |
               (settings.tiffColorModel == kColorModelCmyk ? TIFF_CMYK : 0);
    }
    if (key == "webp") return WEBP_LOSSLESS;
    return 0;
}

void SetOutputFormat(JobContext& job, const ConversionSettings& settings, const std::string& key) {
    job.outputFormatKey = key;
    const int32_t* depth = BitDepthSetting(settings, key);
    job.targetBitDepth = depth != nullptr ? *depth : 0;
    job.automaticDepth = job.targetBitDepth == 0;
    job.saveFlags = ComputeSaveFlags(key, settings);
}

}  // namespace pictorb
