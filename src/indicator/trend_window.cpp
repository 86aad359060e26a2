#include "indicator/trend_window.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "feedback/operation_scope.h"
#include "files/replace_file.h"
#include "ui/accessible.h"
#include "ui/file_dialog.h"
#include "ui/fit_screen.h"
#include "ui/modal_dialog.h"
#include "ui/text.h"

namespace tamarack {
namespace {

const QColor kGrossPen(31, 90, 180);
const QColor kNetPen(20, 140, 60);
const QColor kUnstableShade(255, 160, 0, 60);

constexpr const char* kFigureNames[kTrendFigureCount] = {
    "Points", "Minimum", "Maximum", "Mean", "Std dev", "Settle time", "Drift per minute"};

FileDialogSetup SaveDialog() {
  FileDialogSetup setup;
  setup.nameFilters = {"CSV files (*.csv)"};
  setup.defaultSuffix = "csv";
  setup.initialName = "trend.csv";
  return setup;
}

double SecondsSince(Clock::Steady::time_point origin, Clock::Steady::time_point now) {
  return std::chrono::duration<double>(now - origin).count();
}

}  // namespace

// The chart with the unstable stretches shaded and the unit or gross/net changes marked by a
// dashed line, painted over the plot from the marks the window worked out.
class TrendChartView : public QChartView {
 public:
  TrendChartView(QChart* chart, const TrendPicture& marks, QWidget* parent)
      : QChartView(chart, parent), marks_(marks) {}

  // The first line, which is always attached; it gives the axes' mapping.
  QLineSeries* anchor = nullptr;

 protected:
  void drawForeground(QPainter* painter, const QRectF& rect) override {
    QChartView::drawForeground(painter, rect);
    QChart* c = chart();
    const QRectF plot = c->plotArea();
    if (plot.isEmpty() || anchor == nullptr) return;
    const auto x = [&](double seconds) {
      return c->mapToPosition(QPointF(seconds, 0), anchor).x();
    };
    painter->save();
    painter->setClipRect(plot);
    for (const auto& [from, to] : marks_.unstable) {
      const double left = x(from);
      painter->fillRect(QRectF(left, plot.top(), std::max(1.0, x(to) - left), plot.height()),
                        kUnstableShade);
    }
    painter->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    for (const TrendPicture::Change& change : marks_.changes) {
      const double at = x(change.seconds);
      painter->drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
      painter->drawText(QPointF(at + 4, plot.top() + painter->fontMetrics().ascent() + 2),
                        FromUtf8(change.label));
    }
    painter->restore();
  }

 private:
  const TrendPicture& marks_;
};

CTrendWindow::CTrendWindow(TracingLink& link, const WindowServices& services,
                           std::function<bool()> portOpen, QWidget* parent)
    : QWidget(parent, Qt::Window),
      link_(link),
      services_(services),
      ui_(services_.feedback),
      portOpen_(std::move(portOpen)),
      origin_(services_.clock.Monotonic()) {
  setObjectName("CTrendWindow");
  TitleWindow(*this, "Weight Trend");
  setAccessibleName("Weight Trend");

  chart_ = new QChart;
  chart_->legend()->hide();
  chart_->setMargins(QMargins(4, 4, 4, 4));
  axisX_ = new QValueAxis(chart_);
  axisX_->setTitleText("Time (s)");
  axisX_->setLabelFormat("%.0f");
  axisY_ = new QValueAxis(chart_);
  axisY_->setTitleText("Weight");
  chart_->addAxis(axisX_, Qt::AlignBottom);
  chart_->addAxis(axisY_, Qt::AlignLeft);
  view_ = new TrendChartView(chart_, picture_, this);
  view_->setAccessibleName("Weight chart");
  view_->setRenderHint(QPainter::Antialiasing, false);
  view_->setMinimumSize(560, 320);
  view_->anchor = Line(0);

  watch_ = new QCheckBox("Watch", this);
  watch_->setAccessibleName("Watch");
  watch_->setToolTip("Poll the display every half second while no other window does");
  watch_->setAccessibleDescription(watch_->toolTip());
  span_ = new QComboBox(this);
  for (const int seconds : kSpans) span_->addItem(QString("%1 min").arg(seconds / 60), seconds);
  span_->setAccessibleName("Span");
  auto* spanLabel = new QLabel("Span", this);
  spanLabel->setBuddy(span_);
  pause_ = MakeButton("Pause", this);
  pause_->setCheckable(true);
  clear_ = MakeButton("Clear", this);
  save_ = MakeButton("Save\u2026", this, "Save");
  status_ = new QLabel(this);
  status_->setAccessibleName("Status");

  auto* figureBox = new QFormLayout;
  for (std::size_t i = 0; i < kTrendFigureCount; ++i) {
    auto* value = new QLabel("\u2013", this);
    value->setAccessibleName(kFigureNames[i]);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("-00000.000 kg/min"));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* name = new QLabel(kFigureNames[i], this);
    name->setBuddy(value);
    figureBox->addRow(name, value);
    figures_[i] = value;
  }
  auto* side = new QVBoxLayout;
  side->addLayout(figureBox);
  side->addStretch();

