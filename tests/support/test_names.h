#pragma once

#include <cctype>
#include <string>

namespace tamarack::test {

// Turns a case description into a GoogleTest parameter name ("key 16" -> "key_16").
inline std::string CaseName(const char* what) {
  std::string name;
  for (const char* c = what; *c; ++c) {
    name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  }
  return name;
}

// Name generator for parameterised suites whose parameter has a `what` member.
struct ByWhat {
  template <typename Info>
  std::string operator()(const Info& i) const {
    return CaseName(i.param.what);
  }
};

}  // namespace tamarack::test
