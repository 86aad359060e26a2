#include "link/line_finder.h"

#include <algorithm>
#include <cmath>

#include "feedback/user_feedback.h"
#include "link/commands.h"
#include "link/transact.h"

namespace tamarack {
namespace {

constexpr int kBauds[] = {9600, 4800, 2400};

std::chrono::milliseconds CeilMs(double ms) {
  return std::chrono::milliseconds(static_cast<long>(std::ceil(ms)));
}

}  // namespace

std::vector<LineSettings> FinderOrder() {
  std::vector<LineSettings> order;
  for (int baud : kBauds) order.push_back({baud, 8, 1, Parity::kNone});
  for (Parity parity : {Parity::kEven, Parity::kOdd}) {
    for (int baud : kBauds) order.push_back({baud, 7, 1, parity});
  }
  for (int baud : kBauds) {
    for (int dataBits : {8, 7}) {
      for (int stopBits : {1, 2}) {
        for (Parity parity : {Parity::kNone, Parity::kEven, Parity::kOdd}) {
          const LineSettings setting{baud, dataBits, stopBits, parity};
          if (std::find(order.begin(), order.end(), setting) == order.end()) {
            order.push_back(setting);
          }
        }
      }
    }
  }
  return order;
}

ReadTimeouts FinderTimeouts(const LineSettings& setting) {
  const double byteMs = 1000.0 * setting.BitsPerByte() / std::max(setting.baud, 1);
  // The poll is six bytes on the wire before the indicator can answer; an indicator takes a few
  // tens of milliseconds to start its reply, and then sends it at wire speed.
  constexpr double kAnswerSlackMs = 100;
  ReadTimeouts timeouts;
  timeouts.totalBase = CeilMs(kAnswerSlackMs + 6 * byteMs);
  timeouts.perByte = CeilMs(2 * byteMs);
  timeouts.interval = CeilMs(20 + 3 * byteMs);
  return timeouts;
}

FinderResult FindIndicator(std::span<const FinderPort> ports, const FinderLinkFactory& factory,
                           const FinderProgress& progress) {
  FinderResult result;
  const std::vector<LineSettings> order = FinderOrder();
  const int total = static_cast<int>(order.size() * ports.size());
  const Frame poll = DisplayPollRequest();
  // A port that fails mid-search is just a setting that did not answer.
  SilentFeedback quiet;
  int number = 0;
  for (const FinderPort& port : ports) {
    for (std::size_t i = 0; i < order.size(); ++i) {
      const LineSettings& setting = order[i];
      ++number;
      if (progress && !progress({&port, setting, number, total})) {
        result.outcome = FinderResult::Outcome::kCancelled;
        return result;
      }
      std::string error;
      std::unique_ptr<SerialLink> link = factory(port.device, setting, error);
      if (!link) {
        // Not a matter of line settings: the port itself is missing or held.
        result.openFailures.emplace_back(port.name, error);
        number += static_cast<int>(order.size() - i - 1);
        break;
      }
      ++result.tries;
      ReplyArea reply;
      const TransactStatus status = Transact(*link, quiet, poll, kPollWaitMs, reply);
      link.reset();  // the port is closed before anything else happens
      if (status == TransactStatus::kOk) {
        result.outcome = FinderResult::Outcome::kFound;
        result.port = port;
        result.setting = setting;
        return result;
      }
    }
  }
  return result;
}

std::string FoundText(const FinderResult& result) {
  return "Indicator found on " + result.port.name + " at " + result.setting.Text();
}

std::string NotFoundText(std::span<const FinderPort> ports) {
  std::string names;
  for (const FinderPort& port : ports) {
    if (!names.empty()) names += ", ";
    names += port.name;
  }
  return "No indicator answered on " + names + ".";
}

}  // namespace tamarack
