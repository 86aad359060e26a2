#include "records/record_export.h"

#include "files/replace_file.h"
#include "setup/setup_value_file.h"

namespace tamarack::records {
namespace {

constexpr std::string_view kFormatNames[] = {"stx", "pdf", "csv"};

}  // namespace

std::string_view FormatName(ExportFormat format) {
  return kFormatNames[static_cast<int>(format)];
}

std::optional<ExportFormat> FormatFromName(std::string_view name) {
  for (int i = 0; i < 3; ++i) {
    if (kFormatNames[i] == name) return static_cast<ExportFormat>(i);
  }
  return std::nullopt;
}

std::vector<ExportFormat> ExportFormats(RecordKind kind) {
  switch (kind) {
    case RecordKind::kRead:
      return {ExportFormat::kStx};
    case RecordKind::kServiceRecord:
    case RecordKind::kCertificate:
      return {ExportFormat::kPdf, ExportFormat::kCsv};
    default:
      return {};
  }
}

std::optional<std::string> ExportBytes(const Record& record, ExportFormat format,
                                       std::string& error) {
  if (const auto* read = std::get_if<ReadContent>(&record.content);
      read && format == ExportFormat::kStx) {
    SetupModel model;
    model.currentValue = read->values;
    return SetupValueRecord(model);
  }
  if (const auto* service = std::get_if<ServiceRecordContent>(&record.content)) {
    if (format == ExportFormat::kCsv) return ServiceRecordCsv(service->record);
    if (format == ExportFormat::kPdf && !service->pdf.empty()) return service->pdf;
  }
  if (const auto* certificate = std::get_if<CertificateContent>(&record.content)) {
    if (format == ExportFormat::kCsv && !certificate->csv.empty()) return certificate->csv;
    if (format == ExportFormat::kPdf && !certificate->pdf.empty()) return certificate->pdf;
  }
  error = "a " + std::string(KindName(record.Kind())) + " record has no " +
          std::string(FormatName(format)) + " form";
  return std::nullopt;
}

bool ExportRecord(const Record& record, ExportFormat format, const std::string& path,
                  std::string& error) {
  const std::optional<std::string> bytes = ExportBytes(record, format, error);
  if (!bytes) return false;
  // The setup value file is written as WriteSetupValueFile does, with the reason kept.
  const FileResult result = ReplaceFile(path, *bytes);
  if (!result.ok()) {
    error = "cannot write " + path + ": " + FailureText(result);
    return false;
  }
  return true;
}

}  // namespace tamarack::records
