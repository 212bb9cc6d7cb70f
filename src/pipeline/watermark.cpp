#include "pipeline/watermark.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>

#include "pipeline/depth.h"
#include "pipeline/layer.h"
#include "pipeline/naming.h"
#include "pipeline/transforms.h"
#include "text/utf8.h"

namespace pictorb {

namespace {

constexpr std::string_view kLineBreak = "%eol%";
constexpr int kMaxCanvasSide = 32767;
// Larger boxes could not even be placed inside a picture of sensible size.
constexpr int64_t kMaxBoxSide = int64_t{1} << 24;

struct Offsets {
    int64_t x = 0, y = 0;
};

Offsets OffsetsOf(const ConversionSettings& settings) {
    if (settings.doWatermark == kWatermarkText) return {settings.textXOffset, settings.textYOffset};
    if (settings.doWatermark == kWatermarkImage) {
        return {settings.imageXOffset, settings.imageYOffset};
    }
    return {};
}

struct TextBox {
    std::vector<std::string> lines;
    std::vector<int> plainWidths;
    int64_t width = 10, height = 10, lineStep = 10;
    bool several = false;
};

// Measures the lines in plain drawing.
TextBox MeasureTextBox(const ConversionSettings& settings, std::string_view text,
                       const Font& font) {
    TextBox box;
    box.several = CountIgnoreCase(text, kLineBreak) > 0;
    box.lines =
        box.several ? SplitWatermarkLines(text) : std::vector<std::string>{std::string(text)};
    int64_t widest = box.several ? 10 : 0, tallest = box.several ? 10 : 0;
    for (const std::string& line : box.lines) {
        const std::optional<TextExtent> extent = MeasureTextLine(font, line, false);
        if (!extent) {
            box.plainWidths.assign(box.lines.size(), 0);
            box.width = box.height = 10;
            box.lineStep = 10 + int64_t{settings.fontLeading};
            return box;
        }
        box.plainWidths.push_back(extent->width);
        widest = std::max<int64_t>(widest, extent->width);
        tallest = std::max<int64_t>(tallest, extent->height);
    }
    box.lineStep = tallest + settings.fontLeading;
    box.width = widest;
    box.height = tallest + box.lineStep * static_cast<int64_t>(box.lines.size() - 1);
    return box;
}

}  // namespace

std::unique_ptr<Font> LoadWatermarkFont(const ConversionSettings& settings) {
    // Points to pixels at 96 dpi, rounded as the usual MulDiv rounds.
    int64_t points = std::llabs(int64_t{settings.fontSize});
    if (points == 0) points = 12;
    const int64_t pixels = std::min<int64_t>((points * 96 + 36) / 72, kMaxCanvasSide);
    return LoadFont(settings.font, static_cast<int>(pixels), IsBold(settings.fontStyle),
                    IsItalic(settings.fontStyle), settings.fontEffect == kFontEffectUnderline,
                    settings.fontEffect == kFontEffectStrikeout);
}

std::string ExpandWatermarkText(const ConversionSettings& settings, const FileJob& job,
                                std::string_view depthList, unsigned width, unsigned height) {
    const std::string& text = settings.text;
    if (std::count(text.begin(), text.end(), '%') < 2) return text;
    MaskValues values = MaskValuesOf(job);
    values.width = static_cast<int32_t>(width);
    values.height = static_cast<int32_t>(height);
    values.bitDepth = job.automaticDepth != 0 ? ChooseAutoDepth(depthList, job.sourceBitDepth)
                                              : job.targetBitDepth;
    // Which tokens apply is decided on the text as typed, not on a partly replaced one.
    const std::string lowered = Utf8Lower(text);
    std::string result = text;
    for (std::string_view token : kMaskTokens) {
        if (lowered.find(token) != std::string::npos) {
            result = ReplaceMaskToken(result, token, values);
        }
    }
    return result;
}

std::vector<std::string> SplitWatermarkLines(std::string_view text) {
    const std::string normalised = ReplaceIgnoreCase(text, kLineBreak, kLineBreak);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = normalised.find(kLineBreak, start)) != std::string::npos;) {
        lines.push_back(normalised.substr(start, at - start));
        start = at + kLineBreak.size();
    }
    lines.push_back(normalised.substr(start));
    return lines;
}

