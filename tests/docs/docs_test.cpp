// The man page, the completion and the manual name every option and keyword of the program's
// own tables, render cleanly, and the completion offers what the options take.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "docgen/reference.h"
#include "pipeline/naming.h"
#include "settings/settings.h"
#include "support/process_runner.h"

namespace pictorb::docgen {
namespace {

const std::string kDocs = std::string(PICTORB_SOURCE_DIR) + "/docs";

std::string RoffName(std::string name) {
    std::string out;
    for (char c : name) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

bool HasTool(const std::string& name) {
    for (const char* folder : {"/usr/bin/", "/bin/", "/usr/local/bin/"})
        if (access((folder + name).c_str(), X_OK) == 0) return true;
    return false;
}

test::ChildResult RunTool(const std::string& program, const std::vector<std::string>& args) {
    test::ChildOptions options;
    options.program = program;
    options.args = args;
    return test::RunChild(options);
}

const Outputs& Generated() {
    static const Outputs outputs = GenerateAll(kDocs);
    return outputs;
}

TEST(DocsTest, EveryOptionAndKeywordReachesManPageCompletionAndManual) {
    const Outputs& out = Generated();
    ASSERT_EQ(out.error, "");
    for (const OptionDescription& option : DescribeOptions()) {
        SCOPED_TRACE(option.longName);
        EXPECT_NE(out.manPage.find("\\fB" + RoffName(option.longName)), std::string::npos);
        EXPECT_NE(out.completion.find(" " + option.longName), std::string::npos);
        EXPECT_NE(out.manual.find("<code>" + option.longName), std::string::npos);
        if (!option.shortName.empty()) {
            EXPECT_NE(out.manPage.find("\\fB" + RoffName(option.shortName)), std::string::npos);
            EXPECT_NE(out.completion.find(option.shortName + " " + option.longName),
                      std::string::npos);
        }
        if (option.kind != OptionValueKind::Keyword) continue;
        // Each compression option offers its own format's rows; together they offer all.
        for (const KeywordRow& row : KeywordRows(option.keywordTable)) {
            EXPECT_NE(out.completion.find(std::string(row.keyword)), std::string::npos)
                << row.keyword;
            EXPECT_NE(out.manual.find("<code>" + std::string(row.keyword) + "</code>"),
                      std::string::npos)
                << row.keyword;
        }
    }
    for (std::string_view token : kMaskTokens) {
        SCOPED_TRACE(token);
        EXPECT_NE(out.manual.find("<code>" + std::string(token) + "</code>"), std::string::npos);
        EXPECT_NE(out.manPage.find(std::string(token)), std::string::npos);
    }
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(DocsTest, ManualTagsAreBalanced) {
    const std::string& html = Generated().manual;
    for (const std::string tag :
         {"ul", "dl", "table", "tr", "p", "pre", "li", "code", "h2", "h3"}) {
        SCOPED_TRACE(tag);
        EXPECT_EQ(Count(html, "<" + tag + ">") + Count(html, "<" + tag + " "),
                  Count(html, "</" + tag + ">"));
    }
}

TEST(DocsTest, BuiltFilesAreTheGeneratedOnes) {
    const Outputs& out = Generated();
    const std::string built = PICTORB_BINARY_DIR;
    EXPECT_EQ(test::ReadBytes(built + "/man/pictorbcmd.1"), out.manPage);
    EXPECT_EQ(test::ReadBytes(built + "/completion/pictorbcmd"), out.completion);
    EXPECT_EQ(test::ReadBytes(built + "/doc/index.html"), out.manual);
}

TEST(DocsTest, NotesNameOnlyWhatTheProgramKnows) {
    EXPECT_NE(ParseNotes("--no-such-option  text\n").error.find("--no-such-option"),
              std::string::npos);
    EXPECT_NE(ParseNotes("--input=FILE  one\n--input  two\n").error.find("twice"),
              std::string::npos);
    // Every filename token needs a description: an empty notes text names the first.
    EXPECT_NE(ParseNotes("").error.find("%filename%"), std::string::npos);
}

TEST(DocsTest, MarkupIsEscapedForHtmlAndRoff) {
    const ParseResult parsed = ParseMarkup(
        "# Title\n\nA <b> & `a-b` line\ncontinued.\n.starts with a dot\n\n- item\n  more\n"
        "| A | B |\n|---|---|\n| x | y |\n\n    pre \\ <x>\n",
        nullptr);
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.document.size(), 5u);
    EXPECT_EQ(parsed.document[1].text, "A <b> & `a-b` line continued. .starts with a dot");
    EXPECT_EQ(parsed.document[2].text, "item more");
    EXPECT_EQ(parsed.document[3].rows,
              (std::vector<std::vector<std::string>>{{"A", "B"}, {"x", "y"}}));
    const std::string html = RenderHtml(parsed.document, "T");
    EXPECT_NE(html.find("A &lt;b&gt; &amp; <code>a-b</code> line"), std::string::npos);
    EXPECT_NE(html.find("<pre>pre \\ &lt;x&gt;</pre>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"#title\">Title</a>"), std::string::npos);
    const std::string roff = RenderRoff(parsed.document);
    EXPECT_NE(roff.find("\\fBa\\-b\\fR"), std::string::npos);
    EXPECT_NE(roff.find(".nf\npre \\e <x>\n.fi\n"), std::string::npos) << roff;
    EXPECT_NE(RenderRoff({{BlockKind::Paragraph, ".x 'y", {}, {}}}).find("\n\\&.x 'y\n"),
              std::string::npos);
    EXPECT_EQ(ParseMarkup("text\n@nothing\n", nullptr).error, "line 2: unknown part @nothing");
}

TEST(DocsTest, ManPageRendersWithoutWarnings) {
    if (!HasTool("groff")) GTEST_SKIP() << "groff is not installed";
    const test::ChildResult run =
        RunTool("/usr/bin/groff",
                {"-man", "-ww", "-z", std::string(PICTORB_BINARY_DIR) + "/man/pictorbcmd.1"});
    EXPECT_TRUE(run.exited && run.exitCode == 0);
    EXPECT_EQ(run.err, "");
}

TEST(DocsTest, DesktopEntryAndMetainfoValidate) {
    const std::string data = std::string(PICTORB_SOURCE_DIR) + "/data/";
    const std::pair<std::string, std::vector<std::string>> checks[] = {
        {"desktop-file-validate", {data + "pictorb.desktop"}},
        {"appstreamcli", {"validate", "--no-net", data + "example.corvalen.pictorb.metainfo.xml"}},
    };
    for (const auto& [tool, args] : checks) {
        SCOPED_TRACE(tool);
        if (!HasTool(tool)) continue;
        const test::ChildResult run = RunTool("/usr/bin/" + tool, args);
        EXPECT_TRUE(run.exited && run.exitCode == 0) << run.out << run.err;
        for (const std::string bad : {"error", "warning", "W:", "E:"}) {
            EXPECT_EQ(run.out.find(bad), std::string::npos) << run.out;
            EXPECT_EQ(run.err.find(bad), std::string::npos) << run.err;
        }
    }
}

// Runs the completion function for `words` (the last one is being completed) in `folder`.
std::vector<std::string> Complete(const std::vector<std::string>& words,
                                  const std::string& folder) {
    std::string array;
    for (const std::string& word : words) array += " '" + word + "'";
    const std::string script = "source '" + std::string(PICTORB_BINARY_DIR) +
                               "/completion/pictorbcmd' && cd '" + folder + "' && COMP_WORDS=(" +
                               array + ") && COMP_CWORD=" + std::to_string(words.size() - 1) +
                               " && _pictorbcmd && printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
    const test::ChildResult run = RunTool("/bin/bash", {"-c", script});
    EXPECT_TRUE(run.exited && run.exitCode == 0) << run.err;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
        if (end > start) lines.push_back(run.out.substr(start, end - start));
    return lines;
}

TEST(DocsTest, CompletionOffersOptionsKeywordsAndFiles) {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.PNG", "c.DIB", "notes.txt"})
        test::WriteBytes(dir.Join(name), "x");
    std::filesystem::create_directory(dir.Join("sub"));
    using Lines = std::vector<std::string>;
    const std::pair<Lines, Lines> cases[] = {
        {{"pictorbcmd", "--jpg-sa"}, {"--jpg-save-as="}},
        // "=" breaks words by default: the option, "=", then the value.
        {{"pictorbcmd", "--jpg-save-as", "=", "pro"}, {"PROGRESSIVE"}},
        {{"pictorbcmd", "--JPG-SAVE-AS", "=", ""},
         {"OPTIMIZED", "PROGRESSIVE", "SIMPLE", "STANDARD"}},
        {{"pictorbcmd", "--png-compression", "=", "z"}, {"ZLIB1", "ZLIB6", "ZLIB9"}},
        // Without "=" among the word breaks the value is part of the word.
        {{"pictorbcmd", "--wm-text-position=bottomr"}, {"--wm-text-position=BOTTOMRIGHT"}},
        {{"pictorbcmd", "-i", ""}, {"a.bmp", "c.DIB", "sub"}},
        {{"pictorbcmd", "--input", "=", ""}, {"a.bmp", "c.DIB", "sub"}},
        {{"pictorbcmd", "-o", ""}, {"sub"}},
        {{"pictorbcmd", "-c", ""}, {"psd"}},
        {{"pictorbcmd", "-t", ""}, {"sub"}},
        {{"pictorbcmd", "--vers"}, {"--version"}},
        {{"pictorbcmd", "-q", "--vers"}, {}},  // a start mode only comes first
        {{"pictorbcmd", "-q", "--greys"}, {"--greyscale"}},
        {{"pictorbcmd", "--width", "=", "1"}, {}},
    };
    for (const auto& [words, expected] : cases) {
        SCOPED_TRACE(::testing::PrintToString(words));
        EXPECT_EQ(Complete(words, dir.Path()), expected);
    }
}

}  // namespace
}  // namespace pictorb::docgen
