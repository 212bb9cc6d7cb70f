// Which programs may load a module from the build folder: only those that run from it.

#include <gtest/gtest.h>

#include "platform/modules.h"

namespace pictorb {
namespace {

TEST(ModulesTest, OnlyProgramsInsideTheBuildFolderUseItsModules) {
    const char* built = "/work/build/pictorb-engine.so";
    const std::pair<const char*, bool> cases[] = {
        {"/work/build/", true},        // the built program
        {"/work/build/tests/", true},  // the test programs
        {"/usr/bin/", false},          // installed
        {"/tmp/copy/bin/", false},     // copied out of the build folder
        {"/work/build-asan/", false},  // a sibling whose name starts the same
        {"/work/", false},             // above the build folder
        {"", false},
    };
    for (const auto& [folder, expected] : cases) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(MayUseBuiltModule(folder, built), expected);
    }
    EXPECT_FALSE(MayUseBuiltModule("/work/build/", ""));
    EXPECT_FALSE(MayUseBuiltModule("/", "pictorb-engine.so"));
}

}  // namespace
}  // namespace pictorb
