#include "sim/simulator.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "sim/seven_segment.h"
#include "sim_test_util.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

using simtest::Text;
using test::FixedClockSim;
using Bytes = std::vector<std::uint8_t>;
using Copy = SimulatedIndicator::Copy;

class SimulatorTest : public testing::Test {
 protected:
  // The reply payload to one request, or "<none>" when no reply frame came back.
  std::string Ask(const Frame& request) {
    const Frame reply = sim.Feed(request);
    if (reply.empty()) return "<none>";
    EXPECT_GE(reply.size(), 5u);
    const Frame payload(reply.begin() + 3, reply.end() - 2);
    EXPECT_EQ(reply, ShortFrame(payload)) << "reply framed wrongly";
    return Text(payload);
  }
  std::string Working(std::string_view number) {
    return sim.With([&](SimulatedIndicator& m) { return m.Value(number); });
  }

  Simulator sim{FixedClockSim()};
};

// Byte-exact frames on both sides for the requests whose frames the system fixes.
TEST_F(SimulatorTest, AnswersKnownFramesByteForByte) {
  // Reading item 5 (never set up).
  const Bytes readItem5 = {0x01, 0x31, 0x02, 0x57, 0x30, 0x35, 0x30, 0x30, 0x30, 0x30,
                           0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x45, 0x03, 0x34};
  ASSERT_EQ(WeightRequest("05", "0000000000"), readItem5);
  EXPECT_EQ(sim.Feed(readItem5), ShortFrame("059999999999E"));

  // The display poll on an empty scale: "0.0" kg, stable, gross, centre of zero.
  ASSERT_EQ(DisplayPollRequest(), (Bytes{0x01, 0x31, 0x02, 0x52, 0x03, 0x71}));
  const Bytes display = {0x00, 0x00, 0x00, 0x00, 0xBF, 0x3F, 0x47, 0x45, 0x64};
  EXPECT_EQ(sim.Feed(DisplayPollRequest()), ShortFrame(display));

  // F1.12 read, and the TARE key.
  EXPECT_EQ(sim.Feed(Bytes{0x01, 0x31, 0x02, 0x50, 0x30, 0x31, 0x2E, 0x31, 0x32, 0x3D, 0x52, 0x45,
                           0x03, 0x75}),
            ShortFrame("P01.12=00E"));
  EXPECT_EQ(sim.Feed(Bytes{0x01, 0x31, 0x02, 0x4B, 0x31, 0x32, 0x45, 0x03, 0x3E}),
            (Bytes{0x01, 0x31, 0x02, 'O', 'K', 0x03, 0x37}));
}

