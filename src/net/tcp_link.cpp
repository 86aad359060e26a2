#include "net/tcp_link.h"

#include <algorithm>
#include <cerrno>
#include <string>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace tamarack {
namespace {

using std::chrono::milliseconds;

// Writes get the total of the time-out contract that reads keep (ReadTimeouts' defaults):
// 700 ms + 100 ms per byte.
constexpr milliseconds kTotalBase{700};
constexpr milliseconds kPerByte{100};
// Opening may reach a server in another city: connecting and readying the line each get about
// what a short reply may take. Reconnecting during an exchange gets less, so that a poll against
// a server that is down stays short.
constexpr milliseconds kOpenConnect{1500};
constexpr milliseconds kOpenReady{1500};
constexpr milliseconds kReconnect{700};

int MillisLeft(TcpLink::Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<milliseconds>(deadline - TcpLink::Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The nearest of the port's open messages for a connection that could not be made.
std::string OpenMessage(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
      return std::string(kPortMissing);
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::RemoteHostClosedError:
      // A server hangs up at once when its line is taken by another client.
      return std::string(kPortBusy);
    default:
      return std::string(kPortUndefined) + std::string(kFullWidthColon) +
             std::to_string(static_cast<int>(error));
  }
}

}  // namespace

TcpLink::TcpLink() = default;

TcpLink::~TcpLink() {
  Close();
}

bool TcpLink::Connect(Clock::time_point deadline, QAbstractSocket::SocketError* error) {
  socket_.abort();
  DropReceived();
  socket_.connectToHost(QString::fromStdString(address_.host), static_cast<quint16>(address_.port));
  if (!socket_.waitForConnected(std::max(1, MillisLeft(deadline)))) {
    *error = socket_.state() == QAbstractSocket::UnconnectedState
                 ? socket_.error()
                 : QAbstractSocket::SocketTimeoutError;
    socket_.abort();
    return false;
  }
  // Requests are small and each one waits for its reply: send at once, not after Nagle's delay.
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  return true;
}

int TcpLink::Open(const NetAddress& address, const PortLine& line, UserFeedback& ui) {
  Close();
  address_ = address;
  opened_ = line;
  QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
  if (!Connect(Clock::now() + kOpenConnect, &error)) {
    ui.PortError(OpenMessage(error));
    lastError_ = static_cast<int>(error);
    return -1;
  }
  switch (Ready(Clock::now() + kOpenReady)) {
    case Handshake::kDone:
      break;
    case Handshake::kTimedOut:
      socket_.abort();
      ui.PortError(OpenMessage(QAbstractSocket::SocketTimeoutError));
      lastError_ = static_cast<int>(QAbstractSocket::SocketTimeoutError);
      return -1;
    case Handshake::kClosed:
      socket_.abort();
      ui.PortError(OpenMessage(QAbstractSocket::RemoteHostClosedError));
      lastError_ = static_cast<int>(QAbstractSocket::RemoteHostClosedError);
      return -1;
    case Handshake::kRefused:
      // The server cannot set the line as asked, as a driver refuses an unsupported setting.
      socket_.abort();
      ui.PortError(std::string(kPortUndefined) + std::string(kFullWidthColon) +
                   std::to_string(EINVAL));
      lastError_ = EINVAL;
      return -1;
  }
  DropReceived();
  open_ = true;
  lost_ = false;
  lastError_ = 0;
  return 1;
}

void TcpLink::Close() {
  socket_.abort();
  DropReceived();
  open_ = false;
  lost_ = false;
}

void TcpLink::MarkLost() {
  lost_ = true;
  lastError_ = kErrorInvalidHandle;
  socket_.abort();
  DropReceived();
}

bool TcpLink::Reattach() {
  if (!lost_) return true;
  const auto deadline = Clock::now() + kReconnect;
  QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
  if (!Connect(deadline, &error) || Ready(deadline + kReconnect) != Handshake::kDone) {
    socket_.abort();
    return false;
  }
  DropReceived();
  lost_ = false;
  lastError_ = 0;
  return true;
}

TcpLink::Handshake TcpLink::Ready(Clock::time_point /*deadline*/) {
  return Handshake::kDone;
}

void TcpLink::Absorb(const QByteArray& bytes) {
  received_.insert(received_.end(), bytes.begin(), bytes.end());
}

void TcpLink::Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), data, data + size);
}

