#include "ui/preview_worker.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "pipeline/job.h"
#include "pipeline/run_checks.h"
#include "platform/canvas.h"
#include "platform/resources.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

// The name the sample picture goes by in the filename mask.
constexpr const char* kSampleName = "sample.bmp";

QImage Reduced(const QImage& image, QSize box) {
    if (image.isNull() || box.isEmpty()) return image;
    if (image.width() <= box.width() && image.height() <= box.height()) return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The font's settings: a new font is loaded only when one of them changes.
std::string FontKey(const ConversionSettings& s) {
    return s.font + '\n' + std::to_string(s.fontSize) + '\n' + std::to_string(s.fontStyle) + '\n' +
           std::to_string(s.fontEffect);
}

}  // namespace

QImage ToQImage(const Image& picture) {
    Image converted;
    const Image* source = &picture;
    if (picture.Bpp() != 32 || FreeImage_GetImageType(picture.get()) != FIT_BITMAP) {
        converted = Image(FreeImage_ConvertTo32Bits(picture.get()));
        source = &converted;
    }
    if (!*source) return {};
    const int width = static_cast<int>(source->Width());
    const int height = static_cast<int>(source->Height());
    // FreeImage's 32-bit rows are B, G, R, A in memory, as QImage's ARGB32 on this machine.
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), FreeImage_GetScanLine(source->get(), height - 1 - y),
                    static_cast<std::size_t>(width) * 4);
    }
    return image;
}

PreviewWorker::PreviewWorker(const Formats& formats,
                             std::function<void(const PreviewPicture&)> shown, QObject* parent)
    : QObject(parent),
      formats_(formats),
      shown_(std::move(shown)),
      stageThreads_(QueryProcessResources().cpus) {
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, [this] {
        if (!waiting_) return;
        std::lock_guard<std::mutex> hold(lock_);
        next_ = std::move(waiting_);
        waiting_.reset();
        wake_.notify_one();
    });
    thread_ = std::thread([this] { Run(); });
}

PreviewWorker::~PreviewWorker() {
    Stop();
}

void PreviewWorker::Request(PreviewOrder order) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) return;
    }
    // The render in flight is for values no longer shown.
    ++generation_;
    waiting_ = std::move(order);
    pause_.start(std::clamp(2 * lastRenderMs_.load(), kShortestPauseMs, kPauseMs));
}

void PreviewWorker::Stop() {
    pause_.stop();
    waiting_.reset();
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
        next_.reset();
        ++generation_;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

bool PreviewWorker::Busy() const {
    std::lock_guard<std::mutex> hold(lock_);
    return rendering_ || next_.has_value() || waiting_.has_value();
}

bool PreviewWorker::Superseded(uint64_t generation) const {
    return generation_.load() != generation;
}

void PreviewWorker::Run() {
    while (true) {
        PreviewOrder order;
        uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return stopping_ || next_.has_value(); });
            if (stopping_) break;
            order = std::move(*next_);
            next_.reset();
            generation = generation_.load();
            rendering_ = true;
        }
        const auto started = std::chrono::steady_clock::now();
        Render(order, generation);
        // A render cut short says nothing of what one costs.
        if (!Superseded(generation))
            lastRenderMs_ = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - started)
                                                 .count());
        std::lock_guard<std::mutex> hold(lock_);
        rendering_ = false;
    }
    // The worker's pictures and font go with the thread that used them.
    input_ = PreviewInput();
    font_.reset();
}

bool PreviewWorker::TakeInput(const PreviewOrder& order, PreviewPicture& picture) {
    if (!inputLoaded_ || order.inputPath != loadedPath_) {
        // Only one input is kept: the old one goes before the new one is loaded.
        input_ = PreviewInput();
        beforeFit_ = QImage();
        if (order.inputPath.empty()) {
            input_.picture = MakeSamplePicture();
            if (!input_.picture) input_.error = ConvertError::OutOfMemory;
        } else {
            input_ = LoadPreviewInput(order.inputPath, 0);
        }
        loadedPath_ = order.inputPath;
        inputLoaded_ = true;
    }
    if (input_.error != ConvertError::None) {
        picture.error = ToQString(PreviewFailureText(input_.error, input_.detail));
        return false;
    }
    // The input at full size only while it is shown so; the reduced copy is kept.
    if (order.fullSize || beforeFit_.isNull() || order.fitBox != beforeFitBox_) {
        QImage full = ToQImage(input_.picture);
        beforeFit_ = Reduced(full, order.fitBox);
        beforeFitBox_ = order.fitBox;
        if (order.fullSize) picture.before = std::move(full);
    }
    picture.beforeFit = beforeFit_;
    return true;
}

const Font* PreviewWorker::FontFor(const ConversionSettings& settings, QString& error) {
    RunProblem problem = RunProblem::None;
    if (settings.doWatermark == kWatermarkText) {
        const std::string key = FontKey(settings);
        if (font_ == nullptr || key != fontKey_) {
            fontKey_ = key;
            problem = CheckWatermark(settings, font_);
        }
    } else {
        std::unique_ptr<Font> none;
        problem = CheckWatermark(settings, none);
    }
    if (problem != RunProblem::None) error = ToQString(RunProblemText(problem, {}));
    return settings.doWatermark == kWatermarkText ? font_.get() : nullptr;
}

void PreviewWorker::Render(const PreviewOrder& order, uint64_t generation) {
    ++rendersStarted_;
    PreviewPicture picture;
    const ConversionSettings& settings = order.settings;
    if (TakeInput(order, picture) && !Superseded(generation)) {
        const RunProblem problem = CheckRunSettings(formats_, settings, order.formatKey);
        if (problem != RunProblem::None)
            picture.error = ToQString(RunProblemText(problem, order.formatKey));
        const Font* font = picture.error.isEmpty() ? FontFor(settings, picture.error) : nullptr;
        if (picture.error.isEmpty()) {
            JobContext job;
            SetOutputFormat(job, settings, order.formatKey);
            job.randomNumber = order.randomNumber;
            job.conversionNumber = 1;
            const std::string path = order.inputPath.empty() ? kSampleName : order.inputPath;
            FileJob file = FileJobFor(job, path);
            // One render at a time: it may have every CPU the process may use.
            file.stageThreads = static_cast<unsigned>(stageThreads_);
            PreviewResult result = RenderPreview(
                input_.picture, settings, std::move(file), BitDepthList(formats_, order.formatKey),
                font, [this, generation] { return Superseded(generation); });
            if (result.cancelled) return;
            if (result.error != ConvertError::None) {
                picture.error = ToQString(PreviewFailureText(result.error, result.detail));
            } else {
                QImage full = ToQImage(result.picture);
                result.picture.Reset();
                picture.afterFit = Reduced(full, order.fitBox);
                if (order.fullSize) picture.after = std::move(full);
                if (picture.afterFit.isNull())
                    picture.error = ToQString(ConvertErrorText(ConvertError::OutOfMemory));
            }
            picture.facts = result.facts;
        }
    }
    if (Superseded(generation)) return;
    // Delivered through the dialog's event loop; dropped there when an edit came meanwhile,
    // and with this object when it is gone.
    QMetaObject::invokeMethod(
        this,
        [this, picture = std::move(picture), generation] {
            if (!Superseded(generation)) shown_(picture);
        },
        Qt::QueuedConnection);
}

}  // namespace pictorb
