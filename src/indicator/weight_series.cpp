#include "indicator/weight_series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace tamarack {
namespace {

constexpr std::size_t kPayloadStart = 3;  // after 01 31 02

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Formats like printf into a std::string; the texts here are short.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return n > 0 ? std::string(buffer,
                             std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1))
               : std::string();
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string UtcTime(std::int64_t wallMs) {
  std::int64_t seconds = wallMs / 1000;
  std::int64_t ms = wallMs % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const auto t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  if (gmtime_r(&t, &utc) == nullptr) return {};
  return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms));
}

bool SameState(const DisplayReading& a, const DisplayReading& b) {
  return a.unit == b.unit && a.net == b.net;
}

// The settle time over points of one trace, oldest first (see SeriesFigures).
std::optional<double> SettleSeconds(const std::vector<const WeightSample*>& points) {
  if (points.empty() || !points.back()->reading->stable) return std::nullopt;
  const double settled = points.back()->Value();
  std::size_t steady = points.size() - 1;
  while (steady > 0 && points[steady - 1]->reading->stable &&
         points[steady - 1]->Value() == settled) {
    --steady;
  }
  std::size_t change = steady;
  while (change > 0 && !points[change - 1]->reading->stable) --change;
  // The change must have begun inside the span, after a steady point, for its start to be known.
  if (change == 0) return std::nullopt;
  return points[steady]->seconds - points[change]->seconds;
}

std::optional<double> DriftPerMinute(const std::vector<const WeightSample*>& points) {
  if (points.size() < 2) return std::nullopt;
  // Centred sums keep the slope exact enough for values far from zero.
  double meanT = 0;
  double meanV = 0;
  for (const WeightSample* p : points) {
    meanT += p->seconds;
    meanV += p->Value();
  }
  meanT /= static_cast<double>(points.size());
  meanV /= static_cast<double>(points.size());
  double stt = 0;
  double stv = 0;
  for (const WeightSample* p : points) {
    stt += (p->seconds - meanT) * (p->seconds - meanT);
    stv += (p->seconds - meanT) * (p->Value() - meanV);
  }
  if (stt <= 0) return std::nullopt;
  return stv / stt * 60.0;
}

}  // namespace

std::string_view UnitText(WeightUnit unit) {
  switch (unit) {
    case WeightUnit::kKg:
      return "kg";
    case WeightUnit::kLb:
      return "lb";
    case WeightUnit::kNone:
      break;
  }
  return "";
}

std::optional<ShownNumber> ParseShownWeight(std::string_view shown) {
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < shown.size() && shown[i] == ' ') ++i;
  };
  skipBlanks();
  bool negative = false;
  if (i < shown.size() && shown[i] == '-') {
    negative = true;
    ++i;
    skipBlanks();
  }
  double value = 0;
  int digits = 0;
  int decimals = 0;
  bool point = false;
  for (; i < shown.size() && shown[i] != ' '; ++i) {
    const char c = shown[i];
    if (c == '.') {
      if (point) return std::nullopt;
      point = true;
    } else if (IsDigit(c)) {
      value = value * 10 + (c - '0');
      ++digits;
      if (point) ++decimals;
    } else {
      return std::nullopt;
    }
  }
  skipBlanks();
  if (i != shown.size() || digits == 0) return std::nullopt;
  value /= std::pow(10.0, decimals);
  return ShownNumber{negative ? -value : value, decimals};
}

DisplayReading ReadDisplay(const DisplayState& state) {
  DisplayReading reading;
  reading.shown = ShownCharacters(state.displayText);
  reading.number = ParseShownWeight(reading.shown);
  // Both unit lamps lit says nothing certain about the unit.
  const bool kg = state.Lit(Lamp::kKg);
  const bool lb = state.Lit(Lamp::kLb);
  reading.unit = kg == lb ? WeightUnit::kNone : (kg ? WeightUnit::kKg : WeightUnit::kLb);
  reading.stable = state.Lit(Lamp::kStable);
  reading.gross = state.Lit(Lamp::kGross);
  reading.net = state.Lit(Lamp::kNet);
  reading.zero = state.Lit(Lamp::kZero);
  return reading;
}

bool SameTrace(const WeightSample& a, const WeightSample& b) {
  return a.HasValue() && b.HasValue() && SameState(*a.reading, *b.reading);
}

WeightSeries::WeightSeries(std::size_t capacity, double keepSeconds)
    : capacity_(std::max<std::size_t>(capacity, 1)), keepSeconds_(keepSeconds) {}

void WeightSeries::Add(WeightSample sample) {
  if (!samples_.empty()) {
    const WeightSample& last = samples_.back();
    sample.seconds = std::max(sample.seconds, last.seconds);
    if (!sample.reading && !last.reading) return;
  }
  samples_.push_back(std::move(sample));
  while (samples_.size() > capacity_ ||
         samples_.back().seconds - samples_.front().seconds > keepSeconds_) {
    samples_.pop_front();
  }
}

