#include "link/open_link.h"

#include "link/comm_port_finder.h"
#include "net/net_address.h"
#include "net/rfc2217_link.h"

namespace tamarack {
namespace {

// The local serial port seen as a PortLink.
class LocalLink : public PortLink {
 public:
  int Open(const PortSettings& settings, UserFeedback& ui) { return port_.Open(settings, ui); }
  void Close() override { port_.Close(); }
  bool IsOpen() const override { return port_.IsOpen(); }
  bool ClearErrors() override { return port_.ClearErrors(); }
  bool PurgeTransmit() override { return port_.PurgeTransmit(); }
  bool PurgeReceive() override { return port_.PurgeReceive(); }
  void Write(const std::uint8_t* data, std::size_t size) override { port_.Write(data, size); }
  int Read(std::uint8_t* buffer, std::size_t size) override { return port_.Read(buffer, size); }
  int LastError() const override { return port_.LastError(); }

 private:
  CommPort port_;
};

}  // namespace

std::unique_ptr<PortLink> OpenLink(const PortSettings& settings, UserFeedback& ui) {
  if (!IsNetworkName(settings.port)) {
    auto local = std::make_unique<LocalLink>();
    if (local->Open(settings, ui) != 1) return nullptr;
    return local;
  }
  const std::optional<NetAddress> address = ParseNetUrl(settings.port, nullptr);
  if (!address) {
    // A mistyped address names no device.
    ui.PortError(kPortMissing);
    return nullptr;
  }
  std::unique_ptr<TcpLink> link;
  if (address->scheme == NetScheme::kRfc2217) {
    link = std::make_unique<Rfc2217Link>();
  } else {
    link = std::make_unique<TcpLink>();
  }
  if (link->Open(*address, settings, ui) != 1) return nullptr;
  return link;
}

FinderLinkFactory PortFinderFactory() {
  return [local = CommPortFinderFactory()](const std::string& device, const LineSetting& setting,
                                           std::string& error) -> std::unique_ptr<SerialLink> {
    if (!IsNetworkName(device)) return local(device, setting, error);
    const PortSettings settings = SettingsFor(device, setting);
    SilentFeedback failure;
    std::unique_ptr<PortLink> link = OpenLink(settings, failure);
    if (!link) {
      error = failure.Last();
      return nullptr;
    }
    static_cast<TcpLink&>(*link).SetReadTimeouts(FinderTimeouts(setting));
    return link;
  };
}

}  // namespace tamarack
