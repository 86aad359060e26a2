#include "count/count_setup_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "count/aws_dialog.h"
#include "count/count_wire.h"
#include "feedback/operation_scope.h"
#include "ui/text.h"

namespace tamarack {
CCountSetupDlg::CCountSetupDlg(SerialLink& port, const WindowServices& services, QWidget* parent)
    : CModalDlg(parent), port_(port), services_(services), ui_(services_.feedback) {
  SetTitle("Count Setup");

  auto* itemLabel = new QLabel("Count Item", this);
  item_ = new QComboBox(this);
  item_->setEditable(false);
  for (int p = 0; p <= kCurrentItemPosition; ++p) {
    item_->addItem(FromSingleByte(CountItemListText(p)));
  }
  item_->setMaxVisibleItems(20);
  item_->setAccessibleName("Count Item");
  itemLabel->setBuddy(item_);

  auto* weightLabel = new QLabel("Average Weight", this);
  weight_ = new QLineEdit(this);
  weight_->setAccessibleName("Average Weight");
  weightLabel->setBuddy(weight_);

  write_ = MakeButton("Write", this);
  read_ = MakeButton("Read", this);
  setup_ = MakeButton("Average Weight Setup", this);
  save_ = MakeButton("Average Weight Save", this);
  load_ = MakeButton("Average Weight Load", this);
  exit_ = MakeButton("Exit", this);
  connect(write_, &QPushButton::clicked, this, &CCountSetupDlg::OnWrite);
  connect(read_, &QPushButton::clicked, this, &CCountSetupDlg::OnRead);
  connect(setup_, &QPushButton::clicked, this, &CCountSetupDlg::OnAverageWeightSetup);
  connect(save_, &QPushButton::clicked, this, &CCountSetupDlg::OnSave);
  connect(load_, &QPushButton::clicked, this, &CCountSetupDlg::OnLoad);
  connect(exit_, &QPushButton::clicked, this, &CCountSetupDlg::OnExit);

  auto* fields = new QGridLayout;
  fields->addWidget(itemLabel, 0, 0);
  fields->addWidget(item_, 0, 1);
  fields->addWidget(weightLabel, 1, 0);
  fields->addWidget(weight_, 1, 1);
  fields->addWidget(write_, 1, 2);
  fields->addWidget(read_, 1, 3);
  auto* files = new QHBoxLayout;
  files->addWidget(setup_);
  files->addWidget(save_);
  files->addWidget(load_);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(exit_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(files);
  layout->addLayout(bottom);

  Show();
}

void CCountSetupDlg::Collect() {
  model_.itemPosition = item_->currentIndex();
  model_.weightText = ToSingleByte(weight_->text());
}

void CCountSetupDlg::Show() {
  item_->setCurrentIndex(model_.itemPosition);
  weight_->setText(FromSingleByte(model_.weightText));
}

std::optional<std::string> CCountSetupDlg::AskFileName() {
  FileDialogSetup setup;
  setup.nameFilters = {"Average Weight Setup File(.aws) (*.aws)", "All Files (*.*)"};
  setup.defaultSuffix = FromSingleByte(kAwsDefaultSuffix);
  setup.initialName = FromSingleByte(kAwsDefaultName);
  // Saving puts one record into the file and keeps the others; loading only reads. Neither
  // replaces what the file holds, so neither asks about replacing it.
  setup.confirmOverwrite = false;
  // A save dialog for Load too, so that a name that does not exist yet is fine.
  const QString name = services_.pickSaveFile(this, setup);
  if (name.isEmpty()) return std::nullopt;
  return NativePath(name);
}

void CCountSetupDlg::OnWrite() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountWrite(model_, port_, ui_);
  Show();
}

void CCountSetupDlg::OnRead() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountRead(model_, port_, ui_);
  Show();
}

void CCountSetupDlg::OnAverageWeightSetup() {
  Collect();
  CAwsDlg wizard(port_, services_, CountItemText(model_), this);
  const int result = services_.runWindow(wizard);
  const OperationScope operation;  // the wizard's own steps hold theirs
  CountAfterAws(model_, port_, ui_, result);
  Show();
}

void CCountSetupDlg::OnSave() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountSave(model_, port_, ui_, [this] { return AskFileName(); });
  Show();
}

void CCountSetupDlg::OnLoad() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountLoad(model_, port_, ui_, [this] { return AskFileName(); });
  Show();
}

void CCountSetupDlg::OnExit() {
  const OperationScope operation;  // no background poll in between
  CountExit(port_, ui_);
  done(1);
}

}  // namespace tamarack
