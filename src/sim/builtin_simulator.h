#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "sim/pty_transport.h"
#include "sim/simulator.h"

namespace tamarack::sim {

// The simulated indicator that a newcomer opens instead of a real one ("Simulator" in the Comm
// list, --port sim): served on its own pseudo-terminal, each byte at the wire time of 9600 8N1,
// with 25 kg on its scale so that ZERO, TARE, GR/NET and UNITS show what they do.
class BuiltInSimulator {
 public:
  BuiltInSimulator();
  ~BuiltInSimulator();
  BuiltInSimulator(const BuiltInSimulator&) = delete;
  BuiltInSimulator& operator=(const BuiltInSimulator&) = delete;

  // Serves it (the first time) and names the device to open; nothing, with `error` saying why,
  // when it cannot be served.
  std::optional<std::string> Start(std::string* error);
  Simulator& Indicator() { return simulator_; }

 private:
  Simulator simulator_;
  PtyTransport transport_;
  std::mutex mutex_;
  bool started_ = false;
};

// The program's one BuiltInSimulator, behind "Simulator": made at its first use and kept until
// the program ends, so that what the windows set on it stays between two opens.
BuiltInSimulator& ProgramSimulator();

}  // namespace tamarack::sim
