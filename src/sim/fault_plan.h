#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <string_view>

#include "sim/frame_reader.h"

namespace tamarack::sim {

// The ways the simulated indicator can let the PC down.
enum class FaultKind {
  kSilence,       // no reply at all
  kBadCheck,      // the reply with a wrong check character
  kTruncated,     // the reply stops half-way, before its 03
  kLeadingBytes,  // stray bytes on the line before the reply's 01 31 02
  kMissingStart,  // the reply without its 01 31 (it begins at 02)
  kOversize,      // a reply with a 300-byte payload
  kRefuse,        // "NO" instead of the answer; the request is not carried out
  kLate,          // the reply comes after the PC has stopped reading
  kHangUp,        // no reply, and the line goes dead (the pseudo-terminal is closed)
};
inline constexpr int kFaultKindCount = 9;

// "silence", "bad-check", "truncated", "leading-bytes", "missing-start", "oversize", "refuse",
// "late", "hang-up".
std::string_view FaultKindName(FaultKind kind);
std::optional<FaultKind> FaultKindFromName(std::string_view name);

// Which replies go wrong: the next n replies whatever they answer, and the replies to chosen kinds
// of request, either for good or for a number of them. The next-n list is used up first.
class FaultPlan {
 public:
  static constexpr int kForever = -1;

  void InjectNext(FaultKind fault, int count = 1);
  void SetFault(RequestKind kind, FaultKind fault, int count = kForever);
  void Clear();

  // The fault for the reply to a request of this kind, used up as it is taken; nothing when the
  // reply goes out as it should.
  std::optional<FaultKind> Take(RequestKind kind);
  // Faults of the next-n list not used yet.
  std::size_t Waiting() const { return next_.size(); }

 private:
  struct PerKind {
    std::optional<FaultKind> fault;
    int left = 0;  // kForever or the replies still to spoil
  };
  std::deque<FaultKind> next_;
  std::array<PerKind, kRequestKindCount> perKind_{};
};

}  // namespace tamarack::sim
