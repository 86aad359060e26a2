// Reports written as PDF from a program with no windows, as the command line writes them, and
// read back with pdftotext (poppler-utils).

#include "records/report_pdf.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

class ReportPdfTest : public testing::Test {
 protected:
  std::string Written(const Report& report) {
    const std::string path = (folder_ / "report.pdf").string();
    const FileResult result = WriteReportPdf(report, path);
    EXPECT_TRUE(result.ok()) << FailureText(result);
    // To look at as a user would.
    if (const char* shots = std::getenv("TAMARACK_SHOT_DIR")) {
      const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
      fs::copy_file(path, fs::path(shots) / (name + ".pdf"), fs::copy_options::overwrite_existing);
    }
    return path;
  }

  // The text of one page (0: all of them), laid out as on paper.
  static QString Text(const std::string& pdf, int page = 0) {
    QStringList arguments{"-layout"};
    if (page > 0) arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
    arguments << QString::fromStdString(pdf) << "-";
    QProcess process;
    process.start("pdftotext", arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
  }

  static int Pages(const std::string& pdf) {
    QProcess process;
    process.start("pdfinfo", {QString::fromStdString(pdf)});
    process.waitForFinished();
    const auto match = QRegularExpression("Pages:\\s+(\\d+)")
                           .match(QString::fromUtf8(process.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
  }

  test::TempFolder temp_;
  const fs::path folder_ = temp_.Path();
};

TEST_F(ReportPdfTest, ALongTableBreaksBetweenRowsWithItsHeaderOnEveryPage) {
  Report report;
  report.title.title = "Scale verification";
  report.title.lines = {"Acceptance"};
  report.Add(ReportKeyValues{{{"Instrument", "Hall 2 platform"}}});
  report.Add(ReportHeading{"Weighing test: FAIL"});
  ReportGrid& table = report.Add(ReportGrid{{"Step", "Load", "Indication"}, {}, "Result", ""});
  constexpr int kRows = 150;
  for (int i = 1; i <= kRows; ++i) {
    table.rows.push_back({{"Step " + std::to_string(i), std::to_string(i * 10) + " kg", "ok"},
                          i % 50 == 0 ? ReportMark::kFailed : ReportMark::kNone});
  }
  report.Add(ReportSignatures{{"Technician", "Witness"}});
  const std::string pdf = Written(report);

  const int pages = Pages(pdf);
  ASSERT_GE(pages, 3);
  const QRegularExpression header("^\\s*Step\\s+Load\\s+Indication\\s+Result\\s*$",
                                  QRegularExpression::MultilineOption);
  const QRegularExpression row("^\\s*Step (\\d+)\\s+(\\d+) kg\\s+ok\\s*(failed)?\\s*$",
                               QRegularExpression::MultilineOption);
  int expected = 1;
  for (int page = 1; page <= pages; ++page) {
    const QString text = Text(pdf, page);
    EXPECT_TRUE(text.contains(QString("Page %1 of %2").arg(page).arg(pages))) << page;
    const qsizetype headerAt = text.indexOf(header);
    auto rows = row.globalMatch(text);
    if (!rows.hasNext()) continue;  // the signatures' page
    EXPECT_GE(headerAt, 0) << "no header on page " << page;
    bool first = true;
    while (rows.hasNext()) {
      const auto match = rows.next();
      if (first) {
        EXPECT_LT(headerAt, match.capturedStart()) << page;
      }
      first = false;
      // Every row once, in order, whole on one page.
      EXPECT_EQ(match.captured(1).toInt(), expected);
      EXPECT_EQ(match.captured(2).toInt(), expected * 10);
      EXPECT_EQ(match.captured(3) == "failed", expected % 50 == 0) << expected;
      ++expected;
    }
  }
  EXPECT_EQ(expected, kRows + 1);
  const QString all = Text(pdf);
  EXPECT_TRUE(all.contains("Weighing test: FAIL"));
  EXPECT_TRUE(all.contains(QRegularExpression("Technician\\s+Witness")));
}

TEST_F(ReportPdfTest, ACellTallerThanAPageGoesOnBetweenItsLines) {
  std::string note;
  constexpr int kLines = 130;
  for (int i = 1; i <= kLines; ++i) note += "note line " + std::to_string(i) + "\n";
  Report report;
  report.title.title = "Service record";
  report.Add(ReportKeyValues{{{"Technician", "A"}, {"Note", note}, {"Date", "2026-03-24"}}});
  const std::string pdf = Written(report);
  ASSERT_GE(Pages(pdf), 2);
  const QString text = Text(pdf);
  qsizetype at = 0;
  for (int i = 1; i <= kLines; ++i) {
    const QRegularExpression line(QString("note line %1\\n").arg(i));
    const qsizetype found = text.indexOf(line, at);
    ASSERT_GE(found, at) << "line " << i;
    at = found;
  }
  EXPECT_GT(text.indexOf("2026-03-24"), at);
}

TEST_F(ReportPdfTest, KeepsTextInAnyLanguageAsItIs) {
  const std::string texts[] = {
      "Zoë Łukasiewicz, Øre, Straße",
      "Ελληνικά γράμματα",
      "Проверка весов",
      "技师 检定证书",
      "✓ 50 kg ± 0,5 e",
  };
  Report report;
  report.title.title = "Prüfschein — 检定证书";
  ReportGrid& table = report.Add(ReportGrid{{"Text"}, {}, "", ""});
  for (const std::string& text : texts) table.rows.push_back({{text}});
  report.Add(ReportGrid{{"Time", "Operation"}, {}, "", "none"});
  const QString read = Text(Written(report));
  EXPECT_TRUE(read.contains(QString::fromUtf8("Prüfschein — 检定证书"))) << qPrintable(read);
  for (const std::string& text : texts) {
    EXPECT_TRUE(read.contains(QString::fromStdString(text))) << text << "\n" << qPrintable(read);
  }
  EXPECT_TRUE(read.contains(QRegularExpression("Time\\s+Operation\\s+none")));
}

TEST_F(ReportPdfTest, AWriteThatCannotHappenSaysWhyAndLeavesNothing) {
  Report report;
  report.title.title = "T";
  const FileResult result = WriteReportPdf(report, "/proc/tamarack-report.pdf");
  EXPECT_FALSE(result.ok());
  EXPECT_FALSE(FailureText(result).empty());
  EXPECT_FALSE(fs::exists("/proc/tamarack-report.pdf"));

  // A folder where the file should be stays the folder it was.
  const fs::path taken = folder_ / "taken.pdf";
  fs::create_directory(taken);
  std::ofstream(taken / "inside") << "kept";
  EXPECT_EQ(WriteReportPdf(report, taken.string()).error, FileError::kNotRegular);
  EXPECT_TRUE(fs::is_regular_file(taken / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tamarack

// A program without windows, as the command line is: a QGuiApplication for the fonts, on the
// offscreen platform so that no display is needed.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
