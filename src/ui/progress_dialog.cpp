#include "ui/progress_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <initializer_list>
#include <system_error>
#include <vector>

#include "pipeline/batch.h"
#include "text/utf8.h"
#include "themes/icon_sets.h"
#include "ui/builtin_icons.h"
#include "ui/convert.h"
#include "ui/desktop_context.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 110;
constexpr int kLabelWidth = 280;
constexpr int kPollMs = 15;
// The client once it lists failed files.
constexpr int kFailuresWidth = 520;
constexpr int kFailuresHeight = 300;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ProgressDialog::ProgressDialog(DesktopContext& context, QWidget& window, QLabel& status,
                               const Font* watermarkFont)
    : QDialog(&window),
      context_(context),
      window_(window),
      status_(status),
      watermarkFont_(watermarkFont) {
    TextTable& texts = context_.state.texts;
    setWindowTitle(ToQString(texts.Text("Dialog", "Convert Progress")));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    label_ = new QLabel(this);
    label_->setGeometry(10, 10, kLabelWidth, 20);
    bar_ = new QProgressBar(this);
    bar_->setGeometry(10, 38, kLabelWidth, 20);
    bar_->setTextVisible(false);
    okButton_ = new QPushButton(ToQString(texts.Text("Dialog", "OK")), this);
    okButton_->setGeometry((kClientWidth - 80) / 2, 74, 80, 25);
    okButton_->setEnabled(false);
    connect(okButton_, &QPushButton::clicked, this, [this] {
        if (ended_) accept();
    });

    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &ProgressDialog::Poll);
}

ProgressDialog::~ProgressDialog() {
    if (worker_.joinable()) worker_.join();
}

void ProgressDialog::Run() {
    const JobContext& job = context_.state.job;
    files_ = static_cast<int32_t>(job.inputFiles.size());
    bar_->setRange(0, files_ + 1);
    bar_->setValue(0);

    show();
    window_.setEnabled(false);
    setEnabled(true);
    activateWindow();
    // The label holds as many characters as fit at the font's average character width.
    const int measured = QFontMetrics(font()).horizontalAdvance("abc123:\\-") / 9;
    charWidth_ = measured > 0 ? measured : 7;
    maxChars_ = kLabelWidth / charWidth_;

    progress_.record = ProgressRecord{0, {}, 0, 1};
    try {
        worker_ = std::thread([this] {
            const JobEnvironment env{context_.state.settings, context_.state.job,
                                     context_.state.formats, watermarkFont_};
            RunConversionWorker(env, progress_);
            workerDone_ = true;
        });
        started_ = true;
    } catch (const std::system_error&) {
        // No thread: the dialog stays with its button disabled until it is closed.
    }
    timer_->start();
    exec();
    timer_->stop();
    if (worker_.joinable()) {
        // The program is quitting (a signal): no further file is started.
        {
            std::lock_guard<std::mutex> hold(progress_.lock);
            progress_.record.continueFlag = 0;
            progress_.gateClosed = false;
        }
        progress_.gateChanged.notify_all();
        worker_.join();
    }
    window_.setEnabled(true);
    window_.activateWindow();
}

std::string ProgressDialog::LabelText(const std::string& file) const {
    const bool tooWide = static_cast<std::size_t>(charWidth_) * Utf8Length(file) >
                         static_cast<std::size_t>(kLabelWidth);
    std::string text = tooWide ? ShortenPath(file, static_cast<std::size_t>(maxChars_)) : file;
    // The average character width underestimates paths of wide letters; shortened further
    // until the text really fits, so the label never cuts off the file's end.
    const QFontMetrics metrics(label_->font());
    for (int chars = maxChars_;
         chars > 3 && metrics.horizontalAdvance(ToQString(text)) > kLabelWidth; --chars) {
        text = ShortenPath(file, static_cast<std::size_t>(chars));
    }
    return text;
}

QString ProgressDialog::TitleWith(const std::string& first, int32_t index) const {
    TextTable& texts = context_.state.texts;
    return ToQString(first + " " +
                     ExpandPlaceholders(texts.Text("Msg", "Progress"), std::to_string(index),
                                        std::to_string(files_)));
}

void ProgressDialog::Poll() {
    const int64_t now = NowMs();
    if (lastPollMs_ > 0 && !ended_) longestGapMs_ = std::max(longestGapMs_, now - lastPollMs_);
    lastPollMs_ = now;
    if (!started_ || ended_) return;
    if (!workerDone_) {
        int32_t index = 0;
        int32_t finished = 0;
        std::string file;
        {
            std::lock_guard<std::mutex> hold(progress_.lock);
            index = progress_.record.index;
            file = progress_.record.currentFile;
            for (const FileOutcome& outcome : progress_.outcomes) finished += outcome.done ? 1 : 0;
        }
        if (index > lastShown_) {
            lastShown_ = index;
            setWindowTitle(
                TitleWith(context_.state.texts.Text("Dialog", "Convert Progress"), index));
            label_->setText(ToQString(LabelText(file)));
        }
        // With several workers files finish out of order: the bar counts those finished.
        bar_->setValue(finished);
        return;
    }
    worker_.join();
    ended_ = true;
    // A file converted between two polls still counts as shown: the title never ends on
    // "(0/1)" for a conversion that ran.
    {
        std::lock_guard<std::mutex> hold(progress_.lock);
        lastShown_ = std::max(lastShown_, progress_.record.index);
    }
    ShowOutcome();
}