bool WeightSeries::AddExchange(const TracedExchange& exchange, double seconds,
                               std::int64_t wallMs) {
  if (!exchange.poll) return false;
  WeightSample sample{seconds, wallMs, std::nullopt};
  const bool good = exchange.status == 0 && exchange.shape == ReplyShape::kGood &&
                    exchange.reply.size() >= kPayloadStart + kDisplayReplySize + 2;
  if (good) {
    DisplayState state;
    DecodeDisplay(std::span<const std::uint8_t, kDisplayReplySize>(
                      exchange.reply.data() + kPayloadStart, kDisplayReplySize),
                  /*blinkPhase=*/true, state);
    sample.reading = ReadDisplay(state);
  }
  Add(std::move(sample));
  return true;
}

std::optional<SeriesFigures> WeightSeries::Figures(double from, double to) const {
  const auto first =
      std::lower_bound(samples_.begin(), samples_.end(), from,
                       [](const WeightSample& s, double t) { return s.seconds < t; });
  const auto end = std::upper_bound(first, samples_.end(), to,
                                    [](double t, const WeightSample& s) { return t < s.seconds; });
  const auto last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first),
                                 [](const WeightSample& s) { return s.HasValue(); });
  if (last == std::make_reverse_iterator(first)) return std::nullopt;

  std::vector<const WeightSample*> points;
  for (auto it = first; it != end; ++it) {
    if (it->HasValue() && SameState(*it->reading, *last->reading)) points.push_back(&*it);
  }
  SeriesFigures figures;
  figures.points = points.size();
  figures.decimals = last->reading->number->decimals;
  figures.unit = last->reading->unit;
  figures.minimum = figures.maximum = points.front()->Value();
  double sum = 0;
  for (const WeightSample* p : points) {
    figures.minimum = std::min(figures.minimum, p->Value());
    figures.maximum = std::max(figures.maximum, p->Value());
    sum += p->Value();
  }
  figures.mean = sum / static_cast<double>(points.size());
  double squares = 0;
  for (const WeightSample* p : points)
    squares += (p->Value() - figures.mean) * (p->Value() - figures.mean);
  figures.stdDev = std::sqrt(squares / static_cast<double>(points.size()));
  figures.settleSeconds = SettleSeconds(points);
  figures.stableAtEnd = points.back()->reading->stable;
  figures.driftPerMinute = DriftPerMinute(points);
  return figures;
}

std::string TraceLabel(const DisplayReading& reading) {
  std::string label = reading.net ? "Net" : "Gross";
  if (reading.unit != WeightUnit::kNone) label += " " + std::string(UnitText(reading.unit));
  return label;
}

TrendPicture WeightSeries::Picture(double spanSeconds) const {
  TrendPicture picture;
  picture.to = std::max(LastSeconds(), spanSeconds);
  picture.from = picture.to - spanSeconds;
  const auto first =
      std::lower_bound(samples_.begin(), samples_.end(), picture.from,
                       [](const WeightSample& s, double t) { return s.seconds < t; });

  bool any = false;
  const WeightSample* previous = nullptr;
  std::optional<TrendPicture::Line> line;
  // Where the unstable stretch under way began.
  bool unstable = false;
  double unstableFrom = 0;
  const auto endLine = [&](std::size_t end) {
    if (!line) return;
    line->end = end;
    picture.lines.push_back(*line);
    line.reset();
  };
  for (auto it = first; it != samples_.end(); ++it) {
    const WeightSample& s = *it;
    const auto at = static_cast<std::size_t>(it - samples_.begin());
    if (unstable && (!s.HasValue() || s.reading->stable)) {
      picture.unstable.emplace_back(unstableFrom, s.seconds);
      unstable = false;
    }
    if (!s.HasValue()) {
      endLine(at);
      previous = &s;
      continue;
    }
    if (previous != nullptr && !SameTrace(*previous, s)) {
      endLine(at);
      if (previous->HasValue()) picture.changes.push_back({s.seconds, TraceLabel(*s.reading)});
    }
    if (!line) line = TrendPicture::Line{at, at, s.reading->net};
    picture.low = any ? std::min(picture.low, s.Value()) : s.Value();
    picture.high = any ? std::max(picture.high, s.Value()) : s.Value();
    any = true;
    if (!s.reading->stable && !unstable) {
      unstable = true;
      unstableFrom = s.seconds;
    }
    previous = &s;
  }
  endLine(samples_.size());
  if (unstable) picture.unstable.emplace_back(unstableFrom, LastSeconds());
  return picture;
}

std::string TrendCsvHeader() {
  return "time,seconds,shown,value,unit,stable,gross,net,zero";
}

std::string TrendCsvRow(const WeightSample& sample) {
  std::string row = UtcTime(sample.wallMs) + "," + Format("%.3f", sample.seconds);
  if (!sample.reading) return row + ",,,,,,,";
  const DisplayReading& r = *sample.reading;
  row += "," + Quoted(r.shown) + ",";
  if (r.number) row += Format("%.*f", r.number->decimals, r.number->value);
  row += "," + std::string(UnitText(r.unit));
  for (const bool lamp : {r.stable, r.gross, r.net, r.zero}) row += lamp ? ",1" : ",0";
  return row;
}

std::string TrendCsv(const std::deque<WeightSample>& samples) {
  std::string csv = TrendCsvHeader() + "\r\n";
  for (const WeightSample& sample : samples) csv += TrendCsvRow(sample) + "\r\n";
  return csv;
}

}  // namespace tamarack
