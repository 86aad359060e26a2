#include "app/network_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "net/net_address.h"
#include "ui/text.h"

namespace tamarack {

CNetworkDlg::CNetworkDlg(const WindowServices& services, QWidget* parent)
    : CModalDlg(parent), ui_(services.feedback) {
  setObjectName("CNetworkDlg");
  SetTitle("Network");

  address_ = new QLineEdit(this);
  address_->setPlaceholderText("host:port, e.g. 192.168.1.20:4001");
  address_->setAccessibleName("Address");
  address_->setMinimumWidth(260);
  rfc2217_ = new QRadioButton("RFC 2217 (the line settings are sent to the server)", this);
  rfc2217_->setAccessibleName(rfc2217_->text());
  raw_ = new QRadioButton("Raw TCP (the server keeps its own line settings)", this);
  raw_->setAccessibleName(raw_->text());
  rfc2217_->setChecked(true);

  auto* form = new QFormLayout;
  auto* label = new QLabel("Address", this);
  label->setBuddy(address_);
  form->addRow(label, address_);
  auto* kind = new QVBoxLayout;
  kind->addWidget(rfc2217_);
  kind->addWidget(raw_);
  form->addRow(new QLabel("Protocol", this), kind);

  ok_ = MakeButton("OK", this);
  cancel_ = MakeButton("Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ok_, &QPushButton::clicked, this, &CNetworkDlg::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &CNetworkDlg::OnCancel);
}

void CNetworkDlg::OnOk() {
  std::string error;
  const auto address = ParseHostPort(
      ToUtf8(address_->text()), raw_->isChecked() ? NetScheme::kRaw : NetScheme::kRfc2217, &error);
  if (!address) {
    ui_.Failure(error);
    address_->setFocus();
    return;
  }
  url_ = address->Url();
  done(1);
}

}  // namespace tamarack
