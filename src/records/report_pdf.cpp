#include "records/report_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <variant>

#include "files/replace_file.h"
#include "ui/product.h"
#include "ui/text.h"

namespace tamarack {
namespace {

// Device units per inch: fine enough that rounding never moves a line visibly.
constexpr int kDpi = 1200;
constexpr double kMarginMm = 15;

double Pt(double points) {
  return points * kDpi / 72.0;
}

QFont Sans(double points, bool bold = false) {
  QFont font(QStringLiteral("sans-serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

struct Fonts {
  QFont title = Sans(16, true);
  QFont subtitle = Sans(10);
  QFont heading = Sans(11, true);
  QFont body = Sans(9);
  QFont bold = Sans(9, true);
  QFont small = Sans(7);
};

// Every kind of line break a text may hold ends a line on paper.
QString Displayed(std::string_view text) {
  QString shown = FromUtf8(text);
  shown.replace(QStringLiteral("\r\n"), QChar(QChar::LineSeparator));
  shown.replace(QChar('\n'), QChar(QChar::LineSeparator));
  shown.replace(QChar('\r'), QChar(QChar::LineSeparator));
  return shown;
}

// A text broken into lines for one width; a word longer than the width breaks anywhere.
class Lines {
 public:
  Lines(std::string_view text, const QFont& font, double width, QPaintDevice* device)
      : layout_(Displayed(text), font, device) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setTextOption(option);
    layout_.beginLayout();
    double y = 0;
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
      line.setLineWidth(width);
      line.setPosition(QPointF(0, y));
      y += line.height();
    }
    layout_.endLayout();
  }
  Lines(const Lines&) = delete;
  Lines& operator=(const Lines&) = delete;

  int Count() const { return layout_.lineCount(); }
  double Height(int i) const { return layout_.lineAt(i).height(); }
  double Height() const {
    double height = 0;
    for (int i = 0; i < Count(); ++i) height += Height(i);
    return height;
  }
  double NaturalWidth() const {
    double width = 0;
    for (int i = 0; i < Count(); ++i) width = std::max(width, layout_.lineAt(i).naturalTextWidth());
    return width;
  }
  // Line `i` with its top at `at`.
  void Draw(QPainter& painter, int i, QPointF at) const {
    const QTextLine line = layout_.lineAt(i);
    line.draw(&painter, at - QPointF(0, line.y()));
  }

 private:
  QTextLayout layout_;
};

using LinesPtr = std::unique_ptr<Lines>;

struct LaidRow {
  std::vector<LinesPtr> cells;  // one per column, or a single one across them all
  ReportMark mark = ReportMark::kNone;
  bool header = false;
};

// Every block but the signatures and the breaks is laid as a table: a heading or a paragraph is
// one cell wide.
struct LaidGrid {
  std::vector<double> widths;
  std::optional<LaidRow> header;
  std::vector<LaidRow> rows;
  bool grid = false;
  double padX = 0;
  double padY = 0;
  bool keepWithNext = false;
  double spaceAfter = Pt(8);
};

struct LaidSignatures {
  std::vector<LinesPtr> labels;
  double slot = 0;
};

struct LaidBreak {};

using Laid = std::variant<LaidGrid, LaidSignatures, LaidBreak>;

constexpr double kSignatureSpace = 36;  // pt above a signature's line
constexpr int kSignaturesPerLine = 3;
const QColor kGridColour(0x70, 0x70, 0x70);
const QColor kHeaderShade(0xe6, 0xe6, 0xe6);

QColor Shade(ReportMark mark) {
  switch (mark) {
    case ReportMark::kNone:
      break;
    case ReportMark::kChanged:
      return {0xff, 0xe4, 0xb5};
    case ReportMark::kFailed:
      return {0xf4, 0xc2, 0xc2};
  }
  return Qt::transparent;
}

// Narrow columns keep their natural width; the wide ones share what is left evenly. A table
// narrower than the page is widened in proportion.
std::vector<double> ColumnWidths(const std::vector<double>& natural, double available) {
  std::vector<double> widths(natural.size());
  const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
  if (total <= available) {
    for (std::size_t i = 0; i < natural.size(); ++i) {
      widths[i] = total > 0 ? natural[i] * available / total : available / natural.size();
    }
    return widths;
  }
  std::vector<std::size_t> order(natural.size());
  std::iota(order.begin(), order.end(), 0);
  std::ranges::sort(order, [&](std::size_t a, std::size_t b) { return natural[a] < natural[b]; });
  double left = available;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const double share = left / static_cast<double>(order.size() - k);
    widths[order[k]] = std::min(natural[order[k]], share);
    left -= widths[order[k]];
  }
  return widths;
}

class Layout {
 public:
  Layout(QPaintDevice* device, double width) : device_(device), width_(width) {}

