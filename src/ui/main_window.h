#pragma once
// The main window: menu bar, main toolbar, status bar, the input file field, the output
// folder and format lists, the Convert button, and the command table behind all of them.

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/command_actions.h"

class QAction;
class QCloseEvent;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
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

    QLineEdit* InputField() const { return inputField_; }
    QComboBox* OutputFolderField() const { return outputFolderField_; }
    QComboBox* OutputFormatList() const { return outputFormatList_; }
    QToolButton* ConvertButton() const { return convertButton_; }
    QToolBar* MainToolbar() const { return mainToolbar_; }
    // The actions every command placed; enable, disable, show or hide commands here.
    CommandActions& Commands() { return commands_; }

    // Input file and output folders (the window's steps around the core).
    bool AddInputFile(const std::string& path);
    // Puts the accepted ones of `paths` (folders, and files by AddInputFile's rule) into the
    // input field, after what it holds with `add`, in its place otherwise. An empty output
    // folder field takes the first one's folder. False when none was accepted.
    bool AddInputs(const std::vector<std::string>& paths, bool add);
    // Files and folders dropped on the window: AddInputs, adding when Ctrl was held.
    bool AddDroppedFiles(const std::vector<std::string>& files, bool add = false);
    // The file dialog with several selection, and the folder dialog, for the input field.
    bool ChooseInputFiles();
    bool ChooseInputFolder();
    void ChooseOutputFolder();
    // Makes `folder` the job's output folder and the first of the recent ones, and refills
    // the list.
    void UseOutputFolder(const std::string& folder);
    void FillOutputFolderList();
    void StartNew();
    // The output format key of the selected entry of the format list ("psd").
    std::string SelectedOutputFormat() const;
    void SelectOutputFormat(const std::string& key);

    // After the preferences dialog: reloads what context.themeReload asks for, rebuilds the
    // menus and toolbars, puts the images back on the controls, selects `Format`, and
    // refills the folder list when its length differs from "Out Folders Number".
    void ApplyPreferences();
    // Menus, toolbars and control images from the icon sets as they are now.
    void RebuildMenusAndToolbars();
    void ApplyThemeToControls();

    // Runs the layout rule for the current client size.
    void LayOut();

    // The exit sequence's geometry rule: writes the window state into the settings record.
    void StoreGeometry();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Drags over the fields go to the window's own handlers above.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildMainMenu();
    void BuildMainToolbar();
    void BuildFieldToolbars();
    // Grows the window's fixed height and least width with the main toolbar's icons.
    void FitToMainToolbar();
    void NameFieldsForScreenReaders();
    // Return in a path field: Convert, unless a conversion is running.
    void ConvertOnReturn();
    void OpenFirstMenu();
    void FillOutputFormatList();
    // Selects the folder entry whose text the field shows, or none.
    void MatchFolderEntryToText();
    // An empty output folder field takes the folder of -i, or else `inputFolder`.
    void TakeOutputFolderFrom(const std::string& inputFolder);
    // A new action of `command` with its image from `icons`, owned by `parent`.
    QAction* AddCommandAction(int32_t command, const IconSet& icons, QObject* parent);

    DesktopContext& context_;
    CommandActions commands_;
    QWidget* container_ = nullptr;
    QLineEdit* inputField_ = nullptr;
    QComboBox* outputFolderField_ = nullptr;
    QComboBox* outputFormatList_ = nullptr;
    QToolButton* convertButton_ = nullptr;
    QLabel* notice_ = nullptr;
    QToolBar* mainToolbar_ = nullptr;
    std::vector<QToolBar*> fieldToolbars_;
    std::vector<QLabel*> labels_;
    QString menuLetters_;  // the menus' mnemonics, which the field labels leave free
};

}  // namespace pictorb