Bytes Hex(std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

struct ExactCase {
  const char* what;
  Frame built;         // the request as the system's builder makes it
  const char* onLine;  // the same request as the line carries it
  const char* reply;   // the reply payload
};

class ExactFrameTest : public SimulatorTest, public testing::WithParamInterface<ExactCase> {};

TEST_P(ExactFrameTest, BuilderMatchesTheLineAndTheRequestIsAnswered) {
  const ExactCase& c = GetParam();
  const Bytes line = Hex(c.onLine);
  ASSERT_EQ(c.built, line);
  sim.With([](SimulatedIndicator& m) { m.SetLoad(5.0); });  // enough for a sample of 100 pieces
  if (std::string_view(c.what) == "confirm average weight") {
    ASSERT_EQ(Ask(WriteParamRequest({5, 3}, "000000")), "OK");
    sim.With([](SimulatedIndicator& m) { m.SetLoad(105.0); });
    ASSERT_EQ(Ask(WriteParamRequest({5, 4}, "000100")), "OK");
  }
  EXPECT_EQ(sim.Feed(line), ShortFrame(c.reply));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ExactFrameTest,
    testing::Values(
        ExactCase{"key 10", KeyRequest(key::kZero), "01 31 02 4B 31 30 45 03 3C", "OK"},
        ExactCase{"key 16", KeyRequest(key::kEndSetup), "01 31 02 4B 31 36 45 03 3A", "OK"},
        ExactCase{"write F1.2", WriteParamRequest({1, 2}, "000001"),
                  "01 31 02 50 30 31 2E 30 32 3D 30 30 30 30 30 31 45 03 37", "OK"},
        ExactCase{"read F1.12", ReadParamRequest({1, 12}),
                  "01 31 02 50 30 31 2E 31 32 3D 52 45 03 75", "P01.12=00E"},
        ExactCase{"count item 7", WriteParamRequest({5, 2}, "000007"),
                  "01 31 02 50 30 35 2E 30 32 3D 30 30 30 30 30 37 45 03 35", "OK"},
        ExactCase{"sample zero", WriteParamRequest({5, 3}, "000000"),
                  "01 31 02 50 30 35 2E 30 33 3D 30 30 30 30 30 30 45 03 33", "OK"},
        ExactCase{"sample quantity 100", WriteParamRequest({5, 4}, "000100"),
                  "01 31 02 50 30 35 2E 30 34 3D 30 30 30 31 30 30 45 03 35", "OK"},
        ExactCase{"confirm average weight", WriteParamRequest({5, 5}, "000000"),
                  "01 31 02 50 30 35 2E 30 35 3D 30 30 30 30 30 30 45 03 35", "OK"},
        ExactCase{"send gross format", SendFormatRequest('G', AsBytes("<G><NL><E>")),
                  "01 31 02 46 0B 47 3C 47 3E 3C 4E 4C 3E 3C 45 3E 75", "OK"},
        ExactCase{"send empty format", SendFormatRequest('G', AsBytes("<E>")),
                  "01 31 02 46 04 47 3C 45 3E 30", "OK"},
        ExactCase{"read gross format", ReadFormatRequest('A'), "01 31 02 41 41 03 33",
                  "<G><NL><E>"},
        ExactCase{"read net format", ReadFormatRequest('B'), "01 31 02 41 42 03 30",
                  "<G><NL><T><NL><N><NL2><E>"},
        ExactCase{"write item 5", WeightRequest("05", "0016777216"),
                  "01 31 02 57 30 35 30 30 31 36 37 37 37 32 31 36 45 03 31", "OK"},
        ExactCase{"read current item", WeightRequest("AA", "0000000000"),
                  "01 31 02 57 41 41 30 30 30 30 30 30 30 30 30 30 45 03 31", "009999999999E"}),
    test::ByWhat());

TEST_F(SimulatorTest, ReadsEveryParameterInItsReadForm) {
  for (const SetupParam& p : SetupParams()) {
    SCOPED_TRACE(p.displayNumber);
    const std::string reply = Ask(ReadParamRequest(p.address));
    const std::string head = "P" + p.address.Text() + "=";
    ASSERT_TRUE(reply.starts_with(head));
    ASSERT_TRUE(reply.ends_with("E"));
    const std::string value = reply.substr(head.size(), reply.size() - head.size() - 1);
    EXPECT_EQ(static_cast<int>(value.size()), p.readLength);
    EXPECT_EQ(value.find('E'), std::string::npos) << "a value must not hold the closing E";
    if (p.kind == ParamKind::kChoice) {
      EXPECT_EQ(value, "0" + std::to_string(p.defaultCode));
    }
  }
  EXPECT_EQ(Ask(ReadParamRequest({1, 1})), "P01.01=010000E");
  EXPECT_EQ(Ask(ReadParamRequest({7, 3})), "P07.03=" + std::string(kSimVersion) + "E");
  EXPECT_EQ(Ask(ReadParamRequest({6, 2})), "P06.02=000100E");
  EXPECT_EQ(Ask(ReadParamRequest({9, 9})), "NO");
}

struct WriteCase {
  const char* what;
  ParamAddress address;
  const char* value;
  const char* reply;     // "OK" or "NO"
  const char* readBack;  // the read reply's value afterwards
};

class WriteTest : public SimulatorTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTest, StoresValidValuesAndRefusesTheRest) {
  const WriteCase& c = GetParam();
  EXPECT_EQ(Ask(WriteParamRequest(c.address, c.value)), c.reply);
  EXPECT_EQ(Ask(ReadParamRequest(c.address)),
            "P" + c.address.Text() + "=" + std::string(c.readBack) + "E");
}