  std::vector<Laid> Blocks(const Report& report) {
    std::vector<Laid> laid;
    LaidGrid title = Column(Pt(0), Pt(10));
    title.rows.push_back(Single(report.title.title, fonts_.title));
    for (const std::string& line : report.title.lines) {
      title.rows.push_back(Single(line, fonts_.subtitle));
    }
    laid.push_back(std::move(title));
    for (const ReportBlock& block : report.blocks) {
      if (block.forms == ReportForms::kCsvOnly) continue;
      std::visit([&](const auto& content) { laid.push_back(Lay(content)); }, block.content);
    }
    return laid;
  }

 private:
  LaidGrid Column(double padY, double spaceAfter) const {
    LaidGrid table;
    table.widths = {width_};
    table.padY = padY;
    table.spaceAfter = spaceAfter;
    return table;
  }

  LaidRow Single(std::string_view text, const QFont& font) const {
    LaidRow row;
    row.cells.push_back(std::make_unique<Lines>(text, font, width_, device_));
    return row;
  }

  double Natural(std::string_view text, const QFont& font) const {
    return Lines(text, font, 1e9, device_).NaturalWidth();
  }

  Laid Lay(const ReportHeading& heading) const {
    LaidGrid table = Column(Pt(0), Pt(3));
    table.rows.push_back(Single(heading.text, fonts_.heading));
    table.keepWithNext = true;
    return table;
  }

  Laid Lay(const ReportParagraph& paragraph) const {
    LaidGrid table = Column(Pt(0), Pt(6));
    table.rows.push_back(Single(paragraph.text, fonts_.body));
    return table;
  }

  Laid Lay(const ReportKeyValues& pairs) const {
    LaidGrid table;
    table.padX = Pt(2);
    table.padY = Pt(0.5);
    double keys = 0;
    for (const ReportKeyValue& pair : pairs.entries) {
      keys = std::max(keys, Natural(pair.key, fonts_.bold) + 2 * table.padX);
    }
    keys = std::min(keys, width_ * 0.35);
    table.widths = {keys, width_ - keys};
    for (const ReportKeyValue& pair : pairs.entries) {
      LaidRow row;
      row.cells.push_back(
          std::make_unique<Lines>(pair.key, fonts_.bold, keys - 2 * table.padX, device_));
      row.cells.push_back(std::make_unique<Lines>(pair.value, fonts_.body,
                                                  width_ - keys - 2 * table.padX, device_));
      table.rows.push_back(std::move(row));
    }
    return table;
  }

  Laid Lay(const ReportGrid& source) const {
    LaidGrid table;
    table.grid = true;
    table.padX = Pt(3);
    table.padY = Pt(1.5);
    const bool marks = !source.markColumn.empty();
    std::size_t columns = source.header.size();
    for (const ReportRow& row : source.rows) columns = std::max(columns, row.cells.size());
    // The texts as they stand in the table, the mark's name in its column.
    auto cellsOf = [&](const std::vector<std::string>& cells, std::string_view mark) {
      std::vector<std::string_view> texts(cells.begin(), cells.end());
      texts.resize(columns);
      if (marks) texts.push_back(mark);
      return texts;
    };
    const std::size_t shown = columns + (marks ? 1 : 0);
    std::vector<double> natural(shown, 0);
    auto measure = [&](const std::vector<std::string_view>& texts, const QFont& font) {
      for (std::size_t c = 0; c < texts.size(); ++c) {
        natural[c] = std::max(natural[c], Natural(texts[c], font) + 2 * table.padX);
      }
    };
    measure(cellsOf(source.header, source.markColumn), fonts_.bold);
    for (const ReportRow& row : source.rows) {
      measure(cellsOf(row.cells, MarkName(row.mark)),
              row.mark == ReportMark::kNone ? fonts_.body : fonts_.bold);
    }
    if (shown == 0) return Column(0, 0);  // not even a header: nothing to draw
    table.widths = ColumnWidths(natural, width_);
    auto lay = [&](const std::vector<std::string_view>& texts, const QFont& font) {
      LaidRow row;
      for (std::size_t c = 0; c < texts.size(); ++c) {
        row.cells.push_back(std::make_unique<Lines>(
            texts[c], font, std::max(table.widths[c] - 2 * table.padX, 1.0), device_));
      }
      return row;
    };
    if (!source.header.empty() || marks) {
      table.header = lay(cellsOf(source.header, source.markColumn), fonts_.bold);
      table.header->header = true;
    }
    for (const ReportRow& row : source.rows) {
      const bool marked = row.mark != ReportMark::kNone;
      table.rows.push_back(
          lay(cellsOf(row.cells, MarkName(row.mark)), marked ? fonts_.bold : fonts_.body));
      table.rows.back().mark = row.mark;
    }
    if (source.rows.empty() && !source.whenEmpty.empty()) {
      LaidRow none;
      none.cells.push_back(
          std::make_unique<Lines>(source.whenEmpty, fonts_.body, width_ - 2 * table.padX, device_));
      table.rows.push_back(std::move(none));
    }
    return table;
  }

