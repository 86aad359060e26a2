#include "setup/setup_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStringList>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "feedback/operation_scope.h"
#include "records/history_dialog.h"
#include "records/record_keeper.h"
#include "records/record_session.h"
#include "records/scale_dialog.h"
#include "records/service_record_dialog.h"
#include "setup/bulk_ops.h"
#include "setup/calibration_dialog.h"
#include "setup/param_codec.h"
#include "setup/password_dialog.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "setup/setup_value_file.h"
#include "ui/pictures.h"
#include "ui/progress_line.h"
#include "ui/text.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
namespace {

constexpr const char* kDateFormat = "dd-MM-yyyy";
constexpr const char* kTimeFormat = "HH:mm:ss";

struct ButtonInfo {
  const char* caption;
  const char* tip;
};
// In SetupButton order.
constexpr std::array<ButtonInfo, kSetupButtonCount> kButtons{{
    {"Read All", "Read all Parameter from indicator"},
    {"Restore", "Restore Old Parameter"},
    {"Save to File", "Save all Parameter to a file"},
    {"Load from File", "Load all Parameter from a file"},
    {"Set Default", "Restore Factory Setup Parameters"},
    {"Write All", "Write all Parameter to indicator"},
    {"Save", "Save indicator's all changed parameter"},
    {"Calibration", "Go to Calibration window"},
    {"Exit", "Exit Parameter Setup window"},
}};

constexpr const char* kCopyCurrentTip =
    "Put the indicator's current values into the new-value column";
constexpr const char* kVerifyTip = "Read the indicator back and compare with the new-value column";
constexpr const char* kTestScaleTip =
    "Test the scale with certified weights against the tolerances of its regulation";
// The tint of an editable field whose value differs from the indicator's.
constexpr const char* kDiffersStyle = "background-color: #ffd9a0;";

// The rows of each group, as table positions, in the order the groups are laid out.
std::vector<std::size_t> RowsOfGroup(int group) {
  std::vector<std::size_t> rows;
  const auto params = SetupParams();
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (params[i].address.group == group) rows.push_back(i);
  }
  return rows;
}

// Wide enough for the longest text the field can show.
int CurrentFieldWidth(const SetupParam& p, const QFontMetrics& metrics) {
  QString longest = "000000";
  for (int code = 0; code < static_cast<int>(p.options.size()); ++code) {
    const QString text = FromSingleByte(ChoiceShownText(p, code));
    if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(longest)) longest = text;
  }
  return metrics.horizontalAdvance(longest) + 16;
}

// Group F1 wraps after six parameters; the others stay on one line.
constexpr std::size_t kPerLine = 6;

// The box of one group, captioned "F1".."F7", and the grid its fields go in.
struct GroupBox {
  QGroupBox* box;
  QGridLayout* grid;
};

// The window must fit a 1366 x 768 screen: each group's caption sits in its frame's top line
// rather than on a line of its own, and the fields are a few pixels lower than usual.
constexpr const char* kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 7px;"
    " padding-top: 5px; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }";
constexpr int kFieldHeight = 20;
constexpr int kWriteButtonHeight = 18;

GroupBox NewGroupBox(int group, int verticalSpacing, QWidget* parent) {
  auto* box = new QGroupBox(QString("F%1").arg(group), parent);
  box->setStyleSheet(kGroupBoxStyle);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(verticalSpacing);
  return {box, grid};
}

// Shades the field's ground as the window's, so it does not look like a place to type, and keeps
// its text in the normal colour.
void ReadOnlyLook(QLineEdit* field) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  field->setPalette(palette);
}

// An editable field's description: its tip, then what marks it as differing, if it does.
QString FieldDescription(const SetupParam& p, const std::string& mark) {
  QStringList parts;
  if (!p.fieldTip.empty()) parts << ToolTipRelay::Displayed(FromSingleByte(p.fieldTip));
  if (!mark.empty()) parts << FromSingleByte(mark);
  return parts.join('\n');
}

