#include "ui/preferences_dialog.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <bit>
#include <cctype>
#include <tuple>

#include "settings/settings.h"
#include "ui/links.h"
#include "ui/mnemonics.h"
#include "ui/preview_panel.h"
#include "ui/qt_text.h"
#include "ui/update_check.h"
#include "ui/window_size.h"

namespace pictorb {
namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 350;
constexpr int kTreeWidth = 132;  // at the default font

// The category tree as wide as its longest name needs, at least the design's width: a side
// panel beside the pages takes the room the window is given beyond that.
class PageTree : public QTreeWidget {
  public:
    QSize sizeHint() const override {
        int widest = 0;
        for (int i = 0; i < topLevelItemCount(); ++i)
            widest = std::max(widest, fontMetrics().horizontalAdvance(topLevelItem(i)->text(0)));
        const int margins = 2 * frameWidth() + indentation() + 2 * fontMetrics().averageCharWidth();
        return {std::max(kTreeWidth, widest + margins), QTreeWidget::sizeHint().height()};
    }
    QSize minimumSizeHint() const override {
        return {sizeHint().width(), QTreeWidget::minimumSizeHint().height()};
    }
};
// The preview panel's width in average characters of the dialog's font, and at least.
constexpr int kPreviewChars = 50;
constexpr int kPreviewMinWidth = 320;

// Panels whose rows do not fit the page; the Transform page scrolls as a whole.
bool PanelScrolls(std::string_view panel) {
    return panel == "frame" || panel == "text" || panel == "image";
}

QWidget* Scrolled(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes to the controls inside, not to the area around them.
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

// Rows whose meaning their label does not make plain, with the key of their tooltip text.
struct RowTooltip {
    std::string_view group;
    std::string_view key;
    std::string_view tooltip;
};
constexpr RowTooltip kRowTooltips[] = {
    {"Transform", "Image Resize Type", "Resize Type"},
    {"Watermark", "Text", "Watermark Text"},
    {"Watermark", "Text Boundary", "Boundary"},
    {"Watermark", "Image Boundary", "Boundary"},
    {"Advanced", "Filename Mask", "Filename Mask"},
    {"Advanced", "Out Folders History", "Out Folders History"},
    {"Output", "PSD Alpha Channel", "Alpha Channel"},
    {"Advanced", "Existing Files", "Existing Files"},
};

// The manual's section of a page: its heading in lower case.
std::string ManualSection(std::string_view pageKey) {
    std::string section(pageKey);
    for (char& c : section) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return section;
}

QGridLayout* NewGrid(QWidget* owner) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);
    return grid;
}

}  // namespace

PreferencesDialog::PreferencesDialog(DesktopContext& context, QWidget* parent,
                                     PreferencesPage start, PreviewInputs inputs, bool showPreview)
    : QDialog(parent), context_(context), previewInputs_(std::move(inputs)) {
    setWindowTitle(ToQString(context_.state.texts.Text("Preferences", "Title")));
    setModal(true);
    for (const PreferenceRow& row : PreferenceRows())
        fields_.push_back(MakePreferenceField(row, context_));
    BuildFrame(start);
    AddKeyboardHelp();
    for (const auto& field : fields_) field->Load(context_.state.settings);
    if (!UpdateCheckAvailable(context_)) {
        // Nothing is ever checked: say so, and keep the stored value (OK writes nothing back).
        PreferenceField* range = Find("General", "Update Range");
        qobject_cast<QComboBox*>(range->control)->setCurrentIndex(kUpdateRangeNever);
        keptUpdateRange_ = range;
        EnableRow("General", "Update Range", false);
    }
    loading_ = false;
    ApplyRules();
    // The user may make it larger; a larger font makes it as large as its pages need.
    FitToContents(*this, QSize(kClientWidth, kClientHeight), true);
    for (const auto& field : fields_) FollowEdits(*field);
    previewBox_->setChecked(showPreview || context_.state.settings.showPreview != 0);
    ShowPreview(previewBox_->isChecked());
    connect(previewBox_, &QCheckBox::toggled, this, [this](bool shown) {
        context_.state.settings.showPreview = shown ? 1 : 0;
        ShowPreview(shown);
    });
    tree_->setFocus();
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::AddKeyboardHelp() {
    TextTable& texts = context_.state.texts;
    // Each page's labels get their own mnemonics; Defaults keeps its letter on every page.
    QString buttonLetters;
    defaultsButton_->setText(WithMnemonic(defaultsButton_->text(), buttonLetters));
    previewBox_->setText(WithMnemonic(previewBox_->text(), buttonLetters));
    std::map<PreferencesPage, QString> pageLetters;
    for (const auto& field : fields_) {
        QString& taken = pageLetters.try_emplace(field->row.page, buttonLetters).first->second;
        field->label->setText(WithMnemonic(field->label->text(), taken));
    }
    for (const RowTooltip& tip : kRowTooltips) {
        QString text = ToQString(texts.Text("Tooltips", tip.tooltip));
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        for (QWidget* widget : Find(tip.group, tip.key)->Widgets()) widget->setToolTip(text);
    }
    // A wheel turned over a value while scrolling the page must not change it: only a
    // control with the focus takes the wheel.
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
            qobject_cast<QSlider*>(widget)) {
            widget->setFocusPolicy(Qt::StrongFocus);
            widget->installEventFilter(this);
        }
    }
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        OpenManualSection(context_, ManualSection(PreferencePageKeys()[stack_->currentIndex()]));
    });
}

