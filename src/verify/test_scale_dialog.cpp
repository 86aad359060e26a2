#include "verify/test_scale_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "feedback/operation_scope.h"
#include "indicator/weight_series.h"
#include "records/report_pdf.h"
#include "ui/text.h"

namespace tamarack {
namespace {

enum Column { kStep, kTest, kLoad, kPosition, kIndication, kError, kMpe, kResult, kHow, kColumns };

const QColor kFailedRow(255, 214, 214);
const QColor kCurrentRow(255, 244, 196);

QString Joined(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << FromUtf8(line);
  return list.join('\n');
}

void Tip(QWidget* control, const QString& tip) {
  control->setToolTip(tip);
  control->setAccessibleDescription(tip);
}

QLineEdit* Field(QWidget* parent, const QString& name, const QString& tip) {
  auto* field = new QLineEdit(parent);
  field->setAccessibleName(name);
  Tip(field, tip);
  return field;
}

// The plan's test and position cells are chosen from the file's words.
class WordDelegate : public QStyledItemDelegate {
 public:
  WordDelegate(std::vector<std::string_view> words, QObject* parent)
      : QStyledItemDelegate(parent), words_(std::move(words)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* list = new QComboBox(parent);
    for (const std::string_view word : words_) list->addItem(FromUtf8(word));
    return list;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* list = static_cast<QComboBox*>(editor);
    list->setCurrentIndex(std::max(0, list->findText(index.data().toString())));
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText());
  }

 private:
  std::vector<std::string_view> words_;
};

QTableWidgetItem* Cell(const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
  return item;
}

}  // namespace

CTestScaleDlg::CTestScaleDlg(SerialLink& link, const WindowServices& services, Options options,
                             QWidget* parent)
    : CModalDlg(parent),
      link_(link),
      services_(services),
      ui_(services_.feedback),
      options_(std::move(options)) {
  setObjectName("CTestScaleDlg");
  SetTitle("Test Scale");
  if (!options_.exchangeOpen) options_.exchangeOpen = [] { return false; };
  poll_.setSingleShot(true);
  poll_.setTimerType(Qt::PreciseTimer);
  connect(&poll_, &QTimer::timeout, this, &CTestScaleDlg::OnPollTimer);
  Build();
  if (options_.setupValues) {
    ReadInstrument();
  } else {
    // Read once the window shows, so that a failing read has a window to stand over.
    QTimer::singleShot(0, this, [this] {
      if (!read_) ReadInstrument();
    });
  }
}

CTestScaleDlg::~CTestScaleDlg() = default;

