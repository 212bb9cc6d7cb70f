#include "docgen/reference.h"

#include <algorithm>
#include <set>
#include <vector>

#include "app/branding.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/naming.h"
#include "settings/settings.h"

namespace pictorb::docgen {
namespace {

// The single-purpose start modes, recognised only as the first parameter. They are chosen
// before the option loop runs and so are not rows of its table.
struct StartMode {
    std::vector<std::string_view> names;
    std::string_view noteKey;
};
const StartMode kStartModes[] = {
    {{"-h", "-?", "--help"}, "-h"},
    {{"-v", "--version"}, "-v"},
    {{"-u"}, "-u"},
    {{"-t"}, "-t"},
};

std::string Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsMaskToken(std::string_view name) {
    return std::find(std::begin(kMaskTokens), std::end(kMaskTokens), name) != std::end(kMaskTokens);
}

bool IsStartMode(std::string_view name) {
    for (const StartMode& mode : kStartModes)
        if (mode.noteKey == name) return true;
    return false;
}

const Note* FindNote(const Notes& notes, std::string_view name) {
    const auto found = notes.entries.find(std::string(name));
    return found == notes.entries.end() ? nullptr : &found->second;
}

std::string Placeholder(const OptionDescription& option, const Notes& notes) {
    if (const Note* note = FindNote(notes, option.longName); note && !note->placeholder.empty())
        return note->placeholder;
    switch (option.kind) {
        case OptionValueKind::Text:
            return "TEXT";
        case OptionValueKind::Integer:
        case OptionValueKind::Decimal:
            return "NUM";
        case OptionValueKind::Keyword:
            return "KEYWORD";
        case OptionValueKind::Flag:
            return {};
    }
    return {};
}

// The output format a per-format setting serves: "PNG Compression" -> "png".
std::string FormatOfKey(std::string_view key) {
    return Lower(std::string(key.substr(0, key.find(' '))));
}

// The keywords an option offers, in table order, each once. A compression option offers
// the keywords of its own format.
std::vector<std::string> KeywordsOf(const OptionDescription& option) {
    std::vector<std::string> words;
    const std::string format = FormatOfKey(option.key);
    for (const KeywordRow& row : KeywordRows(option.keywordTable)) {
        if (!row.formats.empty()) {
            bool serves = false;
            std::string_view rest = row.formats;
            while (!serves) {
                const std::size_t comma = rest.find(',');
                serves = rest.substr(0, comma) == format;
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
            if (!serves) continue;
        }
        if (std::find(words.begin(), words.end(), row.keyword) == words.end())
            words.emplace_back(row.keyword);
    }
    return words;
}

std::string Join(const std::vector<std::string>& words, std::string_view separator,
                 std::string_view before = {}, std::string_view after = {}) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += separator;
        text += std::string(before) + word + std::string(after);
    }
    return text;
}

std::string OptionTerm(const OptionDescription& option, const Notes& notes) {
    const std::string placeholder = Placeholder(option, notes);
    std::string term;
    if (!option.shortName.empty())
        term = "`" + option.shortName + (placeholder.empty() ? "" : " " + placeholder) + "`, ";
    term += "`" + option.longName + (placeholder.empty() ? "" : "=" + placeholder) + "`";
    return term;
}

std::string OptionText(const OptionDescription& option, const Notes& notes) {
    std::string text;
    if (const Note* note = FindNote(notes, option.longName)) text = note->text;
    const auto add = [&text](const std::string& sentence) {
        if (!text.empty()) text += " ";
        text += sentence;
    };
    if (option.kind == OptionValueKind::Keyword)
        add("Keywords (any letter case): " + Join(KeywordsOf(option), ", ", "`", "`") + ".");
    if (!option.key.empty()) {
        std::string sets = "Setting `" + option.key + "` in group `" + option.group + "`";
        if (option.kind == OptionValueKind::Flag)
            sets += ", set to " + std::to_string(option.flagValue);
        add(sets + ".");
    }
    if (!option.alsoKey.empty())
        add("Also sets `" + option.alsoKey + "` to " + std::to_string(option.alsoValue) + ".");
    if (!option.profileKey.empty() && option.profileKey != option.longName)
        add("In a profile its key is `" + option.profileKey + "`.");
    return text;
}

// The heading an option is listed under: its settings group, or the run's own options.
std::string SectionOf(const OptionDescription& option) {
    if (!option.group.empty()) return option.group + " options";
    return option.longName == "--input" || option.longName == "--output" ||
                   option.longName == "--conversion" || option.longName == "--files-from" ||
                   option.longName == "--null"
               ? "Input, output and format"
               : "Profile and run options";
}

Document OptionsPart(const Notes& notes) {
    Document doc;
    std::string section;
    for (const OptionDescription& option : DescribeOptions()) {
        if (SectionOf(option) != section) {
            section = SectionOf(option);
            doc.push_back({BlockKind::Heading2, section, {}, {}});
        }
        doc.push_back(
            {BlockKind::Definition, OptionText(option, notes), OptionTerm(option, notes), {}});
    }
    return doc;
}

Document KeywordsPart() {
    Block table{BlockKind::Table, {}, {}, {{"Option", "Keywords, with the value stored"}}};
    for (const OptionDescription& option : DescribeOptions()) {
        if (option.kind != OptionValueKind::Keyword) continue;
        std::vector<std::string> words;
        for (const std::string& word : KeywordsOf(option))
            words.push_back("`" + word +
                            "` = " + std::to_string(KeywordToValue(word, option.keywordTable)));
        table.rows.push_back({"`" + option.longName + "`", Join(words, ", ")});
    }
    return {table};
}

Document TokensPart(const Notes& notes) {
    Block table{BlockKind::Table, {}, {}, {{"Token", "Replaced by"}}};
    for (std::string_view token : kMaskTokens)
        table.rows.push_back({"`" + std::string(token) + "`", FindNote(notes, token)->text});
    return {table};
}

Document ModesPart(const Notes& notes) {
    Document doc;
    for (const StartMode& mode : kStartModes) {
        const Note* note = FindNote(notes, mode.noteKey);
        std::vector<std::string> names;
        for (std::string_view name : mode.names)
            names.push_back(std::string(name) +
                            (note && !note->placeholder.empty() ? " " + note->placeholder : ""));
        doc.push_back(
            {BlockKind::Definition, note ? note->text : "", Join(names, ", ", "`", "`"), {}});
    }
    return doc;
}

}  // namespace

