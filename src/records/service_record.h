#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/operation_log.h"
#include "records/report.h"
#include "records/setup_history.h"
#include "setup/param_table.h"
#include "setup/setup_model.h"

namespace tamarack {

inline constexpr std::string_view kHistoryNotKept = "History not kept: ";
inline constexpr std::string_view kRecordNotSaved = "Service record not saved: ";
inline constexpr std::string_view kReadForRecord =
    "Nothing has been read from the indicator yet.\nRead it now for the as-found values?";
inline constexpr std::string_view kReadForAsLeft =
    "The indicator was written after the last Read All.\nRead it now for the as-left values?";

// The current-value column of one complete read.
struct ReadSnapshot {
  std::array<std::string, kSetupParamCount> values;
  std::time_t at = 0;
};

struct LoggedOperation {
  std::time_t at = 0;
  OperationEntry entry;
};

// One opening of the setup window as a service record sees it: the first and the latest complete
// read, every operation with its time and outcome, and the history of reads kept on disk.
class SetupSession : public SetupJournal {
 public:
  struct Options {
    PortLine line;
    // Where every complete read is kept; empty: nowhere.
    std::string historyFolder;
    // Seconds since the epoch; the PC's clock when empty.
    std::function<std::time_t()> clock;
  };

  explicit SetupSession(Options options);

  void CompleteRead(const SetupModel& model, UserFeedback& ui) override;
  void Operation(OperationEntry entry) override;

  const std::optional<ReadSnapshot>& FirstRead() const { return first_; }
  const std::optional<ReadSnapshot>& LatestRead() const { return latest_; }
  // An operation that may have changed the indicator's values came after the latest read (or
  // there was no read at all).
  bool WrittenSinceLatestRead() const { return writtenSinceRead_; }
  const std::vector<LoggedOperation>& Operations() const { return operations_; }
  // The certificate of the scale test run during this opening (the latest, which holds the as
  // found test too when an as-left one followed it); the service record includes it.
  void SetScaleTest(Report certificate) { scaleTest_ = std::move(certificate); }
  const std::optional<Report>& ScaleTest() const { return scaleTest_; }
  const PortLine& Line() const { return options_.line; }
  // Null when no history is kept.
  const SetupHistory* History() const { return history_ ? &*history_ : nullptr; }
  std::time_t Now() const { return options_.clock(); }

 private:
  Options options_;
  std::optional<SetupHistory> history_;
  bool historyFailureShown_ = false;
  std::optional<ReadSnapshot> first_;
  std::optional<ReadSnapshot> latest_;
  bool writtenSinceRead_ = false;
  std::vector<LoggedOperation> operations_;
  std::optional<Report> scaleTest_;
};

// What a service record holds, ready to be laid out.
struct ServiceRecord {
  std::string technician;
  std::string note;
  std::string madeAt;  // "2026-03-24 17:05:09"
  std::string port;
  std::string line;
  std::string version;
  struct Row {
    std::string number;  // "F1.6"
    std::string name;    // "Sample rate"
    std::string asFound;
    std::string asLeft;
    bool changed = false;
  };
  std::vector<Row> rows;  // the 33 parameters
  struct Step {
    std::string time;       // "17:05:09"
    std::string operation;  // "Write F1.6 = 2 (30Hz)"
    std::string result;     // "done: F1.6 Value Write Sucess!"
  };
  std::vector<Step> operations;
  // The opening's scale test, laid out as its certificate; none: no test was run.
  std::optional<Report> scaleTest;
};

// As found is the first complete read of the opening, as left the latest one.
ServiceRecord BuildServiceRecord(const SetupSession& session, std::string technician,
                                 std::string note, std::time_t now);

// The record laid out as a report: the header facts, the parameters with the changed ones marked,
// the operations, and the scale test when one was run.
Report ServiceRecordReport(const ServiceRecord& record);
// Its CSV: the header lines, a blank line, the parameter table, a blank line, the operations.
std::string ServiceRecordCsv(const ServiceRecord& record);

}  // namespace tamarack
