#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "settings/settings.h"
#include "support/process_runner.h"

namespace pictorb {
namespace {

using Args = std::vector<std::string>;

ProcessState FreshState() {
    ProcessState state;
    state.formats = MakeFormats();
    SetDefaults(state.settings, DefaultsFor::CommandLine, state.formats);
    return state;
}

TEST(OptionTextTest, NameAndValueOfAParameter) {
    struct Case {
        std::string parameter, name, value;
    };
    const Case cases[] = {
        {"--Input=C:/a.bmp", "--INPUT", "C:/a.bmp"},
        {"-i", "-I", "-i"},
        {"-i=a.bmp", "-I=A.BMP", "-i=a.bmp"},  // one dash: the whole parameter is the name
        {"  --width=640 \t", "--WIDTH", "640"},
        {"--wm-text=a=b", "--WM-TEXT", "a=b"},  // the first "=" splits
        {"--=x", "--", "x"},
        {"--invert", "--INVERT", "--invert"},  // no "=": the value is the option itself
        {"photo.bmp", "", "photo.bmp"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter);
        const Args args{"first", c.parameter};
        EXPECT_EQ(OptionName(args, 1), c.name);
        EXPECT_EQ(OptionValue(args, 1), c.value);
    }
    EXPECT_EQ(OptionName({"-i"}, 1), "");
    EXPECT_EQ(OptionValue({"-i"}, 1), "");
}

TEST(OptionTextTest, TextToIntegerReadsDecimalHexAndBinaryPrefixes) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const std::pair<std::string, int32_t> cases[] = {
        {"640px", 640},
        {"$280", 640},
        {"%1010", 10},
        {" \t-12", -12},
        {"+7", 7},
        {"-$10", -16},
        {"$fF", 255},
        {"%102", 2},
        {"abc", 0},
        {"", 0},
        {"$", 0},
        {"-", 0},
        {"1 2", 1},
        {"$g1", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"-2147483648", kMin},
        // Past 32 bits the value wraps modulo 2^32.
        {"2147483648", kMin},
        {"4294967296", 0},
        {"$FFFFFFFF", -1},
        {"99999999999999999999999", -159383553},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(TextToInteger(text), expected);
    }
}

TEST(OptionTextTest, TextToDecimalReadsTheLongestLeadingNumber) {
    const std::pair<std::string, float> cases[] = {
        {"1.5x", 1.5f},    {" 2.25", 2.25f}, {".5", 0.5f},  {"5.", 5.0f},
        {"1e2", 100.0f},   {"1e", 1.0f},     {"1e+", 1.0f}, {"2E-1", 0.2f},
        {"-0.25", -0.25f}, {"1,5", 1.0f},  // "." is the decimal point whatever the locale
        {"abc", 0.0f},     {"", 0.0f},       {".", 0.0f},   {"+", 0.0f},
        {"1e-999", 0.0f},  {"9.99", 9.99f},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_FLOAT_EQ(TextToDecimal(text), expected);
    }
    constexpr float kInf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(TextToDecimal("+Infinity"), kInf);
    EXPECT_EQ(TextToDecimal("-INFINITY"), -kInf);
    EXPECT_TRUE(std::isnan(TextToDecimal("nan")));
    // Beyond the float range (and beyond the double range) the value is infinite, not UB.
    EXPECT_EQ(TextToDecimal("3.5e38"), kInf);
    EXPECT_EQ(TextToDecimal("-1e999"), -kInf);
}

TEST(OptionLoopTest, ValuesReachTheirSettings) {
    ProcessState state = FreshState();
    const OptionLoopResult result = ParseOptions(
        state, {"--JPG-SAVE-AS= progressive ", "--width=640px", "--height=$280", "--brightness=-20",
                "--gamma=2.5", "--wm-font=Liberation Sans", "--file-timestamp=custom",
                "--no-subfolders", "-o", "out", "-c", "psd", "-d", "--unknown", "stray", "-q"});
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.quiet);
    EXPECT_FALSE(result.pause);
    EXPECT_EQ(state.settings.jpgSaveAs, 3);
    EXPECT_EQ(state.settings.imageWidth, 640);
    EXPECT_EQ(state.settings.imageHeight, 640);
    EXPECT_EQ(state.settings.doImageResize, 1);
    EXPECT_EQ(state.settings.imageBrightness, -20);
    EXPECT_FLOAT_EQ(state.settings.imageGamma, 2.5f);
    EXPECT_EQ(state.settings.doImageColorCorrection, 1);
    EXPECT_EQ(state.settings.font, "Liberation Sans");
    EXPECT_EQ(state.settings.fileTimestamp, 2);
    EXPECT_EQ(state.settings.keepSubfolders, 0);
    EXPECT_EQ(state.job.outputFolder, "out");
    EXPECT_EQ(state.job.outputFormatKey, "psd");
    EXPECT_EQ(state.job.runMode, "DEBUG");
    EXPECT_EQ(state.job.commandLineMode, 0);  // no input option: the desktop would start
}