  Laid Lay(const ReportSignatures& signatures) const {
    LaidSignatures laid;
    const std::size_t perLine =
        std::clamp<std::size_t>(signatures.labels.size(), 1, kSignaturesPerLine);
    laid.slot = width_ / static_cast<double>(perLine);
    for (const std::string& label : signatures.labels) {
      laid.labels.push_back(
          std::make_unique<Lines>(label, fonts_.small, laid.slot - Pt(12), device_));
    }
    return laid;
  }

  Laid Lay(const ReportPageBreak&) const { return LaidBreak{}; }

  QPaintDevice* device_;
  double width_;
  Fonts fonts_;
};

// Where the next block goes, page after page. Without a painter it only counts the pages.
class Pages {
 public:
  Pages(QPdfWriter& writer, QPainter* painter, QRectF body, QString title, int pageCount)
      : writer_(writer),
        painter_(painter),
        body_(body),
        title_(std::move(title)),
        pageCount_(pageCount),
        y_(body.top()) {}

  void Flow(const std::vector<Laid>& laid) {
    for (std::size_t i = 0; i < laid.size(); ++i) {
      if (const auto* table = std::get_if<LaidGrid>(&laid[i])) {
        Table(*table);
      } else if (const auto* signatures = std::get_if<LaidSignatures>(&laid[i])) {
        Signatures(*signatures);
      } else if (drawn_ && i + 1 < laid.size()) {
        NewPage();
      }
    }
    Footer();
  }

  int Count() const { return page_; }

 private:
  static double ContentHeight(const LaidRow& row) {
    double height = 0;
    for (const LinesPtr& cell : row.cells) height = std::max(height, cell->Height());
    return height;
  }

  void NewPage() {
    Footer();
    if (painter_) writer_.newPage();
    ++page_;
    y_ = body_.top();
    drawn_ = false;
  }

  void Footer() {
    if (!painter_) return;
    const QFont font = Sans(7);
    const QFontMetricsF metrics(font, &writer_);
    const double baseline = body_.bottom() + Pt(14) + metrics.ascent();
    const QString page = QString("Page %1 of %2").arg(page_).arg(pageCount_);
    const double pageWidth = metrics.horizontalAdvance(page);
    painter_->setFont(font);
    painter_->setPen(QColor(0x50, 0x50, 0x50));
    const QString title =
        metrics.elidedText(title_, Qt::ElideRight, body_.width() - pageWidth - Pt(12));
    painter_->drawText(QPointF(body_.left(), baseline), title);
    painter_->drawText(QPointF(body_.right() - pageWidth, baseline), page);
  }

  void Table(const LaidGrid& table) {
    const double headerHeight = table.header ? ContentHeight(*table.header) + 2 * table.padY : 0;
    double need = headerHeight;
    if (!table.rows.empty()) {
      // A few lines of the first row: never a header alone at the foot of a page.
      need += std::min(ContentHeight(table.rows[0]), Pt(36)) + 2 * table.padY;
    }
    if (table.keepWithNext) need += Pt(40);
    if (drawn_ && y_ + need > body_.bottom()) NewPage();
    if (table.header) Row(table, *table.header);
    for (const LaidRow& row : table.rows) Row(table, row);
    y_ += table.spaceAfter;
  }

  // Draws a row, on the next page when it does not fit here, and across pages between its lines
  // when it is taller than a page.
  void Row(const LaidGrid& table, const LaidRow& row) {
    const double full = ContentHeight(row) + 2 * table.padY;
    const double pageTop =
        body_.top() +
        (table.header && !row.header ? ContentHeight(*table.header) + 2 * table.padY : 0);
    if (y_ + full > body_.bottom() && y_ > pageTop + 1) Continue(table, row);
    std::vector<int> next(row.cells.size(), 0);
    for (;;) {
      const double space = body_.bottom() - y_ - 2 * table.padY;
      std::vector<int> end = next;
      double used = 0;
      bool progress = false;
      bool done = true;
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        const Lines& lines = *row.cells[c];
        double height = 0;
        while (end[c] < lines.Count() && height + lines.Height(end[c]) <= space) {
          height += lines.Height(end[c]++);
        }
        // A line taller than a whole page would never fit: it goes where it is.
        if (end[c] == next[c] && end[c] < lines.Count() && y_ <= pageTop + 1) {
          height += lines.Height(end[c]++);
        }
        progress = progress || end[c] > next[c];
        done = done && end[c] == lines.Count();
        used = std::max(used, height);
      }
      if (!progress && !done) {
        Continue(table, row);
        continue;
      }
      Slice(table, row, next, end, used + 2 * table.padY);
      if (done) return;
      next = end;
      Continue(table, row);
    }
  }