int AlignLine(const ConversionSettings& settings, int lineWidth, int boxWidth) {
    switch (settings.textAlignment) {
        case kAlignLeft:
            return settings.textPadding;
        case kAlignCenter: {
            // Halves round away from zero.
            const int64_t space = int64_t{boxWidth} - lineWidth;
            return static_cast<int>(space >= 0 ? (space + 1) / 2 : -((1 - space) / 2));
        }
        case kAlignRight:
            return boxWidth - lineWidth - settings.textPadding;
        default:
            return 0;
    }
}

Image RenderTextWatermark(const ConversionSettings& settings, std::string_view text,
                          const Font& font, int64_t maxWidth, int64_t maxHeight) {
    const TextBox box = MeasureTextBox(settings, text, font);
    const int padding = settings.textPadding;
    const int64_t boxWidth = box.width + 2 * int64_t{padding};
    const int64_t boxHeight = box.height + 2 * int64_t{padding};
    if (boxWidth < 1 || boxHeight < 1 || boxWidth > kMaxBoxSide || boxHeight > kMaxBoxSide) {
        return {};
    }
    // Lines are placed in the whole box; only its top-left part gets pixels.
    const int64_t canvasWidth = std::min(boxWidth, maxWidth);
    const int64_t canvasHeight = std::min(boxHeight, maxHeight);
    if (canvasWidth < 1 || canvasHeight < 1 || canvasWidth > kMaxCanvasSide ||
        canvasHeight > kMaxCanvasSide) {
        return {};
    }
    const auto bw = static_cast<unsigned>(canvasWidth);
    const auto bh = static_cast<unsigned>(canvasHeight);
    const Rgb front = ParseColor(settings.fontColor);
    const Rgb back = ParseColor(settings.backColor);
    const auto textOpacity = static_cast<uint8_t>(std::clamp(settings.textOpacity, 0, 255));
    const auto backOpacity = static_cast<uint8_t>(std::clamp(settings.backOpacity, 0, 255));
    auto lineX = [&](int lineWidth) {
        return box.several ? AlignLine(settings, lineWidth, static_cast<int>(boxWidth)) : padding;
    };
    auto lineY = [&](std::size_t index) {
        return static_cast<int>(
            std::clamp<int64_t>(padding + box.lineStep * static_cast<int64_t>(index),
                                -4 * kMaxBoxSide, 4 * kMaxBoxSide));
    };

    if (settings.textAntialiasing == 0) {
        // Plain drawing writes all four channels: the box in the back colour at its
        // opacity, each glyph pixel in the font colour at the text opacity.
        const Rgba backColor{back.red, back.green, back.blue, backOpacity};
        const Rgba textColor{front.red, front.green, front.blue, textOpacity};
        Canvas canvas(bw, bh, backColor);
        if (!canvas.Valid()) return {};
        for (std::size_t i = 0; i < box.lines.size(); ++i) {
            canvas.DrawTextLine(font, box.lines[i], lineX(box.plainWidths[i]), lineY(i), textColor,
                                false, &backColor);
        }
        return CanvasToImage(canvas);
    }

    // Antialiased drawing: opaque text over an opaque background, each then faded by its
    // own opacity, so glyph edges blend into the background rather than into nothing.
    Canvas background(bw, bh, Rgba{back.red, back.green, back.blue, 255});
    Canvas lettering(bw, bh);
    Canvas result(bw, bh);
    if (!background.Valid() || !lettering.Valid() || !result.Valid()) return {};
    for (std::size_t i = 0; i < box.lines.size(); ++i) {
        const std::optional<TextExtent> extent = MeasureTextLine(font, box.lines[i], true);
        const int x = lineX(extent ? extent->width : 0);
        lettering.DrawTextLine(font, box.lines[i], x, lineY(i),
                               Rgba{front.red, front.green, front.blue, 255}, true);
    }
    result.DrawCanvas(background, 0, 0, backOpacity);
    result.DrawCanvas(lettering, 0, 0, textOpacity);
    return CanvasToImage(result);
}

Image RotateWatermark(Image watermark, const ConversionSettings& settings) {
    if (!watermark) return watermark;
    int angle = 0;
    if (settings.doWatermark == kWatermarkText) angle = settings.textRotation;
    if (settings.doWatermark == kWatermarkImage) angle = settings.watermarkImageRotation;
    if (angle <= 0 || angle >= 360) return watermark;
    // No background colour: the corners the turn uncovers stay transparent.
    return Image(FreeImage_Rotate(watermark.get(), angle, nullptr));
}

