#include "records/record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>

#include "files/text_fields.h"

namespace tamarack::records {
namespace {

constexpr std::array<std::string_view, kRecordKindCount> kKindNames = {
    "read", "operation", "service-record", "certificate", "fleet-row", "assignment", "scale"};

// A Number as read ("010000") or a choice's code; nothing when it is not one.
std::optional<long long> ReadNumber(std::string_view read) {
  const std::string text = std::string(TrimBlanks(read));
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

const std::string& ValueOf(const ReadContent& read, ParamAddress address) {
  for (const SetupParam& p : SetupParams()) {
    if (p.address == address) return read.values[RowIndex(p)];
  }
  static const std::string kNone;
  return kNone;
}

std::optional<double> Change(std::optional<long long> before, std::optional<long long> now) {
  if (!before || !now) return std::nullopt;
  if (*before == 0) return *now == 0 ? 0.0 : HUGE_VAL;
  return static_cast<double>(*now - *before) / static_cast<double>(*before);
}

bool DaysInMonthValid(int year, int month, int& days) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return true;
}

}  // namespace

std::string CheckScale(Scale& scale) {
  scale.site = std::string(TrimBlanks(scale.site));
  scale.tag = std::string(TrimBlanks(scale.tag));
  if (scale.site.empty()) return "A scale needs a site.";
  if (scale.tag.empty()) return "A scale needs a tag.";
  if (scale.site.find('/') != std::string::npos) {
    return "A site may not hold \"/\": it separates the site from the tag.";
  }
  if (scale.intervalMonths < 1 || scale.intervalMonths > 120) {
    return "The verification interval is 1 to 120 months.";
  }
  return {};
}

std::string ScaleName(const Scale& scale) {
  return scale.site + "/" + scale.tag;
}

std::string_view KindName(RecordKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<RecordKind> KindFromName(std::string_view name) {
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == name) return static_cast<RecordKind>(i);
  }
  return std::nullopt;
}

OperationContent FromOperation(const OperationEntry& entry, std::string port) {
  return {std::string(OperationName(entry.kind)), entry.subject,
          std::string(OutcomeName(entry.outcome)), entry.messages, std::move(port)};
}

Record MakeRecord(RecordContent content, const Author& author, std::string scaleId) {
  Record record;
  record.id = NewId();
  record.at = UtcNow();
  record.technician = author.technician;
  record.pc = author.pc;
  record.scaleId = std::move(scaleId);
  record.content = std::move(content);
  return record;
}

std::string NewId() {
  // Seeded once from the system's entropy; ids only need to be unique, not secret.
  thread_local std::mt19937_64 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  std::array<unsigned char, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 8) {
    const std::uint64_t word = engine();
    for (std::size_t j = 0; j < 8; ++j) bytes[i + j] = static_cast<unsigned char>(word >> (8 * j));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += kHex[bytes[i] >> 4];
    id += kHex[bytes[i] & 0x0F];
  }
  return id;
}

