#include "ui/preference_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "formats/formats.h"
#include "settings/settings_fields.h"
#include "text/texts.h"
#include "text/utf8.h"
#include "themes/themes.h"
#include "ui/builtin_icons.h"
#include "ui/desktop_context.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

using C = PreferenceControl;

double ReadNumber(const ConversionSettings& settings, const SettingsField* field) {
    if (field == nullptr) return 0;
    return std::visit(
        [&](auto member) -> double {
            using Value = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                return 0;
            } else {
                return static_cast<double>(settings.*member);
            }
        },
        field->member);
}

void WriteNumber(ConversionSettings& settings, const SettingsField* field, double value) {
    if (field == nullptr) return;
    std::visit(
        [&](auto member) {
            using Value = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, float>) {
                settings.*member = static_cast<float>(value);
            } else if constexpr (!std::is_same_v<Value, std::string>) {
                settings.*member = static_cast<Value>(static_cast<int64_t>(value));
            }
        },
        field->member);
}

std::string* TextMember(ConversionSettings& settings, const SettingsField* field) {
    if (field == nullptr) return nullptr;
    const auto* member = std::get_if<std::string ConversionSettings::*>(&field->member);
    return member != nullptr ? &(settings.**member) : nullptr;
}

std::string ReadText(const ConversionSettings& settings, const SettingsField* field) {
    if (field == nullptr) return {};
    const auto* member = std::get_if<std::string ConversionSettings::*>(&field->member);
    return member != nullptr ? settings.**member : std::string();
}

void WriteText(ConversionSettings& settings, const SettingsField* field, std::string text) {
    if (std::string* member = TextMember(settings, field)) *member = std::move(text);
}

// Selects an entry, or none for an index the list does not hold: writing back then keeps
// the setting as it was instead of turning a hand-edited value into another.
void SelectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// Marks the extra entry that shows a stored value the list does not offer.
constexpr int kUnknownRole = Qt::UserRole + 1;
// Marks a font the font dialog added to the list since the preferences opened.
constexpr int kAddedFontRole = Qt::UserRole + 2;

// Selects an entry; a stored value the list does not hold (a hand-edited file) is shown as an
// extra entry marked unknown rather than as a blank list, and writing back keeps it.
void SelectOrShowUnknown(QComboBox* list, int index, const QString& stored, TextTable& texts) {
    if (index >= 0 && index < list->count()) {
        list->setCurrentIndex(index);
        return;
    }
    const std::string shown =
        ExpandPlaceholders(texts.Text("Preferences", "Unknown Value"), ToUtf8(stored));
    list->addItem(ToQString(shown));
    list->setItemData(list->count() - 1, true, kUnknownRole);
    list->setCurrentIndex(list->count() - 1);
}

// Whether the list shows one of its own entries, which is then what to store.
bool ShowsChoice(const QComboBox* list) {
    return list->currentIndex() >= 0 && !list->currentData(kUnknownRole).toBool();
}

// The one picture of a colour: a 16 px square with a black border.
QIcon SwatchIcon(std::string_view rrggbb) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(ToQString("#" + NormalizeColour(rrggbb))));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

QToolButton* DotsButton() {
    auto* button = new QToolButton;
    button->setText("...");
    return button;
}

QComboBox* ChoiceList(TextTable& texts, std::string_view choices) {
    auto* list = new QComboBox;
    for (std::string_view key : SplitChoices(choices))
        list->addItem(ToQString(texts.Text("Preferences", key)));
    return list;
}

// A list whose setting holds the chosen position.
class ListField : public PreferenceField {
  public:
    ListField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        control = list_ = ChoiceList(context.state.texts, row.choices);
    }
    void Load(const ConversionSettings& settings) override {
        const double stored = ReadNumber(settings, field_);
        SelectOrShowUnknown(list_, static_cast<int>(stored), QString::number(stored),
                            context_.state.texts);
    }
    void Store(ConversionSettings& settings) const override {
        if (ShowsChoice(list_)) WriteNumber(settings, field_, list_->currentIndex());
    }

  protected:
    QComboBox* list_;
};

class LanguageField : public ListField {
  public:
    using ListField::ListField;
    void Load(const ConversionSettings&) override { list_->addItem("English"); }
    void Store(ConversionSettings& settings) const override { WriteText(settings, field_, "en"); }
};

