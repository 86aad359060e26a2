#include "verify/mass.h"

#include "files/text_fields.h"

namespace tamarack {
namespace {

constexpr int kMicroDigits = 6;
constexpr int kMaxWholeDigits = 12;

}  // namespace

std::string MassText(Mass m, int decimals) {
  const bool negative = m.micro < 0;
  // The magnitude as unsigned, so that the most negative value has one too.
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(m.micro) : static_cast<std::uint64_t>(m.micro);
  std::string fraction = std::to_string(magnitude % kMicroPerUnit);
  fraction.insert(0, static_cast<std::size_t>(kMicroDigits) - fraction.size(), '0');
  std::size_t keep = fraction.size();
  const std::size_t least = decimals < 0 ? 0 : static_cast<std::size_t>(decimals);
  while (keep > least && fraction[keep - 1] == '0') --keep;
  std::string text = negative && magnitude != 0 ? "-" : "";
  text += std::to_string(magnitude / kMicroPerUnit);
  if (keep > 0) text += "." + fraction.substr(0, keep);
  return text;
}

std::string SignedMassText(Mass m, int decimals) {
  return m.micro > 0 ? "+" + MassText(m, decimals) : MassText(m, decimals);
}

MassParse ParseMass(std::string_view text, int maxDecimals, bool negativeAllowed) {
  const std::string_view number = TrimBlanks(text);
  const auto refuse = [&](std::string why) { return MassParse{std::nullopt, std::move(why)}; };
  const auto tooFine = [&] {
    return refuse(Quoted(number) + " has more than " + std::to_string(maxDecimals) +
                  (maxDecimals == 1 ? " decimal" : " decimals"));
  };
  if (number.empty()) return refuse("no number was given");
  std::size_t i = 0;
  const bool negative = number[0] == '-';
  if (negative) ++i;
  std::int64_t whole = 0;
  std::int64_t fraction = 0;
  int wholeDigits = 0;
  int decimals = 0;
  bool point = false;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (point) {
        if (++decimals > kMicroDigits) {
          if (c != '0') return tooFine();
          continue;
        }
        fraction = fraction * 10 + (c - '0');
      } else {
        if (++wholeDigits > kMaxWholeDigits) return refuse(Quoted(number) + " is too large");
        whole = whole * 10 + (c - '0');
      }
    } else {
      return refuse(Quoted(number) + " is not a number");
    }
  }
  if (wholeDigits == 0 && decimals == 0) return refuse(Quoted(number) + " is not a number");
  // Trailing zeros beyond the limit say nothing more: "50.000" is 50.0.
  int significant = decimals < kMicroDigits ? decimals : kMicroDigits;
  std::int64_t digits = fraction;
  while (significant > 0 && digits % 10 == 0) {
    digits /= 10;
    --significant;
  }
  if (significant > maxDecimals) return tooFine();
  for (int d = decimals < kMicroDigits ? decimals : kMicroDigits; d < kMicroDigits; ++d) {
    fraction *= 10;
  }
  const Mass mass{whole * kMicroPerUnit + fraction};
  if (negative && mass.micro != 0 && !negativeAllowed) {
    return refuse(Quoted(number) + " is negative");
  }
  return {negative ? -mass : mass, {}};
}

}  // namespace tamarack