std::string UtcText(std::chrono::system_clock::time_point when) {
  // By the calendar itself, not gmtime: the same on every system, before 1970 too.
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(when);
  const auto day = floor<days>(ms);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> time{ms - day};
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

std::string UtcNow() {
  return UtcText(std::chrono::system_clock::now());
}

std::optional<std::chrono::system_clock::time_point> ParseUtc(std::string_view text) {
  using namespace std::chrono;
  if (text.size() != 24 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != '.' || text[23] != 'Z') {
    return std::nullopt;
  }
  const auto part = [&text](std::size_t at, std::size_t size) {
    return ReadNumber(text.substr(at, size));
  };
  const auto y = part(0, 4), mo = part(5, 2), d = part(8, 2), h = part(11, 2), mi = part(14, 2),
             se = part(17, 2), ms = part(20, 3);
  if (!y || !mo || !d || !h || !mi || !se || !ms || *h > 23 || *mi > 59 || *se > 59) {
    return std::nullopt;
  }
  const year_month_day date{year(static_cast<int>(*y)), month(static_cast<unsigned>(*mo)),
                            day(static_cast<unsigned>(*d))};
  if (!date.ok()) return std::nullopt;
  return sys_days(date) + hours(*h) + minutes(*mi) + seconds(*se) + milliseconds(*ms);
}

std::optional<std::string> AddMonths(std::string_view utc, int months) {
  if (utc.size() < 10 || utc[4] != '-' || utc[7] != '-') return std::nullopt;
  const auto year = ReadNumber(utc.substr(0, 4));
  const auto month = ReadNumber(utc.substr(5, 2));
  const auto day = ReadNumber(utc.substr(8, 2));
  int days = 0;
  if (!year || !month || !day ||
      !DaysInMonthValid(static_cast<int>(*year), static_cast<int>(*month), days) || *day < 1 ||
      *day > days) {
    return std::nullopt;
  }
  const long long total = *year * 12 + (*month - 1) + months;
  if (total < 0 || total >= 10000 * 12) return std::nullopt;
  const int newYear = static_cast<int>(total / 12);
  const int newMonth = static_cast<int>(total % 12) + 1;
  DaysInMonthValid(newYear, newMonth, days);
  const int newDay = std::min(static_cast<int>(*day), days);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", newYear, newMonth, newDay);
  return std::string(text) + std::string(utc.substr(10));
}

RecordSummary Summarize(const Record& record) {
  struct Visitor {
    RecordSummary operator()(const ReadContent& c) const {
      return {"Read All" + (c.port.empty() ? std::string() : " on " + c.port), ""};
    }
    RecordSummary operator()(const OperationContent& c) const {
      return {c.operation + (c.subject.empty() ? std::string() : " " + c.subject), c.outcome};
    }
    RecordSummary operator()(const ServiceRecordContent& c) const {
      return {"Service record" + (c.record.note.empty() ? std::string() : ": " + c.record.note),
              ""};
    }
    RecordSummary operator()(const CertificateContent& c) const {
      return {"Certificate" + (c.title.empty() ? std::string() : ": " + c.title),
              c.passed ? "passed" : "failed"};
    }
    RecordSummary operator()(const FleetRowContent& c) const {
      return {"Fleet " + c.command + " on " + c.port, c.status == 0 ? "done" : c.outcome};
    }
    RecordSummary operator()(const AssignmentContent&) const {
      return {"Assigned to the scale", ""};
    }
    RecordSummary operator()(const ScaleDetailsContent& c) const {
      return {"Scale details: interval " + std::to_string(c.intervalMonths) + " months", ""};
    }
  };
  return std::visit(Visitor{}, record.content);
}

std::string Fingerprint::Key() const {
  return "F7.3=" + version + ";F1.1=" + std::to_string(graduations) +
         ";F3.1=" + std::to_string(zeroCounts) + ";F3.3=" + std::to_string(spanCounts);
}

std::optional<Fingerprint> FingerprintOf(const ReadContent& read) {
  Fingerprint print;
  print.version = std::string(TrimBlanks(ValueOf(read, kVersionAddress)));
  const auto graduations = ReadNumber(ValueOf(read, kGraduationsAddress));
  const auto zero = ReadNumber(ValueOf(read, kZeroCountAddress));
  const auto span = ReadNumber(ValueOf(read, kSpanCountAddress));
  if (print.version.empty() || !graduations || !zero || !span) return std::nullopt;
  print.graduations = *graduations;
  print.zeroCounts = *zero;
  print.spanCounts = *span;
  return print;
}

std::vector<ValueChange> ReadChanges(const ReadContent& before, const ReadContent& after) {
  std::vector<ValueChange> changes;
  for (const SetupParam& p : SetupParams()) {
    const std::size_t r = RowIndex(p);
    if (ReadValuesDiffer(p, before.values[r], after.values[r])) {
      changes.push_back({&p, before.values[r], after.values[r]});
    }
  }
  return changes;
}

std::vector<CountsPoint> CountsTrend(const std::vector<Record>& reads, double threshold) {
  std::vector<CountsPoint> points;
  const CountsPoint* previous = nullptr;
  for (const Record& record : reads) {
    const auto* read = std::get_if<ReadContent>(&record.content);
    if (read == nullptr) continue;
    CountsPoint point;
    point.recordId = record.id;
    point.at = record.at;
    point.zero = ReadNumber(ValueOf(*read, kZeroCountAddress));
    point.span = ReadNumber(ValueOf(*read, kSpanCountAddress));
    if (previous != nullptr) {
      const auto before = ParseUtc(previous->at);
      const auto now = ParseUtc(point.at);
      point.sameVisit = before && now && *now - *before < kVisitGap;
    }
    // The previous point is the last read of the visit before when this one starts a visit.
    if (previous != nullptr && !point.sameVisit) {
      point.zeroChange = Change(previous->zero, point.zero);
      point.spanChange = Change(previous->span, point.span);
      point.zeroFlagged = point.zeroChange && std::fabs(*point.zeroChange) > threshold;
      point.spanFlagged = point.spanChange && std::fabs(*point.spanChange) > threshold;
    }
    points.push_back(std::move(point));
    previous = &points.back();
  }
  return points;
}

void SortByDue(std::vector<DueScale>& scales) {
  std::ranges::stable_sort(scales, [](const DueScale& a, const DueScale& b) {
    if (a.due.empty() != b.due.empty()) return a.due.empty();
    if (a.due != b.due) return a.due < b.due;
    return ScaleName(a.scale) < ScaleName(b.scale);
  });
}

}  // namespace tamarack::records