bool TcpLink::SendRaw(const std::vector<std::uint8_t>& bytes, Clock::time_point deadline) {
  if (bytes.empty()) return true;
  if (socket_.state() != QAbstractSocket::ConnectedState ||
      socket_.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qint64>(bytes.size())) < 0) {
    return false;
  }
  while (socket_.bytesToWrite() > 0) {
    const int left = MillisLeft(deadline);
    if (left == 0 || !socket_.waitForBytesWritten(left)) break;
  }
  return socket_.state() == QAbstractSocket::ConnectedState;
}

void TcpLink::Drain() {
  if (socket_.state() != QAbstractSocket::ConnectedState) return;
  // A zero wait lets the socket notice what arrived, a hang-up included.
  if (socket_.bytesAvailable() == 0) socket_.waitForReadyRead(0);
  if (socket_.bytesAvailable() > 0) Absorb(socket_.readAll());
}

void TcpLink::AckAtOnce() {
#ifdef Q_OS_LINUX
  // A server that holds back small segments until the previous one is acknowledged (Nagle) would
  // otherwise wait for our delayed acknowledgement, some 40 ms, in the middle of every reply. The
  // system clears the flag again by itself, so it is set before every wait.
  const int on = 1;
  setsockopt(static_cast<int>(socket_.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on,
             sizeof on);
#endif
}

bool TcpLink::Pump(Clock::time_point deadline) {
  if (socket_.bytesAvailable() > 0) {
    Absorb(socket_.readAll());
    return true;
  }
  if (socket_.state() != QAbstractSocket::ConnectedState) {
    MarkLost();
    return false;
  }
  const int left = MillisLeft(deadline);
  if (left == 0) return false;
  AckAtOnce();
  if (!socket_.waitForReadyRead(left)) {
    if (socket_.state() != QAbstractSocket::ConnectedState) MarkLost();
    return false;
  }
  Absorb(socket_.readAll());
  return true;
}

bool TcpLink::ClearErrors() {
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  // Every exchange starts here: a connection the server dropped while the line was idle is seen
  // now, and a lost one is made again, so that a restarted server is used without reopening.
  if (!lost_) {
    Drain();
    if (socket_.state() != QAbstractSocket::ConnectedState) MarkLost();
  }
  return Reattach();
}

bool TcpLink::PurgeTransmit() {
  if (lost_) return true;  // nothing can be waiting to go out; the read reports the loss
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  // Write returns once its bytes are with the system; nothing of ours is held back.
  return true;
}

bool TcpLink::PurgeReceive() {
  if (lost_) return true;
  if (!open_) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  Drain();
  DropReceived();
  return true;
}

void TcpLink::Write(const std::uint8_t* data, std::size_t size) {
  if (!open_ || lost_ || size == 0) return;
  std::vector<std::uint8_t> out;
  Encode(data, size, out);
  if (!SendRaw(out, Clock::now() + kTotalBase + kPerByte * static_cast<int>(size))) MarkLost();
}

int TcpLink::Read(std::uint8_t* buffer, std::size_t size) {
  if (!open_ || lost_) {
    lastError_ = kErrorInvalidHandle;
    return -1;
  }
  const auto total =
      Clock::now() + timeouts_.totalBase + timeouts_.perByte * static_cast<int>(size);
  std::size_t got = 0;
  Clock::time_point lastByte{};
  while (got < size) {
    if (taken_ < received_.size()) {
      const std::size_t n = std::min(size - got, received_.size() - taken_);
      std::copy_n(received_.begin() + static_cast<std::ptrdiff_t>(taken_), n, buffer + got);
      taken_ += n;
      got += n;
      lastByte = Clock::now();
      if (taken_ == received_.size()) DropReceived();
      continue;
    }
    // The interval limit starts with the first byte; before it only the total limit runs.
    auto deadline = total;
    if (got > 0 && lastByte + timeouts_.interval < deadline)
      deadline = lastByte + timeouts_.interval;
    if (MillisLeft(deadline) == 0) break;
    if (!Pump(deadline) && lost_) return -1;
  }
  return static_cast<int>(got);
}

}  // namespace tamarack
