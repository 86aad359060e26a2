#include "count/aws_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tamarack {

namespace fs = std::filesystem;

AverageWeightTable::AverageWeightTable() { bytes_.fill('9'); }

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
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return AverageWeightTable();
  if (error || status.type() == fs::file_type::directory) return std::nullopt;

  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // One byte more than a table tells a longer file apart; a device never ends otherwise.
  std::array<char, kAverageWeightFileSize + 1> content{};
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (in.bad()) return std::nullopt;
  const auto got = static_cast<std::size_t>(in.gcount());
  return AverageWeightTable::FromContent(std::span<const char>(content.data(), got));
}

namespace {

// A name for the new file beside `target` that nothing else uses at this moment.
fs::path TemporaryName(const fs::path& target, int attempt) {
  static std::atomic<unsigned> counter{0};
  const auto stamp = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%llx-%x-%d.tmp", stamp, counter++, attempt);
  fs::path name = target;
  name += suffix;
  return name;
}

enum class NewFile { kWritten, kNameTaken, kFailed };

#ifndef _WIN32
// Creates `name` (never an existing file) with the bytes; kFailed leaves a created file behind
// for the caller to remove.
NewFile WriteNewFile(const fs::path& name, std::span<const char> bytes, const fs::path& target,
                     bool keepMode) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? NewFile::kNameTaken : NewFile::kFailed;
  bool ok = true;
  if (keepMode) {
    struct stat old {};
    ok = ::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  return ok ? NewFile::kWritten : NewFile::kFailed;
}
#else
NewFile WriteNewFile(const fs::path& name, std::span<const char> bytes, const fs::path&, bool) {
  if (fs::exists(name)) return NewFile::kNameTaken;
  std::ofstream out(name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? NewFile::kWritten : NewFile::kFailed;
}
#endif

bool MayWrite(const fs::path& target) {
#ifndef _WIN32
  return ::access(target.c_str(), W_OK) == 0;
#else
  std::error_code error;
  return (fs::status(target, error).permissions() & fs::perms::owner_write) != fs::perms::none;
#endif
}

}  // namespace

bool WriteAverageWeightFile(const std::string& path, const AverageWeightTable& table) {
  if (path.empty()) return false;
  std::error_code error;
  fs::path target = path;
  const fs::file_status status = fs::status(target, error);
  const bool exists = status.type() != fs::file_type::not_found;
  if (exists) {
    if (error || status.type() != fs::file_type::regular) return false;
    if (!MayWrite(target)) return false;
    // Through a link, replace the file it names, not the link.
    target = fs::canonical(target, error);
    if (error) return false;
  }

  for (int attempt = 0; attempt < 8; ++attempt) {
    const fs::path name = TemporaryName(target, attempt);
    const NewFile written = WriteNewFile(name, table.Bytes(), target, exists);
    if (written == NewFile::kNameTaken) continue;
    if (written == NewFile::kFailed) {
      fs::remove(name, error);
      return false;
    }
    fs::rename(name, target, error);
    if (error) {
      fs::remove(name, error);
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace tamarack
