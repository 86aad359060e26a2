// The report model's CSV form: quoting, marks, where blank lines fall, and a write that cannot
// happen.

#include "records/report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

struct QuoteCase {
  const char* name;
  std::string value;
  std::string field;
};

TEST(ReportCsv, QuotesAFieldOnlyWhereItHoldsACommaAQuoteOrALineBreak) {
  const QuoteCase cases[] = {
      {"plain", "9600 baud", "9600 baud"},
      {"comma", "a,b", "\"a,b\""},
      {"quotes doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
      {"line feed kept inside", "line 1\nline 2", "\"line 1\nline 2\""},
      {"carriage return", "a\rb", "\"a\rb\""},
      {"empty", "", ""},
      {"beyond ASCII as it is", "Zoë Łukasiewicz 技师 ✓", "Zoë Łukasiewicz 技师 ✓"},
      {"blanks and semicolons stay bare", " a; b ", " a; b "},
  };
  for (const QuoteCase& c : cases) {
    Report report;
    report.title.title = "T";
    report.Add(ReportKeyValues{{{"Key", c.value}}});
    EXPECT_EQ(ReportCsv(report), "T\r\nKey," + c.field + "\r\n") << c.name;
  }
}

TEST(ReportCsv, NamesEachRowsMarkInTheMarkColumn) {
  struct Case {
    const char* name;
    std::string markColumn;
    std::vector<std::string> cells;
    ReportMark mark;
    std::string line;
  };
  const Case cases[] = {
      {"unmarked: an empty mark field", "Changed", {"F1.6", "1"}, ReportMark::kNone, "F1.6,1,"},
      {"changed", "Changed", {"F1.6", "1"}, ReportMark::kChanged, "F1.6,1,changed"},
      {"failed", "Result", {"50 kg", "50.1"}, ReportMark::kFailed, "50 kg,50.1,failed"},
      {"a short row is filled before the mark",
       "Changed",
       {"F1.6"},
       ReportMark::kChanged,
       "F1.6,,changed"},
      {"a long row widens the table", "Changed", {"a", "b", "c"}, ReportMark::kNone, "a,b,c,"},
      {"an empty first cell keeps its column", "Changed", {"", "b"}, ReportMark::kNone, ",b,"},
      {"no mark column: the mark is paper's", "", {"a", "b"}, ReportMark::kFailed, "a,b"},
  };
  for (const Case& c : cases) {
    Report report;
    report.title.title = "T";
    ReportGrid& table = report.Add(ReportGrid{{"A", "B"}, {}, c.markColumn, "none"});
    table.rows.push_back({c.cells, c.mark});
    const std::string header = c.cells.size() > 2 ? "A,B," : "A,B";
    const std::string mark = c.markColumn.empty() ? "" : "," + c.markColumn;
    EXPECT_EQ(ReportCsv(report), "T\r\n\r\n" + header + mark + "\r\n" + c.line + "\r\n") << c.name;
  }
}

TEST(ReportCsv, BlankLinesSetTheSectionsApart) {
  struct Case {
    const char* name;
    Report report;
    std::string csv;
  };
  auto make = [](auto... add) {
    Report report;
    report.title.title = "Title";
    (add(report), ...);
    return report;
  };
  auto facts = [](Report& r) { r.Add(ReportKeyValues{{{"K", "V"}}}); };
  auto heading = [](Report& r) { r.Add(ReportHeading{"Weighing: PASS"}); };
  auto paperHeading = [](Report& r) { r.Add(ReportHeading{"Parameters"}, ReportForms::kPdfOnly); };
  auto table = [](Report& r) { r.Add(ReportGrid{{"H1", "H2"}, {{{"a", "b"}}}, "", ""}); };
  auto empty = [](Report& r) { r.Add(ReportGrid{{"H"}, {}, "", "none"}); };
  auto note = [](Report& r) { r.Add(ReportParagraph{"note"}); };
  auto dataNote = [](Report& r) { r.Add(ReportParagraph{"data only"}, ReportForms::kCsvOnly); };
  auto paper = [](Report& r) {
    r.Add(ReportPageBreak{});
    r.Add(ReportSignatures{{"Technician"}});
  };
  Case cases[] = {
      {"title alone", make(), "Title\r\n"},
      {"facts run on from the title", make(facts, note), "Title\r\nK,V\r\nnote\r\n"},
      {"a table stands apart", make(facts, table, note),
       "Title\r\nK,V\r\n\r\nH1,H2\r\na,b\r\n\r\nnote\r\n"},
      {"a heading leads its table", make(facts, heading, table),
       "Title\r\nK,V\r\n\r\nWeighing: PASS\r\nH1,H2\r\na,b\r\n"},
      {"a paper heading is left out", make(facts, paperHeading, table, paperHeading, empty),
       "Title\r\nK,V\r\n\r\nH1,H2\r\na,b\r\n\r\nH\r\n"},
      {"breaks and signatures write nothing", make(table, paper, table),
       "Title\r\n\r\nH1,H2\r\na,b\r\n\r\nH1,H2\r\na,b\r\n"},
      {"a data-only block is written", make(dataNote), "Title\r\ndata only\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportCsv(c.report), c.csv) << c.name;
  }
  Report titled = make(facts);
  titled.title.lines = {"Stage: acceptance", "Site, Hall 2"};
  EXPECT_EQ(ReportCsv(titled), "Title\r\nStage: acceptance\r\n\"Site, Hall 2\"\r\nK,V\r\n");
}

TEST(ReportCsv, AWriteThatCannotHappenSaysWhyAndLeavesNothing) {
  Report report;
  report.title.title = "T";
  const test::TempFolder temp;
  const fs::path& folder = temp.Path();
  struct Case {
    const char* name;
    std::string path;
  };
  const Case cases[] = {
      {"a folder no file can be made in", "/proc/tamarack-report.csv"},
      {"a folder in the file's place", folder.string()},
      {"no name", ""},
  };
  for (const Case& c : cases) {
    const FileResult result = WriteReportCsv(report, c.path);
    EXPECT_FALSE(result.ok()) << c.name;
    EXPECT_FALSE(FailureText(result).empty()) << c.name;
  }
  EXPECT_FALSE(fs::exists("/proc/tamarack-report.csv"));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace tamarack