  auto* controls = new QHBoxLayout;
  controls->addWidget(watch_);
  controls->addSpacing(12);
  controls->addWidget(spanLabel);
  controls->addWidget(span_);
  controls->addStretch();
  controls->addWidget(pause_);
  controls->addWidget(clear_);
  controls->addWidget(save_);
  auto* middle = new QHBoxLayout;
  middle->addWidget(view_, 1);
  middle->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addLayout(middle, 1);
  layout->addWidget(status_);
  resize(940, 480);

  watchTimer_.setSingleShot(true);
  watchTimer_.setTimerType(Qt::PreciseTimer);
  connect(&watchTimer_, &QTimer::timeout, this, &CTrendWindow::OnWatchTimer);
  // Polls come at most twice a second; a chart drawn per poll is drawn after the exchange is over.
  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(0);
  connect(&refreshTimer_, &QTimer::timeout, this, &CTrendWindow::Refresh);

  connect(watch_, &QCheckBox::toggled, this, &CTrendWindow::OnWatchToggled);
  connect(span_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
    if (!paused) Refresh();
  });
  connect(clear_, &QPushButton::clicked, this, [this] {
    series_.Clear();
    origin_ = services_.clock.Monotonic();
    Refresh();
  });
  connect(save_, &QPushButton::clicked, this, &CTrendWindow::OnSave);

  listener_ = link_.AddListener([this](const TracedExchange& exchange) { OnExchange(exchange); });
  Refresh();
  FitToScreen(*this, UsableArea(*this));
  KeepAccessible(this);
}

CTrendWindow::~CTrendWindow() {
  link_.RemoveListener(listener_);
}

QLineSeries* CTrendWindow::Line(std::size_t i) {
  while (lines_.size() <= i) {
    auto* line = new QLineSeries;
    chart_->addSeries(line);
    line->attachAxis(axisX_);
    line->attachAxis(axisY_);
    lines_.push_back(line);
  }
  return lines_[i];
}

std::vector<QLineSeries*> CTrendWindow::Lines() const {
  return {lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(linesShown_)};
}

