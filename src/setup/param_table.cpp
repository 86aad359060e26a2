#include "setup/param_table.h"

namespace tamarack {

const SetupParam* FindParam(ParamAddress address) {
  for (const SetupParam& param : SetupParams()) {
    if (param.address == address) return &param;
  }
  return nullptr;
}

const SetupParam* FindParam(std::string_view displayNumber) {
  for (const SetupParam& param : SetupParams()) {
    if (param.displayNumber == displayNumber) return &param;
  }
  return nullptr;
}

}  // namespace tamarack
