// Feeds arbitrary bytes to the setup value file loader as a file's content: the content must load
// by the rules or be refused with its message, and leave only listed options selected.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "setup/setup_value_file.h"
#include "support/recording_feedback.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const SetupModel opening = OpeningModel("07-12-2026", "09:30:45");
  SetupModel model = opening;
  test::RecordingFeedback ui;
  const bool changed = LoadSetupContent(bytes, model, ui);

  if (size == 0 && (changed || !ui.messages.empty())) std::abort();
  if (size > kMaxSetupFileSize &&
      (changed || ui.messages.size() != 1 || ui.messages[0].text != kSetupFileError)) {
    std::abort();
  }
  if (size > 0 && size <= kMaxSetupFileSize && (!changed || !ui.messages.empty())) std::abort();
  for (const SetupParam& p : SetupParams()) {
    const int code = model.choice[RowIndex(p)];
    if (p.kind != ParamKind::kChoice && code != -1) std::abort();
    if (code < -1 || code >= static_cast<int>(p.options.size())) std::abort();
  }
  // Every loaded text is a piece of the content.
  for (const std::string& text : model.newValue) {
    if (changed && bytes.find(text) == std::string_view::npos) std::abort();
  }
  if (model.valueModified || model.caption != kCaptionFactoryDefault) std::abort();
  return 0;
}