void CTestScaleDlg::Build() {
  instrument_ = new QLabel("The instrument has not been read yet.", this);
  instrument_->setWordWrap(true);
  readSetup_ = MakeButton("Read Setup", this);
  Tip(readSetup_, "Read the scale's capacity, division and regulation off the indicator again");

  technician_ = Field(this, "Technician", "Your name, as the certificate gives it");
  weightSet_ = Field(this, "Test weights", "The set of test weights used");
  weightCertificate_ = Field(this, "Weights' certificate",
                             "The number of the test weights' calibration certificate");
  temperature_ = Field(this, "Temperature", "Optional: the temperature at the scale, e.g. 21 °C");
  class_ = new QComboBox(this);
  class_->addItems({"III", "IIII"});
  class_->setAccessibleName("Class");
  Tip(class_, "The scale's accuracy class");
  situation_ = new QComboBox(this);
  situation_->addItems({"Acceptance", "In service"});
  situation_->setAccessibleName("Tolerances");
  Tip(situation_, "Acceptance (a new or repaired scale) or in-service tolerances");
  customer_ = Field(this, "Customer's tolerance",
                    "With F6.1 NONE: the tolerance the customer states, as \"1.5 e\" or a mass");
  stage_ = new QComboBox(this);
  stage_->addItems({kAsFound, kAsLeft, "No stage"});
  stage_->setAccessibleName("Stage");
  Tip(stage_, "As found (before any adjustment) or as left (after it)");
  discrimination_ = new QCheckBox("Discrimination", this);
  Tip(discrimination_, "The default plan adds 1.4 e at half of Max and asks whether it shows");

  auto* details = new QGroupBox("Test", this);
  auto* form = new QGridLayout(details);
  const auto row = [&](int r, int c, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, details);
    label->setBuddy(field);
    form->addWidget(label, r, c * 2);
    form->addWidget(field, r, c * 2 + 1);
  };
  row(0, 0, "Technician", technician_);
  row(1, 0, "Test weights", weightSet_);
  row(2, 0, "Weights' certificate", weightCertificate_);
  row(3, 0, "Temperature", temperature_);
  row(0, 1, "Class", class_);
  row(1, 1, "Tolerances", situation_);
  row(2, 1, "Customer's tolerance", customer_);
  row(3, 1, "Stage", stage_);
  form->addWidget(discrimination_, 4, 3);
  form->setColumnStretch(1, 1);

  auto* scale = new QGroupBox("Scale", this);
  auto* scaleLayout = new QVBoxLayout(scale);
  scaleLayout->addWidget(instrument_);
  auto* readRow = new QHBoxLayout;
  readRow->addStretch();
  readRow->addWidget(readSetup_);
  scaleLayout->addLayout(readRow);

  // The step under way.
  prompt_ = new QLabel(this);
  prompt_->setWordWrap(true);
  QFont big = prompt_->font();
  big.setPointSizeF(big.pointSizeF() * 1.3);
  big.setBold(true);
  prompt_->setFont(big);
  live_ = new QLabel("Display: —", this);
  QFont liveFont = live_->font();
  liveFont.setPointSizeF(liveFont.pointSizeF() * 1.2);
  live_->setFont(liveFont);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  start_ = MakeButton("Start Test", this);
  Tip(start_, "Check the details and the plan, then walk the plan a step at a time");
  take_ = MakeButton("Take Reading", this);
  Tip(take_, "The load is on: take the reading once the display has settled");
  typed_ = Field(this, "Typed reading", "A reading read by eye, at the display's decimals");
  useTyped_ = MakeButton("Use Typed Value", this);
  Tip(useTyped_, "Record the typed reading for this step; the certificate marks it as typed");
  retake_ = MakeButton("Retake", this);
  Tip(retake_, "Take the selected step's reading again (the last one taken when none is selected)");
  yes_ = MakeButton("Yes, It Changed", this);
  Tip(yes_, "The indication changed when the small weight was added");
  no_ = MakeButton("No Change", this);
  Tip(no_, "The indication stayed as it was");

  auto* step = new QGroupBox("Step", this);
  auto* stepLayout = new QGridLayout(step);
  // Two lines of the prompt always fit, so the window does not jump as the prompts change.
  prompt_->setMinimumHeight(prompt_->fontMetrics().lineSpacing() * 2 + 4);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2 + 2);
  stepLayout->addWidget(prompt_, 0, 0, 1, 2);
  stepLayout->addWidget(live_, 1, 0);
  stepLayout->addWidget(status_, 2, 0);
  auto* actions = new QHBoxLayout;
  actions->addWidget(start_);
  actions->addWidget(take_);
  actions->addWidget(yes_);
  actions->addWidget(no_);
  auto* typedLabel = new QLabel("Typed reading", step);
  typedLabel->setBuddy(typed_);
  typed_->setMaximumWidth(120);
  actions->addSpacing(16);
  actions->addWidget(typedLabel);
  actions->addWidget(typed_);
  actions->addWidget(useTyped_);
  actions->addWidget(retake_);
  stepLayout->addLayout(actions, 1, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
  stepLayout->setColumnStretch(0, 1);

  table_ = new QTableWidget(0, kColumns, this);
  table_->setAccessibleName("Plan and results");
  Tip(table_, "The plan's steps and, as the test runs, each reading with its error and result");
  table_->setHorizontalHeaderLabels(
      {"Step", "Test", "Load", "Position", "Indication", "Error", "MPE", "Result", "Reading"});
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Tab leaves the table; the arrows move within it.
  table_->setTabKeyNavigation(false);
  table_->setItemDelegateForColumn(kTest, new WordDelegate(PlanTestWords(), table_));
  table_->setItemDelegateForColumn(kPosition, new WordDelegate(PlanPositionWords(), table_));
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setMinimumSize(760, 250);
  connect(table_, &QTableWidget::itemChanged, this, [this] {
    if (!showingPlan_) planEdited_ = true;
  });

  defaultPlan_ = MakeButton("Default Plan", this);
  Tip(defaultPlan_, "The plan from Max and the tolerance's band edges");
  addStep_ = MakeButton("Add Step", this);
  Tip(addStep_, "Add a step after the selected one");
  removeStep_ = MakeButton("Remove Step", this);
  Tip(removeStep_, "Remove the selected step");
  loadPlan_ = MakeButton("Load Plan…", this);
  Tip(loadPlan_, "Load a plan from a CSV file (test,load,unit,position)");
  savePlan_ = MakeButton("Save Plan…", this);
  Tip(savePlan_, "Save the plan as a CSV file");
  auto* planButtons = new QVBoxLayout;
  for (QPushButton* b : {defaultPlan_, addStep_, removeStep_, loadPlan_, savePlan_}) {
    planButtons->addWidget(b);
  }
  planButtons->addStretch();

  overall_ = new QLabel(this);
  overall_->setFont(big);
  savePdf_ = MakeButton("Save PDF…", this);
  Tip(savePdf_, "Save the certificate as a PDF");
  saveCsv_ = MakeButton("Save CSV…", this);
  Tip(saveCsv_, "Save the certificate as CSV");
  newTest_ = MakeButton("New Test", this);
  Tip(newTest_, "Keep this test and begin another (as left after an adjustment)");
  close_ = MakeButton("Close", this);

  auto* top = new QHBoxLayout;
  top->addWidget(details, 3);
  top->addWidget(scale, 2);
  auto* middle = new QHBoxLayout;
  middle->addWidget(table_, 1);
  middle->addLayout(planButtons);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(overall_, 1);
  for (QPushButton* b : {savePdf_, saveCsv_, newTest_, close_}) bottom->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(step);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  connect(readSetup_, &QPushButton::clicked, this, [this] {
    read_.reset();
    options_.setupValues.reset();
    ReadInstrument();
  });
  connect(start_, &QPushButton::clicked, this, &CTestScaleDlg::OnStart);
  connect(take_, &QPushButton::clicked, this, &CTestScaleDlg::OnTake);
  connect(useTyped_, &QPushButton::clicked, this, &CTestScaleDlg::OnUseTyped);
  connect(retake_, &QPushButton::clicked, this, &CTestScaleDlg::OnRetake);
  connect(yes_, &QPushButton::clicked, this, [this] { OnAnswer(true); });
  connect(no_, &QPushButton::clicked, this, [this] { OnAnswer(false); });
  connect(defaultPlan_, &QPushButton::clicked, this, &CTestScaleDlg::OnDefaultPlan);
  connect(addStep_, &QPushButton::clicked, this, &CTestScaleDlg::OnAddStep);
  connect(removeStep_, &QPushButton::clicked, this, &CTestScaleDlg::OnRemoveStep);
  connect(loadPlan_, &QPushButton::clicked, this, &CTestScaleDlg::OnLoadPlan);
  connect(savePlan_, &QPushButton::clicked, this, &CTestScaleDlg::OnSavePlan);
  connect(savePdf_, &QPushButton::clicked, this, &CTestScaleDlg::OnSavePdf);
  connect(saveCsv_, &QPushButton::clicked, this, &CTestScaleDlg::OnSaveCsv);
  connect(newTest_, &QPushButton::clicked, this, &CTestScaleDlg::OnNewTest);
  connect(close_, &QPushButton::clicked, this, &CTestScaleDlg::OnClose);
  const auto replan = [this] {
    if (!planEdited_ && !run_) OnDefaultPlan();
  };
  connect(class_, &QComboBox::currentIndexChanged, this, replan);
  connect(situation_, &QComboBox::currentIndexChanged, this, replan);
  connect(customer_, &QLineEdit::editingFinished, this, replan);
  connect(discrimination_, &QCheckBox::toggled, this, replan);

  const bool before = !options_.earlier.empty();
  const std::string stage = !options_.stage.empty() ? options_.stage : before ? kAsLeft : kAsFound;
  stage_->setCurrentIndex(std::max(0, stage_->findText(FromUtf8(stage))));
  if (before) {
    const TestDetails& last = options_.earlier.back().setup.details;
    technician_->setText(FromUtf8(last.technician));
    weightSet_->setText(FromUtf8(last.weightSet));
    weightCertificate_->setText(FromUtf8(last.weightCertificate));
    temperature_->setText(FromUtf8(last.temperature));
  }
  ShowRun();
}

