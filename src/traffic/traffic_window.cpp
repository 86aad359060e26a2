#include "traffic/traffic_window.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <vector>

#include "files/replace_file.h"
#include "traffic/traffic_text.h"
#include "ui/accessible.h"
#include "ui/fit_screen.h"
#include "ui/modal_dialog.h"
#include "ui/text.h"

namespace tamarack {
namespace {

// Text unless CSV is chosen; the name takes the suffix of the form chosen.
FileDialogSetup SaveDialog() {
  FileDialogSetup setup;
  setup.caption = "Save Traffic";
  setup.nameFilters = {"Text files (*.txt)", "CSV files (*.csv)"};
  setup.defaultSuffix = "txt";
  setup.initialName = "traffic.txt";
  return setup;
}

}  // namespace

int TrafficModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kTrafficColumns;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TracedExchange& exchange = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    return FromUtf8(TrafficCells(exchange)[static_cast<std::size_t>(index.column())]);
  }
  if (role == Qt::TextAlignmentRole) {
    const int c = index.column();
    const bool number = c == 0 || c == 2 || c == 3;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kTrafficColumns) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return FromSingleByte(kTrafficHeaders[static_cast<std::size_t>(section)]);
}

void TrafficModel::Append(const TracedExchange& exchange) {
  if (rows_.size() >= limit_) {
    beginRemoveRows(QModelIndex(), 0, 0);
    rows_.pop_front();
    endRemoveRows();
  }
  const int row = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), row, row);
  rows_.push_back(exchange);
  endInsertRows();
}

void TrafficModel::Reset(std::deque<TracedExchange> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  while (rows_.size() > limit_) rows_.pop_front();
  endResetModel();
}

CTrafficWindow::CTrafficWindow(TracingLink& link, const WindowServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), services_(services) {
  setObjectName("CTrafficWindow");
  KeepAccessible(this);
  TitleWindow(*this, "Traffic");
  setAccessibleName("Traffic");

  hidePolls_ = new QCheckBox("Hide polls", this);
  hidePolls_->setAccessibleName("Hide polls");
  hidePolls_->setChecked(true);
  pause_ = MakeButton("Pause", this);
  pause_->setCheckable(true);
  clear_ = MakeButton("Clear", this);
  save_ = MakeButton("Save\u2026", this, "Save");

  model_ = new TrafficModel(link.Capacity(), this);
  table_ = new QTableView(this);
  table_->setAccessibleName("Exchanges");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list (it would walk every cell of thousands of rows); the arrows walk the rows.
  table_->setTabKeyNavigation(false);
  table_->setWordWrap(false);
  table_->setTextElideMode(Qt::ElideRight);
  table_->verticalHeader()->hide();
  // Rows of one height, so that ten thousand of them cost nothing to lay out.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int charWidth = table_->fontMetrics().horizontalAdvance('0');
  // The reply takes what is left, so that the usual width needs no scrolling sideways.
  const int widths[kTrafficColumns - 1] = {9, 44, 6, 12, 30};
  for (int c = 0; c < kTrafficColumns - 1; ++c) table_->setColumnWidth(c, widths[c] * charWidth);

  details_ = new QPlainTextEdit(this);
  details_->setAccessibleName("Exchange details");
  details_->setReadOnly(true);
  details_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  details_->setLineWrapMode(QPlainTextEdit::NoWrap);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(hidePolls_);
  buttons->addStretch();
  buttons->addWidget(pause_);
  buttons->addWidget(clear_);
  buttons->addWidget(save_);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(table_);
  splitter->addWidget(details_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(splitter);
  resize(1100, 560);
  FitToScreen(*this, UsableArea(*this));

  connect(hidePolls_, &QCheckBox::toggled, this, [this] { Reload(); });
  connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
    if (!paused) Reload();
  });
  connect(clear_, &QPushButton::clicked, this, [this] {
    link_.Clear();
    model_->Reset({});
    details_->clear();
  });
  connect(save_, &QPushButton::clicked, this, &CTrafficWindow::OnSave);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { ShowDetails(); });

  listener_ = link_.AddListener([this](const TracedExchange& exchange) { OnExchange(exchange); });
  Reload();
}

CTrafficWindow::~CTrafficWindow() {
  link_.RemoveListener(listener_);
}

bool CTrafficWindow::Shows(const TracedExchange& exchange) const {
  return !(hidePolls_->isChecked() && exchange.poll);
}

void CTrafficWindow::OnExchange(const TracedExchange& exchange) {
  if (pause_->isChecked() || !Shows(exchange)) return;
  // Follow new rows only while the view is at the bottom, so that reading older ones is not
  // disturbed.
  QScrollBar* bar = table_->verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum();
  model_->Append(exchange);
  if (atBottom) table_->scrollToBottom();
}

void CTrafficWindow::Reload() {
  std::deque<TracedExchange> rows;
  for (const TracedExchange& exchange : link_.Exchanges()) {
    if (Shows(exchange)) rows.push_back(exchange);
  }
  model_->Reset(std::move(rows));
  details_->clear();
  table_->scrollToBottom();
}

void CTrafficWindow::ShowDetails() {
  const QModelIndex current = table_->currentIndex();
  if (!current.isValid() || current.row() >= model_->rowCount()) {
    details_->clear();
    return;
  }
  const TracedExchange& exchange = model_->Rows()[static_cast<std::size_t>(current.row())];
  std::string text = exchange.meaning + "\n\nRequest, " + std::to_string(exchange.request.size()) +
                     " bytes:\n" + HexDump(exchange.request) + "\nReply, " +
                     std::to_string(exchange.reply.size()) + " bytes:\n" + HexDump(exchange.reply);
  details_->setPlainText(FromUtf8(text));
}

void CTrafficWindow::OnSave() {
  const QString path = services_.pickSaveFile(this, SaveDialog());
  if (path.isEmpty()) return;
  SaveTo(path, path.endsWith(".csv", Qt::CaseInsensitive));
}

bool CTrafficWindow::SaveTo(const QString& path, bool csv) {
  const std::vector<TracedExchange> rows(model_->Rows().begin(), model_->Rows().end());
  const std::string text = csv ? TrafficCsv(rows) : TrafficText(rows);
  const FileResult saved = ReplaceFile(NativePath(path), text);
  if (!saved.ok()) {
    services_.feedback.Failure("The traffic could not be saved to " + ToUtf8(path) + ": " +
                               FailureText(saved));
  }
  return saved.ok();
}

}  // namespace tamarack
