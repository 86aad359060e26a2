#pragma once

// A report as a list of blocks, with no layout in it: the service record and the verification
// certificate are built as one, then written as CSV here or as a PDF by report_pdf.h.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "files/file_result.h"

namespace tamarack {

// How a table row stands out: shaded and bold on paper, and named in the table's mark column.
enum class ReportMark { kNone, kChanged, kFailed };

// "", "changed", "failed".
std::string_view MarkName(ReportMark mark);

// Where a block is written. A heading that only guides the eye on paper stays out of the data.
enum class ReportForms { kBoth, kPdfOnly, kCsvOnly };

// The top of the first page; in the CSV, its first lines.
struct ReportTitle {
  std::string title;               // also the PDF's document title
  std::vector<std::string> lines;  // under it, smaller
};

struct ReportKeyValue {
  std::string key;
  std::string value;  // may hold line breaks
};

// A key/value table, keys in bold; in the CSV a line "key,value" each.
struct ReportKeyValues {
  std::vector<ReportKeyValue> entries;
};

// A section's heading; on paper it never ends a page alone.
struct ReportHeading {
  std::string text;
};

struct ReportParagraph {
  std::string text;
};

struct ReportRow {
  std::vector<std::string> cells;
  ReportMark mark = ReportMark::kNone;
};

// A table with a header row, as wide as its longest row (short rows end in empty cells). On paper
// it breaks between rows (a row taller than a page between its lines) and repeats its header on
// every page.
struct ReportGrid {
  std::vector<std::string> header;
  std::vector<ReportRow> rows;
  // The header of a last column that names each row's mark; empty: the marks show on paper only.
  std::string markColumn;
  // On paper in place of rows when there are none ("none"); the CSV then has the header alone.
  std::string whenEmpty;
};

// Lines to sign on, a label under each; on paper only, as a signature cannot be data.
struct ReportSignatures {
  std::vector<std::string> labels;
};

// The next block starts a new page; nothing in the CSV.
struct ReportPageBreak {};

using ReportContent = std::variant<ReportKeyValues, ReportHeading, ReportParagraph, ReportGrid,
                                   ReportSignatures, ReportPageBreak>;

struct ReportBlock {
  ReportContent content;
  ReportForms forms = ReportForms::kBoth;
};

// Every text is UTF-8 and is written as it is.
struct Report {
  ReportTitle title;
  std::vector<ReportBlock> blocks;

  // Appends a block. The reference lasts until the next Add.
  template <class Content>
  Content& Add(Content content, ReportForms forms = ReportForms::kBoth) {
    return std::get<Content>(AddBlock(std::move(content), forms));
  }

 private:
  ReportContent& AddBlock(ReportContent content, ReportForms forms);
};

// The report as CSV: UTF-8, a field quoted (quotes doubled) where it holds a comma, a quote or a
// line break, every line ending in CR LF. The title and its lines, then each block; a blank line
// comes before a heading, before a table that does not follow a heading, and before whatever
// follows a table.
std::string ReportCsv(const Report& report);

// Replaces the file at `path` (in the platform's 8-bit encoding) atomically: a failure leaves an
// existing file as it was.
FileResult WriteReportCsv(const Report& report, const std::string& path);

}  // namespace tamarack
