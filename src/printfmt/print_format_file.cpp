#include "printfmt/print_format_file.h"

#include <cstdio>
#include <random>
#include <system_error>

namespace tamarack {
namespace {

namespace fs = std::filesystem;

std::FILE* OpenFile(const fs::path& path, const char* mode) {
  return std::fopen(path.string().c_str(), mode);
}

}  // namespace

std::string DefaultFormatFileName(FormatMode mode) {
  return mode == FormatMode::NFMT ? "NFMT_1.fmt" : "GFMT_1.fmt";
}

std::optional<std::string> ReadFormatFile(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return std::string();
  if (ec || fs::is_directory(status)) return std::nullopt;
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string bytes(kMaxFormatText, '\0');
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  bytes.resize(n);
  return bytes;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Open(const fs::path& path) {
  Discard();
  std::error_code ec;
  target_ = path;
  // Replace what a link points at, not the link itself.
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    target_ = fs::weakly_canonical(path, ec);
    if (ec) return false;
  }
  const fs::file_status status = fs::status(target_, ec);
  if (fs::is_directory(status)) return false;
  if (fs::exists(status)) {
    // Opening for appending writes nothing but fails on a file the user may not change.
    std::FILE* probe = OpenFile(target_, "ab");
    if (probe == nullptr) return false;
    std::fclose(probe);
  }
  const fs::path dir = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path candidate =
        dir / ("." + target_.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp");
    // "x": never reuse a file that is already there.
    std::FILE* file = OpenFile(candidate, "wbx");
    if (file != nullptr) {
      std::fclose(file);
      temp_ = std::move(candidate);
      open_ = true;
      return true;
    }
    if (fs::exists(candidate, ec)) continue;
    return false;
  }
  return false;
}

bool AtomicFileWriter::Commit(std::string_view bytes) {
  if (!open_) return false;
  std::FILE* file = OpenFile(temp_, "wb");
  bool ok = file != nullptr;
  if (ok) {
    ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
  }
  std::error_code ec;
  if (ok) {
    // Keep the old file's permissions.
    const fs::file_status old = fs::status(target_, ec);
    if (!ec && fs::exists(old)) fs::permissions(temp_, old.permissions(), ec);
    ec.clear();
    fs::rename(temp_, target_, ec);
    ok = !ec;
  }
  if (ok) {
    open_ = false;
    temp_.clear();
  } else {
    Discard();
  }
  return ok;
}

void AtomicFileWriter::Discard() {
  if (!open_) return;
  std::error_code ec;
  fs::remove(temp_, ec);
  temp_.clear();
  open_ = false;
}

}  // namespace tamarack
