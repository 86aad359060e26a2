#include "setup/write_all_block.h"

#include <cassert>
#include <climits>
#include <initializer_list>
#include <utility>

namespace tamarack {
namespace {

enum class Encoding { kBcd, kBigEndian24 };

struct NumberSlot {
  std::string_view param;
  std::size_t offset;
  Encoding encoding;
  int factor;
};

// Where each Number lands in the block.
constexpr NumberSlot kNumberSlots[] = {
    {"F7.1", 0, Encoding::kBcd, 1},         {"F3.3", 18, Encoding::kBigEndian24, 8},
    {"F3.1", 21, Encoding::kBigEndian24, 8}, {"F3.2", 24, Encoding::kBigEndian24, 1},
    {"F7.2", 27, Encoding::kBcd, 1},         {"F1.1", 37, Encoding::kBigEndian24, 1},
    {"F6.2", 40, Encoding::kBcd, 1},         {"F6.3", 43, Encoding::kBcd, 1},
};

struct CodeTerm {
  std::string_view param;
  int factor;
};

struct CodeSlot {
  std::size_t offset;
  std::initializer_list<CodeTerm> terms;
};

// The bytes that pack choice codes, each a sum of code x factor.
const CodeSlot kCodeSlots[] = {
    {13, {{"F2.2", 1}, {"F2.4", 16}}},
    {14, {{"F2.3", 1}, {"F2.5", 16}}},
    {15, {{"F1.7", 1}}},
    {16, {{"F1.8", 1}}},
    {17, {{"F1.9", 1}}},
    {31, {{"F6.1", 1}, {"F1.5", 4}, {"F1.2", 16}, {"F2.1", 64}, {"F1.3", 128}}},
    {32, {{"F1.4", 1}, {"F5.1", 16}, {"F4.1", 64}}},
    {33, {{"F1.6", 1}, {"F1.10", 16}, {"F1.12", 128}}},
    {34, {{"F1.11", 1}, {"F4.3", 8}, {"F2.6", 16}, {"F4.2", 64}}},
};

const SetupParam& Param(std::string_view displayNumber) {
  const SetupParam* param = FindParam(displayNumber);
  assert(param != nullptr);
  return *param;
}

std::uint8_t Bcd(long long twoDigits) {
  return static_cast<std::uint8_t>((twoDigits / 10) * 16 + twoDigits % 10);
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

long long LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate towards the sign so that LLONG_MIN is reachable; saturate on overflow.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      if (value < (LLONG_MIN + digit) / 10) return LLONG_MIN;
      value = value * 10 - digit;
    } else {
      if (value > (LLONG_MAX - digit) / 10) return LLONG_MAX;
      value = value * 10 + digit;
    }
  }
  return value;
}

WriteAllBlock BuildWriteAllBlock(const SetupModel& model) {
  WriteAllBlock block{};
  for (const NumberSlot& slot : kNumberSlots) {
    const auto newValue = static_cast<std::size_t>(NewValueSlot(Param(slot.param)));
    const long long value = LeadingInteger(model.newValue[newValue]);
    if (value < 0 || value > 999999) continue;
    if (slot.encoding == Encoding::kBcd) {
      block[slot.offset] = Bcd(value / 10000);
      block[slot.offset + 1] = Bcd(value / 100 % 100);
      block[slot.offset + 2] = Bcd(value % 100);
    } else {
      const long long scaled = value * slot.factor;  // 999999 x 8 still fits 24 bits
      block[slot.offset] = static_cast<std::uint8_t>(scaled >> 16);
      block[slot.offset + 1] = static_cast<std::uint8_t>(scaled >> 8);
      block[slot.offset + 2] = static_cast<std::uint8_t>(scaled);
    }
  }
  for (const CodeSlot& slot : kCodeSlots) {
    unsigned sum = 0;
    for (const CodeTerm& term : slot.terms) {
      const int code = model.choice[RowIndex(Param(term.param))];
      if (code > 0) sum += static_cast<unsigned>(code) * static_cast<unsigned>(term.factor);
    }
    block[slot.offset] = static_cast<std::uint8_t>(sum % 256);
  }
  return block;
}

}  // namespace tamarack
