#include "ui/screenshot.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <cstdio>
#include <random>

#include "app/branding.h"
#include "platform/files.h"
#include "ui/builtin_icons.h"
#include "ui/desktop_context.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

constexpr int kWindowX = 400;
constexpr int kWindowY = 400;
constexpr int kClientWidth = 510;
constexpr int kClientHeight = 260;
constexpr int kSettleMs = 500;
constexpr int kSmallWidth = 180;
constexpr int kJpegQuality = 90;
constexpr int kDotsPerMeterAt96Dpi = 3780;

std::string ExampleInputFile(const Formats& formats) {
    std::string key = "bmp";
    if (!formats.inputList.empty()) {
        std::random_device seed;
        std::uniform_int_distribution<std::size_t> pick(0, formats.inputList.size() - 1);
        key = formats.inputList[pick(seed)];
    }
    return "/images/corvalen." + key;
}

// The window as the desktop shows it, started as the desktop start does, with example
// contents in the fields.
void PrepareWindow(DesktopContext& context, MainWindow& window) {
    window.move(kWindowX, kWindowY);
    window.resize(kClientWidth, kClientHeight);
    window.PrepareForStart();
    window.show();
    window.activateWindow();

    window.InputField()->setText(ToQString(ExampleInputFile(context.state.formats)));
    const QString folder = QStringLiteral("/converted/");
    window.OutputFolderField()->addItem(ToQIcon(context.icons.menu.Image("FavFolder")), folder);
    window.OutputFolderField()->setEditText(folder);
    window.OutputFormatList()->setFocus();
    window.OutputFolderField()->setFocus();
    window.ConvertButton()->setFocus();
}

// Lets the window settle and paint: half a second of events, or less when it is closed.
void ProcessEventsForAWhile(MainWindow& window) {
    QEventLoop loop;
    QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
    QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
    QObject::connect(qGuiApp, &QGuiApplication::lastWindowClosed, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window's picture. The frame belongs to the window manager and cannot be pictured from
// inside, so the picture is the client area.
QImage Picture(MainWindow& window) {
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // One image pixel per window pixel, also on scaled screens.
    if (image.size() != window.size()) {
        image = image.scaled(window.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(1.0);
    // Point sizes count at 96 dpi, as everywhere else in the program.
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    return image;
}

// The web site address in black, its right end 35 px from the right edge and its top 26 px
// above the bottom edge.
void DrawSiteAddress(QImage& image) {
    std::string site(kSiteAddress);
    if (const std::size_t scheme = site.find("://"); scheme != std::string::npos) {
        site.erase(0, scheme + 3);
    }
    const QString text = ToQString(site);
    QPainter painter(&image);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font, &image);
    const int left = image.width() - 35 - metrics.horizontalAdvance(text);
    const int top = image.height() - 26;
    painter.drawText(left, top + metrics.ascent(), text);
}

bool SaveJpeg(const QImage& image, const std::string& path) {
    if (image.save(ToQString(path), "JPEG", kJpegQuality)) return true;
    std::fprintf(stderr, "pictorbcmd: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

void RunScreenshot(DesktopContext& context, const std::string& folder) {
    std::string target = folder.empty() ? ProgramFolder() : folder;
    if (target.back() != '/') target += '/';
    if (QueryFileSize(target) != kFileIsFolder) return;

    MainWindow window(context);
    PrepareWindow(context, window);
    ProcessEventsForAWhile(window);

    QImage image = Picture(window);
    DrawSiteAddress(image);
    if (!SaveJpeg(image, target + "pictorb1.jpg")) return;
    const int smallHeight = static_cast<int>(
        std::lround(static_cast<double>(kSmallWidth) * image.height() / image.width()));
    SaveJpeg(
        image.scaled(kSmallWidth, smallHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        target + "pictorb1x.jpg");
}

}  // namespace pictorb