  // A new page, with the table's header again above the rest of its rows.
  void Continue(const LaidGrid& table, const LaidRow& row) {
    NewPage();
    if (table.header && !row.header) Row(table, *table.header);
  }

  void Slice(const LaidGrid& table, const LaidRow& row, const std::vector<int>& from,
             const std::vector<int>& to, double height) {
    if (painter_) {
      double x = body_.left();
      const QColor shade = row.header ? kHeaderShade : Shade(row.mark);
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        const double width = row.cells.size() == 1
                                 ? std::accumulate(table.widths.begin(), table.widths.end(), 0.0)
                                 : table.widths[c];
        const QRectF cell(x, y_, width, height);
        if (shade.alpha() != 0) painter_->fillRect(cell, shade);
        if (table.grid) {
          painter_->setPen(QPen(kGridColour, Pt(0.5)));
          painter_->setBrush(Qt::NoBrush);
          painter_->drawRect(cell);
        }
        painter_->setPen(Qt::black);
        double top = y_ + table.padY;
        for (int i = from[c]; i < to[c]; ++i) {
          row.cells[c]->Draw(*painter_, i, QPointF(x + table.padX, top));
          top += row.cells[c]->Height(i);
        }
        x += width;
      }
    }
    y_ += height;
    drawn_ = true;
  }

  void Signatures(const LaidSignatures& signatures) {
    double labelHeight = 0;
    for (const LinesPtr& label : signatures.labels) {
      labelHeight = std::max(labelHeight, label->Height());
    }
    const double lineHeight = Pt(kSignatureSpace) + Pt(3) + labelHeight;
    for (std::size_t first = 0; first < signatures.labels.size(); first += kSignaturesPerLine) {
      if (drawn_ && y_ + lineHeight > body_.bottom()) NewPage();
      const std::size_t last = std::min(first + kSignaturesPerLine, signatures.labels.size());
      for (std::size_t i = first; i < last && painter_; ++i) {
        const double x = body_.left() + static_cast<double>(i - first) * signatures.slot;
        const double lineY = y_ + Pt(kSignatureSpace);
        painter_->setPen(QPen(Qt::black, Pt(0.5)));
        painter_->drawLine(QPointF(x, lineY), QPointF(x + signatures.slot - Pt(12), lineY));
        double top = lineY + Pt(3);
        for (int l = 0; l < signatures.labels[i]->Count(); ++l) {
          signatures.labels[i]->Draw(*painter_, l, QPointF(x, top));
          top += signatures.labels[i]->Height(l);
        }
      }
      y_ += lineHeight;
      drawn_ = true;
    }
    y_ += Pt(8);
  }

  QPdfWriter& writer_;
  QPainter* painter_;
  QRectF body_;
  QString title_;
  int pageCount_;
  int page_ = 1;
  double y_;
  bool drawn_ = false;
};

}  // namespace

std::string ReportPdf(const Report& report) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    qFatal("A PDF report needs a QGuiApplication (on the offscreen platform without a display)");
  }
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kDpi);
    writer.setTitle(FromUtf8(report.title.title));
    writer.setCreator(FromUtf8(kProductName));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    const QRectF paint = writer.pageLayout().paintRectPixels(kDpi);
    // The foot of each page holds the title and the page number.
    const QRectF body(0, 0, paint.width(), paint.height() - Pt(24));
    Layout layout(&writer, body.width());
    const std::vector<Laid> laid = layout.Blocks(report);
    Pages counting(writer, nullptr, body, {}, 0);
    counting.Flow(laid);
    QPainter painter(&writer);
    Pages(writer, &painter, body, FromUtf8(report.title.title), counting.Count()).Flow(laid);
  }
  return {pdf.constData(), static_cast<std::size_t>(pdf.size())};
}

FileResult WriteReportPdf(const Report& report, const std::string& path) {
  FileReplacement file;
  if (const FileResult begun = file.Begin(path); !begun.ok()) return begun;
  return file.Commit(ReportPdf(report));
}

}  // namespace tamarack
