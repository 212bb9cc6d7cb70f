// Fonts through fontconfig and Pango, and the line layouts the canvas draws.

#include "platform/drawing/pango_font.h"

#include <cmath>
#include <string>

namespace pictorb {

namespace {

using ContextOwner = std::unique_ptr<PangoContext, GObjectFree>;
using FontOwner = std::unique_ptr<PangoFont, GObjectFree>;

}  // namespace

ContextHandle StartDrawing(cairo_surface_t* surface) {
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return {};
    ContextHandle context(cairo_create(surface));
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) return {};
    return context;
}

std::unique_ptr<PangoTextFont> PangoTextFont::Load(std::string_view family, int pixelSize,
                                                   bool bold, bool italic, bool underline,
                                                   bool strikeout) {
    if (family.empty() || pixelSize < 1) return nullptr;
    const std::string name(family);
    FontDescriptionHandle description(pango_font_description_new());
    pango_font_description_set_family(description.get(), name.c_str());
    pango_font_description_set_weight(description.get(),
                                      bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description.get(),
                                     italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description.get(),
                                             static_cast<double>(pixelSize) * PANGO_SCALE);

    // Loading once here proves that fontconfig finds a face for the description; the
    // drawing code loads it again through the font map of its own thread.
    PangoFontMap* map = pango_cairo_font_map_get_default();  // owned by Pango
    if (map == nullptr) return nullptr;
    ContextOwner context(pango_font_map_create_context(map));
    if (!context) return nullptr;
    FontOwner loaded(pango_font_map_load_font(map, context.get(), description.get()));
    if (!loaded) return nullptr;

    auto font = std::make_unique<PangoTextFont>();
    FontDescriptionHandle resolved(pango_font_describe(loaded.get()));
    if (resolved) {
        const char* resolvedFamily = pango_font_description_get_family(resolved.get());
        if (resolvedFamily != nullptr) font->resolvedFamily_ = resolvedFamily;
    }
    font->description_ = std::move(description);
    font->underline_ = underline;
    font->strikeout_ = strikeout;
    return font;
}

LayoutHandle PangoTextFont::LayOutLine(cairo_t* context, std::string_view line,
                                       bool antialias) const {
    LayoutHandle layout(pango_cairo_create_layout(context));
    if (!layout) return {};
    // Plain text is hinted to whole pixels with no antialiasing; antialiased text keeps the
    // outlines' own metrics so a line's width is its vector width.
    FontOptionsHandle options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(),
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options.get(),
                                      antialias ? CAIRO_HINT_STYLE_NONE : CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options.get(),
                                        antialias ? CAIRO_HINT_METRICS_OFF : CAIRO_HINT_METRICS_ON);
    PangoContext* pangoContext = pango_layout_get_context(layout.get());
    pango_cairo_context_set_font_options(pangoContext, options.get());
    pango_context_set_round_glyph_positions(pangoContext, antialias ? FALSE : TRUE);
    pango_layout_context_changed(layout.get());

    pango_layout_set_font_description(layout.get(), description_.get());
    // A line break inside a line is drawn as a character, never as a second line.
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    if (underline_ || strikeout_) {
        AttrListHandle attributes(pango_attr_list_new());
        if (underline_) {
            pango_attr_list_insert(attributes.get(),
                                   pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        }
        if (strikeout_) {
            pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
        }
        pango_layout_set_attributes(layout.get(), attributes.get());
    }
    gchar* valid = g_utf8_make_valid(line.data(), static_cast<gssize>(line.size()));
    pango_layout_set_text(layout.get(), valid, -1);
    g_free(valid);
    return layout;
}

std::optional<TextExtent> PangoTextFont::MeasureLine(std::string_view line, bool antialias) const {
    SurfaceHandle scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    ContextHandle context = StartDrawing(scratch.get());
    if (!context) return std::nullopt;
    LayoutHandle layout = LayOutLine(context.get(), line, antialias);
    if (!layout) return std::nullopt;
    if (antialias) {
        PangoRectangle logical{};
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        return TextExtent{static_cast<int>(std::lround(double(logical.width) / PANGO_SCALE)),
                          static_cast<int>(std::lround(double(logical.height) / PANGO_SCALE))};
    }
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    return TextExtent{logical.width, logical.height};
}

}  // namespace pictorb
