// What the preferences dialog must not do unasked (change values on OK, change values under
// the wheel, keep fonts after Cancel), how its pages sit, and its keyboard and palette habits.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <tuple>

#include "pipeline/naming.h"
#include "preferences_support.h"
#include "settings/settings.h"
#include "ui/mnemonics.h"
#include "ui/qt_dialogs.h"

namespace pictorb::test {
namespace {

QComboBox* List(PreferencesDialog& dialog, std::string_view group, std::string_view key) {
    return qobject_cast<QComboBox*>(dialog.Control(group, key));
}

// Shows the dialog as the active window, so that focus and shortcuts work as for a user.
void ShowActive(PreferencesDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

// One notch of the wheel, downwards, over the middle of `widget`.
void TurnWheel(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST_F(PreferencesTest, RowsStayAtTheTopWithOrWithoutAPanel) {
    for (int8_t shown : {0, 1}) {
        settings.doFrame = shown;
        settings.doWatermark = shown;
        for (auto [page, group, key] :
             {std::tuple{PreferencesPage::Frame, "Frame", "Do Frame"},
              std::tuple{PreferencesPage::Watermark, "Watermark", "Do Watermark"}}) {
            SCOPED_TRACE(std::string(key) + (shown ? " with its panel" : " set to None"));
            auto dialog = Open(page);
            dialog->show();
            QApplication::processEvents();
            QWidget* row = dialog->Control(group, key);
            EXPECT_LT(row->mapTo(dialog->PageWidget(page), QPoint(0, 0)).y(), 10);
        }
    }
}

TEST_F(PreferencesTest, DefaultsReloadsAgainstTheThemeAndSizeInUse) {
    // In use: Flat, or the small icons; the dialog shows the defaults, not confirmed.
    for (bool theme : {true, false}) {
        SCOPED_TRACE(theme ? "theme" : "icon size");
        settings.uiTheme = theme ? "flat" : "handdrawn";
        settings.uiSize = theme ? 2 : 0;
        auto dialog = Open(PreferencesPage::Interface);
        List(*dialog, "Interface", "UI Theme")->setCurrentText("Hand Drawn");
        List(*dialog, "Interface", "UI Size")->setCurrentIndex(2);
        desktop.dialogs.answers = {MessageAnswer::Yes};
        dialog->ResetToDefaults();
        ASSERT_EQ(settings.uiTheme, "handdrawn");
        ASSERT_EQ(settings.uiSize, 2);
        EXPECT_EQ(dialog->Outcome().reload, theme ? ThemeReload::Theme : ThemeReload::IconSize);
    }
}

TEST_F(PreferencesTest, OkLeavesValuesTheControlsCannotShowAsTheyWere) {
    const std::string longMask = std::string(40000, 'a') + ".%ext%";
    const struct Case {
        const char* name;
        std::function<void()> set;
    } cases[] = {
        {"a mask longer than 32767 characters", [&] { settings.filenameMask = longMask; }},
        {"a colour of seven digits", [&] { settings.imageRotationBackColor = "FF80001"; }},
        {"a gamma that is not a number",
         [&] { settings.imageGamma = std::numeric_limits<float>::quiet_NaN(); }},
        {"an infinite gamma", [&] { settings.imageGamma = INFINITY; }},
        {"a gamma out of range", [&] { settings.imageGamma = 25.0f; }},
        {"a custom time before 1970, not on a minute",
         [&] {
             settings.fileTimestamp = kTimestampCustom;
             settings.customTimestamp = -90;
         }},
        {"a unit no entry has", [&] { settings.imageWidthUnit = 5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.set();
        const auto before = Snapshot();
        auto dialog = Open();
        dialog->Confirm();
        EXPECT_EQ(Changed(before, Snapshot()), std::set<std::string>{});
        SetDefaults(settings, DefaultsFor::Desktop, desktop.state.formats, 1920, 1080);
    }
}

TEST_F(PreferencesTest, ValuesOutsideTheListsShowAsUnknownEntries) {
    settings.doFrame = 7;
    settings.psdBpp = 17;
    settings.imageRotationBackColor = "FF80001";  // the settings file reads this as black
    auto dialog = Open();
    EXPECT_EQ(List(*dialog, "Frame", "Do Frame")->currentText(), "7 (unknown)");
    EXPECT_EQ(List(*dialog, "Output", "PSD BPP")->currentText(), "17 (unknown)");
    EXPECT_EQ(
        qobject_cast<QLineEdit*>(dialog->Control("Transform", "Image Rotation Back Color"))->text(),
        "000000");
    // A choice made replaces the unknown value.
    List(*dialog, "Frame", "Do Frame")->setCurrentIndex(1);
    dialog->Confirm();
    EXPECT_EQ(settings.doFrame, 1);
    EXPECT_EQ(settings.psdBpp, 17);
}

TEST_F(PreferencesTest, TheWheelChangesOnlyTheFocusedControl) {
    settings.doImageResize = 1;
    settings.doImageRotation = 1;
    settings.imageRotation = 90;
    auto dialog = Open(PreferencesPage::Transform);
    ShowActive(*dialog);
    QComboBox* list = List(*dialog, "Transform", "Image Resize Algorithm");
    QSlider* slider = dialog->Slider("Transform", "Image Rotation");
    auto* box = qobject_cast<QSpinBox*>(dialog->Control("Transform", "Image Rotation"));
    QScrollBar* bar = dialog->PageWidget(PreferencesPage::Transform)
                          ->findChild<QScrollArea*>()
                          ->verticalScrollBar();
    const auto value = [&] { return std::tuple{list->currentIndex(), slider->value()}; };
    for (QWidget* control : std::initializer_list<QWidget*>{list, slider, box}) {
        SCOPED_TRACE(control->metaObject()->className());
        const auto before = value();
        bar->setValue(0);
        TurnWheel(control);
        EXPECT_EQ(value(), before);
        if (bar->maximum() > 0) {
            EXPECT_GT(bar->value(), 0) << "the page scrolls instead";
        }
        control->setFocus();
        TurnWheel(control);
        EXPECT_NE(value(), before);
    }
}

TEST_F(PreferencesTest, TabNeverStopsOnAScrollingArea) {
    settings.doFrame = 1;
    settings.doWatermark = 1;
    for (PreferencesPage page :
         {PreferencesPage::Transform, PreferencesPage::Frame, PreferencesPage::Watermark}) {
        SCOPED_TRACE(static_cast<int>(page));
        auto dialog = Open(page);
        ShowActive(*dialog);
        for (int press = 0; press < 40; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(qobject_cast<QScrollArea*>(focused), nullptr) << "after " << press + 1;
        }
    }
}

TEST_F(PreferencesTest, FontDialogEffectsAndFontsWaitForOk) {
    ChosenFont underlined;
    underlined.family = "DejaVu Serif";
    underlined.pointSize = 12;
    underlined.underline = true;
    ChosenFont struck = underlined;
    struck.underline = false;
    struck.strikeout = true;
    const std::string fonts = settings.fonts;
    auto dialog = Open(PreferencesPage::Watermark);
    QComboBox* effect = List(*dialog, "Watermark", "Font Effect");
    desktop.dialogs.fonts = {underlined, struck};
    dialog->Button("Watermark", "Font")->click();
    EXPECT_EQ(effect->currentIndex(), kFontEffectUnderline);
    dialog->Button("Watermark", "Font")->click();
    EXPECT_EQ(effect->currentIndex(), kFontEffectStrikeout);
    EXPECT_EQ(settings.fonts, fonts);
    dialog->reject();
    EXPECT_EQ(settings.fonts, fonts);
    EXPECT_EQ(settings.fontEffect, kFontEffectNone);

    dialog = Open(PreferencesPage::Watermark);
    desktop.dialogs.fonts = {struck};
    dialog->Button("Watermark", "Font")->click();
    dialog->Confirm();
    EXPECT_EQ(settings.fonts, fonts + ",DejaVu Serif");
    EXPECT_EQ(settings.font, "DejaVu Serif");
    EXPECT_EQ(settings.fontEffect, kFontEffectStrikeout);
}

TEST(QtFontDialog, OkOnTheFallbackOfAMissingFontKeepsTheFont) {
    EnsureApplication();
    QtDialogs dialogs;
    ChosenFont missing;
    missing.family = "No Such Font Family";
    missing.pointSize = 14;
    const auto acceptTheDialog = [] {
        QTimer::singleShot(50, [] {
            if (auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget()))
                dialog->accept();
        });
    };
    acceptTheDialog();
    const std::optional<ChosenFont> kept = dialogs.ChooseFont(missing);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->family, missing.family);
    EXPECT_EQ(kept->pointSize, 14);
    // An installed font comes back as chosen.
    ChosenFont installed = missing;
    installed.family = QFontDatabase::families().value(0).toStdString();
    acceptTheDialog();
    const std::optional<ChosenFont> chosen = dialogs.ChooseFont(installed);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->family, installed.family);
}

TEST_F(PreferencesTest, HeaderStripFollowsADarkPalette) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    const QPalette before = QApplication::palette();
    QApplication::setPalette(dark);
    auto dialog = Open();
    auto* header = dialog->findChild<QLabel*>("pageHeader");
    ASSERT_NE(header, nullptr);
    const QPalette shown = header->palette();
    EXPECT_EQ(shown.color(header->backgroundRole()), dark.color(QPalette::Base));
    EXPECT_EQ(shown.color(header->foregroundRole()), dark.color(QPalette::Text));
    QApplication::setPalette(before);
}

TEST_F(PreferencesTest, TooltipsMnemonicsAndF1) {
    auto dialog = Open(PreferencesPage::Watermark);
    const QString mask = dialog->Control("Advanced", "Filename Mask")->toolTip();
    for (std::string_view token : kMaskTokens)
        EXPECT_TRUE(mask.contains(QString::fromUtf8(token.data(), token.size()))) << token;
    const QString text = dialog->Control("Watermark", "Text")->toolTip();
    for (const char* token : {"%eol%", "%width%", "%height%", "%bpp%"})
        EXPECT_TRUE(text.contains(token)) << token;
    EXPECT_TRUE(dialog->Control("Transform", "Image Resize Type")->toolTip().contains("Large"));

    // Every label of a page has a letter of its own that moves to its control.
    for (std::size_t page = 0; page < PreferencePageKeys().size(); ++page) {
        SCOPED_TRACE(PreferencePageKeys()[page]);
        QSet<QChar> letters;
        for (QLabel* label :
             dialog->PageWidget(static_cast<PreferencesPage>(page))->findChildren<QLabel*>()) {
            const qsizetype mark = label->text().indexOf('&');
            if (mark < 0) continue;
            EXPECT_FALSE(letters.contains(label->text()[mark + 1].toLower()))
                << label->text().toStdString();
            letters.insert(label->text()[mark + 1].toLower());
            EXPECT_NE(label->buddy(), nullptr);
        }
        EXPECT_GE(letters.size(), 1);
    }

    ShowActive(*dialog);
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    // The manual opens at the page's section, or a message says that it is not installed.
    const bool opened = desktop.dialogs.opened.size() == 1 &&
                        desktop.dialogs.opened[0].ends_with("index.html#watermark");
    const bool missing = desktop.dialogs.asked.size() == 1 &&
                         desktop.dialogs.asked[0].text.find("manual") != std::string::npos;
    EXPECT_TRUE(opened || missing);
}

}  // namespace
}  // namespace pictorb::test
