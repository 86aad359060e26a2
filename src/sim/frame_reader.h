#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "link/frame.h"

namespace tamarack::sim {

// One frame as it arrived from the PC, before its meaning is looked at.
struct RawFrame {
  enum class Problem { kNone, kBadCheck, kTooLong };

  Frame bytes;                        // everything from the leading 01 on
  std::vector<std::uint8_t> content;  // short form: the payload; long form: the body
  bool longForm = false;
  Problem problem = Problem::kNone;
};

// Frames longer than this are never taken in whole.
inline constexpr std::size_t kMaxRequestFrame = kAreaSize;

// Cuts the byte stream from the PC into frames. Bytes outside a frame are skipped until the next
// 01 31 02. A short-form payload never holds 01 (requests are plain text), so an 01 inside one
// starts the next frame: a frame cut short by a lost byte costs only itself. A frame that grows
// past 300 bytes is dropped and reported as kTooLong. Long-form bodies are taken by their count
// byte and may hold any byte value.
class FrameReader {
 public:
  // Takes one byte; a frame that it completes (good or not) is appended to `out`.
  void Push(std::uint8_t byte, std::vector<RawFrame>& out);
  // True while a frame has begun and not ended.
  bool MidFrame() const { return state_ != State::kIdle; }
  // Forgets a frame that has begun.
  void Reset();

 private:
  enum class State {
    kIdle,
    kGot01,
    kGot31,
    kAfter02,
    kShortPayload,
    kShortCheck,
    kLongCount,
    kLongBody,
    kLongCheck
  };

  void Restart();
  void Finish(std::uint8_t check, std::vector<RawFrame>& out);

  State state_ = State::kIdle;
  RawFrame frame_;
  std::size_t longCount_ = 0;
};

// What the PC asks for; faults can be aimed at one kind.
enum class RequestKind {
  kPoll,         // "R"
  kKey,          // "K" code "E"
  kReadParam,    // "Pgg.nn=RE"
  kWriteParam,   // "Pgg.nn=vvvvvvE", groups other than 3 and the 05.02-05.05 steps
  kCalibration,  // writes to 03.01-03.04
  kCountStep,    // writes to 05.02-05.05 (average weight steps)
  kWriteAll,     // long form 'T' with the 47-byte block
  kSendFormat,   // long form 'G' / 'N'
  kReadFormat,   // "AA" / "AB"
  kWeight,       // "W" item, ten digits, "E"
};
inline constexpr int kRequestKindCount = 10;

// "poll", "key", "read", "write", "calibration", "count-step", "write-all", "send-format",
// "read-format", "weight".
std::string_view RequestKindName(RequestKind kind);
std::optional<RequestKind> RequestKindFromName(std::string_view name);

// The kind of a frame that arrived whole and with a good check character; nothing for a request
// that the indicator does not understand (unknown command, wrong length or count byte).
std::optional<RequestKind> Classify(const RawFrame& frame);

}  // namespace tamarack::sim