void ProgressDialog::ShowOutcome() {
    timer_->stop();
    TextTable& texts = context_.state.texts;
    int32_t converted = 0;
    std::vector<std::string> failures;
    {
        std::lock_guard<std::mutex> hold(progress_.lock);
        converted = progress_.record.converted;
        for (const FileOutcome& outcome : progress_.outcomes)
            if (outcome.done && IsFailure(outcome.error))
                failures.push_back(outcome.path + ": " + OutcomeReason(outcome));
    }
    const std::string convertedText = ExpandPlaceholders(
        texts.Text("Msg", "Files converted"), std::to_string(converted), std::to_string(files_));
    if (breakAsked_) {
        const std::string stopped = texts.Text("Msg", "Conversion is not complete");
        status_.setText(ToQString(stopped));
        setWindowTitle(TitleWith(stopped, lastShown_));
        label_->setText(ToQString(stopped));
    } else {
        const std::string complete = texts.Text("Msg", "Conversion complete");
        // A run with failed files says how many were converted where the user looks last.
        status_.setText(ToQString(failures.empty() ? complete : convertedText));
        setWindowTitle(TitleWith(complete, lastShown_));
        label_->setText(ToQString(convertedText));
        bar_->setValue(files_ + 1);
    }
    if (!failures.empty()) ShowFailures(failures);
    okButton_->setEnabled(true);
    okButton_->setFocus();
}

void ProgressDialog::ShowFailures(const std::vector<std::string>& failures) {
    TextTable& texts = context_.state.texts;
    const IconSet& icons = context_.icons.menu;
    setFixedSize(kFailuresWidth, kFailuresHeight);
    const int inner = kFailuresWidth - 20;
    label_->setGeometry(10, 10, inner, 20);
    bar_->setGeometry(10, 38, inner, 20);
    auto* heading =
        new QLabel(ToQString(ExpandPlaceholders(texts.Text("Msg", "Files not converted"),
                                                std::to_string(failures.size()))),
                   this);
    heading->setGeometry(10, 66, inner, 20);
    failureList_ = new QPlainTextEdit(this);
    failureList_->setObjectName("failedFiles");
    failureList_->setReadOnly(true);
    failureList_->setLineWrapMode(QPlainTextEdit::NoWrap);
    std::string lines;
    for (const std::string& line : failures) lines += (lines.empty() ? "" : "\n") + line;
    failureList_->setPlainText(ToQString(lines));
    failureList_->setGeometry(10, 88, inner, kFailuresHeight - 88 - 45);
    heading->setBuddy(failureList_);
    const int buttonsTop = kFailuresHeight - 35;
    copyButton_ =
        new QPushButton(ToQIcon(icons.Image("Copy")), ToQString(texts.Text("Menu", "Copy")), this);
    copyButton_->setGeometry(10, buttonsTop, 100, 25);
    // Copy takes what is selected, or every line when nothing is.
    connect(copyButton_, &QPushButton::clicked, this, [this] {
        if (!failureList_->textCursor().hasSelection()) failureList_->selectAll();
        failureList_->copy();
    });
    auto* selectAll = new QPushButton(ToQIcon(icons.Image("SelectAll")),
                                      ToQString(texts.Text("Menu", "Select All")), this);
    selectAll->setObjectName("selectAllFailed");
    selectAll->setGeometry(120, buttonsTop, 100, 25);
    connect(selectAll, &QPushButton::clicked, failureList_, &QPlainTextEdit::selectAll);
    okButton_->move(kFailuresWidth - 90, buttonsTop);
    // Made after the dialog was shown: they show only when asked to.
    for (QWidget* widget :
         std::initializer_list<QWidget*>{heading, failureList_, copyButton_, selectAll})
        widget->show();
}

bool ProgressDialog::CloseRequested() {
    if (!started_ || ended_) return true;
    if (workerDone_) {
        Poll();  // shows the outcome before the dialog goes
        return true;
    }
    // The worker finishes the file it is on but takes no next one while the user decides.
    {
        std::lock_guard<std::mutex> hold(progress_.lock);
        progress_.gateClosed = true;
    }
    // No polling while the question is open: a file that finishes meanwhile must not turn the
    // dialog to its outcome before the answer counts.
    timer_->stop();
    TextTable& texts = context_.state.texts;
    const bool breakOff = AskYesNo(context_.dialogs, texts.Text("Msg", "Warning"),
                                   texts.Text("Msg", "Ask break conversion"), MessageIcon::Warning);
    {
        std::lock_guard<std::mutex> hold(progress_.lock);
        progress_.gateClosed = false;
        if (breakOff) progress_.record.continueFlag = 0;
    }
    progress_.gateChanged.notify_all();
    if (breakOff) breakAsked_ = true;
    lastPollMs_ = 0;  // the question's time is no gap between polls
    timer_->start();
    return false;
}

void ProgressDialog::reject() {
    if (CloseRequested()) QDialog::reject();
}

}  // namespace pictorb
