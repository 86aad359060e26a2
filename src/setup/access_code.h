#pragma once

#include <string_view>

namespace tamarack {

// The access code that guards returning the indicator to its factory setup. Compared exactly.
inline constexpr std::string_view kAccessCode = "5183";
inline constexpr std::string_view kPasswordError = "PassWord is Error!";

}  // namespace tamarack