INSTANTIATE_TEST_SUITE_P(
    Params, WriteTest,
    testing::Values(WriteCase{"number", {1, 1}, "005000", "OK", "005000"},
                    WriteCase{"number at its top", {6, 3}, "999999", "OK", "999999"},
                    WriteCase{"zero accepted", {7, 1}, "000000", "OK", "000000"},
                    WriteCase{"zero refused", {1, 1}, "000000", "NO", "010000"},
                    WriteCase{"not digits", {6, 2}, "00a100", "NO", "000100"},
                    WriteCase{"choice", {1, 6}, "000007", "OK", "07"},
                    WriteCase{"choice beyond its list", {1, 2}, "000004", "NO", "01"},
                    WriteCase{"choice with high digits", {1, 2}, "100001", "NO", "01"},
                    WriteCase{"date", {7, 4}, "261231", "OK", "261231"},
                    WriteCase{"leap day", {7, 4}, "280229", "OK", "280229"},
                    WriteCase{"no leap day", {7, 4}, "270229", "NO", "261207"},
                    WriteCase{"month 13", {7, 4}, "261301", "NO", "261207"},
                    WriteCase{"time", {7, 5}, "235959", "OK", "235959"},
                    WriteCase{"hour 24", {7, 5}, "240000", "NO", "093045"},
                    WriteCase{"version is read only", {7, 3}, "000001", "NO", "1.00"}),
    test::ByWhat());

TEST_F(SimulatorTest, DateAndTimeWritesMoveOneClock) {
  // Setting the date keeps the time of day, and the other way round.
  EXPECT_EQ(Ask(WriteParamRequest({7, 5}, "070809")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({7, 4}, "300115")), "OK");
  EXPECT_EQ(Ask(ReadParamRequest({7, 4})), "P07.04=300115E");
  EXPECT_EQ(Ask(ReadParamRequest({7, 5})), "P07.05=070809E");
}

TEST_F(SimulatorTest, KeyCodesMoveTheSetupCopies) {
  auto write = [&](const char* value) { ASSERT_EQ(Ask(WriteParamRequest({1, 2}, value)), "OK"); };
  auto copies = [&] {
    return sim.With([](SimulatedIndicator& m) {
      return m.Value("F1.2", Copy::kWorking) + m.Value("F1.2", Copy::kSaved) +
             m.Value("F1.2", Copy::kFactory);
    });
  };
  write("000003");
  EXPECT_EQ(copies(), "030101");
  EXPECT_EQ(Ask(KeyRequest(key::kRestore)), "OK");  // saved into working
  EXPECT_EQ(copies(), "010101");
  write("000002");
  EXPECT_EQ(Ask(KeyRequest(key::kSave)), "OK");  // working into saved
  EXPECT_EQ(copies(), "020201");
  EXPECT_EQ(Ask(KeyRequest(key::kFactoryDefault)), "OK");  // factory into working only
  EXPECT_EQ(copies(), "010201");
  EXPECT_EQ(Ask(KeyRequest(key::kRestore)), "OK");
  EXPECT_EQ(copies(), "020201");
  EXPECT_EQ(Ask(KeyRequest(key::kEndSetup)), "OK");
  EXPECT_EQ(Ask(KeyRequest("15")), "NO");
  EXPECT_EQ(Ask(KeyRequest("99")), "NO");
}

struct IgnoredCase {
  const char* what;
  Bytes bytes;
};

Bytes WithBadCheck(Frame f) {
  f.back() ^= 0x04;
  return f;
}

Bytes LongWith(Bytes body, std::uint8_t count) {
  Frame f = LongFrame(body);
  f[4] = count;
  return f;
}

class IgnoredTest : public SimulatorTest, public testing::WithParamInterface<IgnoredCase> {};

// No reply to what a real indicator would not understand; the next good request is answered.
TEST_P(IgnoredTest, NoReplyAndTheLineRecovers) {
  EXPECT_EQ(sim.Feed(GetParam().bytes), Frame{});
  EXPECT_EQ(Ask(KeyRequest(key::kZero)), "OK");
}

