#include "records/records_window.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <set>

#include "files/replace_file.h"
#include "records/record_export.h"
#include "records/scale_dialog.h"
#include "ui/accessible.h"
#include "ui/fit_screen.h"
#include "ui/modal_dialog.h"
#include "ui/product.h"
#include "ui/text.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
namespace {

using records::Record;
using records::RecordKind;
using records::Scale;

// The newest records on no scale that the list shows; older ones wait for their turn there.
constexpr std::size_t kUnplacedShown = 1000;

QDateTime WhenOf(const std::string& utc) {
  QDateTime when = QDateTime::fromString(FromUtf8(utc), Qt::ISODateWithMs);
  if (!when.isValid()) when = QDateTime::fromString(FromUtf8(utc), Qt::ISODate);
  return when;
}

// A record's time as the technician reads it: the PC's local time, to the minute.
QString LocalText(const std::string& utc, const char* format = "yyyy-MM-dd HH:mm") {
  const QDateTime when = WhenOf(utc);
  return when.isValid() ? when.toLocalTime().toString(format) : FromUtf8(utc);
}

QString ParamName(const SetupParam& p) {
  QString name = FromSingleByte(p.name);
  name.replace('\r', ' ');
  return name;
}

QString ScaleText(const Scale& s) {
  QString text = FromUtf8(records::ScaleName(s));
  if (!s.description.empty()) text += "  \u2014 " + FromUtf8(s.description);
  return text;
}

QString Percent(double share) {
  if (std::isinf(share)) return "from 0";
  return QString("%1%2 %").arg(share >= 0 ? "+" : "\u2212").arg(std::fabs(share) * 100, 0, 'f', 2);
}

QTreeWidget* MakeTree(const QStringList& headers, const QString& name, QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setAccessibleName(name);
  tree->setRootIsDecorated(false);
  tree->setUniformRowHeights(true);
  tree->setHeaderLabels(headers);
  tree->header()->setStretchLastSection(true);
  return tree;
}

bool IsVisitKind(RecordKind kind) {
  return kind != RecordKind::kAssignment && kind != RecordKind::kScaleDetails;
}

QString FileFilter(records::ExportFormat format) {
  switch (format) {
    case records::ExportFormat::kStx:
      return "Setup value file (*.stx)";
    case records::ExportFormat::kPdf:
      return "PDF (*.pdf)";
    case records::ExportFormat::kCsv:
      return "CSV (*.csv)";
  }
  return {};
}

}  // namespace

CRecordsWindow::CRecordsWindow(records::RecordKeeper& keeper, const WindowServices& services,
                               QWidget* parent)
    : CRecordsWindow(keeper, services, Options{}, parent) {}

CRecordsWindow::CRecordsWindow(records::RecordKeeper& keeper, const WindowServices& services,
                               Options options, QWidget* parent)
    : QWidget(parent, Qt::Window),
      keeper_(keeper),
      services_(services),
      ui_(services_.feedback),
      options_(std::move(options)) {
  if (!options_.openUrl) {
    options_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  }
  setObjectName("CRecordsWindow");
  setWindowTitle(FromUtf8(WindowTitle("Records")));
  setAccessibleName("Records");
  Build();
  RegisterTips();
  connect(&keeper_, &records::RecordKeeper::Changed, this, &CRecordsWindow::Reload);
  Reload();
  FitToScreen(*this, UsableArea(*this));
  KeepAccessible(this);
}

CRecordsWindow::~CRecordsWindow() {
  if (syncThread_.joinable()) syncThread_.join();
}

