#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tamarack {

// The limits of one read: the usual contract is at most 100 ms between two bytes and at most
// 700 ms + 100 ms per requested byte in all. Only the indicator finder asks for shorter ones.
struct ReadTimeouts {
  std::chrono::milliseconds interval{100};
  std::chrono::milliseconds totalBase{700};
  std::chrono::milliseconds perByte{100};
};

// The serial line to the indicator as the exchange sees it. CommPort implements it over a real
// port; tests use an in-memory fake or the simulator on a pseudo-terminal.
class SerialLink {
 public:
  virtual ~SerialLink() = default;

  // Clears a pending line-error condition (framing, parity, overrun) so that it cannot block the
  // next exchange. Returns false when the port refused.
  virtual bool ClearErrors() = 0;
  // Discards what is waiting to be sent / what has been received and not yet read. Returns false
  // when the port refused; LastError() then tells why.
  virtual bool PurgeTransmit() = 0;
  virtual bool PurgeReceive() = 0;
  // Writes all bytes, blocking until they have been handed to the driver.
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  // Reads up to `size` bytes under the time-out contract: at most 100 ms between two bytes and at
  // most 700 ms + 100 ms per requested byte in all. Returns the number of bytes read (0 when the
  // time ran out first), or -1 when the read itself failed.
  virtual int Read(std::uint8_t* buffer, std::size_t size) = 0;
  // The platform error code of the last call that failed (6: the handle is no longer valid).
  virtual int LastError() const = 0;

  // Told by the exchange once it has read (or given up on) the reply, with its wait and its
  // status, so that a link which records the traffic can close the exchange. Decorators pass it
  // on; a plain port ignores it.
  virtual void ExchangeEnded(std::uint32_t /*waitMs*/, int /*status*/) {}
};

// Platform error code for a handle that is no longer valid.
inline constexpr int kErrorInvalidHandle = 6;

}  // namespace tamarack
