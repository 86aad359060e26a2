#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/frame.h"
#include "sim/fault_plan.h"
#include "sim/frame_reader.h"
#include "sim/simulated_indicator.h"

namespace tamarack::sim {

using Clock = std::chrono::steady_clock;

// What goes back on the line for one request.
struct SimReply {
  Frame bytes;                         // may be empty: no reply
  std::chrono::milliseconds delay{0};  // hold the bytes back this long after the request
  bool hangUp = false;                 // close the line instead of answering
  std::size_t requestSize = 0;         // bytes of the request it answers
};

// One line of the trace: a request as it arrived, or a reply as it was made.
struct TraceEntry {
  enum class Direction { kRequest, kReply };
  Clock::time_point at;
  Direction direction;
  Frame bytes;
  // Request: its kind, or why it was ignored. Reply: the fault and the delay, if any.
  std::string note;
};

// What the simulated scale looks like from outside, as of the last request handled or command
// run: what a panel beside it shows.
struct SimSnapshot {
  double loadKg = 0;
  double capacityKg = 0;
  Position position = Position::kCentre;
  ScaleErrors errors;
  bool dynamics = false;
  bool motion = false;
  bool caj = true;
  std::size_t faultsWaiting = 0;     // faults injected for the next replies and not yet used
  std::vector<std::string> tickets;  // printed so far, oldest first
};

// A change to make to the running indicator, on its own thread, between two requests.
using SimCommand = std::function<void(SimulatedIndicator&, FaultPlan&)>;

// The simulated indicator as the serial line sees it: bytes from the PC in, reply frames out.
// Requests that a real indicator would not understand (a bad check character, an unknown command,
// a wrong count byte, a frame over 300 bytes) get no reply. Independent of any transport; every
// member is safe to call from several threads.
class Simulator {
 public:
  struct Options {
    SimulatedIndicator::Options indicator;
    // A frame that has begun and receives no byte for this long is forgotten (0: never).
    std::chrono::milliseconds partialTimeout{500};
    // A late reply comes this long after the request's own wait has passed.
    std::chrono::milliseconds lateBy{1500};
    // Trace entries kept, the oldest dropped first (0: no trace).
    std::size_t traceLimit = 10000;
    // Called with each trace entry as it is made (under the simulator's lock: keep it short).
    std::function<void(const TraceEntry&)> onTrace;
  };

  Simulator();
  explicit Simulator(Options options);

  // Takes bytes from the PC; gives every reply they call for, in order.
  std::vector<SimReply> Process(std::span<const std::uint8_t> bytes, Clock::time_point now);
  // Takes bytes from the PC; gives the replies' bytes one after the other, whatever their delays.
  Frame Feed(std::span<const std::uint8_t> bytes);

  // Records bytes that the line garbled (the transport found its settings differ from the PC's);
  // they reach the indicator only as noise, so any request begun is lost too.
  void NoteIgnored(std::span<const std::uint8_t> bytes, Clock::time_point now, std::string why);

  // Faults (see FaultPlan).
  void InjectNext(FaultKind fault, int count = 1);
  void SetFault(RequestKind kind, FaultKind fault, int count = FaultPlan::kForever);
  void ClearFaults();

  // Runs `f` on the indicator's state under the lock: sim.With([](SimulatedIndicator& m) { ... }).
  // For set-up before serving and for tests; a window beside a running simulator posts instead.
  template <typename F>
  auto With(F&& f) {
    std::lock_guard lock(mutex_);
    const Republish republish{*this};
    return f(model_);
  }

  // Queues a change for the thread that serves the line, which runs it before it handles the next
  // bytes, or at once when woken. The caller never waits for a request in progress, and the
  // indicator's state is only ever touched by the thread serving it.
  void Post(SimCommand command);
  // Runs the queued changes now (the serving thread calls this when woken).
  void RunPosted();
  // Called after each Post (the transport wakes its thread with it); empty for none. Once this
  // returns, the previous function is not called any more.
  void SetWakeUp(std::function<void()> wakeUp);
  // The state as last published: after each request, each batch of changes and each With().
  SimSnapshot Snapshot() const;

  std::vector<TraceEntry> Trace() const;
  void ClearTrace();

 private:
  SimReply Answer(RequestKind kind, const RawFrame& frame);
  void Record(Clock::time_point at, TraceEntry::Direction direction, Frame bytes, std::string note);
  // Both with mutex_ held.
  void RunPostedLocked();
  void Publish();

  struct Republish {
    Simulator& sim;
    ~Republish() { sim.Publish(); }
  };

  Options options_;
  mutable std::mutex mutex_;
  FrameReader reader_;
  Clock::time_point lastByte_{};
  SimulatedIndicator model_;
  FaultPlan faults_;
  std::deque<TraceEntry> trace_;

  std::mutex postMutex_;  // taken after mutex_, never before it
  std::vector<SimCommand> posted_;
  std::function<void()> wakeUp_;

  mutable std::mutex snapshotMutex_;
  SimSnapshot snapshot_;
};

// The wait the PC allows for a request of this kind (the step waits for the capturing steps).
std::chrono::milliseconds RequestWait(RequestKind kind, std::span<const std::uint8_t> content);

}  // namespace tamarack::sim
