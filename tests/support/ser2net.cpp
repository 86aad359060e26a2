#include "support/ser2net.h"

#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <chrono>
#include <memory>

namespace tamarack::test {
namespace {

// True when something listens on 127.0.0.1 on each of `ports`, read from the kernel's table so
// that no probing connection takes the proxy's one line.
bool Listening(const std::vector<int>& ports) {
  QFile table("/proc/net/tcp");
  if (!table.open(QIODevice::ReadOnly)) return false;
  QSet<QByteArray> listening;
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 3 && fields[3] == "0A") listening.insert(fields[1]);  // LISTEN
  }
  for (const int port : ports) {
    const QByteArray local =
        "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    if (!listening.contains(local)) return false;
  }
  return true;
}

// Free ports on the loopback, each one distinct: the probes stay open until all are chosen.
std::vector<int> FreePorts(std::size_t count) {
  std::vector<std::unique_ptr<QTcpServer>> probes;
  std::vector<int> ports;
  for (std::size_t i = 0; i < count; ++i) {
    probes.push_back(std::make_unique<QTcpServer>());
    if (!probes.back()->listen(QHostAddress::LocalHost, 0)) return {};
    ports.push_back(probes.back()->serverPort());
  }
  return ports;
}

}  // namespace

std::string Ser2Net::Url(std::size_t device) const {
  const bool raw = devices_.size() <= device || devices_[device].mode == Mode::kRaw;
  return (raw ? "socket://127.0.0.1:" : "rfc2217://127.0.0.1:") + std::to_string(Port(device));
}

std::string Ser2Net::Start(const std::string& device, Mode mode, const std::string& line) {
  return Start(std::vector<Device>{{device, mode, line}});
}

std::string Ser2Net::Start(const std::vector<Device>& devices) {
  Stop();
  if (devices.size() != ports_.size()) ports_ = FreePorts(devices.size());
  if (ports_.size() != devices.size()) return "no free port on the loopback";
  devices_ = devices;
  return Restart();
}

std::string Ser2Net::Restart() {
  Stop();
  const QString program =
      QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/local/sbin", "/sbin"});
  if (program.isEmpty()) return "ser2net is not installed (scripts/bootstrap installs it)";
  if (!dir_.isValid()) return "no temporary folder";
  if (devices_.empty()) return "no device to serve";

  const QString config = dir_.filePath("ser2net.yaml");
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return "cannot write " + config.toStdString();
  std::string text;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const Device& device = devices_[i];
    const std::string accepter = device.mode == Mode::kRaw ? "tcp" : "telnet(rfc2217),tcp";
    text += "connection: &indicator" + std::to_string(i) + "\n";
    text += "  accepter: " + accepter + ",127.0.0.1," + std::to_string(ports_[i]) + "\n";
    text += "  connector: serialdev," + device.path + "," + device.line + ",local\n";
    // Left on, ser2net gathers the device's bytes for up to 20 ms before it sends them on.
    text += std::string("  options:\n    chardelay: ") + (charDelay ? "true" : "false") + "\n";
  }
  file.write(text.c_str());
  file.close();

  process_.setProcessChannelMode(QProcess::MergedChannels);
  // -n: stay in the foreground; -u: no lock files; -P: the pid file in our folder, not /run.
  process_.start(program, {"-n", "-u", "-c", config, "-P", dir_.filePath("ser2net.pid")});
  if (!process_.waitForStarted(5000)) return "ser2net did not start";
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Listening(ports_)) {
    if (process_.state() == QProcess::NotRunning) {
      return "ser2net ended: " + process_.readAll().toStdString();
    }
    if (std::chrono::steady_clock::now() > giveUp) return "ser2net does not listen";
    QThread::msleep(10);
  }
  return {};
}

void Ser2Net::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

}  // namespace tamarack::test