TEST(OptionLoopTest, KeywordsMatchInAnyCaseAndUnknownOnesGiveZero) {
    const std::pair<std::string, int> cases[] = {
        {"--jpg-save-as=progressive", 3}, {"--JPG-SAVE-AS=PROGRESSIVE", 3},
        {"--jpg-save-as=Optimized", 2},   {"--jpg-save-as=fast", 0},
        {"--jpg-save-as= simple", 1},
    };
    for (const auto& [parameter, expected] : cases) {
        SCOPED_TRACE(parameter);
        ProcessState state = FreshState();
        state.settings.jpgSaveAs = 1;
        EXPECT_EQ(ParseOptions(state, {parameter}).error, "");
        EXPECT_EQ(state.settings.jpgSaveAs, expected);
    }
    ProcessState state = FreshState();
    ParseOptions(state, {"--png-compression=lzw", "--raw-load-as=48hs", "--wm-text-position=x"});
    EXPECT_EQ(state.settings.pngCompression, 6);
    EXPECT_EQ(state.settings.rawLoadAs, 4);
    EXPECT_EQ(state.settings.textPosition, 0);
}

TEST(OptionLoopTest, SwitchesAreWrittenOnlyAfterAGoodValue) {
    struct Case {
        Args args;
        bool error;
        int8_t ConversionSettings::*flag;
        int8_t expected;
    };
    using CS = ConversionSettings;
    const Case cases[] = {
        {{"--width"}, true, &CS::doImageResize, 0},
        {{"--width="}, true, &CS::doImageResize, 0},
        {{"--brightness=--20"}, true, &CS::doImageColorCorrection, 0},
        {{"--threshold=--1"}, true, &CS::doImageThreshold, 0},
        {{"--rotation=90"}, false, &CS::doImageRotation, 1},
        {{"--fr-solid-top=3"}, false, &CS::doFrame, 1},
        {{"--fr-solid-opacity=3", "--fr-solid-top-color=FF0000"}, false, &CS::doFrame, 0},
        {{"--invert=whatever"}, false, &CS::doImageColorCorrection, 1},
        {{"--wm-text=Hi", "--wm-image=w.bmp"}, false, &CS::doWatermark, 2},
        {{"--wm-image=w.bmp", "--wm-text=Hi"}, false, &CS::doWatermark, 1},
        {{"--wm-text=Hi", "--wm-image"}, true, &CS::doWatermark, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ProcessState state = FreshState();
        EXPECT_EQ(ParseOptions(state, c.args).error,
                  c.error ? "Incorrect number of parameters" : "");
        EXPECT_EQ(state.settings.*c.flag, c.expected);
    }
}

TEST(OptionLoopTest, ValueFetchingOfShortAndLongForms) {
    struct Case {
        Args args;
        std::string error;
        std::string input;
        int8_t mode;
    };
    const std::string kBad = "Incorrect number of parameters";
    const Case cases[] = {
        {{"-i", "a.bmp"}, "", "a.bmp", 1},
        {{"--Input=x"}, "", "x", 1},
        {{"--input=-x.bmp"}, kBad, "", 1},  // an option with a one-letter form refuses "-"
        {{"--wm-text=-x"}, "", "", 0},      // a long-only option refuses only "--"
        {{"-i=a.bmp"}, "", "", 0},          // matches no option
        {{"-i"}, kBad, "", 1},              // input mode is set before the value
        {{"-i", "-o", "x"}, kBad, "", 1},
        {{"-i", ""}, kBad, "", 1},
        {{"--input"}, kBad, "", 1},
        {{"--input=--a"}, kBad, "", 1},
        {{"-i", "  a b.bmp  "}, "", "a b.bmp", 1},
        {{"-o", "-x"}, kBad, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        ProcessState state = FreshState();
        EXPECT_EQ(ParseOptions(state, c.args).error, c.error);
        EXPECT_EQ(state.job.commandLineInput, c.input);
        EXPECT_EQ(state.job.commandLineMode, c.mode);
    }
}

TEST(OptionLoopTest, TheFirstErrorStopsTheLoopAndPauseCountsOnlyBeforeIt) {
    ProcessState state = FreshState();
    OptionLoopResult result = ParseOptions(state, {"-p", "--input", "--invert", "-q"});
    EXPECT_EQ(result.error, "Incorrect number of parameters");
    EXPECT_TRUE(result.pause);
    EXPECT_FALSE(result.quiet);
    EXPECT_EQ(state.settings.imageInvert, 0);

    state = FreshState();
    result = ParseOptions(state, {"--profile=", "-p"});
    EXPECT_EQ(result.error, "Incorrect number of parameters");
    EXPECT_FALSE(result.pause);

    state = FreshState();
    result = ParseOptions(state, {"--profile=/nonexistent/p.ini", "--invert"});
    EXPECT_EQ(result.error, "Invalid profile file");
    EXPECT_EQ(state.settings.imageInvert, 0);
}

TEST(ProfileTest, GroupCliIsAppliedInOrderWithTheProfileRules) {
    test::TempDir dir;
    const std::string path = dir.Join("p.ini");
    ASSERT_TRUE(test::WriteBytes(path,
                                 "[Other]\r\n--contrast = 50\r\n"
                                 "[cli]\r\n"
                                 "--WM-SOLID-OPACITY = 128\r\n"
                                 "--fr-solid-opacity = 5\r\n"
                                 "--invert = 0\r\n"
                                 "--wm-font =   Liberation Serif  \r\n"
                                 "--height =\r\n"
                                 "--jpg-save-as = simple\r\n"
                                 "-i = in.bmp\r\n"
                                 "-q = 1\r\n"
                                 "--debug = 1\r\n"
                                 "--profile = other.ini\r\n"
                                 "--Brightness = 10\r\n"));
    ProcessState state = FreshState();
    const int32_t contrast = state.settings.imageContrast;
    const OptionLoopResult result =
        ParseOptions(state, {"--brightness=5", "--profile=" + path, "--width=7"});
    EXPECT_EQ(result.error, "");
    EXPECT_FALSE(result.quiet);
    EXPECT_EQ(state.settings.solidOpacity, 128);
    EXPECT_EQ(state.settings.doFrame, 0);
    EXPECT_EQ(state.settings.imageInvert, 1);  // flags are set whatever the value
    EXPECT_EQ(state.settings.font, "Liberation Serif");
    EXPECT_EQ(state.settings.imageHeight, 0);  // no parameter check in a profile
    EXPECT_EQ(state.settings.doImageResize, 1);
    EXPECT_EQ(state.settings.imageWidth, 7);  // later options overwrite the profile
    EXPECT_EQ(state.settings.jpgSaveAs, 1);
    EXPECT_EQ(state.settings.imageBrightness, 10);  // the profile overwrites earlier options
    EXPECT_EQ(state.settings.imageContrast, contrast);
    EXPECT_EQ(state.job.commandLineInput, "");
    EXPECT_EQ(state.job.commandLineMode, 0);
    EXPECT_EQ(state.job.runMode, "");

    // A readable profile without group "CLI" is no error and changes nothing.
    const std::string empty = dir.Join("empty.ini");
    ASSERT_TRUE(test::WriteBytes(empty, "[General]\r\n--invert = 1\r\n"));
    ProcessState plain = FreshState();
    EXPECT_TRUE(LoadProfile(plain, empty));
    EXPECT_EQ(plain.settings.imageInvert, 0);
    EXPECT_FALSE(LoadProfile(plain, ""));
    EXPECT_FALSE(LoadProfile(plain, dir.Join("missing.ini")));
}

}  // namespace
}  // namespace pictorb