class ThemeField : public ListField {
  public:
    using ListField::ListField;
    void Load(const ConversionSettings& settings) override {
        const ThemeChoices choices = ListThemeChoices(
            context_.themes, settings.uiTheme, context_.state.texts.Text("Preferences", "None"));
        for (const std::string& item : choices.items) list_->addItem(ToQString(item));
        SelectIndex(list_, choices.selected);
    }
    void Store(ConversionSettings& settings) const override {
        // Without an installed theme the list shows "None" only; the setting stays.
        if (list_->currentIndex() < 0 || context_.themes.displayNames.empty()) return;
        const std::string theme = ThemeAtPosition(context_.themes, list_->currentIndex());
        if (!theme.empty()) WriteText(settings, field_, theme);
    }
};

// Entries carrying their setting's text as item data: formats and colours.
class KeyedListField : public ListField {
  public:
    using ListField::ListField;
    void Store(ConversionSettings& settings) const override {
        if (ShowsChoice(list_))
            WriteText(settings, field_, ToUtf8(list_->currentData().toString()));
    }
};

class FormatField : public KeyedListField {
  public:
    using KeyedListField::KeyedListField;
    void Load(const ConversionSettings& settings) override {
        const Formats& formats = context_.state.formats;
        const QIcon icon = ToQIcon(context_.icons.menu.Image("New"));
        const auto& keys = row.control == C::InputFormat ? formats.inputList : formats.outputList;
        for (const std::string& key : keys)
            list_->addItem(icon, ToQString(AsciiUpper(key)), ToQString(key));
        const QString stored = ToQString(ReadText(settings, field_));
        SelectOrShowUnknown(list_, list_->findData(stored), stored, context_.state.texts);
    }
};

class BitDepthField : public ListField {
  public:
    using ListField::ListField;
    void Load(const ConversionSettings& settings) override {
        list_->addItem(ToQString(context_.state.texts.Text("Preferences", "Auto")), 0);
        for (const std::string& depth : SplitList(BitDepthList(context_.state.formats, row.panel)))
            list_->addItem(ToQString(depth), NumberFieldValue(depth));
        const int depth = static_cast<int>(ReadNumber(settings, field_));
        SelectOrShowUnknown(list_, depth == 0 ? 0 : list_->findData(depth), QString::number(depth),
                            context_.state.texts);
    }
    void Store(ConversionSettings& settings) const override {
        if (ShowsChoice(list_)) WriteNumber(settings, field_, list_->currentData().toInt());
    }
};

// Colours of a list setting with a "..." button that adds one; stores the chosen colour.
class ColourListField : public KeyedListField {
  public:
    ColourListField(const PreferenceRow& row, DesktopContext& context)
        : KeyedListField(row, context) {
        list_->setIconSize(QSize(16, 16));
        button = DotsButton();
        QObject::connect(button, &QAbstractButton::clicked, list_, [this] { AddColour(); });
    }
    void Load(const ConversionSettings& settings) override {
        for (const std::string& colour : SplitList(ReadText(settings, listField_)))
            AddItem(NormalizeColour(colour));
        const std::string chosen = NormalizeColour(ReadText(settings, field_));
        Offer(chosen);
        SelectIndex(list_, list_->findData(ToQString(chosen)));
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {control, button}; }

  private:
    void AddItem(const std::string& rrggbb) {
        list_->addItem(SwatchIcon(rrggbb), ToQString(ColourName(context_.state.texts, rrggbb)),
                       ToQString(rrggbb));
    }
    // The position of a colour, added when the list does not offer it yet.
    int Offer(const std::string& rrggbb) {
        const int found = list_->findData(ToQString(rrggbb));
        if (found >= 0) return found;
        AddItem(rrggbb);
        return list_->count() - 1;
    }
    void AddColour() {
        const std::string current = ToUtf8(list_->currentData().toString());
        const std::optional<std::string> chosen =
            context_.dialogs.ChooseColor(current.empty() ? "000000" : current);
        if (!chosen) return;
        const std::string colour = NormalizeColour(*chosen);
        // The list setting changes at once, so the colour stays offered even after Cancel.
        if (std::string* offered = TextMember(context_.state.settings, listField_))
            *offered = AppendIfAbsent(*offered, colour, [](std::string_view a, std::string_view b) {
                return NormalizeColour(a) == NormalizeColour(b);
            });
        list_->setCurrentIndex(Offer(colour));
    }
};

