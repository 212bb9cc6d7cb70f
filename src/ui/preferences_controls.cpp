// Building, loading and writing back the controls of the preferences dialog: one switch per
// step over the binding table's control kinds.

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "formats/formats.h"
#include "settings/settings_fields.h"
#include "text/utf8.h"
#include "themes/themes.h"
#include "ui/preferences_dialog.h"

namespace pictorb {
namespace {

using C = PreferenceControl;

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

double ReadNumber(const ConversionSettings& settings, const SettingsField& field) {
    return std::visit(
        [&](auto member) -> double {
            using Value = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                return 0;
            } else {
                return static_cast<double>(settings.*member);
            }
        },
        field.member);
}

void WriteNumber(ConversionSettings& settings, const SettingsField& field, double value) {
    std::visit(
        [&](auto member) {
            using Value = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, float>) {
                settings.*member = static_cast<float>(value);
            } else if constexpr (!std::is_same_v<Value, std::string>) {
                settings.*member = static_cast<Value>(static_cast<int64_t>(value));
            }
        },
        field.member);
}

std::string ReadText(const ConversionSettings& settings, const SettingsField& field) {
    const auto* member = std::get_if<std::string ConversionSettings::*>(&field.member);
    return member != nullptr ? settings.**member : std::string();
}

void WriteText(ConversionSettings& settings, const SettingsField& field, std::string text) {
    if (const auto* member = std::get_if<std::string ConversionSettings::*>(&field.member)) {
        settings.** member = std::move(text);
    }
}

QColor ColourOf(std::string_view text) {
    const std::string rrggbb = NormalizeColour(text);
    return QColor(QString::fromStdString("#" + rrggbb));
}

