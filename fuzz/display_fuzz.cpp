// Display decoding: any bytes the indicator may send in answer to a display poll, in either blink
// phase, read through the exchange and decoded. The display must come out as six to twelve
// one-character cells or "  Err", and a failed poll must leave the lamps alone.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "indicator/display_decode.h"

namespace {

// A line whose indicator answers every request with the fuzzer's bytes.
class ScriptedLine : public tamarack::SerialLink {
 public:
  ScriptedLine(const std::uint8_t* data, std::size_t size) : reply_(data, data + size) {}

  bool ClearErrors() override { return true; }
  bool PurgeTransmit() override { return true; }
  bool PurgeReceive() override { return true; }
  void Write(const std::uint8_t*, std::size_t) override { at_ = 0; }
  int Read(std::uint8_t* buffer, std::size_t size) override {
    std::size_t n = 0;
    while (n < size && at_ < reply_.size()) buffer[n++] = reply_[at_++];
    return static_cast<int>(n);
  }
  int LastError() const override { return 0; }

 private:
  std::vector<std::uint8_t> reply_;
  std::size_t at_ = 0;
};

class Quiet : public tamarack::UserFeedback {
 public:
  void Success(std::string_view) override {}
  void Failure(std::string_view) override {}
  void PortError(std::string_view) override {}
  void SystemError(std::string_view) override {}
  bool AskYesNo(std::string_view) override { return false; }
  bool AskRetryCancel(std::string_view) override { return false; }
  void ShortWait(std::uint32_t) override {}
  void LongWait(std::uint32_t, std::string_view) override {}
};

void CheckCells(const tamarack::DisplayState& state) {
  const auto cells = tamarack::DisplayCells(state.displayText);
  if (cells.size() < tamarack::kDisplayDigitCount ||
      cells.size() > 2 * tamarack::kDisplayDigitCount)
    std::abort();
  for (const auto cell : cells) {
    if (cell.size() != 1) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool blinkPhase = (data[0] & 1) != 0;
  ++data;
  --size;

  // The nine bytes as a good reply would carry them.
  std::uint8_t nine[tamarack::kDisplayReplySize] = {};
  std::memcpy(nine, data, size < sizeof nine ? size : sizeof nine);
  tamarack::DisplayState direct;
  tamarack::DecodeDisplay(nine, blinkPhase, direct);
  CheckCells(direct);

  // The same bytes as the whole answer on the line.
  ScriptedLine line(data, size);
  Quiet ui;
  tamarack::DisplayState polled = direct;
  const auto lampsBefore = polled.lamps;
  if (tamarack::PollDisplay(polled, line, ui, blinkPhase)) {
    CheckCells(polled);
  } else if (polled.displayText != tamarack::kDisplayErrorText || polled.lamps != lampsBefore) {
    std::abort();
  }
  return 0;
}
