#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "records/record.h"
#include "records/record_keeper.h"
#include "records/record_sync.h"
#include "ui/window_services.h"

class QChart;
class QChartView;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace tamarack {

class ToolTipRelay;

// The "Records" tool window: the scales in the records (searched by site and tag), each scale's
// visits over time, the differences between two of its reads, its stored service records and
// certificates to open or export, its zero and span calibration counts over its visits with the
// changes worth a look at the load cells, the scales due for verification, and the sync with the
// team's store. Like the Traffic window it is a window of its own, usable beside the working
// windows. Everything it shows is read from the store again whenever a record is kept.
class CRecordsWindow : public QWidget {
  Q_OBJECT

 public:
  // The tabs, in order.
  enum class Tab { kVisits, kCounts, kDue, kTeam };

  struct Options {
    // Shows a file in the desktop's viewer; QDesktopServices::openUrl when empty.
    std::function<bool(const QUrl& url)> openUrl;
    // The team store's address offered at first; the one used last when unset.
    std::optional<QString> teamUrl;
  };

  CRecordsWindow(records::RecordKeeper& keeper, const WindowServices& services,
                 QWidget* parent = nullptr);
  CRecordsWindow(records::RecordKeeper& keeper, const WindowServices& services, Options options,
                 QWidget* parent = nullptr);
  ~CRecordsWindow() override;

  // Reads everything from the store again, keeping the scale and the records chosen.
  void Reload();
  // The scale chosen in the list: its id, or empty for the records on no scale; nothing when the
  // list is empty.
  std::optional<std::string> ChosenScale() const;
  // Chooses the scale of `id` (empty: the records on no scale) in the list.
  bool ChooseScale(const std::string& id);
  // The chosen scale's records as listed, newest first.
  const std::vector<records::Record>& Visits() const { return visits_; }
  // Chooses the visits at these rows.
  void ChooseVisits(const std::vector<int>& rows);

  // "Differences": between the two chosen reads, the older before the newer.
  void OnDifferences();
  // "Open": the chosen service record's or certificate's PDF in the desktop's viewer.
  void OnOpen();
  // "Export…": the chosen record as a file of its kind, through the save dialog.
  void OnExport();
  // "Put on Scale…": the chosen records onto the scale the technician names.
  void OnPutOnScale();
  // "Change Details": the chosen scale's description, serial number and interval.
  void OnChangeDetails();
  // "Sync": with the team store at the address given; the local store is never the worse for it.
  void OnSync();
  bool Syncing() const { return syncing_; }

  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* SearchSiteField() const { return searchSite_; }
  QLineEdit* SearchTagField() const { return searchTag_; }
  QListWidget* ScaleList() const { return scales_; }
  QLineEdit* DescriptionField() const { return description_; }
  QLineEdit* SerialField() const { return serial_; }
  QSpinBox* IntervalBox() const { return interval_; }
  QPushButton* ChangeDetailsButton() const { return changeDetails_; }
  QTreeWidget* VisitList() const { return visitList_; }
  QPushButton* DifferencesButton() const { return differences_; }
  QPushButton* OpenButton() const { return open_; }
  QPushButton* ExportButton() const { return export_; }
  QPushButton* PutOnScaleButton() const { return putOnScale_; }
  QLabel* DifferencesCaption() const { return diffCaption_; }
  QTreeWidget* DifferenceList() const { return diffList_; }
  QChart* CountsChart() const { return chart_; }
  QDoubleSpinBox* ThresholdBox() const { return threshold_; }
  QListWidget* FlaggedList() const { return flagged_; }
  QTreeWidget* DueList() const { return dueList_; }
  QLineEdit* TeamField() const { return team_; }
  QPushButton* SyncButton() const { return sync_; }
  QLabel* SyncOutcome() const { return syncOutcome_; }
  QLineEdit* TechnicianField() const { return technician_; }
  QLabel* StoreLine() const { return storeLine_; }
  const std::vector<records::CountsPoint>& Counts() const { return counts_; }
  const std::vector<records::DueScale>& Due() const { return due_; }

 signals:
  // A sync has ended, with its outcome shown.
  void SyncEnded(bool ok);

 private:
  void Build();
  void RegisterTips();
  void ListScales();
  void ShowScale();
  void ListVisits();
  void ShowCounts();
  void ListDue();
  void UpdateButtons();
  // The chosen visits, in the list's order (newest first).
  std::vector<const records::Record*> ChosenVisits() const;
  // The chosen record, whole (its PDF too); nothing with a message when it cannot be read.
  std::optional<records::Record> ChosenWhole();
  void TakeTechnician();
  void SyncEnd(const records::SyncResult& result);

  records::RecordKeeper& keeper_;
  WindowServices services_;
  UserFeedback& ui_;
  Options options_;
  std::vector<records::Scale> listed_;  // the list's scales after its first row
  std::vector<records::Record> visits_;
  std::vector<records::CountsPoint> counts_;
  std::vector<records::DueScale> due_;
  std::thread syncThread_;
  bool syncing_ = false;

  QLineEdit* searchSite_ = nullptr;
  QLineEdit* searchTag_ = nullptr;
  QListWidget* scales_ = nullptr;
  QLabel* scaleCaption_ = nullptr;
  QLineEdit* description_ = nullptr;
  QLineEdit* serial_ = nullptr;
  QSpinBox* interval_ = nullptr;
  QPushButton* changeDetails_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTreeWidget* visitList_ = nullptr;
  QPushButton* differences_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* putOnScale_ = nullptr;
  QLabel* diffCaption_ = nullptr;
  QTreeWidget* diffList_ = nullptr;
  QChart* chart_ = nullptr;
  QChartView* chartView_ = nullptr;
  QDoubleSpinBox* threshold_ = nullptr;
  QListWidget* flagged_ = nullptr;
  QTreeWidget* dueList_ = nullptr;
  QLineEdit* team_ = nullptr;
  QPushButton* sync_ = nullptr;
  QLabel* syncOutcome_ = nullptr;
  QLineEdit* technician_ = nullptr;
  QLabel* storeLine_ = nullptr;
  ToolTipRelay* relay_ = nullptr;
};

}  // namespace tamarack