bool PreferencesDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* control = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Wheel || control == nullptr || control->hasFocus())
        return QDialog::eventFilter(watched, event);
    // The wheel scrolls the panel around the control, if there is one.
    for (QWidget* outer = control->parentWidget(); outer != nullptr && outer != this;
         outer = outer->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(outer)) {
            QCoreApplication::sendEvent(area->viewport(), event);
            break;
        }
    }
    return true;
}

void PreferencesDialog::BuildFrame(PreferencesPage start) {
    TextTable& texts = context_.state.texts;
    tree_ = new PageTree;
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    for (std::string_view key : PreferencePageKeys()) {
        tree_->addTopLevelItem(new QTreeWidgetItem({ToQString(texts.Text("Preferences", key))}));
    }

    header_ = new QLabel;
    // A point larger than the dialog's font (10 points at the default 9), bold.
    QFont headerFont = font();
    headerFont.setPointSizeF(headerFont.pointSizeF() + 1);
    headerFont.setBold(true);
    header_->setFont(headerFont);
    header_->setObjectName("pageHeader");
    // The strip stands out as a text field does, in light and dark desktop themes alike.
    header_->setAutoFillBackground(true);
    header_->setBackgroundRole(QPalette::Base);
    header_->setForegroundRole(QPalette::Text);
    header_->setFrameShape(QFrame::StyledPanel);
    header_->setContentsMargins(6, 4, 6, 4);

    stack_ = new QStackedWidget;
    BuildPages();

    defaultsButton_ = new QPushButton(ToQString(texts.Text("Dialog", "Defaults")));
    okButton_ = new QPushButton(ToQString(texts.Text("Dialog", "OK")));
    cancelButton_ = new QPushButton(ToQString(texts.Text("Dialog", "Cancel")));
    previewBox_ = new QCheckBox(ToQString(texts.Text("Preview", "Show")));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(defaultsButton_, &QPushButton::clicked, this, [this] { ResetToDefaults(); });

    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(header_);
    right->addWidget(stack_, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(tree_);
    top->addLayout(right, 1);
    top_ = top;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaultsButton_);
    buttons->addWidget(previewBox_);
    if (context_.copyCommandLine) {
        copyCommandLineButton_ =
            new QPushButton(ToQString(texts.Text("Menu", "Copy Command Line")));
        copyCommandLineButton_->setObjectName("copyCommandLine");
        copyCommandLineButton_->setToolTip(ToQString(texts.Text("Tooltips", "Copy Command Line")));
        connect(copyCommandLineButton_, &QPushButton::clicked, this,
                [this] { context_.copyCommandLine(CurrentSettings()); });
        buttons->addWidget(copyCommandLineButton_);
    }
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        const int index = tree_->indexOfTopLevelItem(tree_->currentItem());
        if (index < 0) return;
        stack_->setCurrentIndex(index);
        header_->setText(tree_->currentItem()->text(0));
    });
    tree_->setCurrentItem(tree_->topLevelItem(static_cast<int>(start)));
}

void PreferencesDialog::BuildPages() {
    for (std::size_t index = 0; index < PreferencePageKeys().size(); ++index) {
        std::vector<PreferenceField*> labelled;
        QWidget* page = BuildPage(static_cast<PreferencesPage>(index), labelled);
        // One label column for the page and its panels, so their controls line up.
        int labelWidth = 0;
        for (const PreferenceField* field : labelled) {
            labelWidth = std::max(labelWidth, field->label->sizeHint().width());
        }
        for (const PreferenceField* field : labelled) field->label->setMinimumWidth(labelWidth);
        pages_.push_back(page);
        stack_->addWidget(page);
    }
}

