#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/setup_history.h"
#include "setup/setup_model.h"
#include "ui/modal_dialog.h"

class QTreeWidget;
class QPushButton;

namespace tamarack {

// "History": the reads kept of this indicator's setups, newest first, with their time, port,
// version and how many values would differ from the current column. A damaged file is listed as
// unreadable and cannot be chosen.
class CHistoryDlg : public CModalDlg {
  Q_OBJECT

 public:
  CHistoryDlg(const SetupHistory& history, const SetupModel& model, QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QPushButton* LoadButton() const { return load_; }
  QPushButton* CancelButton() const { return cancel_; }
  // The record of the selected row when it is readable.
  std::optional<std::string> Selected() const;

 private:
  std::vector<HistoryEntry> entries_;
  QTreeWidget* list_;
  QPushButton* load_;
  QPushButton* cancel_;
};

}  // namespace tamarack
