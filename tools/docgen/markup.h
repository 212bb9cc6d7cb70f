#pragma once
// A small text markup for the manual and the man page, and its HTML and roff renderings.
//
//   # Chapter, ## Section, ### Subsection
//   text lines joined into paragraphs; a blank line ends one
//   - bullet item (indented lines continue it)
//   | cell | cell |   table rows, the first row the header
//       four-blank indented lines: preformatted text
//   @name   a generated part, replaced by the caller's blocks
// Inline: `code` is shown as code (bold in the man page).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb::docgen {

enum class BlockKind {
    Heading1,
    Heading2,
    Heading3,
    Paragraph,
    Bullet,
    Preformatted,
    Table,
    Definition
};

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    std::string text;                            // inline markup allowed (not Preformatted)
    std::string term;                            // Definition: the term, inline markup allowed
    std::vector<std::vector<std::string>> rows;  // Table: header row first
};

using Document = std::vector<Block>;

// Supplies the blocks of "@name"; nullopt when the name is unknown (an error).
using GeneratedPart = std::function<std::optional<Document>(std::string_view name)>;

struct ParseResult {
    Document document;
    std::string error;  // empty on success: "line 12: unknown part @foo"
};

ParseResult ParseMarkup(std::string_view text, const GeneratedPart& parts);

// A whole HTML page with a table of contents built from the chapters and sections.
std::string RenderHtml(const Document& document, std::string_view title);
// The body of a man page (after the .TH line): chapters become .SH, sections .SS.
std::string RenderRoff(const Document& document);

// Text made safe for HTML and for roff, inline markup applied.
std::string InlineHtml(std::string_view text);
std::string InlineRoff(std::string_view text);

}  // namespace pictorb::docgen
