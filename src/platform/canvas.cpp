// Canvas and Font, the program's one definition of them: each call goes through the table of
// the pictorb-draw module (platform/drawing/), which is loaded the first time anything is drawn
// or measured. Conversions without a frame or watermark so never load the drawing libraries.

#include <cstdio>
#include <string>
#include <utility>

#include "platform/canvas.h"
#include "platform/drawing_api.h"
#include "platform/files.h"
#include "platform/modules.h"

namespace pictorb {

namespace {

constexpr const char* kDrawingModule = "pictorb-draw.so";

// The module next to the program (or installed beside it), else the one built with it (for
// the tests); nullptr, said once on stderr, when neither loads. Never unloaded.
const DrawingApi* LoadDrawingModule() {
    std::string error;
    using Entry = const DrawingApi* (*)();
    const auto entry = reinterpret_cast<Entry>(
        FindModuleEntry(kDrawingModule, PICTORB_BUILT_DRAWING, kDrawingApiEntry, error));
    const DrawingApi* api = entry != nullptr ? entry() : nullptr;
    if (api != nullptr && api->version == kDrawingApiVersion) return api;
    if (error.empty()) error = std::string(kDrawingModule) + ": no matching " + kDrawingApiEntry;
    // A broken installation: frames and watermarks are left out, and the reason is given.
    std::fprintf(stderr, "pictorbcmd: %s\n", error.c_str());
    return nullptr;
}

// The table, loaded on first use by whichever thread gets here first.
const DrawingApi* Api() {
    static const DrawingApi* const api = LoadDrawingModule();
    return api;
}

}  // namespace

struct Font::Impl {
    DrawingFont* handle = nullptr;  // never null; freed through the table that made it
    int pixelSize = 0;
    ~Impl() { Api()->freeFont(handle); }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::string Font::ResolvedFamily() const {
    return Api()->resolvedFamily(impl_->handle);
}

int Font::PixelSize() const {
    return impl_->pixelSize;
}

std::unique_ptr<Font> LoadFont(std::string_view family, int pixelSize, bool bold, bool italic,
                               bool underline, bool strikeout) {
    const DrawingApi* api = Api();
    if (api == nullptr) return nullptr;
    DrawingFont* handle = api->loadFont(family, pixelSize, bold, italic, underline, strikeout);
    if (handle == nullptr) return nullptr;
    auto impl = std::make_unique<Font::Impl>();
    impl->handle = handle;
    impl->pixelSize = pixelSize;
    return std::make_unique<Font>(std::move(impl));
}

std::optional<TextExtent> MeasureTextLine(const Font& font, std::string_view line, bool antialias) {
    TextExtent extent;
    if (!Api()->measureTextLine(font.impl().handle, line, antialias, &extent)) return std::nullopt;
    return extent;
}

struct Canvas::Impl {
    DrawingCanvas* handle = nullptr;  // null for an invalid canvas
    ~Impl() {
        if (handle != nullptr) Api()->freeCanvas(handle);
    }
};

Canvas::Canvas(unsigned width, unsigned height, Rgba fill) : impl_(std::make_unique<Impl>()) {
    const DrawingApi* api = Api();
    if (api == nullptr) return;
    impl_->handle = api->newCanvas(width, height, fill);
    if (impl_->handle == nullptr) return;
    width_ = width;
    height_ = height;
}

Canvas Canvas::FromBgra(unsigned width, unsigned height, const uint8_t* firstRow,
                        std::ptrdiff_t stride) {
    Canvas canvas(0, 0);
    const DrawingApi* api = Api();
    if (api == nullptr) return canvas;
    canvas.impl_->handle = api->canvasFromBgra(width, height, firstRow, stride);
    if (canvas.impl_->handle == nullptr) return canvas;
    canvas.width_ = width;
    canvas.height_ = height;
    return canvas;
}

Canvas::~Canvas() = default;
Canvas::Canvas(Canvas&& other) noexcept
    : impl_(std::move(other.impl_)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}
Canvas& Canvas::operator=(Canvas&& other) noexcept {
    if (this != &other) {
        impl_ = std::move(other.impl_);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

// A valid canvas exists only once the table is loaded, so every call below may use it.
bool Canvas::Valid() const {
    return impl_ && impl_->handle != nullptr;
}

void Canvas::Fill(Rgba color) {
    if (Valid()) Api()->fill(impl_->handle, color);
}

void Canvas::FillRect(int x, int y, int width, int height, Rgba color) {
    if (Valid()) Api()->fillRect(impl_->handle, x, y, width, height, color);
}

bool Canvas::FillPath(std::string_view path, Rgba color) {
    return Valid() && Api()->fillPath(impl_->handle, path, color);
}

void Canvas::DrawCanvas(const Canvas& source, int x, int y, uint8_t alpha) {
    if (Valid() && source.Valid())
        Api()->drawCanvas(impl_->handle, source.impl_->handle, x, y, alpha);
}

void Canvas::DrawTextLine(const Font& font, std::string_view line, int x, int y, Rgba color,
                          bool antialias, const Rgba* cellBackground) {
    if (!Valid()) return;
    Api()->drawTextLine(impl_->handle, font.impl().handle, line, x, y, color, antialias,
                        cellBackground);
}

void Canvas::Greyscale() {
    if (Valid()) Api()->greyscale(impl_->handle);
}

void Canvas::ExportBgra(uint8_t* firstRow, std::ptrdiff_t stride) const {
    if (Valid()) Api()->exportBgra(impl_->handle, firstRow, stride);
}

Rgba Canvas::PixelAt(unsigned x, unsigned y) const {
    return Valid() ? Api()->pixelAt(impl_->handle, x, y) : Rgba{};
}

}  // namespace pictorb
