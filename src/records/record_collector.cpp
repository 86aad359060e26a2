#include "records/record_collector.h"

#include "setup/setup_model.h"

namespace tamarack::records {

ReadContent ReadOf(const SetupModel& model, const PortLine& line) {
  ReadContent read;
  read.values = model.currentValue;
  read.port = line.port;
  read.line = line.settings.Description();
  return read;
}

void RecordCollector::CompleteRead(const SetupModel& model, UserFeedback& ui) {
  if (inner_ != nullptr) inner_->CompleteRead(model, ui);
  made_.push_back(ReadOf(model, line_));
}

void RecordCollector::Operation(OperationEntry entry) {
  made_.push_back(FromOperation(entry, line_.port));
  if (inner_ != nullptr) inner_->Operation(std::move(entry));
}

}  // namespace tamarack::records
