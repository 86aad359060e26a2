// Feeds arbitrary bytes to the average weight file loader as a file's content, and every record it
// yields through the conversion that Write and Save apply to the Average Weight field.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "count/aws_file.h"
#include "count/count_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const AverageWeightTable table = AverageWeightTable::FromContent(std::span(text));
  const bool full = size == kAverageWeightFileSize;
  for (int item = 0; item < static_cast<int>(kAverageWeightRecords); ++item) {
    const std::string_view record = table.Record(item);
    if (record.size() != kAverageWeightRecordSize) std::abort();
    if (full && record != text.substr(kAverageWeightRecordSize * static_cast<std::size_t>(item),
                                      kAverageWeightRecordSize)) {
      std::abort();
    }
    if (!full && record != kNoAverageWeight) std::abort();
    if (const auto value = AverageWeightValue(record)) {
      if (*value < kMinAverageWeight || AverageWeightDigits(*value).size() != 10) std::abort();
    }
  }
  // The whole input as a typed weight and a count item text.
  if (const auto value = AverageWeightValue(text)) {
    if (*value < kMinAverageWeight) std::abort();
  }
  if (CountItem(text).size() != 2) std::abort();
  return 0;
}
