#include "ui/progress_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <system_error>
#include <vector>

#include "pipeline/batch.h"
#include "text/utf8.h"
#include "themes/icon_sets.h"
#include "ui/builtin_icons.h"
#include "ui/convert.h"
#include "ui/desktop_context.h"
#include "ui/links.h"
#include "ui/qt_text.h"
#include "ui/window_size.h"

namespace pictorb {
namespace {

// The client's least size at the default font, and once it lists failed files.
constexpr QSize kClientSize(300, 110);
constexpr QSize kFailuresSize(520, 300);
constexpr int kLabelWidth = 280;
constexpr int kPollMs = 15;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ProgressDialog::ProgressDialog(DesktopContext& context, QWidget& window, QLabel& status,
                               const Font* watermarkFont, std::vector<std::string> refused)
    : QDialog(&window),
      context_(context),
      window_(window),
      status_(status),
      watermarkFont_(watermarkFont),
      refused_(std::move(refused)) {
    TextTable& texts = context_.state.texts;
    setWindowTitle(ToQString(texts.Text("Dialog", "Convert Progress")));
    setModal(true);

    label_ = new QLabel;
    label_->setMinimumWidth(kLabelWidth);
    countLabel_ = new QLabel;
    countLabel_->setObjectName("convertedCount");
    countLabel_->hide();
    bar_ = new QProgressBar;
    bar_->setTextVisible(false);
    okButton_ = new QPushButton(ToQString(texts.Text("Dialog", "Stop")));
    okButton_->setObjectName("okButton");
    // Return must not stop a conversion by accident: the button is the default once it is OK.
    okButton_->setAutoDefault(false);
    // Stop asks the break-off question, as the close box and Escape do; OK closes at the end.
    connect(okButton_, &QPushButton::clicked, this, [this] {
        if (ended_)
            accept();
        else
            reject();
    });
    openFolderButton_ = new QPushButton(ToQString(texts.Text("Dialog", "Open Output Folder")));
    openFolderButton_->setObjectName("openOutputFolder");
    openFolderButton_->hide();
    connect(openFolderButton_, &QPushButton::clicked, this, [this] {
        const std::string& folder = context_.state.job.outputFolder;
        OpenLink(context_, folder, folder);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(countLabel_);
    BuildFailureList();
    layout->addWidget(failuresHeading_);
    layout->addWidget(failureList_, 1);
    layout->addStretch(0);  // a taller dialog without the list keeps its rows at the top
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyButton_);
    buttons->addWidget(selectAllButton_);
    buttons->addStretch(1);
    buttons->addWidget(openFolderButton_);
    buttons->addWidget(okButton_);
    layout->addLayout(buttons);
    FitToContents(*this, kClientSize);

    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &ProgressDialog::Poll);
}

std::array<QWidget*, 4> ProgressDialog::FailureWidgets() const {
    return {failuresHeading_, failureList_, copyButton_, selectAllButton_};
}

void ProgressDialog::BuildFailureList() {
    TextTable& texts = context_.state.texts;
    const IconSet& icons = context_.icons.menu;
    failuresHeading_ = new QLabel;
    failureList_ = new QListWidget;
    failureList_->setObjectName("failedFiles");
    // Lines are selected as in a file manager: Shift with the arrows, Ctrl with the mouse.
    failureList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    failuresHeading_->setBuddy(failureList_);
    copyButton_ =
        new QPushButton(ToQIcon(icons.Image("Copy")), ToQString(texts.Text("Menu", "Copy")));
    connect(copyButton_, &QPushButton::clicked, this, [this] { CopyFailures(); });
    auto* copyKey = new QShortcut(QKeySequence::Copy, failureList_, nullptr, nullptr,
                                  Qt::WidgetWithChildrenShortcut);
    connect(copyKey, &QShortcut::activated, this, [this] { CopyFailures(); });
    selectAllButton_ = new QPushButton(ToQIcon(icons.Image("SelectAll")),
                                       ToQString(texts.Text("Menu", "Select All")));
    selectAllButton_->setObjectName("selectAllFailed");
    connect(selectAllButton_, &QPushButton::clicked, failureList_, &QListWidget::selectAll);
    for (QWidget* widget : FailureWidgets()) widget->hide();
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
    // The label is as wide as the dialog lets it be: wider with a larger font or by hand.
    const int width = std::max(label_->contentsRect().width(), kLabelWidth);
    const int maxChars = width / charWidth_;
    const bool tooWide =
        static_cast<std::size_t>(charWidth_) * Utf8Length(file) > static_cast<std::size_t>(width);
    std::string text = tooWide ? ShortenPath(file, static_cast<std::size_t>(maxChars)) : file;
    // The average character width underestimates paths of wide letters; shortened further
    // until the text really fits, so the label never cuts off the file's end.
    const QFontMetrics metrics(label_->font());
    for (int chars = maxChars; chars > 3 && metrics.horizontalAdvance(ToQString(text)) > width;
         --chars) {
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
    const QPoint centre = geometry().center();
    TextTable& texts = context_.state.texts;
    int32_t converted = 0;
    int32_t finished = 0;
    std::vector<std::string> failures = refused_;
    {
        std::lock_guard<std::mutex> hold(progress_.lock);
        converted = progress_.record.converted;
        for (const FileOutcome& outcome : progress_.outcomes) {
            finished += outcome.done ? 1 : 0;
            if (outcome.done && IsFailure(outcome.error))
                failures.push_back(outcome.path + ": " + OutcomeReason(outcome));
        }
    }
    const std::string convertedText = ExpandPlaceholders(
        texts.Text("Msg", "Files converted"), std::to_string(converted), std::to_string(files_));
    if (breakAsked_) {
        // What was written before the stop stays: the count says how much, as the command
        // line's does, and the bar shows the files finished.
        const std::string stopped = texts.Text("Msg", "Conversion is not complete");
        status_.setText(ToQString(stopped));
        setWindowTitle(TitleWith(stopped, lastShown_));
        label_->setText(ToQString(stopped));
        countLabel_->setText(ToQString(convertedText));
        countLabel_->show();
        bar_->setValue(finished);
    } else {
        const std::string complete = texts.Text("Msg", "Conversion complete");
        // A run with failed files says how many were converted where the user looks last.
        status_.setText(ToQString(failures.empty() ? complete : convertedText));
        setWindowTitle(TitleWith(complete, lastShown_));
        label_->setText(ToQString(convertedText));
        bar_->setValue(files_ + 1);
    }
    okButton_->setText(ToQString(texts.Text("Dialog", "OK")));
    okButton_->setEnabled(true);
    openFolderButton_->show();
    if (!failures.empty()) ShowFailures(failures);
    FitToContents(*this, failures.empty() ? kClientSize : kFailuresSize);
    CentreOnScreen(*this, centre);
    okButton_->setDefault(true);
    okButton_->setFocus();
}

void ProgressDialog::ShowFailures(const std::vector<std::string>& failures) {
    TextTable& texts = context_.state.texts;
    failuresHeading_->setText(ToQString(ExpandPlaceholders(texts.Text("Msg", "Files not converted"),
                                                           std::to_string(failures.size()))));
    for (const std::string& line : failures) failureList_->addItem(ToQString(line));
    for (QWidget* widget : FailureWidgets()) widget->show();
}

void ProgressDialog::CopyFailures() {
    QStringList lines;
    for (int row = 0; row < failureList_->count(); ++row)
        if (failureList_->item(row)->isSelected()) lines << failureList_->item(row)->text();
    if (lines.isEmpty())
        for (int row = 0; row < failureList_->count(); ++row)
            lines << failureList_->item(row)->text();
    QApplication::clipboard()->setText(lines.join('\n'));
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
    if (breakOff) {
        breakAsked_ = true;
        okButton_->setEnabled(false);  // asked once; the files in flight are being finished
    }
    lastPollMs_ = 0;  // the question's time is no gap between polls
    timer_->start();
    return false;
}

void ProgressDialog::reject() {
    if (CloseRequested()) QDialog::reject();
}

}  // namespace pictorb
