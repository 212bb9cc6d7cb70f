#include "ui/input_output_fields.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>

#include "pipeline/job.h"
#include "platform/files.h"
#include "text/utf8.h"
#include "ui/builtin_icons.h"
#include "ui/desktop_context.h"
#include "ui/input_output.h"
#include "ui/qt_text.h"

namespace pictorb {

InputOutputFields::InputOutputFields(DesktopContext& context, QWidget* parent) : context_(context) {
    inputField_ = new QLineEdit(parent);
    inputField_->setObjectName("inputFile");
    outputFolderField_ = new QComboBox(parent);
    outputFolderField_->setObjectName("outputFolder");
    outputFolderField_->setEditable(true);
    outputFolderField_->setInsertPolicy(QComboBox::NoInsert);
    // Recent folders are offered in a list below the field, never completed into the typed
    // text: "out" must not become "out3/" and send the documents there. Letter case counts,
    // as it does in the file system.
    auto* completer = new QCompleter(outputFolderField_->model(), outputFolderField_);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    outputFolderField_->setCompleter(completer);
    // What is typed or picked becomes the job's output folder at once; Convert checks it.
    connect(outputFolderField_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        context_.state.job.outputFolder = ToUtf8(text);
        MatchFolderEntryToText();
    });
    outputFormatList_ = new QComboBox(parent);
    outputFormatList_->setObjectName("outputFormat");
    connect(outputFormatList_, &QComboBox::activated, this, [this](int index) {
        const std::string key = ToUtf8(outputFormatList_->itemData(index).toString());
        if (!key.empty()) context_.state.settings.outputFormat = key;
    });
}

std::vector<std::string> InputOutputFields::TypedInputs() const {
    return ParseInputList(ToUtf8(inputField_->text()));
}

std::string InputOutputFields::TypedOutputFolder() const {
    return ToUtf8(outputFolderField_->currentText());
}

void InputOutputFields::PrepareForStart() {
    if (context_.state.settings.recentOutFolders.empty()) outputFolderField_->addItem(QString());
}

bool InputOutputFields::AddInputFile(const std::string& path) {
    JobContext& job = context_.state.job;
    if (!pictorb::AddInputFile(job, context_.state.formats, path)) return false;
    if (job.commandLineMode != 0) return true;
    inputField_->setText(ToQString(path));
    TakeOutputFolderFrom(FolderOfPath(path));
    return true;
}

bool InputOutputFields::AddInputs(const std::vector<std::string>& paths, bool add) {
    std::vector<std::string> inputs;
    if (add) inputs = TypedInputs();
    const std::size_t before = inputs.size();
    for (const std::string& path : paths)
        if (KindOfInput(context_.state.formats, path) != InputKind::Refused) inputs.push_back(path);
    if (inputs.size() == before) return false;
    inputField_->setText(ToQString(InputListText(inputs)));
    inputField_->home(false);  // a long list shows its beginning
    // A folder's documents go into the folder itself by default, as a file's go beside it.
    std::string folder = inputs[before];
    if (KindOfInput(context_.state.formats, folder) != InputKind::Folder)
        folder = FolderOfPath(folder);
    else if (!folder.ends_with('/'))
        folder += '/';
    TakeOutputFolderFrom(folder);
    return true;
}

void InputOutputFields::TakeOutputFolderFrom(const std::string& inputFolder) {
    if (!outputFolderField_->currentText().isEmpty()) return;
    const std::string& commandLineInput = context_.state.job.commandLineInput;
    UseOutputFolder(!commandLineInput.empty() ? commandLineInput : inputFolder);
}

bool InputOutputFields::ChooseInputFiles() {
    TextTable& texts = context_.state.texts;
    JobContext& job = context_.state.job;
    const std::vector<std::string> files =
        context_.dialogs.OpenFiles(texts.Text("Dialog", "Select Input Files"), job.inputPath,
                                   InputFileFilters(context_.state.formats, texts), true);
    const bool entered = AddInputs(files, false);
    job.inputPath.clear();
    return entered;
}

bool InputOutputFields::ChooseInputFolder() {
    const std::vector<std::string> typed = TypedInputs();
    const std::string start = typed.empty() ? std::string() : FolderOfPath(typed.front());
    const std::optional<std::string> folder = context_.dialogs.ChooseFolder(
        context_.state.texts.Text("Dialog", "Select Input Folder"), start);
    return folder && AddInputs({*folder}, false);
}

