#include "count/aws_file.h"

#include <algorithm>
#include <cassert>

#include "files/replace_file.h"
#include "files/small_file.h"

namespace tamarack {

AverageWeightTable::AverageWeightTable() {
  bytes_.fill('9');
}

AverageWeightTable AverageWeightTable::FromContent(std::span<const char> content) {
  AverageWeightTable table;
  if (content.size() == kAverageWeightFileSize) {
    std::copy(content.begin(), content.end(), table.bytes_.begin());
  }
  return table;
}

std::string_view AverageWeightTable::Record(int item) const {
  assert(item >= 0 && static_cast<std::size_t>(item) < kAverageWeightRecords);
  return {bytes_.data() + kAverageWeightRecordSize * static_cast<std::size_t>(item),
          kAverageWeightRecordSize};
}

void AverageWeightTable::SetRecord(int item, std::string_view record) {
  assert(item >= 0 && static_cast<std::size_t>(item) < kAverageWeightRecords);
  assert(record.size() == kAverageWeightRecordSize);
  std::copy(record.begin(), record.end(),
            bytes_.begin() + static_cast<std::ptrdiff_t>(kAverageWeightRecordSize *
                                                         static_cast<std::size_t>(item)));
}

std::string AverageWeightRecord(std::string_view weightText) {
  if (weightText.size() >= kAverageWeightRecordSize) {
    return std::string(weightText.substr(0, kAverageWeightRecordSize));
  }
  return std::string(kAverageWeightRecordSize - weightText.size(), '0') + std::string(weightText);
}

std::optional<AverageWeightTable> ReadAverageWeightFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // One byte more than a table tells a longer file apart, however long it is.
  const SmallFile file =
      ReadSmallFile(path, kAverageWeightFileSize + 1, IfMissing::kReadEmpty, IfLonger::kCut);
  if (!file.result.ok()) return std::nullopt;
  return AverageWeightTable::FromContent(file.bytes);
}

bool WriteAverageWeightFile(const std::string& path, const AverageWeightTable& table) {
  const std::span<const char> bytes = table.Bytes();
  return ReplaceFile(path, std::string_view(bytes.data(), bytes.size())).ok();
}

}  // namespace tamarack
