#include "docgen/markup.h"

#include <cstdint>
#include <cstdio>

namespace pictorb::docgen {
namespace {

std::string Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::vector<std::string> TableCells(std::string_view line) {
    const std::string trimmed = Trim(line);
    std::string_view rest = trimmed;
    std::vector<std::string> cells;
    rest.remove_prefix(1);  // the leading '|'
    if (!rest.empty() && rest.back() == '|') rest.remove_suffix(1);
    while (true) {
        const std::size_t bar = rest.find('|');
        cells.push_back(Trim(rest.substr(0, bar)));
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    return cells;
}

bool IsRuleRow(const std::vector<std::string>& cells) {
    for (const std::string& cell : cells)
        if (cell.find_first_not_of("-: ") != std::string::npos) return false;
    return true;
}

// Splits text into plain and `code` runs and hands each to `emit`.
template <typename Emit>
void ForEachRun(std::string_view text, Emit emit) {
    while (!text.empty()) {
        const std::size_t open = text.find('`');
        const std::size_t close = open == std::string_view::npos ? open : text.find('`', open + 1);
        if (close == std::string_view::npos) {
            emit(text, false);
            return;
        }
        if (open > 0) emit(text.substr(0, open), false);
        emit(text.substr(open + 1, close - open - 1), true);
        text.remove_prefix(close + 1);
    }
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// roff: backslashes and minus signs escaped, other than ASCII as \[uXXXX].
std::string EscapeRoff(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (byte == '\\')
                out += "\\e";
            else if (byte == '-')
                out += "\\-";
            else
                out += static_cast<char>(byte);
            continue;
        }
        int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        uint32_t codePoint = byte & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + 1 < text.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\\[u%04X]", static_cast<unsigned>(codePoint));
        out += buffer;
    }
    return out;
}

// A line of text that roff would otherwise take for a request.
std::string RoffLine(std::string text) {
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) text.insert(0, "\\&");
    return text + "\n";
}

std::string Slug(std::string_view heading) {
    std::string slug;
    for (char c : heading) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            slug += c;
        else if (c >= 'A' && c <= 'Z')
            slug += static_cast<char>(c - 'A' + 'a');
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
    }
    while (!slug.empty() && slug.back() == '-') slug.pop_back();
    return slug;
}

constexpr std::string_view kStyle =
    R"(body{font-family:sans-serif;max-width:52em;margin:2em auto;padding:0 1em;line-height:1.45;color:#222}
h1{border-bottom:2px solid #36c}h2{margin-top:2em;border-bottom:1px solid #ccc}
code,pre{font-family:monospace;background:#f3f3f3}pre{padding:.6em;overflow-x:auto}
table{border-collapse:collapse;margin:1em 0}th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
dt{margin-top:.8em;font-weight:bold}dd{margin-left:2em}nav ul{columns:2}
)";

}  // namespace

