#pragma once

#include <cstddef>
#include <cstdint>

#include "link/serial_link.h"

namespace tamarack {

// Passes every call on to another link. A decorator derives from it and overrides only what it
// adds, so that a function added to SerialLink reaches the port through every decorator.
class ForwardingLink : public SerialLink {
 public:
  explicit ForwardingLink(SerialLink& inner) : inner_(&inner) {}

  SerialLink& Inner() const { return *inner_; }
  // Passes the calls that follow on to `inner`; never in the middle of an exchange.
  void SetInner(SerialLink& inner) { inner_ = &inner; }

  bool ClearErrors() override { return inner_->ClearErrors(); }
  bool PurgeTransmit() override { return inner_->PurgeTransmit(); }
  bool PurgeReceive() override { return inner_->PurgeReceive(); }
  void Write(const std::uint8_t* data, std::size_t size) override { inner_->Write(data, size); }
  int Read(std::uint8_t* buffer, std::size_t size) override { return inner_->Read(buffer, size); }
  int LastError() const override { return inner_->LastError(); }
  void ExchangeEnded(std::uint32_t waitMs, int status) override {
    inner_->ExchangeEnded(waitMs, status);
  }

 private:
  SerialLink* inner_;
};

}  // namespace tamarack
