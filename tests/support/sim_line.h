#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/serial_link.h"
#include "sim/simulator.h"

namespace tamarack::test {

// The simulator behind an in-memory line: every request goes to it, its reply waits to be read.
class SimLine : public SerialLink {
 public:
  explicit SimLine(sim::Simulator& simulator) : sim_(simulator) {}

  bool ClearErrors() override { return true; }
  bool PurgeTransmit() override { return true; }
  bool PurgeReceive() override {
    incoming_.clear();
    return true;
  }
  void Write(const std::uint8_t* data, std::size_t size) override {
    const Frame reply = sim_.Feed(std::span<const std::uint8_t>(data, size));
    incoming_.insert(incoming_.end(), reply.begin(), reply.end());
  }
  int Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, incoming_.size());
    std::copy_n(incoming_.begin(), n, buffer);
    incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
  }
  int LastError() const override { return 0; }

 private:
  sim::Simulator& sim_;
  std::vector<std::uint8_t> incoming_;
};

}  // namespace tamarack::test
