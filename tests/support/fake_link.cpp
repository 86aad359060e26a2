#include "support/fake_link.h"

#include <algorithm>

namespace tamarack::test {

bool FakeLink::PurgeTransmit() {
  const bool afterWrite = justWrote_;
  justWrote_ = false;
  if (afterWrite && failPurgeAfterWrite != 0) {
    lastError_ = failPurgeAfterWrite;
    return false;
  }
  return true;
}

void FakeLink::Write(const std::uint8_t* data, std::size_t size) {
  requests.emplace_back(data, data + size);
  justWrote_ = true;
  std::vector<std::uint8_t> reply;
  if (responder) {
    reply = responder(requests.back());
  } else if (!scripted_.empty()) {
    reply = std::move(scripted_.front());
    scripted_.pop_front();
  }
  incoming_.insert(incoming_.end(), reply.begin(), reply.end());
}

int FakeLink::Read(std::uint8_t* buffer, std::size_t size) {
  ++readCalls;
  if (deviceGone) {
    lastError_ = 5;
    return -1;
  }
  if (failingReads > 0) {
    --failingReads;
    lastError_ = 1117;
    return -1;
  }
  const std::size_t n = std::min(size, incoming_.size());
  std::copy_n(incoming_.begin(), n, buffer);
  incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
  return static_cast<int>(n);
}

std::string Payload(const Frame& frame) {
  if (frame.size() < 5) return {};
  return std::string(frame.begin() + 3, frame.end() - 2);
}

std::vector<std::string> Payloads(const FakeLink& link) {
  std::vector<std::string> out;
  for (const Frame& r : link.requests) out.push_back(Payload(r));
  return out;
}

}  // namespace tamarack::test
