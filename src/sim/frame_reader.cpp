#include "sim/frame_reader.h"

#include <array>
#include <cctype>

#include "link/commands.h"

namespace tamarack::sim {

void FrameReader::Reset() {
  state_ = State::kIdle;
  frame_ = RawFrame{};
  longCount_ = 0;
}

void FrameReader::Restart() {
  Reset();
  frame_.bytes.push_back(kSoh);
  state_ = State::kGot01;
}

void FrameReader::Finish(std::uint8_t check, std::vector<RawFrame>& out) {
  frame_.bytes.push_back(check);
  const std::uint8_t expected =
      frame_.longForm ? LongCheck(frame_.content) : ShortCheck(frame_.content);
  if (check != expected) frame_.problem = RawFrame::Problem::kBadCheck;
  out.push_back(std::move(frame_));
  Reset();
}

void FrameReader::Push(std::uint8_t byte, std::vector<RawFrame>& out) {
  switch (state_) {
    case State::kIdle:
      if (byte == kSoh) Restart();
      return;
    case State::kGot01:
      if (byte == kAddress) {
        frame_.bytes.push_back(byte);
        state_ = State::kGot31;
      } else if (byte == kSoh) {
        Restart();
      } else {
        Reset();
      }
      return;
    case State::kGot31:
      if (byte == kStx) {
        frame_.bytes.push_back(byte);
        state_ = State::kAfter02;
      } else if (byte == kSoh) {
        Restart();
      } else {
        Reset();
      }
      return;
    case State::kAfter02:
      if (byte == 'F') {
        frame_.bytes.push_back(byte);
        frame_.longForm = true;
        state_ = State::kLongCount;
        return;
      }
      [[fallthrough]];
    case State::kShortPayload:
      if (byte == kSoh) {
        Restart();
      } else if (byte == kEtx) {
        frame_.bytes.push_back(byte);
        state_ = State::kShortCheck;
      } else if (frame_.bytes.size() + 2 >= kMaxRequestFrame) {
        // This byte would make the frame, with its 03 and check character, longer than 300.
        frame_.bytes.push_back(byte);
        frame_.problem = RawFrame::Problem::kTooLong;
        out.push_back(std::move(frame_));
        Reset();
      } else {
        frame_.bytes.push_back(byte);
        frame_.content.push_back(byte);
        state_ = State::kShortPayload;
      }
      return;
    case State::kShortCheck:
    case State::kLongCheck:
      if (byte == kSoh) {
        // No check character has its bits 4 and 5 clear: this 01 opens the next frame.
        frame_.problem = RawFrame::Problem::kBadCheck;
        out.push_back(std::move(frame_));
        Restart();
      } else {
        Finish(byte, out);
      }
      return;
    case State::kLongCount:
      frame_.bytes.push_back(byte);
      longCount_ = byte;
      state_ = longCount_ == 0 ? State::kLongCheck : State::kLongBody;
      return;
    case State::kLongBody:
      frame_.bytes.push_back(byte);
      frame_.content.push_back(byte);
      if (frame_.content.size() == longCount_) state_ = State::kLongCheck;
      return;
  }
}

namespace {

constexpr std::array<std::string_view, kRequestKindCount> kKindNames = {
    "poll",       "key",       "read",        "write",       "calibration",
    "count-step", "write-all", "send-format", "read-format", "weight"};

bool Digits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string_view RequestKindName(RequestKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<RequestKind> RequestKindFromName(std::string_view name) {
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == name) return static_cast<RequestKind>(i);
  }
  return std::nullopt;
}

std::optional<RequestKind> Classify(const RawFrame& frame) {
  if (frame.problem != RawFrame::Problem::kNone || frame.content.empty()) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(frame.content.data()),
                              frame.content.size());
  if (frame.longForm) {
    if (text[0] == 'T') {
      if (text.size() == 1 + kWriteAllBlockSize) return RequestKind::kWriteAll;
      return std::nullopt;  // a wrong count byte
    }
    if (text[0] == 'G' || text[0] == 'N') return RequestKind::kSendFormat;
    return std::nullopt;
  }
  if (text == "R") return RequestKind::kPoll;
  if (text == "AA" || text == "AB") return RequestKind::kReadFormat;
  if (text.size() == 4 && text[0] == 'K' && text[3] == 'E' && Digits(text.substr(1, 2))) {
    return RequestKind::kKey;
  }
  if (text.size() == 14 && text[0] == 'W' && text[13] == 'E') return RequestKind::kWeight;
  if (text[0] == 'P' && (text.size() == 9 || text.size() == 14) && Digits(text.substr(1, 2)) &&
      text[3] == '.' && Digits(text.substr(4, 2)) && text[6] == '=' && text.back() == 'E') {
    if (text.size() == 9) {
      return text[7] == 'R' ? std::optional(RequestKind::kReadParam) : std::nullopt;
    }
    const std::string_view group = text.substr(1, 2);
    const std::string_view number = text.substr(4, 2);
    if (group == "03") return RequestKind::kCalibration;
    if (group == "05" && number >= "02" && number <= "05") return RequestKind::kCountStep;
    return RequestKind::kWriteParam;
  }
  return std::nullopt;
}

}  // namespace tamarack::sim