void CRecordsWindow::Build() {
  // The scales, and the chosen one's details.
  auto* scaleBox = new QGroupBox("Scales", this);
  auto* scaleGrid = new QGridLayout(scaleBox);
  const ScaleSearch search = AddScaleSearch(*scaleGrid, scaleBox, "Scales");
  searchSite_ = search.site;
  searchTag_ = search.tag;
  scales_ = search.list;
  scales_->setMinimumWidth(300);

  auto* detailBox = new QGroupBox("Scale details", this);
  scaleCaption_ = new QLabel(detailBox);
  scaleCaption_->setWordWrap(true);
  description_ = MakeField("Description", detailBox);
  serial_ = MakeField("Serial number", detailBox);
  interval_ = new QSpinBox(detailBox);
  interval_->setRange(1, 120);
  interval_->setSuffix(" months");
  interval_->setAccessibleName("Verification interval");
  changeDetails_ = MakeButton("Change Details", detailBox);
  auto* detailForm = new QFormLayout(detailBox);
  detailForm->addRow(scaleCaption_);
  detailForm->addRow("Description", description_);
  detailForm->addRow("Serial number", serial_);
  detailForm->addRow("Verification interval", interval_);
  detailForm->addRow(QString(), changeDetails_);

  auto* left = new QVBoxLayout;
  left->addWidget(scaleBox, 1);
  left->addWidget(detailBox);

  tabs_ = new QTabWidget(this);
  tabs_->setAccessibleName("Records of the scale");

  // Visits.
  auto* visits = new QWidget(tabs_);
  visitList_ = MakeTree({"When", "Technician", "PC", "What", "Result"}, "Visits", visits);
  visitList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  visitList_->setMinimumSize(660, 200);
  visitList_->setColumnWidth(0, 120);
  visitList_->setColumnWidth(1, 120);
  visitList_->setColumnWidth(2, 100);
  visitList_->header()->setStretchLastSection(false);
  visitList_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
  visitList_->setColumnWidth(4, 70);
  differences_ = MakeButton("Differences", visits);
  open_ = MakeButton("Open", visits);
  export_ = MakeButton("Export\u2026", visits, "Export");
  putOnScale_ = MakeButton("Put on Scale\u2026", visits, "Put on Scale");
  auto* visitButtons = new QHBoxLayout;
  visitButtons->addWidget(differences_);
  visitButtons->addWidget(open_);
  visitButtons->addWidget(export_);
  visitButtons->addStretch();
  visitButtons->addWidget(putOnScale_);
  diffCaption_ = new QLabel("Choose two reads and press Differences.", visits);
  diffCaption_->setWordWrap(true);
  diffList_ = MakeTree({"Parameter", "Name", "Older read", "Newer read"}, "Differences", visits);
  diffList_->setMinimumHeight(120);
  diffList_->setColumnWidth(0, 80);
  diffList_->setColumnWidth(1, 260);
  diffList_->setColumnWidth(2, 140);
  auto* visitLayout = new QVBoxLayout(visits);
  visitLayout->addWidget(visitList_, 3);
  visitLayout->addLayout(visitButtons);
  visitLayout->addWidget(diffCaption_);
  visitLayout->addWidget(diffList_, 2);
  tabs_->addTab(visits, "Visits");

  // The calibration counts over the visits.
  auto* counts = new QWidget(tabs_);
  chart_ = new QChart;
  chart_->setMargins(QMargins(4, 4, 4, 4));
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chartView_ = new QChartView(chart_, counts);
  chartView_->setAccessibleName("Calibration counts chart");
  chartView_->setFocusPolicy(Qt::NoFocus);
  chartView_->setMinimumSize(560, 250);
  threshold_ = new QDoubleSpinBox(counts);
  threshold_->setRange(0.1, 50.0);
  threshold_->setSingleStep(0.5);
  threshold_->setDecimals(1);
  threshold_->setSuffix(" %");
  threshold_->setValue(records::kDefaultCountsThreshold * 100);
  threshold_->setAccessibleName("Flag a change beyond");
  auto* thresholdLabel = new QLabel("Flag a change beyond", counts);
  thresholdLabel->setBuddy(threshold_);
  flagged_ = new QListWidget(counts);
  flagged_->setAccessibleName("Changes to check");
  flagged_->setMaximumHeight(90);
  auto* thresholdRow = new QHBoxLayout;
  thresholdRow->addWidget(thresholdLabel);
  thresholdRow->addWidget(threshold_);
  thresholdRow->addStretch();
  auto* countsLayout = new QVBoxLayout(counts);
  countsLayout->addWidget(chartView_, 1);
  countsLayout->addLayout(thresholdRow);
  countsLayout->addWidget(flagged_);
  tabs_->addTab(counts, "Calibration Counts");

  // The scales due for verification.
  auto* due = new QWidget(tabs_);
  dueList_ = MakeTree({"Scale", "Last passed", "Due", ""}, "Due for verification", due);
  dueList_->setColumnWidth(0, 340);
  dueList_->setColumnWidth(1, 130);
  dueList_->setColumnWidth(2, 130);
  auto* dueLayout = new QVBoxLayout(due);
  dueLayout->addWidget(
      new QLabel("Soonest first: the last passed certificate plus the scale's "
                 "verification interval.",
                 due));
  dueLayout->addWidget(dueList_);
  tabs_->addTab(due, "Due for Verification");

  // The team store.
  auto* teamPage = new QWidget(tabs_);
  team_ = MakeField("Team store", teamPage);
  team_->setPlaceholderText("postgresql://user@host:5432/records");
  team_->setMinimumWidth(380);
  sync_ = MakeButton("Sync", teamPage);
  syncOutcome_ = new QLabel(teamPage);
  syncOutcome_->setWordWrap(true);
  syncOutcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* teamRow = new QHBoxLayout;
  auto* teamLabel = new QLabel("Team store", teamPage);
  teamLabel->setBuddy(team_);
  teamRow->addWidget(teamLabel);
  teamRow->addWidget(team_, 1);
  teamRow->addWidget(sync_);
  auto* note = new QLabel(
      "Sync sends the team's store every record this PC has that it lacks, and fetches every "
      "record of the team's scales that this PC lacks. The password comes from PGPASSFILE or "
      "~/.pgpass; Tamarack never keeps one. Records are always kept on this PC first: an "
      "interrupted sync loses nothing, and the next one goes on from there.",
      teamPage);
  note->setWordWrap(true);
  auto* teamLayout = new QVBoxLayout(teamPage);
  teamLayout->addLayout(teamRow);
  teamLayout->addWidget(syncOutcome_);
  teamLayout->addWidget(note);
  teamLayout->addStretch();
  tabs_->addTab(teamPage, "Team Store");

  technician_ = MakeField("Technician", this);
  technician_->setMaximumWidth(240);
  storeLine_ = new QLabel(this);
  storeLine_->setWordWrap(true);
  auto* lower = new QHBoxLayout;
  auto* technicianLabel = new QLabel("Technician", this);
  technicianLabel->setBuddy(technician_);
  lower->addWidget(technicianLabel);
  lower->addWidget(technician_);
  lower->addSpacing(12);
  lower->addWidget(storeLine_, 1);

  auto* upper = new QHBoxLayout;
  upper->addLayout(left);
  upper->addWidget(tabs_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(upper, 1);
  layout->addLayout(lower);
  resize(1120, 640);

  connect(searchSite_, &QLineEdit::textChanged, this, &CRecordsWindow::ListScales);
  connect(searchTag_, &QLineEdit::textChanged, this, &CRecordsWindow::ListScales);
  connect(scales_, &QListWidget::currentRowChanged, this, &CRecordsWindow::ShowScale);
  connect(visitList_, &QTreeWidget::itemSelectionChanged, this, &CRecordsWindow::UpdateButtons);
  connect(differences_, &QPushButton::clicked, this, &CRecordsWindow::OnDifferences);
  connect(open_, &QPushButton::clicked, this, &CRecordsWindow::OnOpen);
  connect(export_, &QPushButton::clicked, this, &CRecordsWindow::OnExport);
  connect(putOnScale_, &QPushButton::clicked, this, &CRecordsWindow::OnPutOnScale);
  connect(changeDetails_, &QPushButton::clicked, this, &CRecordsWindow::OnChangeDetails);
  connect(threshold_, &QDoubleSpinBox::valueChanged, this, &CRecordsWindow::ShowCounts);
  connect(dueList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const int row = dueList_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(due_.size())) return;
    if (ChooseScale(due_[static_cast<std::size_t>(row)].scale.id)) {
      tabs_->setCurrentIndex(static_cast<int>(Tab::kVisits));
    }
  });
  connect(sync_, &QPushButton::clicked, this, &CRecordsWindow::OnSync);
  connect(technician_, &QLineEdit::editingFinished, this, &CRecordsWindow::TakeTechnician);

  const QString url = options_.teamUrl ? *options_.teamUrl : FromUtf8(keeper_.LastTeamUrl());
  team_->setText(url);
}

