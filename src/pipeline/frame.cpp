#include "pipeline/frame.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "pipeline/layer.h"
#include "pipeline/transforms.h"

namespace pictorb {

namespace {

// The frame is drawn and blended tile by tile: only tiles that reach into a band are drawn,
// and no picture-sized layer is ever held, whatever the picture's size.
constexpr int64_t kTileSide = 256;
constexpr int64_t kMaxBandWidth = 1000000;

struct Band {
    int64_t left, right, top, bottom;
};

std::string N(int64_t value) {
    return std::to_string(value);
}

// The mitred bands as path texts, for a picture whose top-left corner lies at (ox, oy).
struct BandPaths {
    std::string top, right, bottom, left;
};

BandPaths MakeBandPaths(int64_t w, int64_t h, const Band& b, int64_t ox, int64_t oy) {
    // Outer edge, in to the inner corner, along the inner edge, back to the start.
    return {
        "M " + N(ox) + " " + N(oy) + " l " + N(w) + " 0 l " + N(-b.right) + " " + N(b.top) + " l " +
            N(-(w - b.left - b.right)) + " 0 Z",
        "M " + N(ox + w) + " " + N(oy) + " l 0 " + N(h) + " l " + N(-b.right) + " " + N(-b.bottom) +
            " l 0 " + N(-(h - b.top - b.bottom)) + " Z",
        "M " + N(ox + w) + " " + N(oy + h) + " l " + N(-w) + " 0 l " + N(b.left) + " " +
            N(-b.bottom) + " l " + N(w - b.left - b.right) + " 0 Z",
        "M " + N(ox) + " " + N(oy + h) + " l 0 " + N(-h) + " l " + N(b.left) + " " + N(b.top) +
            " l 0 " + N(h - b.top - b.bottom) + " Z",
    };
}

void FillRect64(Canvas& canvas, int64_t x, int64_t y, int64_t w, int64_t h, Rgba color) {
    // Clip to the tile first so the numbers always fit.
    const int64_t x0 = std::max<int64_t>(x, -1), y0 = std::max<int64_t>(y, -1);
    const int64_t x1 = std::min<int64_t>(x + w, canvas.Width() + 1);
    const int64_t y1 = std::min<int64_t>(y + h, canvas.Height() + 1);
    if (w < 1 || h < 1 || x1 <= x0 || y1 <= y0) return;
    canvas.FillRect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                    static_cast<int>(y1 - y0), color);
}

}  // namespace

Rgba ParseColorAlpha(std::string_view text, int alpha) {
    const Rgb rgb = ParseColor(text);
    return {rgb.red, rgb.green, rgb.blue, static_cast<uint8_t>(std::clamp(alpha, 0, 255))};
}

Image DrawSolidFrame(Image image, unsigned width, unsigned height,
                     const ConversionSettings& settings) {
    if (!image || settings.doFrame == kFrameNone) return image;
    image = ConvertTo24Bits(std::move(image));
    if (settings.doFrame != kFrameSolid || image.Bpp() != 24) return image;
    if (image.Width() != width || image.Height() != height) return image;

    const int opacity = std::clamp(settings.solidOpacity, 0, 255);
    // Widths far beyond any picture only lose meaning, and would overflow the path numbers.
    auto clampWidth = [](int32_t value) -> int64_t {
        return std::clamp<int64_t>(value, -kMaxBandWidth, kMaxBandWidth);
    };
    const Band band{clampWidth(settings.solidLeft), clampWidth(settings.solidRight),
                    clampWidth(settings.solidTop), clampWidth(settings.solidBottom)};
    if (opacity == 0 || (band.left <= 0 && band.right <= 0 && band.top <= 0 && band.bottom <= 0))
        return image;
    const Rgba left = ParseColorAlpha(settings.solidLeftColor, 255);
    const Rgba right = ParseColorAlpha(settings.solidRightColor, 255);
    const Rgba top = ParseColorAlpha(settings.solidTopColor, 255);
    const Rgba bottom = ParseColorAlpha(settings.solidBottomColor, 255);
    const int64_t w = width, h = height;

    for (int64_t ty = 0; ty < h; ty += kTileSide) {
        for (int64_t tx = 0; tx < w; tx += kTileSide) {
            const int64_t tw = std::min(kTileSide, w - tx), th = std::min(kTileSide, h - ty);
            // No band reaches into the inner rectangle.
            if (tx >= band.left && tx + tw <= w - band.right && ty >= band.top &&
                ty + th <= h - band.bottom) {
                continue;
            }
            Canvas layer(static_cast<unsigned>(tw), static_cast<unsigned>(th));
            if (!layer.Valid()) return image;
            // The corner boxes lie under the diagonal seams, so no picture shows through
            // along them.
            FillRect64(layer, -tx, -ty, band.left, band.top, top);
            FillRect64(layer, w - band.right - tx, -ty, band.right, band.top, right);
            FillRect64(layer, w - band.right - tx, h - band.bottom - ty, band.right, band.bottom,
                       bottom);
            FillRect64(layer, -tx, h - band.bottom - ty, band.left, band.bottom, left);
            const BandPaths paths = MakeBandPaths(w, h, band, -tx, -ty);
            layer.FillPath(paths.top, top);
            layer.FillPath(paths.right, right);
            layer.FillPath(paths.bottom, bottom);
            layer.FillPath(paths.left, left);

            Image drawn;
            if (opacity == 255) {
                drawn = CanvasToImage(layer);
            } else {
                // The whole frame fades as one, so the overlapping corner boxes do not show.
                Canvas faded(static_cast<unsigned>(tw), static_cast<unsigned>(th));
                faded.DrawCanvas(layer, 0, 0, static_cast<uint8_t>(opacity));
                drawn = CanvasToImage(faded);
            }
            if (!drawn) return image;
            CompositeLayer(image, drawn, tx, ty);
        }
    }
    return image;
}

}  // namespace pictorb
