#include "indicator/display_decode.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::array<std::uint8_t, kDisplayReplySize> Reply(const Bytes& bytes) {
  std::array<std::uint8_t, kDisplayReplySize> r{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
  return r;
}

struct DecodeCase {
  const char* what;
  Bytes reply;  // the nine reply bytes (missing ones are zero)
  bool blinkPhase;
  std::vector<std::string> cells;
  std::string shown;
};

class Decoding : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, GivesCellsAndShownCharacters) {
  const DecodeCase& c = GetParam();
  DisplayState state;
  DecodeDisplay(Reply(c.reply), c.blinkPhase, state);
  const auto cells = DisplayCells(state.displayText);
  EXPECT_EQ(std::vector<std::string>(cells.begin(), cells.end()), c.cells);
  EXPECT_EQ(ShownCharacters(state.displayText), c.shown);
  // Every cell ends on a tab stop of its own.
  EXPECT_EQ(state.displayText.back(), '\t');
  EXPECT_EQ(std::count(state.displayText.begin(), state.displayText.end(), '\t'),
            static_cast<std::ptrdiff_t>(c.cells.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Decoding,
    testing::Values(
        DecodeCase{"six zeros",
                   {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x06},
                   false,
                   {"0", "0", "0", "0", "0", "0"},
                   "000000"},
        DecodeCase{"point takes its own cell",
                   {0x00, 0x00, 0x06, 0xBF, 0x3F, 0x3F, 0x06},
                   false,
                   {" ", " ", "1", "0", ".", "0", "0"},
                   "  10.00"},
        DecodeCase{"blank with point",
                   {0x80, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x06},
                   false,
                   {" ", ".", "0", "0", "0", "0", "0"},
                   " .00000"},
        DecodeCase{"unknown code shows a point alone",
                   {0x01, 0x81, 0x7F, 0xFF, 0x2A, 0xAA, 0x07},
                   false,
                   {".", ".", "8", "8", ".", ".", "."},
                   "..88..."},
        DecodeCase{"letters and signs",
                   {0x0E, 0x38, 0x40, 0x48, 0x54, 0x79, 0x06},
                   false,
                   {"?", "L", "-", "=", "n", "E"},
                   "?L-=nE"},
        // Byte 6 = 2: digit 2 is being edited. It blinks: blank (point kept) while the phase is
        // clear, shown while it is set.
        DecodeCase{"edited digit, phase clear",
                   {0x06, 0x5B, 0xCF, 0x66, 0x6D, 0x7D, 0x02},
                   false,
                   {"1", "2", " ", ".", "4", "5", "6"},
                   "12 .456"},
        DecodeCase{"edited digit, phase set",
                   {0x06, 0x5B, 0xCF, 0x66, 0x6D, 0x7D, 0x02},
                   true,
                   {"1", "2", "3", ".", "4", "5", "6"},
                   "123.456"},
        DecodeCase{"edited position 7 means none",
                   {0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07},
                   false,
                   {"1", "2", "3", "4", "5", "6"},
                   "123456"},
        // Bit 4 or 5 of byte 6 with a blank first digit moves the digits one place left.
        DecodeCase{"shift 0x16, phase clear",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x16},
                   false,
                   {"1", "2", "3", "4", "5", " "},
                   "12345 "},
        DecodeCase{"shift 0x16, phase set",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x16},
                   true,
                   {"1", "2", "3", "4", "5", " "},
                   "12345 "},
        DecodeCase{"shift 0x26 by bit 5",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x26},
                   false,
                   {"1", "2", "3", "4", "5", " "},
                   "12345 "},
        DecodeCase{"no shift when first digit has its point",
                   {0x80, 0x06, 0, 0, 0, 0, 0x16},
                   false,
                   {" ", ".", "1", " ", " ", " ", " "},
                   " .1    "},
        DecodeCase{"no shift without a flag",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x46},
                   false,
                   {" ", "1", "2", "3", "4", "5"},
                   " 12345"},
        // Byte 6 = 0x12: editing blanks digit 2 while the phase is clear, and only then.
        DecodeCase{"edit and shift 0x12, phase clear",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x12},
                   false,
                   {" ", "1", " ", "3", "4", "5"},
                   " 1 345"},
        DecodeCase{"edit and shift 0x12, phase set",
                   {0x00, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x12},
                   true,
                   {"1", "2", "3", "4", "5", " "},
                   "12345 "}),
    test::ByWhat());