void CRecordsWindow::RegisterTips() {
  relay_ = new ToolTipRelay(this);
  relay_->Add(searchSite_, "Show the scales whose site holds this text");
  relay_->Add(searchTag_, "Show the scales whose tag holds this text");
  relay_->Add(scales_, "The scales in the records; the first line holds the records on no scale");
  relay_->Add(description_, "What the scale is");
  relay_->Add(serial_, "The indicator's or the scale's serial number");
  relay_->Add(interval_, "How long a passed verification lasts before the next is due");
  relay_->Add(changeDetails_, "Keep the description, serial number and interval as a new record");
  relay_->Add(visitList_, "The chosen scale's records, newest first; choose two reads to compare");
  relay_->Add(differences_, "Show the parameters that differ between the two chosen reads");
  relay_->Add(open_, "Show the chosen service record or certificate in the PDF viewer");
  relay_->Add(export_, "Save the chosen record as a file: setup value file, PDF or CSV");
  relay_->Add(putOnScale_, "Put the chosen records on a scale");
  relay_->Add(threshold_,
              "A change of the zero or span counts between two visits beyond this is "
              "a sign to check the load cells");
  relay_->Add(flagged_, "The visits whose calibration counts changed beyond the threshold");
  relay_->Add(dueList_, "Every scale with its next verification, soonest first");
  relay_->Add(team_, "The team's PostgreSQL: postgresql://user@host:port/database");
  relay_->Add(sync_, "Exchange records with the team store");
  relay_->Add(technician_, "Who makes the records of this run");
}

