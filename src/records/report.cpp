#include "records/report.h"

#include <algorithm>

#include "files/replace_file.h"

namespace tamarack {
namespace {

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

template <class Fields>
std::string CsvLine(const Fields& fields) {
  std::string line;
  bool first = true;
  for (const auto& f : fields) {
    if (!first) line += ',';
    first = false;
    line += CsvField(f);
  }
  return line + "\r\n";
}

std::string CsvLine(std::initializer_list<std::string_view> fields) {
  return CsvLine<std::initializer_list<std::string_view>>(fields);
}

std::size_t Columns(const ReportGrid& table) {
  std::size_t columns = table.header.size();
  for (const ReportRow& row : table.rows) columns = std::max(columns, row.cells.size());
  return columns;
}

std::string TableCsv(const ReportGrid& table) {
  const std::size_t columns = Columns(table);
  const bool marks = !table.markColumn.empty();
  std::vector<std::string_view> fields(table.header.begin(), table.header.end());
  fields.resize(columns);
  if (marks) fields.push_back(table.markColumn);
  std::string csv = CsvLine(fields);
  for (const ReportRow& row : table.rows) {
    fields.assign(row.cells.begin(), row.cells.end());
    fields.resize(columns);
    if (marks) fields.push_back(MarkName(row.mark));
    csv += CsvLine(fields);
  }
  return csv;
}

}  // namespace

std::string_view MarkName(ReportMark mark) {
  switch (mark) {
    case ReportMark::kNone:
      break;
    case ReportMark::kChanged:
      return "changed";
    case ReportMark::kFailed:
      return "failed";
  }
  return "";
}

ReportContent& Report::AddBlock(ReportContent content, ReportForms forms) {
  blocks.push_back({std::move(content), forms});
  return blocks.back().content;
}

std::string ReportCsv(const Report& report) {
  std::string csv = CsvLine({report.title.title});
  for (const std::string& line : report.title.lines) csv += CsvLine({line});
  enum class Last { kOther, kHeading, kTable } last = Last::kOther;
  for (const ReportBlock& block : report.blocks) {
    if (block.forms == ReportForms::kPdfOnly) continue;
    const ReportContent& content = block.content;
    const bool heading = std::holds_alternative<ReportHeading>(content);
    const bool table = std::holds_alternative<ReportGrid>(content);
    // Signatures and page breaks have no data: they neither open nor close a section.
    if (!heading && !table && !std::holds_alternative<ReportKeyValues>(content) &&
        !std::holds_alternative<ReportParagraph>(content)) {
      continue;
    }
    if (heading || last == Last::kTable || (table && last != Last::kHeading)) csv += "\r\n";
    if (const auto* pairs = std::get_if<ReportKeyValues>(&content)) {
      for (const ReportKeyValue& pair : pairs->entries) csv += CsvLine({pair.key, pair.value});
    } else if (const auto* h = std::get_if<ReportHeading>(&content)) {
      csv += CsvLine({h->text});
    } else if (const auto* paragraph = std::get_if<ReportParagraph>(&content)) {
      csv += CsvLine({paragraph->text});
    } else {
      csv += TableCsv(std::get<ReportGrid>(content));
    }
    last = heading ? Last::kHeading : table ? Last::kTable : Last::kOther;
  }
  return csv;
}

FileResult WriteReportCsv(const Report& report, const std::string& path) {
  return ReplaceFile(path, ReportCsv(report));
}

}  // namespace tamarack
