#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// The product's name, the title of the main window and the caption of its error boxes.
inline constexpr std::string_view kProductName = "Tamarack";
// The maker's web address that follows every window title after a run of blanks.
inline constexpr std::string_view kMakerWebAddress = "www.tamarack-scales.example";
// The run of blanks between a window's name and the web address.
inline constexpr std::string_view kTitleGap = "                    ";

// "SETUP" becomes "SETUP", the blanks and the web address.
inline std::string WindowTitle(std::string_view name) {
  return std::string(name) + std::string(kTitleGap) + std::string(kMakerWebAddress);
}

}  // namespace tamarack