void CRecordsWindow::Reload() {
  technician_->setText(FromUtf8(keeper_.Technician()));
  records::RecordStore* store = keeper_.Store();
  if (store == nullptr) {
    storeLine_->setText(keeper_.Problem().empty() ? QString("The records store is not open yet.")
                                                  : FromUtf8(keeper_.Problem()));
  } else {
    storeLine_->setText(QString("%1 records in %2")
                            .arg(QLocale().toString(static_cast<qulonglong>(store->RecordCount())),
                                 QDir::toNativeSeparators(FromUtf8(store->Where()))));
  }
  ListScales();
  ListDue();
}

void CRecordsWindow::ListScales() {
  const std::optional<std::string> chosen = ChosenScale();
  const QSignalBlocker quiet(scales_);
  scales_->clear();
  listed_.clear();
  if (records::RecordStore* store = keeper_.Store()) {
    listed_ = store->Scales(ToUtf8(searchSite_->text()), ToUtf8(searchTag_->text()));
    scales_->addItem("(records on no scale)");
    for (const Scale& s : listed_) scales_->addItem(ScaleText(s));
  }
  int row = scales_->count() > 1 ? 1 : 0;
  if (chosen) {
    if (chosen->empty()) row = 0;
    for (std::size_t i = 0; i < listed_.size(); ++i) {
      if (listed_[i].id == *chosen) row = static_cast<int>(i) + 1;
    }
  }
  if (scales_->count() > 0) scales_->setCurrentRow(row);
  ShowScale();
}

std::optional<std::string> CRecordsWindow::ChosenScale() const {
  const int row = scales_->currentRow();
  if (row < 0) return std::nullopt;
  if (row == 0) return std::string();
  if (row > static_cast<int>(listed_.size())) return std::nullopt;
  return listed_[static_cast<std::size_t>(row) - 1].id;
}

bool CRecordsWindow::ChooseScale(const std::string& id) {
  if (id.empty()) {
    if (scales_->count() == 0) return false;
    scales_->setCurrentRow(0);
    return true;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < listed_.size(); ++i) {
      if (listed_[i].id != id) continue;
      scales_->setCurrentRow(static_cast<int>(i) + 1);
      return true;
    }
    // Hidden by the search: show every scale.
    if (pass == 0 && (!searchSite_->text().isEmpty() || !searchTag_->text().isEmpty())) {
      searchSite_->clear();
      searchTag_->clear();
    } else {
      break;
    }
  }
  return false;
}

void CRecordsWindow::ShowScale() {
  const std::optional<std::string> chosen = ChosenScale();
  const Scale* scale = nullptr;
  for (const Scale& s : listed_) {
    if (chosen && s.id == *chosen) scale = &s;
  }
  if (scale != nullptr) {
    scaleCaption_->setText(
        QString("%1, added %2 by %3 on %4")
            .arg(FromUtf8(records::ScaleName(*scale)), LocalText(scale->createdAt, "yyyy-MM-dd"),
                 scale->technician.empty() ? QString("(no name)") : FromUtf8(scale->technician),
                 FromUtf8(scale->pc)));
    description_->setText(FromUtf8(scale->description));
    serial_->setText(FromUtf8(scale->serial));
    interval_->setValue(scale->intervalMonths);
  } else {
    scaleCaption_->setText(chosen ? QString("Records on no scale: put them on one with Put on "
                                            "Scale\u2026")
                                  : QString("No scale yet."));
    description_->clear();
    serial_->clear();
    interval_->setValue(records::kDefaultIntervalMonths);
  }
  for (QWidget* w :
       std::initializer_list<QWidget*>{description_, serial_, interval_, changeDetails_}) {
    w->setEnabled(scale != nullptr);
  }
  ListVisits();
  ShowCounts();
}