void CTestScaleDlg::ReadInstrument() {
  if (!options_.setupValues) {
    options_.setupValues = ReadInstrumentValues(link_, ui_);
    if (!options_.setupValues) {
      instrument_->setText("The instrument could not be read: press Read Setup to try again.");
      read_.reset();
      ShowRun();
      return;
    }
  }
  read_ = InstrumentFromSetup(*options_.setupValues);
  if (!read_->instrument) {
    instrument_->setText(FromUtf8(read_->message));
    ShowRun();
    return;
  }
  const Instrument& in = *read_->instrument;
  instrument_->setText(FromUtf8("Max " + in.Text(in.max) + ", e = d = " + in.Text(in.e) +
                                ", n = " + std::to_string(in.n) + "\nF6.1 " + in.regulationText +
                                ", software " + in.version));
  // Class IIII only where III does not fit and IIII does.
  class_->setCurrentIndex(in.n > kMaxIntervalsIII && in.n <= kMaxIntervalsIIII ? 1 : 0);
  customer_->setEnabled(in.regulation == Regulation::kNone);
  situation_->setEnabled(in.regulation != Regulation::kNone);
  if (!planEdited_) OnDefaultPlan();
  ShowRun();
}

std::optional<Instrument> CTestScaleDlg::CurrentInstrument() const {
  if (!read_ || !read_->instrument) return std::nullopt;
  return read_->instrument;
}

