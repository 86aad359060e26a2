#pragma once

// A model just after a complete Read All, for tests of what is done with a read.

#include <string>
#include <string_view>

#include "setup/param_codec.h"
#include "setup/param_table.h"
#include "setup/setup_handlers.h"
#include "setup/setup_model.h"

namespace tamarack::test {

inline std::size_t RowOf(std::string_view number) {
  return RowIndex(*FindParam(number));
}
inline std::string& NewValueOf(SetupModel& model, std::string_view number) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(number)))];
}

// A complete read that matches the opening column, where the calibration counts have been typed.
inline SetupModel AfterRead() {
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  for (const SetupParam& p : SetupParams()) {
    std::string& current = model.currentValue[RowIndex(p)];
    switch (p.kind) {
      case ParamKind::kNumber:
        current = "000000";
        break;
      case ParamKind::kChoice:
        current = ChoiceShownText(p, p.defaultCode);
        break;
      case ParamKind::kVersion:
        current = "1.00";
        break;
      case ParamKind::kDate:
        current = "07-12-26";
        break;
      case ParamKind::kTime:
        current = "09:30:45";
        break;
    }
  }
  model.currentValue[RowOf("F1.1")] = "010000";
  model.currentValue[RowOf("F6.2")] = "000100";
  model.currentValue[RowOf("F6.3")] = "010000";
  model.currentValue[RowOf("F3.1")] = "001000";
  NewValueOf(model, "F3.1") = "1000";
  NewValueOf(model, "F3.2") = "500";
  model.currentValue[RowOf("F3.2")] = "000500";
  NewValueOf(model, "F3.3") = "20000";
  model.currentValue[RowOf("F3.3")] = "020000";
  return model;
}

}  // namespace tamarack::test
