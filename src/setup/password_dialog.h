#pragma once

#include <string_view>

#include "feedback/user_feedback.h"
#include "setup/access_code.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLineEdit;
class QPushButton;

namespace tamarack {

// The password gate: asks for the access code before an operation that must not happen by
// accident. Ends with kCodeAccepted when the code was entered, kGaveUp when the user chose Cancel
// after a wrong entry; there is no other way out and no limit on the tries.
class CPasswordDlg : public CModalDlg {
  Q_OBJECT

 public:
  static constexpr int kCodeAccepted = 0;
  static constexpr int kGaveUp = 1;

  explicit CPasswordDlg(const WindowServices& services, QWidget* parent = nullptr);

  // "OK": checks the entry; a wrong one asks Retry (empty the field and try again) or Cancel.
  void OnOk();

  QLineEdit* Field() const { return field_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  UserFeedback& ui_;
  QLineEdit* field_;
  QPushButton* ok_;
};

}  // namespace tamarack
