#include "link/tracing_link.h"

#include <algorithm>

namespace tamarack {
namespace {

double MsBetween(TracingLink::Clock::time_point from, TracingLink::Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

ReplyShape ShapeOf(const Frame& reply) {
  if (reply.empty()) return ReplyShape::kNoReply;
  const std::uint8_t head[] = {kSoh, kAddress, kStx};
  const std::size_t headBytes = std::min<std::size_t>(reply.size(), 3);
  if (!std::equal(reply.begin(), reply.begin() + static_cast<long>(headBytes), head)) {
    return ReplyShape::kNotAFrame;
  }
  if (reply.size() < 3) return ReplyShape::kCutShort;
  const auto payloadBegin = reply.begin() + 3;
  const auto end = std::find(payloadBegin, reply.end(), kEtx);
  if (end == reply.end()) {
    return reply.size() - 3 >= kAreaSize ? ReplyShape::kTooLong : ReplyShape::kCutShort;
  }
  if (end + 1 == reply.end()) return ReplyShape::kCutShort;
  const std::span<const std::uint8_t> payload(&*payloadBegin,
                                              static_cast<std::size_t>(end - payloadBegin));
  return ShortCheck(payload) == *(end + 1) ? ReplyShape::kGood : ReplyShape::kWrongCheck;
}

std::string ShapeText(ReplyShape shape) {
  switch (shape) {
    case ReplyShape::kGood:
      return "";
    case ReplyShape::kNoReply:
      return "no reply";
    case ReplyShape::kNotAFrame:
      return "not a frame";
    case ReplyShape::kCutShort:
      return "cut short";
    case ReplyShape::kTooLong:
      return "longer than the reply area";
    case ReplyShape::kWrongCheck:
      return "wrong check character";
  }
  return "";
}

std::string PlainMeaning(const TracedExchange& exchange) {
  std::string text = "request of " + std::to_string(exchange.request.size()) + " bytes: ";
  if (exchange.shape == ReplyShape::kGood) {
    return text + "reply of " + std::to_string(exchange.reply.size()) + " bytes";
  }
  return text + ShapeText(exchange.shape);
}

TracingLink::TracingLink(SerialLink& inner, std::size_t capacity)
    : ForwardingLink(inner), capacity_(std::max<std::size_t>(capacity, 1)) {}

int TracingLink::AddListener(Listener listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void TracingLink::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

bool TracingLink::ClearErrors() {
  // An exchange that never told its end is closed as it stands.
  if (open_) Finish();
  open_ = true;
  started_ = Clock::now();
  current_ = TracedExchange{};
  current_.startMs = MsBetween(epoch_, started_);
  return ForwardingLink::ClearErrors();
}

void TracingLink::Write(const std::uint8_t* data, std::size_t size) {
  if (!open_) {
    open_ = true;
    started_ = Clock::now();
    current_ = TracedExchange{};
    current_.startMs = MsBetween(epoch_, started_);
  }
  current_.request.insert(current_.request.end(), data, data + size);
  ForwardingLink::Write(data, size);
}

int TracingLink::Read(std::uint8_t* buffer, std::size_t size) {
  const int got = ForwardingLink::Read(buffer, size);
  if (open_ && got > 0) current_.reply.insert(current_.reply.end(), buffer, buffer + got);
  return got;
}

void TracingLink::ExchangeEnded(std::uint32_t waitMs, int status) {
  ForwardingLink::ExchangeEnded(waitMs, status);
  if (!open_) return;
  current_.waitMs = waitMs;
  current_.status = status;
  Finish();
}

void TracingLink::Finish() {
  open_ = false;
  current_.number = ++count_;
  current_.durationMs = MsBetween(started_, Clock::now());
  current_.shape = ShapeOf(current_.reply);
  static const Frame poll = ShortFrame("R");
  current_.poll = current_.request == poll;
  current_.meaning = describer_ ? describer_(current_) : PlainMeaning(current_);
  if (ring_.size() >= capacity_) ring_.pop_front();
  ring_.push_back(std::move(current_));
  current_ = TracedExchange{};
  // A listener may remove itself (or another) while it is told.
  const auto listeners = listeners_;
  for (const auto& entry : listeners) entry.second(ring_.back());
}

}  // namespace tamarack