// Both dialogs accept a name that does not exist: a missing file loads as an empty one.
FileDialogSetup SetupValueFileDialog(bool forSaving) {
  FileDialogSetup setup;
  setup.nameFilters = {FromSingleByte(kSetupFileFilter), FromSingleByte(kAllFilesFilter)};
  setup.defaultSuffix = FromSingleByte(kSetupFileExtension);
  setup.initialName = FromSingleByte(kSetupFileDefaultName);
  // Saving replaces the file without asking.
  setup.confirmOverwrite = !forSaving;
  return setup;
}

}  // namespace

CSetupDlg::CSetupDlg(SerialLink& port, const WindowServices& services, QWidget* parent)
    : CSetupDlg(port, services, Options{}, parent) {}

CSetupDlg::CSetupDlg(SerialLink& port, const WindowServices& services, Options options,
                     QWidget* parent)
    : CModalDlg(parent),
      port_(port),
      services_(services),
      ui_(services_.feedback),
      options_(std::move(options)) {
  if (!options_.historyFolder) {
    options_.historyFolder = FromUtf8(records::RecordKeeper::DefaultHistoryFolder());
  }
  session_ = std::make_unique<SetupSession>(
      SetupSession::Options{options_.line, NativePath(*options_.historyFolder),
                            [&clock = services_.clock] { return clock.Now(); }});
  setObjectName("CSetupDlg");
  SetTitle("SETUP");
  Build();

  // Opening: pickers at the PC's date and time, the factory defaults in the editable column, both
  // flags clear, then the model collected from the screen.
  const QDateTime now = QDateTime::fromSecsSinceEpoch(services_.clock.Now());
  date_->setDate(now.date());
  time_->setTime(now.time());
  model_ = OpeningModel(ToSingleByte(date_->text()), ToSingleByte(time_->text()));
  model_.journal = session_.get();
  if (services_.records != nullptr) {
    records_ = std::make_unique<records::RecordSession>(
        services_.records, ui_, ScaleAskerFor(*services_.records, ui_, services_.runWindow, this));
    recorder_ = std::make_unique<records::SetupRecorder>(*session_, *records_, options_.line);
    model_.journal = recorder_.get();
  }
  Show();
  Collect();
  RegisterTips();
}

CSetupDlg::~CSetupDlg() {
  // The recorder passes on to the session, and the records go before the recorder.
  model_.journal = nullptr;
  recorder_.reset();
  records_.reset();
}

