#include "sim/simulator.h"

#include "link/commands.h"

namespace tamarack::sim {
namespace {

using std::chrono::milliseconds;

// Stray bytes that the leading-bytes fault puts before a reply.
constexpr std::uint8_t kStrayBytes[] = {'?', '?'};

std::string IgnoredNote(RawFrame::Problem problem) {
  switch (problem) {
    case RawFrame::Problem::kBadCheck:
      return "ignored: bad check character";
    case RawFrame::Problem::kTooLong:
      return "ignored: longer than 300 bytes";
    case RawFrame::Problem::kNone:
      break;
  }
  return "ignored: not understood";
}

}  // namespace

milliseconds RequestWait(RequestKind kind, std::span<const std::uint8_t> content) {
  // Payload "Pgg.nn=...": the last number digit is at 5.
  const char number = content.size() > 5 ? static_cast<char>(content[5]) : 0;
  switch (kind) {
    case RequestKind::kPoll:
      return milliseconds(kPollWaitMs);
    case RequestKind::kKey:
      return milliseconds(kKeyWaitMs);
    case RequestKind::kReadParam:
      return milliseconds(kReadParamWaitMs);
    case RequestKind::kWriteParam:
      return milliseconds(kWriteParamWaitMs);
    case RequestKind::kCalibration:  // zero, span and re-zero; the test weight is a plain write
      return milliseconds(number == '2' ? kWriteParamWaitMs : kStepWaitMs);
    case RequestKind::kCountStep:  // sample zero and confirmation
      return milliseconds(number == '3' || number == '5' ? kStepWaitMs : kWriteParamWaitMs);
    case RequestKind::kWriteAll:
      return milliseconds(kWriteAllWaitMs);
    case RequestKind::kSendFormat:
      return milliseconds(kSendFormatWaitMs);
    case RequestKind::kReadFormat:
      return milliseconds(kReadFormatWaitMs);
    case RequestKind::kWeight:
      return milliseconds(kWeightWaitMs);
  }
  return milliseconds(0);
}

Simulator::Simulator() : Simulator(Options{}) {}

Simulator::Simulator(Options options) : options_(std::move(options)), model_(options_.indicator) {
  Publish();
}

void Simulator::Post(SimCommand command) {
  std::lock_guard lock(postMutex_);
  posted_.push_back(std::move(command));
  // Under the lock, so that SetWakeUp(nullptr) is final once it returns.
  if (wakeUp_) wakeUp_();
}

void Simulator::SetWakeUp(std::function<void()> wakeUp) {
  std::lock_guard lock(postMutex_);
  wakeUp_ = std::move(wakeUp);
}

void Simulator::RunPosted() {
  std::lock_guard lock(mutex_);
  RunPostedLocked();
  Publish();
}

void Simulator::RunPostedLocked() {
  std::vector<SimCommand> commands;
  {
    std::lock_guard lock(postMutex_);
    commands.swap(posted_);
  }
  for (SimCommand& command : commands) command(model_, faults_);
}

void Simulator::Publish() {
  SimSnapshot next;
  next.loadKg = model_.Load();
  next.capacityKg = model_.CapacityKg();
  next.position = model_.LoadPosition();
  next.errors = model_.Errors();
  next.dynamics = model_.Dynamics();
  next.motion = model_.Motion();
  next.caj = model_.Caj();
  next.faultsWaiting = faults_.Waiting();
  std::lock_guard lock(snapshotMutex_);
  // The tickets are copied only when they changed; most requests are display polls.
  if (model_.Tickets() != snapshot_.tickets) {
    next.tickets = model_.Tickets();
  } else {
    next.tickets = std::move(snapshot_.tickets);
  }
  snapshot_ = std::move(next);
}

SimSnapshot Simulator::Snapshot() const {
  std::lock_guard lock(snapshotMutex_);
  return snapshot_;
}

void Simulator::Record(Clock::time_point at, TraceEntry::Direction direction, Frame bytes,
                       std::string note) {
  TraceEntry entry{at, direction, std::move(bytes), std::move(note)};
  if (options_.onTrace) options_.onTrace(entry);
  if (options_.traceLimit == 0) return;
  if (trace_.size() == options_.traceLimit) trace_.pop_front();
  trace_.push_back(std::move(entry));
}

std::vector<SimReply> Simulator::Process(std::span<const std::uint8_t> bytes,
                                         Clock::time_point now) {
  std::lock_guard lock(mutex_);
  RunPostedLocked();
  const Republish republish{*this};
  std::vector<SimReply> replies;
  if (bytes.empty()) return replies;
  if (reader_.MidFrame() && options_.partialTimeout.count() > 0 &&
      now - lastByte_ > options_.partialTimeout) {
    reader_.Reset();
    Record(now, TraceEntry::Direction::kRequest, {}, "ignored: incomplete frame, line idle");
  }
  lastByte_ = now;

  std::vector<RawFrame> frames;
  for (std::uint8_t byte : bytes) {
    reader_.Push(byte, frames);
    for (RawFrame& frame : frames) {
      const auto kind = Classify(frame);
      if (!kind) {
        Record(now, TraceEntry::Direction::kRequest, frame.bytes, IgnoredNote(frame.problem));
        continue;
      }
      Record(now, TraceEntry::Direction::kRequest, frame.bytes,
             std::string(RequestKindName(*kind)));
      replies.push_back(Answer(*kind, frame));
    }
    frames.clear();
  }
  return replies;
}

SimReply Simulator::Answer(RequestKind kind, const RawFrame& frame) {
  const auto fault = faults_.Take(kind);
  SimReply reply;
  reply.requestSize = frame.bytes.size();
  std::string payload;
  if (fault == FaultKind::kRefuse) {
    payload = "NO";
  } else {
    auto answer = model_.Handle(kind, frame.content);
    payload = std::move(answer.payload);
    reply.delay = answer.processing;
  }
  reply.bytes = ShortFrame(payload);
  std::string note;
  if (fault) {
    note = std::string(FaultKindName(*fault));
    switch (*fault) {
      case FaultKind::kSilence:
        reply.bytes.clear();
        break;
      case FaultKind::kHangUp:
        reply.bytes.clear();
        reply.hangUp = true;
        break;
      case FaultKind::kBadCheck:
        reply.bytes.back() ^= 0x01;
        break;
      case FaultKind::kTruncated:
        // The head and half the payload; the 03 and the check character never come.
        reply.bytes.resize(3 + payload.size() / 2);
        break;
      case FaultKind::kLeadingBytes:
        reply.bytes.insert(reply.bytes.begin(), std::begin(kStrayBytes), std::end(kStrayBytes));
        break;
      case FaultKind::kMissingStart:
        reply.bytes.erase(reply.bytes.begin(), reply.bytes.begin() + 2);
        break;
      case FaultKind::kOversize:
        payload.resize(kAreaSize, 'X');
        reply.bytes = ShortFrame(payload);
        break;
      case FaultKind::kLate:
        reply.delay += RequestWait(kind, frame.content) + options_.lateBy;
        break;
      case FaultKind::kRefuse:
        break;
    }
  }
  if (reply.delay.count() > 0) {
    if (!note.empty()) note += ", ";
    note += "after " + std::to_string(reply.delay.count()) + " ms";
  }
  Record(Clock::now(), TraceEntry::Direction::kReply, reply.bytes, std::move(note));
  return reply;
}

void Simulator::NoteIgnored(std::span<const std::uint8_t> bytes, Clock::time_point now,
                            std::string why) {
  std::lock_guard lock(mutex_);
  reader_.Reset();
  Record(now, TraceEntry::Direction::kRequest, Frame(bytes.begin(), bytes.end()), std::move(why));
}

Frame Simulator::Feed(std::span<const std::uint8_t> bytes) {
  Frame out;
  for (const SimReply& reply : Process(bytes, Clock::now())) {
    out.insert(out.end(), reply.bytes.begin(), reply.bytes.end());
  }
  return out;
}

void Simulator::InjectNext(FaultKind fault, int count) {
  std::lock_guard lock(mutex_);
  faults_.InjectNext(fault, count);
  Publish();
}

void Simulator::SetFault(RequestKind kind, FaultKind fault, int count) {
  std::lock_guard lock(mutex_);
  faults_.SetFault(kind, fault, count);
  Publish();
}

void Simulator::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
  Publish();
}

std::vector<TraceEntry> Simulator::Trace() const {
  std::lock_guard lock(mutex_);
  return {trace_.begin(), trace_.end()};
}

void Simulator::ClearTrace() {
  std::lock_guard lock(mutex_);
  trace_.clear();
}

}  // namespace tamarack::sim
