#pragma once
// The main window's three fields, the input file field, the output folder list and the
// output format list, with their steps around the core: taking inputs, remembering output
// folders, choosing the format. The window places them; the Convert command reads them.

#include <QObject>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace pictorb {

struct DesktopContext;

class InputOutputFields : public QObject {
  public:
    // Makes the fields as children of `parent`, in their order on the window.
    InputOutputFields(DesktopContext& context, QWidget* parent);

    QLineEdit* InputField() const { return inputField_; }
    QComboBox* OutputFolderField() const { return outputFolderField_; }
    QComboBox* OutputFormatList() const { return outputFormatList_; }

    // The inputs the input field names, and the output folder as typed.
    std::vector<std::string> TypedInputs() const;
    std::string TypedOutputFolder() const;
    // The output format key of the selected entry of the format list ("psd").
    std::string SelectedOutputFormat() const;
    void SelectOutputFormat(const std::string& key);

    // An empty first folder entry when no folder is remembered, as a start shows it.
    void PrepareForStart();
    // Command New: a fresh job, both path fields empty, the folder list refilled.
    void StartNew();
    // A file of the command line or "Open With": the job's input, shown in the field.
    bool AddInputFile(const std::string& path);
    // Puts the accepted ones of `paths` (folders, and files by AddInputFile's rule) into the
    // input field, after what it holds with `add`, in its place otherwise. An empty output
    // folder field takes the first one's folder. False when none was accepted.
    bool AddInputs(const std::vector<std::string>& paths, bool add);
    // The file dialog with several selection, and the folder dialog, for the input field.
    bool ChooseInputFiles();
    bool ChooseInputFolder();
    void ChooseOutputFolder();
    // Makes `folder` the job's output folder and the first of the recent ones, and refills
    // the list.
    void UseOutputFolder(const std::string& folder);
    void FillOutputFolderList();

    // After the preferences: selects `Format`, and refills the folder list when its length
    // differs from "Out Folders Number".
    void ApplySettings();
    // The entries' images from the icon sets as they are now.
    void ApplyIcons();

  private:
    void FillOutputFormatList();
    // Selects the folder entry whose text the field shows, or none.
    void MatchFolderEntryToText();
    // An empty output folder field takes the folder of -i, or else `inputFolder`.
    void TakeOutputFolderFrom(const std::string& inputFolder);

    DesktopContext& context_;
    QLineEdit* inputField_ = nullptr;
    QComboBox* outputFolderField_ = nullptr;
    QComboBox* outputFormatList_ = nullptr;
};

}  // namespace pictorb
