#pragma once

#include <string>
#include <vector>

#include "link/line_settings.h"
#include "records/operation_log.h"
#include "records/record.h"

namespace tamarack {
struct SetupModel;
}

namespace tamarack::records {

// A complete read as a record keeps it: the current-value column and the line it came over.
ReadContent ReadOf(const SetupModel& model, const PortLine& line);

// A journal that makes the records of what it is told (each complete read, each operation with
// its outcome) and passes everything on to `inner`, if any. The command line collects a command's
// records so, and keeps them once the command is over.
class RecordCollector : public SetupJournal {
 public:
  explicit RecordCollector(PortLine line, SetupJournal* inner = nullptr)
      : line_(std::move(line)), inner_(inner) {}

  void SetInner(SetupJournal* inner) { inner_ = inner; }
  void CompleteRead(const SetupModel& model, UserFeedback& ui) override;
  void Operation(OperationEntry entry) override;
  // A record of another kind (a service record).
  void Add(RecordContent content) { made_.push_back(std::move(content)); }

  const PortLine& Line() const { return line_; }
  // What was made, oldest first.
  const std::vector<RecordContent>& Made() const { return made_; }

 private:
  PortLine line_;
  SetupJournal* inner_;
  std::vector<RecordContent> made_;
};

}  // namespace tamarack::records
