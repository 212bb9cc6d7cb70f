// The entry of the pictorb-draw module: the cairo and Pango canvas and fonts behind the
// table that the engine loads on first use (see platform/drawing_api.h).
#include <memory>
#include <optional>
#include <utility>

#include "platform/drawing/cairo_canvas.h"
#include "platform/drawing/pango_font.h"
#include "platform/drawing_api.h"

namespace pictorb {

struct DrawingCanvas {
    CairoCanvas canvas;
};

struct DrawingFont {
    std::unique_ptr<PangoTextFont> font;
};

namespace {

// A handle for a valid canvas, nullptr otherwise.
DrawingCanvas* Wrap(CairoCanvas canvas) {
    return canvas.Valid() ? new DrawingCanvas{std::move(canvas)} : nullptr;
}

constexpr DrawingApi kApi = {
    .version = kDrawingApiVersion,
    .newCanvas = [](unsigned width, unsigned height,
                    Rgba fill) { return Wrap(CairoCanvas(width, height, fill)); },
    .canvasFromBgra =
        [](unsigned width, unsigned height, const uint8_t* firstRow, std::ptrdiff_t stride) {
            return Wrap(CairoCanvas::FromBgra(width, height, firstRow, stride));
        },
    .freeCanvas = [](DrawingCanvas* canvas) { delete canvas; },
    .fill = [](DrawingCanvas* canvas, Rgba color) { canvas->canvas.Fill(color); },
    .fillRect = [](DrawingCanvas* canvas, int x, int y, int width, int height,
                   Rgba color) { canvas->canvas.FillRect(x, y, width, height, color); },
    .fillPath = [](DrawingCanvas* canvas, std::string_view path,
                   Rgba color) { return canvas->canvas.FillPath(path, color); },
    .drawCanvas = [](DrawingCanvas* canvas, const DrawingCanvas* source, int x, int y,
                     uint8_t alpha) { canvas->canvas.DrawCanvas(source->canvas, x, y, alpha); },
    .drawTextLine =
        [](DrawingCanvas* canvas, const DrawingFont* font, std::string_view line, int x, int y,
           Rgba color, bool antialias, const Rgba* cellBackground) {
            canvas->canvas.DrawTextLine(*font->font, line, x, y, color, antialias, cellBackground);
        },
    .greyscale = [](DrawingCanvas* canvas) { canvas->canvas.Greyscale(); },
    .exportBgra = [](const DrawingCanvas* canvas, uint8_t* firstRow,
                     std::ptrdiff_t stride) { canvas->canvas.ExportBgra(firstRow, stride); },
    .pixelAt = [](const DrawingCanvas* canvas, unsigned x,
                  unsigned y) { return canvas->canvas.PixelAt(x, y); },
    .loadFont = [](std::string_view family, int pixelSize, bool bold, bool italic, bool underline,
                   bool strikeout) -> DrawingFont* {
        std::unique_ptr<PangoTextFont> font =
            PangoTextFont::Load(family, pixelSize, bold, italic, underline, strikeout);
        return font ? new DrawingFont{std::move(font)} : nullptr;
    },
    .freeFont = [](DrawingFont* font) { delete font; },
    .resolvedFamily = [](const DrawingFont* font) { return font->font->ResolvedFamily().c_str(); },
    .measureTextLine =
        [](const DrawingFont* font, std::string_view line, bool antialias, TextExtent* extent) {
            const std::optional<TextExtent> measured = font->font->MeasureLine(line, antialias);
            if (measured) *extent = *measured;
            return measured.has_value();
        },
};

}  // namespace

}  // namespace pictorb

extern "C" __attribute__((visibility("default"))) const pictorb::DrawingApi* PictorbDrawingApi() {
    return &pictorb::kApi;
}
