#include "ui/preview_panel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "pipeline/batch.h"
#include "platform/files.h"
#include "ui/desktop_context.h"
#include "ui/input_output.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

constexpr int kCheckerSquare = 8;
constexpr int kPanStep = 32;

}  // namespace

std::string ChoosePreviewInput(const DesktopContext& context,
                               const std::vector<std::string>& typed) {
    const ProcessState& state = context.state;
    const std::string home = HomeFolder();
    const std::string startFolder = CurrentFolder();
    JobContext found;
    std::vector<InputProblem> problems;
    for (const std::string& text : typed) {
        const std::string path = ExpandTypedPath(text, home, startFolder);
        const InputKind kind = KindOfInput(state.formats, path);
        if (kind == InputKind::Refused) continue;
        const bool recursive = kind == InputKind::Folder && state.settings.includeSubfolders != 0;
        AddInputPath(found, state.formats, path, recursive, problems);
    }
    // The map is in path order: the first entry is the first by name.
    return found.inputFiles.empty() ? std::string() : found.inputFiles.begin()->first;
}

PreviewPanel::PreviewPanel(DesktopContext& context, PreviewInputs inputs, QWidget* parent)
    : QWidget(parent), context_(context), inputs_(std::move(inputs)) {
    inputPath_ = ChoosePreviewInput(context_, inputs_.typed);
    setObjectName("previewPanel");

    source_ = new QLabel;
    source_->setText(SourceText());
    source_->setTextFormat(Qt::PlainText);
    view_ = new PreviewView(*this);
    area_ = new QScrollArea;
    area_->setWidget(view_);
    area_->setWidgetResizable(true);
    area_->setAlignment(Qt::AlignCenter);
    area_->setFocusProxy(view_);

    auto* fit = new QPushButton(Text("Fit"));
    auto* actual = new QPushButton(Text("Actual Size"));
    auto* before = new QPushButton(Text("Before"));
    auto* hold = new QPushButton(Text("Hold"));
    fitButton_ = fit;
    actualButton_ = actual;
    beforeButton_ = before;
    holdButton_ = hold;
    for (QPushButton* button : {fit, actual, before}) button->setCheckable(true);
    auto* zoom = new QButtonGroup(this);
    zoom->addButton(fit);
    zoom->addButton(actual);
    fit->setChecked(true);
    fit->setAccessibleName(Text("Fit"));
    actual->setAccessibleName(Text("Actual Size"));
    before->setAccessibleName(Text("Before"));
    hold->setAccessibleName(Text("Hold"));
    hold->setToolTip(Text("Hold Tip"));
    view_->setAccessibleName(Text("View"));
    connect(fit, &QPushButton::clicked, this, [this] { SetActualSize(false); });
    connect(actual, &QPushButton::clicked, this, [this] { SetActualSize(true); });
    connect(before, &QPushButton::toggled, this, [this] { Refresh(); });
    connect(hold, &QPushButton::pressed, this, [this] { SetBefore(true); });
    connect(hold, &QPushButton::released, this, [this] { SetBefore(false); });

    info_ = new QLabel;
    info_->setTextFormat(Qt::PlainText);
    info_->setWordWrap(true);
    info_->setAccessibleName(Text("Info Name"));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (QPushButton* button : {fit, actual, before, hold}) buttons->addWidget(button);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(source_);
    layout->addWidget(area_, 1);
    layout->addLayout(buttons);
    layout->addWidget(info_);

    worker_ = std::make_unique<PreviewWorker>(
        context_.state.formats, [this](const PreviewPicture& picture) { Shown(picture); });
    Refresh();
}

PreviewPanel::~PreviewPanel() {
    Stop();
}

void PreviewPanel::Stop() {
    worker_->Stop();
}

QString PreviewPanel::Text(const char* key) const {
    return ToQString(context_.state.texts.Text("Preview", key));
}

QString PreviewPanel::SourceText() const {
    if (inputPath_.empty()) return Text("Sample");
    const std::string name = inputPath_.substr(inputPath_.rfind('/') + 1);
    return ToQString(ExpandPlaceholders(context_.state.texts.Text("Preview", "Showing"), name));
}

void PreviewPanel::Update(const ConversionSettings& current) {
    shownSettings_ = current;
    PreviewOrder order;
    order.settings = current;
    order.fullSize = actualSize_;
    order.inputPath = inputPath_;
    order.formatKey = inputs_.formatKey.empty() ? current.outputFormat : inputs_.formatKey;
    order.randomNumber = context_.state.job.randomNumber;
    QSize box = area_->viewport()->size();
    // Before the first layout the viewport has no size of its own yet.
    if (box.width() < 64 || box.height() < 64) box = QSize(300, 220);
    order.fitBox = box;
    worker_->Request(std::move(order));
}

