#include "ui/convert.h"

#include <QLabel>

#include <memory>
#include <utility>
#include <vector>

#include "pipeline/batch.h"
#include "pipeline/job.h"
#include "pipeline/run_checks.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "text/utf8.h"
#include "ui/desktop_context.h"
#include "ui/input_output.h"
#include "ui/input_output_fields.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

void ShowWarning(DesktopContext& context, const std::string& text) {
    ShowMessage(context.dialogs, context.state.texts.Text("Msg", "Warning"), text,
                MessageIcon::Warning);
}

}  // namespace

std::string ShortenPath(std::string_view text, std::size_t maxChars) {
    const std::size_t length = Utf8Length(text);
    if (length <= maxChars) return std::string(text);
    const std::size_t half = maxChars >= 3 ? (maxChars - 3) / 2 : 0;
    const std::size_t tailStart = Utf8Prefix(text, length - half).size();
    return Utf8Prefix(text, half) + "..." + std::string(text.substr(tailStart));
}

void StartConversion(DesktopContext& context, InputOutputFields& fields, QWidget& window,
                     QLabel& status) {
    ProcessState& state = context.state;
    const ConversionSettings& settings = state.settings;
    JobContext& job = state.job;
    TextTable& texts = state.texts;
    const auto setStatus = [&](const std::string& text) { status.setText(ToQString(text)); };
    const auto stop = [&](const std::string& warning) {
        setStatus(texts.Text("Msg", "Conversion is not complete"));
        ShowWarning(context, warning);
    };

    // One file named alone is refused here, at once, when it is missing, empty or not a
    // bitmap, rather than failing later inside the conversion. A folder or a quoted list is
    // taken as the command line takes its inputs: what cannot be used is listed with its
    // reason among the files not converted.
    const std::string home = HomeFolder();
    const std::string startFolder = CurrentFolder();
    std::vector<std::string> inputs;
    for (const std::string& typed : fields.TypedInputs())
        inputs.push_back(ExpandTypedPath(typed, home, startFolder));
    const bool singleFile =
        inputs.size() == 1 && KindOfInput(state.formats, inputs[0]) != InputKind::Folder;
    job.inputFiles.clear();
    std::vector<InputProblem> problems;
    std::string folderWithoutBitmaps;
    for (const std::string& path : inputs) {
        const InputKind kind = KindOfInput(state.formats, path);
        if (singleFile && kind == InputKind::Refused) continue;
        const int32_t added =
            AddInputPath(job, state.formats, path, settings.includeSubfolders != 0, problems);
        if (kind == InputKind::Folder && added == 0 && folderWithoutBitmaps.empty())
            folderWithoutBitmaps = path;
    }
    std::vector<std::string> refused;
    for (const InputProblem& problem : problems)
        refused.push_back(problem.path + ": " + problem.reason);
    std::string outputFolder = ExpandTypedPath(Trim(fields.TypedOutputFolder()), home, startFolder);
    const std::string formatKey = fields.SelectedOutputFormat();

    setStatus(texts.Text("General", "Preparing"));
    if (job.inputFiles.empty() && !folderWithoutBitmaps.empty()) {
        return stop(ExpandPlaceholders(texts.Text("Msg", "No bitmaps in input folder"),
                                       folderWithoutBitmaps));
    }
    if (job.inputFiles.empty()) {
        std::string warning = texts.Text("Msg", "Empty input files");
        if (!refused.empty()) warning += "\r\n";
        for (const std::string& line : refused) warning += "\r\n" + line;
        return stop(warning);
    }
    if (outputFolder.empty()) return stop(texts.Text("Msg", "Empty output folder"));
    if (outputFolder.back() != '/') outputFolder += '/';
    if (QueryFileSize(outputFolder) != kFileIsFolder) {
        return stop(ExpandPlaceholders(texts.Text("Msg", "Invalid output folder"), outputFolder));
    }
    const RunProblem resize = CheckResize(settings);
    if (resize == RunProblem::Width) return stop(texts.Text("Msg", "Invalid width"));
    if (resize == RunProblem::Height) return stop(texts.Text("Msg", "Invalid height"));
    // What the window's controls cannot hold but a hand-edited settings file can (a depth the
    // format cannot write, a gamma of 0): the command line's reason.
    const RunProblem invalid = CheckRunSettings(state.formats, settings, formatKey);
    if (invalid != RunProblem::None) return stop(RunProblemText(invalid, formatKey));
    if (settings.doWatermark == kWatermarkImage && settings.image.empty())
        return ShowWarning(context, texts.Text("Msg", "Empty watermark image"));
    // Held for the whole run and freed after the worker has ended.
    std::unique_ptr<Font> font;
    switch (CheckWatermark(settings, font)) {
        case RunProblem::WatermarkFont:
            return ShowWarning(
                context,
                ExpandPlaceholders(texts.Text("Msg", "Invalid watermark font"), settings.font));
        case RunProblem::WatermarkImage:
            return ShowWarning(
                context,
                ExpandPlaceholders(texts.Text("Msg", "Invalid watermark image"), settings.image));
        default:
            break;
    }

    SetOutputFormat(job, settings, formatKey);
    job.inputPath = job.inputFiles.begin()->first;
    fields.UseOutputFolder(outputFolder);

    setStatus(texts.Text("General", "Converting"));
    ProgressDialog dialog(context, window, status, font.get(), std::move(refused));
    dialog.Run();
}

}  // namespace pictorb
