#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace tamarack::test {

// Debian's serial-to-network proxy, started for one test in front of a device (the simulated
// indicator's pseudo-terminal) on the loopback only, with its configuration in a temporary
// folder. No system service is touched.
class Ser2Net {
 public:
  enum class Mode { kRaw, kRfc2217 };

  Ser2Net() = default;
  ~Ser2Net() { Stop(); }
  Ser2Net(const Ser2Net&) = delete;
  Ser2Net& operator=(const Ser2Net&) = delete;

  // Serves `device` (with the line `line`, ser2net's "9600n81" form) on 127.0.0.1, on a free port
  // the first time and on the same port after a Stop. Returns once the port listens. Empty, or
  // what went wrong.
  std::string Start(const std::string& device, Mode mode, const std::string& line = "9600n81");
  // One ser2net in front of many devices, each on a port of its own (as a site's device servers
  // are), the same ports again after a Stop.
  struct Device {
    std::string path;
    Mode mode = Mode::kRaw;
    std::string line = "9600n81";
  };
  std::string Start(const std::vector<Device>& devices);
  // The same devices again, on the same ports.
  std::string Restart();
  void Stop();

  // Forward the device's bytes as they come (false), or gather them first as ser2net does by
  // default (true). Read at the next Start.
  bool charDelay = false;

  // The running server's process, for measuring it; 0 when it is not running.
  qint64 ProcessId() const { return process_.processId(); }

  int Port(std::size_t device = 0) const { return ports_.size() > device ? ports_[device] : 0; }
  // "socket://127.0.0.1:port" or "rfc2217://127.0.0.1:port".
  std::string Url(std::size_t device = 0) const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  std::vector<Device> devices_;
  std::vector<int> ports_;
};

}  // namespace tamarack::test
