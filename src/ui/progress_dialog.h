#pragma once
// The progress dialog of a desktop conversion: it runs the command line's worker on a thread
// and polls the shared progress record every 15 ms, so the interface never waits on the work.
// Polling pauses while the break-off question is open.

#include <QDialog>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/job_context.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace pictorb {

struct DesktopContext;
class Font;

class ProgressDialog : public QDialog {
    Q_OBJECT

  public:
    // Over `window`, which it disables while the worker runs; the outcome goes to `status`.
    // `refused` are the inputs that could not be taken ("path: reason"), listed first among
    // the files not converted.
    ProgressDialog(DesktopContext& context, QWidget& window, QLabel& status,
                   const Font* watermarkFont, std::vector<std::string> refused = {});
    ~ProgressDialog() override;

    // Starts the worker and runs the dialog until it is closed after the worker ended; the
    // window it sits over is disabled meanwhile.
    void Run();

    bool WorkerEnded() const { return ended_; }
    // The longest time between two polls while the worker ran, in milliseconds.
    int64_t LongestPollGapMs() const { return longestGapMs_; }
    QLabel* Label() const { return label_; }
    // "Files converted: k of n" below "Conversion stopped"; hidden otherwise.
    QLabel* CountLabel() const { return countLabel_; }
    QProgressBar* Bar() const { return bar_; }
    // Stop while the worker runs (the break-off question), OK once it has ended.
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* OpenFolderButton() const { return openFolderButton_; }
    // The files not converted with their reasons, one a line; hidden until a run ended with
    // some.
    QListWidget* FailureList() const { return failureList_; }
    QPushButton* CopyButton() const { return copyButton_; }

  public slots:
    void reject() override;  // Escape and the close box (through QDialog) ask to close

  private:
    void BuildFailureList();
    // The heading, the list and its buttons, shown only when some file was not converted.
    std::array<QWidget*, 4> FailureWidgets() const;
    void Poll();
    void ShowOutcome();
    // Shows the list of `failures` ("path: reason") with Copy and Select All.
    void ShowFailures(const std::vector<std::string>& failures);
    // The selected lines in order, or every line when none is selected.
    void CopyFailures();
    // True when the dialog may close; while the worker runs, asks whether to break off.
    bool CloseRequested();
    QString TitleWith(const std::string& first, int32_t index) const;
    // The current file as the label shows it: shortened in the middle to fit its width.
    std::string LabelText(const std::string& file) const;

    DesktopContext& context_;
    QWidget& window_;
    QLabel& status_;
    const Font* watermarkFont_;
    std::vector<std::string> refused_;
    SharedProgress progress_;
    std::thread worker_;
    std::atomic<bool> workerDone_{false};
    bool started_ = false;
    bool ended_ = false;
    bool breakAsked_ = false;
    int32_t files_ = 0;
    int32_t lastShown_ = 0;
    int charWidth_ = 7;
    int64_t lastPollMs_ = 0;
    int64_t longestGapMs_ = 0;
    QLabel* label_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* openFolderButton_ = nullptr;
    QTimer* timer_ = nullptr;
    QLabel* failuresHeading_ = nullptr;
    QListWidget* failureList_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
};

}  // namespace pictorb
