#include "net/telnet_parser.h"

#include <gtest/gtest.h>

namespace tamarack::telnet {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Parsed {
  Bytes data;
  std::vector<Event> events;
};

Parsed Parse(const Bytes& in, std::size_t chunk) {
  Parser parser;
  Parsed out;
  for (std::size_t at = 0; at < in.size(); at += chunk) {
    const std::size_t n = std::min(chunk, in.size() - at);
    parser.Feed(std::span(in.data() + at, n), out.data, out.events);
  }
  return out;
}

std::string Describe(const std::vector<Event>& events) {
  std::string text;
  for (const Event& e : events) {
    if (e.kind == Event::Kind::kOption) {
      text += "opt(" + std::to_string(e.verb) + "," + std::to_string(e.option) + ")";
    } else {
      text += "sb(" + std::to_string(e.option) + ":";
      for (int i = 0; i < e.size; ++i) text += " " + std::to_string(e.payload[i]);
      text += e.truncated ? " ...)" : ")";
    }
  }
  return text;
}

struct ParseCase {
  const char* name;
  Bytes in;
  Bytes data;
  std::string events;
};

class TelnetParse : public testing::TestWithParam<ParseCase> {};

// Whatever way the stream is cut into reads, the data and the events come out the same.
TEST_P(TelnetParse, SplitsDataFromCommandsAtAnyCut) {
  const ParseCase& c = GetParam();
  for (std::size_t chunk = 1; chunk <= c.in.size(); ++chunk) {
    const Parsed parsed = Parse(c.in, chunk);
    EXPECT_EQ(parsed.data, c.data) << "chunks of " << chunk;
    EXPECT_EQ(Describe(parsed.events), c.events) << "chunks of " << chunk;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, TelnetParse,
    testing::Values(
        ParseCase{
            "plain_data", {1, 0x31, 2, 'O', 'K', 3, 0x7F}, {1, 0x31, 2, 'O', 'K', 3, 0x7F}, ""},
        ParseCase{"doubled_iac_is_one_data_byte",
                  {'a', 255, 255, 'b', 255, 255},
                  {'a', 255, 'b', 255},
                  ""},
        ParseCase{"options_between_data",
                  {'a', 255, 251, 0, 'b', 255, 254, 44, 'c'},
                  {'a', 'b', 'c'},
                  "opt(251,0)opt(254,44)"},
        ParseCase{
            "two_byte_commands_vanish", {'a', 255, 241, 255, 249, 255, 242, 'b'}, {'a', 'b'}, ""},
        ParseCase{"subnegotiation_with_doubled_iac",
                  {'x', 255, 250, 44, 101, 0, 0, 255, 255, 255, 240, 'y'},
                  {'x', 'y'},
                  "sb(44: 101 0 0 255)"},
        ParseCase{
            "notifications_do_not_touch_data",
            {'1', 255, 250, 44, 106, 0x60, 255, 240, '2', 255, 250, 44, 107, 0x30, 255, 240, '3'},
            {'1', '2', '3'},
            "sb(44: 106 96)sb(44: 107 48)"},
        ParseCase{"long_subnegotiation_is_cut",
                  {255, 250, 9,  1,  2,  3,  4,  5,  6,  7,   8,   9,
                   10,  11,  12, 13, 14, 15, 16, 17, 18, 255, 240, 'z'},
                  {'z'},
                  "sb(9: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 ...)"},
        ParseCase{"subnegotiation_broken_off_by_a_command",
                  {255, 250, 44, 106, 255, 251, 3, 'd'},
                  {'d'},
                  "opt(251,3)"}),
    [](const testing::TestParamInfo<ParseCase>& which) { return std::string(which.param.name); });

TEST(TelnetEncode, DoublesIacInDataAndValues) {
  Bytes out;
  AppendEscaped(Bytes{1, 255, 2, 255, 255}, out);
  EXPECT_EQ(out, (Bytes{1, 255, 255, 2, 255, 255, 255, 255}));
  out.clear();
  AppendComPort(kSetBaudRate, Bytes{0, 0, 255, 0}, out);
  EXPECT_EQ(out, (Bytes{255, 250, 44, 1, 0, 0, 255, 255, 0, 255, 240}));
}

Bytes Ack(std::uint8_t command, Bytes value) {
  Bytes sb{255, 250, 44, static_cast<std::uint8_t>(command + kServerReply)};
  for (const std::uint8_t b : value) sb.push_back(b);
  sb.push_back(255);
  sb.push_back(240);
  return sb;
}

// Feeds the server's bytes to the client; returns what the client answers.
Bytes Serve(ComPortClient& client, const Bytes& fromServer) {
  Parser parser;
  Bytes data, answers;
  std::vector<Event> events;
  parser.Feed(fromServer, data, events);
  for (const Event& e : events) client.Handle(e, answers);
  return answers;
}

const Bytes kServerAgrees = {255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3, 255, 253, 44};

TEST(ComPortClient, AsksForTheOptionsAndSendsTheLineOnceTheServerTakesComPort) {
  ComPortClient client(
      LineSettings{4800, 7, 2, Parity::kEven});  // 4800 baud, 7 bits, 2 stop bits, even
  EXPECT_EQ(client.Greeting(),
            (Bytes{255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
  // Agreement to what was asked is not answered again; the line settings follow DO COM-PORT.
  EXPECT_EQ(Serve(client, kServerAgrees),
            (Bytes{255, 250, 44,  1,  0, 0, 0x12, 0xC0, 255, 240, 255, 250, 44, 2,   7,  255,
                   240, 255, 250, 44, 3, 3, 255,  240,  255, 250, 44,  4,   2,  255, 240}));
  EXPECT_FALSE(client.Ready());
  Serve(client, Ack(kSetBaudRate, {0, 0, 0x12, 0xC0}));
  Serve(client, Ack(kSetDataSize, {7}));
  Serve(client, Ack(kSetParity, {3}));
  EXPECT_FALSE(client.Ready());
  Serve(client, Ack(kSetStopSize, {2}));
  EXPECT_TRUE(client.Ready());
  EXPECT_FALSE(client.Refused());
}

TEST(ComPortClient, RefusesWhatTheLineCannotDoWithout) {
  const struct {
    const char* name;
    Bytes fromServer;
  } rows[] = {
      {"another baud acknowledged", Ack(kSetBaudRate, {0, 0, 0x4B, 0x00})},
      {"no binary mode from the server", {255, 252, 0}},
      {"binary mode not accepted", {255, 254, 0}},
      {"no COM port option", {255, 254, 44}},
  };
  for (const auto& row : rows) {
    ComPortClient client(LineSettings{});
    client.Greeting();
    Serve(client, kServerAgrees);
    Serve(client, row.fromServer);
    EXPECT_TRUE(client.Refused()) << row.name;
    EXPECT_FALSE(client.Ready()) << row.name;
  }
}

TEST(ComPortClient, DeclinesUnknownOptionsAndCountsPurgeAcks) {
  ComPortClient client(LineSettings{});
  client.Greeting();
  EXPECT_EQ(Serve(client, {255, 253, 24, 255, 251, 1, 255, 252, 99, 255, 254, 98}),
            (Bytes{255, 252, 24, 255, 254, 1}));
  Serve(client, Ack(kPurgeData, {1}));
  Serve(client, Ack(kPurgeData, {2}));
  EXPECT_EQ(client.PurgeAcks(), 2);
  EXPECT_EQ(ComPortClient::Purge(kPurgeReceive), (Bytes{255, 250, 44, 12, 1, 255, 240}));
  EXPECT_FALSE(client.Refused());
}

}  // namespace
}  // namespace tamarack::telnet
