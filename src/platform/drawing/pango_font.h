#pragma once
// The drawing module's fonts: a family resolved through fontconfig and Pango, and the line
// layouts the canvas draws. The program reaches them as platform/canvas.h's Font.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/drawing/cairo_handles.h"

namespace pictorb {

class PangoTextFont {
  public:
    // As LoadFont of platform/canvas.h promises.
    static std::unique_ptr<PangoTextFont> Load(std::string_view family, int pixelSize, bool bold,
                                               bool italic, bool underline, bool strikeout);

    const std::string& ResolvedFamily() const { return resolvedFamily_; }
    // As MeasureTextLine of platform/canvas.h promises.
    std::optional<TextExtent> MeasureLine(std::string_view line, bool antialias) const;
    // One line of text laid out for `context`, hinted and antialiased as asked.
    LayoutHandle LayOutLine(cairo_t* context, std::string_view line, bool antialias) const;

  private:
    FontDescriptionHandle description_;
    bool underline_ = false;
    bool strikeout_ = false;
    std::string resolvedFamily_;
};

// A context on `surface`, or nullptr when drawing cannot start on it.
ContextHandle StartDrawing(cairo_surface_t* surface);

}  // namespace pictorb
