#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "indicator/live_indicator_model.h"
#include "indicator/trend_watch.h"
#include "indicator/weight_series.h"
#include "link/tracing_link.h"
#include "ui/window_services.h"

class QCheckBox;
class QChart;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace tamarack {

class TrendChartView;

// The figures shown beside the chart, top to bottom.
enum class TrendFigure { kPoints, kMinimum, kMaximum, kMean, kStdDev, kSettle, kDrift };
inline constexpr std::size_t kTrendFigureCount = 7;

// The "Weight Trend" tool window: the displayed weight against time, from every display poll that
// goes through the traced port (the Indicator window's, or its own while "Watch" is on), with the
// figures of the visible span beside it. Like the Traffic window it is a window of its own, so it
// stays usable beside the working windows.
class CTrendWindow : public QWidget {
  Q_OBJECT

 public:
  // `portOpen` tells whether the port is open; Watch stops when it is not.
  CTrendWindow(TracingLink& link, const WindowServices& services, std::function<bool()> portOpen,
               QWidget* parent = nullptr);
  ~CTrendWindow() override;

  // The spans offered, in seconds.
  static constexpr std::array<int, 3> kSpans{60, 300, 1800};

  // Watch's timer: polls once unless something else must go first.
  void OnWatchTimer();
  // Draws the series again (unless paused).
  void Refresh();
  void OnSave();
  // Writes the whole series as CSV, replacing the file at once or not at all; a failure is told.
  bool SaveTo(const QString& path);

  const WeightSeries& Series() const { return series_; }
  // The lines drawn now: one per stretch joined without a gap, unit or gross/net change.
  std::vector<QLineSeries*> Lines() const;
  // What is drawn now.
  const TrendPicture& Marks() const { return picture_; }
  // The polls Watch itself has made.
  std::size_t OwnPolls() const { return ownPolls_; }
  QCheckBox* WatchBox() const { return watch_; }
  QPushButton* PauseButton() const { return pause_; }
  QPushButton* ClearButton() const { return clear_; }
  QPushButton* SaveButton() const { return save_; }
  QLabel* StatusLabel() const { return status_; }
  QLabel* FigureLabel(TrendFigure which) const { return figures_[static_cast<std::size_t>(which)]; }

 private:
  void OnExchange(const TracedExchange& exchange);
  void OnWatchToggled(bool on);
  void ShowFigures(const std::optional<SeriesFigures>& figures);
  QLineSeries* Line(std::size_t i);

  TracingLink& link_;
  WindowServices services_;
  UserFeedback& ui_;
  std::function<bool()> portOpen_;
  int listener_ = 0;
  WeightSeries series_;
  Clock::Steady::time_point origin_;

  // Watch: the poll's own state, as the Indicator window keeps it.
  LiveIndicatorModel watchModel_;
  bool watchPolling_ = false;
  std::size_t ownPolls_ = 0;
  std::optional<Clock::Steady::time_point> lastOtherPoll_;
  QTimer watchTimer_;
  QTimer refreshTimer_;

  QChart* chart_ = nullptr;
  TrendChartView* view_ = nullptr;
  QValueAxis* axisX_ = nullptr;
  QValueAxis* axisY_ = nullptr;
  std::vector<QLineSeries*> lines_;
  std::size_t linesShown_ = 0;
  TrendPicture picture_;
  QCheckBox* watch_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* save_ = nullptr;
  QComboBox* span_ = nullptr;
  QLabel* status_ = nullptr;
  std::array<QLabel*, kTrendFigureCount> figures_{};
};

}  // namespace tamarack