WatermarkArea WatermarkAreaOf(const ConversionSettings& settings, unsigned width, unsigned height) {
    WatermarkArea area{width, height, 0, 0};
    const int boundary = settings.doWatermark == kWatermarkText    ? settings.textBoundary
                         : settings.doWatermark == kWatermarkImage ? settings.imageBoundary
                                                                   : kBoundaryImage;
    if (settings.doFrame != kFrameNone && boundary == kBoundaryFrame) {
        area.width -= int64_t{settings.solidLeft} + settings.solidRight;
        area.height -= int64_t{settings.solidTop} + settings.solidBottom;
        area.left = settings.solidLeft;
        area.top = settings.solidTop;
    }
    return area;
}

Image FitWatermark(Image watermark, const ConversionSettings& settings, unsigned width,
                   unsigned height, int64_t watermarkWidth, int64_t watermarkHeight) {
    if (!watermark) return watermark;
    const WatermarkArea area = WatermarkAreaOf(settings, width, height);
    const Offsets offsets = OffsetsOf(settings);
    int64_t fitWidth = watermarkWidth, fitHeight = watermarkHeight;
    if (fitWidth + offsets.x > area.width) fitWidth = area.width - offsets.x;
    if (fitHeight + offsets.y > area.height) fitHeight = area.height - offsets.y;
    if (fitWidth == watermarkWidth && fitHeight == watermarkHeight) return watermark;
    if (fitWidth < 1 || fitHeight < 1) return {};
    return Image(FreeImage_Copy(watermark.get(), 0, 0, static_cast<int>(fitWidth),
                                static_cast<int>(fitHeight)));
}

WatermarkPosition PlaceWatermark(const ConversionSettings& settings, unsigned width,
                                 unsigned height, int64_t watermarkWidth, int64_t watermarkHeight) {
    int position = 0;
    if (settings.doWatermark == kWatermarkText) {
        position = settings.textPosition;
    } else if (settings.doWatermark == kWatermarkImage) {
        position = settings.imagePosition;
    } else {
        return {};
    }
    const WatermarkArea area = WatermarkAreaOf(settings, width, height);
    const Offsets offsets = OffsetsOf(settings);
    // Integer division truncates toward zero, as C++ divides.
    const int64_t left = offsets.x;
    const int64_t centre = (area.width - watermarkWidth) / 2;
    const int64_t right = area.width - watermarkWidth - offsets.x;
    const int64_t top = offsets.y;
    const int64_t middle = (area.height - watermarkHeight) / 2;
    const int64_t bottom = area.height - watermarkHeight - offsets.y;
    WatermarkPosition place;
    if (position >= 0 && position <= 8) {
        const int64_t xs[] = {left, centre, right};
        const int64_t ys[] = {top, middle, bottom};
        place = {xs[position % 3], ys[position / 3]};
    }
    return {place.x + area.left, place.y + area.top};
}

Image DrawWatermark(Image image, unsigned width, unsigned height,
                    const ConversionSettings& settings, const FileJob& job,
                    std::string_view depthList, const Font* font) {
    if (!image || settings.doWatermark == kWatermarkNone) return image;
    image = ConvertTo24Bits(std::move(image));
    if (image.Bpp() != 24 || image.Width() != width || image.Height() != height) return image;

    Image watermark;
    if (settings.doWatermark == kWatermarkText && font != nullptr) {
        // Unturned, only the part that fitting keeps needs drawing; a text box larger than
        // the picture then costs no more than the picture.
        int64_t maxWidth = kMaxBoxSide, maxHeight = kMaxBoxSide;
        if (settings.textRotation <= 0 || settings.textRotation >= 360) {
            const WatermarkArea area = WatermarkAreaOf(settings, width, height);
            const Offsets offsets = OffsetsOf(settings);
            maxWidth = area.width - offsets.x;
            maxHeight = area.height - offsets.y;
        }
        watermark = RenderTextWatermark(
            settings, ExpandWatermarkText(settings, job, depthList, width, height), *font, maxWidth,
            maxHeight);
    } else if (settings.doWatermark == kWatermarkImage) {
        watermark = PrepareImageWatermark(settings);
    }
    watermark = RotateWatermark(std::move(watermark), settings);
    if (!watermark) return image;
    const int64_t turnedWidth = watermark.Width(), turnedHeight = watermark.Height();
    watermark =
        FitWatermark(std::move(watermark), settings, width, height, turnedWidth, turnedHeight);
    if (!watermark) return image;
    const WatermarkPosition place =
        PlaceWatermark(settings, width, height, watermark.Width(), watermark.Height());
    // A watermark that does not lie wholly inside the picture is left out.
    CompositeLayer(image, watermark, place.x, place.y);
    return image;
}

}  // namespace pictorb
