#include "net/rfc2217_link.h"

namespace tamarack {
namespace {

using std::chrono::milliseconds;

// How long a receive purge waits for the server to confirm it. What arrives before the
// confirmation left the server before the purge and is dropped with it.
constexpr milliseconds kPurgeAck{300};
constexpr milliseconds kSendLimit{700};

}  // namespace

TcpLink::Handshake Rfc2217Link::Ready(Clock::time_point deadline) {
  parser_.Reset();
  client_ = std::make_unique<telnet::ComPortClient>(Line());
  purgesSent_ = 0;
  requestUnread_ = false;
  if (!SendRaw(client_->Greeting(), deadline)) return Handshake::kClosed;
  while (!client_->Ready()) {
    if (client_->Refused()) return Handshake::kRefused;
    // Checked on every turn: a server that never stops sending options always has something to
    // read, and must not hold the open beyond its limit.
    if (Clock::now() >= deadline) return Handshake::kTimedOut;
    if (!Pump(deadline) && Lost()) return Handshake::kClosed;
  }
  return Handshake::kDone;
}

void Rfc2217Link::Absorb(const QByteArray& bytes) {
  events_.clear();
  answers_.clear();
  parser_.Feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size())),
               received_, events_);
  if (!client_) return;
  for (const telnet::Event& event : events_) client_->Handle(event, answers_);
  // A connection that fails here is noticed by the next wait.
  SendRaw(answers_, Clock::now() + kSendLimit);
}

void Rfc2217Link::Encode(const std::uint8_t* data, std::size_t size,
                         std::vector<std::uint8_t>& out) {
  telnet::AppendEscaped(std::span(data, size), out);
}

bool Rfc2217Link::SendPurge(std::uint8_t which) {
  if (!SendRaw(telnet::ComPortClient::Purge(which), Clock::now() + kSendLimit)) return false;
  ++purgesSent_;
  return true;
}

bool Rfc2217Link::PurgeTransmit() {
  if (!TcpLink::PurgeTransmit()) return false;
  // After a request has been written, the server's transmit queue may still hold it on its way
  // to the indicator: purging then would discard our own request.
  if (!Lost() && !requestUnread_) SendPurge(telnet::kPurgeTransmit);
  return true;
}

bool Rfc2217Link::PurgeReceive() {
  if (!TcpLink::PurgeReceive()) return false;
  if (Lost() || !SendPurge(telnet::kPurgeReceive) || !waitForPurgeAck_) return true;
  const auto deadline = Clock::now() + kPurgeAck;
  while (client_->PurgeAcks() < purgesSent_) {
    if (!Pump(deadline)) {
      if (Lost()) return true;
      if (Clock::now() >= deadline) {
        // This server does not confirm purges; do not wait for it on every exchange.
        waitForPurgeAck_ = false;
        break;
      }
    }
  }
  DropReceived();
  return true;
}

void Rfc2217Link::Write(const std::uint8_t* data, std::size_t size) {
  requestUnread_ = true;
  TcpLink::Write(data, size);
}

int Rfc2217Link::Read(std::uint8_t* buffer, std::size_t size) {
  requestUnread_ = false;
  return TcpLink::Read(buffer, size);
}

}  // namespace tamarack
