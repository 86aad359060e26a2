#pragma once

#include "feedback/user_feedback.h"
#include "records/record_keeper.h"

class QWidget;

namespace tamarack {

// Opens the program's records once `window` has been drawn the first time, so that neither the
// store nor the first start's import of the history delays the first window. What went wrong is
// told through `ui`, once.
void OpenRecordsWhenShown(QWidget& window, records::RecordKeeper& keeper, UserFeedback& ui);

}  // namespace tamarack
