#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/frame.h"
#include "link/serial_link.h"

namespace tamarack::test {

// An in-memory serial line. Each write hands the request to `responder` (if set) or else pops the
// next scripted reply; the reply's bytes then wait to be read. Reads never block: a read that finds
// nothing returns 0, as a real read does when its time-out runs out.
class FakeLink : public SerialLink {
 public:
  // Scripts the reply to the next request that has no scripted reply yet.
  void QueueReply(std::string_view payload) { scripted_.push_back(ShortFrame(payload)); }
  void QueueRaw(std::vector<std::uint8_t> bytes) { scripted_.push_back(std::move(bytes)); }
  // Puts bytes on the line at once, as if the indicator had sent them before the request.
  void Inject(const std::vector<std::uint8_t>& bytes) {
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
  }

  std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>& request)> responder;

  // The purge right after each write fails with this error code (0: it succeeds).
  int failPurgeAfterWrite = 0;
  // This many read calls fail outright (-1) before reads work again.
  int failingReads = 0;
  // Every read call fails (a port whose device is gone).
  bool deviceGone = false;

  std::vector<std::vector<std::uint8_t>> requests;  // each write, in order
  int readCalls = 0;

  bool ClearErrors() override { return true; }
  bool PurgeTransmit() override;
  bool PurgeReceive() override {
    incoming_.clear();
    return true;
  }
  void Write(const std::uint8_t* data, std::size_t size) override;
  int Read(std::uint8_t* buffer, std::size_t size) override;
  int LastError() const override { return lastError_; }

 private:
  std::deque<std::vector<std::uint8_t>> scripted_;
  std::deque<std::uint8_t> incoming_;
  bool justWrote_ = false;
  int lastError_ = 0;
};

// The payload of a short frame (01 31 02 payload 03 check); empty for anything shorter.
std::string Payload(const Frame& frame);

// The payloads of the requests `link` received, in order.
std::vector<std::string> Payloads(const FakeLink& link);

}  // namespace tamarack::test