void CRecordsWindow::ListVisits() {
  std::set<std::string> chosenIds;
  for (const Record* r : ChosenVisits()) chosenIds.insert(r->id);
  const QSignalBlocker quiet(visitList_);
  visitList_->clear();
  visits_.clear();
  records::RecordStore* store = keeper_.Store();
  const std::optional<std::string> chosen = ChosenScale();
  if (store != nullptr && chosen) {
    visits_ = chosen->empty() ? store->Unplaced(kUnplacedShown) : store->History(*chosen);
  }
  for (const Record& r : visits_) {
    const records::RecordSummary summary = records::Summarize(r);
    auto* item = new QTreeWidgetItem(visitList_);
    item->setText(0, LocalText(r.at));
    item->setText(1, FromUtf8(r.technician));
    item->setText(2, FromUtf8(r.pc));
    item->setText(3, FromUtf8(summary.what));
    item->setText(4, FromUtf8(summary.result));
    item->setToolTip(3, FromUtf8(summary.what));
    if (summary.result == "failed") item->setForeground(4, QColor(0xb0, 0x00, 0x20));
    if (chosenIds.contains(r.id)) item->setSelected(true);
  }
  diffList_->clear();
  diffCaption_->setText("Choose two reads and press Differences.");
  UpdateButtons();
}

void CRecordsWindow::ChooseVisits(const std::vector<int>& rows) {
  visitList_->clearSelection();
  for (const int row : rows) {
    if (QTreeWidgetItem* item = visitList_->topLevelItem(row)) item->setSelected(true);
  }
  UpdateButtons();
}

std::vector<const Record*> CRecordsWindow::ChosenVisits() const {
  std::vector<const Record*> chosen;
  for (int i = 0; i < visitList_->topLevelItemCount(); ++i) {
    if (visitList_->topLevelItem(i)->isSelected() && i < static_cast<int>(visits_.size())) {
      chosen.push_back(&visits_[static_cast<std::size_t>(i)]);
    }
  }
  return chosen;
}

void CRecordsWindow::UpdateButtons() {
  const std::vector<const Record*> chosen = ChosenVisits();
  const bool one = chosen.size() == 1;
  const RecordKind kind = one ? chosen.front()->Kind() : RecordKind::kRead;
  differences_->setEnabled(chosen.size() == 2 && chosen[0]->Kind() == RecordKind::kRead &&
                           chosen[1]->Kind() == RecordKind::kRead);
  open_->setEnabled(one &&
                    (kind == RecordKind::kServiceRecord || kind == RecordKind::kCertificate));
  export_->setEnabled(one && !records::ExportFormats(kind).empty());
  putOnScale_->setEnabled(!chosen.empty() && std::ranges::all_of(chosen, [](const Record* r) {
    return IsVisitKind(r->Kind());
  }));
}

void CRecordsWindow::OnDifferences() {
  const std::vector<const Record*> chosen = ChosenVisits();
  if (chosen.size() != 2) return;
  // Newest first in the list: the second chosen is the older read.
  const Record& newer = *chosen[0];
  const Record& older = *chosen[1];
  const auto* before = std::get_if<records::ReadContent>(&older.content);
  const auto* after = std::get_if<records::ReadContent>(&newer.content);
  if (before == nullptr || after == nullptr) return;
  const std::vector<records::ValueChange> changes = records::ReadChanges(*before, *after);
  diffList_->clear();
  diffList_->setHeaderLabels({"Parameter", "Name", LocalText(older.at), LocalText(newer.at)});
  for (const records::ValueChange& change : changes) {
    auto* item = new QTreeWidgetItem(diffList_);
    item->setText(0, FromSingleByte(change.param->displayNumber));
    item->setText(1, ParamName(*change.param));
    item->setText(2, FromSingleByte(change.before));
    item->setText(3, FromSingleByte(change.after));
  }
  diffCaption_->setText(
      changes.empty() ? QString("The reads of %1 and %2 hold the same setup.")
                            .arg(LocalText(older.at), LocalText(newer.at))
                      : QString("Between the reads of %1 and %2, %3 %4:")
                            .arg(LocalText(older.at), LocalText(newer.at))
                            .arg(changes.size())
                            .arg(changes.size() == 1 ? "parameter differs" : "parameters differ"));
}

