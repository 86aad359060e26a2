#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/line_settings.h"

namespace tamarack::telnet {

// Telnet command bytes.
inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

// The options a serial device server is asked for.
inline constexpr std::uint8_t kOptBinary = 0;
inline constexpr std::uint8_t kOptSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptComPort = 44;

// COM-PORT-OPTION commands as the client sends them; the server answers with the same command
// plus 100 and the value it has set.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerReply = 100;
// PURGE-DATA values.
inline constexpr std::uint8_t kPurgeReceive = 1;
inline constexpr std::uint8_t kPurgeTransmit = 2;

// Something the far end said that is not data.
struct Event {
  enum class Kind : std::uint8_t { kOption, kSubnegotiation };
  Kind kind = Kind::kOption;
  std::uint8_t verb = 0;    // kWill, kWont, kDo or kDont for kOption
  std::uint8_t option = 0;  // the option the event is about
  // The subnegotiation's bytes after the option, IAC doubling undone. Longer ones are cut here:
  // nothing a client acts on is that long, and a hostile stream cannot make it grow.
  std::array<std::uint8_t, 16> payload{};
  std::uint8_t size = 0;
  bool truncated = false;
};

// Splits the byte stream from a telnet server into data bytes and events. Fed any number of bytes
// at a time; a command cut between two reads continues in the next.
class Parser {
 public:
  // Appends the data bytes of `in` to `data` and its events to `events`.
  void Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
            std::vector<Event>& events);
  void Reset() { state_ = State::kData; }

 private:
  enum class State : std::uint8_t { kData, kCommand, kVerb, kSubOption, kSub, kSubCommand };
  State state_ = State::kData;
  Event pending_;
};

// Data bytes ready to send: every 0xFF doubled.
void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);
// IAC verb option.
void AppendOption(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out);
// IAC SB COM-PORT-OPTION command value IAC SE.
void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& out);

// The client side of an RFC 2217 session: what to send at the start, how to answer the server,
// and when the line counts as set. Toolkit-free, so that the whole negotiation is tested without
// a socket.
class ComPortClient {
 public:
  explicit ComPortClient(const LineSettings& line);

  // What the client sends as soon as the connection stands.
  std::vector<std::uint8_t> Greeting();
  // Handles one event; appends any answer to `out`.
  void Handle(const Event& event, std::vector<std::uint8_t>& out);

  // The server takes the COM port option, binary mode runs both ways and all four line settings
  // have been acknowledged.
  bool Ready() const;
  // The server refused something the line cannot do without.
  bool Refused() const { return refused_; }
  // How many PURGE-DATA acknowledgements have arrived so far.
  int PurgeAcks() const { return purgeAcks_; }

  // IAC SB COM-PORT-OPTION PURGE-DATA `which` IAC SE.
  static std::vector<std::uint8_t> Purge(std::uint8_t which);

 private:
  struct OptionState {
    bool usAsked = false;   // we sent WILL
    bool usOn = false;      // the server said DO
    bool himAsked = false;  // we sent DO
    bool himOn = false;     // the server said WILL
  };
  OptionState& At(std::uint8_t option);
  // The value of SET-BAUDRATE, SET-DATASIZE, SET-PARITY, SET-STOPSIZE (index 0..3).
  std::vector<std::uint8_t> SettingValue(int index) const;
  void SendSettings(std::vector<std::uint8_t>& out);

  LineSettings line_;
  OptionState binary_, goAhead_, comPort_;
  bool settingsSent_ = false;
  std::array<bool, 4> acked_{};  // baud, data size, parity, stop size
  bool refused_ = false;
  int purgeAcks_ = 0;
};

}  // namespace tamarack::telnet