void CSetupDlg::Build() {
  for (std::size_t i = 0; i < kSetupButtonCount; ++i) {
    buttons_[i] = MakeButton(kButtons[i].caption, this);
  }
  auto* upperCaption = new QLabel("Indicator Current Value", this);
  caption_ = new QLabel(FromSingleByte(kCaptionFactoryDefault), this);
  differences_ = new QLabel(this);
  // Wide enough for any count, so that the fixed-size window need not grow when it changes.
  differences_->setMinimumWidth(differences_->fontMetrics().horizontalAdvance(
      FromSingleByte(DifferenceCountText(kSetupParamCount))));
  copyCurrent_ = MakeButton("Copy Current", this);
  verify_ = MakeButton("Verify", this);
  history_ = MakeButton("History…", this);
  serviceRecord_ = MakeButton("Service Record…", this);
  testScale_ = MakeButton("Test Scale…", this);
  testScale_->setVisible(static_cast<bool>(options_.runTestScale));
  // Beside the relay's 108: the tools of the original window keep their list.
  testScale_->setToolTip(kTestScaleTip);
  testScale_->setAccessibleDescription(kTestScaleTip);
  auto* captionRow = new QHBoxLayout;
  captionRow->addWidget(caption_);
  captionRow->addSpacing(24);
  captionRow->addWidget(differences_);
  captionRow->addStretch();
  progress_ = new ProgressLine(services_.clock, this);
  progress_->Reserve(
      ProgressLine::StepText("Verifying", "F7.5", kSetupParamCount, kSetupParamCount));
  captionRow->addWidget(progress_);

  QLabel* logo = MakeLogo(this);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  layout->addWidget(upperCaption);
  layout->addWidget(BuildCurrentGroups());
  layout->addLayout(captionRow);
  layout->addWidget(BuildEditableGroups());
  layout->addWidget(logo, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button(SetupButton::kReadAll), &QPushButton::clicked, this, &CSetupDlg::OnReadAll);
  connect(Button(SetupButton::kRestore), &QPushButton::clicked, this, &CSetupDlg::OnRestore);
  connect(Button(SetupButton::kSaveToFile), &QPushButton::clicked, this, &CSetupDlg::OnSaveToFile);
  connect(Button(SetupButton::kLoadFromFile), &QPushButton::clicked, this,
          &CSetupDlg::OnLoadFromFile);
  connect(Button(SetupButton::kSetDefault), &QPushButton::clicked, this, &CSetupDlg::OnSetDefault);
  connect(Button(SetupButton::kWriteAll), &QPushButton::clicked, this, &CSetupDlg::OnWriteAll);
  connect(Button(SetupButton::kSave), &QPushButton::clicked, this, &CSetupDlg::OnSave);
  connect(Button(SetupButton::kCalibration), &QPushButton::clicked, this,
          &CSetupDlg::OnCalibration);
  connect(Button(SetupButton::kExit), &QPushButton::clicked, this, &CSetupDlg::OnExit);
  connect(copyCurrent_, &QPushButton::clicked, this, &CSetupDlg::OnCopyCurrent);
  connect(verify_, &QPushButton::clicked, this, &CSetupDlg::OnVerify);
  connect(history_, &QPushButton::clicked, this, &CSetupDlg::OnHistory);
  connect(serviceRecord_, &QPushButton::clicked, this, &CSetupDlg::OnServiceRecord);
  connect(testScale_, &QPushButton::clicked, this, &CSetupDlg::OnTestScale);
  history_->setEnabled(session_->History() != nullptr);
}

// Lays the seven groups out as both columns share them: F1 (two lines), F2, F3 beside F4, and F5,
// F6, F7 stacked beside `side`.
static QWidget* ArrangeGroups(QWidget* parent, const std::array<QGroupBox*, 8>& groups,
                              QLayout* side) {
  auto* area = new QWidget(parent);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(3);
  grid->addWidget(groups[1], 0, 0, 1, 2);
  grid->addWidget(groups[2], 1, 0, 1, 2);
  grid->addWidget(groups[3], 2, 0);
  grid->addWidget(groups[4], 2, 1);
  auto* lower = new QGridLayout;
  lower->setSpacing(3);
  lower->addWidget(groups[5], 0, 0);
  lower->addWidget(groups[6], 0, 1);
  lower->addWidget(groups[7], 1, 0, 1, 2);
  lower->setColumnStretch(1, 1);
  auto* row = new QHBoxLayout;
  row->addLayout(lower, 1);
  row->addLayout(side);
  grid->addLayout(row, 3, 0, 1, 2);
  return area;
}

QWidget* CSetupDlg::BuildCurrentGroups() {
  std::array<QGroupBox*, 8> groups{};
  const auto params = SetupParams();
  for (int g = 1; g <= 7; ++g) {
    const auto [box, grid] = NewGroupBox(g, 2, this);
    const std::vector<std::size_t> rows = RowsOfGroup(g);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const SetupParam& p = params[rows[k]];
      const QString number = FromSingleByte(p.displayNumber);
      auto* label = new QLabel(number, box);
      auto* field = new QLineEdit(box);
      // The indicator's value, never typed over, yet readable in daylight, selectable and reached
      // by Tab and screen readers: read-only with black text, not greyed out by disabling.
      field->setReadOnly(true);
      ReadOnlyLook(field);
      field->setAccessibleName(number + " current");
      field->setMinimumWidth(CurrentFieldWidth(p, field->fontMetrics()));
      field->setFixedHeight(kFieldHeight);
      label->setBuddy(field);
      current_[rows[k]] = field;
      const int line = static_cast<int>(k / kPerLine);
      const int col = static_cast<int>(k % kPerLine) * 2;
      grid->addWidget(label, line, col);
      grid->addWidget(field, line, col + 1);
    }
    groups[static_cast<std::size_t>(g)] = box;
  }
  auto* side = new QVBoxLayout;
  side->addWidget(Button(SetupButton::kRestore));
  side->addWidget(Button(SetupButton::kReadAll));
  side->addWidget(Button(SetupButton::kSaveToFile));
  side->addStretch();
  return ArrangeGroups(this, groups, side);
}

