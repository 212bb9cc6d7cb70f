#pragma once
// The table of drawing calls that the pictorb-draw module hands out. The drawing libraries
// (cairo, Pango, fontconfig and some 25 shared objects behind them) cost every start a few
// milliseconds, so they are loaded only when a conversion first draws something. Only for
// src/platform/ and the module's entry.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/drawing_values.h"

namespace pictorb {

// Handles owned by the module; nullptr stands for an invalid canvas or no font.
struct DrawingCanvas;
struct DrawingFont;

// Raised whenever the table changes, so a stale module next to the program is refused.
constexpr int kDrawingApiVersion = 1;

struct DrawingApi {
    int version;

    // A valid canvas or nullptr; the calls below each mirror the Canvas member of that name.
    DrawingCanvas* (*newCanvas)(unsigned width, unsigned height, Rgba fill);
    DrawingCanvas* (*canvasFromBgra)(unsigned width, unsigned height, const uint8_t* firstRow,
                                     std::ptrdiff_t stride);
    void (*freeCanvas)(DrawingCanvas* canvas);
    void (*fill)(DrawingCanvas* canvas, Rgba color);
    void (*fillRect)(DrawingCanvas* canvas, int x, int y, int width, int height, Rgba color);
    bool (*fillPath)(DrawingCanvas* canvas, std::string_view path, Rgba color);
    void (*drawCanvas)(DrawingCanvas* canvas, const DrawingCanvas* source, int x, int y,
                       uint8_t alpha);
    void (*drawTextLine)(DrawingCanvas* canvas, const DrawingFont* font, std::string_view line,
                         int x, int y, Rgba color, bool antialias, const Rgba* cellBackground);
    void (*greyscale)(DrawingCanvas* canvas);
    void (*exportBgra)(const DrawingCanvas* canvas, uint8_t* firstRow, std::ptrdiff_t stride);
    Rgba (*pixelAt)(const DrawingCanvas* canvas, unsigned x, unsigned y);

    DrawingFont* (*loadFont)(std::string_view family, int pixelSize, bool bold, bool italic,
                             bool underline, bool strikeout);
    void (*freeFont)(DrawingFont* font);
    // The installed family; the text lives as long as the font.
    const char* (*resolvedFamily)(const DrawingFont* font);
    // False when no drawing context can be made.
    bool (*measureTextLine)(const DrawingFont* font, std::string_view line, bool antialias,
                            TextExtent* extent);
};

// The module's one exported symbol: extern "C" const DrawingApi* PictorbDrawingApi().
inline constexpr const char* kDrawingApiEntry = "PictorbDrawingApi";

}  // namespace pictorb
