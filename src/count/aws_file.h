#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// The average weight file (".aws"): exactly 1000 bytes, no header and no separators; record r
// (ten characters at offset 10 * r) belongs to count item r, 0-99. A record never written holds
// "9999999999". A file of any other length reads as if every record held "9999999999".

inline constexpr std::size_t kAverageWeightRecordSize = 10;
inline constexpr std::size_t kAverageWeightRecords = 100;
inline constexpr std::size_t kAverageWeightFileSize =
    kAverageWeightRecordSize * kAverageWeightRecords;

class AverageWeightTable {
 public:
  // Every record "9999999999".
  AverageWeightTable();
  // The table a file's content stands for: the content itself when it is exactly 1000 bytes,
  // otherwise the empty table.
  static AverageWeightTable FromContent(std::span<const char> content);

  // Record `item` (0-99).
  std::string_view Record(int item) const;
  void SetRecord(int item, std::string_view record);
  std::span<const char> Bytes() const { return bytes_; }

 private:
  std::array<char, kAverageWeightFileSize> bytes_;
};

// The record saved for an Average Weight text: the text as typed, padded on the left with "0" to
// ten characters; of a longer text the first ten characters.
std::string AverageWeightRecord(std::string_view weightText);

// Reads an average weight file without ever creating or changing it. A name that does not exist
// reads as an empty file. nullopt when the file exists but cannot be read or is no regular file
// (a folder, device or pipe), and for an empty name.
std::optional<AverageWeightTable> ReadAverageWeightFile(const std::string& path);

// Replaces the file's content by the table atomically (ReplaceFile): on failure the old file, if
// any, stays as it was and no file is left behind. A file that exists but may not be written, or
// that is no regular file, is refused.
bool WriteAverageWeightFile(const std::string& path, const AverageWeightTable& table);

}  // namespace tamarack