AccuracyClass CTestScaleDlg::ChosenClass() const {
  return class_->currentIndex() == 1 ? AccuracyClass::kIIII : AccuracyClass::kIII;
}

Situation CTestScaleDlg::ChosenSituation() const {
  return situation_->currentIndex() == 1 ? Situation::kInService : Situation::kAcceptance;
}

std::optional<Tolerance> CTestScaleDlg::CurrentTolerance() const {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in) return std::nullopt;
  return ChooseTolerance(*in, ChosenClass(), ChosenSituation(), ToUtf8(customer_->text()))
      .tolerance;
}

void CTestScaleDlg::OnDefaultPlan() {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in) return;
  // The customer's tolerance may not be stated yet: its class's edges give the plan meanwhile.
  Tolerance tolerance;
  if (std::optional<Tolerance> chosen = CurrentTolerance()) tolerance = *chosen;
  ShowPlan(DefaultPlan(*in, ChosenClass(), tolerance, discrimination_->isChecked()));
  planEdited_ = false;
}

void CTestScaleDlg::ShowPlan(const TestPlan& plan) {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in) return;
  showingPlan_ = true;
  table_->setRowCount(0);
  table_->setRowCount(static_cast<int>(plan.steps.size()));
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    const PlanRowText text = RowTextOf(plan.steps[i], *in);
    const int r = static_cast<int>(i);
    table_->setItem(r, kStep, Cell(QString::number(r + 1), false));
    table_->setItem(r, kTest, Cell(FromUtf8(text.test), true));
    table_->setItem(r, kLoad, Cell(FromUtf8(text.load), true));
    table_->setItem(r, kPosition, Cell(FromUtf8(text.position), true));
    for (int c = kIndication; c < kColumns; ++c) table_->setItem(r, c, Cell({}, false));
  }
  table_->horizontalHeaderItem(kLoad)->setText(
      FromUtf8("Load (" + std::string(in->UnitName()) + ")"));
  showingPlan_ = false;
}

std::vector<PlanRowText> CTestScaleDlg::PlanRows() const {
  std::vector<PlanRowText> rows;
  const auto text = [this](int r, int c) {
    const QTableWidgetItem* item = table_->item(r, c);
    return item ? ToUtf8(item->text()) : std::string();
  };
  for (int r = 0; r < table_->rowCount(); ++r) {
    rows.push_back({text(r, kTest), text(r, kLoad), text(r, kPosition)});
  }
  return rows;
}

