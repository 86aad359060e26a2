#include "link/comm_port_finder.h"

#include <memory>

#include "link/comm_port.h"

namespace tamarack {
namespace {

// Keeps the message of a failed open instead of showing it.
class OpenFailure : public UserFeedback {
 public:
  std::string text;

  void Success(std::string_view) override {}
  void Failure(std::string_view message) override { text = message; }
  void PortError(std::string_view message) override { text = message; }
  void SystemError(std::string_view message) override { text = message; }
  bool AskYesNo(std::string_view) override { return false; }
  bool AskRetryCancel(std::string_view) override { return false; }
  void LongWait(std::uint32_t ms, int) override { PreciseSleep(ms); }
};

}  // namespace

FinderLinkFactory CommPortFinderFactory() {
  return [](const std::string& device, const LineSetting& setting,
            std::string& error) -> std::unique_ptr<SerialLink> {
    auto port = std::make_unique<CommPort>();
    PortSettings settings;
    settings.port = device;
    settings.baud = setting.baud;
    settings.dataBits = setting.dataBits;
    settings.stopBits = setting.stopBits;
    settings.parity = setting.parity;
    OpenFailure failure;
    if (port->Open(settings, failure) != 1) {
      error = failure.text;
      return nullptr;
    }
    port->SetReadTimeouts(FinderTimeouts(setting));
    return port;
  };
}

}  // namespace tamarack
