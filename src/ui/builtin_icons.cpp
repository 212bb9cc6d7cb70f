#include "ui/builtin_icons.h"

#include <QString>

#include <cstring>
#include <string>

// The resources sit in an object library that Qt links into whatever links this library;
// naming their initialiser here keeps them in even where a linker would drop them. Outside
// the namespace, as the macro declares a global function.
static void InitBuiltInIconResources() {
    static const bool initialised = [] {
        Q_INIT_RESOURCE(pictorb_builtin_icons);
        return true;
    }();
    (void)initialised;
}

namespace pictorb {
namespace {

// Rendered from icons/builtin/<name>.svg at build time (cmake/icons.cmake).
QString ResourcePath(const std::string& name, int32_t size) {
    return QStringLiteral(":/builtin/%1_%2.png").arg(QString::fromStdString(name)).arg(size);
}

constexpr int32_t kConvertButtonImageSize = 96;

// The size the built-in image of `name` is loaded at in a set.
int32_t ImageSize(IconSetKind kind, const std::string& name, int32_t uiSize) {
    if (kind == IconSetKind::Control && name == "Convert") return kConvertButtonImageSize;
    return IconPixelSize(IconSizeIndex(kind, uiSize));
}

}  // namespace

void LoadBuiltInIconSet(IconSets& sets, IconSetKind kind, int32_t uiSize) {
    InitBuiltInIconResources();
    IconSet& set = sets.Of(kind);
    if (set.numbers.empty()) FillIconNames(sets);
    for (const std::string& name : IconNames(kind)) {
        IconImage* image = set.MutableImage(name);
        if (image == nullptr) continue;
        *image = ToIconImage(QImage(ResourcePath(name, ImageSize(kind, name, uiSize))));
    }
}

void LoadBuiltInIcons(IconSets& sets, int32_t uiSize) {
    for (IconSetKind kind : kIconSetKinds) LoadBuiltInIconSet(sets, kind, uiSize);
}

QImage ToQImage(const IconImage& image) {
    if (image.Empty() ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return {};
    QImage result(image.width, image.height, QImage::Format_ARGB32);
    if (result.isNull()) return {};
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * sizeof(uint32_t);
    for (int32_t y = 0; y < image.height; ++y)
        std::memcpy(result.scanLine(y),
                    image.pixels.data() + static_cast<std::size_t>(y) * image.width, rowBytes);
    return result;
}

QIcon ToQIcon(const IconImage& image) {
    const QImage converted = ToQImage(image);
    return converted.isNull() ? QIcon() : QIcon(QPixmap::fromImage(converted));
}

IconImage ToIconImage(const QImage& image) {
    if (image.isNull()) return {};
    // ARGB32 is 0xAARRGGBB in native order with straight alpha, as IconImage keeps it.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    IconImage result;
    result.width = argb.width();
    result.height = argb.height();
    result.pixels.resize(static_cast<std::size_t>(result.width) * result.height);
    const std::size_t rowBytes = static_cast<std::size_t>(result.width) * sizeof(uint32_t);
    for (int32_t y = 0; y < result.height; ++y)
        std::memcpy(result.pixels.data() + static_cast<std::size_t>(y) * result.width,
                    argb.constScanLine(y), rowBytes);
    return result;
}

QPixmap BuiltInBanner() {
    InitBuiltInIconResources();
    return QPixmap(QStringLiteral(":/builtin/Banner.png"));
}

QIcon BuiltInProgramIcon() {
    InitBuiltInIconResources();
    QIcon icon;
    for (const int32_t size : {16, 24, 32, 48, 64}) icon.addFile(ResourcePath("pictorb", size));
    return icon;
}

}  // namespace pictorb
