// Feeds arbitrary bytes to the setup value file loader as a file's content: the file must load by
// the rules or be refused, never change on disk, and leave only listed options selected.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "setup/setup_value_file.h"
#include "support/recording_feedback.h"

namespace {

const std::string& FilePath() {
  static const std::string path = "/tmp/tamarack-stx-fuzz-" + std::to_string(::getpid()) + ".stx";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) std::abort();
  }

  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  test::RecordingFeedback ui;
  const bool changed = LoadSetupFile(FilePath(), model, ui);

  if (size == 0 && (changed || !ui.messages.empty())) std::abort();
  if (size > kMaxSetupFileSize && (changed || ui.messages.size() != 1)) std::abort();
  if (size > 0 && size <= kMaxSetupFileSize && (!changed || !ui.messages.empty())) std::abort();
  for (const SetupParam& p : SetupParams()) {
    const int code = model.choice[RowIndex(p)];
    if (p.kind != ParamKind::kChoice && code != -1) std::abort();
    if (code < -1 || code >= static_cast<int>(p.options.size())) std::abort();
  }
  // Every loaded text is a piece of the file.
  for (const std::string& text : model.newValue) {
    if (changed && bytes.find(text) == std::string::npos) std::abort();
  }
  if (model.valueModified || model.caption != kCaptionFactoryDefault) std::abort();

  std::ifstream in(FilePath(), std::ios::binary);
  const std::string after{std::istreambuf_iterator<char>(in), {}};
  if (after != bytes) std::abort();
  return 0;
}