void CTestScaleDlg::OnAddStep() {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in || run_) return;
  const int at = table_->currentRow() < 0 ? table_->rowCount() : table_->currentRow() + 1;
  showingPlan_ = true;
  table_->insertRow(at);
  const PlanRowText text = RowTextOf({TestKind::kWeighing, Mass{}}, *in);
  table_->setItem(at, kTest, Cell(FromUtf8(text.test), true));
  table_->setItem(at, kLoad, Cell(FromUtf8(text.load), true));
  table_->setItem(at, kPosition, Cell({}, true));
  for (int c = kIndication; c < kColumns; ++c) table_->setItem(at, c, Cell({}, false));
  for (int r = 0; r < table_->rowCount(); ++r) {
    table_->setItem(r, kStep, Cell(QString::number(r + 1), false));
  }
  showingPlan_ = false;
  planEdited_ = true;
  table_->setCurrentCell(at, kLoad);
}

void CTestScaleDlg::OnRemoveStep() {
  if (run_ || table_->currentRow() < 0) return;
  showingPlan_ = true;
  table_->removeRow(table_->currentRow());
  for (int r = 0; r < table_->rowCount(); ++r) {
    table_->setItem(r, kStep, Cell(QString::number(r + 1), false));
  }
  showingPlan_ = false;
  planEdited_ = true;
}

void CTestScaleDlg::OnLoadPlan() {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in || run_) return;
  const QString path =
      services_.pickFile(this, FileDialogSetup{{"Plans (*.csv)"}, "csv", {}, true, {}});
  if (path.isEmpty()) return;
  const PlanRead read = LoadPlanFile(NativePath(path), *in);
  if (!read.errors.empty()) {
    ui_.Failure(ToUtf8(Joined(read.errors)));
    return;
  }
  ShowPlan(read.plan);
  planEdited_ = true;
}

void CTestScaleDlg::OnSavePlan() {
  const std::optional<Instrument> in = CurrentInstrument();
  if (!in) return;
  const PlanRead rows = ParsePlanRows(PlanRows(), *in);
  if (!rows.errors.empty()) {
    ui_.Failure(ToUtf8(Joined(rows.errors)));
    return;
  }
  const QString path =
      services_.pickSaveFile(this, FileDialogSetup{{"Plans (*.csv)"}, "csv", "plan.csv", true, {}});
  if (path.isEmpty()) return;
  if (const std::string error = SavePlanFile(NativePath(path), rows.plan, *in); !error.empty()) {
    ui_.Failure(error);
  }
}

std::string CTestScaleDlg::WhenText() const {
  return ToUtf8(QDateTime::fromSecsSinceEpoch(services_.clock.Now()).toString("yyyy-MM-dd HH:mm"));
}

std::int64_t CTestScaleDlg::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             services_.clock.Monotonic().time_since_epoch())
      .count();
}

void CTestScaleDlg::OnStart() {
  if (run_) return;
  if (!CurrentInstrument()) {
    ui_.Failure(read_ ? read_->message : "Read the setup first: press Read Setup");
    return;
  }
  std::vector<std::string> problems;
  if (technician_->text().trimmed().isEmpty()) problems.push_back("Enter the technician's name");
  const PlanRead rows = ParsePlanRows(PlanRows(), *CurrentInstrument());
  problems.insert(problems.end(), rows.errors.begin(), rows.errors.end());

  VerificationRequest request;
  request.accuracyClass = ChosenClass();
  request.situation = ChosenSituation();
  request.customerTolerance = ToUtf8(customer_->text());
  request.plan = rows.plan;
  TestDetails& d = request.details;
  d.technician = ToUtf8(technician_->text().trimmed());
  d.weightSet = ToUtf8(weightSet_->text().trimmed());
  d.weightCertificate = ToUtf8(weightCertificate_->text().trimmed());
  d.temperature = ToUtf8(temperature_->text().trimmed());
  d.stage = stage_->currentIndex() < 2 ? ToUtf8(stage_->currentText()) : std::string();
  d.port = options_.line.port;
  if (!d.port.empty()) d.line = options_.line.settings.Description();
  d.when = WhenText();
  PreparedVerification prepared = PrepareVerification(*options_.setupValues, request);
  if (rows.errors.empty()) {
    problems.insert(problems.end(), prepared.messages.begin(), prepared.messages.end());
  } else {
    // The plan's faults are told once, by step.
    for (const std::string& m : prepared.messages) {
      if (m.rfind("Step ", 0) != 0 && m != "The plan has no step") problems.push_back(m);
    }
  }
  if (!problems.empty() || !prepared.setup) {
    ui_.Failure(ToUtf8(Joined(problems)));
    return;
  }
  run_ = std::make_unique<VerificationRun>(*prepared.setup, [this] { return NowMs(); });
  liveModel_ = {};
  SetEditing(false);
  status_->setText("Put the load on, then press Take Reading.");
  ShowRun();
  KeepPolling();
}

