#include "records/operation_log.h"

namespace tamarack {

std::string_view OperationName(OperationKind kind) {
  switch (kind) {
    case OperationKind::kWrite:
      return "Write";
    case OperationKind::kWriteAll:
      return "Write All";
    case OperationKind::kSetDefault:
      return "Set Default";
    case OperationKind::kSave:
      return "Save";
    case OperationKind::kRestore:
      return "Restore";
    case OperationKind::kCalibration:
      return "Calibration";
    case OperationKind::kVerify:
      return "Verify";
  }
  return "";
}

std::string_view OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSucceeded:
      return "done";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kCancelled:
      return "cancelled";
  }
  return "";
}

OperationWatch::OperationWatch(SetupJournal* journal, SerialLink& link, UserFeedback& ui)
    : ForwardingFeedback(ui), ForwardingLink(link), journal_(journal) {}

void OperationWatch::Finish(OperationKind kind, std::string subject, Outcome outcome) {
  if (journal_ == nullptr) return;
  journal_->Operation(
      OperationEntry{kind, std::move(subject), outcome, std::move(messages_), wrote_});
}

void OperationWatch::Success(std::string_view text) {
  messages_.emplace_back(text);
  ForwardingFeedback::Success(text);
}

void OperationWatch::Failure(std::string_view text) {
  messages_.emplace_back(text);
  ForwardingFeedback::Failure(text);
}

void OperationWatch::PortError(std::string_view text) {
  messages_.emplace_back(text);
  ForwardingFeedback::PortError(text);
}

void OperationWatch::SystemError(std::string_view text) {
  messages_.emplace_back(text);
  ForwardingFeedback::SystemError(text);
}

void OperationWatch::Write(const std::uint8_t* data, std::size_t size) {
  wrote_ = true;
  ForwardingLink::Write(data, size);
}

}  // namespace tamarack
