#pragma once

#include <atomic>

namespace tamarack {

// A sequence of exchanges that belongs together (Read All, Write All, Verify, a wizard's step)
// holds an OperationScope for its whole run. Background pollers (the trend's Watch) start no
// exchange while any scope lives, so the sequence goes over the line exactly as it would alone,
// even while a message box or a wait dialog in the middle of it runs a nested event loop. There
// is one serial port per program, so the count is the program's.
class OperationScope {
 public:
  OperationScope() { ++Depth(); }
  ~OperationScope() { --Depth(); }
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

  static bool Running() { return Depth().load() > 0; }

 private:
  static std::atomic<int>& Depth() {
    static std::atomic<int> depth{0};
    return depth;
  }
};

}  // namespace tamarack
