// The main window's wiring driven as a user drives it: every menu item, toolbar button and
// shortcut against the command table, and commands switched off or hidden wherever they sit.

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/mnemonics.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_panel.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

// A menu that tells how it would draw an item.
class MenuProbe : public QMenu {
  public:
    using QMenu::initStyleOption;
};

std::vector<int32_t> Placed(const QList<QAction*>& actions) {
    std::vector<int32_t> commands;
    for (const QAction* action : actions)
        commands.push_back(action->isSeparator() ? kSeparator : action->data().toInt());
    return commands;
}

std::vector<int32_t> Listed(std::span<const int32_t> layout) {
    return {layout.begin(), layout.end()};
}

// What a command visibly did: the dialogs it asked, the windows it opened, the status line.
struct Effect {
    std::string status;
    std::vector<std::string> urls;
    std::vector<std::string> messages;
    std::size_t fileDialogs = 0;
    std::vector<std::string> folderDialogs;  // their titles
    std::set<std::string> windows;
    std::string preferencesPage;
    bool previewShown = false;
    std::vector<std::vector<std::string>> fileFilters;
    std::vector<std::string> textPrompts;
    auto operator<=>(const Effect&) const = default;
};

class CommandWiringTest : public ::testing::Test {
  protected:
    CommandWiringTest() {
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QString MenuText(int32_t command) {
        return QString::fromStdString(
            fixture.state.texts.Text("Menu", FindCommand(command)->textKey));
    }

    // Runs `fire` from a clean slate and tells what happened; a preferences dialog it opens
    // is read and cancelled, child windows are closed.
    Effect EffectOf(const std::function<void()>& fire) {
        ScriptedDialogs& dialogs = fixture.dialogs;
        dialogs.opened.clear();
        dialogs.asked.clear();
        dialogs.fileFilters.clear();
        dialogs.folderTitles.clear();
        dialogs.textPrompts.clear();
        dialogs.folders.assign(1, std::nullopt);
        window.SetStatusText("-");
        Effect effect;
        // Polls, since a menu's own event loop may run before the dialog opens.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&effect] {
            if (auto* preferences =
                    qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget())) {
                effect.preferencesPage = preferences->HeaderText().toStdString();
                effect.previewShown =
                    preferences->Preview() != nullptr && preferences->Preview()->isVisible();
                preferences->reject();
            }
        });
        closer.start(5);
        fire();
        closer.stop();
        effect.status = window.StatusText();
        effect.urls = dialogs.opened;
        for (const auto& asked : dialogs.asked) effect.messages.push_back(asked.title);
        effect.fileDialogs = dialogs.fileFilters.size();
        effect.folderDialogs = dialogs.folderTitles;
        effect.fileFilters = dialogs.fileFilters;
        effect.textPrompts = dialogs.textPrompts;
        for (QDialog* child : window.findChildren<QDialog*>()) {
            if (!child->isVisible()) continue;
            effect.windows.insert(child->objectName().toStdString());
            child->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return effect;
    }

    // Clicks the button or menu item that shows `action`, as a user would.
    static void Fire(QAction* action) {
        if (auto* toolbar = qobject_cast<QToolBar*>(action->parent())) {
            QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
        } else if (auto* button = qobject_cast<QToolButton*>(action->parent())) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (auto* menu = qobject_cast<QMenu*>(action->parent())) {
            menu->popup(QPoint(0, 0));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            menu->close();  // a click on a disabled item leaves the menu open
        } else {
            ADD_FAILURE() << "action in an unexpected place";
        }
    }

    DesktopFixture fixture;
    // An update host (nothing listens there), so that "Check For New Version" is placed.
    bool updateHostSet = (fixture.context.updateHost = "127.0.0.1:9", true);
    MainWindow window{fixture.context};
};