std::optional<Record> CRecordsWindow::ChosenWhole() {
  const std::vector<const Record*> chosen = ChosenVisits();
  if (chosen.size() != 1 || keeper_.Store() == nullptr) return std::nullopt;
  std::optional<Record> whole = keeper_.Store()->Get(chosen.front()->id);
  if (!whole) {
    ui_.Failure("The record cannot be read: " + keeper_.Store()->LastError());
  }
  return whole;
}

void CRecordsWindow::OnOpen() {
  const std::optional<Record> record = ChosenWhole();
  if (!record) return;
  std::string error;
  const std::optional<std::string> pdf =
      records::ExportBytes(*record, records::ExportFormat::kPdf, error);
  if (!pdf) {
    ui_.Failure("This record holds no PDF.");
    return;
  }
  // The viewer reads it after this returns: a file of its own that outlives the call.
  const QString folder = QDir::temp().filePath("tamarack-records");
  QDir().mkpath(folder);
  const QString path = QDir(folder).filePath(FromUtf8(record->id) + ".pdf");
  const FileResult written = ReplaceFile(NativePath(path), *pdf);
  if (!written.ok()) {
    ui_.Failure("The PDF cannot be shown: " + FailureText(written));
    return;
  }
  if (!options_.openUrl(QUrl::fromLocalFile(path))) {
    ui_.Failure("No PDF viewer opened " + ToUtf8(QDir::toNativeSeparators(path)) +
                ". Save it with Export\u2026 instead.");
  }
}

void CRecordsWindow::OnExport() {
  const std::optional<Record> record = ChosenWhole();
  if (!record) return;
  const std::vector<records::ExportFormat> formats = records::ExportFormats(record->Kind());
  if (formats.empty()) return;
  FileDialogSetup setup;
  for (const records::ExportFormat f : formats) setup.nameFilters << FileFilter(f);
  setup.defaultSuffix = FromUtf8(records::FormatName(formats.front()));
  const QString stem = FromUtf8(records::Summarize(*record).what).section(' ', 0, 1);
  setup.initialName = QString("%1_%2.%3")
                          .arg(QString(stem).replace(' ', ""),
                               LocalText(record->at, "yyyyMMdd-HHmm"), setup.defaultSuffix);
  const QString path = services_.pickSaveFile(this, setup);
  if (path.isEmpty()) return;
  // The file's ending says which form; one that names none gets the first.
  records::ExportFormat format = formats.front();
  for (const records::ExportFormat f : formats) {
    if (QFileInfo(path).suffix().compare(FromUtf8(records::FormatName(f)), Qt::CaseInsensitive) ==
        0) {
      format = f;
    }
  }
  std::string error;
  if (!records::ExportRecord(*record, format, NativePath(path), error)) {
    ui_.Failure("Record not exported: " + error);
  }
}

void CRecordsWindow::TakeTechnician() {
  keeper_.SetTechnician(ToUtf8(technician_->text().trimmed()));
}

void CRecordsWindow::OnPutOnScale() {
  records::RecordStore* store = keeper_.Store();
  const std::vector<const Record*> chosen = ChosenVisits();
  if (store == nullptr || chosen.empty()) return;
  TakeTechnician();
  records::ScaleQuestion question;
  question.what = records::Summarize(*chosen.front()).what;
  if (chosen.size() > 1)
    question.what += QString(" and %1 more").arg(chosen.size() - 1).toStdString();
  for (const Record* r : chosen) {
    if (const auto* read = std::get_if<records::ReadContent>(&r->content)) {
      question.proposed = store->ProposeScale(*read);
      break;
    }
  }
  std::vector<std::string> ids;
  for (const Record* r : chosen) ids.push_back(r->id);
  const std::string scaleId = ScaleAskerFor(keeper_, ui_, services_.runWindow, this)(question);
  technician_->setText(FromUtf8(keeper_.Technician()));
  if (scaleId.empty()) return;
  for (const std::string& id : ids) {
    std::string error;
    if (!store->Assign(id, scaleId, keeper_.Who(), error)) {
      ui_.Failure(std::string(records::kRecordsNotKept) + error);
      break;
    }
  }
  keeper_.Touch();
  ChooseScale(scaleId);
}

