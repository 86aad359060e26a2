#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/forwarding_link.h"
#include "link/frame.h"

namespace tamarack {

// How a reply looked on the line, judged from the bytes the exchange read.
enum class ReplyShape {
  kGood,        // a whole frame whose check character matched
  kNoReply,     // nothing arrived
  kNotAFrame,   // the first bytes were not 01 31 02
  kCutShort,    // the frame began but ended before its check character
  kTooLong,     // the payload filled the reply area without an end
  kWrongCheck,  // a whole frame whose check character did not match
};

// One exchange as it went over the line.
struct TracedExchange {
  std::uint64_t number = 0;  // counts from 1 over the link's life; Clear() does not reset it
  double startMs = 0;        // since the port was opened
  Frame request;
  Frame reply;      // every byte the exchange read, good or not
  int status = -1;  // the exchange's status (0, 3 or 5); -1 when it did not say
  std::uint32_t waitMs = 0;
  double durationMs = 0;
  ReplyShape shape = ReplyShape::kNoReply;
  bool poll = false;    // the display poll "R"
  std::string meaning;  // what it meant, e.g. "read F1.6: reply F1.6 = 2 (30Hz)"
};

// Judges the bytes an exchange read by the frame rules.
ReplyShape ShapeOf(const Frame& reply);
// "no reply", "wrong check character", ...; empty for a good reply.
std::string ShapeText(ReplyShape shape);
// Words an exchange with nothing but the frame rules: "request of 6 bytes: no reply".
std::string PlainMeaning(const TracedExchange& exchange);

// Exchanges kept unless the owner asks for another size.
inline constexpr std::size_t kDefaultTraceCapacity = 10000;

// A SerialLink that records every exchange run through it into a bounded ring and tells its
// listeners of each one when it ends. The exchange's own calls mark the boundaries: ClearErrors
// begins an exchange, Write gives the request, Read the reply bytes, ExchangeEnded the wait and
// the status. Everything else passes through unchanged, so the exchange behaves exactly as it
// does on the bare port.
class TracingLink : public ForwardingLink {
 public:
  using Clock = std::chrono::steady_clock;
  using Describer = std::function<std::string(const TracedExchange&)>;
  using Listener = std::function<void(const TracedExchange&)>;

  explicit TracingLink(SerialLink& inner, std::size_t capacity = kDefaultTraceCapacity);

  // Words each exchange; PlainMeaning until set.
  void SetDescriber(Describer describer) { describer_ = std::move(describer); }
  // Times count from now on (the port was just opened).
  void MarkOpened() { epoch_ = Clock::now(); }

  // Returns an id for RemoveListener. Listeners run on the exchanging thread, after the exchange.
  int AddListener(Listener listener);
  void RemoveListener(int id);

  // The kept exchanges, oldest first; at most Capacity().
  const std::deque<TracedExchange>& Exchanges() const { return ring_; }
  std::size_t Capacity() const { return capacity_; }
  void Clear() { ring_.clear(); }
  // An exchange has begun and not yet ended.
  bool ExchangeOpen() const { return open_; }

  bool ClearErrors() override;
  void Write(const std::uint8_t* data, std::size_t size) override;
  int Read(std::uint8_t* buffer, std::size_t size) override;
  void ExchangeEnded(std::uint32_t waitMs, int status) override;

 private:
  void Finish();

  std::size_t capacity_;
  Describer describer_;
  Clock::time_point epoch_ = Clock::now();
  std::deque<TracedExchange> ring_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 1;
  std::uint64_t count_ = 0;
  // The exchange under way, if any.
  bool open_ = false;
  TracedExchange current_;
  Clock::time_point started_{};
};

}  // namespace tamarack
