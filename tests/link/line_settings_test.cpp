// The line settings' two texts and what a byte costs on the wire.

#include "link/line_settings.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

TEST(LineSettingsTest, BothTextsAndTheByteTime) {
  const struct {
    LineSettings settings;
    const char* text;
    const char* description;
    int bits;
  } rows[] = {
      {{9600, 8, 1, Parity::kNone},
       "9600 8 1 NOPARITY",
       "9600 baud, 8 data bits, parity none, 1 stop bit",
       10},
      {{4800, 7, 2, Parity::kEven},
       "4800 7 2 EVENPARITY",
       "4800 baud, 7 data bits, parity even, 2 stop bits",
       11},
      {{2400, 7, 1, Parity::kOdd},
       "2400 7 1 ODDPARITY",
       "2400 baud, 7 data bits, parity odd, 1 stop bit",
       10},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.settings.Text(), row.text);
    EXPECT_EQ(row.settings.Description(), row.description);
    EXPECT_EQ(row.settings.BitsPerByte(), row.bits);
    EXPECT_EQ(row.settings.ByteTime(),
              std::chrono::nanoseconds(1'000'000'000LL * row.bits / row.settings.baud));
  }
  // The default is the Comm list's: 9600 8N1.
  EXPECT_EQ(LineSettings{}.Text(), "9600 8 1 NOPARITY");
}

}  // namespace
}  // namespace tamarack
