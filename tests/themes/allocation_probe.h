#pragma once
// The largest single request made through operator new since the last reset: the theme
// tests check that no size an archive declares turns into an allocation of that size.

#include <cstddef>

namespace pictorb::themetest {

void ResetLargestAllocation();
std::size_t LargestAllocation();

}  // namespace pictorb::themetest
