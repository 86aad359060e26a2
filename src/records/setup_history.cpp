#include "records/setup_history.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "files/file_name.h"
#include "files/replace_file.h"
#include "files/small_file.h"
#include "setup/setup_diff.h"
#include "setup/setup_value_file.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecordExtension = ".stx";
constexpr std::string_view kMetaExtension = ".meta";
// Far above any record or metadata file we write; a bigger file is not ours.
constexpr std::size_t kMaxKeptFileSize = 4096;

bool AllDigits(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  std::ranges::replace_if(
      out, [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return out;
}

std::optional<std::string> ReadKeptFile(const fs::path& path, std::string& problem) {
  SmallFile file = ReadSmallFile(BytesFromPath(path), kMaxKeptFileSize);
  if (!file.result.ok()) {
    problem = file.result.error == FileError::kMissing    ? "missing"
              : file.result.error == FileError::kTooLarge ? "too large"
                                                          : FailureText(file.result);
    return std::nullopt;
  }
  return std::move(file.bytes);
}

}  // namespace

std::string HistoryMetaText(const HistoryMeta& meta) {
  return "time=" + OneLine(meta.time) + "\nport=" + OneLine(meta.port) +
         "\nline=" + OneLine(meta.line) + "\nversion=" + OneLine(meta.version) + "\n";
}

std::optional<HistoryMeta> ParseHistoryMeta(std::string_view text) {
  HistoryMeta meta;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string value(line.substr(eq + 1));
    if (key == "time") meta.time = value;
    if (key == "port") meta.port = value;
    if (key == "line") meta.line = value;
    if (key == "version") meta.version = value;
  }
  if (meta.time.empty()) return std::nullopt;
  return meta;
}

bool IsCompleteSetupRecord(std::string_view record) {
  for (const SetupParam& p : SetupParams().first(kSetupFileFieldCount)) {
    const bool last = RowIndex(p) + 1 == kSetupFileFieldCount;
    const std::size_t comma = record.find(',');
    if (last != (comma == std::string_view::npos)) return false;
    const std::string_view field = record.substr(0, comma);
    if (p.kind == ParamKind::kNumber) {
      // A read Number is always its six characters.
      if (field.size() != 6 || !AllDigits(field)) return false;
    } else if (field.size() != 1 || !AllDigits(field) ||
               static_cast<std::size_t>(field[0] - '0') >= p.options.size()) {
      return false;
    }
    if (!last) record.remove_prefix(comma + 1);
  }
  return true;
}

std::string LocalTimeText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string HistoryFileStem(std::time_t when, std::string_view port) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string name(port);
  if (name.starts_with('/')) name.erase(0, 1);
  for (char& c : name) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!plain) c = '-';
  }
  return std::string(stamp) + "-" + (name.empty() ? "port" : name);
}

std::optional<std::string> SetupHistory::Keep(const SetupModel& model, const PortLine& line,
                                              std::time_t when, std::string& error) const {
  const fs::path folder = PathFromBytes(folder_);
  std::error_code code;
  fs::create_directories(folder, code);
  if (code) {
    error = code.message();
    return std::nullopt;
  }
  const std::string stem = HistoryFileStem(when, line.port);
  for (int n = 1; n < 100; ++n) {
    std::string name = stem;
    if (n > 1) name += (n < 10 ? "_0" : "_") + std::to_string(n);
    const fs::path record = folder / (name + std::string(kRecordExtension));
    const fs::path meta = folder / (name + std::string(kMetaExtension));
    if (fs::exists(record, code) || fs::exists(meta, code)) continue;
    HistoryMeta info{LocalTimeText(when), line.port, line.settings.Description(),
                     model.currentValue[RowIndex(Param(kVersionAddress))]};
    if (!ReplaceFile(BytesFromPath(record), SetupValueRecord(model)).ok() ||
        !ReplaceFile(BytesFromPath(meta), HistoryMetaText(info)).ok()) {
      fs::remove(record, code);
      error = "cannot write in " + folder_;
      return std::nullopt;
    }
    return BytesFromPath(record);
  }
  error = "too many reads within one second";
  return std::nullopt;
}

std::vector<HistoryEntry> SetupHistory::List() const {
  std::vector<HistoryEntry> entries;
  std::error_code code;
  for (fs::directory_iterator it(PathFromBytes(folder_), code), end; !code && it != end;
       it.increment(code)) {
    const fs::path path = it->path();
    if (path.extension() != kRecordExtension) continue;
    HistoryEntry entry;
    entry.path = BytesFromPath(path);
    std::string problem;
    const std::optional<std::string> record = ReadKeptFile(path, problem);
    fs::path metaPath = path;
    metaPath.replace_extension(kMetaExtension);
    std::string metaProblem;
    const std::optional<std::string> metaText = ReadKeptFile(metaPath, metaProblem);
    const std::optional<HistoryMeta> meta =
        metaText ? ParseHistoryMeta(*metaText) : std::optional<HistoryMeta>{};
    if (meta) entry.meta = *meta;
    if (!record) {
      entry.problem = "setup file " + problem;
    } else if (!IsCompleteSetupRecord(*record)) {
      entry.problem = "damaged or cut short";
    } else if (!meta) {
      entry.problem = metaText ? "metadata damaged" : "metadata " + metaProblem;
    } else {
      entry.readable = true;
      entry.record = *record;
    }
    entries.push_back(std::move(entry));
  }
  // The names begin with the date and time, so the newest sorts last.
  std::ranges::sort(entries,
                    [](const HistoryEntry& a, const HistoryEntry& b) { return a.path > b.path; });
  return entries;
}

std::optional<std::size_t> DifferencesIfLoaded(const SetupModel& model, std::string_view record) {
  if (!HasCompleteRead(model)) return std::nullopt;
  SetupModel loaded = model;
  ApplySetupRecord(record, loaded);
  return Differences(loaded).size();
}

}  // namespace tamarack