void InputOutputFields::ChooseOutputFolder() {
    const std::string typed = TypedOutputFolder();
    const std::string start =
        !typed.empty() ? FolderOfPath(typed) : context_.state.job.outputFolder;
    const std::optional<std::string> folder = context_.dialogs.ChooseFolder(
        context_.state.texts.Text("Dialog", "Select Output Folder"), start);
    if (folder && QueryFileSize(*folder) == kFileIsFolder) UseOutputFolder(*folder);
}

void InputOutputFields::UseOutputFolder(const std::string& folder) {
    ConversionSettings& settings = context_.state.settings;
    settings.recentOutFolders =
        RememberOutputFolder(settings.recentOutFolders, folder, settings.outFoldersNumber);
    context_.state.job.outputFolder = folder;
    FillOutputFolderList();
}

void InputOutputFields::FillOutputFolderList() {
    const ConversionSettings& settings = context_.state.settings;
    if (settings.recentOutFolders.empty()) return;
    // Selecting an item rewrites the field, which must not change the job's folder here.
    const std::string outputFolder = context_.state.job.outputFolder;
    const QIcon icon = ToQIcon(context_.icons.menu.Image("FavFolder"));
    outputFolderField_->clear();
    int selected = -1;
    for (int32_t i = 0; i < settings.outFoldersNumber; ++i) {
        const std::string entry = RecentOutputFolder(settings.recentOutFolders, i);
        if (entry.empty()) continue;
        if (selected < 0 && entry == outputFolder) selected = outputFolderField_->count();
        outputFolderField_->addItem(icon, ToQString(entry));
    }
    outputFolderField_->setCurrentIndex(std::max(selected, 0));
    context_.state.job.outputFolder = outputFolder;
}

void InputOutputFields::StartNew() {
    FillOutputFolderList();
    InitJobContext(context_.state.job, context_.state.formats);
    inputField_->clear();
    outputFolderField_->setEditText(QString());
    MatchFolderEntryToText();
}

void InputOutputFields::MatchFolderEntryToText() {
    // The field shows the current entry's folder icon: the entry must be the text's own, or
    // none for text that is in no entry.
    QComboBox* field = outputFolderField_;
    const QString text = field->currentText();
    const int entry = text.isEmpty() ? -1 : field->findText(text, Qt::MatchExactly);
    if (entry == field->currentIndex()) return;
    // Changing the entry rewrites the text; what was typed stays, with its cursor.
    const QSignalBlocker quiet(field);
    QLineEdit* edit = field->lineEdit();
    const int cursor = edit->cursorPosition();
    field->setCurrentIndex(entry);
    if (edit->text() != text) edit->setText(text);
    edit->setCursorPosition(cursor);
}

void InputOutputFields::FillOutputFormatList() {
    const Formats& formats = context_.state.formats;
    const QIcon icon = ToQIcon(context_.icons.menu.Image("New"));
    outputFormatList_->clear();
    int selected = 0;
    for (std::size_t i = 0; i < formats.outputList.size() && i < 128; ++i) {
        const std::string& key = formats.outputList[i];
        if (key.empty()) continue;
        const auto row = formats.outputTable.find(key);
        const std::string description =
            row != formats.outputTable.end() ? row->second.description : std::string();
        if (key == context_.state.settings.outputFormat) selected = outputFormatList_->count();
        outputFormatList_->addItem(icon, ToQString(AsciiUpper(key) + " (" + description + ")"),
                                   ToQString(key));
    }
    outputFormatList_->setCurrentIndex(selected);
}

std::string InputOutputFields::SelectedOutputFormat() const {
    return ToUtf8(outputFormatList_->currentData().toString());
}

void InputOutputFields::SelectOutputFormat(const std::string& key) {
    const int index = outputFormatList_->findData(ToQString(key));
    if (index >= 0) outputFormatList_->setCurrentIndex(index);
}

void InputOutputFields::ApplySettings() {
    const ConversionSettings& settings = context_.state.settings;
    SelectOutputFormat(settings.outputFormat);
    if (outputFolderField_->count() != settings.outFoldersNumber) FillOutputFolderList();
}

void InputOutputFields::ApplyIcons() {
    const QIcon folderIcon = ToQIcon(context_.icons.menu.Image("FavFolder"));
    for (int i = 0; i < outputFolderField_->count(); ++i)
        outputFolderField_->setItemIcon(i, folderIcon);
    if (outputFormatList_->count() == 0) {
        FillOutputFormatList();
        return;
    }
    const QIcon formatIcon = ToQIcon(context_.icons.menu.Image("New"));
    for (int i = 0; i < outputFormatList_->count(); ++i)
        outputFormatList_->setItemIcon(i, formatIcon);
}

}  // namespace pictorb