// Fonts of a list setting with a "..." button (the dialog answers it: the font's size,
// style and effect sit in other rows); stores the font's name, and the fonts the button added
// join the list setting (only then, so Cancel forgets them).
class FontListField : public ListField {
  public:
    FontListField(const PreferenceRow& row, DesktopContext& context) : ListField(row, context) {
        button = DotsButton();
    }
    void Load(const ConversionSettings& settings) override {
        for (const std::string& font : SplitList(ReadText(settings, listField_)))
            list_->addItem(ToQString(font));
        const QString chosen = ToQString(ReadText(settings, field_));
        if (!chosen.isEmpty() && list_->findText(chosen) < 0) list_->addItem(chosen);
        SelectIndex(list_, list_->findText(chosen));
    }
    void Store(ConversionSettings& settings) const override {
        if (list_->currentIndex() >= 0) WriteText(settings, field_, ToUtf8(list_->currentText()));
        std::string* offered = TextMember(settings, listField_);
        for (int i = 0; offered != nullptr && i < list_->count(); ++i) {
            if (!list_->itemData(i, kAddedFontRole).toBool()) continue;
            *offered =
                AppendIfAbsent(*offered, ToUtf8(list_->itemText(i)),
                               [](std::string_view a, std::string_view b) { return a == b; });
        }
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {control, button}; }
};

class CheckField : public PreferenceField {
  public:
    CheckField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        control = check_ = new QCheckBox;
    }
    void Load(const ConversionSettings& settings) override {
        check_->setChecked(ReadNumber(settings, field_) != 0);
    }
    void Store(ConversionSettings& settings) const override {
        WriteNumber(settings, field_, check_->isChecked() ? 1 : 0);
    }

  private:
    QCheckBox* check_;
};

// Digits with a unit list, which has its own setting or shows a single fixed unit.
class NumberField : public PreferenceField {
  public:
    NumberField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        control = text_ = new QLineEdit;
        static const QRegularExpression kDigits("[0-9]{0,10}");
        text_->setValidator(new QRegularExpressionValidator(kDigits, text_));
        unit = ChoiceList(context.state.texts, row.choices);
    }
    void Load(const ConversionSettings& settings) override {
        text_->setText(QString::number(static_cast<qint64>(ReadNumber(settings, field_))));
        if (listField_ != nullptr) {
            const double stored = ReadNumber(settings, listField_);
            SelectOrShowUnknown(unit, static_cast<int>(stored), QString::number(stored),
                                context_.state.texts);
        }
    }
    void Store(ConversionSettings& settings) const override {
        WriteNumber(settings, field_, NumberFieldValue(ToUtf8(text_->text())));
        if (listField_ != nullptr && ShowsChoice(unit))
            WriteNumber(settings, listField_, unit->currentIndex());
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {control, unit}; }

  private:
    QLineEdit* text_;
};

