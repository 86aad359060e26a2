#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "indicator/display_decode.h"
#include "link/tracing_link.h"

namespace tamarack {

enum class WeightUnit { kNone, kKg, kLb };

// "kg", "lb" or "" for a display with neither unit lamp lit.
std::string_view UnitText(WeightUnit unit);

// A number as the display shows it, with the decimals shown.
struct ShownNumber {
  double value = 0;
  int decimals = 0;
};

// Reads the characters a display shows as a number: an optional minus sign in front (blanks may
// separate it from the digits, as the indicator pads the sign to the left), digits with at most one
// point, blanks before and after. Anything else, a blank between digits included, is no number:
// "  10.00" -> 10.00, "-  2.5" -> -2.5, "    55" -> 55, "  Err", "F1.6", "1 0" -> nothing.
std::optional<ShownNumber> ParseShownWeight(std::string_view shown);

// What one good poll showed.
struct DisplayReading {
  std::string shown;                  // the characters shown, points included ("  10.00")
  std::optional<ShownNumber> number;  // none when the display shows no number
  WeightUnit unit = WeightUnit::kNone;
  bool stable = false;
  bool gross = false;
  bool net = false;
  bool zero = false;
};

DisplayReading ReadDisplay(const DisplayState& state);

// One poll on the series' clock.
struct WeightSample {
  double seconds = 0;       // monotonic, counted from the start of the series
  std::int64_t wallMs = 0;  // the PC's clock (ms since 1970, UTC); for the CSV's time column only
  std::optional<DisplayReading> reading;  // none: the poll failed

  bool HasValue() const { return reading && reading->number; }
  double Value() const { return reading->number->value; }
};

// Two points are drawn joined only when both carry a value in the same unit and both are net (or
// both not): a unit change or a gross/net switch starts a new line.
bool SameTrace(const WeightSample& a, const WeightSample& b);

// The figures over a span, from the points that share the unit and the gross/net state of the
// span's last point (gaps and the other points are left out).
struct SeriesFigures {
  std::size_t points = 0;
  int decimals = 0;  // those of the last point
  WeightUnit unit = WeightUnit::kNone;
  double minimum = 0;
  double maximum = 0;
  double mean = 0;
  double stdDev = 0;  // of the points themselves (population)
  // From the first point of the last change (unstable, or a new value) to the first point of the
  // steady run that ends the span. None while the display is unstable at the end, or when the span
  // holds no steady point before the change.
  std::optional<double> settleSeconds;
  bool stableAtEnd = false;  // the Stable lamp was lit at the last point
  // The least-squares slope, per minute; none with fewer than two points in time.
  std::optional<double> driftPerMinute;
};

// What the chart draws of the span that ends at the series' last point (or at the span's own length
// while the series is younger than that).
struct TrendPicture {
  double from = 0;  // the span, in the series' seconds
  double to = 0;
  // One line per stretch joined without a gap, unit or gross/net change: Samples()[first, end),
  // every one of them with a value.
  struct Line {
    std::size_t first = 0;
    std::size_t end = 0;
    bool net = false;
  };
  std::vector<Line> lines;
  // The least and greatest value drawn; both 0 when no line is drawn.
  double low = 0;
  double high = 0;
  // Stretches with the Stable lamp off, from the first unstable point to the next point that is
  // stable or a gap (or to the last point).
  std::vector<std::pair<double, double>> unstable;
  // A unit or gross/net change between two points of value; a gap alone is none.
  struct Change {
    double seconds = 0;  // of the first point after it
    std::string label;   // the state after it: "Gross", "Net kg", "Gross lb"
  };
  std::vector<Change> changes;
};

// "Gross" or "Net", then the unit when the display shows one.
std::string TraceLabel(const DisplayReading& reading);

// The last thirty minutes at two polls a second.
inline constexpr std::size_t kTrendCapacity = 3600;
inline constexpr double kTrendKeepSeconds = 30 * 60;

// The displayed weight over time, bounded in count and age: the oldest points go first.
class WeightSeries {
 public:
  explicit WeightSeries(std::size_t capacity = kTrendCapacity,
                        double keepSeconds = kTrendKeepSeconds);

  // Appends a point. A time before the last point's is taken as the last point's, so the series
  // stays in order. Failed polls in a row keep one gap point: the first.
  void Add(WeightSample sample);
  // Appends what a traced exchange showed, when it was a display poll: its reading when the reply
  // was good, a gap otherwise. The digits are read as the indicator means them, without the edit
  // blink, so a digit being edited does not blank the value every other poll. False for any other
  // exchange.
  bool AddExchange(const TracedExchange& exchange, double seconds, std::int64_t wallMs);
  void Clear() { samples_.clear(); }

  const std::deque<WeightSample>& Samples() const { return samples_; }
  std::size_t Capacity() const { return capacity_; }
  // The time of the last point, or 0.
  double LastSeconds() const { return samples_.empty() ? 0 : samples_.back().seconds; }

  // The figures over the points with from <= seconds <= to; none without a point of value.
  std::optional<SeriesFigures> Figures(double from, double to) const;
  // The lines and marks of the last `spanSeconds`.
  TrendPicture Picture(double spanSeconds) const;

 private:
  std::size_t capacity_;
  double keepSeconds_;
  std::deque<WeightSample> samples_;
};

// The CSV form, one row a poll, shared with the command-line program:
// time,seconds,shown,value,unit,stable,gross,net,zero
// time is the PC's clock in UTC (ISO 8601 with milliseconds), seconds the monotonic time of the
// series; the shown text is quoted (it keeps its blanks), the lamps are 1 or 0. A failed poll has
// its two times and nothing else.
std::string TrendCsvHeader();
std::string TrendCsvRow(const WeightSample& sample);
// The header and every row, each line ended by CR LF.
std::string TrendCsv(const std::deque<WeightSample>& samples);

}  // namespace tamarack
