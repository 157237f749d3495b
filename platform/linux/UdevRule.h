#pragma once

#include <string_view>

namespace platform {

// The udev rule installed with Tarvik (packaging/) that lets the logged-in user open the
// board's hidraw node; log lines about a board that cannot be opened name it.
inline constexpr std::string_view BoardUdevRuleFile = "69-tarvik-morvane.rules";

}  // namespace platform
