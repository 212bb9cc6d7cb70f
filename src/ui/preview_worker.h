#pragma once
// Renders the preview on one thread of its own: edits are gathered for a short pause, a newer
// edit supersedes the render in flight (stopped between stages, its result dropped), and the
// result reaches the dialog through its event loop, which never waits for a render.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "formats/formats.h"
#include "pipeline/image.h"
#include "pipeline/preview.h"
#include "settings/conversion_settings.h"

namespace pictorb {

class Font;

// One render's order: the settings as the dialog shows them and what they apply to.
struct PreviewOrder {
    ConversionSettings settings;
    std::string inputPath;  // empty: the sample picture
    std::string formatKey;
    int32_t randomNumber = 1;
    QSize fitBox;           // the room the picture has at fit zoom
    bool fullSize = false;  // shown at 100 %: the pictures are kept at full size too
};

// What the panel shows: the pictures at the size they are shown, no more.
struct PreviewPicture {
    QImage beforeFit, afterFit;  // reduced to the fit box; `afterFit` is null on failure
    QImage before, after;        // at full size, only for an order at 100 %
    QString error;               // the reason, when there is no `afterFit`
    PreviewFacts facts;
};

class PreviewWorker : public QObject {
  public:
    // Edits are gathered for a pause before a render starts: as long as the last render
    // took, doubled, between these bounds, so that a cheap render follows an edit closely
    // and an expensive one waits for typing to end.
    static constexpr int kPauseMs = 100;
    static constexpr int kShortestPauseMs = 50;

    PreviewWorker(const Formats& formats, std::function<void(const PreviewPicture&)> shown,
                  QObject* parent = nullptr);
    // Stops and joins the thread.
    ~PreviewWorker() override;

    // An edit: supersedes what is rendering now; `order` is rendered after the pause unless a
    // newer one comes first.
    void Request(PreviewOrder order);
    // Ends the thread (joined); later requests are ignored.
    void Stop();
    // Renders begun so far (tests: a burst of edits renders once).
    int RendersStarted() const { return rendersStarted_.load(); }
    bool Busy() const;

  private:
    void Run();
    void Render(const PreviewOrder& order, uint64_t generation);
    // The loaded input for the order's path; loads when the path changed.
    bool TakeInput(const PreviewOrder& order, PreviewPicture& picture);
    bool Superseded(uint64_t generation) const;
    const Font* FontFor(const ConversionSettings& settings, QString& error);

    const Formats& formats_;
    std::function<void(const PreviewPicture&)> shown_;
    const int stageThreads_;  // the CPUs the process may use, for the render's stages
    QTimer pause_;
    std::optional<PreviewOrder> waiting_;  // GUI thread: gathered during the pause

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::optional<PreviewOrder> next_;  // handed over, under the lock
    bool stopping_ = false;             // under the lock
    bool rendering_ = false;            // under the lock
    std::atomic<uint64_t> generation_{0};
    std::atomic<int> rendersStarted_{0};
    std::atomic<int> lastRenderMs_{kPauseMs};

    // The worker thread's own.
    std::string loadedPath_;
    bool inputLoaded_ = false;
    PreviewInput input_;
    QImage before_;
    QImage beforeFit_;
    QSize beforeFitBox_;
    std::string fontKey_;
    std::unique_ptr<Font> font_;

    std::thread thread_;  // last: started when everything above exists
};

// The FreeImage picture as a QImage (straight alpha); null when it cannot be converted.
QImage ToQImage(const Image& picture);

}  // namespace pictorb
