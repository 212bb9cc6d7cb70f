// The main window driven from the keyboard alone: menu mnemonics and F10, the field labels'
// mnemonics, Tab through the fields and their buttons, Return to convert.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

class MainWindowKeyboardTest : public ::testing::Test {
  protected:
    MainWindowKeyboardTest() {
        window.PrepareForStart();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // The menu open after `press`, closed again; nullptr when none opened.
    QMenu* MenuOpenedBy(const std::function<void()>& press) {
        press();
        QApplication::processEvents();
        QAction* active = window.menuBar()->activeAction();
        QMenu* menu = active != nullptr ? active->menu() : nullptr;
        const bool shown = menu != nullptr && menu->isVisible();
        if (menu != nullptr) menu->close();
        window.menuBar()->setActiveAction(nullptr);
        return shown ? menu : nullptr;
    }

    DesktopFixture fixture;
    MainWindow window{fixture.context};
};

TEST_F(MainWindowKeyboardTest, AltLettersAndF10OpenTheMenus) {
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    const std::pair<Qt::Key, int> letters[] = {{Qt::Key_F, 0}, {Qt::Key_C, 1}, {Qt::Key_H, 2}};
    for (const auto& [key, index] : letters) {
        SCOPED_TRACE(menus[index]->text().toStdString());
        EXPECT_EQ(MenuOpenedBy([&] { QTest::keyClick(&window, key, Qt::AltModifier); }),
                  menus[index]->menu());
        // Within a menu each item has a letter of its own.
        QSet<QChar> items;
        for (QAction* item : menus[index]->menu()->actions()) {
            if (item->isSeparator()) continue;
            const qsizetype mark = item->text().indexOf('&');
            ASSERT_GE(mark, 0) << item->text().toStdString();
            EXPECT_FALSE(items.contains(item->text()[mark + 1].toLower()));
            items.insert(item->text()[mark + 1].toLower());
        }
    }
    EXPECT_EQ(MenuOpenedBy([&] { QTest::keyClick(&window, Qt::Key_F10); }), menus[0]->menu());
}

TEST_F(MainWindowKeyboardTest, FieldLabelsMoveToTheirFields) {
    QWidget* fields[] = {window.InputField(), window.OutputFolderField(),
                         window.OutputFormatList()};
    for (QWidget* field : fields) {
        QLabel* label = nullptr;
        for (QLabel* candidate : window.centralWidget()->findChildren<QLabel*>())
            if (candidate->buddy() == field) label = candidate;
        ASSERT_NE(label, nullptr) << field->objectName().toStdString();
        SCOPED_TRACE(label->text().toStdString());
        const qsizetype mark = label->text().indexOf('&');
        ASSERT_GE(mark, 0);
        window.ConvertButton()->setFocus();
        const int letter = label->text()[mark + 1].toUpper().unicode();
        QTest::keyClick(&window, static_cast<Qt::Key>(letter), Qt::AltModifier);
        EXPECT_TRUE(field->hasFocus());
        EXPECT_EQ(window.menuBar()->activeAction(), nullptr) << "a menu took the letter";
    }
}

TEST_F(MainWindowKeyboardTest, TabRunsThroughEachFieldAndItsButtons) {
    QWidget* fields[] = {window.InputField(), window.OutputFolderField(),
                         window.OutputFormatList()};
    const QList<QToolBar*> toolbars = window.centralWidget()->findChildren<QToolBar*>();
    ASSERT_EQ(toolbars.size(), 3);
    std::vector<QWidget*> expected;
    for (int row = 0; row < 3; ++row) {
        expected.push_back(fields[row]);
        for (QAction* action : toolbars[row]->actions())
            expected.push_back(toolbars[row]->widgetForAction(action));
    }
    expected.push_back(window.ConvertButton());
    window.InputField()->setFocus();
    for (std::size_t step = 1; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(expected[step]->hasFocus()) << "step " << step;
    }
}

TEST_F(MainWindowKeyboardTest, ReturnInAPathFieldConverts) {
    QWidget* fields[] = {window.InputField(), window.OutputFolderField()};
    for (QWidget* field : fields) {
        SCOPED_TRACE(field->metaObject()->className());
        fixture.dialogs.asked.clear();
        field->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // Nothing to convert yet: Convert says so.
        ASSERT_EQ(fixture.dialogs.asked.size(), 1u);
        EXPECT_NE(fixture.dialogs.asked[0].text.find("input file"), std::string::npos);
    }
}

// With out3/ among the recent folders, typing "out" must not turn into out3/: the field keeps
// what was typed, and Return or F5 convert into exactly that folder.
TEST_F(MainWindowKeyboardTest, TypedFolderIsNeverCompletedIntoARecentOne) {
    const std::string typed = fixture.dir.Join("out");
    const std::string recent = typed + "3/";
    std::filesystem::create_directories(typed);
    std::filesystem::create_directories(recent);
    testsupport::BmpSpec spec;
    spec.width = spec.height = 2;
    spec.pixels.assign(4, testsupport::Rgba{10, 20, 30, 255});
    const std::vector<uint8_t> bytes = testsupport::MakeBmp(spec);
    WriteBytes(fixture.dir.Join("photo.bmp"), std::string(bytes.begin(), bytes.end()));
    // The progress dialog closes itself once its worker ended.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = window.findChild<ProgressDialog*>();
        if (dialog != nullptr && dialog->isVisible() && dialog->WorkerEnded()) dialog->accept();
    });
    closer.start(5);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_F5}) {
        SCOPED_TRACE(key == Qt::Key_F5 ? "F5" : "Return");
        std::filesystem::remove(typed + "/photo.psd");
        window.Fields().UseOutputFolder(recent);
        window.InputField()->setText(QString::fromStdString(fixture.dir.Join("photo.bmp")));
        QLineEdit* edit = window.OutputFolderField()->lineEdit();
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QString::fromStdString(typed));
        EXPECT_EQ(window.OutputFolderField()->currentText().toStdString(), typed);
        QTest::keyClick(edit, key);
        EXPECT_TRUE(std::filesystem::exists(typed + "/photo.psd"));
        EXPECT_FALSE(std::filesystem::exists(recent + "photo.psd"));
    }
}

}  // namespace
}  // namespace pictorb::test
