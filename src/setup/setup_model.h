#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "setup/param_table.h"

namespace tamarack {

class SetupJournal;

// The Number parameters, whose editable fields are text fields: F1.1, F3.1 … F3.3, F6.2, F6.3,
// F7.1, F7.2.
inline constexpr std::size_t kNewValueCount = 8;

// The caption over the editable column.
inline constexpr std::string_view kCaptionFactoryDefault = "Factory Default";
inline constexpr std::string_view kCaptionNewValue = "New Value";

// Everything the setup window's handlers read and change. The window copies its widgets into it
// before a handler runs and shows it back afterwards.
struct SetupModel {
  // The indicator's values as last read completely, in table order ("" until then).
  std::array<std::string, kSetupParamCount> currentValue;
  // The values (six characters, as sent) that single writes and Write All put into the indicator
  // since the last complete read, in table order ("" where none was written).
  std::array<std::string, kSetupParamCount> writtenValue;
  // The text fields of the eight Number parameters, in table order.
  std::array<std::string, kNewValueCount> newValue;
  // The selected item of each Choice row's drop-down list (its position, which is the option's
  // code); -1 for rows that are not Choices and for a list without a selection.
  std::array<int, kSetupParamCount> choice{};
  // The date and time pickers' texts as shown: "dd-MM-yyyy" and "HH:mm:ss".
  std::string dateText;
  std::string timeText;
  // A written value that the indicator has not been told to keep yet.
  bool valueModified = false;
  // Set only while Write All runs the date and time writes: they then report failures only.
  bool silentDateTimeWrite = false;
  std::string caption = std::string(kCaptionFactoryDefault);
  // Told of every complete read and every operation; none: nothing is kept.
  SetupJournal* journal = nullptr;
};

// The position of a row in table order.
std::size_t RowIndex(const SetupParam& param);
// The row's slot in SetupModel::newValue, or -1 when it is not a Number.
int NewValueSlot(const SetupParam& param);

// The window as it opens: empty current values, the factory defaults in the editable column,
// the pickers at the given texts, both flags clear, the caption "Factory Default".
SetupModel OpeningModel(std::string_view dateText, std::string_view timeText);

// Puts the factory defaults into the editable column (Number texts and Choice selections).
void PutFactoryDefaults(SetupModel& model);

}  // namespace tamarack