void CTestScaleDlg::SetEditing(bool editing) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           technician_, weightSet_, weightCertificate_, temperature_, class_, stage_,
           discrimination_, defaultPlan_, addStep_, removeStep_, loadPlan_, readSetup_}) {
    w->setEnabled(editing);
  }
  const std::optional<Instrument> in = CurrentInstrument();
  const bool none = in && in->regulation == Regulation::kNone;
  customer_->setEnabled(editing && none);
  situation_->setEnabled(editing && !none);
  table_->setEditTriggers(editing ? QAbstractItemView::DoubleClicked |
                                        QAbstractItemView::EditKeyPressed |
                                        QAbstractItemView::AnyKeyPressed
                                  : QAbstractItemView::NoEditTriggers);
}

void CTestScaleDlg::OnTake() {
  if (!run_ || run_->Finished() || run_->AsksQuestion()) return;
  run_->BeginReading();
  status_->setText("Waiting for the reading to settle…");
  ShowRun();
  KeepPolling();
}

void CTestScaleDlg::OnUseTyped() {
  if (!run_) return;
  if (const std::string error = run_->TypeReading(ToUtf8(typed_->text())); !error.empty()) {
    ui_.Failure(error);
    return;
  }
  typed_->clear();
  status_->setText("The typed reading was recorded.");
  ShowRun();
  KeepPolling();
}

void CTestScaleDlg::OnRetake() {
  if (!run_) return;
  int row = table_->currentRow();
  const std::vector<StepRecord>& records = run_->Records();
  const auto has = [&](std::size_t i) {
    return records[i].reading.has_value() || records[i].changed.has_value();
  };
  if (row < 0 || static_cast<std::size_t>(row) >= records.size() ||
      !has(static_cast<std::size_t>(row))) {
    row = -1;
    for (std::size_t i = records.size(); i-- > 0;) {
      if (has(i)) {
        row = static_cast<int>(i);
        break;
      }
    }
  }
  if (row < 0) return;
  run_->Retake(static_cast<std::size_t>(row));
  status_->setText(QString("Step %1 is taken again.").arg(row + 1));
  table_->clearSelection();
  ShowRun();
  KeepPolling();
}

void CTestScaleDlg::OnAnswer(bool changed) {
  if (!run_) return;
  if (const std::string error = run_->Answer(changed); !error.empty()) {
    ui_.Failure(error);
    return;
  }
  ShowRun();
  KeepPolling();
}

void CTestScaleDlg::KeepPolling() {
  if (run_ && !run_->Finished()) {
    if (!poll_.isActive()) poll_.start(0);
  } else {
    poll_.stop();
  }
}

void CTestScaleDlg::OnPollTimer() {
  if (!run_ || run_->Finished()) return;
  // Never between the exchanges of another operation, nor in the middle of another exchange.
  if (OperationScope::Running() || options_.exchangeOpen() || liveModel_.exchangeRunning) {
    Handle(run_->CheckTime());
    poll_.start(static_cast<int>(kBusyRetryMs));
    return;
  }
  const std::int64_t began = NowMs();
  const PollResult result = RunPoll(liveModel_, link_, ui_);
  std::optional<DisplayReading> reading;
  if (result.outcome == PollOutcome::kGood) reading = ReadDisplay(liveModel_.display);
  if (result.outcome != PollOutcome::kSkipped) {
    ShowLive(reading);
    // The window may have been left while a message box was open.
    if (!run_) return;
    Handle(run_->Feed(reading));
  }
  if (!run_ || run_->Finished()) return;
  const std::int64_t took = NowMs() - began;
  poll_.start(static_cast<int>(std::clamp<std::int64_t>(kTestPollMs - took, 1, kTestPollMs)));
}