QWidget* PreferencesDialog::BuildPage(PreferencesPage page,
                                      std::vector<PreferenceField*>& labelled) {
    auto* pageWidget = new QWidget;
    auto* layout = new QVBoxLayout(pageWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* pageRows = new QWidget;
    QGridLayout* pageGrid = NewGrid(pageRows);
    const bool pageScrolls = page == PreferencesPage::Transform;
    layout->addWidget(pageScrolls ? Scrolled(pageRows) : pageRows, pageScrolls ? 1 : 0);

    std::map<std::string_view, QGridLayout*> panelGrids;
    bool anyScrollingPanel = false;
    for (const auto& field : fields_) {
        const PreferenceRow& row = field->row;
        if (row.page != page) continue;
        QGridLayout* grid = pageGrid;
        if (!row.panel.empty()) {
            auto found = panelGrids.find(row.panel);
            if (found == panelGrids.end()) {
                auto* panel = new QWidget;
                QGridLayout* panelGrid = NewGrid(panel);
                const bool scrolls = PanelScrolls(row.panel);
                anyScrollingPanel = anyScrollingPanel || scrolls;
                QWidget* shown = scrolls ? Scrolled(panel) : panel;
                shown->setVisible(false);
                layout->addWidget(shown, scrolls ? 1 : 0);
                panels_[{page, std::string(row.panel)}] = shown;
                found = panelGrids.emplace(row.panel, panelGrid).first;
            }
            grid = found->second;
        }
        BuildRow(*field, grid);
        labelled.push_back(field.get());
    }
    // The rows stay at the top; a scrolling panel, while shown, takes the room instead.
    if (!pageScrolls) layout->addStretch(anyScrollingPanel ? 0 : 1);
    for (auto& [name, grid] : panelGrids) grid->setRowStretch(grid->rowCount(), 1);
    return pageWidget;
}

void PreferencesDialog::BuildRow(PreferenceField& field, QGridLayout* grid) {
    field.Place(grid, grid->count() == 0 ? 0 : grid->rowCount());
    // The rules follow lists and checkboxes; other controls change no rule's outcome.
    if (auto* list = qobject_cast<QComboBox*>(field.control)) {
        connect(list, &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
    } else if (auto* check = qobject_cast<QCheckBox*>(field.control)) {
        connect(check, &QCheckBox::toggled, this, [this] { ApplyRules(); });
    }
    // These "..." buttons fill more than their own row.
    if (field.row.control == PreferenceControl::ImageFile) {
        connect(field.button, &QAbstractButton::clicked, this, [this] { ChooseWatermarkImage(); });
    } else if (field.row.control == PreferenceControl::FontList) {
        connect(field.button, &QAbstractButton::clicked, this, [this] { ChooseFont(); });
    }
}

PreferencesPage PreferencesDialog::CurrentPage() const {
    return static_cast<PreferencesPage>(stack_->currentIndex());
}

QString PreferencesDialog::HeaderText() const {
    return header_->text();
}

QWidget* PreferencesDialog::PageWidget(PreferencesPage page) const {
    return pages_.at(static_cast<std::size_t>(page));
}

PreferenceField* PreferencesDialog::Find(std::string_view group, std::string_view key) const {
    const PreferenceRow* row = FindPreferenceRow(group, key);
    if (row == nullptr) return nullptr;
    return fields_[static_cast<std::size_t>(row - PreferenceRows().data())].get();
}

QWidget* PreferencesDialog::Control(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr ? field->control : nullptr;
}
QComboBox* PreferencesDialog::UnitList(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr ? field->unit : nullptr;
}
QSlider* PreferencesDialog::Slider(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr ? field->slider : nullptr;
}
QAbstractButton* PreferencesDialog::Button(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr ? field->button : nullptr;
}

bool PreferencesDialog::RowEnabled(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr && field->control->isEnabled();
}

bool PreferencesDialog::RowShown(std::string_view group, std::string_view key) const {
    const PreferenceField* field = Find(group, key);
    return field != nullptr && field->label->isVisibleTo(PageWidget(field->row.page));
}

void PreferencesDialog::FollowEdits(const PreferenceField& field) {
    const auto edited = [this] { UpdatePreview(); };
    for (QWidget* widget : field.Widgets()) {
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            connect(list, &QComboBox::currentIndexChanged, this, edited);
            connect(list, &QComboBox::editTextChanged, this, edited);
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            connect(line, &QLineEdit::textChanged, this, edited);
        } else if (auto* number = qobject_cast<QSpinBox*>(widget)) {
            connect(number, &QSpinBox::valueChanged, this, edited);
        } else if (auto* real = qobject_cast<QDoubleSpinBox*>(widget)) {
            connect(real, &QDoubleSpinBox::valueChanged, this, edited);
        } else if (auto* date = qobject_cast<QDateTimeEdit*>(widget)) {
            connect(date, &QDateTimeEdit::dateTimeChanged, this, edited);
        } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
            connect(slider, &QSlider::valueChanged, this, edited);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            // Check boxes, and swatches and "..." buttons whose dialogs change a value.
            connect(button, &QAbstractButton::toggled, this, edited);
            connect(button, &QAbstractButton::clicked, this, edited);
        }
    }
}

