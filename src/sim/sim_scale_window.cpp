#include "sim/sim_scale_window.h"

#include <QCheckBox>
#include <QComboBox>
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
#include "ui/text.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
namespace {

using sim::FaultPlan;
using sim::SimulatedIndicator;

constexpr int kMaxNextReplies = 99;

constexpr Position kPositions[] = {Position::kCentre, Position::kFrontLeft, Position::kFrontRight,
                                   Position::kBackLeft, Position::kBackRight};

// One field of the Errors group: its label, its tip and the error it sets.
struct ErrorField {
  const char* label;
  const char* tip;
  bool percent;
  bool signedValue;
  double sim::ScaleErrors::*field;  // null for a quarter of the platform
  Position corner;
};

// Two to a row, as laid out.
constexpr ErrorField kErrorFields[] = {
    {"Span (%)", "An error in proportion to the load, in percent of it", true, true,
     &sim::ScaleErrors::spanPct, Position::kCentre},
    {"Curve (e)", "Nonlinearity: this many e at half of Max, none at zero and at Max", false, true,
     &sim::ScaleErrors::curveE, Position::kCentre},
    {"Front left (%)", "A load at the front left of the platform reads this many percent more",
     true, true, nullptr, Position::kFrontLeft},
    {"Front right (%)", "A load at the front right of the platform reads this many percent more",
     true, true, nullptr, Position::kFrontRight},
    {"Back left (%)", "A load at the back left of the platform reads this many percent more", true,
     true, nullptr, Position::kBackLeft},
    {"Back right (%)", "A load at the back right of the platform reads this many percent more",
     true, true, nullptr, Position::kBackRight},
    {"Hysteresis (e)", "A decreasing load reads this many e higher", false, true,
     &sim::ScaleErrors::hysteresisE, Position::kCentre},
    {"Noise (e)", "The standard deviation of each A/D reading, in e (seeded: a run repeats)", false,
     false, &sim::ScaleErrors::noiseE, Position::kCentre},
    {"Creep (e/min)",
     "The drift a minute after a load change, the way the load went, for 30 minutes", false, false,
     &sim::ScaleErrors::creepE, Position::kCentre},
    {"Vibration (e)",
     "A steady shake of the platform at 1.7 Hz, this many e; the digital filters calm it", false,
     false, &sim::ScaleErrors::vibrationE, Position::kCentre},
};

double& ErrorOf(sim::ScaleErrors& errors, const ErrorField& f) {
  return f.field != nullptr ? errors.*f.field : errors.CornerPct(f.corner);
}

// "Front left": the position's words with a capital.
QString PositionCaption(Position position) {
  QString text = FromSingleByte(std::string(PositionText(position)));
  text[0] = text[0].toUpper();
  return text;
}

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
  TitleWindow(*this, "Simulated Scale");
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
  tips_ = new ToolTipRelay(this);
  dynamics_ = new QCheckBox("Dynamics", scale);
  dynamics_->setAccessibleName("Dynamics");
  dynamics_->setChecked(now.dynamics);
  tips_->Add(dynamics_,
             "A load settles through a damped swing that the sample rate and the digital filters "
             "(F1.6 to F1.9) shape, and the Stable lamp follows the motion band (F1.4)");
  auto* positionLabel = new QLabel("Position", scale);
  position_ = new QComboBox(scale);
  position_->setAccessibleName("Position");
  for (const Position p : kPositions) position_->addItem(PositionCaption(p));
  position_->setCurrentIndex(static_cast<int>(now.position));
  positionLabel->setBuddy(position_);
  tips_->Add(position_, "Where on the platform the load lies; the eccentricity errors follow it");
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
  scaleGrid->addWidget(dynamics_, 2, 2);
  scaleGrid->addWidget(positionLabel, 3, 0);
  scaleGrid->addWidget(position_, 3, 1, 1, 2);

  QGroupBox* errors = MakeErrorsGroup(now.errors);