void CTestScaleDlg::ShowLive(const std::optional<DisplayReading>& reading) {
  if (!reading) {
    live_->setText("Display: no answer");
    return;
  }
  std::string shown = reading->shown;
  shown.erase(0, shown.find_first_not_of(' '));
  QString text = "Display: " + FromSingleByte(shown);
  if (reading->unit != WeightUnit::kNone) text += " " + FromSingleByte(UnitText(reading->unit));
  text += reading->stable ? "   stable" : "   in motion";
  live_->setText(text);
}

void CTestScaleDlg::Handle(const RunEvent& event) {
  if (event.recordedStep) {
    status_->setText(QString("Step %1 was read.").arg(*event.recordedStep + 1));
    ShowRun();
    if (run_->Finished()) poll_.stop();
  } else if (event.state == TakeState::kStopped || event.state == TakeState::kTimedOut) {
    status_->setText(FromUtf8(event.message + ". Press Take Reading to try again."));
    ShowRun();
  }
}

void CTestScaleDlg::ShowRun() {
  const bool instrument = CurrentInstrument().has_value();
  const bool running = run_ && !run_->Finished();
  start_->setEnabled(instrument && !run_);
  const bool question = running && run_->AsksQuestion();
  take_->setEnabled(running && !question && !run_->Taking());
  yes_->setVisible(question);
  no_->setVisible(question);
  yes_->setEnabled(question);
  no_->setEnabled(question);
  take_->setVisible(!question);
  typed_->setEnabled(running && !question);
  useTyped_->setEnabled(running && !question);
  retake_->setEnabled(run_ != nullptr);
  savePdf_->setEnabled(run_ != nullptr || !done_.empty());
  saveCsv_->setEnabled(run_ != nullptr || !done_.empty());
  newTest_->setEnabled(run_ != nullptr);
  savePlan_->setEnabled(instrument);
  if (!run_) {
    SetEditing(instrument);
    start_->setEnabled(instrument);
    prompt_->setText(instrument
                         ? "Fill in the test's details, check the plan, then press Start Test."
                         : "Read the setup to begin.");
    overall_->clear();
    return;
  }

  const VerificationResult result = run_->Result();
  const Instrument& in = run_->Setup().instrument;
  const std::optional<std::size_t> current = run_->Current();
  showingPlan_ = true;
  for (const TestOutcome& test : result.tests) {
    for (const ReadingRow& row : test.rows) {
      const int r = static_cast<int>(row.step);
      if (r >= table_->rowCount()) continue;
      const bool asked = row.planned.test == TestKind::kDiscrimination;
      QString indication;
      if (asked) {
        indication = row.changed ? (*row.changed ? "changed" : "no change") : "";
      } else if (row.indication) {
        indication = FromUtf8(MassText(*row.indication, in.decimals));
      }
      table_->item(r, kIndication)->setText(indication);
      table_->item(r, kError)->setText(row.error ? FromUtf8(SignedMassText(*row.error, in.decimals))
                                                 : QString());
      table_->item(r, kMpe)->setText(
          FromUtf8((asked ? "+" : "±") + MassText(row.mpe, in.decimals)));
      table_->item(r, kResult)
          ->setText(row.verdict == Verdict::kIncomplete ? QString()
                                                        : FromUtf8(VerdictText(row.verdict)));
      table_->item(r, kHow)->setText(!row.indication ? QString() : row.typed ? "typed" : "display");
      const QColor shade = row.verdict == Verdict::kFail     ? kFailedRow
                           : current && *current == row.step ? kCurrentRow
                                                             : QColor();
      for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem* item = table_->item(r, c);
        if (!item) continue;
        item->setBackground(shade.isValid() ? QBrush(shade) : QBrush());
        QFont font = item->font();
        font.setBold(row.verdict == Verdict::kFail);
        item->setFont(font);
      }
    }
  }
  showingPlan_ = false;
  if (current) table_->scrollToItem(table_->item(static_cast<int>(*current), kStep));

  if (running) {
    prompt_->setText(
        QString("Step %1 of %2: ").arg(*current + 1).arg(run_->Setup().plan.steps.size()) +
        FromUtf8(run_->Prompt()));
  } else {
    prompt_->setText("Every step has its reading.");
    status_->setText("Save the certificate, take a step again, or begin a new test.");
  }
  const QString verdict = FromUtf8(VerdictText(result.verdict));
  overall_->setText(running && result.verdict != Verdict::kFail
                        ? "Overall result: so far, no failure"
                        : "Overall result: " + verdict);
  overall_->setStyleSheet(result.verdict == Verdict::kFail   ? "color: #b00000;"
                          : result.verdict == Verdict::kPass ? "color: #006000;"
                                                             : "");
}

