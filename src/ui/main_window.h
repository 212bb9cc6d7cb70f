#pragma once
// The main window: menu bar, main toolbar, status bar, the fields' places, the Convert
// button, and the command table behind all of them.

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/command_actions.h"
#include "ui/input_output_fields.h"
#include "ui/preferences_page.h"

class QAction;
class QCloseEvent;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QHBoxLayout;
class QLabel;
class QMenu;
class QResizeEvent;
class QLineEdit;
class QToolBar;
class QToolButton;
class QWidget;

namespace pictorb {

struct DesktopContext;
struct IconSet;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(DesktopContext& context);
    ~MainWindow() override;

    // The contents a start shows: an empty first folder entry when no folder is remembered,
    // then command 0 (New).
    void PrepareForStart();
    // Runs a command of the command table; unknown numbers are ignored.
    void RunCommand(int32_t command);
    void SetStatusText(const std::string& text);
    std::string StatusText() const;

    // The input and output fields, which the window places.
    InputOutputFields& Fields() { return *fields_; }
    QLineEdit* InputField() const { return fields_->InputField(); }
    QComboBox* OutputFolderField() const { return fields_->OutputFolderField(); }
    QComboBox* OutputFormatList() const { return fields_->OutputFormatList(); }
    QToolButton* ConvertButton() const { return convertButton_; }
    QToolBar* MainToolbar() const { return mainToolbar_; }
    // The actions every command placed; enable, disable, show or hide commands here.
    CommandActions& Commands() { return commands_; }

    // Files and folders dropped on the window go into the input field (AddInputs), added to
    // what it holds when Ctrl was held.
    bool AddDroppedFiles(const std::vector<std::string>& files, bool add = false);

    // After the preferences dialog: reloads what context.themeReload asks for, rebuilds the
    // menus and toolbars, puts the images back on the controls, selects `Format`, and
    // refills the folder list when its length differs from "Out Folders Number".
    void ApplyPreferences();
    // The preferences dialog on `page`; with `showPreview` the preview panel is shown.
    void OpenPreferencesOn(PreferencesPage page, bool showPreview);
    // Menus, toolbars and control images from the icon sets as they are now.
    void RebuildMenusAndToolbars();
    void ApplyThemeToControls();

    // The exit sequence's geometry rule: writes the window state into the settings record.
    void StoreGeometry();

  protected:
    void closeEvent(QCloseEvent* event) override;
    // A new desktop font or style refits the window; a new palette recolours the notice.
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Drags over the fields go to the window's own handlers above.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildMainMenu();
    void BuildMainToolbar();
    // The Profiles submenu in `menu`, filled when it opens.
    void AddProfilesMenu(QMenu& menu, QString& itemLetters);
    void BuildFieldToolbars();
    // The window's fixed height and least width: the design's, grown with the main toolbar's
    // icons and with what the layout needs at the user's font.
    void FitWindowToContents();
    // The notice in the window's text colour, its emphasis reduced towards the background.
    void ColourNotice();
    // The fields in their rows' order, top to bottom.
    std::array<QWidget*, 3> FieldRows() const;
    void NameFieldsForScreenReaders();
    // Return in a path field: Convert, unless a conversion is running.
    void ConvertOnReturn();
    void OpenFirstMenu();
    // A new action of `command` with its image from `icons`, owned by `parent`.
    QAction* AddCommandAction(int32_t command, const IconSet& icons, QObject* parent);

    DesktopContext& context_;
    CommandActions commands_;
    QWidget* container_ = nullptr;
    std::unique_ptr<InputOutputFields> fields_;
    QToolButton* convertButton_ = nullptr;
    QLabel* notice_ = nullptr;
    QLabel* statusText_ = nullptr;
    QToolBar* mainToolbar_ = nullptr;
    std::vector<QToolBar*> fieldToolbars_;
    std::array<QHBoxLayout*, 3> fieldRows_{};  // each field with its buttons
    std::vector<QLabel*> labels_;
    QString menuLetters_;  // the menus' mnemonics, which the field labels leave free
};

}  // namespace pictorb
