#pragma once

// A report on A4 pages through Qt's PDF writer. Qt Gui only, no widgets: fonts need a
// QGuiApplication, and a program without windows makes one on the "offscreen" platform
// (QT_QPA_PLATFORM=offscreen set before it is constructed) so that it runs without a display.

#include <string>

#include "files/file_result.h"
#include "records/report.h"

namespace tamarack {

// The PDF's bytes. Sans-serif at 9 pt, every page with the title and "Page n of m" at its foot.
// Long texts wrap within their cell. Every character is kept as text; one that no installed font
// can draw shows as a box.
std::string ReportPdf(const Report& report);

// Replaces the file at `path` (in the platform's 8-bit encoding) atomically. The target is checked
// before the report is laid out; any failure leaves an existing file as it was.
FileResult WriteReportPdf(const Report& report, const std::string& path);

}  // namespace tamarack
