#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "records/operation_log.h"
#include "records/service_record.h"
#include "setup/param_table.h"
#include "setup/setup_diff.h"

namespace tamarack::records {

inline constexpr std::string_view kRecordsNotKept = "Records not kept: ";
inline constexpr int kDefaultIntervalMonths = 12;
// A change of the zero or span counts between two visits beyond this share is worth a look at
// the load cells.
inline constexpr double kDefaultCountsThreshold = 0.02;

// A scale as an asset: what a technician visits, whichever port or PC reads it.
struct Scale {
  std::string id;  // random, made when the scale is first added
  std::string site;
  std::string tag;
  std::string description;
  std::string serial;
  int intervalMonths = kDefaultIntervalMonths;  // between two verifications
  std::string createdAt;                        // UTC, as UtcText gives it
  std::string technician;
  std::string pc;
};

// Trims the site and the tag and checks what the technician gave. Empty when the scale may be
// kept, else the message saying why not.
std::string CheckScale(Scale& scale);
// "SITE/TAG", the name the command line takes.
std::string ScaleName(const Scale& scale);

// The kinds of record, in the order of RecordContent's alternatives.
enum class RecordKind {
  kRead,           // a complete Read All
  kOperation,      // a write (single, Write All, default, restore, calibration) and its outcome
  kServiceRecord,  // the service record of one visit
  kCertificate,    // the certificate of a verification
  kFleetRow,       // one indicator's row of a fleet run
  kAssignment,     // puts an earlier record on a scale
  kScaleDetails,   // a scale's description, serial number and interval as changed
};
inline constexpr std::size_t kRecordKindCount = 7;

// "read", "operation", ...: the names kept in the store and printed by the command line.
std::string_view KindName(RecordKind kind);
std::optional<RecordKind> KindFromName(std::string_view name);

struct ReadContent {
  // The current-value column, as the indicator sent it (its single-byte text), in table order.
  std::array<std::string, kSetupParamCount> values;
  std::string port;  // the line it came over
  std::string line;  // "9600 baud, 8 data bits, parity none, 1 stop bit"
};

struct OperationContent {
  std::string operation;  // "Write", "Write All", ...
  std::string subject;    // "F1.6 = 2 (30Hz)"
  std::string outcome;    // "done", "failed", "cancelled"
  std::vector<std::string> messages;
  std::string port;
};
OperationContent FromOperation(const OperationEntry& entry, std::string port);

struct ServiceRecordContent {
  ServiceRecord record;
  std::string pdf;  // the PDF as it was saved; not loaded by the listings
};

struct CertificateContent {
  std::string title;  // the tolerance table applied, as the report names it
  bool passed = false;
  std::string data;  // the verification's own form of its results
  std::string csv;   // the certificate as CSV
  std::string pdf;   // not loaded by the listings
};

struct FleetRowContent {
  std::string port;
  std::string command;  // "write setup.stx --verify"
  int status = 0;       // the command line's exit status for this indicator
  std::string outcome;  // its last message
};

struct AssignmentContent {
  std::string recordId;  // the record put on the record's scale
};

struct ScaleDetailsContent {
  std::string description;
  std::string serial;
  int intervalMonths = kDefaultIntervalMonths;
};

using RecordContent =
    std::variant<ReadContent, OperationContent, ServiceRecordContent, CertificateContent,
                 FleetRowContent, AssignmentContent, ScaleDetailsContent>;
static_assert(std::variant_size_v<RecordContent> == kRecordKindCount);

// Who makes records, from where.
struct Author {
  std::string technician;
  std::string pc;
};

// Immutable once kept: a change is a new record (an assignment, new scale details), never an
// update, so two stores never disagree about one id.
struct Record {
  std::string id;
  std::string at;  // UTC, UtcText's form, so that text order is time order
  std::string technician;
  std::string pc;
  std::string scaleId;  // the scale given when it was made; empty: none yet
  RecordContent content;
  // Filled by the store's queries: the scale the record belongs to now (its own, or the one the
  // latest assignment put it on); empty: none.
  std::string placedOn;

  RecordKind Kind() const { return static_cast<RecordKind>(content.index()); }
};

// A record with a new random id, the time now, and the author.
Record MakeRecord(RecordContent content, const Author& author, std::string scaleId = {});

// A random (version 4) UUID, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string NewId();
// "2026-03-24T17:05:09.123Z".
std::string UtcText(std::chrono::system_clock::time_point when);
std::string UtcNow();
// UtcText read back; nothing when the text is not of that form.
std::optional<std::chrono::system_clock::time_point> ParseUtc(std::string_view text);
// `utc` (UtcText's form, or a date "2026-03-24") plus `months`, the day kept within the month
// ("2026-01-31" + 1 month is "2026-02-28"); the time of day is kept. Nothing when it does not read.
std::optional<std::string> AddMonths(std::string_view utc, int months);

// What a record says at a glance in a list of visits: what was done and how it ended.
struct RecordSummary {
  std::string what;    // "Read All on COM1", "Write F1.6 = 2 (30Hz)", "Certificate"
  std::string result;  // "done", "failed", "passed", ""
};
RecordSummary Summarize(const Record& record);

// What tells one indicator from another between visits: its software version (F7.3), its
// graduations (F1.1) and its calibration counts (F3.1, F3.3). A recalibrated scale has a new
// one; the technician's confirmation carries the scale over.
struct Fingerprint {
  std::string version;
  long long graduations = 0;
  long long zeroCounts = 0;
  long long spanCounts = 0;

  // One text for the store's index: "F7.3=V1.0;F1.1=10000;F3.1=...;F3.3=...".
  std::string Key() const;
  bool operator==(const Fingerprint&) const = default;
};
// Nothing when a value of the four is missing or does not read as a number.
std::optional<Fingerprint> FingerprintOf(const ReadContent& read);

// One parameter whose value differs between two reads.
struct ValueChange {
  const SetupParam* param;
  std::string before;
  std::string after;
};
// The parameters that stand for different settings in two reads, in table order, by the one rule
// that the service record also uses (the date and time never count).
std::vector<ValueChange> ReadChanges(const ReadContent& before, const ReadContent& after);

// Reads of a scale this close after the one before belong to the same visit: what a technician
// changes in one visit (a recalibration between the as-found and the as-left read) is no drift.
inline constexpr std::chrono::hours kVisitGap{12};

// The zero and span calibration counts of one read of a scale, and their change since the visit
// before.
struct CountsPoint {
  std::string recordId;
  std::string at;
  std::optional<long long> zero;
  std::optional<long long> span;
  // The first read of a visit: its change from the last read of the visit before, as a share of
  // that value (0.05 is 5 %). Nothing for the first visit, for a later read of the same visit, or
  // when either value is missing.
  std::optional<double> zeroChange;
  std::optional<double> spanChange;
  // The change is beyond the threshold: a sign to check the load cells.
  bool zeroFlagged = false;
  bool spanFlagged = false;
  // A later read of the visit of the read before.
  bool sameVisit = false;
};
// `reads` oldest first; records of other kinds are passed over.
std::vector<CountsPoint> CountsTrend(const std::vector<Record>& reads,
                                     double threshold = kDefaultCountsThreshold);

// When a scale is due for its next verification.
struct DueScale {
  Scale scale;
  std::string lastPassed;  // the time of its last passed certificate; empty: never verified
  std::string due;         // lastPassed plus the scale's interval; empty: now
};
// The scales in the order they come due: those never verified first, then the soonest due.
void SortByDue(std::vector<DueScale>& scales);

}  // namespace tamarack::records