void CRecordsWindow::OnChangeDetails() {
  records::RecordStore* store = keeper_.Store();
  const std::optional<std::string> chosen = ChosenScale();
  if (store == nullptr || !chosen || chosen->empty()) return;
  TakeTechnician();
  records::ScaleDetailsContent details;
  details.description = ToUtf8(description_->text().trimmed());
  details.serial = ToUtf8(serial_->text().trimmed());
  details.intervalMonths = interval_->value();
  std::string error;
  if (!store->ChangeScale(*chosen, details, keeper_.Who(), error)) {
    ui_.Failure(std::string(records::kRecordsNotKept) + error);
    return;
  }
  keeper_.Touch();
}

void CRecordsWindow::ShowCounts() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  flagged_->clear();
  counts_.clear();
  const double threshold = threshold_->value() / 100.0;
  const std::optional<std::string> chosen = ChosenScale();
  records::RecordStore* store = keeper_.Store();
  if (store != nullptr && chosen && !chosen->empty()) counts_ = store->Counts(*chosen, threshold);
  chart_->setTitle(counts_.empty() ? QString("No complete read of this scale yet")
                                   : QString("Calibration counts over the visits"));

  auto* zero = new QLineSeries;
  zero->setName("Zero counts (F3.1)");
  zero->setPointsVisible(true);
  zero->setMarkerSize(5);
  auto* span = new QLineSeries;
  span->setName("Span counts (F3.3)");
  span->setPointsVisible(true);
  span->setMarkerSize(5);
  const QString beyond = QString::number(threshold_->value(), 'f', 1);
  auto* zeroFlags = new QScatterSeries;
  zeroFlags->setName("Zero change beyond " + beyond + " %");
  auto* spanFlags = new QScatterSeries;
  spanFlags->setName("Span change beyond " + beyond + " %");
  for (QScatterSeries* flags : {zeroFlags, spanFlags}) {
    flags->setMarkerSize(13);
    flags->setColor(QColor(0xd0, 0x10, 0x20));
    flags->setBorderColor(QColor(0x70, 0x00, 0x10));
  }
  zeroFlags->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  qint64 first = 0, last = 0;
  double zeroLow = HUGE_VAL, zeroHigh = -HUGE_VAL, spanLow = HUGE_VAL, spanHigh = -HUGE_VAL;
  for (const records::CountsPoint& p : counts_) {
    const qint64 ms = WhenOf(p.at).toMSecsSinceEpoch();
    if (first == 0 || ms < first) first = ms;
    last = std::max(last, ms);
    if (p.zero) {
      const auto v = static_cast<double>(*p.zero);
      zero->append(static_cast<double>(ms), v);
      zeroLow = std::min(zeroLow, v);
      zeroHigh = std::max(zeroHigh, v);
      if (p.zeroFlagged) zeroFlags->append(static_cast<double>(ms), v);
    }
    if (p.span) {
      const auto v = static_cast<double>(*p.span);
      span->append(static_cast<double>(ms), v);
      spanLow = std::min(spanLow, v);
      spanHigh = std::max(spanHigh, v);
      if (p.spanFlagged) spanFlags->append(static_cast<double>(ms), v);
    }
    const auto note = [&](const char* which, const std::optional<double>& change) {
      flagged_->addItem(
          QString("%1: %2 counts %3 since the visit before \u2014 check the load cells")
              .arg(LocalText(p.at), which, Percent(*change)));
    };
    if (p.zeroFlagged) note("zero", p.zeroChange);
    if (p.spanFlagged) note("span", p.spanChange);
  }
  if (flagged_->count() == 0) {
    flagged_->addItem(counts_.size() < 2
                          ? QString("Fewer than two reads of this scale: nothing to compare yet.")
                          : QString("No change beyond %1 % between two visits.").arg(beyond));
  }
  if (counts_.empty()) {
    delete zero;
    delete span;
    delete zeroFlags;
    delete spanFlags;
    return;
  }
  auto* axisX = new QDateTimeAxis;
  axisX->setFormat("yyyy-MM-dd");
  axisX->setTitleText("Visit");
  // A single visit, or visits of one day, still get a span to stand in.
  const qint64 day = 24LL * 3600 * 1000;
  const qint64 pad = std::max<qint64>((last - first) / 20, day);
  axisX->setRange(QDateTime::fromMSecsSinceEpoch(first - pad),
                  QDateTime::fromMSecsSinceEpoch(last + pad));
  axisX->setTickCount(std::clamp(static_cast<int>(counts_.size()) + 1, 3, 7));
  const auto valueAxis = [](const QString& title, double low, double high) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat("%.0f");
    if (low > high) low = high = 0;
    const double margin = std::max((high - low) * 0.15, std::max(std::fabs(high) * 0.02, 1.0));
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
    return axis;
  };
  QValueAxis* axisZero = valueAxis("Zero counts", zeroLow, zeroHigh);
  QValueAxis* axisSpan = valueAxis("Span counts", spanLow, spanHigh);
  axisZero->setLinePenColor(QColor(0x20, 0x60, 0xc0));
  axisSpan->setLinePenColor(QColor(0x20, 0x90, 0x40));
  chart_->addAxis(axisX, Qt::AlignBottom);
  chart_->addAxis(axisZero, Qt::AlignLeft);
  chart_->addAxis(axisSpan, Qt::AlignRight);
  zero->setColor(QColor(0x20, 0x60, 0xc0));
  span->setColor(QColor(0x20, 0x90, 0x40));
  for (QXYSeries* s : std::initializer_list<QXYSeries*>{zero, span, zeroFlags, spanFlags}) {
    chart_->addSeries(s);
    s->attachAxis(axisX);
    s->attachAxis(s == zero || s == zeroFlags ? axisZero : axisSpan);
  }
  // The flags stand in the legend only when there are some.
  for (QScatterSeries* flags : {zeroFlags, spanFlags}) {
    for (QLegendMarker* marker : chart_->legend()->markers(flags)) {
      marker->setVisible(flags->count() > 0);
    }
  }
}

