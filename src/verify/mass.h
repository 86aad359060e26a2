#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamarack {

// Millionths of the display's unit in one unit.
inline constexpr std::int64_t kMicroPerUnit = 1'000'000;

// A mass, a load or an error in the display's unit, as a whole number of millionths of that unit.
// The finest division the indicator shows is 0.0001; half of it, the changeover weights of a tenth
// of it and the error sums are all whole millionths, so nothing here is ever rounded.
struct Mass {
  std::int64_t micro = 0;

  friend constexpr auto operator<=>(const Mass&, const Mass&) = default;
  constexpr Mass operator+(Mass other) const { return {micro + other.micro}; }
  constexpr Mass operator-(Mass other) const { return {micro - other.micro}; }
  constexpr Mass operator-() const { return {-micro}; }
};

constexpr Mass Abs(Mass m) {
  return m.micro < 0 ? -m : m;
}

// "500.0", "-0.1", "0.05": at least `decimals` decimals, more only where the mass has them.
std::string MassText(Mass m, int decimals);
// The same with a sign in front of every non-zero mass: "+0.3", "-0.1", "0.0".
std::string SignedMassText(Mass m, int decimals);

struct MassParse {
  std::optional<Mass> mass;
  std::string message;  // why the text was refused: "\"12a\" is not a number"
};

// Reads a decimal number: blanks around it, an optional minus sign where `negativeAllowed`,
// digits with at most one point. More than `maxDecimals` decimals, a number of more than twelve
// whole digits, a comma or any other character is refused with its reason.
MassParse ParseMass(std::string_view text, int maxDecimals, bool negativeAllowed);

}  // namespace tamarack
