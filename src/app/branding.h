#pragma once
// The maker's names and addresses, fixed at build time. The hosts are .example names: there
// is no real server behind them. The update server is a build option (PICTORB_UPDATE_HOST).

#include <cstdint>
#include <string_view>

namespace pictorb {

inline constexpr std::string_view kDisplayName = "Corvalen Pictorb";
inline constexpr int32_t kVersionNumber = 220;  // shown as "2.2"
inline constexpr std::string_view kShortName = "pictorb";
inline constexpr std::string_view kVendorName = "Corvalen";
// The maker's web site root; the program's homepage and its other pages lie below it.
inline constexpr std::string_view kSiteAddress = "https://www.corvalen.example";
inline constexpr std::string_view kWebAddress = "https://www.corvalen.example/pictorb/";
inline constexpr std::string_view kSupportAddress = "support@corvalen.example";
// The banner prints "©" as "(c)".
inline constexpr std::string_view kNoticeLine =
    "Copyright \u00A9 2026 Corvalen Software. All rights reserved.";

}  // namespace pictorb
