#include "pipeline/depth.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace pictorb {

namespace {

bool KeyIs(std::string_view key, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (key.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < key.size() && same; ++i) {
            char c = key[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == name[i];
        }
        if (same) return true;
    }
    return false;
}

// A list field read as a decimal integer: blanks skipped, digits read as far as they go,
// anything else 0.
int32_t FieldValue(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > INT32_MAX) value = INT32_MAX;  // no wrap-around on silly lists
    }
    return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

int32_t ChooseAutoDepth(std::string_view depthList, int32_t sourceDepth) {
    int32_t depth = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = depthList.find(',', start);
        depth = FieldValue(depthList.substr(start, comma - start));
        if (sourceDepth <= depth || comma == std::string_view::npos) return depth;
        start = comma + 1;
    }
}

Image ConvertToOutputDepth(Image image, FileJob& job, std::string_view depthList) {
    if (!image) return image;
    if (job.automaticDepth) job.targetBitDepth = ChooseAutoDepth(depthList, job.sourceBitDepth);
    const int32_t target = job.targetBitDepth;
    if (static_cast<int64_t>(image.Bpp()) == target) return image;

    FIBITMAP* converted = nullptr;
    switch (target) {
        case 96:
            converted = FreeImage_ConvertToRGBF(image.get());
            break;
        case 48:
            converted = FreeImage_ConvertToRGB16(image.get());
            break;
        case 32:
            // The Photoshop writer reads any depth as this conversion gives it, band by band:
            // converting here would only add a copy of the whole picture.
            if (KeyIs(job.outputFormatKey, {"psd"})) return image;
            converted = FreeImage_ConvertTo32Bits(image.get());
            break;
        case 24:
            converted = FreeImage_ConvertTo24Bits(image.get());
            break;
        case 16:
            if (image.Bpp() > 32) image = Image(FreeImage_ConvertTo24Bits(image.get()));
            if (!image) return image;
            converted = KeyIs(job.outputFormatKey, {"ico", "tga"})
                            ? FreeImage_ConvertTo16Bits555(image.get())
                            : FreeImage_ConvertTo16Bits565(image.get());
            break;
        case 8:
            if (KeyIs(job.outputFormatKey, {"j2k", "jp2", "jpg", "jxr"})) {
                converted = FreeImage_ConvertTo8Bits(image.get());
                break;
            }
            // The quantiser takes 24-bit input only; 32-bit images lose their alpha here.
            if (image.Bpp() != 24) image = Image(FreeImage_ConvertTo24Bits(image.get()));
            if (!image) return image;
            converted = FreeImage_ColorQuantizeEx(image.get(), FIQ_WUQUANT, 256, 0, nullptr);
            break;
        case 4:
            converted = FreeImage_ConvertTo4Bits(image.get());
            break;
        case 1:
            converted = FreeImage_Dither(image.get(), FID_FS);
            break;
        default:
            break;  // no such depth: the job fails on the empty handle
    }
    image.Reset(converted);  // unloads the image the conversion was made from
    return image;
}

}  // namespace pictorb
