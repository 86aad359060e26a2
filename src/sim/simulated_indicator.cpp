#include "sim/simulated_indicator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/seven_segment.h"
#include "sim/write_all_decode.h"
#include "verify/instrument.h"

namespace tamarack::sim {
namespace {

constexpr std::string_view kOk = "OK";
constexpr std::string_view kNo = "NO";
// Set in the edit byte and both lamp bytes, so that no pattern of them can read as the frame's
// closing 03.
constexpr std::uint8_t kFrameSafeBit = 0x40;
constexpr double kLbPerKg = 2.20462262185;
constexpr long long kPieceScale = 1LL << 24;
constexpr long long kMinAverageWeight = 16777216LL;
constexpr long long kMaxAverageWeight = 4294967295LL;

// The moment that a broken-down UTC time names.
std::time_t FromUtc(std::tm& t) {
#ifdef _WIN32
  return ::_mkgmtime(&t);
#else
  return ::timegm(&t);
#endif
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

long long ToNumber(std::string_view digits) {
  long long n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

std::string Digits(long long value, int width) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*lld", width, value);
  return text;
}

int TwoDigits(std::string_view text, std::size_t at) {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// The rows the indicator's own behaviour reads.
constexpr const SetupParam& kGraduations = Param(kGraduationsAddress);
constexpr const SetupParam& kPrimaryUnit = Param(kPrimaryUnitAddress);
constexpr const SetupParam& kPrimaryPoint = Param(kPrimaryPointAddress);
constexpr const SetupParam& kPrimaryDivision = Param(kPrimaryDivisionAddress);
constexpr const SetupParam& kAssistantPoint = Param(kAssistantPointAddress);
constexpr const SetupParam& kAssistantDivision = Param(kAssistantDivisionAddress);
constexpr const SetupParam& kZeroCount = Param(kZeroCountAddress);
constexpr const SetupParam& kSpanCount = Param(kSpanCountAddress);
constexpr const SetupParam& kWorkMode = Param(kWorkModeAddress);
constexpr const SetupParam& kRelayLow = Param(kRelayLowAddress);
constexpr const SetupParam& kRelayHigh = Param(kRelayHighAddress);
constexpr const SetupParam& kConsecutiveNumber = Param(kConsecutiveNumberAddress);
constexpr const SetupParam& kMotionBand = Param({1, 4});
constexpr const SetupParam& kSampleRate = Param({1, 6});
constexpr const SetupParam* kFilterLevels[] = {&Param({1, 7}), &Param({1, 8}), &Param({1, 9})};

constexpr double kSecondsPerMinute = 60;

// How the display shows a unit at a decimal point and division: its decimals, the division in
// last digits and the scale interval. Codes outside the lists show as the first of each.
struct Shown {
  int decimals;
  long long division;
  Mass interval;
};

Shown ShownAt(int pointCode, int divisionCode) {
  if (!ShownDecimals(pointCode)) pointCode = 0;
  if (!ScaleInterval(pointCode, divisionCode)) divisionCode = 0;
  const int decimals = *ShownDecimals(pointCode);
  const Mass interval = *ScaleInterval(pointCode, divisionCode);
  std::int64_t digit = kMicroPerUnit;
  for (int i = 0; i < decimals; ++i) digit /= 10;
  return {decimals, interval.micro / digit, interval};
}

std::size_t IndexOf(const SetupParam& param) {
  return static_cast<std::size_t>(&param - SetupParams().data());
}

// The A/D counts of the calibration parameters as the simulated scale left the factory: zero
// captured empty, the span captured with 100.0 kg on the platform.
std::string FactoryNumber(const SetupParam& param) {
  if (param.address == kZeroCountAddress) return Digits(SimulatedIndicator::kAdcAtZero, 6);
  if (param.address == kTestWeightAddress) return Digits(1000, 6);
  if (param.address == kSpanCountAddress) {
    return Digits(SimulatedIndicator::kAdcAtZero + 100 * SimulatedIndicator::kAdcPerKg, 6);
  }
  std::string text(param.defaultText);
  if (text.size() < 6) text.insert(0, 6 - text.size(), '0');
  return text;
}

}  // namespace

SimulatedIndicator::SimulatedIndicator() : SimulatedIndicator(Options{}) {}

SimulatedIndicator::SimulatedIndicator(Options options) : options_(std::move(options)) {
  if (!options_.clock) options_.clock = [] { return std::time(nullptr); };
  if (!options_.monotonic) options_.monotonic = [] { return Monotonic::now(); };
  epoch_ = options_.monotonic();
  for (const SetupParam& param : SetupParams()) {
    std::string value;
    if (param.kind == ParamKind::kNumber) value = FactoryNumber(param);
    if (param.kind == ParamKind::kChoice) value = Digits(param.defaultCode, 2);
    factory_[IndexOf(param)] = value;
  }
  saved_ = factory_;
  working_ = saved_;
  averageWeights_.fill(std::string(kNoAverageWeight));
  // The clock starts at the PC's local time.
  const std::time_t now = options_.clock();
  std::tm local{};
  localtime_r(&now, &local);
  // The zone's offset (tm_gmtoff is not everywhere): the local time read as UTC, less the moment.
  clockOffset_ = options_.localTime ? FromUtc(local) - now : 0;
}

// --- the setup ---

std::array<std::string, kSetupParamCount>& SimulatedIndicator::Copies(Copy copy) {
  return copy == Copy::kWorking ? working_ : copy == Copy::kSaved ? saved_ : factory_;
}

const std::array<std::string, kSetupParamCount>& SimulatedIndicator::Copies(Copy copy) const {
  return copy == Copy::kWorking ? working_ : copy == Copy::kSaved ? saved_ : factory_;
}

std::string SimulatedIndicator::Value(std::string_view displayNumber, Copy copy) const {
  const SetupParam* param = FindParam(displayNumber);
  return param != nullptr ? Copies(copy)[IndexOf(*param)] : std::string();
}

void SimulatedIndicator::SetValue(std::string_view displayNumber, std::string_view value,
                                  Copy copy) {
  if (const SetupParam* param = FindParam(displayNumber)) {
    Copies(copy)[IndexOf(*param)] = value;
  }
}

int SimulatedIndicator::Code(std::string_view displayNumber) const {
  const SetupParam* param = FindParam(displayNumber);
  return param != nullptr ? Code(*param) : 0;
}

const std::string& SimulatedIndicator::Working(const SetupParam& param) const {
  return working_[IndexOf(param)];
}

void SimulatedIndicator::SetWorking(const SetupParam& param, std::string value) {
  working_[IndexOf(param)] = std::move(value);
}

int SimulatedIndicator::Code(const SetupParam& param) const {
  const std::string& value = Working(param);
  return value.size() == 2 ? TwoDigits(value, 0) : 0;
}

long SimulatedIndicator::Number(const SetupParam& param) const {
  const std::string& value = Working(param);
  return AllDigits(value) ? static_cast<long>(ToNumber(value)) : 0;
}

std::time_t SimulatedIndicator::Wall() const {
  return options_.clock() + clockOffset_;
}

std::string SimulatedIndicator::ClockDate() const {
  const std::time_t wall = Wall();
  std::tm t{};
  gmtime_r(&wall, &t);
  return Digits(t.tm_year % 100, 2) + Digits(t.tm_mon + 1, 2) + Digits(t.tm_mday, 2);
}

std::string SimulatedIndicator::ClockTime() const {
  const std::time_t wall = Wall();
  std::tm t{};
  gmtime_r(&wall, &t);
  return Digits(t.tm_hour, 2) + Digits(t.tm_min, 2) + Digits(t.tm_sec, 2);
}

// --- requests ---

Answer SimulatedIndicator::Handle(RequestKind kind, std::span<const std::uint8_t> content) {
  struct Moment {
    std::optional<Monotonic::time_point>& slot;
    ~Moment() { slot.reset(); }
  } const moment{handling_};
  handling_ = options_.monotonic();
  ++requests_;
  if (options_.dynamics) swings_.Forget(Seconds(), WeighingFilter(Filters()));
  const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
  switch (kind) {
    case RequestKind::kPoll:
      return {DisplayReply()};
    case RequestKind::kKey:
      return Key(text.substr(1, 2));
    case RequestKind::kReadParam:
      return ReadParam({TwoDigits(text, 1), TwoDigits(text, 4)});
    case RequestKind::kWriteParam:
      return WriteParam({TwoDigits(text, 1), TwoDigits(text, 4)}, text.substr(7, 6));
    case RequestKind::kCalibration:
      return Calibration(TwoDigits(text, 4), text.substr(7, 6));
    case RequestKind::kCountStep:
      return CountStep(TwoDigits(text, 4), text.substr(7, 6));
    case RequestKind::kWriteAll:
      return WriteAll(content.subspan(1));
    case RequestKind::kSendFormat:
      return SendFormat(text[0], content.subspan(1));
    case RequestKind::kReadFormat:
      return {PrintFormat(text[1] == 'A' ? 'G' : 'N')};
    case RequestKind::kWeight:
      return Weight(text.substr(1, 2), text.substr(3, 10));
  }
  return {};
}

Answer SimulatedIndicator::Key(std::string_view code) {
  const int key = TwoDigits(code, 0);
  switch (key) {
    case 10:  // ZERO: the gross weight becomes the new zero
      if (!Moving() && !netMode_) {
        zeroOffset_ = ReadingKg();
        peak_ = 0;
      }
      break;
    case 11:  // GR/NET
      netMode_ = !netMode_;
      break;
    case 12:  // TARE: take the gross weight as tare; on an empty scale, clear it
      if (!Moving()) {
        if (ToSteps(GrossKg(), true).counts > 0) {
          tare_ = GrossKg();
          netMode_ = true;
        } else {
          tare_ = 0;
          netMode_ = false;
        }
      }
      break;
    case 13:  // UNITS: kg / lb
      primaryUnit_ = !primaryUnit_;
      break;
    case 14:  // PRINT
      if (!Moving()) PrintTicket();
      break;
    case 16:  // end of setup
      break;
    case 17:  // factory setup into the working copy
      working_ = factory_;
      break;
    case 18:  // working copy saved
      saved_ = working_;
      break;
    case 19:  // saved copy back into the working one
      working_ = saved_;
      break;
    default:
      return {std::string(kNo)};
  }
  return {std::string(kOk)};
}

Answer SimulatedIndicator::ReadParam(ParamAddress address) const {
  const SetupParam* param = FindParam(address);
  if (param == nullptr) return {std::string(kNo)};
  std::string value;
  switch (param->kind) {
    case ParamKind::kNumber:
    case ParamKind::kChoice:
      value = working_[IndexOf(*param)];
      break;
    case ParamKind::kVersion:
      value = kSimVersion;
      break;
    case ParamKind::kDate:
      value = ClockDate();
      break;
    case ParamKind::kTime:
      value = ClockTime();
      break;
  }
  return {"P" + address.Text() + "=" + value + "E"};
}

Answer SimulatedIndicator::WriteParam(ParamAddress address, std::string_view value) {
  const SetupParam* param = FindParam(address);
  if (param == nullptr || !AllDigits(value)) return {std::string(kNo)};
  const long long number = ToNumber(value);
  std::string& slot = working_[IndexOf(*param)];
  switch (param->kind) {
    case ParamKind::kNumber:
      if (number == 0 && param->zeroRefused) return {std::string(kNo)};
      slot = value;
      break;
    case ParamKind::kChoice:
      if (number >= static_cast<long long>(param->options.size())) return {std::string(kNo)};
      slot = Digits(number, 2);
      break;
    case ParamKind::kVersion:
      return {std::string(kNo)};
    case ParamKind::kDate:
    case ParamKind::kTime: {
      const int a = TwoDigits(value, 0), b = TwoDigits(value, 2), c = TwoDigits(value, 4);
      const std::time_t wall = Wall();
      std::tm t{};
      gmtime_r(&wall, &t);
      if (param->kind == ParamKind::kDate) {
        static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = a % 4 == 0;  // years 2000..2099
        if (b < 1 || b > 12 || c < 1 || c > kDays[b - 1] || (b == 2 && c == 29 && !leap)) {
          return {std::string(kNo)};
        }
        t.tm_year = 100 + a;
        t.tm_mon = b - 1;
        t.tm_mday = c;
      } else {
        if (a > 23 || b > 59 || c > 59) return {std::string(kNo)};
        t.tm_hour = a;
        t.tm_min = b;
        t.tm_sec = c;
      }
      clockOffset_ += FromUtc(t) - wall;
      break;
    }
  }
  return {std::string(kOk)};
}

long SimulatedIndicator::Adc() const {
  return kAdcAtZero + std::lround(ReadingKg() * static_cast<double>(kAdcPerKg));
}

// Group 3: with a value, a plain write of F3.1 .. F3.3; with 000000 the capturing steps, which
// need a steady scale: zero (03.01), span (03.03) and re-zero (03.04), which moves zero and span
// together. 03.02 is the test weight value (zero refused).
Answer SimulatedIndicator::Calibration(int number, std::string_view value) {
  const bool capture = value == "000000";
  if (!capture || number == 2) {
    if (number > 3) return {std::string(kNo)};
    return WriteParam({3, number}, value);
  }
  if (Moving()) return {std::string(kNo)};
  const long adc = Adc();
  switch (number) {
    case 1:
      SetWorking(kZeroCount, Digits(adc, 6));
      break;
    case 3:
      if (adc <= Number(kZeroCount) || adc > 999999) return {std::string(kNo)};
      SetWorking(kSpanCount, Digits(adc, 6));
      break;
    case 4: {
      const long span = Number(kSpanCount) + adc - Number(kZeroCount);
      if (adc <= 0 || span <= adc || span > 999999) return {std::string(kNo)};
      SetWorking(kZeroCount, Digits(adc, 6));
      SetWorking(kSpanCount, Digits(span, 6));
      zeroOffset_ = ReadingKg();
      break;
    }
    default:
      return {std::string(kNo)};
  }
  return {std::string(kOk), options_.stepTime};
}

// The average-weight steps: 05.02 the count item ("0000" and two digits), 05.03 the sample zero,
// 05.04 the sample quantity, 05.05 the confirmation, which works the average weight out and keeps
// it for the count item.
Answer SimulatedIndicator::CountStep(int number, std::string_view value) {
  if (!AllDigits(value)) return {std::string(kNo)};
  switch (number) {
    case 2:
      if (value.substr(0, 4) != "0000") return {std::string(kNo)};
      currentItem_ = TwoDigits(value, 4);
      sampleZeroed_ = false;
      sampleQuantity_ = 0;
      return {std::string(kOk)};
    case 3:
      if (value != "000000" || Moving()) return {std::string(kNo)};
      sampleZeroKg_ = GrossKg();
      sampleZeroed_ = true;
      return {std::string(kOk), options_.stepTime};
    case 4:
      sampleQuantity_ = static_cast<long>(ToNumber(value));
      if (sampleQuantity_ == 0) return {std::string(kNo)};
      return {std::string(kOk)};
    case 5: {
      if (value != "000000" || Moving() || !sampleZeroed_ || sampleQuantity_ == 0) {
        return {std::string(kNo)};
      }
      const long long fine = FineCounts(GrossKg() - sampleZeroKg_);
      const long long average = fine * kPieceScale / sampleQuantity_;
      if (average < kMinAverageWeight || average > kMaxAverageWeight) return {std::string(kNo)};
      averageWeights_[static_cast<std::size_t>(currentItem_)] = Digits(average, 10);
      return {std::string(kOk), options_.stepTime};
    }
    default:
      return {std::string(kNo)};
  }
}

Answer SimulatedIndicator::WriteAll(std::span<const std::uint8_t> block) {
  if (!options_.cajOn) return {"NOCAJ"};
  const auto decoded = DecodeWriteAllBlock(block.first<kWriteAllBlockSize>());
  if (!decoded) return {std::string(kNo)};
  for (const DecodedParam& p : *decoded) working_[IndexOf(*p.param)] = p.value;
  return {std::string(kOk)};
}

Answer SimulatedIndicator::SendFormat(char mode, std::span<const std::uint8_t> text) {
  std::string format(text.begin(), text.end());
  // A format that could not be sent back in a reply (a 03 would end the reply, a zero byte would
  // cut it) is refused rather than kept.
  if (format.find('\x03') != std::string::npos || format.find('\0') != std::string::npos) {
    return {std::string(kNo)};
  }
  SetPrintFormat(mode, std::move(format));
  return {std::string(kOk)};
}

void SimulatedIndicator::SetPrintFormat(char mode, std::string text) {
  (mode == 'N' ? netFormat_ : grossFormat_) = std::move(text);
}

void SimulatedIndicator::SetAverageWeight(int item, std::string digits) {
  averageWeights_.at(static_cast<std::size_t>(item)) = std::move(digits);
}

// "W", the item ("00".."99" or "AA" for the current one) and ten digits: ten zeros read the
// item's average weight, anything else writes it.
Answer SimulatedIndicator::Weight(std::string_view item, std::string_view digits) {
  int index = currentItem_;
  if (item != "AA") {
    if (!AllDigits(item)) return {std::string(kNo)};
    index = TwoDigits(item, 0);
  }
  if (!AllDigits(digits)) return {std::string(kNo)};
  if (digits == "0000000000") {
    return {Digits(index, 2) + averageWeights_[static_cast<std::size_t>(index)] + "E"};
  }
  const long long value = ToNumber(digits);
  if (value < kMinAverageWeight || value > kMaxAverageWeight) return {std::string(kNo)};
  averageWeights_[static_cast<std::size_t>(index)] = digits;
  return {std::string(kOk)};
}

// --- the display ---

SimulatedIndicator::Steps SimulatedIndicator::ToSteps(double kg, bool primary) const {
  const bool primaryIsKg = Code(kPrimaryUnit) == 1;
  const bool kg_shown = primary == primaryIsKg;
  const double value = kg_shown ? kg : kg * kLbPerKg;
  const Shown shown = ShownAt(Code(primary ? kPrimaryPoint : kAssistantPoint),
                              Code(primary ? kPrimaryDivision : kAssistantDivision));
  const double scaled =
      value * std::pow(10.0, shown.decimals) / static_cast<double>(shown.division);
  return {std::llround(scaled) * shown.division, shown.decimals, shown.division};
}

long long SimulatedIndicator::FineCounts(double kg) const {
  const double value = Code(kPrimaryUnit) == 1 ? kg : kg * kLbPerKg;
  const int decimals = ShownDecimals(Code(kPrimaryPoint)).value_or(0);
  return std::llround(value * std::pow(10.0, decimals + 1));
}

double SimulatedIndicator::CapacityKg() const {
  // Max = n x e, in whole millionths before the one division that can round.
  const Mass e = ShownAt(Code(kPrimaryPoint), Code(kPrimaryDivision)).interval;
  const double primary =
      static_cast<double>(Number(kGraduations) * e.micro) / static_cast<double>(kMicroPerUnit);
  return Code(kPrimaryUnit) == 1 ? primary : primary / kLbPerKg;
}

double SimulatedIndicator::IntervalKg() const {
  const Mass e = ShownAt(Code(kPrimaryPoint), Code(kPrimaryDivision)).interval;
  const double primary = static_cast<double>(e.micro) / static_cast<double>(kMicroPerUnit);
  return Code(kPrimaryUnit) == 1 ? primary : primary / kLbPerKg;
}

// --- the scale's errors and dynamics ---

double SimulatedIndicator::Seconds() const {
  const Monotonic::time_point now = handling_ ? *handling_ : options_.monotonic();
  return std::chrono::duration<double>(now - epoch_).count();
}

FilterSetup SimulatedIndicator::Filters() const {
  FilterSetup setup;
  setup.rateCode = Code(kSampleRate);
  for (std::size_t i = 0; i < setup.levels.size(); ++i) setup.levels[i] = Code(*kFilterLevels[i]);
  setup.bandCode = Code(kMotionBand);
  return setup;
}

Disturbance SimulatedIndicator::Shaking() const {
  const double e = IntervalKg();
  return {options_.errors.vibrationE * e, options_.errors.noiseE * e, options_.errors.seed};
}

double SimulatedIndicator::SettledKg() const {
  if (options_.errors.Ideal()) return load_;
  return load_ +
         SettledErrorKg(options_.errors, load_, position_, decreasing_, IntervalKg(), CapacityKg());
}

double SimulatedIndicator::CreepKg(double at) const {
  if (options_.errors.creepE == 0 || creepWay_ == 0) return 0;
  const double minutes = std::min((at - changedAt_) / kSecondsPerMinute, kCreepMinutes);
  return creepWay_ * options_.errors.creepE * IntervalKg() * std::max(minutes, 0.0);
}

double SimulatedIndicator::ReadingKg() const {
  if (!options_.dynamics && options_.errors.Ideal()) return load_;
  const double at = Seconds();
  const Disturbance shaking = Shaking();
  double kg = 0;
  if (options_.dynamics) {
    kg = swings_.Reading(at, SettledKg(), WeighingFilter(Filters()), shaking);
  } else {
    kg = SettledKg() + shaking.At(at, requests_);
  }
  return kg + CreepKg(at);
}

bool SimulatedIndicator::Moving() const {
  if (motion_) return true;
  if (!options_.dynamics) return false;
  return swings_.Moving(Seconds(), SettledKg(), WeighingFilter(Filters()), Shaking(), IntervalKg());
}

void SimulatedIndicator::Settle(double before) {
  if (options_.dynamics) swings_.Step(Seconds(), SettledKg() - before);
}

void SimulatedIndicator::SetLoad(double kg) {
  const double before = SettledKg();
  if (kg != load_) {
    decreasing_ = kg < load_;
    creepWay_ = kg > load_ ? 1 : -1;
    changedAt_ = Seconds();
  }
  load_ = kg;
  Settle(before);
  UpdatePeak();
}

void SimulatedIndicator::SetPosition(Position position) {
  const double before = SettledKg();
  position_ = position;
  Settle(before);
}

void SimulatedIndicator::SetErrors(const ScaleErrors& errors) {
  const double before = SettledKg();
  options_.errors = errors;
  Settle(before);
}

void SimulatedIndicator::SetDynamics(bool on) {
  options_.dynamics = on;
  swings_.Clear();
}

std::optional<long long> SimulatedIndicator::Pieces() const {
  const std::string& average = averageWeights_[static_cast<std::size_t>(currentItem_)];
  const long long weight = ToNumber(average);
  if (average == kNoAverageWeight || weight < kMinAverageWeight) return std::nullopt;
  const double net = static_cast<double>(FineCounts(GrossKg() - tare_));
  return std::llround(net * static_cast<double>(kPieceScale) / static_cast<double>(weight));
}

// The peak of the settled readings: a swing's overshoot is not a load.
void SimulatedIndicator::UpdatePeak() {
  const double gross = SettledKg() - zeroOffset_;
  if (gross > peak_) peak_ = gross;
}

std::string SimulatedIndicator::DisplayText() const {
  const int mode = Code(kWorkMode);  // 0 general, 1 peak, 2 counter
  std::string text;
  if (mode == 2) {
    const auto pieces = Pieces();
    text = pieces ? std::to_string(*pieces) : "------";
  } else {
    const double kg = mode == 1 ? peak_ : netMode_ ? GrossKg() - tare_ : GrossKg();
    const Steps steps = ToSteps(kg, primaryUnit_);
    text = FormatCounts(steps.counts, steps.decimals);
  }
  if (!SegmentDigits(text)) text = "------";  // beyond six digits: overload
  const std::size_t digits =
      text.size() - static_cast<std::size_t>(std::count(text.begin(), text.end(), '.'));
  return std::string(6 - digits, ' ') + text;
}

std::string SimulatedIndicator::DisplayReply() const {
  const auto digits = SegmentDigits(DisplayText());
  std::array<std::uint8_t, kDisplayReplySize> reply{};
  std::copy(digits->begin(), digits->end(), reply.begin());
  const int edit = editDigit_ >= 0 && editDigit_ < static_cast<int>(kDisplayDigitCount)
                       ? editDigit_
                       : kNoEditedDigit;
  reply[kEditShiftByte] = static_cast<std::uint8_t>(edit | ((shiftFlags_ << 4) & kShiftFlags));

  const bool kgShown = primaryUnit_ == (Code(kPrimaryUnit) == 1);
  const Steps gross = ToSteps(GrossKg(), true);
  const long low = Number(kRelayLow), high = Number(kRelayHigh);
  const int mode = Code(kWorkMode);
  const auto light = [&reply](Lamp lamp, bool on) {
    if (on) reply[LampOf(lamp).byte] |= static_cast<std::uint8_t>(1u << LampOf(lamp).bit);
  };
  light(Lamp::kStable, !Moving());
  light(Lamp::kSet, gross.counts >= low && gross.counts <= high && gross.counts > 0);
  light(Lamp::kKg, kgShown);
  light(Lamp::kLb, !kgShown);
  light(Lamp::kPeak, mode == 1);
  light(Lamp::kCount, mode == 2);
  light(Lamp::kGross, !netMode_);
  light(Lamp::kNet, netMode_);
  light(Lamp::kTare, tare_ != 0);
  light(Lamp::kZero, 2 * std::llabs(gross.counts) < gross.division);
  for (std::size_t i = kEditShiftByte; i < kDisplayReplySize; ++i) reply[i] |= kFrameSafeBit;
  return std::string(reply.begin(), reply.end());
}

std::string SimulatedIndicator::WeightText(double kg) const {
  const Steps steps = ToSteps(kg, primaryUnit_);
  const bool kgShown = primaryUnit_ == (Code(kPrimaryUnit) == 1);
  return FormatCounts(steps.counts, steps.decimals) + (kgShown ? " kg" : " lb");
}

TicketValues SimulatedIndicator::TicketValuesNow() const {
  TicketValues v;
  v.gross = WeightText(GrossKg());
  v.tare = WeightText(tare_);
  v.net = WeightText(GrossKg() - tare_);
  v.peak = WeightText(peak_);
  v.consecutive = Working(kConsecutiveNumber);
  v.countItem = Digits(currentItem_, 2);
  if (const auto pieces = Pieces()) v.quantity = std::to_string(*pieces);
  v.date = ClockDate();
  v.time = ClockTime();
  return v;
}

// Prints the format of the current mode; the consecutive number (F7.1) counts on after each
// ticket.
void SimulatedIndicator::PrintTicket() {
  tickets_.push_back(RenderTicket(PrintFormat(netMode_ ? 'N' : 'G'), TicketValuesNow()));
  SetWorking(kConsecutiveNumber, Digits((Number(kConsecutiveNumber) + 1) % 1000000, 6));
}

}  // namespace tamarack::sim