ParseResult ParseMarkup(std::string_view text, const GeneratedPart& parts) {
    ParseResult result;
    Document& doc = result.document;
    bool open = false;  // the last block still takes lines (paragraph, bullet, table, pre)
    int lineNumber = 0;
    while (!text.empty() && result.error.empty()) {
        const std::size_t newline = text.find('\n');
        std::string line(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trim(line);
        Block* last = open && !doc.empty() ? &doc.back() : nullptr;

        if (trimmed.empty()) {
            open = false;
        } else if (last != nullptr && last->kind == BlockKind::Bullet &&
                   (line[0] == ' ' || line[0] == '\t')) {
            last->text += " " + trimmed;
        } else if (StartsWith(line, "    ")) {
            if (last != nullptr && last->kind == BlockKind::Preformatted) {
                last->text += "\n" + line.substr(4);
            } else {
                doc.push_back({BlockKind::Preformatted, line.substr(4), {}, {}});
                open = true;
            }
        } else if (trimmed[0] == '#') {
            const std::size_t level = trimmed.find_first_not_of('#');
            if (level > 3 || level == std::string::npos || trimmed[level] != ' ') {
                result.error = "line " + std::to_string(lineNumber) + ": bad heading";
                break;
            }
            const BlockKind kinds[] = {BlockKind::Heading1, BlockKind::Heading2,
                                       BlockKind::Heading3};
            doc.push_back({kinds[level - 1], Trim(trimmed.substr(level)), {}, {}});
            open = false;
        } else if (StartsWith(trimmed, "- ")) {
            doc.push_back({BlockKind::Bullet, Trim(trimmed.substr(2)), {}, {}});
            open = true;
        } else if (trimmed[0] == '|') {
            std::vector<std::string> cells = TableCells(trimmed);
            if (last == nullptr || last->kind != BlockKind::Table) {
                doc.push_back({BlockKind::Table, {}, {}, {}});
                last = &doc.back();
                open = true;
            }
            if (!IsRuleRow(cells)) last->rows.push_back(std::move(cells));
        } else if (trimmed[0] == '@') {
            const std::optional<Document> part = parts ? parts(trimmed.substr(1)) : std::nullopt;
            if (!part) {
                result.error = "line " + std::to_string(lineNumber) + ": unknown part " + trimmed;
                break;
            }
            doc.insert(doc.end(), part->begin(), part->end());
            open = false;
        } else if (last != nullptr && last->kind == BlockKind::Paragraph) {
            last->text += " " + trimmed;
        } else {
            doc.push_back({BlockKind::Paragraph, trimmed, {}, {}});
            open = true;
        }
    }
    return result;
}

std::string InlineHtml(std::string_view text) {
    std::string out;
    ForEachRun(text, [&](std::string_view run, bool code) {
        out += code ? "<code>" + EscapeHtml(run) + "</code>" : EscapeHtml(run);
    });
    return out;
}

std::string InlineRoff(std::string_view text) {
    std::string out;
    ForEachRun(text, [&](std::string_view run, bool code) {
        out += code ? "\\fB" + EscapeRoff(run) + "\\fR" : EscapeRoff(run);
    });
    return out;
}

std::string RenderHtml(const Document& document, std::string_view title) {
    std::string toc;
    bool inSubList = false;
    for (const Block& block : document) {
        if (block.kind == BlockKind::Heading1) {
            if (inSubList) toc += "</ul>";
            inSubList = false;
            if (!toc.empty()) toc += "</li>\n";
            toc += "<li><a href=\"#" + Slug(block.text) + "\">" + InlineHtml(block.text) + "</a>";
        } else if (block.kind == BlockKind::Heading2) {
            if (!inSubList) toc += "<ul>";
            inSubList = true;
            toc +=
                "<li><a href=\"#" + Slug(block.text) + "\">" + InlineHtml(block.text) + "</a></li>";
        }
    }
    if (inSubList) toc += "</ul>";
    if (!toc.empty()) toc += "</li>\n";

    std::string body;
    for (std::size_t i = 0; i < document.size(); ++i) {
        const Block& block = document[i];
        const bool sameAsPrevious = i > 0 && document[i - 1].kind == block.kind;
        const bool sameAsNext = i + 1 < document.size() && document[i + 1].kind == block.kind;
        switch (block.kind) {
            case BlockKind::Heading1:
            case BlockKind::Heading2:
            case BlockKind::Heading3: {
                const char* tag = block.kind == BlockKind::Heading1   ? "h2"
                                  : block.kind == BlockKind::Heading2 ? "h3"
                                                                      : "h4";
                body += std::string("<") + tag + " id=\"" + Slug(block.text) + "\">" +
                        InlineHtml(block.text) + "</" + tag + ">\n";
                break;
            }
            case BlockKind::Paragraph:
                body += "<p>" + InlineHtml(block.text) + "</p>\n";
                break;
            case BlockKind::Bullet:
                if (!sameAsPrevious) body += "<ul>\n";
                body += "<li>" + InlineHtml(block.text) + "</li>\n";
                if (!sameAsNext) body += "</ul>\n";
                break;
            case BlockKind::Definition:
                if (!sameAsPrevious) body += "<dl>\n";
                body += "<dt>" + InlineHtml(block.term) + "</dt><dd>" + InlineHtml(block.text) +
                        "</dd>\n";
                if (!sameAsNext) body += "</dl>\n";
                break;
            case BlockKind::Preformatted:
                body += "<pre>" + EscapeHtml(block.text) + "</pre>\n";
                break;
            case BlockKind::Table:
                body += "<table>\n";
                for (std::size_t r = 0; r < block.rows.size(); ++r) {
                    const char* cell = r == 0 ? "th" : "td";
                    body += "<tr>";
                    for (const std::string& text : block.rows[r])
                        body +=
                            std::string("<") + cell + ">" + InlineHtml(text) + "</" + cell + ">";
                    body += "</tr>\n";
                }
                body += "</table>\n";
                break;
        }
    }
    const std::string escapedTitle = EscapeHtml(title);
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           escapedTitle + "</title>\n<style>\n" + std::string(kStyle) +
           "</style>\n</head>\n<body>\n<h1>" + escapedTitle + "</h1>\n<nav>\n<ul>\n" + toc +
           "</ul>\n</nav>\n" + body + "</body>\n</html>\n";
}

std::string RenderRoff(const Document& document) {
    std::string out;
    for (const Block& block : document) {
        switch (block.kind) {
            case BlockKind::Heading1: {
                std::string upper = block.text;
                for (char& c : upper)
                    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
                out += ".SH\n" + RoffLine(InlineRoff(upper));
                break;
            }
            case BlockKind::Heading2:
            case BlockKind::Heading3:
                out += ".SS\n" + RoffLine(InlineRoff(block.text));
                break;
            case BlockKind::Paragraph:
                out += ".PP\n" + RoffLine(InlineRoff(block.text));
                break;
            case BlockKind::Bullet:
                out += ".IP \\(bu 2\n" + RoffLine(InlineRoff(block.text));
                break;
            case BlockKind::Definition:
                out +=
                    ".TP\n" + RoffLine(InlineRoff(block.term)) + RoffLine(InlineRoff(block.text));
                break;
            case BlockKind::Preformatted: {
                out += ".PP\n.RS 4\n.nf\n";
                std::string_view rest = block.text;
                while (true) {
                    const std::size_t newline = rest.find('\n');
                    out += RoffLine(EscapeRoff(rest.substr(0, newline)));
                    if (newline == std::string_view::npos) break;
                    rest.remove_prefix(newline + 1);
                }
                out += ".fi\n.RE\n";
                break;
            }
            case BlockKind::Table:
                // Without tbl: each row a tagged paragraph, its first cell the tag.
                for (std::size_t r = 1; r < block.rows.size(); ++r) {
                    const std::vector<std::string>& row = block.rows[r];
                    std::string rest;
                    for (std::size_t c = 1; c < row.size(); ++c) {
                        if (row[c].empty() || row[c] == "\xE2\x80\x94") continue;
                        if (!rest.empty()) rest += "; ";
                        rest += row[c];
                    }
                    out += ".TP\n" + RoffLine(InlineRoff(row.empty() ? "" : row[0])) +
                           RoffLine(InlineRoff(rest));
                }
                break;
        }
    }
    return out;
}

}  // namespace pictorb::docgen