void PreviewPanel::SetActualSize(bool actual) {
    const bool changed = actual != actualSize_;
    actualSize_ = actual;
    (actual ? actualButton_ : fitButton_)->setChecked(true);
    // Full-size pictures are made only for 100 %: the reduced ones stand in until they come.
    if (changed && shownSettings_) {
        const ConversionSettings again = *shownSettings_;
        Update(again);
    }
    Refresh();
}

void PreviewPanel::SetBefore(bool before) {
    held_ = before;
    Refresh();
}

bool PreviewPanel::ShowsBefore() const {
    return held_ || beforeButton_->isChecked();
}

void PreviewPanel::Shown(const PreviewPicture& picture) {
    picture_ = picture;
    ++shownCount_;
    Refresh();
}

QString PreviewPanel::InfoText() const {
    if (picture_.afterFit.isNull()) return {};
    const PreviewFacts& facts = picture_.facts;
    const std::string document =
        context_.state.texts.Text("Preview", facts.largeDocument ? "Large Document" : "Document");
    return ToQString(
        ExpandPlaceholders(context_.state.texts.Text("Preview", "Info"),
                           std::to_string(facts.width) + " x " + std::to_string(facts.height),
                           std::to_string(facts.depth), document, facts.outputName));
}

void PreviewPanel::Refresh() {
    const bool before = ShowsBefore();
    const QImage& full = before ? picture_.before : picture_.after;
    const QImage& fit = before ? picture_.beforeFit : picture_.afterFit;
    const QImage& image = actualSize_ && !full.isNull() ? full : fit;
    QString message;
    if (!before && !picture_.error.isEmpty())
        message = picture_.error;
    else if (image.isNull())
        message = Text("Rendering");
    view_->SetPicture(message.isEmpty() ? image : QImage(), message);
    // At 100 % the view takes the picture's size and the area scrolls; at fit it fills the area.
    const bool scrolls = actualSize_ && message.isEmpty() && !full.isNull();
    area_->setWidgetResizable(!scrolls);
    if (scrolls) view_->resize(image.size());
    info_->setText(InfoText());
}

PreviewView::PreviewView(PreviewPanel& panel) : panel_(panel) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
}

void PreviewView::SetPicture(const QImage& image, const QString& message) {
    image_ = image;
    message_ = message;
    update();
}

void PreviewView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!message_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         message_);
        return;
    }
    if (image_.isNull()) return;
    // At fit a picture larger than the view (its room was not known yet when it was made) is
    // drawn smaller; centred when smaller than the view. The checkerboard shows only behind it.
    QSize size = image_.size();
    if (!panel_.ActualSize() && (size.width() > width() || size.height() > height()))
        size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint(std::max(0, (width() - size.width()) / 2),
                              std::max(0, (height() - size.height()) / 2)),
                       size);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Mid);
    painter.save();
    painter.setClipRect(target);
    for (int y = target.top(); y <= target.bottom(); y += kCheckerSquare)
        for (int x = target.left(); x <= target.right(); x += kCheckerSquare)
            painter.fillRect(
                x, y, kCheckerSquare, kCheckerSquare,
                ((x - target.left() + y - target.top()) / kCheckerSquare) % 2 == 0 ? light : dark);
    painter.restore();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PreviewView::mousePressEvent(QMouseEvent* event) {
    dragFrom_ = event->globalPosition().toPoint();
    setFocus(Qt::MouseFocusReason);
}

void PreviewView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->globalPosition().toPoint();
    const QPoint moved = at - dragFrom_;
    dragFrom_ = at;
    QScrollArea* area = panel_.Area();
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() - moved.x());
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() - moved.y());
}

void PreviewView::keyPressEvent(QKeyEvent* event) {
    QScrollArea* area = panel_.Area();
    QScrollBar* across = area->horizontalScrollBar();
    QScrollBar* down = area->verticalScrollBar();
    switch (event->key()) {
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) panel_.SetBefore(true);
            return;
        case Qt::Key_1:
            return panel_.SetActualSize(true);
        case Qt::Key_0:
            return panel_.SetActualSize(false);
        case Qt::Key_Left:
            return across->setValue(across->value() - kPanStep);
        case Qt::Key_Right:
            return across->setValue(across->value() + kPanStep);
        case Qt::Key_Up:
            return down->setValue(down->value() - kPanStep);
        case Qt::Key_Down:
            return down->setValue(down->value() + kPanStep);
        default:
            QWidget::keyPressEvent(event);
    }
}

void PreviewView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) return panel_.SetBefore(false);
    QWidget::keyReleaseEvent(event);
}

}  // namespace pictorb