INSTANTIATE_TEST_SUITE_P(
    Requests, IgnoredTest,
    testing::Values(
        IgnoredCase{"bad check", WithBadCheck(DisplayPollRequest())},
        IgnoredCase{"unknown command", ShortFrame("X")},
        IgnoredCase{"empty payload", ShortFrame("")},
        IgnoredCase{"key without E", ShortFrame("K10")},
        IgnoredCase{"read with a bad address", ShortFrame("P0A.01=RE")},
        IgnoredCase{"read form not R", ShortFrame("P01.01=XE")},
        IgnoredCase{"format letter C", ShortFrame("AC")},
        IgnoredCase{"write all with count 47", LongWith(Bytes(kWriteAllBlockSize, 0), 47)},
        IgnoredCase{"write all block one byte short", LongFrame(Bytes(kWriteAllBlockSize, 'T'))},
        IgnoredCase{"long form of an unknown body", LongFrame(Bytes{'Q', 1, 2})},
        IgnoredCase{"long form bad check", WithBadCheck(SendFormatRequest('G', AsBytes("<E>")))},
        IgnoredCase{"over 300 bytes", ShortFrame(std::string(296, 'R'))},
        IgnoredCase{"noise only", Bytes{0x00, 0xFF, 0x31, 0x02, 0x03, 'R'}},
        IgnoredCase{"start bytes only", Bytes{0x01, 0x31, 0x02}}),
    test::ByWhat());

TEST_F(SimulatorTest, FrameCutShortCostsOnlyItself) {
  // A request that lost its tail, then a whole one: the 01 of the second starts afresh.
  Frame cut = WriteParamRequest({1, 1}, "005000");
  cut.resize(10);
  Frame both = cut;
  const Frame poll = KeyRequest(key::kSave);
  both.insert(both.end(), poll.begin(), poll.end());
  EXPECT_EQ(sim.Feed(both), ShortFrame("OK"));
  // Two requests in one chunk get two replies, in order.
  Frame two = ReadParamRequest({1, 1});
  const Frame second = ReadParamRequest({6, 2});
  two.insert(two.end(), second.begin(), second.end());
  EXPECT_EQ(Text(sim.Feed(two)),
            Text(ShortFrame("P01.01=010000E")) + Text(ShortFrame("P06.02=000100E")));
  // A frame split over many chunks is answered once it is whole.
  Frame whole = ReadParamRequest({1, 1});
  for (std::size_t i = 0; i + 1 < whole.size(); ++i) {
    EXPECT_EQ(sim.Feed(std::span(&whole[i], 1)), Frame{});
  }
  EXPECT_EQ(sim.Feed(std::span(&whole.back(), 1)), ShortFrame("P01.01=010000E"));
}

TEST_F(SimulatorTest, IncompleteFrameIsForgottenAfterAnIdleLine) {
  const Frame request = KeyRequest(key::kSave);
  const auto t0 = Clock::now();
  EXPECT_TRUE(sim.Process(std::span(request).first(5), t0).empty());
  // The rest of it, long after: the begun frame was dropped, so these bytes are noise.
  EXPECT_TRUE(sim.Process(std::span(request).subspan(5), t0 + std::chrono::seconds(1)).empty());
  EXPECT_EQ(sim.Process(request, t0 + std::chrono::seconds(1)).size(), 1u);
}

TEST_F(SimulatorTest, PrintFormatsAreKeptPerMode) {
  EXPECT_EQ(Ask(SendFormatRequest('G', AsBytes("GROSS<G><NL><E>"))), "OK");
  EXPECT_EQ(Ask(SendFormatRequest('N', AsBytes("<N><NL2><E>"))), "OK");
  EXPECT_EQ(Ask(ReadFormatRequest('A')), "GROSS<G><NL><E>");
  EXPECT_EQ(Ask(ReadFormatRequest('B')), "<N><NL2><E>");
  // A text that could not travel back in a reply is refused and the old one kept.
  EXPECT_EQ(Ask(SendFormatRequest('G', AsBytes(std::string_view("A\x03<E>", 5)))), "NO");
  EXPECT_EQ(Ask(SendFormatRequest('G', AsBytes(std::string_view("A\0<E>", 5)))), "NO");
  EXPECT_EQ(Ask(ReadFormatRequest('A')), "GROSS<G><NL><E>");
  // The longest format the system sends fits in a reply.
  const std::string longest(254, 'x');
  EXPECT_EQ(Ask(SendFormatRequest('N', AsBytes(longest))), "OK");
  EXPECT_EQ(Ask(ReadFormatRequest('B')), longest);
}

