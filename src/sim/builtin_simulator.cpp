#include "sim/builtin_simulator.h"

namespace tamarack::sim {
namespace {

PtyTransport::Options Paced() {
  PtyTransport::Options options;
  options.pacing = true;
  return options;
}

}  // namespace

BuiltInSimulator::BuiltInSimulator() : transport_(simulator_, Paced()) {
  simulator_.With([](SimulatedIndicator& m) { m.SetLoad(25.0); });
}

BuiltInSimulator::~BuiltInSimulator() {
  transport_.Stop();
}

std::optional<std::string> BuiltInSimulator::Start(std::string* error) {
  const std::lock_guard lock(mutex_);
  if (!started_) started_ = transport_.Start(error);
  if (!started_) return std::nullopt;
  return transport_.DevicePath();
}

BuiltInSimulator& ProgramSimulator() {
  static BuiltInSimulator simulator;
  return simulator;
}

}  // namespace tamarack::sim
