#include "records/history_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/text.h"

namespace tamarack {

CHistoryDlg::CHistoryDlg(const SetupHistory& history, const SetupModel& model, QWidget* parent)
    : CModalDlg(parent), entries_(history.List()) {
  setObjectName("CHistoryDlg");
  SetTitle("History");
  auto* caption = new QLabel(tr("Setups read from the indicator, newest first"), this);
  list_ = new QTreeWidget(this);
  list_->setAccessibleName("History");
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"Time", "Port", "Version", "Differences"});
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->setMinimumSize(520, 240);
  for (const HistoryEntry& entry : entries_) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, FromUtf8(entry.meta.time.empty() ? entry.path : entry.meta.time));
    item->setText(1, FromUtf8(entry.meta.port));
    item->setText(2, FromUtf8(entry.meta.version));
    if (!entry.readable) {
      item->setText(3, FromUtf8("unreadable: " + entry.problem));
      item->setToolTip(0, FromUtf8(entry.path));
      item->setFlags(Qt::NoItemFlags);  // listed, never loaded
      continue;
    }
    const std::optional<std::size_t> differ = DifferencesIfLoaded(model, entry.record);
    item->setText(3, differ ? QString::number(*differ) : QString("-"));
  }
  load_ = MakeButton("Load", this);
  cancel_ = MakeButton("Cancel", this);
  load_->setEnabled(false);
  connect(list_, &QTreeWidget::currentItemChanged, this,
          [this] { load_->setEnabled(Selected().has_value()); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (Selected()) accept();
  });
  connect(load_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(load_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(list_);
  layout->addLayout(buttons);
}

std::optional<std::string> CHistoryDlg::Selected() const {
  const QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr) return std::nullopt;
  const int row = list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
  if (row < 0 || !entries_[static_cast<std::size_t>(row)].readable) return std::nullopt;
  return entries_[static_cast<std::size_t>(row)].record;
}

}  // namespace tamarack
