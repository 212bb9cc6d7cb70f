#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/cli.h"

namespace pictorb {
namespace {

// Version mode is recognised before the option loop's code is loaded; both must agree on
// every first parameter, or "-v" would print the version in one spelling and not another.
TEST(VersionOption, AgreesWithTheOptionLoop) {
    // clang-format off
    const std::vector<std::string> parameters = {
        "-v", "-V", "--version", "--VERSION", "--Version=1", " -v ", "\t--version", "--version=",
        "--version=a=b", "-v=1", "-vv", "--v", "-version", "--versions", "v", "", "-", "--",
        "--=version", "- v", "--VERSION =1", "-i", "--input=x.bmp",
        "-\xC5\xBF",          // long s, which upper-cases to "S"
        "--vers\xC4\xB1on",   // dotless i, which upper-cases to "I"
    };
    // clang-format on
    for (const std::string& parameter : parameters) {
        SCOPED_TRACE("[" + parameter + "]");
        const std::string name = OptionName({parameter}, 0);
        EXPECT_EQ(IsVersionOption(parameter), name == "-V" || name == "--VERSION");
    }
}

}  // namespace
}  // namespace pictorb
