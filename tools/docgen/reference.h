#pragma once
// The generated parts of the manual and the man page, and the bash completion script: all
// built from the option table, the keyword tables, the format lists and the mask tokens the
// program itself uses, with descriptions from a notes file in the source tree.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "docgen/markup.h"

namespace pictorb::docgen {

// One entry of the notes file: an option ("--input=FILE"), a mask token ("%n%") or a start
// mode ("-t=FOLDER"), with its value placeholder and its description.
struct Note {
    std::string placeholder;  // "FILE"; empty when the notes name none
    std::string text;
};

struct Notes {
    std::map<std::string, Note> entries;  // keyed by the name without "=PLACEHOLDER"
};

// Reads the notes text: "NAME[=PLACEHOLDER]  description", indented lines continue the
// description, "#" lines are comments. Fails (error set) on a name the program does not
// know, so that the notes cannot name an option or token that no longer exists, and on a mask
// token without a description.
struct NotesResult {
    Notes notes;
    std::string error;
};
NotesResult ParseNotes(std::string_view text);

// The parts the markup may insert: "options", "keywords", "tokens", "modes".
std::optional<Document> ReferencePart(std::string_view name, const Notes& notes);

// The bash completion script for pictorbcmd.
std::string CompletionScript(const Notes& notes);

// The man page: the .TH line, then the rendered document.
std::string ManPage(const Document& document);

// Everything generated from the docs folder (notes.txt, man/pictorbcmd.txt, manual/*.txt in
// name order). `error` names the file and line of the first problem.
struct Outputs {
    std::string manPage;
    std::string completion;
    std::string manual;  // one HTML page
    std::string error;
};
Outputs GenerateAll(const std::string& docsFolder);

}  // namespace pictorb::docgen
