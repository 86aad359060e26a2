#include "count/aws_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "feedback/operation_scope.h"
#include "ui/text.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
CAwsDlg::CAwsDlg(SerialLink& port, const WindowServices& services, std::string itemText,
                 QWidget* parent)
    : CModalDlg(parent), port_(port), ui_(services.feedback), model_(OpenAws(std::move(itemText))) {
  prompt_ = new QLabel(this);
  prompt_->setObjectName("Prompt");
  prompt_->setMinimumHeight(64);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* itemLabel = new QLabel(FromSingleByte(aws_text::kItemLabel), this);
  item_ = new QLineEdit(this);
  item_->setReadOnly(true);
  item_->setAccessibleName(FromSingleByte(aws_text::kItemLabel));
  itemLabel->setBuddy(item_);

  auto* quantityLabel = new QLabel(FromSingleByte(aws_text::kQuantityLabel), this);
  quantity_ = new QComboBox(this);
  quantity_->setEditable(false);
  for (const std::string_view q : kSampleQuantities) quantity_->addItem(FromSingleByte(q));
  quantity_->setCurrentIndex(InitialSampleQuantityIndex());
  quantity_->setAccessibleName(FromSingleByte(aws_text::kQuantityLabel).trimmed());
  quantityLabel->setBuddy(quantity_);

  action_ = MakeButton(QString(), this);
  exit_ = MakeButton(FromSingleByte(aws_text::kExit), this);
  connect(action_, &QPushButton::clicked, this, &CAwsDlg::OnAction);
  connect(exit_, &QPushButton::clicked, this, &CAwsDlg::OnExit);

  auto* fields = new QGridLayout;
  fields->addWidget(itemLabel, 0, 0);
  fields->addWidget(item_, 0, 1);
  fields->addWidget(quantityLabel, 1, 0);
  fields->addWidget(quantity_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(action_);
  buttons->addWidget(exit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  setMinimumWidth(480);

  relay_ = new ToolTipRelay(this);
  relay_->Add(item_, FromSingleByte(aws_text::kItemTip));
  relay_->Add(quantity_, FromSingleByte(aws_text::kQuantityTip));
  relay_->Add(exit_, FromSingleByte(aws_text::kExitTip));

  Show();
}

void CAwsDlg::Show() {
  SetTitle(AwsTitle(model_.step));
  prompt_->setText(FromSingleByte(AwsPrompt(model_.step)));
  action_->setText(FromSingleByte(AwsCaption(model_.step)));
  action_->setAccessibleName(action_->text());
  item_->setText(FromSingleByte(model_.itemText));
  quantity_->setEnabled(model_.quantityEnabled);
}

void CAwsDlg::OnAction() {
  const OperationScope operation;  // no background poll in between
  model_.quantityText = ToSingleByte(quantity_->currentText());
  const AwsOutcome outcome = AwsPress(model_, port_, ui_);
  Show();
  if (outcome == AwsOutcome::kNextStep) action_->setFocus();
  if (outcome == AwsOutcome::kFinished) done(1);
}

void CAwsDlg::OnExit() {
  done(0);
}

}  // namespace tamarack
