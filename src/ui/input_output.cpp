#include "ui/input_output.h"

#include <zlib.h>

#include <algorithm>
#include <map>

#include "cli/parameters.h"
#include "pipeline/batch.h"
#include "pipeline/job.h"
#include "platform/files.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

// The parameters that are neither options nor the value of a one-letter option.
std::vector<std::string> PlainParameters(const std::vector<std::string>& args) {
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string name = OptionName(args, i);
        if (!name.empty()) {
            if (name == "-O" || name == "-C" || name == "-I") ++i;  // their value follows
            continue;
        }
        plain.push_back(args[i]);
    }
    return plain;
}

uLong FolderChecksum(const std::string& folder) {
    const std::string upper = Utf8Upper(folder);
    return crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(upper.data()),
                 static_cast<uInt>(upper.size()));
}

}  // namespace

std::string RecentOutputFolder(const std::string& recentList, int32_t index) {
    std::size_t start = 0;
    for (int32_t i = 0; i < index; ++i) {
        start = recentList.find('\t', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    const std::size_t end = recentList.find('\t', start);
    return Trim(std::string_view(recentList)
                    .substr(start, end == std::string::npos ? std::string::npos : end - start));
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    return FolderChecksum(a) == FolderChecksum(b);
}

std::string RememberOutputFolder(const std::string& recentList, const std::string& folder,
                                 int32_t limit) {
    if (folder.empty()) return recentList;
    std::string list = folder;
    int32_t kept = 1;
    for (int32_t i = 0; i < limit; ++i) {
        const std::string entry = RecentOutputFolder(recentList, i);
        if (entry.empty() || kept > limit - 1 || IsSameFolder(entry, folder)) continue;
        list += '\t';
        list += entry;
        ++kept;
    }
    return list;
}

std::vector<std::string> InputFileFilters(const Formats& formats, TextTable& texts) {
    std::string allPatterns;
    std::map<std::string, std::string> byDescription;
    for (const std::string& extension : formats.acceptedExtensions) {
        const std::string pattern = "*." + extension;
        allPatterns += allPatterns.empty() ? pattern : " " + pattern;
        const auto row = formats.inputTable.find(extension);
        const std::string description =
            row != formats.inputTable.end() ? row->second.description : extension;
        std::string& patterns = byDescription[description];
        patterns = patterns.empty() ? pattern : pattern + " " + patterns;
    }
    std::vector<std::string> filters;
    filters.push_back(texts.Text("Dialog", "All Supported Files") + " (" + allPatterns + ")");
    for (const auto& [description, patterns] : byDescription)
        filters.push_back(description + " (" + patterns + ")");
    filters.push_back(texts.Text("Dialog", "All Files") + " (*)");
    return filters;
}

std::string FileToOpen(const std::vector<std::string>& args, const Formats& formats) {
    for (const std::string& plain : PlainParameters(args))
        if (IsAcceptedInput(formats, plain) && QueryFileSize(plain) > 0) return plain;
    return {};
}

std::string FileToOpenRefusal(const std::vector<std::string>& args, const Formats& formats) {
    const std::vector<std::string> plain = PlainParameters(args);
    if (plain.empty()) return {};
    const std::string& path = plain.front();
    JobContext scratch;
    std::vector<InputProblem> problems;
    AddInputPath(scratch, formats, path, false, problems);
    if (!problems.empty()) return problems.front().path + ": " + problems.front().reason;
    // What AddInputPath takes but "Open With" does not: an empty file, a folder.
    const ConvertError error =
        QueryFileSize(path) == 0 ? ConvertError::Empty : ConvertError::NotABitmap;
    return path + ": " + ConvertErrorText(error);
}

std::string ExpandTypedPath(const std::string& typed, const std::string& home,
                            const std::string& startFolder) {
    if (typed.empty() || typed[0] == '/') return typed;
    if (!home.empty() && (typed == "~" || typed.starts_with("~/")))
        return home + typed.substr(std::min<std::size_t>(typed.size(), 2));
    return startFolder + typed;
}

std::vector<std::string> ParseInputList(const std::string& text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return {};
    if (trimmed.front() != '"') return {trimmed};
    std::vector<std::string> paths;
    std::size_t at = 0;
    while (at < trimmed.size()) {
        if (trimmed[at] != '"') {
            ++at;  // blanks between the quoted paths
            continue;
        }
        const std::size_t close = trimmed.find('"', at + 1);
        // An unclosed quote runs to the end, as far as it was typed.
        const std::size_t end = close == std::string::npos ? trimmed.size() : close;
        const std::string path = Trim(std::string_view(trimmed).substr(at + 1, end - at - 1));
        if (!path.empty()) paths.push_back(path);
        at = end + 1;
    }
    return paths;
}

std::string InputListText(const std::vector<std::string>& paths) {
    if (paths.size() == 1) return paths.front();
    std::string text;
    for (const std::string& path : paths) text += (text.empty() ? "\"" : " \"") + path + '"';
    return text;
}

InputKind KindOfInput(const Formats& formats, const std::string& path) {
    const int64_t size = QueryFileSize(path);
    if (size == kFileIsFolder) return InputKind::Folder;
    return size > 0 && IsAcceptedInput(formats, path) ? InputKind::File : InputKind::Refused;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace pictorb