QWidget* CSetupDlg::MakeEditable(const SetupParam& p, QWidget* parent) {
  const std::size_t row = RowIndex(p);
  switch (p.kind) {
    case ParamKind::kNumber: {
      auto* field = new QLineEdit(parent);
      field->setMinimumWidth(64);
      numberField_[row] = field;
      connect(field, &QLineEdit::textChanged, this, &CSetupDlg::UpdateMarks);
      return field;
    }
    case ParamKind::kChoice: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);  // no free text
      for (const std::string& item : ChoiceItems(p)) list->addItem(FromSingleByte(item));
      choiceList_[row] = list;
      connect(list, &QComboBox::currentIndexChanged, this, &CSetupDlg::UpdateMarks);
      return list;
    }
    case ParamKind::kDate:
      date_ = new QDateEdit(parent);
      date_->setDisplayFormat(kDateFormat);
      return date_;
    case ParamKind::kTime:
      time_ = new QTimeEdit(parent);
      time_->setDisplayFormat(kTimeFormat);
      return time_;
    case ParamKind::kVersion:
      break;
  }
  return nullptr;
}

QWidget* CSetupDlg::BuildEditableGroups() {
  std::array<QGroupBox*, 8> groups{};
  const auto params = SetupParams();
  for (int g = 1; g <= 7; ++g) {
    const auto [box, grid] = NewGroupBox(g, 1, this);
    std::size_t k = 0;
    for (const std::size_t r : RowsOfGroup(g)) {
      const SetupParam& p = params[r];
      QWidget* element = MakeEditable(p, box);
      if (element == nullptr) continue;  // the software version is read only
      const QString number = FromSingleByte(p.displayNumber);
      element->setAccessibleName(number + " new");
      element->setFixedHeight(kFieldHeight);
      auto* label = new QLabel(number, box);
      label->setBuddy(element);
      editLabel_[r] = label;
      auto* mnemonic = new QLabel(FromSingleByte(p.mnemonic), box);
      auto* write = MakeButton("Write", box, number + " Write");
      write->setMaximumHeight(kWriteButtonHeight);
      editable_[r] = element;
      write_[r] = write;
      connect(write, &QPushButton::clicked, this, [this, &p] { OnWrite(p); });
      const int line = static_cast<int>(k / kPerLine) * 2;
      const int col = static_cast<int>(k % kPerLine) * 2;
      grid->addWidget(label, line, col);
      grid->addWidget(element, line, col + 1);
      grid->addWidget(mnemonic, line + 1, col);
      grid->addWidget(write, line + 1, col + 1, Qt::AlignHCenter);
      ++k;
    }
    groups[static_cast<std::size_t>(g)] = box;
  }
  auto* side = new QGridLayout;
  side->addWidget(Button(SetupButton::kLoadFromFile), 0, 0);
  side->addWidget(Button(SetupButton::kSetDefault), 1, 0);
  side->addWidget(Button(SetupButton::kWriteAll), 0, 1);
  side->addWidget(Button(SetupButton::kSave), 1, 1);
  side->addWidget(Button(SetupButton::kCalibration), 2, 1);
  side->addWidget(Button(SetupButton::kExit), 3, 1);
  side->addWidget(copyCurrent_, 2, 0);
  side->addWidget(verify_, 3, 0);
  // What Tamarack keeps of the visit, in a column of its own.
  side->addWidget(history_, 0, 2);
  side->addWidget(serviceRecord_, 1, 2);
  side->addWidget(testScale_, 2, 2);
  side->setRowStretch(4, 1);
  return ArrangeGroups(this, groups, side);
}

