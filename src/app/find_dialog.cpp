#include "app/find_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "link/comm_port.h"
#include "ui/text.h"

namespace tamarack {

CFindDlg::CFindDlg(FinderPort chosen, std::vector<FinderPort> others, FinderLinkFactory factory,
                   const WindowServices& services, QWidget* parent)
    : CModalDlg(parent),
      chosen_(std::move(chosen)),
      others_(std::move(others)),
      factory_(std::move(factory)),
      ui_(services.feedback) {
  setObjectName("CFindDlg");
  SetTitle("Find Indicator");

  auto* intro = new QLabel(
      FromUtf8("Look for the indicator on " + chosen_.name + " at every line setting."), this);
  allPorts_ = new QCheckBox("All ports", this);
  allPorts_->setAccessibleName("All ports");
  allPorts_->setToolTip("Look on every port of the list, " + FromUtf8(chosen_.name) + " first");
  allPorts_->setAccessibleDescription(allPorts_->toolTip());
  allPorts_->setEnabled(!others_.empty());
  trying_ = new QLabel(this);
  trying_->setObjectName("Setting tried");
  trying_->setMinimumWidth(trying_->fontMetrics().horizontalAdvance('0') * 48);
  progress_ = new QProgressBar(this);
  progress_->setAccessibleName("Progress");
  progress_->setRange(0, 1);
  progress_->setValue(0);
  find_ = MakeButton("Find", this);
  cancel_ = MakeButton("Cancel", this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(find_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(allPorts_);
  layout->addWidget(trying_);
  layout->addWidget(progress_);
  layout->addLayout(buttons);

  connect(find_, &QPushButton::clicked, this, &CFindDlg::OnFind);
  connect(cancel_, &QPushButton::clicked, this, &CFindDlg::OnCancel);
}

void CFindDlg::OnCancel() {
  if (running_) {
    cancelled_ = true;
  } else {
    done(0);
  }
}

void CFindDlg::OnFind() {
  if (running_) return;
  std::vector<FinderPort> ports{chosen_};
  if (allPorts_->isChecked()) ports.insert(ports.end(), others_.begin(), others_.end());

  running_ = true;
  cancelled_ = false;
  find_->setEnabled(false);
  allPorts_->setEnabled(false);
  const FinderResult result = FindIndicator(ports, factory_, [this](const FinderTry& t) {
    trying_->setText(FromUtf8("Trying " + t.setting.Text() + " on " + t.port->name + " (" +
                              std::to_string(t.number) + " of " + std::to_string(t.total) + ")"));
    progress_->setRange(0, t.total);
    progress_->setValue(t.number - 1);
    // Each try blocks for a fraction of a second; a press of "Cancel" is seen before the next.
    QApplication::processEvents();
    return !cancelled_;
  });
  running_ = false;
  last_ = result;
  find_->setEnabled(true);
  allPorts_->setEnabled(!others_.empty());
  progress_->setValue(0);

  switch (result.outcome) {
    case FinderResult::Outcome::kCancelled:
      trying_->setText("Cancelled.");
      return;
    case FinderResult::Outcome::kFound:
      trying_->clear();
      found_ = result;
      ui_.Success(FoundText(result));
      done(1);
      return;
    case FinderResult::Outcome::kNotFound:
      break;
  }
  trying_->clear();
  // Ports that could not be opened at all are reported as opening reports them.
  std::vector<FinderPort> tried;
  for (const FinderPort& port : ports) {
    const bool failed = std::any_of(result.openFailures.begin(), result.openFailures.end(),
                                    [&](const auto& f) { return f.first == port.name; });
    if (!failed) tried.push_back(port);
  }
  if (tried.empty() && !result.openFailures.empty()) {
    ui_.PortError(result.openFailures.front().second);
  } else {
    ui_.Failure(NotFoundText(tried));
  }
  done(0);
}

}  // namespace tamarack
