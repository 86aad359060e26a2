#include "setup/calibration_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "feedback/operation_scope.h"
#include "ui/text.h"

namespace tamarack {
CCalibrationDlg::CCalibrationDlg(SerialLink& port, const WindowServices& services, QWidget* parent)
    : CModalDlg(parent), port_(port), ui_(services.feedback), model_(CalibrationModel::Initial()) {
  prompt_ = new QLabel(this);
  prompt_->setObjectName("Prompt");
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  prompt_->setMinimumHeight(prompt_->fontMetrics().lineSpacing() * 4 + 4);

  auto* frame = new QGroupBox(this);
  auto* label = new QLabel("Test Weight", frame);
  testWeight_ = new QLineEdit(frame);
  testWeight_->setAccessibleName("Test Weight");
  label->setBuddy(testWeight_);
  auto* entry = new QHBoxLayout(frame);
  entry->addWidget(label);
  entry->addWidget(testWeight_, 1);

  action_ = MakeButton(QString(), this);
  exit_ = MakeButton("Exit", this);
  connect(action_, &QPushButton::clicked, this, &CCalibrationDlg::OnAction);
  connect(exit_, &QPushButton::clicked, this, &CCalibrationDlg::OnExit);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(action_, 1);
  buttons->addStretch(1);
  buttons->addWidget(exit_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  setMinimumWidth(520);

  Show();
}

void CCalibrationDlg::Show() {
  SetTitle(model_.title);
  prompt_->setText(FromSingleByte(model_.prompt));
  action_->setText(FromSingleByte(model_.caption));
  action_->setAccessibleName(action_->text());
  testWeight_->setText(FromSingleByte(model_.testWeight));
  testWeight_->setEnabled(model_.testWeightEnabled);
  switch (model_.focus) {
    case CalibrationFocus::kTestWeight:
      testWeight_->setFocus();
      break;
    case CalibrationFocus::kActionButton:
      action_->setFocus();
      break;
    case CalibrationFocus::kUnchanged:
      break;
  }
}

void CCalibrationDlg::OnAction() {
  const OperationScope operation;  // no background poll in between
  model_.testWeight = ToSingleByte(testWeight_->text());
  PressCalibrationAction(model_, port_, ui_);
  Show();
  if (model_.ended) done(kFinished);
}

void CCalibrationDlg::OnExit() {
  done(CalibrationFinishedOnExit(model_) ? kFinished : kNotFinished);
}

}  // namespace tamarack
