#include "printfmt/ticket_preview.h"

namespace tamarack {
namespace {

// The frame's count byte is the text length + 1, and a byte holds 255 at most.
constexpr std::size_t kCountByteText = 254;

}  // namespace

std::size_t SendableTextLimit(int dataBits) {
  std::size_t limit = kCountByteText;
  while (limit > 0 && CheckDataBits(limit, dataBits)) --limit;
  return limit;
}

TicketPreview PreviewTicket(const FormatLines& lines, int dataBits, const TicketValues& values) {
  TicketPreview preview;
  // What the indicator would receive: tag bodies upper-cased, the end tag added.
  const std::optional<std::string> text = JoinLines(lines, false);
  const std::size_t limit = SendableTextLimit(dataBits);
  if (!text) {
    preview.sizeText = "Too long: more than " + std::to_string(limit) + " bytes";
    return preview;
  }
  preview.ticket = RenderTicket(*text, values);
  preview.sizeText = std::to_string(text->size()) + " of " + std::to_string(limit) + " bytes";
  preview.fits = text->size() <= limit;
  return preview;
}

}  // namespace tamarack
