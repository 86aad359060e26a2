#include "records/record.h"

#include <gtest/gtest.h>

#include <set>

#include "records/record_export.h"
#include "records/team_address.h"
#include "sample_read.h"
#include "setup/setup_value_file.h"

namespace tamarack::records {
namespace {

using test::SampleRead;
using test::ValueAt;

Scale Named(std::string site, std::string tag) {
  Scale s;
  s.site = std::move(site);
  s.tag = std::move(tag);
  return s;
}

TEST(ScaleCheck, SiteAndTagAreTrimmedAndRequired) {
  struct Row {
    const char* name;
    std::string site, tag;
    int interval;
    std::string message;  // empty: kept
  };
  const Row rows[] = {
      {"trimmed", "  Mill 3 ", "\tHopper ", 12, ""},
      {"empty site", "", "T", 12, "A scale needs a site."},
      {"blank site", " \t ", "T", 12, "A scale needs a site."},
      {"blank tag", "Mill", "  ", 12, "A scale needs a tag."},
      {"slash in site", "Mill/3", "T", 12,
       "A site may not hold \"/\": it separates the site from the tag."},
      {"slash in tag is fine", "Mill", "A/B", 12, ""},
      {"interval 0", "Mill", "T", 0, "The verification interval is 1 to 120 months."},
      {"interval 121", "Mill", "T", 121, "The verification interval is 1 to 120 months."},
      {"interval 120", "Mill", "T", 120, ""},
      {"any language", " Zürich – 北京 ", "Waage №1 🚚", 1, ""},
  };
  for (const Row& row : rows) {
    Scale s;
    s.site = row.site;
    s.tag = row.tag;
    s.intervalMonths = row.interval;
    EXPECT_EQ(CheckScale(s), row.message) << row.name;
    if (row.message.empty()) {
      EXPECT_EQ(s.site.front() != ' ' && s.site.back() != ' ', true) << row.name;
      EXPECT_EQ(s.tag.find('\t'), std::string::npos) << row.name;
    }
  }
  Scale s = Named(" Zürich – 北京 ", " Waage №1 🚚 ");
  CheckScale(s);
  EXPECT_EQ(ScaleName(s), "Zürich – 北京/Waage №1 🚚");
}

TEST(TeamAddressParse, ReadsTheAddressOrSaysWhyNot) {
  struct Row {
    std::string url;
    bool ok;
    std::string user, host;
    int port;
    std::string database;
  };
  const Row rows[] = {
      {"postgresql://ann@db.plant:6543/records", true, "ann", "db.plant", 6543, "records"},
      {"postgres://db/records", true, "", "db", 5432, "records"},
      {"postgresql://ann@[::1]:5433/r", true, "ann", "::1", 5433, "r"},
      {"postgresql://J%C3%BCrgen@10.0.0.2/team%20a", true, "Jürgen", "10.0.0.2", 5432, "team a"},
      {"http://db/records", false, "", "", 0, ""},
      {"postgresql://ann:secret@db/records", false, "", "", 0, ""},
      {"postgresql://db", false, "", "", 0, ""},
      {"postgresql://db/", false, "", "", 0, ""},
      {"postgresql:///records", false, "", "", 0, ""},
      {"postgresql://db:0/r", false, "", "", 0, ""},
      {"postgresql://db:65536/r", false, "", "", 0, ""},
      {"postgresql://db:/r", false, "", "", 0, ""},
      {"postgresql://db:12x/r", false, "", "", 0, ""},
      {"postgresql://db/r?sslmode=disable", false, "", "", 0, ""},
      {"postgresql://db/a/b", false, "", "", 0, ""},
      {"postgresql://%zz@db/r", false, "", "", 0, ""},
      {"postgresql://[::1/r", false, "", "", 0, ""},
  };
  for (const Row& row : rows) {
    std::string error;
    const auto address = ParseTeamAddress(row.url, error);
    ASSERT_EQ(address.has_value(), row.ok) << row.url << ": " << error;
    if (!row.ok) {
      EXPECT_FALSE(error.empty()) << row.url;
      continue;
    }
    EXPECT_EQ(address->user, row.user) << row.url;
    EXPECT_EQ(address->host, row.host) << row.url;
    EXPECT_EQ(address->port, row.port) << row.url;
    EXPECT_EQ(address->database, row.database) << row.url;
    // What is shown reads back as the same address.
    const auto again = ParseTeamAddress(address->Text(), error);
    ASSERT_TRUE(again.has_value()) << address->Text();
    EXPECT_EQ(again->host, row.host);
    EXPECT_EQ(again->port, row.port);
  }
  std::string error;
  ParseTeamAddress("postgresql://ann:secret@db/records", error);
  EXPECT_NE(error.find("pgpass"), std::string::npos) << error;
  EXPECT_EQ(error.find("secret"), std::string::npos) << error;
}

TEST(Times, UtcTextAndMonthsAhead) {
  using namespace std::chrono;
  EXPECT_EQ(UtcText(system_clock::time_point(milliseconds(0))), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(UtcText(system_clock::time_point(milliseconds(1774371909123))),
            "2026-03-24T17:05:09.123Z");
  EXPECT_EQ(UtcText(system_clock::time_point(milliseconds(-1))), "1969-12-31T23:59:59.999Z");
  for (const long long ms : {0LL, 1774371909123LL, -1LL, 4102444799999LL}) {
    const system_clock::time_point t{milliseconds(ms)};
    EXPECT_EQ(ParseUtc(UtcText(t)), t) << ms;
  }
  for (const char* bad : {"2026-02-30T00:00:00.000Z", "2026-03-24T24:00:00.000Z",
                          "2026-03-24 17:05:09.123Z", "2026-03-24T17:05:09Z"}) {
    EXPECT_FALSE(ParseUtc(bad)) << bad;
  }

  struct Row {
    const char* from;
    int months;
    const char* to;  // nullptr: does not read
  };
  const Row rows[] = {
      {"2026-03-24T17:05:09.123Z", 12, "2027-03-24T17:05:09.123Z"},
      {"2026-01-31T08:00:00.000Z", 1, "2026-02-28T08:00:00.000Z"},
      {"2024-01-31T08:00:00.000Z", 1, "2024-02-29T08:00:00.000Z"},
      {"2025-12-15", 1, "2026-01-15"},
      {"2026-03-31", -1, "2026-02-28"},
      {"2026-05-31", 18, "2027-11-30"},
      {"2026-13-01", 1, nullptr},
      {"2026-02-30", 1, nullptr},
      {"yesterday", 1, nullptr},
  };
  for (const Row& row : rows) {
    const auto due = AddMonths(row.from, row.months);
    if (row.to == nullptr) {
      EXPECT_FALSE(due.has_value()) << row.from;
    } else {
      EXPECT_EQ(due.value_or("none"), row.to) << row.from << " + " << row.months;
    }
  }
}

TEST(Ids, RandomVersionFourUuids) {
  std::set<std::string> ids;
  for (int i = 0; i < 2000; ++i) {
    const std::string id = NewId();
    ASSERT_EQ(id.size(), 36u);
    EXPECT_EQ(id[14], '4');
    EXPECT_NE(std::string("89ab").find(id[19]), std::string::npos) << id;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 2000u);
}

TEST(Fingerprints, SameIndicatorSameKeyWhateverTheLeadingZeros) {
  ReadContent a = SampleRead(12000, 480000);
  ReadContent b = a;
  ValueAt(b, kZeroCountAddress) = "12000";  // typed rather than read: the same number
  ValueAt(b, kDateAddress) = "01-01-27";    // another day
  ASSERT_TRUE(FingerprintOf(a));
  EXPECT_EQ(FingerprintOf(a)->Key(), FingerprintOf(b)->Key());
  EXPECT_EQ(FingerprintOf(a)->Key(), "F7.3=V2.1;F1.1=10000;F3.1=12000;F3.3=480000");

  struct Row {
    const char* name;
    ParamAddress address;
    std::string value;
    bool same;  // nullopt counts as not the same
  };
  const Row rows[] = {
      {"recalibrated span", kSpanCountAddress, "480001", false},
      {"recalibrated zero", kZeroCountAddress, "011000", false},
      {"new software", kVersionAddress, "V2.2", false},
      {"other graduations", kGraduationsAddress, "005000", false},
      {"filter changed", Param({1, 7}).address, "3", true},
  };
  for (const Row& row : rows) {
    ReadContent c = a;
    ValueAt(c, row.address) = row.value;
    const auto print = FingerprintOf(c);
    ASSERT_TRUE(print) << row.name;
    EXPECT_EQ(*print == *FingerprintOf(a), row.same) << row.name;
  }
  ReadContent missing = a;
  ValueAt(missing, kSpanCountAddress) = "";
  EXPECT_FALSE(FingerprintOf(missing));
  ValueAt(missing, kSpanCountAddress) = "4800x0";
  EXPECT_FALSE(FingerprintOf(missing));
}

TEST(ReadChangesTest, OneRuleForWhatDiffers) {
  const ReadContent before = SampleRead();
  ReadContent after = before;
  ValueAt(after, kDateAddress) = "25-03-26";         // never counts
  ValueAt(after, kTimeAddress) = "08:00:00";         // never counts
  ValueAt(after, kGraduationsAddress) = "10000";     // same number
  ValueAt(after, Param({1, 6}).address) = "1";       // same code as "1 (15Hz)"
  ValueAt(after, kSpanCountAddress) = "481000";      // differs
  ValueAt(after, kVersionAddress) = "V2.2";          // differs
  ValueAt(after, Param({1, 4}).address) = "3 (5D)";  // differs
  const std::vector<ValueChange> changes = ReadChanges(before, after);
  std::vector<std::string> numbers;
  for (const ValueChange& c : changes) numbers.emplace_back(c.param->displayNumber);
  EXPECT_EQ(numbers, (std::vector<std::string>{"F1.4", "F3.3", "F7.3"}));
  EXPECT_EQ(changes[1].before, "480000");
  EXPECT_EQ(changes[1].after, "481000");
  EXPECT_TRUE(ReadChanges(before, before).empty());
}

Record ReadAt(const std::string& at, long long zero, long long span) {
  Record r;
  r.id = "r" + at;
  r.at = at;
  r.content = SampleRead(zero, span);
  return r;
}

TEST(CountsTrendTest, FlagsChangesBeyondTheThreshold) {
  std::vector<Record> reads = {ReadAt("2024", 10000, 500000), ReadAt("2025", 10100, 505000),
                               ReadAt("2026", 10400, 505000), ReadAt("2027", 10400, 480000)};
  Record operation;
  operation.content = OperationContent{"Write", "F1.6 = 2 (30Hz)", "done", {}, "COM1"};
  reads.insert(reads.begin() + 1, operation);  // not a read: passed over

  const auto points = CountsTrend(reads);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_FALSE(points[0].zeroChange);
  EXPECT_NEAR(*points[1].zeroChange, 0.01, 1e-9);
  EXPECT_FALSE(points[1].zeroFlagged);  // 1 %
  EXPECT_FALSE(points[1].spanFlagged);  // 1 %
  EXPECT_TRUE(points[2].zeroFlagged);   // 3 %
  EXPECT_FALSE(points[2].spanFlagged);
  EXPECT_NEAR(*points[3].spanChange, -25000.0 / 505000, 1e-9);
  EXPECT_TRUE(points[3].spanFlagged);  // falls just as well as it rises
  EXPECT_FALSE(points[3].zeroFlagged);

  const auto loose = CountsTrend(reads, 0.05);
  for (const CountsPoint& p : loose) EXPECT_FALSE(p.zeroFlagged || p.spanFlagged) << p.at;

  // A value that does not read breaks no chain into a false flag.
  std::vector<Record> gap = {ReadAt("2024", 10000, 500000), ReadAt("2025", 10000, 500000)};
  std::get<ReadContent>(gap[1].content).values[RowIndex(Param(kZeroCountAddress))] = "";
  const auto gapped = CountsTrend(gap);
  EXPECT_FALSE(gapped[1].zero);
  EXPECT_FALSE(gapped[1].zeroChange);
  EXPECT_FALSE(gapped[1].zeroFlagged);

  // Within one visit the technician's own recalibration is no drift: the next visit's first read
  // is compared with the visit's last.
  const auto visits = CountsTrend({ReadAt("2025-01-14T09:00:00.000Z", 10000, 500000),
                                   ReadAt("2026-01-20T08:55:00.000Z", 10000, 470000),
                                   ReadAt("2026-01-20T16:40:00.000Z", 10000, 500500),
                                   ReadAt("2027-01-11T08:00:00.000Z", 10000, 501000)});
  ASSERT_EQ(visits.size(), 4u);
  EXPECT_TRUE(visits[1].spanFlagged);  // as found: down 6 %
  EXPECT_TRUE(visits[2].sameVisit);
  EXPECT_FALSE(visits[2].spanChange);
  EXPECT_FALSE(visits[2].spanFlagged);  // as left, set again
  EXPECT_FALSE(visits[3].sameVisit);
  EXPECT_NEAR(*visits[3].spanChange, 500.0 / 500500, 1e-9);
}

TEST(DueOrder, NeverVerifiedFirstThenSoonest) {
  std::vector<DueScale> due = {
      {Named("B", "1"), "2025-06-01", "2026-06-01"},
      {Named("A", "2"), "", ""},
      {Named("C", "1"), "2025-01-01", "2026-01-01"},
      {Named("A", "1"), "", ""},
  };
  SortByDue(due);
  std::vector<std::string> names;
  for (const DueScale& d : due) names.push_back(ScaleName(d.scale));
  EXPECT_EQ(names, (std::vector<std::string>{"A/1", "A/2", "C/1", "B/1"}));
}

TEST(Export, EachKindToItsFiles) {
  Record read;
  read.content = SampleRead();
  SetupModel model;
  model.currentValue = std::get<ReadContent>(read.content).values;
  std::string error;
  EXPECT_EQ(ExportBytes(read, ExportFormat::kStx, error).value_or(""), SetupValueRecord(model));
  EXPECT_FALSE(ExportBytes(read, ExportFormat::kPdf, error));
  EXPECT_EQ(error, "a read record has no pdf form");

  ServiceRecordContent service;
  service.record.technician = "Åsa";
  service.record.rows.push_back({"F1.6", "Sample rate", "1", "2", true});
  Record serviceRecord;
  serviceRecord.content = service;
  EXPECT_EQ(ExportBytes(serviceRecord, ExportFormat::kCsv, error).value_or(""),
            ServiceRecordCsv(service.record));
  // A listing leaves the PDF out: asking for it then is an error, not an empty file.
  EXPECT_FALSE(ExportBytes(serviceRecord, ExportFormat::kPdf, error));
  std::get<ServiceRecordContent>(serviceRecord.content).pdf = "%PDF-1.4 ...";
  EXPECT_EQ(ExportBytes(serviceRecord, ExportFormat::kPdf, error).value_or(""), "%PDF-1.4 ...");

  EXPECT_EQ(ExportFormats(RecordKind::kRead), std::vector<ExportFormat>{ExportFormat::kStx});
  EXPECT_EQ(ExportFormats(RecordKind::kCertificate),
            (std::vector<ExportFormat>{ExportFormat::kPdf, ExportFormat::kCsv}));
  EXPECT_TRUE(ExportFormats(RecordKind::kFleetRow).empty());
  for (const ExportFormat f : {ExportFormat::kStx, ExportFormat::kPdf, ExportFormat::kCsv}) {
    EXPECT_EQ(FormatFromName(FormatName(f)), f);
  }
}

TEST(Kinds, NamesReadBack) {
  for (std::size_t i = 0; i < kRecordKindCount; ++i) {
    const auto kind = static_cast<RecordKind>(i);
    EXPECT_EQ(KindFromName(KindName(kind)), kind);
  }
  EXPECT_FALSE(KindFromName("reading"));
}

}  // namespace
}  // namespace tamarack::records