std::vector<VerificationResult> CTestScaleDlg::TestsSoFar() const {
  std::vector<VerificationResult> tests = options_.earlier;
  tests.insert(tests.end(), done_.begin(), done_.end());
  if (run_) tests.push_back(run_->Result());
  return tests;
}

std::optional<Certificate> CTestScaleDlg::CurrentCertificate() const {
  const std::vector<VerificationResult> tests = TestsSoFar();
  if (tests.size() == options_.earlier.size()) return std::nullopt;
  return MakeCertificate(CertifiedTests(tests));
}

void CTestScaleDlg::OnSavePdf() {
  SaveCertificate(true);
}

void CTestScaleDlg::OnSaveCsv() {
  SaveCertificate(false);
}

void CTestScaleDlg::SaveCertificate(bool pdf) {
  const std::optional<Certificate> certificate = CurrentCertificate();
  if (!certificate) return;
  const QString path =
      services_.pickSaveFile(this, ReportFileDialog("Certificate", pdf, services_.clock.Now()));
  if (path.isEmpty()) return;
  const FileResult written = pdf ? WriteReportPdf(certificate->report, NativePath(path))
                                 : WriteReportCsv(certificate->report, NativePath(path));
  // The results stay open either way: another name or folder may do.
  if (!written.ok()) ui_.Failure(std::string(kCertificateNotSaved) + FailureText(written));
}

void CTestScaleDlg::OnNewTest() {
  if (!run_) return;
  if (!run_->Finished() &&
      !ui_.AskYesNo("The test is not finished.\nLeave it out and begin a new test?")) {
    return;
  }
  if (run_->Finished()) done_.push_back(run_->Result());
  run_.reset();
  poll_.stop();
  if (!done_.empty()) stage_->setCurrentIndex(1);
  showingPlan_ = true;
  for (int r = 0; r < table_->rowCount(); ++r) {
    for (int c = 0; c < kColumns; ++c) {
      QTableWidgetItem* item = table_->item(r, c);
      if (!item) continue;
      if (c >= kIndication) item->setText({});
      item->setBackground(QBrush());
      QFont font = item->font();
      font.setBold(false);
      item->setFont(font);
    }
  }
  showingPlan_ = false;
  status_->clear();
  live_->setText("Display: —");
  ShowRun();
}

void CTestScaleDlg::OnClose() {
  if (run_ && !run_->Finished() &&
      std::ranges::any_of(run_->Records(),
                          [](const StepRecord& r) { return r.reading || r.changed; }) &&
      !ui_.AskYesNo("The test is not finished.\nClose the window all the same?")) {
    return;
  }
  poll_.stop();
  if (run_ && run_->Finished()) done_.push_back(run_->Result());
  run_.reset();
  if (!done_.empty()) {
    std::vector<VerificationResult> tests = options_.earlier;
    tests.insert(tests.end(), done_.begin(), done_.end());
    const FinishedCertificate finished = FinishCertificate(MakeCertificate(CertifiedTests(tests)));
    if (options_.onCertificate) options_.onCertificate(finished);
  }
  accept();
}

}  // namespace tamarack