void CTrendWindow::OnExchange(const TracedExchange& exchange) {
  if (!exchange.poll) return;
  const Clock::Steady::time_point now = services_.clock.Monotonic();
  if (!watchPolling_) lastOtherPoll_ = now;
  series_.AddExchange(exchange, SecondsSince(origin_, now), services_.clock.NowMs());
  if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void CTrendWindow::OnWatchToggled(bool on) {
  if (on) {
    status_->clear();
    watchTimer_.start(0);
  } else {
    watchTimer_.stop();
    // "Watch stopped" stays up when the closed port ended it.
    if (portOpen_ && portOpen_()) status_->clear();
  }
}

void CTrendWindow::OnWatchTimer() {
  if (!watch_->isChecked()) return;
  WatchState state;
  state.portOpen = portOpen_ && portOpen_();
  state.operationRunning = OperationScope::Running();
  state.exchangeRunning = link_.ExchangeOpen() || watchModel_.exchangeRunning;
  if (lastOtherPoll_) {
    state.msSinceOtherPoll =
        std::chrono::duration<double, std::milli>(services_.clock.Monotonic() - *lastOtherPoll_)
            .count();
  }
  switch (NextWatchStep(state)) {
    case WatchStep::kStop:
      status_->setText("The port is closed: Watch stopped.");
      watch_->setChecked(false);
      return;
    case WatchStep::kBusy:
      watchTimer_.start(static_cast<int>(kBusyRetryMs));
      return;
    case WatchStep::kOtherPoller:
      status_->setText("Following the polls of the Indicator window.");
      watchTimer_.start(static_cast<int>(kWatchPeriodMs));
      return;
    case WatchStep::kPoll:
      break;
  }
  status_->setText("Watching: a poll every half second.");
  watchPolling_ = true;
  ++ownPolls_;
  const PollResult result = RunPoll(watchModel_, link_, ui_);
  watchPolling_ = false;
  // Watch may have been switched off while a message box was open.
  if (watch_->isChecked()) watchTimer_.start(static_cast<int>(result.nextDelayMs));
}

void CTrendWindow::Refresh() {
  if (pause_->isChecked()) return;
  picture_ = series_.Picture(span_->currentData().toDouble());
  const auto& samples = series_.Samples();
  for (std::size_t i = 0; i < picture_.lines.size(); ++i) {
    const TrendPicture::Line& drawn = picture_.lines[i];
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(drawn.end - drawn.first));
    for (std::size_t at = drawn.first; at < drawn.end; ++at) {
      points.append(QPointF(samples[at].seconds, samples[at].Value()));
    }
    QLineSeries* line = Line(i);
    line->setPen(QPen(drawn.net ? kNetPen : kGrossPen, 2));
    line->replace(points);
  }
  for (std::size_t i = picture_.lines.size(); i < linesShown_; ++i) lines_[i]->clear();
  linesShown_ = picture_.lines.size();

  axisX_->setRange(picture_.from, picture_.to);
  if (!picture_.lines.empty()) {
    const double low = picture_.low;
    const double high = picture_.high;
    const double margin = std::max((high - low) * 0.08, std::max(std::abs(high), 1.0) * 0.01);
    axisY_->setRange(low - margin, high + margin);
    axisY_->applyNiceNumbers();
  } else {
    axisY_->setRange(0, 1);
  }
  const std::optional<SeriesFigures> figures = series_.Figures(picture_.from, picture_.to);
  axisY_->setTitleText(figures && figures->unit != WeightUnit::kNone
                           ? "Weight (" + FromSingleByte(UnitText(figures->unit)) + ")"
                           : QString("Weight"));
  ShowFigures(figures);
  view_->viewport()->update();
}

void CTrendWindow::ShowFigures(const std::optional<SeriesFigures>& figures) {
  const auto set = [this](TrendFigure which, const QString& text) {
    QLabel* label = FigureLabel(which);
    if (label->text() != text) label->setText(text);
  };
  const QString none = "\u2013";
  if (!figures) {
    for (std::size_t i = 0; i < kTrendFigureCount; ++i) set(static_cast<TrendFigure>(i), none);
    return;
  }
  const QString unit = figures->unit == WeightUnit::kNone
                           ? QString()
                           : " " + FromSingleByte(UnitText(figures->unit));
  const int d = figures->decimals;
  const auto number = [](double value, int decimals) {
    return QString::number(value, 'f', decimals);
  };
  set(TrendFigure::kPoints, QString::number(figures->points));
  set(TrendFigure::kMinimum, number(figures->minimum, d) + unit);
  set(TrendFigure::kMaximum, number(figures->maximum, d) + unit);
  set(TrendFigure::kMean, number(figures->mean, d + 1) + unit);
  set(TrendFigure::kStdDev, number(figures->stdDev, d + 2) + unit);
  set(TrendFigure::kSettle, figures->settleSeconds
                                ? number(*figures->settleSeconds, 1) + " s"
                                : (figures->stableAtEnd ? none : QString("not settled")));
  set(TrendFigure::kDrift,
      figures->driftPerMinute ? number(*figures->driftPerMinute, d + 2) + unit + "/min" : none);
}

void CTrendWindow::OnSave() {
  const QString path = services_.pickSaveFile(this, SaveDialog());
  if (path.isEmpty()) return;
  SaveTo(path);
}

bool CTrendWindow::SaveTo(const QString& path) {
  const FileResult result = ReplaceFile(NativePath(path), TrendCsv(series_.Samples()));
  if (!result.ok()) {
    ui_.Failure("The trend could not be saved to " + ToUtf8(path) + ": " + FailureText(result));
  }
  return result.ok();
}

}  // namespace tamarack
