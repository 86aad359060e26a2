// Feeds arbitrary bytes to the average weight file loader as a file's content, and every record it
// yields through the conversion that Write and Save apply to the Average Weight field.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "count/aws_file.h"
#include "count/count_wire.h"

namespace {

const std::string& FilePath() {
  static const std::string path = "/tmp/tamarack-aws-fuzz-" + std::to_string(::getpid()) + ".aws";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  std::FILE* file = std::fopen(FilePath().c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  const auto table = ReadAverageWeightFile(FilePath());
  if (!table) std::abort();  // a readable regular file always loads
  const bool full = size == kAverageWeightFileSize;
  for (int item = 0; item < static_cast<int>(kAverageWeightRecords); ++item) {
    const std::string_view record = table->Record(item);
    if (record.size() != kAverageWeightRecordSize) std::abort();
    if (!full && record != kNoAverageWeight) std::abort();
    if (const auto value = AverageWeightValue(record)) {
      if (*value < kMinAverageWeight || AverageWeightDigits(*value).size() != 10) std::abort();
    }
  }
  // The whole input as a typed weight and a count item text.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto value = AverageWeightValue(text)) {
    if (*value < kMinAverageWeight) std::abort();
  }
  if (CountItem(text).size() != 2) std::abort();
  return 0;
}