QIcon Swatch(std::string_view text) {
    QPixmap pixmap(16, 16);
    pixmap.fill(ColourOf(text));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

QIcon IconOf(const IconImage& image) {
    if (image.Empty()) return {};
    const QImage view(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                      image.height, image.width * 4, QImage::Format_ARGB32);
    return QIcon(QPixmap::fromImage(view.copy()));
}

int SliderPosition(const PreferenceRow& row, double value) {
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

double SliderValue(const PreferenceRow& row, int position) {
    switch (row.scale) {
        case PreferenceScale::Offset100:
            return position - 100;
        case PreferenceScale::Hundredths:
            return static_cast<float>(position) / 100.0f;
        case PreferenceScale::Plain:
            break;
    }
    return position;
}

// Selects an entry, or none for an index the list does not hold: writing back then keeps
// the setting as it was instead of turning a hand-edited value into another.
void SelectIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

QToolButton* DotsButton() {
    auto* button = new QToolButton;
    button->setText("...");
    return button;
}

}  // namespace

void PreferencesDialog::BuildRow(Bound& bound, QGridLayout* grid) {
    const PreferenceRow& row = *bound.row;
    TextTable& texts = context_.state.texts;
    const int line = grid->count() == 0 ? 0 : grid->rowCount();
    bound.label = new QLabel(Qs(texts.Text("Preferences", row.label)));
    grid->addWidget(bound.label, line, 0);
    QWidget* wide = nullptr;  // a control spanning the second and third columns

    switch (row.control) {
        case C::List:
        case C::Language:
        case C::Theme:
        case C::InputFormat:
        case C::OutputFormat:
        case C::BitDepth: {
            auto* list = new QComboBox;
            if (row.control == C::List) {
                for (std::string_view key : SplitChoices(row.choices)) {
                    list->addItem(Qs(texts.Text("Preferences", key)));
                }
            }
            connect(list, &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
            bound.control = wide = list;
            break;
        }
        case C::Check: {
            auto* check = new QCheckBox;
            connect(check, &QCheckBox::toggled, this, [this] { ApplyRules(); });
            bound.control = wide = check;
            break;
        }
        case C::Number: {
            auto* field = new QLineEdit;
            static const QRegularExpression kDigits("[0-9]{0,10}");
            field->setValidator(new QRegularExpressionValidator(kDigits, field));
            bound.control = field;
            bound.unit = new QComboBox;
            for (std::string_view key : SplitChoices(row.choices)) {
                bound.unit->addItem(Qs(texts.Text("Preferences", key)));
            }
            grid->addWidget(field, line, 1);
            grid->addWidget(bound.unit, line, 2);
            break;
        }
        case C::Slider:
            BuildSlider(bound, grid, line);
            break;
        case C::Text:
            bound.control = wide = new QLineEdit;
            break;
        case C::ImageFile:
        case C::ColourList:
        case C::FontList: {
            if (row.control == C::ImageFile) {
                bound.control = new QLineEdit;
            } else {
                auto* list = new QComboBox;
                list->setIconSize(QSize(16, 16));
                bound.control = list;
            }
            auto* dots = DotsButton();
            bound.button = dots;
            Bound* self = &bound;
            connect(dots, &QToolButton::clicked, this, [this, self] {
                if (self->row->control == C::ImageFile) ChooseWatermarkImage();
                if (self->row->control == C::FontList) ChooseFont();
                if (self->row->control == C::ColourList) AddListColour(*self);
            });
            grid->addWidget(bound.control, line, 1);
            grid->addWidget(dots, line, 2);
            break;
        }
        case C::Colour: {
            auto* box = new QWidget;
            box->setProperty("pictorbRowBox", true);
            auto* boxLayout = new QHBoxLayout(box);
            boxLayout->setContentsMargins(0, 0, 0, 0);
            auto* swatch = new QToolButton;
            swatch->setIconSize(QSize(16, 16));
            auto* text = new QLineEdit;
            text->setReadOnly(true);
            text->setMaxLength(6);
            text->setFixedWidth(text->fontMetrics().horizontalAdvance("WWWWWW") + 12);
            boxLayout->addWidget(swatch);
            boxLayout->addWidget(text);
            boxLayout->addStretch(1);
            bound.control = text;
            bound.button = swatch;
            Bound* self = &bound;
            connect(swatch, &QToolButton::clicked, this,
                    [this, self] { ChooseSwatchColour(*self); });
            connect(text, &QLineEdit::textChanged, swatch, [swatch](const QString& value) {
                swatch->setIcon(Swatch(value.toStdString()));
            });
            wide = box;
            break;
        }
        case C::DateTime: {
            auto* edit = new QDateTimeEdit;
            edit->setTimeSpec(Qt::UTC);  // the setting holds the local wall clock
            edit->setDisplayFormat("yyyy/MM/dd hh:mm");
            // The setting is a 32-bit count of seconds.
            edit->setDateTimeRange(QDateTime::fromSecsSinceEpoch(INT32_MIN, Qt::UTC),
                                   QDateTime::fromSecsSinceEpoch(INT32_MAX, Qt::UTC));
            bound.control = wide = edit;
            break;
        }
    }
    if (wide != nullptr) grid->addWidget(wide, line, 1, 1, 2);
    bound.label->setBuddy(bound.control);
    if (row.hidden) {
        for (QWidget* widget : bound.Widgets()) widget->setVisible(false);
    }
}

void PreferencesDialog::BuildSlider(Bound& bound, QGridLayout* grid, int line) {
    const PreferenceRow& row = *bound.row;
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(row.minimum, row.maximum);
    bound.slider = slider;
    if (row.scale == PreferenceScale::Hundredths) {
        auto* box = new QDoubleSpinBox;
        box->setDecimals(2);
        box->setSingleStep(0.01);
        box->setRange(row.minimum / 100.0, row.maximum / 100.0);
        connect(slider, &QSlider::valueChanged, box,
                [box](int position) { box->setValue(position / 100.0); });
        connect(box, &QDoubleSpinBox::valueChanged, slider, [slider](double value) {
            slider->setValue(static_cast<int>(std::lround(value * 100)));
        });
        bound.control = box;
    } else {
        auto* box = new QSpinBox;
        const int offset = row.scale == PreferenceScale::Offset100 ? 100 : 0;
        box->setRange(row.minimum - offset, row.maximum - offset);
        connect(slider, &QSlider::valueChanged, box,
                [box, offset](int position) { box->setValue(position - offset); });
        connect(box, &QSpinBox::valueChanged, slider,
                [slider, offset](int value) { slider->setValue(value + offset); });
        bound.control = box;
    }
    grid->addWidget(slider, line, 1);
    grid->addWidget(bound.control, line, 2);
}

void PreferencesDialog::LoadRow(Bound& bound) {
    const PreferenceRow& row = *bound.row;
    const ConversionSettings& settings = context_.state.settings;
    const Formats& formats = context_.state.formats;
    TextTable& texts = context_.state.texts;
    const double number = bound.field != nullptr ? ReadNumber(settings, *bound.field) : 0;
    const std::string text = bound.field != nullptr ? ReadText(settings, *bound.field) : "";
    auto* list = qobject_cast<QComboBox*>(bound.control);

    switch (row.control) {
        case C::List:
            SelectIndex(list, static_cast<int>(number));
            break;
        case C::Language:
            list->addItem("English");
            break;
        case C::Theme: {
            const ThemeChoices choices = ListThemeChoices(context_.themes, settings.uiTheme,
                                                          texts.Text("Preferences", "None"));
            for (const std::string& item : choices.items) list->addItem(Qs(item));
            SelectIndex(list, choices.selected);
            break;
        }
        case C::InputFormat:
        case C::OutputFormat: {
            const QIcon icon = IconOf(context_.icons.menu.Image("New"));
            const auto& keys =
                row.control == C::InputFormat ? formats.inputList : formats.outputList;
            for (const std::string& key : keys) list->addItem(icon, Qs(AsciiUpper(key)), Qs(key));
            SelectIndex(list, list->findData(Qs(text)));
            break;
        }
        case C::BitDepth: {
            list->addItem(Qs(texts.Text("Preferences", "Auto")), 0);
            for (const std::string& depth : SplitList(BitDepthList(formats, row.panel))) {
                list->addItem(Qs(depth), NumberFieldValue(depth));
            }
            SelectIndex(list, number == 0 ? 0 : list->findData(static_cast<int>(number)));
            break;
        }
        case C::Check:
            qobject_cast<QCheckBox*>(bound.control)->setChecked(number != 0);
            break;
        case C::Number:
            qobject_cast<QLineEdit*>(bound.control)
                ->setText(QString::number(static_cast<qint64>(number)));
            if (bound.unitField != nullptr) {
                SelectIndex(bound.unit, static_cast<int>(ReadNumber(settings, *bound.unitField)));
            }
            break;
        case C::Slider: {
            const int position = SliderPosition(row, number);
            bound.slider->setValue(position);
            if (auto* box = qobject_cast<QDoubleSpinBox*>(bound.control)) {
                box->setValue(bound.slider->value() / 100.0);
            } else {
                const int offset = row.scale == PreferenceScale::Offset100 ? 100 : 0;
                qobject_cast<QSpinBox*>(bound.control)->setValue(bound.slider->value() - offset);
            }
            break;
        }
        case C::Text:
        case C::ImageFile:
        case C::Colour:
            qobject_cast<QLineEdit*>(bound.control)->setText(Qs(text));
            break;
        case C::ColourList: {
            const std::string chosen = NormalizeColour(text);
            for (const std::string& colour : SplitList(ReadText(settings, *bound.unitField))) {
                const std::string rrggbb = NormalizeColour(colour);
                list->addItem(Swatch(rrggbb), Qs(ColourName(texts, rrggbb)), Qs(rrggbb));
            }
            if (list->findData(Qs(chosen)) < 0) {
                list->addItem(Swatch(chosen), Qs(ColourName(texts, chosen)), Qs(chosen));
            }
            SelectIndex(list, list->findData(Qs(chosen)));
            break;
        }
        case C::FontList:
            for (const std::string& font : SplitList(ReadText(settings, *bound.unitField))) {
                list->addItem(Qs(font));
            }
            if (!text.empty() && list->findText(Qs(text)) < 0) list->addItem(Qs(text));
            SelectIndex(list, list->findText(Qs(text)));
            break;
        case C::DateTime: {
            auto* edit = qobject_cast<QDateTimeEdit*>(bound.control);
            edit->setDateTime(QDateTime::fromSecsSinceEpoch(static_cast<qint64>(number), Qt::UTC));
            break;
        }
    }
}

void PreferencesDialog::StoreRow(const Bound& bound) {
    const PreferenceRow& row = *bound.row;
    if (bound.field == nullptr) return;
    ConversionSettings& settings = context_.state.settings;
    const SettingsField& field = *bound.field;
    auto* list = qobject_cast<QComboBox*>(bound.control);
    const int index = list != nullptr ? list->currentIndex() : -1;

    switch (row.control) {
        case C::List:
            if (index >= 0) WriteNumber(settings, field, index);
            break;
        case C::Language:
            WriteText(settings, field, "en");
            break;
        case C::Theme:
            // Without an installed theme the list shows "None" only; the setting stays.
            if (index >= 0 && !context_.themes.displayNames.empty()) {
                const std::string theme = ThemeAtPosition(context_.themes, index);
                if (!theme.empty()) WriteText(settings, field, theme);
            }
            break;
        case C::InputFormat:
        case C::OutputFormat:
        case C::ColourList:
            if (index >= 0)
                WriteText(settings, field, list->itemData(index).toString().toStdString());
            break;
        case C::FontList:
            if (index >= 0) WriteText(settings, field, list->itemText(index).toStdString());
            break;
        case C::BitDepth:
            if (index >= 0) WriteNumber(settings, field, list->itemData(index).toInt());
            break;
        case C::Check:
            WriteNumber(settings, field,
                        qobject_cast<QCheckBox*>(bound.control)->isChecked() ? 1 : 0);
            break;
        case C::Number:
            WriteNumber(
                settings, field,
                NumberFieldValue(qobject_cast<QLineEdit*>(bound.control)->text().toStdString()));
            if (bound.unitField != nullptr && bound.unit->currentIndex() >= 0) {
                WriteNumber(settings, *bound.unitField, bound.unit->currentIndex());
            }
            break;
        case C::Slider:
            WriteNumber(settings, field, SliderValue(row, bound.slider->value()));
            break;
        case C::Text:
        case C::ImageFile:
            WriteText(
                settings, field,
                CleanFieldText(qobject_cast<QLineEdit*>(bound.control)->text().toStdString()));
            break;
        case C::Colour:
            WriteText(
                settings, field,
                NormalizeColour(qobject_cast<QLineEdit*>(bound.control)->text().toStdString()));
            break;
        case C::DateTime: {
            // The field shows minutes: an unchanged minute keeps the seconds it was loaded with.
            const auto* edit = qobject_cast<QDateTimeEdit*>(bound.control);
            const int64_t loaded = static_cast<int64_t>(ReadNumber(settings, field));
            const int64_t shown = edit->dateTime().toSecsSinceEpoch() / 60 * 60;
            const int64_t loadedMinute = loaded - ((loaded % 60) + 60) % 60;
            if (shown != loadedMinute) WriteNumber(settings, field, static_cast<double>(shown));
            break;
        }
    }
}

}  // namespace pictorb
