#pragma once

#include <cstdio>
#include <string>

#include "records/record.h"

namespace tamarack::records::test {

// A complete read as the indicator gives it: Numbers in six digits, choices as their option
// text, a version, a date and a time; with the calibration counts the test asks for.
inline ReadContent SampleRead(long long zero = 12000, long long span = 480000,
                              const std::string& version = "V2.1") {
  ReadContent read;
  for (const SetupParam& p : SetupParams()) {
    std::string& value = read.values[RowIndex(p)];
    char six[16];
    switch (p.kind) {
      case ParamKind::kNumber: {
        long long n = p.defaultText.empty() ? 1000 : std::stoll(std::string(p.defaultText));
        if (p.address == kZeroCountAddress) n = zero;
        if (p.address == kSpanCountAddress) n = span;
        std::snprintf(six, sizeof six, "%06lld", n);
        value = six;
        break;
      }
      case ParamKind::kChoice:
        value = std::string(p.options[static_cast<std::size_t>(p.defaultCode)]);
        break;
      case ParamKind::kVersion:
        value = version;
        break;
      case ParamKind::kDate:
        value = "24-03-26";
        break;
      case ParamKind::kTime:
        value = "17:05:09";
        break;
    }
  }
  read.port = "COM1";
  read.line = "9600 baud, 8 data bits, parity none, 1 stop bit";
  return read;
}

inline std::string& ValueAt(ReadContent& read, ParamAddress address) {
  for (const SetupParam& p : SetupParams()) {
    if (p.address == address) return read.values[RowIndex(p)];
  }
  throw "no such parameter";
}

}  // namespace tamarack::records::test
