// Any byte stream from a telnet server into the parser and the COM port client: no crash, the
// same result however the stream is cut into reads, and escaped data always comes back intact.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "net/telnet_parser.h"

using namespace tamarack::telnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 7;
  const std::span<const std::uint8_t> stream(data + 1, size - 1);

  Parser whole;
  std::vector<std::uint8_t> wholeData;
  std::vector<Event> wholeEvents;
  whole.Feed(stream, wholeData, wholeEvents);

  Parser cut;
  std::vector<std::uint8_t> cutData;
  std::vector<Event> cutEvents;
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    cut.Feed(stream.subspan(at, std::min(chunk, stream.size() - at)), cutData, cutEvents);
  }
  if (cutData != wholeData || cutEvents.size() != wholeEvents.size()) std::abort();

  ComPortClient client(tamarack::LineSettings{4800, 7, 2, tamarack::Parity::kEven});
  std::vector<std::uint8_t> answers = client.Greeting();
  for (const Event& event : wholeEvents) client.Handle(event, answers);
  if (client.Ready() && client.Refused()) std::abort();

  std::vector<std::uint8_t> escaped;
  AppendEscaped(stream, escaped);
  Parser back;
  std::vector<std::uint8_t> backData;
  std::vector<Event> backEvents;
  back.Feed(escaped, backData, backEvents);
  if (!backEvents.empty() ||
      !std::equal(backData.begin(), backData.end(), stream.begin(), stream.end())) {
    std::abort();
  }
  return 0;
}
