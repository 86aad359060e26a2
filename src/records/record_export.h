#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/record.h"

namespace tamarack::records {

// The files a record gives back: a complete read its setup value file, a service record or a
// certificate its PDF as it was saved, or its CSV.
enum class ExportFormat { kStx, kPdf, kCsv };

std::string_view FormatName(ExportFormat format);  // "stx", "pdf", "csv"
std::optional<ExportFormat> FormatFromName(std::string_view name);
// What a record of this kind exports to, the usual first.
std::vector<ExportFormat> ExportFormats(RecordKind kind);

// The file's bytes; nothing, with `error` saying why, when the record has no such form (or its
// PDF was not loaded: the listings leave it out, RecordStore::Get brings it).
std::optional<std::string> ExportBytes(const Record& record, ExportFormat format,
                                       std::string& error);
// Writes them atomically: a failure leaves an existing file as it was.
bool ExportRecord(const Record& record, ExportFormat format, const std::string& path,
                  std::string& error);

}  // namespace tamarack::records
