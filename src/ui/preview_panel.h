#pragma once
// The preview panel beside the preferences pages: the picture the conversion would write with
// the values the dialog shows now, at fit or at 100 % with panning, over a checkerboard, with
// the input before the conversion while asked for, and one line of facts below it.

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/conversion_settings.h"
#include "ui/preferences_page.h"
#include "ui/preview_worker.h"

class QAbstractButton;
class QLabel;
class QScrollArea;

namespace pictorb {

struct DesktopContext;
class PreviewView;

// The picture to preview: the first bitmap, in name order, that the typed inputs name (files,
// folders); empty when they name none, for the sample picture.
std::string ChoosePreviewInput(const DesktopContext& context,
                               const std::vector<std::string>& typed);

class PreviewPanel : public QWidget {
  public:
    PreviewPanel(DesktopContext& context, PreviewInputs inputs, QWidget* parent = nullptr);
    ~PreviewPanel() override;

    // The dialog's values changed: renders them after the pause.
    void Update(const ConversionSettings& current);
    // Ends the worker (joined); nothing of the preview runs after it.
    void Stop();

    void SetActualSize(bool actual);
    bool ActualSize() const { return actualSize_; }
    // Before: the toggle, or the key or button held.
    void SetBefore(bool before);
    bool ShowsBefore() const;

    PreviewWorker& Worker() { return *worker_; }
    const std::string& InputPath() const { return inputPath_; }
    QString ErrorText() const { return picture_.error; }
    QString InfoText() const;
    QString SourceText() const;
    bool HasPicture() const { return !picture_.afterFit.isNull(); }
    // Results shown so far (the benchmark waits for the next one).
    int ShownCount() const { return shownCount_; }
    PreviewView* View() const { return view_; }
    QScrollArea* Area() const { return area_; }
    QAbstractButton* FitButton() const { return fitButton_; }
    QAbstractButton* ActualButton() const { return actualButton_; }
    QAbstractButton* BeforeButton() const { return beforeButton_; }
    QAbstractButton* HoldButton() const { return holdButton_; }

  private:
    void Shown(const PreviewPicture& picture);
    void Refresh();
    QString Text(const char* key) const;

    DesktopContext& context_;
    PreviewInputs inputs_;
    std::string inputPath_;
    PreviewPicture picture_;
    std::optional<ConversionSettings> shownSettings_;  // of the last order
    bool actualSize_ = false;
    bool held_ = false;
    int shownCount_ = 0;
    PreviewView* view_ = nullptr;
    QScrollArea* area_ = nullptr;
    QLabel* source_ = nullptr;
    QLabel* info_ = nullptr;
    QAbstractButton* fitButton_ = nullptr;
    QAbstractButton* actualButton_ = nullptr;
    QAbstractButton* beforeButton_ = nullptr;
    QAbstractButton* holdButton_ = nullptr;
    std::unique_ptr<PreviewWorker> worker_;  // last: stopped first
};

// The picture area: a checkerboard, the picture, or the reason there is none. Drag pans at
// 100 %; arrow keys pan; 1 and 0 switch 100 % and fit; Space held shows Before.
class PreviewView : public QWidget {
  public:
    explicit PreviewView(PreviewPanel& panel);
    void SetPicture(const QImage& image, const QString& message);
    const QImage& Picture() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    PreviewPanel& panel_;
    QImage image_;
    QString message_;
    QPoint dragFrom_;
};

}  // namespace pictorb