void CSetupDlg::RegisterTips() {
  relay_ = new ToolTipRelay(this);
  const auto params = SetupParams();
  for (std::size_t r = 0; r < params.size(); ++r)
    relay_->Add(current_[r], FromSingleByte(params[r].name));
  for (std::size_t r = 0; r < params.size(); ++r) {
    if (editable_[r] != nullptr) relay_->Add(editable_[r], FromSingleByte(params[r].fieldTip));
  }
  for (std::size_t r = 0; r < params.size(); ++r) {
    if (write_[r] != nullptr) relay_->Add(write_[r], FromSingleByte(params[r].writeTip));
  }
  for (std::size_t i = 0; i < kSetupButtonCount; ++i) relay_->Add(buttons_[i], kButtons[i].tip);
  relay_->Add(copyCurrent_, kCopyCurrentTip);
  relay_->Add(verify_, kVerifyTip);
  // Listing gave the editable fields their tips alone as descriptions; add the marks back.
  UpdateMarks();
}

void CSetupDlg::Collect() {
  CollectInto(model_);
}

void CSetupDlg::CollectInto(SetupModel& model) const {
  for (const SetupParam& p : SetupParams()) {
    const std::size_t r = RowIndex(p);
    model.currentValue[r] = ToSingleByte(current_[r]->text());
    if (const int slot = NewValueSlot(p); slot >= 0) {
      model.newValue[static_cast<std::size_t>(slot)] = ToSingleByte(numberField_[r]->text());
    }
    model.choice[r] = choiceList_[r] != nullptr ? choiceList_[r]->currentIndex() : -1;
  }
  model.dateText = ToSingleByte(date_->text());
  model.timeText = ToSingleByte(time_->text());
}

void CSetupDlg::UpdateMarks() {
  if (showing_) return;  // Show() marks once it is done
  SetupModel seen = model_;
  CollectInto(seen);
  std::size_t count = 0;
  for (const SetupParam& p : ComparedParams()) {
    const std::size_t r = RowIndex(p);
    const std::string mark = DifferenceMark(seen, p);
    const bool differs = !mark.empty();
    count += differs ? 1 : 0;
    editable_[r]->setStyleSheet(differs ? kDiffersStyle : "");
    editable_[r]->setAccessibleDescription(FieldDescription(p, mark));
    QFont font = editLabel_[r]->font();
    font.setBold(differs);
    editLabel_[r]->setFont(font);
  }
  const bool read = HasCompleteRead(seen);
  differences_->setText(read ? FromSingleByte(DifferenceCountText(count)) : QString());
  copyCurrent_->setEnabled(read);
}

void CSetupDlg::Show() {
  showing_ = true;
  for (const SetupParam& p : SetupParams()) {
    const std::size_t r = RowIndex(p);
    current_[r]->setText(FromSingleByte(model_.currentValue[r]));
    if (const int slot = NewValueSlot(p); slot >= 0) {
      numberField_[r]->setText(FromSingleByte(model_.newValue[static_cast<std::size_t>(slot)]));
    }
    if (choiceList_[r] != nullptr) choiceList_[r]->setCurrentIndex(model_.choice[r]);
  }
  caption_->setText(FromSingleByte(model_.caption));
  showing_ = false;
  UpdateMarks();
}

void CSetupDlg::Run(const std::function<void()>& handler, bool settle) {
  {
    const OperationScope operation;  // no background poll in between
    Collect();
    handler();
    Show();
  }
  if (settle) SettleRecords();
}

void CSetupDlg::SettleRecords() {
  if (records_) records_->Settle();
}

ReadProgress CSetupDlg::TrackReads(const QString& action) {
  progress_->Start();
  return [this, action](const SetupParam& p, std::size_t index, std::size_t total) {
    progress_->Step(ProgressLine::StepText(action, FromSingleByte(p.displayNumber), index, total));
  };
}

