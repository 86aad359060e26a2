#include "support/ser2net.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <chrono>

namespace tamarack::test {
namespace {

// True when something listens on 127.0.0.1:`port`, read from the kernel's table so that no
// probing connection takes the proxy's one line.
bool Listening(int port) {
  QFile table("/proc/net/tcp");
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray local =
      "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;  // LISTEN
  }
  return false;
}

int FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

}  // namespace

std::string Ser2Net::Url() const {
  return (mode_ == Mode::kRaw ? "socket://127.0.0.1:" : "rfc2217://127.0.0.1:") +
         std::to_string(port_);
}

std::string Ser2Net::Start(const std::string& device, Mode mode, const std::string& line) {
  Stop();
  const QString program =
      QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/local/sbin", "/sbin"});
  if (program.isEmpty()) return "ser2net is not installed (scripts/bootstrap installs it)";
  if (!dir_.isValid()) return "no temporary folder";
  if (port_ == 0) port_ = FreePort();
  if (port_ == 0) return "no free port on the loopback";
  mode_ = mode;

  const QString config = dir_.filePath("ser2net.yaml");
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return "cannot write " + config.toStdString();
  const std::string accepter = mode == Mode::kRaw ? "tcp" : "telnet(rfc2217),tcp";
  std::string text = "connection: &indicator\n";
  text += "  accepter: " + accepter + ",127.0.0.1," + std::to_string(port_) + "\n";
  text += "  connector: serialdev," + device + "," + line + ",local\n";
  // Left on, ser2net gathers the device's bytes for up to 20 ms before it sends them on.
  text += std::string("  options:\n    chardelay: ") + (charDelay ? "true" : "false") + "\n";
  file.write(text.c_str());
  file.close();

  process_.setProcessChannelMode(QProcess::MergedChannels);
  // -n: stay in the foreground; -u: no lock files; -P: the pid file in our folder, not /run.
  process_.start(program, {"-n", "-u", "-c", config, "-P", dir_.filePath("ser2net.pid")});
  if (!process_.waitForStarted(5000)) return "ser2net did not start";
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Listening(port_)) {
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