TEST(Decoding, LampsFollowTheirBits) {
  DisplayState state;
  DecodeDisplay(Reply({0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x06, 0x05, 0x24}), false, state);
  for (const LampInfo& lamp : kLamps) {
    const bool expected = lamp.lamp == Lamp::kStable || lamp.lamp == Lamp::kKg ||
                          lamp.lamp == Lamp::kGross || lamp.lamp == Lamp::kZero;
    EXPECT_EQ(state.Lit(lamp.lamp), expected) << lamp.accessibleName;
  }
  // Each lamp answers to its own bit and to no other; bits above the lamps change nothing.
  for (const LampInfo& lamp : kLamps) {
    Bytes bytes(kDisplayReplySize, 0);
    bytes[lamp.byte] = static_cast<std::uint8_t>(1u << lamp.bit);
    bytes[7] |= 0xF0;
    bytes[8] |= 0xC0;
    DecodeDisplay(Reply(bytes), false, state);
    for (const LampInfo& other : kLamps) {
      EXPECT_EQ(state.Lit(other.lamp), other.lamp == lamp.lamp)
          << lamp.accessibleName << " / " << other.accessibleName;
    }
  }
}

class PollDisplayTest : public testing::Test {
 protected:
  test::FakeLink link;
  test::RecordingFeedback ui;
  DisplayState state;
};

TEST_F(PollDisplayTest, GoodReplyIsDecodedAfterTheDisplayRequest) {
  link.QueueReply(std::string("\x3F\x3F\x3F\xBF\x06\x5B\x06\x05\x24", 9) + "trailing");
  EXPECT_TRUE(PollDisplay(state, link, ui, false));
  EXPECT_EQ(link.requests, std::vector<Bytes>({{0x01, 0x31, 0x02, 0x52, 0x03, 0x71}}));
  EXPECT_EQ(ui.waits, std::vector<test::RecordingFeedback::Wait>({{kPollWaitMs, ""}}));
  EXPECT_EQ(ShownCharacters(state.displayText), "0000.12");
  EXPECT_TRUE(state.Lit(Lamp::kGross));
  EXPECT_TRUE(ui.messages.empty());
}

// A reply must carry all nine bytes: a shorter one is a failed poll, not a display of the zeros
// the area was filled with. Nine zero bytes are a good reply.
TEST_F(PollDisplayTest, ShortReplyIsAFailedPollAndNineZerosAreNot) {
  const std::string good("\x3F\x3F\x3F\xBF\x06\x5B\x06\x05\x24", 9);
  for (std::size_t length : {0u, 1u, 6u, 8u}) {
    SCOPED_TRACE(length);
    link.QueueReply(good);
    ASSERT_TRUE(PollDisplay(state, link, ui, true));
    const auto lampsBefore = state.lamps;
    link.QueueReply(good.substr(0, length));
    EXPECT_FALSE(PollDisplay(state, link, ui, true));
    EXPECT_EQ(state.displayText, kDisplayErrorText);
    EXPECT_EQ(state.lamps, lampsBefore);
  }
  link.QueueReply(std::string(kDisplayReplySize, '\0'));
  EXPECT_TRUE(PollDisplay(state, link, ui, true));
  EXPECT_EQ(ShownCharacters(state.displayText), "      ");
  for (const bool lit : state.lamps) EXPECT_FALSE(lit);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tamarack
