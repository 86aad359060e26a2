#include "records/scale_dialog.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/text.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
namespace {

using records::Scale;

QString Listed(const Scale& s) {
  QString text = FromUtf8(records::ScaleName(s));
  if (!s.description.empty()) text += "  \u2014 " + FromUtf8(s.description);
  if (!s.serial.empty()) text += "  (" + FromUtf8(s.serial) + ")";
  return text;
}

}  // namespace

ScaleSearch AddScaleSearch(QGridLayout& grid, QWidget* box, const QString& listName) {
  ScaleSearch search{MakeField("Search site", box), MakeField("Search tag", box), nullptr};
  search.list = new QListWidget(box);
  search.list->setAccessibleName(listName);
  grid.addWidget(new QLabel("Site", box), 0, 0);
  grid.addWidget(search.site, 0, 1);
  grid.addWidget(new QLabel("Tag", box), 0, 2);
  grid.addWidget(search.tag, 0, 3);
  grid.addWidget(search.list, 1, 0, 1, 4);
  return search;
}

CScaleDlg::CScaleDlg(records::RecordKeeper& keeper, const records::ScaleQuestion& question,
                     UserFeedback& ui, QWidget* parent)
    : CModalDlg(parent), keeper_(keeper), ui_(ui) {
  setObjectName("CScaleDlg");
  SetTitle("Which Scale?");

  auto* what = new QLabel("Keeping: " + FromUtf8(question.what), this);
  proposal_ = new QLabel(this);
  proposal_->setWordWrap(true);
  if (question.proposed) {
    proposedId_ = question.proposed->id;
    proposal_->setText(
        "This indicator's software version, graduations and calibration counts "
        "are those of " +
        FromUtf8(records::ScaleName(*question.proposed)) +
        " when it was last read. Is it this scale?");
  }
  proposal_->setVisible(question.proposed.has_value());

  technician_ = MakeField("Technician", this);
  technician_->setText(FromUtf8(keeper_.Technician()));
  auto* who = new QFormLayout;
  who->addRow("Technician", technician_);

  auto* known = new QGroupBox("Known scales", this);
  auto* knownGrid = new QGridLayout(known);
  const ScaleSearch search = AddScaleSearch(*knownGrid, known, "Known scales");
  searchSite_ = search.site;
  searchTag_ = search.tag;
  list_ = search.list;
  list_->setMinimumSize(420, 150);
  thisScale_ = MakeButton("This Scale", known);
  knownGrid->addWidget(thisScale_, 2, 3, Qt::AlignRight);

  auto* added = new QGroupBox("New scale", this);
  site_ = MakeField("New site", added);
  tag_ = MakeField("New tag", added);
  description_ = MakeField("Description", added);
  serial_ = MakeField("Serial number", added);
  interval_ = new QSpinBox(added);
  interval_->setRange(1, 120);
  interval_->setValue(records::kDefaultIntervalMonths);
  interval_->setSuffix(" months");
  interval_->setAccessibleName("Verification interval");
  addScale_ = MakeButton("Add Scale", added);
  auto* addedForm = new QFormLayout(added);
  addedForm->addRow("Site", site_);
  addedForm->addRow("Tag", tag_);
  addedForm->addRow("Description", description_);
  addedForm->addRow("Serial number", serial_);
  addedForm->addRow("Verification interval", interval_);
  addedForm->addRow(QString(), addScale_);

  notNow_ = MakeButton("Not Now", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(notNow_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(what);
  layout->addWidget(proposal_);
  layout->addLayout(who);
  layout->addWidget(known);
  layout->addWidget(added);
  layout->addLayout(buttons);

  connect(searchSite_, &QLineEdit::textChanged, this, &CScaleDlg::Search);
  connect(searchTag_, &QLineEdit::textChanged, this, &CScaleDlg::Search);
  connect(list_, &QListWidget::currentRowChanged, this,
          [this](int row) { thisScale_->setEnabled(row >= 0); });
  connect(list_, &QListWidget::itemDoubleClicked, this, &CScaleDlg::OnThisScale);
  connect(thisScale_, &QPushButton::clicked, this, &CScaleDlg::OnThisScale);
  connect(addScale_, &QPushButton::clicked, this, &CScaleDlg::OnAddScale);
  connect(notNow_, &QPushButton::clicked, this, &CScaleDlg::OnNotNow);

  relay_ = new ToolTipRelay(this);
  relay_->Add(technician_, "Who makes these records; asked once while Tamarack runs");
  relay_->Add(searchSite_, "Show the scales whose site holds this text");
  relay_->Add(searchTag_, "Show the scales whose tag holds this text");
  relay_->Add(list_, "The scales in the records, by site and tag");
  relay_->Add(thisScale_, "Keep the records of this window on the chosen scale");
  relay_->Add(site_, "Where the scale stands: a plant, a customer, an address");
  relay_->Add(tag_, "The scale's name at its site, as written on it");
  relay_->Add(description_, "What the scale is, if it helps (optional)");
  relay_->Add(serial_, "The indicator's or the scale's serial number (optional)");
  relay_->Add(interval_, "How long a passed verification lasts");
  relay_->Add(addScale_, "Add this scale to the records and keep the records of this window on it");
  relay_->Add(notNow_, "Keep the records on no scale; give them one later in the Records window");

  Search();
}

void CScaleDlg::Search() {
  list_->clear();
  thisScale_->setEnabled(false);
  if (keeper_.Store() == nullptr) return;
  listed_ = keeper_.Store()->Scales(ToUtf8(searchSite_->text()), ToUtf8(searchTag_->text()));
  for (const Scale& s : listed_) {
    list_->addItem(Listed(s));
    // Chosen for the technician to confirm: nothing is taken until "This Scale".
    if (s.id == proposedId_) list_->setCurrentRow(list_->count() - 1);
  }
}

void CScaleDlg::TakeTechnician() {
  keeper_.SetTechnician(ToUtf8(technician_->text().trimmed()));
}

void CScaleDlg::OnThisScale() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(listed_.size())) return;
  TakeTechnician();
  chosen_ = listed_[static_cast<std::size_t>(row)].id;
  accept();
}

void CScaleDlg::OnAddScale() {
  if (keeper_.Store() == nullptr) return;
  TakeTechnician();
  Scale scale;
  scale.site = ToUtf8(site_->text());
  scale.tag = ToUtf8(tag_->text());
  scale.description = ToUtf8(description_->text().trimmed());
  scale.serial = ToUtf8(serial_->text().trimmed());
  scale.intervalMonths = interval_->value();
  std::string error;
  if (!keeper_.Store()->AddScale(scale, keeper_.Who(), error)) {
    ui_.Failure(error);
    return;
  }
  keeper_.Touch();
  chosen_ = scale.id;
  accept();
}

void CScaleDlg::OnNotNow() {
  TakeTechnician();
  chosen_.clear();
  done(QDialog::Rejected);
}

records::ScaleAsker ScaleAskerFor(records::RecordKeeper& keeper, UserFeedback& ui,
                                  std::function<int(QDialog&)> runWindow, QWidget* parent) {
  return [&keeper, &ui, runWindow = std::move(runWindow),
          parent](const records::ScaleQuestion& question) {
    CScaleDlg dlg(keeper, question, ui, parent);
    runWindow(dlg);
    return dlg.Chosen();
  };
}

}  // namespace tamarack
