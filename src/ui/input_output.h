#pragma once
// The rules behind the input file field and the output folder list, free of widgets so that
// they can be tested alone: the recent output folders and the input file dialog's filters.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "text/texts.h"

namespace pictorb {

// Entry `index` of a TAB-separated recent folder list, trimmed; empty past its end.
std::string RecentOutputFolder(const std::string& recentList, int32_t index);
// True when the CRC-32 checksums of the upper-case forms are equal: letter case is ignored,
// nothing else is normalised ("/a/" and "/a" differ).
bool IsSameFolder(const std::string& a, const std::string& b);
// The list with `folder` first, then the old entries in order, without empty entries and
// without the same folder again, at most `limit` entries. An empty folder changes nothing.
std::string RememberOutputFolder(const std::string& recentList, const std::string& folder,
                                 int32_t limit);
// The open dialog's filters: every accepted extension, then one filter per description
// (its extensions, later ones first), then every file.
std::vector<std::string> InputFileFilters(const Formats& formats, TextTable& texts);
// "Open With": the first plain parameter (neither an option nor the value of a one-letter
// option) that names an accepted, non-empty input file; empty when there is none.
std::string FileToOpen(const std::vector<std::string>& args, const Formats& formats);
// Why FileToOpen found nothing: the first plain parameter with the command line's reason
// ("/a/red.png: not a bitmap (.bmp, .rle, .dib)"); empty when there is no plain parameter.
std::string FileToOpenRefusal(const std::vector<std::string>& args, const Formats& formats);
// A path typed into a field, as the command line would take it: a leading "~/" (or "~" alone)
// stands for `home`, a relative path is taken below `startFolder` (the folder the program was
// started from). Both folders end with '/'; an empty text stays empty.
std::string ExpandTypedPath(const std::string& typed, const std::string& home,
                            const std::string& startFolder);
// The inputs the input field names: a quoted list `"a.bmp" "b.bmp"` (the form file dialogs use
// for several files) gives each quoted path, in order; any other text is one path, trimmed.
// An empty text names none.
std::vector<std::string> ParseInputList(const std::string& text);
// The field's text for `paths`: one path as it is, several as a quoted list.
std::string InputListText(const std::vector<std::string>& paths);
// What an input of the field is: a folder, a file by the single-file rule (not empty, an
// accepted extension), or neither.
enum class InputKind { Refused, File, Folder };
InputKind KindOfInput(const Formats& formats, const std::string& path);
// The folder part of a path with its trailing '/'; empty for a bare name.
std::string FolderOfPath(const std::string& path);

}  // namespace pictorb
