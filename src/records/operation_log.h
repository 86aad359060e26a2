#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "feedback/forwarding_feedback.h"
#include "link/forwarding_link.h"

namespace tamarack {

struct SetupModel;

// The operations of the setup window that a service record lists.
enum class OperationKind { kWrite, kWriteAll, kSetDefault, kSave, kRestore, kCalibration, kVerify };
enum class Outcome { kSucceeded, kFailed, kCancelled };

std::string_view OperationName(OperationKind kind);  // "Write", "Write All", ...
std::string_view OutcomeName(Outcome outcome);       // "done", "failed", "cancelled"

// One operation as the handler saw it end. The journal adds the time.
struct OperationEntry {
  OperationKind kind;
  std::string subject;  // what it acted on: "F1.6 = 2 (30Hz)" for a Write, else ""
  Outcome outcome;
  // Every message shown while it ran, in order ("Date Write Fault!", "All Setup Value ...").
  std::vector<std::string> messages;
  // Something was sent to the indicator (a read or a key code counts too).
  bool reachedIndicator = false;
};

// Told by the handlers what happens to the indicator in one opening of the setup window: each
// complete Read All and each operation with its outcome, failures included. The window hands one
// to the model; a model without one keeps nothing.
class SetupJournal {
 public:
  virtual ~SetupJournal() = default;
  // The current-value column of `model` has just been replaced by a complete read. May show a
  // message of its own through `ui`.
  virtual void CompleteRead(const SetupModel& model, UserFeedback& ui) = 0;
  virtual void Operation(OperationEntry entry) = 0;
};

// Watches one handler run: passes every message and exchange through, remembering the texts
// shown and whether anything was written to the line, and at the end tells the journal.
class OperationWatch : private ForwardingFeedback, private ForwardingLink {
 public:
  // `journal` may be null: nothing is kept then.
  OperationWatch(SetupJournal* journal, SerialLink& link, UserFeedback& ui);

  SerialLink& Link() { return *this; }
  UserFeedback& Ui() { return *this; }
  // Tells the journal (if any). Call once.
  void Finish(OperationKind kind, std::string subject, Outcome outcome);
  void Finish(OperationKind kind, std::string subject, bool ok) {
    Finish(kind, std::move(subject), ok ? Outcome::kSucceeded : Outcome::kFailed);
  }

 private:
  void Success(std::string_view text) override;
  void Failure(std::string_view text) override;
  void PortError(std::string_view text) override;
  void SystemError(std::string_view text) override;
  void Write(const std::uint8_t* data, std::size_t size) override;

  SetupJournal* journal_;
  std::vector<std::string> messages_;
  bool wrote_ = false;
};

}  // namespace tamarack
