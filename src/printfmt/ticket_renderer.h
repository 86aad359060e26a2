#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tamarack {

// What the indicator knows when it prints a ticket, each value already in its printed form.
struct TicketValues {
  std::string gross;  // "25.0 kg": the weights in the displayed unit, with the unit
  std::string tare;
  std::string net;
  std::string peak;
  std::string consecutive;  // "000123"
  std::string countItem;    // "05"
  std::string quantity;     // "100"; empty when no piece count is known
  std::string date;         // the indicator's clock: YYMMDD
  std::string time;         // HHMMSS
};

// Turns a print format as the indicator keeps it into the ticket it prints. A tag is "<", one to
// four characters without another "<", and ">". <G> <T> <N> <P> print the weights, <CN> the
// consecutive number, <CD> and <CO> the count item and quantity, <D> the date (DD-MM-YY) and <I>
// the time (HH:MM:SS); <NLnn> starts nn new lines and <SPnn> prints nn blanks (one when nn is
// left out); <E> ends the ticket. Anything else, unknown tags and a "<" without its ">"
// included, is printed as it stands.
std::string RenderTicket(std::string_view format, const TicketValues& values);

// The values the print format window previews with: gross 25.0 kg, tare 5.0 kg, net 20.0 kg,
// peak 25.0 kg, consecutive number 000123, count item 05 with 100 pieces, and the local date and
// time of `now`.
TicketValues SampleTicketValues(std::time_t now);

}  // namespace tamarack
