#include "sim/sim_scale_window.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "ui/accessible.h"
#include "ui/fit_screen.h"
#include "ui/modal_dialog.h"
#include "ui/product.h"
#include "ui/text.h"

namespace tamarack {
namespace {

using sim::FaultPlan;
using sim::SimulatedIndicator;

constexpr int kMaxNextReplies = 99;

// Tickets as a printer's paper roll: the oldest first, each ended by a tear-off line.
QString PaperRoll(const std::vector<std::string>& tickets) {
  QString roll;
  for (const std::string& ticket : tickets) {
    roll += FromSingleByte(ticket);
    if (!roll.endsWith('\n')) roll += '\n';
    roll += QString(24, '-') + '\n';
  }
  return roll;
}

}  // namespace

CSimScaleWindow::CSimScaleWindow(sim::Simulator& simulator, QWidget* parent)
    : QWidget(parent, Qt::Window), simulator_(simulator) {
  setObjectName("CSimScaleWindow");
  KeepAccessible(this);
  setWindowTitle(FromSingleByte(WindowTitle("Simulated Scale")));
  const sim::SimSnapshot now = simulator_.Snapshot();

  // The platform.
  auto* scale = new QGroupBox("Scale", this);
  auto* loadLabel = new QLabel("Load (kg)", scale);
  load_ = new QDoubleSpinBox(scale);
  load_->setDecimals(2);
  load_->setSingleStep(0.1);
  load_->setAccessibleName("Load (kg)");
  loadLabel->setBuddy(load_);
  slider_ = new QSlider(Qt::Horizontal, scale);
  slider_->setAccessibleName("Load (kg) slider");
  slider_->setPageStep(10 * kSliderStepsPerKg);
  capacity_ = new QLabel(scale);
  capacity_->setObjectName("Capacity");
  ShowCapacity(now.capacityKg);
  load_->setValue(now.loadKg);
  slider_->setValue(static_cast<int>(std::lround(now.loadKg * kSliderStepsPerKg)));
  motion_ = new QCheckBox("Motion", scale);
  motion_->setAccessibleName("Motion");
  motion_->setChecked(now.motion);
  caj_ = new QCheckBox("CAJ switch", scale);
  caj_->setAccessibleName("CAJ switch");
  caj_->setChecked(now.caj);
  auto* scaleGrid = new QGridLayout(scale);
  scaleGrid->addWidget(loadLabel, 0, 0);
  scaleGrid->addWidget(load_, 0, 1);
  scaleGrid->addWidget(capacity_, 0, 2);
  scaleGrid->addWidget(slider_, 1, 0, 1, 3);
  scaleGrid->addWidget(motion_, 2, 0);
  scaleGrid->addWidget(caj_, 2, 1);

  // The faults.
  auto* faultBox = new QGroupBox("Faults", this);
  faults_ = new QListWidget(faultBox);
  faults_->setAccessibleName("Faults");
  for (int k = 0; k < sim::kFaultKindCount; ++k) {
    faults_->addItem(FromSingleByte(sim::FaultKindName(static_cast<sim::FaultKind>(k))));
  }
  faults_->setCurrentRow(0);
  // Every fault in sight, without a scroll bar.
  faults_->setFixedHeight(faults_->sizeHintForRow(0) * sim::kFaultKindCount +
                          2 * faults_->frameWidth());
  auto* nextLabel = new QLabel("Next replies", faultBox);
  nextReplies_ = new QSpinBox(faultBox);
  nextReplies_->setRange(1, kMaxNextReplies);
  nextReplies_->setAccessibleName("Next replies");
  nextLabel->setBuddy(nextReplies_);
  inject_ = MakeButton("Inject", faultBox);
  waiting_ = new QLabel(faultBox);
  waiting_->setObjectName("Faults waiting");
  auto* injectRow = new QHBoxLayout;
  injectRow->addWidget(nextLabel);
  injectRow->addWidget(nextReplies_);
  injectRow->addWidget(inject_);
  auto* faultLayout = new QVBoxLayout(faultBox);
  faultLayout->addWidget(faults_);
  faultLayout->addLayout(injectRow);
  faultLayout->addWidget(waiting_);

  // The printer.
  auto* printer = new QGroupBox("Printed Tickets", this);
  tickets_ = new QPlainTextEdit(printer);
  tickets_->setReadOnly(true);
  tickets_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  tickets_->setLineWrapMode(QPlainTextEdit::NoWrap);
  tickets_->setAccessibleName("Printed Tickets");
  // A ticket roll of about 32 characters, a few tickets high.
  tickets_->setMinimumSize(tickets_->fontMetrics().horizontalAdvance(QString(34, 'M')),
                           tickets_->fontMetrics().lineSpacing() * 14);
  clear_ = MakeButton("Clear", printer);
  auto* printerLayout = new QVBoxLayout(printer);
  printerLayout->addWidget(tickets_, 1);
  printerLayout->addWidget(clear_, 0, Qt::AlignRight);

  // One narrow column, so that the window fits beside the live indicator window.
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scale);
  layout->addWidget(faultBox);
  layout->addWidget(printer, 1);