void CRecordsWindow::ListDue() {
  dueList_->clear();
  due_.clear();
  if (records::RecordStore* store = keeper_.Store()) due_ = store->DueForVerification();
  const QDateTime now = QDateTime::fromSecsSinceEpoch(services_.clock.Now(), Qt::UTC);
  for (const records::DueScale& d : due_) {
    auto* item = new QTreeWidgetItem(dueList_);
    item->setText(0, ScaleText(d.scale));
    item->setText(1,
                  d.lastPassed.empty() ? QString("never") : LocalText(d.lastPassed, "yyyy-MM-dd"));
    item->setText(2, d.due.empty() ? QString("now") : LocalText(d.due, "yyyy-MM-dd"));
    QString state;
    if (d.lastPassed.empty()) {
      state = "never verified";
    } else if (const QDateTime due = WhenOf(d.due); due.isValid() && due < now) {
      state = "overdue";
    } else if (due.isValid() && due < now.addDays(30)) {
      state = "due within 30 days";
    }
    item->setText(3, state);
    if (state == "overdue") item->setForeground(3, QColor(0xb0, 0x00, 0x20));
  }
}

void CRecordsWindow::OnSync() {
  if (syncing_ || keeper_.Store() == nullptr) return;
  const std::string url = ToUtf8(team_->text().trimmed());
  if (url.empty()) {
    ui_.Failure("Give the team store's address: postgresql://user@host:port/database");
    return;
  }
  syncing_ = true;
  sync_->setEnabled(false);
  team_->setEnabled(false);
  syncOutcome_->setText("Syncing with " + FromUtf8(url) + "\u2026");
  if (syncThread_.joinable()) syncThread_.join();
  // A store is used from the thread that opened it: the sync opens the local store once more on
  // its own thread, so that this window stays responsive while it runs.
  syncThread_ = std::thread([this, url, folder = keeper_.Folder()] {
    records::SyncResult result;
    records::RecordStore::Opened local = records::RecordStore::OpenLocal(folder);
    if (!local.store) {
      result.message = local.message;
    } else {
      result = records::Sync(*local.store, url);
    }
    local.store.reset();
    QMetaObject::invokeMethod(
        this, [this, result] { SyncEnd(result); }, Qt::QueuedConnection);
  });
}

void CRecordsWindow::SyncEnd(const records::SyncResult& result) {
  if (syncThread_.joinable()) syncThread_.join();
  syncing_ = false;
  sync_->setEnabled(true);
  team_->setEnabled(true);
  QString outcome = FromUtf8(result.message);
  if (result.ok) {
    const std::string kept = keeper_.RememberTeamUrl(ToUtf8(team_->text().trimmed()));
    if (!kept.empty()) outcome += "\n(The address was not remembered: " + FromUtf8(kept) + ")";
  }
  syncOutcome_->setText(outcome);
  if (!result.ok) ui_.Failure(result.message);
  if (result.counts.recordsFetched > 0 || result.counts.scalesFetched > 0) keeper_.Touch();
  emit SyncEnded(result.ok);
}

}  // namespace tamarack
