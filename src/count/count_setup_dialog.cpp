#include "count/count_setup_dialog.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "count/aws_dialog.h"
#include "count/count_wire.h"
#include "link/operation_scope.h"
#include "link/product.h"

namespace tamarack {
namespace {

std::string Bytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

CCountSetupDlg::CCountSetupDlg(SerialLink& port, UserFeedback& ui, QWidget* parent)
    : CModalDlg(parent), port_(port), ui_(ui) {
  setWindowTitle(QString::fromStdString(WindowTitle("Count Setup")));

  auto* itemLabel = new QLabel("Count Item", this);
  item_ = new QComboBox(this);
  item_->setEditable(false);
  for (int p = 0; p <= kCurrentItemPosition; ++p) {
    item_->addItem(QString::fromStdString(CountItemListText(p)));
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

  saveName_ = [this] { return AskFileName(); };
  loadName_ = saveName_;
  runWizard_ = [this](const std::string& itemText) {
    CAwsDlg wizard(port_, ui_, itemText, this);
    return wizard.exec();
  };
  Show();
}

void CCountSetupDlg::Collect() {
  model_.itemPosition = item_->currentIndex();
  model_.weightText = Bytes(weight_->text());
}

void CCountSetupDlg::Show() {
  item_->setCurrentIndex(model_.itemPosition);
  weight_->setText(Latin1(model_.weightText));
}

std::optional<std::string> CCountSetupDlg::AskFileName() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);  // a name that does not exist yet is fine
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(Latin1(kAwsDefaultSuffix));
  dialog.setNameFilters({"Average Weight Setup File(.aws) (*.aws)", "All Files (*.*)"});
  dialog.selectFile(Latin1(kAwsDefaultName));
  // Saving puts one record into the file and keeps the others; loading only reads. Neither
  // replaces what the file holds, so neither asks about replacing it.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
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
  const int result = runWizard_(CountItemText(model_));
  const OperationScope operation;  // the wizard's own steps hold theirs
  CountAfterAws(model_, port_, ui_, result);
  Show();
}

void CCountSetupDlg::OnSave() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountSave(model_, port_, ui_, saveName_);
  Show();
}

void CCountSetupDlg::OnLoad() {
  const OperationScope operation;  // no background poll in between
  Collect();
  CountLoad(model_, port_, ui_, loadName_);
  Show();
}

void CCountSetupDlg::OnExit() {
  const OperationScope operation;  // no background poll in between
  CountExit(port_, ui_);
  done(1);
}

}  // namespace tamarack
