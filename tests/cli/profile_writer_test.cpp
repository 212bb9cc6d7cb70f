// Profiles and command lines written from settings read back to the same settings.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"
#include "support/process_runner.h"

namespace pictorb {
namespace {

using Args = std::vector<std::string>;

// Text that needs quoting everywhere: blanks, quotes, "$", "%" and non-ASCII.
constexpr char kAwkwardText[] = "It's \"$HOME\" %filename% \u00e9\u4e2d \\ `x` !";

const ProcessState& BaseState() {
    static const ProcessState base = [] {
        ProcessState state;
        state.formats = MakeFormats();
        SetDefaults(state.settings, DefaultsFor::CommandLine, state.formats);
        state.title = "Pictorb test";
        return state;
    }();
    return base;
}

// Every field of the record, also those of formats this edition's settings file leaves out.
std::string Text(const ProcessState& state) {
    std::string text;
    for (const SettingsField& field : SettingsFields())
        text += std::string(field.key) + "=" + FieldText(state.settings, field) + "\n";
    return text;
}

ProcessState Parsed(const Args& args) {
    ProcessState state = BaseState();
    EXPECT_EQ(ParseOptions(state, args).error, "");
    return state;
}

// The words a POSIX shell makes of `line`, the program word first.
Args ShellWords(const std::string& line) {
    test::ChildOptions child;
    child.program = "/bin/sh";
    child.args = {"-c", "words() { for w; do printf '%s\\0' \"$w\"; done; }; words " + line};
    const test::ChildResult result = test::RunChild(child);
    EXPECT_TRUE(result.exited && result.exitCode == 0) << result.err;
    Args words;
    std::size_t start = 0;
    for (std::size_t end; (end = result.out.find('\0', start)) != std::string::npos;
         start = end + 1)
        words.push_back(result.out.substr(start, end - start));
    return words;
}

// Command-line values to try for an option, until one changes a setting.
Args CandidateValues(const OptionDescription& option) {
    switch (option.kind) {
        case OptionValueKind::Integer:
            return {"5", "6"};
        case OptionValueKind::Decimal:
            return {"1.7", "2.25"};
        case OptionValueKind::Text:
            if (option.longName == "--wm-image") return {std::string("/tmp/") + kAwkwardText};
            return {kAwkwardText};
        case OptionValueKind::Keyword: {
            Args keywords;
            for (const KeywordRow& row : KeywordRows(option.keywordTable))
                keywords.insert(keywords.begin(), std::string(row.keyword));
            return keywords;
        }
        case OptionValueKind::Flag:
            return {""};
    }
    return {};
}

TEST(ProfileWriterTest, EveryOptionComesBackFromItsProfileAndCommandLine) {
    const std::string defaults = Text(BaseState());
    test::TempDir dir;
    int tried = 0;
    Args unchangeable;
    for (const OptionDescription& option : DescribeOptions()) {
        if (option.key.empty()) continue;  // writes no setting
        SCOPED_TRACE(option.longName);
        ProcessState changed;
        for (const std::string& value : CandidateValues(option)) {
            Args args{value.empty() ? option.longName : option.longName + "=" + value};
            // The custom time is only used, and so only kept, with the custom timestamp.
            if (option.longName == "--file-timestamp-custom")
                args.push_back("--file-timestamp=custom");
            changed = Parsed(args);
            if (Text(changed) != defaults) break;
        }
        if (Text(changed) == defaults) {
            unchangeable.push_back(option.longName);
            continue;
        }
        ++tried;

        const std::string profile = ProfileText(changed.settings, changed.formats, "Pictorb 9.9");
        EXPECT_EQ(profile.find("\xEF\xBB\xBF\r\n; Profile written by Pictorb 9.9\r\n[CLI]\r\n"),
                  0u);
        EXPECT_NE(profile.find("\r\n" + option.profileKey + " = "), std::string::npos) << profile;
        const std::string path = dir.Join("p.ini");
        ASSERT_TRUE(test::WriteBytes(path, profile));
        std::vector<std::string> refused;
        ProcessState read = BaseState();
        ASSERT_TRUE(LoadProfile(read, path, &refused));
        EXPECT_EQ(refused, Args{});
        EXPECT_EQ(Text(read), Text(changed)) << profile;

        CommandLineSetup setup;
        setup.settings = changed.settings;
        setup.formats = &changed.formats;
        const std::string line = CommandLineText(setup);
        Args words = ShellWords(line);
        ASSERT_FALSE(words.empty()) << line;
        EXPECT_EQ(words.front(), "pictorbcmd");
        words.erase(words.begin());
        EXPECT_EQ(Text(Parsed(words)), Text(changed)) << line;
    }
    EXPECT_GT(tried, 100);
    // Their one keyword is the default.
    EXPECT_EQ(unchangeable, (Args{"--wm-text-size", "--wm-image-size"}));
}

TEST(ProfileWriterTest, StagesAreWrittenOnlyWhenOnAndFlagsOnlyWhenSet) {
    struct Case {
        Args args;
        std::string profileLines;  // the lines of group CLI
    };
    const Case cases[] = {
        {{}, ""},
        // A stage switched on with default values still needs an option that switches it.
        {{"--width=0"}, "--width = 0\r\n--height = 0\r\n"},
        {{"--invert"}, "--brightness = 0\r\n--contrast = 0\r\n--gamma = 1\r\n--invert = 1\r\n"},
        // The later watermark decides; the other kind's value is left out.
        {{"--wm-image=/a.png", "--wm-text=Hi"}, "--wm-text = Hi\r\n"},
        {{"--fr-solid-opacity=7", "--no-subfolders"},
         "--wm-solid-opacity = 7\r\n--no-subfolders = 1\r\n"},
        {{"--wm-text=two\nlines"}, "--wm-text = two lines\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ProcessState state = Parsed(c.args);
        const std::string profile = ProfileText(state.settings, state.formats, "x");
        const std::string head = "\xEF\xBB\xBF\r\n; Profile written by x\r\n[CLI]\r\n";
        EXPECT_EQ(profile, head + c.profileLines + "; \r\n");
    }
    // A stage that is off keeps its values out, so reading cannot switch it on.
    ProcessState off = Parsed({"--width=50"});
    off.settings.doImageResize = 0;
    EXPECT_EQ(ProfileText(off.settings, off.formats, "x").find("--width"), std::string::npos);
}

TEST(ProfileWriterTest, RefusedLinesAreListedAndTheRestIsApplied) {
    test::TempDir dir;
    const std::string path = dir.Join("refused.ini");
    ASSERT_TRUE(test::WriteBytes(path,
                                 "[CLI]\r\n--bogus = 1\r\n--jpg-save-as = fast\r\n"
                                 "--width = 9\r\n-i = a.bmp\r\n--rotation-type = \r\n"));
    ProcessState state = BaseState();
    const OptionLoopResult result = ParseOptions(state, {"--profile=" + path});
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.refusedProfileLines, (Args{path + ": unknown key: --bogus = 1",
                                                path + ": unknown keyword: --jpg-save-as = fast",
                                                path + ": unknown key: -i = a.bmp"}));
    EXPECT_EQ(state.settings.imageWidth, 9);
    EXPECT_EQ(state.settings.jpgSaveAs, 0);
}

TEST(ProfileWriterTest, BareNamesAreLookedUpInTheProfilesFolder) {
    test::TempDir dir;
    const test::ScopedEnv config("XDG_CONFIG_HOME", dir.Join("config"));
    const std::string folder = ProfilesFolder();
    EXPECT_EQ(folder, dir.Join("config") + "/Corvalen/pictorb/profiles/");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(test::WriteBytes(folder + "web.ini", "[CLI]\r\n--width = 11\r\n"));
    const std::string here = dir.Join("here");
    std::filesystem::create_directories(here);
    ASSERT_TRUE(test::WriteBytes(here + "/web", "[CLI]\r\n--width = 22\r\n"));

    EXPECT_EQ(ResolveProfilePath("web"), folder + "web.ini");
    EXPECT_EQ(ResolveProfilePath("nothing"), "nothing");
    EXPECT_EQ(ResolveProfilePath("sub/web"), "sub/web");  // a path is never looked up
    EXPECT_EQ(Parsed({"--profile=web"}).settings.imageWidth, 11);
    // A file of that name in the current folder comes first.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(here);
    EXPECT_EQ(Parsed({"--profile=web"}).settings.imageWidth, 22);
    std::filesystem::current_path(previous);
}

TEST(ProfileWriterTest, CommandLineQuotesEveryAwkwardPath) {
    const Args inputs = {"/tmp/with space.bmp", "/tmp/it's \"q\".bmp", "/tmp/$HOME/%filename%.bmp",
                         "/tmp/\u00fcber/\u65e5\u672c.bmp", "rel/a b.bmp"};
    CommandLineSetup setup;
    setup.program = "/opt/my apps/pictorbcmd";
    setup.inputs = inputs;
    setup.outputFolder = "out $x";
    setup.baseFolder = "/start here";
    setup.outputFormat = "psd";
    setup.settings =
        Parsed({std::string("--wm-text=") + kAwkwardText, "--wm-image=w.png"}).settings;
    setup.formats = &BaseState().formats;
    const std::string line = CommandLineText(setup);
    const Args expected = {"/opt/my apps/pictorbcmd",
                           "-i",
                           inputs[0],
                           "-i",
                           inputs[1],
                           "-i",
                           inputs[2],
                           "-i",
                           inputs[3],
                           "-i",
                           "/start here/rel/a b.bmp",
                           "-o",
                           "/start here/out $x",
                           "--wm-image=/start here/w.png"};
    EXPECT_EQ(ShellWords(line), expected) << line;
    // Plain words stay unquoted, so the line reads well.
    EXPECT_EQ(ShellQuote("--width=640"), "--width=640");
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("a'b"), "'a'\\''b'");
}

}  // namespace
}  // namespace pictorb
