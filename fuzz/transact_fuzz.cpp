// Arbitrary bytes as the indicator's reply to one exchange, over the in-memory line. The first
// byte picks how the line misbehaves; the rest is what arrives. A good status must mean that the
// bytes really were one well-formed reply frame.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/commands.h"
#include "link/transact.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"

using namespace tamarack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::vector<std::uint8_t> reply(data + 1, data + size);

  test::FakeLink link;
  test::RecordingFeedback ui;
  if (mode & 0x01) {
    link.Inject(reply);  // bytes already waiting: the purge before the write must drop them
  } else {
    link.QueueRaw(reply);
  }
  link.failingReads = (mode >> 1) & 0x1F;
  link.failPurgeAfterWrite = (mode & 0x40) ? 5 : 0;
  link.deviceGone = (mode & 0x80) != 0 && (mode & 0x3E) == 0x3E;

  ReplyArea area{};
  const auto status = Transact(link, ui, DisplayPollRequest(), kPollWaitMs, area);
  switch (status) {
    case TransactStatus::kOk: {
      // Only a complete frame, sent after the request, gives a good status: head, payload up to
      // the first ETX, then the matching check character; the area holds exactly that payload.
      if (mode & 0x01) std::abort();
      if (reply.size() < 5 || reply[0] != kSoh || reply[1] != kAddress || reply[2] != kStx) {
        std::abort();
      }
      std::size_t etx = 3;
      std::uint8_t check = 0;
      while (etx < reply.size() && reply[etx] != kEtx) check ^= reply[etx++];
      if (etx + 1 >= reply.size() || etx - 3 >= kAreaSize) std::abort();
      if (reply[etx + 1] != static_cast<std::uint8_t>((check ^ kEtx) | 0x30)) std::abort();
      for (std::size_t i = 0; i < kAreaSize; ++i) {
        const std::uint8_t want = i < etx - 3 ? reply[3 + i] : 0;
        if (area.bytes[i] != want) std::abort();
      }
      break;
    }
    case TransactStatus::kBad:
      break;
    case TransactStatus::kPurgeFailed:
      if (link.failPurgeAfterWrite == 0) std::abort();
      break;
  }
  return 0;
}