// A slider with a number box showing the value; the row's scale relates the two, here only.
class SliderField : public PreferenceField {
  public:
    SliderField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        slider = new QSlider(Qt::Horizontal);
        slider->setRange(row.minimum, row.maximum);
        if (row.scale == PreferenceScale::Hundredths) {
            auto* box = new QDoubleSpinBox;
            box->setDecimals(2);
            box->setSingleStep(0.01);
            box->setRange(ValueAt(row.minimum), ValueAt(row.maximum));
            QObject::connect(slider, &QSlider::valueChanged, box,
                             [this, box](int position) { box->setValue(ValueAt(position)); });
            QObject::connect(box, &QDoubleSpinBox::valueChanged, slider,
                             [this](double value) { slider->setValue(PositionOf(value)); });
            control = box;
        } else {
            auto* box = new QSpinBox;
            box->setRange(static_cast<int>(ValueAt(row.minimum)),
                          static_cast<int>(ValueAt(row.maximum)));
            QObject::connect(slider, &QSlider::valueChanged, box, [this, box](int position) {
                box->setValue(static_cast<int>(ValueAt(position)));
            });
            QObject::connect(box, &QSpinBox::valueChanged, slider,
                             [this](int value) { slider->setValue(PositionOf(value)); });
            control = box;
        }
    }
    void Load(const ConversionSettings& settings) override {
        slider->setValue(PositionOf(ReadNumber(settings, field_)));
        loadedPosition_ = slider->value();
        // The box follows the slider, also when the position did not change.
        if (auto* box = qobject_cast<QDoubleSpinBox*>(control)) {
            box->setValue(ValueAt(slider->value()));
        } else {
            qobject_cast<QSpinBox*>(control)->setValue(static_cast<int>(ValueAt(slider->value())));
        }
    }
    void Store(ConversionSettings& settings) const override {
        // Untouched, a value the slider cannot show (out of range, not a number) stays.
        if (slider->value() != loadedPosition_)
            WriteNumber(settings, field_, ValueAt(slider->value()));
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {slider, control}; }

  private:
    int PositionOf(double value) const {
        if (!std::isfinite(value)) return row.minimum;
        value = std::clamp(value, ValueAt(row.minimum), ValueAt(row.maximum));
        switch (row.scale) {
            case PreferenceScale::Offset100:
                return static_cast<int>(value) + 100;
            case PreferenceScale::Hundredths:
                return static_cast<int>(std::lround(value * 100));
            case PreferenceScale::Plain:
                break;
        }
        return static_cast<int>(value);
    }
    double ValueAt(int position) const {
        switch (row.scale) {
            case PreferenceScale::Offset100:
                return position - 100;
            case PreferenceScale::Hundredths:
                return position / 100.0;
            case PreferenceScale::Plain:
                break;
        }
        return position;
    }

    int loadedPosition_ = 0;
};

// One line of text; an image file's has a "..." button the dialog answers.
class TextField : public PreferenceField {
  public:
    TextField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        control = text_ = new QLineEdit;
        // Qt cuts at 32 767 characters by default, which would shorten a long mask on OK.
        text_->setMaxLength(std::numeric_limits<int>::max());
        if (row.control == C::ImageFile) button = DotsButton();
    }
    void Load(const ConversionSettings& settings) override {
        text_->setText(ToQString(ReadText(settings, field_)));
    }
    void Store(ConversionSettings& settings) const override {
        WriteText(settings, field_, CleanFieldText(ToUtf8(text_->text())));
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {control, button}; }

  private:
    QLineEdit* text_;
};

// A swatch button that opens the colour dialog, and the colour's RRGGBB read-only beside it.
class ColourField : public PreferenceField {
  public:
    ColourField(const PreferenceRow& row, DesktopContext& context) : PreferenceField(row, context) {
        box_ = new QWidget;
        auto* boxLayout = new QHBoxLayout(box_);
        boxLayout->setContentsMargins(0, 0, 0, 0);
        auto* swatch = new QToolButton;
        swatch->setIconSize(QSize(16, 16));
        text_ = new QLineEdit;
        text_->setReadOnly(true);
        text_->setMaxLength(6);
        text_->setFixedWidth(text_->fontMetrics().horizontalAdvance("WWWWWW") + 12);
        boxLayout->addWidget(swatch);
        boxLayout->addWidget(text_);
        boxLayout->addStretch(1);
        control = text_;
        button = swatch;
        QObject::connect(text_, &QLineEdit::textChanged, swatch, [swatch](const QString& value) {
            swatch->setIcon(SwatchIcon(ToUtf8(value)));
        });
        QObject::connect(swatch, &QToolButton::clicked, text_, [this] {
            const std::optional<std::string> colour =
                context_.dialogs.ChooseColor(NormalizeColour(ToUtf8(text_->text())));
            if (colour) text_->setText(ToQString(NormalizeColour(*colour)));
        });
    }
    void Load(const ConversionSettings& settings) override {
        // The colour the setting stands for; a hand-edited spelling stays until a new choice.
        text_->setText(ToQString(NormalizeColour(ReadText(settings, field_))));
        loaded_ = text_->text();
    }
    void Store(ConversionSettings& settings) const override {
        if (text_->text() != loaded_)
            WriteText(settings, field_, NormalizeColour(ToUtf8(text_->text())));
    }

  protected:
    std::pair<QWidget*, QWidget*> Columns() const override { return {box_, nullptr}; }

  private:
    QWidget* box_;
    QLineEdit* text_;
    QString loaded_;
};