TEST_F(CommandWiringTest, MenusAndToolbarsPlaceTheTableCommands) {
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(MenuLayout().size()));
    for (std::size_t i = 0; i < MenuLayout().size(); ++i) {
        const MenuLayoutEntry& entry = MenuLayout()[i];
        SCOPED_TRACE(entry.titleKey);
        QMenu* menu = menus[static_cast<qsizetype>(i)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(Placed(menu->actions()), Listed(entry.commands));
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            const CommandRow* row = FindCommand(action->data().toInt());
            ASSERT_NE(row, nullptr);
            SCOPED_TRACE(row->textKey);
            // The table's text, with a mnemonic added.
            EXPECT_EQ(WithoutMnemonic(action->text()), MenuText(row->command));
            EXPECT_TRUE(action->text().contains('&'));
            EXPECT_FALSE(action->icon().isNull());
            // Without the empty sequence a command without a shortcut may hold.
            QList<QKeySequence> shortcuts =
                QKeySequence::listFromString(QString::fromLatin1(row->shortcut));
            QList<QKeySequence> given = action->shortcuts();
            shortcuts.removeAll(QKeySequence());
            given.removeAll(QKeySequence());
            EXPECT_EQ(given, shortcuts);
            const QKeySequence shortcut = shortcuts.value(0);
            // What Qt draws for the item: its text, then its first shortcut after a tab.
            MenuProbe probe;
            probe.addAction(action);
            QStyleOptionMenuItem option;
            probe.initStyleOption(&option, action);
            EXPECT_EQ(option.text.section('\t', 1), shortcut.toString(QKeySequence::NativeText));
        }
    }

    EXPECT_EQ(Placed(window.MainToolbar()->actions()), Listed(MainToolbarLayout()));
    std::vector<std::vector<int32_t>> fieldCommands, fieldListed;
    for (QToolBar* toolbar : window.centralWidget()->findChildren<QToolBar*>())
        fieldCommands.push_back(Placed(toolbar->actions()));
    for (std::span<const int32_t> commands : FieldToolbarLayout())
        fieldListed.push_back(Listed(commands));
    EXPECT_EQ(fieldCommands, fieldListed);
    for (QToolBar* toolbar : window.findChildren<QToolBar*>()) {
        for (QAction* action : toolbar->actions()) {
            if (action->isSeparator()) continue;
            SCOPED_TRACE(action->text().toStdString());
            EXPECT_EQ(action->toolTip(), MenuText(action->data().toInt()));
            // A second action with the same shortcut would make Qt's shortcut ambiguous.
            EXPECT_TRUE(action->shortcut().isEmpty());
        }
    }
}

TEST_F(CommandWiringTest, EveryShortcutRunsItsCommand) {
    struct Case {
        int32_t command;
        std::function<void()> prepare;
        std::function<bool()> ran;
    };
    ScriptedDialogs& dialogs = fixture.dialogs;
    Effect fired;  // what the last shortcut did, for commands that open a dialog
    const std::vector<Case> cases = {
        {kCommandNew, [&] { window.InputField()->setText("photo.bmp"); },
         [&] { return window.InputField()->text().isEmpty() && window.StatusText() == "Ready"; }},
        {kCommandConvert, [&] { dialogs.asked.clear(); },
         [&] { return dialogs.asked.size() == 1 && window.StatusText() != "Ready"; }},
        // The manual opens, or a message says that it is not installed.
        {kCommandManual,
         [&] {
             dialogs.opened.clear();
             dialogs.asked.clear();
         },
         [&] { return dialogs.opened.size() + dialogs.asked.size() == 1; }},
        {kCommandPreferences, [] {}, [&] { return fired.preferencesPage == "General"; }},
        {kCommandPreview, [] {}, [&] { return fired.previewShown; }},
        // Last: closes the window, which each of its shortcuts does (Alt+X, and Ctrl+Q as in
        // other desktop programs).
        {kCommandExit, [&] { window.show(); }, [&] { return !window.isVisible(); }},
    };
    std::set<int32_t> withShortcut, covered;
    for (const CommandRow& row : CommandTable())
        if (row.shortcut[0] != '\0') withShortcut.insert(row.command);
    for (const Case& c : cases) {
        covered.insert(c.command);
        const QList<QKeySequence> shortcuts =
            QKeySequence::listFromString(QString::fromLatin1(FindCommand(c.command)->shortcut));
        for (const QKeySequence& shortcut : shortcuts) {
            SCOPED_TRACE(shortcut.toString().toStdString());
            c.prepare();
            window.activateWindow();  // again, after a dialog of the case before
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            fired = EffectOf([&] { QTest::keySequence(&window, shortcut); });
            EXPECT_TRUE(c.ran());
        }
    }
    EXPECT_EQ(
        QKeySequence::listFromString(QString::fromLatin1(FindCommand(kCommandExit)->shortcut)),
        (QList<QKeySequence>{QKeySequence("Alt+X"), QKeySequence("Ctrl+Q")}));
    EXPECT_EQ(covered, withShortcut) << "every shortcut of the table needs a case here";
}

