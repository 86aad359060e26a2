#include "setup/setup_model.h"

namespace tamarack {

std::size_t RowIndex(const SetupParam& param) {
  return static_cast<std::size_t>(&param - SetupParams().data());
}

int NewValueSlot(const SetupParam& param) {
  if (param.kind != ParamKind::kNumber) return -1;
  int slot = 0;
  for (const SetupParam& p : SetupParams()) {
    if (&p == &param) return slot;
    if (p.kind == ParamKind::kNumber) ++slot;
  }
  return -1;
}

void PutFactoryDefaults(SetupModel& model) {
  for (const SetupParam& p : SetupParams()) {
    const std::size_t row = RowIndex(p);
    model.choice[row] = p.kind == ParamKind::kChoice ? p.defaultCode : -1;
    if (const int slot = NewValueSlot(p); slot >= 0) {
      model.newValue[static_cast<std::size_t>(slot)] = std::string(p.defaultText);
    }
  }
}

SetupModel OpeningModel(std::string_view dateText, std::string_view timeText) {
  SetupModel model;
  PutFactoryDefaults(model);
  model.dateText = std::string(dateText);
  model.timeText = std::string(timeText);
  return model;
}

}  // namespace tamarack