// Local date and time to the minute.
class DateTimeField : public PreferenceField {
  public:
    DateTimeField(const PreferenceRow& row, DesktopContext& context)
        : PreferenceField(row, context) {
        control = edit_ = new QDateTimeEdit;
        edit_->setTimeSpec(Qt::UTC);  // the setting holds the local wall clock
        edit_->setDisplayFormat("yyyy/MM/dd hh:mm");
        // The setting is a 32-bit count of seconds.
        edit_->setDateTimeRange(QDateTime::fromSecsSinceEpoch(INT32_MIN, Qt::UTC),
                                QDateTime::fromSecsSinceEpoch(INT32_MAX, Qt::UTC));
    }
    void Load(const ConversionSettings& settings) override {
        edit_->setDateTime(QDateTime::fromSecsSinceEpoch(
            static_cast<qint64>(ReadNumber(settings, field_)), Qt::UTC));
        loaded_ = edit_->dateTime();
    }
    void Store(ConversionSettings& settings) const override {
        // The field shows minutes: untouched, it keeps the seconds it was loaded with.
        if (edit_->dateTime() == loaded_) return;
        const int64_t shown = edit_->dateTime().toSecsSinceEpoch();
        const int64_t minute = shown - ((shown % 60) + 60) % 60;
        WriteNumber(settings, field_, static_cast<double>(minute));
    }

  private:
    QDateTimeEdit* edit_;
    QDateTime loaded_;
};

}  // namespace

void SelectChosenFont(QComboBox* fonts, const QString& family) {
    if (fonts->findText(family) < 0) {
        fonts->addItem(family);
        fonts->setItemData(fonts->count() - 1, true, kAddedFontRole);
    }
    fonts->setCurrentIndex(fonts->findText(family));
}

PreferenceField::PreferenceField(const PreferenceRow& tableRow, DesktopContext& context)
    : row(tableRow), context_(context) {
    if (!row.key.empty()) field_ = FindSettingsField(row.group, row.key);
    if (!row.unitKey.empty()) listField_ = FindSettingsField(row.group, row.unitKey);
    label = new QLabel(ToQString(context.state.texts.Text("Preferences", row.label)));
}

void PreferenceField::Place(QGridLayout* grid, int line) {
    grid->addWidget(label, line, 0);
    const auto [first, second] = Columns();
    if (second == nullptr) {
        grid->addWidget(first, line, 1, 1, 2);
    } else {
        grid->addWidget(first, line, 1);
        grid->addWidget(second, line, 2);
    }
    label->setBuddy(control);
}

std::vector<QWidget*> PreferenceField::Widgets() const {
    const auto [first, second] = Columns();
    std::vector<QWidget*> widgets;
    for (QWidget* widget :
         {static_cast<QWidget*>(label), control, static_cast<QWidget*>(slider),
          static_cast<QWidget*>(unit), static_cast<QWidget*>(button), first, second}) {
        if (widget != nullptr && std::find(widgets.begin(), widgets.end(), widget) == widgets.end())
            widgets.push_back(widget);
    }
    return widgets;
}

std::unique_ptr<PreferenceField> MakePreferenceField(const PreferenceRow& row,
                                                     DesktopContext& context) {
    switch (row.control) {
        case C::List:
            return std::make_unique<ListField>(row, context);
        case C::Language:
            return std::make_unique<LanguageField>(row, context);
        case C::Theme:
            return std::make_unique<ThemeField>(row, context);
        case C::InputFormat:
        case C::OutputFormat:
            return std::make_unique<FormatField>(row, context);
        case C::BitDepth:
            return std::make_unique<BitDepthField>(row, context);
        case C::ColourList:
            return std::make_unique<ColourListField>(row, context);
        case C::FontList:
            return std::make_unique<FontListField>(row, context);
        case C::Check:
            return std::make_unique<CheckField>(row, context);
        case C::Number:
            return std::make_unique<NumberField>(row, context);
        case C::Slider:
            return std::make_unique<SliderField>(row, context);
        case C::Text:
        case C::ImageFile:
            return std::make_unique<TextField>(row, context);
        case C::Colour:
            return std::make_unique<ColourField>(row, context);
        case C::DateTime:
            return std::make_unique<DateTimeField>(row, context);
    }
    return nullptr;
}

}  // namespace pictorb
