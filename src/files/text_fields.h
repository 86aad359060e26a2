#pragma once

// The small text rules every format, option and typed value shares: the blanks around a field,
// ASCII letter case (names and keywords are ASCII; other bytes pass unchanged) and a value quoted
// in a message.

#include <string>
#include <string_view>

namespace tamarack {

// `text` without the spaces, tabs and line ends around it.
inline std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

inline std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace tamarack
