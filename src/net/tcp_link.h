#pragma once

#include <QTcpSocket>
#include <chrono>
#include <cstdint>
#include <vector>

#include "feedback/user_feedback.h"
#include "link/line_settings.h"
#include "link/port_link.h"
#include "link/serial_link.h"
#include "net/net_address.h"

namespace tamarack {

// The indicator's line behind a serial device server that passes raw bytes over TCP
// ("socket://host:port"). The server owns the line settings. It keeps the time-out contract of
// every SerialLink; a connection the server drops is a lost device, as an unplugged adapter is,
// and the next exchange connects again.
class TcpLink : public PortLink {
 public:
  using Clock = std::chrono::steady_clock;

  TcpLink();
  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;
  ~TcpLink() override;

  // Connects and readies the line. Returns 1, or -1 after telling the user why not.
  // `line.port` is the URL as the user gave it; over RFC 2217 its settings are sent to the server.
  int Open(const NetAddress& address, const PortLine& line, UserFeedback& ui);
  void Close() override;
  bool IsOpen() const override { return open_; }
  const PortLine& Opened() const override { return opened_; }
  void SetReadTimeouts(const ReadTimeouts& timeouts) override { timeouts_ = timeouts; }

  bool ClearErrors() override;
  bool PurgeTransmit() override;
  bool PurgeReceive() override;
  void Write(const std::uint8_t* data, std::size_t size) override;
  int Read(std::uint8_t* buffer, std::size_t size) override;
  int LastError() const override { return lastError_; }

 protected:
  // Why readying the line after connecting failed.
  enum class Handshake { kDone, kTimedOut, kRefused, kClosed };

  // Whatever the protocol needs once the connection stands, before the line counts as open.
  virtual Handshake Ready(Clock::time_point deadline);
  // Turns bytes from the server into data bytes for Read (appended to received_).
  virtual void Absorb(const QByteArray& bytes);
  // Turns data bytes into what goes to the server.
  virtual void Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);
  // Sends bytes as they are. False when the connection is gone.
  bool SendRaw(const std::vector<std::uint8_t>& bytes, Clock::time_point deadline);
  // Waits until something arrives or `deadline` passes and absorbs it. False when nothing came;
  // Lost() then tells whether the connection went away.
  bool Pump(Clock::time_point deadline);
  // Absorbs what has already arrived without waiting.
  void Drain();
  bool Lost() const { return lost_; }
  void DropReceived() {
    received_.clear();
    taken_ = 0;
  }
  const LineSettings& Line() const { return opened_.settings; }

  std::vector<std::uint8_t> received_;

 private:
  bool Connect(Clock::time_point deadline, QAbstractSocket::SocketError* error);
  void MarkLost();
  bool Reattach();
  void AckAtOnce();

  QTcpSocket socket_;
  NetAddress address_;
  PortLine opened_;
  ReadTimeouts timeouts_;
  std::size_t taken_ = 0;  // bytes of received_ already handed to Read
  bool open_ = false;
  bool lost_ = false;
  int lastError_ = 0;
};

}  // namespace tamarack