TEST_F(SimulatorTest, AverageWeightsPerItemAndTheCurrentItem) {
  EXPECT_EQ(Ask(WeightRequest("05", "0016777216")), "OK");
  EXPECT_EQ(Ask(WeightRequest("05", "0000000000")), "050016777216E");
  EXPECT_EQ(Ask(WeightRequest("99", "4294967295")), "OK");
  EXPECT_EQ(Ask(WeightRequest("99", "4294967296")), "NO");
  EXPECT_EQ(Ask(WeightRequest("07", "0016777215")), "NO");
  EXPECT_EQ(Ask(WeightRequest("07", "00167772x5")), "NO");
  EXPECT_EQ(Ask(WeightRequest("7A", "0016777216")), "NO");
  EXPECT_EQ(Ask(WeightRequest("07", "0000000000")), "079999999999E");
  // "AA" reads and writes the current item and names it in the reply.
  sim.With([](SimulatedIndicator& m) { m.SetCurrentItem(12); });
  EXPECT_EQ(Ask(WeightRequest("AA", "0020000000")), "OK");
  EXPECT_EQ(Ask(WeightRequest("AA", "0000000000")), "120020000000E");
  EXPECT_EQ(Ask(WeightRequest("12", "0000000000")), "120020000000E");
}

TEST_F(SimulatorTest, CalibrationSteps) {
  sim.With([](SimulatedIndicator& m) { m.SetLoad(0); });
  EXPECT_EQ(Ask(WriteParamRequest({3, 1}, "000000")), "OK");  // WZERO
  EXPECT_EQ(Working("F3.1"), "012000");
  EXPECT_EQ(Ask(WriteParamRequest({3, 2}, "000000")), "NO");  // no test weight of 0
  EXPECT_EQ(Ask(WriteParamRequest({3, 2}, "002500")), "OK");  // WVALUE
  EXPECT_EQ(Working("F3.2"), "002500");
  EXPECT_EQ(Ask(WriteParamRequest({3, 3}, "000000")), "NO");  // no weight on the scale
  sim.With([](SimulatedIndicator& m) { m.SetLoad(25); });
  EXPECT_EQ(Ask(WriteParamRequest({3, 3}, "000000")), "OK");  // WSPAN
  EXPECT_EQ(Working("F3.3"), "014500");
  // REZERO with hooks of 1 kg taken off: zero and span move together.
  sim.With([](SimulatedIndicator& m) { m.SetLoad(-1); });
  EXPECT_EQ(Ask(WriteParamRequest({3, 4}, "000000")), "OK");
  EXPECT_EQ(Working("F3.1"), "011900");
  EXPECT_EQ(Working("F3.3"), "014400");
  EXPECT_EQ(Ask(WriteParamRequest({3, 4}, "000001")), "NO");
  // Nothing is captured while the scale moves; plain writes of the counts still work.
  sim.With([](SimulatedIndicator& m) { m.SetMotion(true); });
  EXPECT_EQ(Ask(WriteParamRequest({3, 1}, "000000")), "NO");
  EXPECT_EQ(Ask(WriteParamRequest({3, 1}, "008000")), "OK");
  EXPECT_EQ(Working("F3.1"), "008000");
}

TEST_F(SimulatorTest, CapturingStepsTakeTimeBelowTheirWait) {
  Simulator::Options options = FixedClockSim();
  options.indicator.stepTime = std::chrono::milliseconds(1000);
  Simulator slow(options);
  const std::pair<const char*, double> steps[] = {{"P03.01=000000E", 0},
                                                  {"P03.03=000000E", 20},
                                                  {"P03.04=000000E", 0},
                                                  {"P05.03=000000E", 0},
                                                  {"P05.05=000000E", 0}};
  ASSERT_EQ(slow.Feed(ShortFrame("P05.04=000010E")), ShortFrame("OK"));
  for (const auto& [payload, kg] : steps) {
    SCOPED_TRACE(payload);
    if (std::string_view(payload) == "P05.05=000000E") {
      slow.With([](SimulatedIndicator& m) { m.SetLoad(10); });
    } else {
      slow.With([kg = kg](SimulatedIndicator& m) { m.SetLoad(kg); });
    }
    const auto replies = slow.Process(ShortFrame(payload), Clock::now());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, ShortFrame("OK"));
    EXPECT_EQ(replies[0].delay, std::chrono::milliseconds(1000));
    EXPECT_LT(replies[0].delay, std::chrono::milliseconds(kStepWaitMs));
  }
}

