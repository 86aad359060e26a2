#pragma once

#include <string>

#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tamarack {

// Asks for the address of a serial device server: host and port, and whether it passes raw bytes
// or speaks RFC 2217. OK accepts only an address that reads; what is wrong is said in a message.
class CNetworkDlg : public CModalDlg {
  Q_OBJECT

 public:
  explicit CNetworkDlg(const WindowServices& services, QWidget* parent = nullptr);

  // "OK": checks the address; accepts the window with Url() set, or tells what is wrong.
  void OnOk();
  // "Cancel".
  void OnCancel() { done(0); }

  // The chosen address as "socket://host:port" or "rfc2217://host:port" after OK.
  const std::string& Url() const { return url_; }

  QLineEdit* AddressField() const { return address_; }
  QRadioButton* RawChoice() const { return raw_; }
  QRadioButton* Rfc2217Choice() const { return rfc2217_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  UserFeedback& ui_;
  QLineEdit* address_ = nullptr;
  QRadioButton* raw_ = nullptr;
  QRadioButton* rfc2217_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::string url_;
};

}  // namespace tamarack