NotesResult ParseNotes(std::string_view text) {
    NotesResult result;
    std::set<std::string> known;
    for (const OptionDescription& option : DescribeOptions()) known.insert(option.longName);
    std::string* last = nullptr;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string line(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') {
            last = nullptr;
            continue;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (last == nullptr) {
                result.error = "line " + std::to_string(lineNumber) + ": continuation of nothing";
                return result;
            }
            *last += " " + trimmed;
            continue;
        }
        const std::size_t gap = trimmed.find("  ");
        std::string name = trimmed.substr(0, gap);
        Note note;
        note.text = gap == std::string::npos ? "" : Trim(trimmed.substr(gap));
        // A placeholder follows "=" (options, modes); a token's own text may hold no "=".
        if (const std::size_t equals = name.find('=');
            equals != std::string::npos && name[0] == '-') {
            note.placeholder = name.substr(equals + 1);
            name.resize(equals);
        }
        if (!known.count(name) && !IsMaskToken(name) && !IsStartMode(name)) {
            result.error = "line " + std::to_string(lineNumber) + ": unknown name " + name;
            return result;
        }
        auto [entry, inserted] = result.notes.entries.emplace(name, std::move(note));
        if (!inserted) {
            result.error = "line " + std::to_string(lineNumber) + ": " + name + " named twice";
            return result;
        }
        last = &entry->second.text;
    }
    for (std::string_view token : kMaskTokens) {
        const Note* note = FindNote(result.notes, token);
        if (note == nullptr || note->text.empty()) {
            result.error = "no description of the token " + std::string(token);
            return result;
        }
    }
    return result;
}

std::optional<Document> ReferencePart(std::string_view name, const Notes& notes) {
    if (name == "options") return OptionsPart(notes);
    if (name == "keywords") return KeywordsPart();
    if (name == "tokens") return TokensPart(notes);
    if (name == "modes") return ModesPart(notes);
    return std::nullopt;
}

