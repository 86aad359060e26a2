#include "link/comm_port.h"

#include <cerrno>
#include <chrono>
#include <string>

#include "link/port_help.h"
#include "link/port_names.h"

#ifndef Q_OS_WIN
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#endif

namespace tamarack {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Writes get the total of the usual read contract: 700 ms + 100 ms per byte.
constexpr milliseconds kTotalBase{700};
constexpr milliseconds kPerByte{100};

QSerialPort::Parity SerialParity(Parity parity) {
  switch (parity) {
    case Parity::kEven:
      return QSerialPort::EvenParity;
    case Parity::kOdd:
      return QSerialPort::OddParity;
    case Parity::kNone:
      break;
  }
  return QSerialPort::NoParity;
}

// The second line of a refused open: why, and what to do.
std::string RefusalHelp(int platformCode, const std::string& device) {
#ifdef Q_OS_WIN
  (void)platformCode;
  return PortBusyHelp(device);
#else
  if (platformCode != EACCES) return PortBusyHelp(device);
  std::string groupName;
  struct stat info {};
  if (::stat(device.c_str(), &info) == 0) {
    if (const struct group* entry = ::getgrgid(info.st_gid)) groupName = entry->gr_name;
  }
  return PortAccessHelp(device, groupName);
#endif
}

int MillisLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CommPort::CommPort() {
  // Qt reports a hang-up from its read watcher while no exchange runs, and on some versions keeps
  // reporting it at full speed; let the device go at the first report.
  QObject::connect(
      &port_, &QSerialPort::errorOccurred, &port_,
      [this](QSerialPort::SerialPortError error) {
        if (open_ && !lost_ &&
            (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)) {
          MarkLost();
        }
      },
      Qt::QueuedConnection);
}

CommPort::~CommPort() {
  Close();
}

int CommPort::Open(const PortLine& line, UserFeedback& ui, const std::string& device) {
  Close();
  const std::string path = device.empty() ? DeviceFor(line.port) : device;
  const LineSettings& settings = line.settings;
  port_.setPortName(QString::fromStdString(path));
  port_.setBaudRate(settings.baud);
  port_.setDataBits(settings.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
  port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
  port_.setParity(SerialParity(settings.parity));
  port_.setFlowControl(QSerialPort::NoFlowControl);

  errno = 0;
  if (!port_.open(QIODevice::ReadWrite)) {
    const int platformCode = errno;
    switch (port_.error()) {
      case QSerialPort::DeviceNotFoundError:
        ui.PortError(kPortMissing);
        break;
      case QSerialPort::PermissionError:
      case QSerialPort::OpenError:
        ui.PortError(std::string(kPortBusy) + "\n" + RefusalHelp(platformCode, path));
        break;
      default: {
        const int code = platformCode != 0 ? platformCode : static_cast<int>(port_.error());
        ui.PortError(std::string(kPortUndefined) + std::string(kFullWidthColon) +
                     std::to_string(code));
        break;
      }
    }
    lastError_ = platformCode;
    port_.clearError();
    return -1;
  }
  opened_ = line;
  open_ = true;
  lost_ = false;
  lastError_ = 0;
  port_.clearError();
  return 1;
}

void CommPort::Close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
  open_ = false;
  lost_ = false;
}

void CommPort::MarkLost() {
  lost_ = true;
  lastError_ = kErrorInvalidHandle;
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

bool CommPort::Reattach() {
  if (!lost_) return true;
  // The port keeps its name and line settings while closed.
  if (!port_.open(QIODevice::ReadWrite)) {
    port_.clearError();
    return false;
  }
  lost_ = false;
  lastError_ = 0;
  return true;
}

bool CommPort::Lost() const {
  const auto error = port_.error();
  return error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

void CommPort::NoteError() {
  lastError_ = errno != 0 ? errno : kErrorInvalidHandle;
}

bool CommPort::ClearErrors() {
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  // Every exchange starts here: a device that went away is looked for again, so that a replugged
  // adapter or a restarted peer is used without closing and reopening the port.
  if (!Reattach()) return false;
  port_.clearError();
  return true;
}

bool CommPort::PurgeTransmit() {
  if (lost_) return true;  // nothing can be waiting to go out; the read reports the loss
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  errno = 0;
#ifdef Q_OS_WIN
  if (!port_.clear(QSerialPort::Output)) {
    NoteError();
    return false;
  }
#else
  // Write returns only when its bytes have left, so nothing of ours waits to be sent; flushing the
  // driver's output anyway would discard a request that the far end has not read yet (on a
  // pseudo-terminal it empties the peer's input). Only bytes still held by Qt are dropped, and the
  // device is asked whether it is still there.
  if (port_.bytesToWrite() > 0 && !port_.clear(QSerialPort::Output)) {
    NoteError();
    return false;
  }
  termios line{};
  if (tcgetattr(static_cast<int>(port_.handle()), &line) != 0) {
    NoteError();
    return false;
  }
#endif
  return true;
}

bool CommPort::PurgeReceive() {
  if (lost_) return true;
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  errno = 0;
  if (!port_.clear(QSerialPort::Input)) {
    NoteError();
    return false;
  }
  return true;
}

void CommPort::Write(const std::uint8_t* data, std::size_t size) {
  if (!open_ || lost_ || size == 0) return;
  const auto deadline = Clock::now() + kTotalBase + kPerByte * static_cast<int>(size);
  if (port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) < 0) {
    NoteError();
    return;
  }
  while (port_.bytesToWrite() > 0) {
    const int left = MillisLeft(deadline);
    if (left == 0 || !port_.waitForBytesWritten(left)) break;
  }
#ifndef Q_OS_WIN
  // Blocks until the driver has put the bytes on the line, as a blocking serial write does on
  // Windows.
  tcdrain(static_cast<int>(port_.handle()));
#endif
}

int CommPort::Read(std::uint8_t* buffer, std::size_t size) {
  if (!open_ || lost_) {
    lastError_ = kErrorInvalidHandle;
    return -1;
  }
  const auto start = Clock::now();
  const auto total = start + timeouts_.totalBase + timeouts_.perByte * static_cast<int>(size);
  std::size_t got = 0;
  Clock::time_point lastByte{};
  while (got < size) {
    if (port_.bytesAvailable() > 0) {
      const qint64 n =
          port_.read(reinterpret_cast<char*>(buffer + got), static_cast<qint64>(size - got));
      if (n > 0) {
        got += static_cast<std::size_t>(n);
        lastByte = Clock::now();
        continue;
      }
    }
    // A hung-up device reports its error again at once on every wait: give up instead of
    // spinning, and let the exchange end.
    if (Lost()) {
      MarkLost();
      return -1;
    }
    // The interval limit starts with the first byte; before it only the total limit runs.
    auto deadline = total;
    if (got > 0 && lastByte + timeouts_.interval < deadline) {
      deadline = lastByte + timeouts_.interval;
    }
    const int left = MillisLeft(deadline);
    if (left == 0) break;
    port_.clearError();  // a time-out of the previous wait is no failure
    if (!port_.waitForReadyRead(left) && port_.error() != QSerialPort::NoError &&
        port_.error() != QSerialPort::TimeoutError) {
      if (port_.bytesAvailable() > 0) continue;
      MarkLost();
      return -1;
    }
  }
  return static_cast<int>(got);
}

}  // namespace tamarack
