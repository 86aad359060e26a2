#include "sim/fault_plan.h"

namespace tamarack::sim {
namespace {

constexpr std::array<std::string_view, kFaultKindCount> kNames = {
    "silence",  "bad-check", "truncated", "leading-bytes", "missing-start",
    "oversize", "refuse",    "late",      "hang-up"};

}  // namespace

std::string_view FaultKindName(FaultKind kind) {
  return kNames[static_cast<std::size_t>(kind)];
}

std::optional<FaultKind> FaultKindFromName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return static_cast<FaultKind>(i);
  }
  return std::nullopt;
}

void FaultPlan::InjectNext(FaultKind fault, int count) {
  for (int i = 0; i < count; ++i) next_.push_back(fault);
}

void FaultPlan::SetFault(RequestKind kind, FaultKind fault, int count) {
  perKind_[static_cast<std::size_t>(kind)] = {fault, count};
}

void FaultPlan::Clear() {
  next_.clear();
  perKind_.fill({});
}

std::optional<FaultKind> FaultPlan::Take(RequestKind kind) {
  if (!next_.empty()) {
    const FaultKind fault = next_.front();
    next_.pop_front();
    return fault;
  }
  PerKind& entry = perKind_[static_cast<std::size_t>(kind)];
  if (!entry.fault || entry.left == 0) return std::nullopt;
  if (entry.left > 0) --entry.left;
  return entry.fault;
}

}  // namespace tamarack::sim