TEST_F(SimulatorTest, AverageWeightSteps) {
  // 10 pieces of 0.5 kg; 0.5 kg is 50 inner steps of 0.01 kg (the display shows 0.1 kg):
  // 50 x 2^24 per piece.
  EXPECT_EQ(Ask(WriteParamRequest({5, 2}, "000007")), "OK");
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.CurrentItem(); }), 7);
  EXPECT_EQ(Ask(WriteParamRequest({5, 5}, "000000")), "NO");  // not zeroed yet
  EXPECT_EQ(Ask(WriteParamRequest({5, 3}, "000000")), "OK");
  sim.With([](SimulatedIndicator& m) { m.SetLoad(5.0); });
  EXPECT_EQ(Ask(WriteParamRequest({5, 4}, "000000")), "NO");
  EXPECT_EQ(Ask(WriteParamRequest({5, 4}, "000010")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({5, 5}, "000000")), "OK");
  EXPECT_EQ(Ask(WeightRequest("AA", "0000000000")), "070838860800E");
  // In count mode the display shows the pieces.
  ASSERT_EQ(Ask(WriteParamRequest({5, 1}, "000002")), "OK");
  sim.With([](SimulatedIndicator& m) { m.SetLoad(12.0); });
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.DisplayText(); }), "    24");
  // Pieces lighter than a display step: 100 pieces of 25 g.
  EXPECT_EQ(Ask(WriteParamRequest({5, 2}, "000009")), "OK");
  sim.With([](SimulatedIndicator& m) { m.SetLoad(0); });
  EXPECT_EQ(Ask(WriteParamRequest({5, 3}, "000000")), "OK");
  sim.With([](SimulatedIndicator& m) { m.SetLoad(2.5); });
  EXPECT_EQ(Ask(WriteParamRequest({5, 4}, "000100")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({5, 5}, "000000")), "OK");
  EXPECT_EQ(Ask(WeightRequest("AA", "0000000000")), "090041943040E");
  sim.With([](SimulatedIndicator& m) { m.SetLoad(1.0); });
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.DisplayText(); }), "    40");
  // A sample too light for a valid average weight is refused.
  EXPECT_EQ(Ask(WriteParamRequest({5, 2}, "000008")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({5, 3}, "000000")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({5, 4}, "002000")), "OK");
  EXPECT_EQ(Ask(WriteParamRequest({5, 5}, "000000")), "NO");
  EXPECT_EQ(Ask(WriteParamRequest({5, 2}, "1000AA")), "NO");
}

TEST_F(SimulatorTest, WriteAllRefusedWhileCajSwitchIsOff) {
  Bytes block(kWriteAllBlockSize, 0);
  sim.With([](SimulatedIndicator& m) { m.SetCaj(false); });
  EXPECT_EQ(Ask(WriteAllRequest(std::span<const std::uint8_t, kWriteAllBlockSize>(block))),
            "NOCAJ");
  EXPECT_EQ(Working("F1.1"), "010000");
}

TEST_F(SimulatorTest, TraceHoldsRequestsAndRepliesInOrder) {
  sim.InjectNext(FaultKind::kLate);
  const auto before = Clock::now();
  sim.Feed(KeyRequest(key::kZero));
  sim.Feed(ShortFrame("X"));
  const auto trace = sim.Trace();
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace[0].direction, TraceEntry::Direction::kRequest);
  EXPECT_EQ(trace[0].bytes, KeyRequest(key::kZero));
  EXPECT_EQ(trace[0].note, "key");
  EXPECT_EQ(trace[1].direction, TraceEntry::Direction::kReply);
  EXPECT_EQ(trace[1].bytes, ShortFrame("OK"));
  EXPECT_EQ(trace[1].note, "late, after 1700 ms");
  EXPECT_EQ(trace[2].note, "ignored: not understood");
  EXPECT_GE(trace[0].at, before);
  EXPECT_LE(trace[0].at, trace[1].at);
}

}  // namespace
}  // namespace tamarack::sim