void CSetupDlg::OnReadAll() {
  Run([this] { ReadAllParams(model_, port_, ui_, TrackReads("Reading")); }, false);
  progress_->Finish();
  SettleRecords();
}

void CSetupDlg::OnWrite(const SetupParam& param) {
  Run([this, &param] { WriteParamHandler(model_, port_, ui_, param); });
}

void CSetupDlg::OnExit() {
  const OperationScope operation;  // no background poll in between
  Collect();
  const bool leaving = ExitSetup(model_, port_, ui_);
  SettleRecords();
  if (leaving) accept();
}

void CSetupDlg::OnWriteAll() {
  Run([this] { WriteAllParams(model_, port_, ui_); });
}

void CSetupDlg::OnSetDefault() {
  Run([this] {
    SetFactoryDefaults(model_, port_, ui_, [this] {
      CPasswordDlg gate(services_, this);
      return services_.runWindow(gate) == CPasswordDlg::kCodeAccepted ? PasswordAnswer::kAccepted
                                                                      : PasswordAnswer::kGaveUp;
    });
  });
}

void CSetupDlg::OnSave() {
  Run([this] { SaveParams(model_, port_, ui_); });
}

void CSetupDlg::OnRestore() {
  Run([this] { RestoreParams(model_, port_, ui_); });
}

void CSetupDlg::OnSaveToFile() {
  Collect();
  const QString path = services_.pickSaveFile(this, SetupValueFileDialog(true));
  if (path.isEmpty()) return;
  SaveSetupFile(NativePath(path), model_, ui_);
}

void CSetupDlg::OnLoadFromFile() {
  Collect();
  const QString path = services_.pickFile(this, SetupValueFileDialog(false));
  if (path.isEmpty()) return;
  if (LoadSetupFile(NativePath(path), model_, ui_)) Show();
}

void CSetupDlg::OnCopyCurrent() {
  Run([this] { CopyCurrentValues(model_); });
}

void CSetupDlg::OnVerify() {
  Run([this] { VerifyParams(model_, port_, ui_, TrackReads("Verifying")); }, false);
  progress_->Finish();
  SettleRecords();
}

void CSetupDlg::OnHistory() {
  Collect();
  const SetupHistory* history = session_->History();
  if (history == nullptr) return;
  CHistoryDlg list(*history, model_, this);
  if (services_.runWindow(list) != QDialog::Accepted) return;
  const std::optional<std::string> record = list.Selected();
  if (!record) return;
  // As Load from File does: the editable column only, nothing sent, no flag changed.
  ApplySetupRecord(*record, model_);
  Show();
}

void CSetupDlg::OnServiceRecord() {
  Collect();
  if (!session_->LatestRead()) {
    if (ui_.AskYesNo(kReadForRecord)) OnReadAll();
  } else if (session_->WrittenSinceLatestRead() && ui_.AskYesNo(kReadForAsLeft)) {
    OnReadAll();
  }
  CServiceRecordDlg record(*session_, services_, this);
  if (recorder_) {
    // One technician's name for the run, whichever window asked for it first.
    records::RecordKeeper& keeper = *services_.records;
    record.TechnicianField()->setText(FromUtf8(keeper.Technician()));
    record.SetOnSaved([this, &keeper](const ServiceRecord& saved, std::string pdf) {
      if (!saved.technician.empty()) keeper.SetTechnician(saved.technician);
      recorder_->ServiceRecordSaved(saved, std::move(pdf));
    });
  }
  services_.runWindow(record);
}

void CSetupDlg::OnCalibration() {
  Collect();
  CCalibrationDlg wizard(port_, services_, this);
  const bool finished = services_.runWindow(wizard) == CCalibrationDlg::kFinished;
  CalibrationEnded(finished, model_, ui_);
  Show();
  SettleRecords();
  if (finished && options_.runTestScale && ui_.AskYesNo(kTestAfterCalibration)) OnTestScale();
}

void CSetupDlg::OnTestScale() {
  if (!options_.runTestScale) return;
  Collect();
  options_.runTestScale(this, *session_);
  Show();
}

}  // namespace tamarack
