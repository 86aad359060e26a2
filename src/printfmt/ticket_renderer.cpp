#include "printfmt/ticket_renderer.h"

#include <cstdio>

namespace tamarack {
namespace {

constexpr std::size_t kMaxTagBody = 4;

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "NL" or "SP" with an optional count of one or two digits: how many to print, or -1 when `body`
// is not that tag.
int Repeat(std::string_view body, std::string_view name) {
  if (!body.starts_with(name)) return -1;
  const std::string_view count = body.substr(name.size());
  if (count.empty()) return 1;
  if (!IsDigits(count)) return -1;
  int n = 0;
  for (char c : count) n = n * 10 + (c - '0');
  return n;
}

// "YYMMDD" printed as DD-MM-YY, "HHMMSS" as HH:MM:SS; anything else as it is.
std::string DateText(const std::string& yymmdd) {
  if (yymmdd.size() != 6) return yymmdd;
  return yymmdd.substr(4, 2) + "-" + yymmdd.substr(2, 2) + "-" + yymmdd.substr(0, 2);
}

std::string TimeText(const std::string& hhmmss) {
  if (hhmmss.size() != 6) return hhmmss;
  return hhmmss.substr(0, 2) + ":" + hhmmss.substr(2, 2) + ":" + hhmmss.substr(4, 2);
}

// The value a named tag prints, or nullptr for a tag the indicator does not know.
const std::string* ValueOf(std::string_view body, const TicketValues& v) {
  if (body == "G") return &v.gross;
  if (body == "T") return &v.tare;
  if (body == "N") return &v.net;
  if (body == "P") return &v.peak;
  if (body == "CN") return &v.consecutive;
  if (body == "CD") return &v.countItem;
  if (body == "CO") return &v.quantity;
  return nullptr;
}

std::string TwoDigits(int n) {
  char text[4];
  std::snprintf(text, sizeof text, "%02d", n % 100);
  return text;
}

}  // namespace

std::string RenderTicket(std::string_view format, const TicketValues& values) {
  std::string ticket;
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    const std::size_t close = c == '<' ? format.find_first_of("<>", i + 1) : std::string_view::npos;
    if (close == std::string_view::npos || format[close] != '>' || close == i + 1 ||
        close - i - 1 > kMaxTagBody) {
      ticket.push_back(c);
      ++i;
      continue;
    }
    const std::string_view body = format.substr(i + 1, close - i - 1);
    if (body == "E") break;
    if (const std::string* value = ValueOf(body, values)) {
      ticket += *value;
    } else if (body == "D") {
      ticket += DateText(values.date);
    } else if (body == "I") {
      ticket += TimeText(values.time);
    } else if (const int lines = Repeat(body, "NL"); lines >= 0) {
      ticket.append(static_cast<std::size_t>(lines), '\n');
    } else if (const int blanks = Repeat(body, "SP"); blanks >= 0) {
      ticket.append(static_cast<std::size_t>(blanks), ' ');
    } else {
      ticket.append(format.substr(i, close - i + 1));
    }
    i = close + 1;
  }
  return ticket;
}

TicketValues SampleTicketValues(std::time_t now) {
  std::tm t{};
  localtime_r(&now, &t);
  TicketValues v;
  v.gross = "25.0 kg";
  v.tare = "5.0 kg";
  v.net = "20.0 kg";
  v.peak = "25.0 kg";
  v.consecutive = "000123";
  v.countItem = "05";
  v.quantity = "100";
  v.date = TwoDigits(t.tm_year) + TwoDigits(t.tm_mon + 1) + TwoDigits(t.tm_mday);
  v.time = TwoDigits(t.tm_hour) + TwoDigits(t.tm_min) + TwoDigits(t.tm_sec);
  return v;
}

}  // namespace tamarack
