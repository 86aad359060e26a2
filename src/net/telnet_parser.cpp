#include "net/telnet_parser.h"

#include <algorithm>

namespace tamarack::telnet {

void Parser::Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
                  std::vector<Event>& events) {
  for (const std::uint8_t b : in) {
    switch (state_) {
      case State::kData:
        if (b == kIac) {
          state_ = State::kCommand;
        } else {
          data.push_back(b);
        }
        break;
      case State::kSubCommand:
        if (b == kSe) {
          events.push_back(pending_);
          state_ = State::kData;
          break;
        }
        if (b == kIac) {
          if (pending_.size < pending_.payload.size()) {
            pending_.payload[pending_.size++] = kIac;
          } else {
            pending_.truncated = true;
          }
          state_ = State::kSub;
          break;
        }
        // IAC and anything else inside a subnegotiation: the server broke it off; the byte is
        // the command that follows the IAC.
        [[fallthrough]];
      case State::kCommand:
        if (b == kIac) {
          data.push_back(kIac);
          state_ = State::kData;
        } else if (b >= kWill) {
          pending_ = Event{};
          pending_.verb = b;
          state_ = State::kVerb;
        } else if (b == kSb) {
          state_ = State::kSubOption;
        } else {
          state_ = State::kData;  // NOP, GA, DM and the like carry nothing for us
        }
        break;
      case State::kVerb:
        pending_.option = b;
        events.push_back(pending_);
        state_ = State::kData;
        break;
      case State::kSubOption:
        pending_ = Event{};
        pending_.kind = Event::Kind::kSubnegotiation;
        pending_.option = b;
        state_ = State::kSub;
        break;
      case State::kSub:
        if (b == kIac) {
          state_ = State::kSubCommand;
        } else if (pending_.size < pending_.payload.size()) {
          pending_.payload[pending_.size++] = b;
        } else {
          pending_.truncated = true;
        }
        break;
    }
  }
}

void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
  for (const std::uint8_t b : data) {
    out.push_back(b);
    if (b == kIac) out.push_back(kIac);
  }
}

void AppendOption(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIac, verb, option});
}

void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIac, kSb, kOptComPort, command});
  AppendEscaped(value, out);
  out.insert(out.end(), {kIac, kSe});
}

namespace {

// The RFC 2217 codes for the positions of the Parity list (none, even, odd).
std::uint8_t ParityCode(Parity parity) {
  switch (parity) {
    case Parity::kEven:
      return 3;
    case Parity::kOdd:
      return 2;
    case Parity::kNone:
      break;
  }
  return 1;
}

bool Supported(std::uint8_t option) {
  return option == kOptBinary || option == kOptSuppressGoAhead || option == kOptComPort;
}

}  // namespace

ComPortClient::ComPortClient(const LineSettings& line) : line_(line) {}

ComPortClient::OptionState& ComPortClient::At(std::uint8_t option) {
  if (option == kOptBinary) return binary_;
  if (option == kOptSuppressGoAhead) return goAhead_;
  return comPort_;
}

std::vector<std::uint8_t> ComPortClient::Greeting() {
  std::vector<std::uint8_t> out;
  for (const std::uint8_t option : {kOptBinary, kOptSuppressGoAhead}) {
    AppendOption(kWill, option, out);
    AppendOption(kDo, option, out);
    At(option).usAsked = At(option).himAsked = true;
  }
  AppendOption(kWill, kOptComPort, out);
  comPort_.usAsked = true;
  return out;
}

std::vector<std::uint8_t> ComPortClient::SettingValue(int index) const {
  switch (index) {
    case 0: {
      const auto baud = static_cast<std::uint32_t>(line_.baud);
      return {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
              static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    }
    case 1:
      return {static_cast<std::uint8_t>(line_.dataBits == 7 ? 7 : 8)};
    case 2:
      return {ParityCode(line_.parity)};
    default:
      return {static_cast<std::uint8_t>(line_.stopBits == 2 ? 2 : 1)};
  }
}

void ComPortClient::SendSettings(std::vector<std::uint8_t>& out) {
  if (settingsSent_) return;
  settingsSent_ = true;
  for (int index = 0; index < 4; ++index) {
    AppendComPort(static_cast<std::uint8_t>(kSetBaudRate + index), SettingValue(index), out);
  }
}

void ComPortClient::Handle(const Event& event, std::vector<std::uint8_t>& out) {
  if (event.kind == Event::Kind::kSubnegotiation) {
    if (event.option != kOptComPort || event.size == 0) return;
    const std::uint8_t command = event.payload[0];
    const std::span value(event.payload.data() + 1, event.size - 1u);
    if (command >= kServerReply + kSetBaudRate && command <= kServerReply + kSetStopSize) {
      if (!settingsSent_) return;
      const int index = command - kServerReply - kSetBaudRate;
      // The server answers with what it has set; anything else than what was asked is a line
      // that would not understand the indicator.
      const std::vector<std::uint8_t> asked = SettingValue(index);
      if (event.truncated || !std::equal(value.begin(), value.end(), asked.begin(), asked.end())) {
        refused_ = true;
      }
      acked_[static_cast<std::size_t>(index)] = true;
    } else if (command == kServerReply + kPurgeData) {
      ++purgeAcks_;
    }
    // Line and modem state notifications, flow control and signatures change nothing here.
    return;
  }

  const std::uint8_t option = event.option;
  switch (event.verb) {
    case kDo:
      if (!Supported(option)) {
        AppendOption(kWont, option, out);
        return;
      }
      if (!At(option).usAsked) AppendOption(kWill, option, out);
      At(option).usAsked = At(option).usOn = true;
      if (option == kOptComPort) SendSettings(out);
      return;
    case kDont:
      if (!Supported(option)) return;  // already off
      if (At(option).usOn) AppendOption(kWont, option, out);
      if (At(option).usAsked && option != kOptSuppressGoAhead) refused_ = true;
      At(option).usAsked = At(option).usOn = false;
      return;
    case kWill:
      if (option != kOptBinary && option != kOptSuppressGoAhead) {
        AppendOption(kDont, option, out);
        return;
      }
      if (!At(option).himAsked) AppendOption(kDo, option, out);
      At(option).himAsked = At(option).himOn = true;
      return;
    case kWont:
      if (option != kOptBinary && option != kOptSuppressGoAhead) return;
      if (At(option).himOn) AppendOption(kDont, option, out);
      if (At(option).himAsked && option == kOptBinary) refused_ = true;
      At(option).himAsked = At(option).himOn = false;
      return;
    default:
      return;
  }
}

bool ComPortClient::Ready() const {
  if (refused_ || !comPort_.usOn || !binary_.usOn || !binary_.himOn) return false;
  for (const bool acked : acked_) {
    if (!acked) return false;
  }
  return true;
}

std::vector<std::uint8_t> ComPortClient::Purge(std::uint8_t which) {
  std::vector<std::uint8_t> out;
  const std::uint8_t value[1] = {which};
  AppendComPort(kPurgeData, value, out);
  return out;
}

}  // namespace tamarack::telnet
