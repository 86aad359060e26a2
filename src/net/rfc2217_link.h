#pragma once

#include <memory>

#include "net/tcp_link.h"
#include "net/telnet_parser.h"

namespace tamarack {

// The indicator's line behind a serial device server that speaks telnet with the COM port control
// option ("rfc2217://host:port"): the line settings are sent at open and must be acknowledged
// before the port counts as open, the purges of an exchange reach the server's queues, and 0xFF is
// doubled both ways.
class Rfc2217Link : public TcpLink {
 protected:
  Handshake Ready(Clock::time_point deadline) override;
  void Absorb(const QByteArray& bytes) override;
  void Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) override;

 public:
  bool PurgeTransmit() override;
  bool PurgeReceive() override;
  void Write(const std::uint8_t* data, std::size_t size) override;
  int Read(std::uint8_t* buffer, std::size_t size) override;

 private:
  bool SendPurge(std::uint8_t which);

  telnet::Parser parser_;
  std::unique_ptr<telnet::ComPortClient> client_;
  std::vector<telnet::Event> events_;
  std::vector<std::uint8_t> answers_;
  int purgesSent_ = 0;
  bool waitForPurgeAck_ = true;  // until the server lets one go unanswered
  bool requestUnread_ = false;   // written since the last read
};

}  // namespace tamarack
