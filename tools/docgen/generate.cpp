#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/branding.h"
#include "app/startup.h"
#include "docgen/reference.h"

namespace pictorb::docgen {
namespace {

bool ReadFile(const std::filesystem::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

}  // namespace

Outputs GenerateAll(const std::string& docsFolder) {
    namespace fs = std::filesystem;
    Outputs out;
    const fs::path folder(docsFolder);
    std::string text;
    if (!ReadFile(folder / "notes.txt", text)) {
        out.error = (folder / "notes.txt").string() + ": cannot be read";
        return out;
    }
    NotesResult notes = ParseNotes(text);
    if (!notes.error.empty()) {
        out.error = (folder / "notes.txt").string() + ": " + notes.error;
        return out;
    }
    const GeneratedPart parts = [&](std::string_view name) {
        return ReferencePart(name, notes.notes);
    };

    const fs::path manSource = folder / "man" / "pictorbcmd.txt";
    if (!ReadFile(manSource, text)) {
        out.error = manSource.string() + ": cannot be read";
        return out;
    }
    ParseResult man = ParseMarkup(text, parts);
    if (!man.error.empty()) {
        out.error = manSource.string() + ": " + man.error;
        return out;
    }

    std::vector<fs::path> chapters;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder / "manual", error))
        if (entry.path().extension() == ".txt") chapters.push_back(entry.path());
    std::sort(chapters.begin(), chapters.end());
    if (chapters.empty()) {
        out.error = (folder / "manual").string() + ": no chapters";
        return out;
    }
    Document manual;
    for (const fs::path& chapter : chapters) {
        if (!ReadFile(chapter, text)) {
            out.error = chapter.string() + ": cannot be read";
            return out;
        }
        ParseResult parsed = ParseMarkup(text, parts);
        if (!parsed.error.empty()) {
            out.error = chapter.string() + ": " + parsed.error;
            return out;
        }
        manual.insert(manual.end(), parsed.document.begin(), parsed.document.end());
    }

    out.manPage = ManPage(man.document);
    out.completion = CompletionScript(notes.notes);
    out.manual = RenderHtml(manual, TitleText(kDisplayName, kVersionNumber) + " User Manual");
    return out;
}

}  // namespace pictorb::docgen
