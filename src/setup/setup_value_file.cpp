#include "setup/setup_value_file.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tamarack {
namespace {

namespace fs = std::filesystem;

// The table rows that the record holds, F1.1 to F7.2.
std::span<const SetupParam> RecordParams() {
  return SetupParams().first(kSetupFileFieldCount);
}

void ApplyField(const SetupParam& param, std::string_view field, SetupModel& model) {
  if (const int slot = NewValueSlot(param); slot >= 0) {
    model.newValue[static_cast<std::size_t>(slot)] = std::string(field);
  } else if (param.kind == ParamKind::kChoice) {
    // Every option text begins with its code digit, so the shown text of the option selected here
    // is the field's own text wherever that names an option: selecting by code is enough.
    const long long code = LeadingInteger(field);
    const bool listed = code >= 0 && code < static_cast<long long>(param.options.size());
    model.choice[RowIndex(param)] = listed ? static_cast<int>(code) : -1;
  }
}

#if !defined(_WIN32)
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Creates a fresh file beside `target` that no one else uses, honouring the process's umask.
int CreateTemporary(const fs::path& target, fs::path& temporary) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target;
    temporary.replace_filename("." + target.filename().string() + "." +
                               std::to_string(::getpid()) + "." + std::to_string(counter++) +
                               ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
#endif

}  // namespace

std::string SetupValueRecord(const SetupModel& model) {
  std::string record;
  const std::span<const SetupParam> params = RecordParams();
  for (std::size_t i = 0; i < params.size(); ++i) {
    const std::string_view text = model.currentValue[i];
    if (params[i].kind == ParamKind::kChoice) {
      record += text.substr(0, 1);
    } else {
      record += text;
    }
    // The last field has no separator after it; an empty one is written as a lone ",".
    if (i + 1 < params.size() || text.empty()) record += ',';
  }
  return record;
}

void ApplySetupRecord(std::string_view record, SetupModel& model) {
  record = record.substr(0, record.find('\0'));
  const std::span<const SetupParam> params = RecordParams();
  for (const SetupParam& param : params) {
    if (const int slot = NewValueSlot(param); slot >= 0) {
      model.newValue[static_cast<std::size_t>(slot)].clear();
    } else {
      model.choice[RowIndex(param)] = -1;  // cleared: no option selected
    }
  }
  for (const SetupParam& param : params) {
    const std::size_t comma = record.find(',');
    if (comma == std::string_view::npos) {
      // The rest of the record is the last field, whatever its length; nothing left is no field.
      if (!record.empty()) ApplyField(param, record, model);
      return;
    }
    const std::string_view field = record.substr(0, comma);
    if (!field.empty() && field.size() <= 6) ApplyField(param, field, model);
    record.remove_prefix(comma + 1);
  }
}

SetupFileRead ReadSetupValueFile(const std::string& path, std::string& record) {
  record.clear();
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return SetupFileRead::kEmpty;
  // Only a regular file is read: a folder, a device or a pipe could block or never end.
  if (error || status.type() != fs::file_type::regular) return SetupFileRead::kError;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size > kMaxSetupFileSize) return SetupFileRead::kError;

  std::ifstream file(path, std::ios::binary);
  if (!file) return SetupFileRead::kError;
  std::array<char, kMaxSetupFileSize + 1> buffer{};
  file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  if (file.bad()) return SetupFileRead::kError;
  const auto count = static_cast<std::size_t>(file.gcount());
  // The file may have grown since its size was taken.
  if (count > kMaxSetupFileSize) return SetupFileRead::kError;
  if (count == 0) return SetupFileRead::kEmpty;
  record.assign(buffer.data(), count);
  return SetupFileRead::kRecord;
}

bool WriteSetupValueFile(const std::string& path, std::string_view record) {
  std::error_code error;
  fs::path target(path);
  const fs::file_status status = fs::status(target, error);
  const bool exists = status.type() != fs::file_type::not_found;
  if (exists) {
    if (error || status.type() != fs::file_type::regular) return false;
    // Replace what a link points at, not the link itself.
    target = fs::canonical(target, error);
    if (error) return false;
  }
  if (target.filename().empty()) return false;
#if defined(_WIN32)
  if (exists && (status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
  fs::path temporary = target;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temporary, error);
      return false;
    }
  }
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
#else
  // A file that may not be written keeps its content, even though the folder would allow
  // replacing it.
  if (exists && ::access(target.c_str(), W_OK) != 0) return false;
  fs::path temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return false;
  struct stat old {};
  bool ok = true;
  if (exists && ::stat(target.c_str(), &old) == 0) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, record) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable; a folder that cannot be synced does not undo the save.
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
#endif
}

bool SaveSetupFile(const std::string& path, const SetupModel& model, UserFeedback& ui) {
  if (WriteSetupValueFile(path, SetupValueRecord(model))) return true;
  ui.Failure(kSetupFileError);
  return false;
}

bool LoadSetupFile(const std::string& path, SetupModel& model, UserFeedback& ui) {
  std::string record;
  switch (ReadSetupValueFile(path, record)) {
    case SetupFileRead::kEmpty:
      return false;
    case SetupFileRead::kError:
      ui.Failure(kSetupFileError);
      return false;
    case SetupFileRead::kRecord:
      break;
  }
  ApplySetupRecord(record, model);
  return true;
}

}  // namespace tamarack