  // The faults.
  auto* faultBox = new QGroupBox("Faults", this);
  faults_ = new QListWidget(faultBox);
  faults_->setAccessibleName("Faults");
  for (int k = 0; k < sim::kFaultKindCount; ++k) {
    faults_->addItem(FromSingleByte(sim::FaultKindName(static_cast<sim::FaultKind>(k))));
  }
  faults_->setCurrentRow(0);
  // Every fault in sight, without a scroll bar: three to a column, side by side, so that the
  // Errors fit above. (A list that wraps keeps no room for a scroll bar it never needs.)
  constexpr int kFaultRows = 3;
  faults_->setFlow(QListView::TopToBottom);
  faults_->setWrapping(true);
  faults_->setResizeMode(QListView::Adjust);
  faults_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The wrapping wants a pixel more than the rows take.
  faults_->setFixedHeight(faults_->sizeHintForRow(0) * kFaultRows + 2 * faults_->frameWidth() + 1);
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
  // A ticket roll of about 32 characters, a ticket high, taller as the window is.
  tickets_->setMinimumSize(tickets_->fontMetrics().horizontalAdvance(QString(34, 'M')),
                           tickets_->fontMetrics().lineSpacing() * 6);
  tickets_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  clear_ = MakeButton("Clear", printer);
  auto* printerLayout = new QVBoxLayout(printer);
  printerLayout->addWidget(tickets_, 1);
  printerLayout->addWidget(clear_, 0, Qt::AlignRight);

  // One narrow column, so that the window fits beside the live indicator window.
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scale);
  layout->addWidget(errors);
  layout->addWidget(faultBox);
  layout->addWidget(printer, 1);

  connect(load_, &QDoubleSpinBox::valueChanged, this, &CSimScaleWindow::OnLoad);
  connect(slider_, &QSlider::valueChanged, this,
          [this](int steps) { load_->setValue(static_cast<double>(steps) / kSliderStepsPerKg); });
  connect(motion_, &QCheckBox::toggled, this, [this](bool moving) {
    simulator_.Post([moving](SimulatedIndicator& m, FaultPlan&) { m.SetMotion(moving); });
  });
  connect(dynamics_, &QCheckBox::toggled, this, [this](bool on) {
    simulator_.Post([on](SimulatedIndicator& m, FaultPlan&) { m.SetDynamics(on); });
  });
  connect(position_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kPositions))) return;
    const Position p = kPositions[index];
    simulator_.Post([p](SimulatedIndicator& m, FaultPlan&) { m.SetPosition(p); });
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

const std::vector<QString>& CSimScaleWindow::ErrorFieldNames() {
  static const std::vector<QString> names = [] {
    std::vector<QString> out;
    for (const ErrorField& f : kErrorFields) out.push_back(f.label);
    return out;
  }();
  return names;
}

QGroupBox* CSimScaleWindow::MakeErrorsGroup(const sim::ScaleErrors& shown) {
  auto* group = new QGroupBox("Errors", this);
  auto* grid = new QGridLayout(group);
  sim::ScaleErrors values = shown;
  for (const ErrorField& f : kErrorFields) {
    const int at = static_cast<int>(errorFields_.size());
    auto* label = new QLabel(f.label, group);
    auto* field = new QDoubleSpinBox(group);
    const double most = f.percent ? sim::kMaxErrorPct : sim::kMaxErrorE;
    field->setRange(f.signedValue ? -most : 0, most);
    field->setDecimals(f.percent ? 3 : 2);
    field->setSingleStep(f.percent ? 0.01 : 0.1);
    field->setValue(ErrorOf(values, f));
    field->setAccessibleName(f.label);
    label->setBuddy(field);
    tips_->Add(field, f.tip);
    grid->addWidget(label, at / 2, (at % 2) * 2);
    grid->addWidget(field, at / 2, (at % 2) * 2 + 1);
    errorFields_.push_back(field);
    connect(field, &QDoubleSpinBox::valueChanged, this, &CSimScaleWindow::OnErrors);
  }
  return group;
}

void CSimScaleWindow::OnErrors() {
  std::vector<double> shown;
  for (const QDoubleSpinBox* field : errorFields_) shown.push_back(field->value());
  simulator_.Post([shown](SimulatedIndicator& m, FaultPlan&) {
    sim::ScaleErrors errors = m.Errors();  // keeps the seed
    for (std::size_t i = 0; i < shown.size(); ++i) ErrorOf(errors, kErrorFields[i]) = shown[i];
    m.SetErrors(errors);
  });
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