TEST_F(CommandWiringTest, MenuItemsAndButtonsRunTheCommandTheyShow) {
    std::set<Effect> distinct;
    std::size_t commands = 0;
    for (const CommandRow& row : CommandTable()) {
        if (row.command == kCommandExit) continue;          // covered by its shortcut
        if (row.command == kCommandProfilesMenu) continue;  // a submenu: the profiles tests
        SCOPED_TRACE(row.textKey);
        const Effect expected = EffectOf([&] { window.RunCommand(row.command); });
        distinct.insert(expected);
        ++commands;
        const std::vector<QAction*> actions = window.Commands().Actions(row.command);
        EXPECT_FALSE(actions.empty());
        for (QAction* action : actions) {
            SCOPED_TRACE(action->parent()->metaObject()->className());
            EXPECT_EQ(EffectOf([&] { Fire(action); }), expected);
        }
    }
    // Each command shows something of its own, so a button wired to another is caught.
    EXPECT_EQ(distinct.size(), commands);
}

TEST_F(CommandWiringTest, SwitchedOffCommandsStaySoEverywhereAndAfterARebuild) {
    CommandActions& commands = window.Commands();
    commands.SetCommandEnabled(kCommandAddInputFile, false);
    commands.SetCommandEnabled(kCommandConvert, false);
    commands.SetCommandVisible(kCommandManual, false);
    for (bool rebuilt : {false, true}) {
        SCOPED_TRACE(rebuilt ? "after a rebuild" : "as built");
        if (rebuilt) window.RebuildMenusAndToolbars();
        // Menu, main toolbar and the field's own button; the old ones are gone.
        const std::vector<QAction*> addFile = commands.Actions(kCommandAddInputFile);
        EXPECT_EQ(addFile.size(), 3u);
        for (QAction* action : addFile) {
            EXPECT_FALSE(action->isEnabled());
            EXPECT_EQ(EffectOf([&] { Fire(action); }).fileDialogs, 0u);
        }
        EXPECT_FALSE(window.ConvertButton()->isEnabled());
        EXPECT_EQ(EffectOf([&] { QTest::keyClick(&window, Qt::Key_F5); }).status, "-");
        for (QAction* action : commands.Actions(kCommandManual)) {
            EXPECT_FALSE(action->isVisible());
            if (auto* toolbar = qobject_cast<QToolBar*>(action->parent())) {
                EXPECT_FALSE(toolbar->widgetForAction(action)->isVisible());
            }
        }
        EXPECT_TRUE(EffectOf([&] { QTest::keyClick(&window, Qt::Key_F1); }).urls.empty());
    }
    commands.SetCommandEnabled(kCommandConvert, true);
    EXPECT_TRUE(window.ConvertButton()->isEnabled());
    EXPECT_EQ(EffectOf([&] { QTest::keyClick(&window, Qt::Key_F5); }).messages.size(), 1u);
}

}  // namespace
}  // namespace pictorb::test