ConversionSettings PreferencesDialog::CurrentSettings() const {
    ConversionSettings current = context_.state.settings;
    StoreFields(current);
    return current;
}

void PreferencesDialog::StoreFields(ConversionSettings& settings) const {
    // Compared bit for bit: a kept gamma that is not a number is no change either.
    const auto adjustments = [&settings] {
        return std::tuple{settings.imageBrightness, settings.imageContrast,
                          std::bit_cast<uint32_t>(settings.imageGamma), settings.imageInvert};
    };
    const auto adjustmentsBefore = adjustments();
    for (const auto& field : fields_)
        if (field.get() != keptUpdateRange_) field->Store(settings);
    if (adjustments() != adjustmentsBefore)
        settings.doImageColorCorrection = ColorCorrectionNeeded(settings);
}

void PreferencesDialog::ShowPreview(bool shown) {
    if (shown && preview_ == nullptr) {
        preview_ = new PreviewPanel(context_, previewInputs_);
        top_->addWidget(preview_);
    }
    const int panelWidth =
        std::max(kPreviewMinWidth, fontMetrics().averageCharWidth() * kPreviewChars);
    const bool wasShown = preview_ != nullptr && !preview_->isHidden();
    if (preview_ != nullptr) {
        preview_->setFixedWidth(panelWidth);
        preview_->setVisible(shown);
    }
    // The layout's minimum follows the panel now, not at its next turn.
    if (layout() != nullptr) layout()->activate();
    // The size the dialog has is kept: it grows by the panel's width when the panel appears
    // and gives that back when it goes.
    const int extra = panelWidth + top_->spacing();
    const int width = this->width() + (shown == wasShown ? 0 : shown ? extra : -extra);
    setMinimumSize(
        QSize(kClientWidth + (shown ? extra : 0), kClientHeight).expandedTo(minimumSizeHint()));
    resize(std::max(width, minimumWidth()), std::max(height(), minimumHeight()));
    UpdatePreview();
}

void PreferencesDialog::UpdatePreview() {
    if (loading_ || preview_ == nullptr || preview_->isHidden()) return;
    preview_->Update(CurrentSettings());
}

void PreferencesDialog::done(int result) {
    // Nothing of the preview outlives the dialog: its worker is joined before the dialog ends.
    if (preview_ != nullptr) preview_->Stop();
    context_.lastPreferencesPage = CurrentPage();
    QDialog::done(result);
}

void PreferencesDialog::Confirm() {
    ConversionSettings& settings = context_.state.settings;
    const std::string oldTheme = settings.uiTheme;
    const int32_t oldSize = settings.uiSize;
    StoreFields(settings);
    Finish(oldTheme, oldSize);
}

void PreferencesDialog::ResetToDefaults() {
    TextTable& texts = context_.state.texts;
    if (!AskYesNo(context_.dialogs, texts.Text("Msg", "Reset to Defaults"),
                  texts.Text("Msg", "Ask reset to defaults"), MessageIcon::Question,
                  MessageButtons::YesNoDefaultNo)) {
        return;
    }
    // The reload compares with the theme and size in use, not with a choice shown but not
    // confirmed.
    ConversionSettings& settings = context_.state.settings;
    const std::string oldTheme = settings.uiTheme;
    const int32_t oldSize = settings.uiSize;
    QSize desktop;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) desktop = screen->size();
    SetDefaults(settings, DefaultsFor::Desktop, context_.state.formats, desktop.width(),
                desktop.height());
    Finish(oldTheme, oldSize);
}

void PreferencesDialog::Finish(const std::string& oldTheme, int32_t oldSize) {
    const ConversionSettings& settings = context_.state.settings;
    // A new theme reloads every icon, which covers a new size too.
    ThemeReload reload = ThemeReload::None;
    if (settings.uiTheme != oldTheme) {
        reload = ThemeReload::Theme;
    } else if (settings.uiSize != oldSize) {
        reload = ThemeReload::IconSize;
    }
    // The file is rewritten quietly; a failed save leaves the old file as it was.
    SaveSettings(context_.state.settings, context_.state.formats);
    outcome_.saved = true;
    outcome_.reload = reload;
    outcome_.outputFormat = context_.state.settings.outputFormat;
    accept();
}

}  // namespace pictorb
