#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "link/line_finder.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tamarack {

// The "Find Indicator" window: looks for the indicator on the chosen port, or on every port of
// the list with "All ports", showing the setting being tried. It ends after a search that found
// the indicator or found nothing; "Cancel" stops a search at the next try, or closes the window.
class CFindDlg : public CModalDlg {
  Q_OBJECT

 public:
  // `chosen` is the port of the Comm list; `others` the rest of the ports that exist.
  CFindDlg(FinderPort chosen, std::vector<FinderPort> others, FinderLinkFactory factory,
           const WindowServices& services, QWidget* parent = nullptr);

  // "Find": runs the search and tells the user how it went.
  void OnFind();
  // "Cancel": stops a running search, or closes the window.
  void OnCancel();

  // Where the indicator answered, once a search found it.
  const std::optional<FinderResult>& Found() const { return found_; }
  // How the last search ended.
  const std::optional<FinderResult>& Last() const { return last_; }

  QCheckBox* AllPortsBox() const { return allPorts_; }
  QPushButton* FindButton() const { return find_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Running() const { return running_; }

 private:
  FinderPort chosen_;
  std::vector<FinderPort> others_;
  FinderLinkFactory factory_;
  UserFeedback& ui_;
  bool running_ = false;
  bool cancelled_ = false;
  std::optional<FinderResult> found_;
  std::optional<FinderResult> last_;
  QCheckBox* allPorts_ = nullptr;
  QLabel* trying_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* find_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace tamarack