  connect(load_, &QDoubleSpinBox::valueChanged, this, &CSimScaleWindow::OnLoad);
  connect(slider_, &QSlider::valueChanged, this,
          [this](int steps) { load_->setValue(static_cast<double>(steps) / kSliderStepsPerKg); });
  connect(motion_, &QCheckBox::toggled, this, [this](bool moving) {
    simulator_.Post([moving](SimulatedIndicator& m, FaultPlan&) { m.SetMotion(moving); });
  });
  connect(caj_, &QCheckBox::toggled, this, [this](bool on) {
    simulator_.Post([on](SimulatedIndicator& m, FaultPlan&) { m.SetCaj(on); });
  });
  connect(inject_, &QPushButton::clicked, this, &CSimScaleWindow::OnInject);
  connect(clear_, &QPushButton::clicked, this,
          [this] { simulator_.Post([](SimulatedIndicator& m, FaultPlan&) { m.ClearTickets(); }); });

  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &CSimScaleWindow::Refresh);
  refresh_.start();
  Refresh();
  FitToScreen(*this, UsableArea(*this));
}

void CSimScaleWindow::OnLoad(double kg) {
  {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(static_cast<int>(std::lround(kg * kSliderStepsPerKg)));
  }
  simulator_.Post([kg](SimulatedIndicator& m, FaultPlan&) { m.SetLoad(kg); });
}

void CSimScaleWindow::OnInject() {
  const int row = faults_->currentRow();
  if (row < 0 || row >= sim::kFaultKindCount) return;
  const auto fault = static_cast<sim::FaultKind>(row);
  const int count = nextReplies_->value();
  // Held in the plan until the next exchange comes, however long that takes.
  simulator_.Post(
      [fault, count](SimulatedIndicator&, FaultPlan& faults) { faults.InjectNext(fault, count); });
}

void CSimScaleWindow::ShowCapacity(double capacityKg) {
  if (capacityKg == shownCapacity_) return;
  shownCapacity_ = capacityKg;
  // The field refuses a load beyond what the scale weighs; a smaller capacity takes the load down
  // with it.
  load_->setRange(0, capacityKg);
  slider_->setRange(0, static_cast<int>(std::floor(capacityKg * kSliderStepsPerKg)));
  capacity_->setText(QString("of %1 kg").arg(capacityKg, 0, 'f', 2));
}

void CSimScaleWindow::Refresh() {
  const sim::SimSnapshot now = simulator_.Snapshot();
  ShowCapacity(now.capacityKg);
  waiting_->setText(QString("Faults waiting for a reply: %1").arg(now.faultsWaiting));
  if (now.tickets != shownTickets_) {
    shownTickets_ = now.tickets;
    tickets_->setPlainText(PaperRoll(shownTickets_));
    // The newest ticket is the last; keep it in sight.
    tickets_->verticalScrollBar()->setValue(tickets_->verticalScrollBar()->maximum());
  }
}

}  // namespace tamarack