std::string CompletionScript(const Notes& notes) {
    const std::vector<OptionDescription> options = DescribeOptions();
    const Formats formats = MakeFormats();

    std::vector<std::string> words;           // what may start a parameter
    std::vector<std::string> shortWithValue;  // "-i": its value is the next parameter
    std::string valueCases;                   // case branches: the values of each option
    for (const OptionDescription& option : options) {
        const bool takesValue = option.kind != OptionValueKind::Flag;
        if (!option.shortName.empty()) words.push_back(option.shortName);
        words.push_back(option.longName + (takesValue ? "=" : ""));
        if (!takesValue) continue;
        if (!option.shortName.empty()) shortWithValue.push_back(option.shortName);
        const std::string placeholder = Placeholder(option, notes);
        std::string action;
        if (option.longName == "--input")
            action = "_pictorbcmd_files '" + Join(formats.acceptedExtensions, "|") + "'";
        else if (option.longName == "--conversion")
            action = "_pictorbcmd_words '" + Join(formats.outputList, " ") + "'";
        else if (option.kind == OptionValueKind::Keyword)
            action = "_pictorbcmd_words '" + Join(KeywordsOf(option), " ") + "'";
        else if (placeholder == "FILE")
            action = "_pictorbcmd_files ''";
        else if (placeholder == "PATH" || placeholder == "FOLDER")
            action = "_pictorbcmd_folders";
        else
            continue;  // numbers and free text: nothing to offer
        std::string labels = option.longName;
        if (!option.shortName.empty()) labels += "|" + option.shortName;
        valueCases += "        " + labels + ") " + action + " ;;\n";
    }
    std::vector<std::string> modes;
    for (const StartMode& mode : kStartModes)
        for (std::string_view name : mode.names) modes.emplace_back(name);

    return "# bash completion for pictorbcmd. Generated from the program's option and keyword\n"
           "# tables at build time; edit those, not this file.\n\n"
           "_pictorbcmd_words() {\n"
           "    # Keywords are upper case; what was typed matches in any case.\n"
           "    local IFS=$' \\t\\n'\n"
           "    COMPREPLY=($(compgen -P \"$_pictorbcmd_prefix\" -W \"$1\" -- \"${cur^^}\"))\n"
           "}\n\n"
           "_pictorbcmd_folders() {\n"
           "    local IFS=$'\\n'\n"
           "    COMPREPLY=($(compgen -P \"$_pictorbcmd_prefix\" -d -- \"$cur\"))\n"
           "    compopt -o filenames 2>/dev/null || :\n"
           "}\n\n"
           "# Folders, and the files whose extension is one of $1 (any case; empty: all files).\n"
           "_pictorbcmd_files() {\n"
           "    local IFS=$'\\n' f\n"
           "    COMPREPLY=()\n"
           "    for f in $(compgen -f -- \"$cur\"); do\n"
           "        if [[ -d $f || -z $1 || ${f,,} =~ \\.($1)$ ]]; then\n"
           "            COMPREPLY+=(\"$_pictorbcmd_prefix$f\")\n"
           "        fi\n"
           "    done\n"
           "    compopt -o filenames 2>/dev/null || :\n"
           "}\n\n"
           "_pictorbcmd() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev= option= _pictorbcmd_prefix=\n"
           "    (( COMP_CWORD > 0 )) && prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    COMPREPLY=()\n"
           "    # --name=value arrives as three words when \"=\" breaks words, else as one.\n"
           "    if [[ $cur == = ]]; then\n"
           "        option=$prev cur=\n"
           "    elif [[ $prev == = ]] && (( COMP_CWORD >= 2 )); then\n"
           "        option=${COMP_WORDS[COMP_CWORD-2]}\n"
           "    elif [[ $cur == --*=* ]]; then\n"
           "        option=${cur%%=*} _pictorbcmd_prefix=${cur%%=*}= cur=${cur#*=}\n"
           "    else\n"
           "        case ${prev,,} in " +
           Join(shortWithValue, "|") +
           ") option=$prev ;; esac\n"
           "    fi\n"
           "    if (( COMP_CWORD == 2 )) && [[ ${prev,,} == -t ]]; then\n"
           "        _pictorbcmd_folders\n"
           "        return\n"
           "    fi\n"
           "    if [[ -n $option ]]; then\n"
           "        case ${option,,} in\n" +
           valueCases +
           "        esac\n"
           "        return\n"
           "    fi\n"
           "    local words='" +
           Join(words, " ") +
           "'\n"
           "    (( COMP_CWORD == 1 )) && words=\"" +
           Join(modes, " ") +
           " $words\"\n"
           "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "    # An option that takes a value goes on right after its \"=\".\n"
           "    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && { compopt -o nospace "
           "2>/dev/null || :; }\n"
           "    return 0\n"
           "}\n\n"
           "complete -F _pictorbcmd -o bashdefault -o default pictorbcmd\n";
}

std::string ManPage(const Document& document) {
    return ".TH PICTORBCMD 1 \"\" \"" + TitleText(kDisplayName, kVersionNumber) +
           "\" \"User Commands\"\n" + RenderRoff(document);
}

}  // namespace pictorb::docgen
