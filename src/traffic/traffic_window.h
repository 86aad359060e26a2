#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <deque>

#include "link/tracing_link.h"
#include "ui/window_services.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace tamarack {

// The rows of the Traffic window: copies of the exchanges shown, at most as many as the ring of
// the link holds, oldest first.
class TrafficModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TrafficModel(std::size_t limit, QObject* parent = nullptr)
      : QAbstractTableModel(parent), limit_(limit) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Adds a row at the bottom, dropping the oldest when the limit is reached.
  void Append(const TracedExchange& exchange);
  void Reset(std::deque<TracedExchange> rows);
  const std::deque<TracedExchange>& Rows() const { return rows_; }

 private:
  std::size_t limit_;
  std::deque<TracedExchange> rows_;
};

// The "Traffic" tool window: every exchange with the indicator as the TracingLink recorded it.
// It is a window of its own, outside the chain of working windows, so that it stays usable while
// one of them is open and can stay open from one of them to the next.
class CTrafficWindow : public QWidget {
  Q_OBJECT

 public:
  CTrafficWindow(TracingLink& link, const WindowServices& services, QWidget* parent = nullptr);
  ~CTrafficWindow() override;

  // "Save…": asks for a file and writes the rows shown, as CSV when its name ends ".csv".
  void OnSave();
  // Writes the rows shown to `path`, as text or CSV, replacing the file at once or not at all.
  // A failure is told to the user; the rows stay as they are.
  bool SaveTo(const QString& path, bool csv);

  QCheckBox* HidePollsBox() const { return hidePolls_; }
  QPushButton* PauseButton() const { return pause_; }
  QPushButton* ClearButton() const { return clear_; }
  QPushButton* SaveButton() const { return save_; }
  QTableView* Table() const { return table_; }
  QPlainTextEdit* Details() const { return details_; }
  const TrafficModel& Model() const { return *model_; }

 private:
  bool Shows(const TracedExchange& exchange) const;
  void OnExchange(const TracedExchange& exchange);
  // Fills the rows again from the link's ring (after "Hide polls" changed or "Pause" ended).
  void Reload();
  void ShowDetails();

  TracingLink& link_;
  WindowServices services_;
  int listener_ = 0;
  TrafficModel* model_ = nullptr;
  QCheckBox* hidePolls_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* save_ = nullptr;
  QTableView* table_ = nullptr;
  QPlainTextEdit* details_ = nullptr;
};

}  // namespace tamarack
