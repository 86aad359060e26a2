#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "printfmt/ticket_renderer.h"
#include "setup/param_table.h"
#include "sim/frame_reader.h"
#include "sim/scale_dynamics.h"
#include "sim/scale_errors.h"

namespace tamarack::sim {

// The indicator's answer to one request and how long it works before answering.
struct Answer {
  std::string payload;
  std::chrono::milliseconds processing{0};
};

// Average weight of an item that was never set up.
inline constexpr std::string_view kNoAverageWeight = "9999999999";
// The software version the simulated indicator reports (F7.3).
inline constexpr std::string_view kSimVersion = "1.00";
// Count items 0..99.
inline constexpr int kCountItems = 100;

// What the indicator keeps and does: its setup (working, saved and factory copies of the 33
// parameters), its clock, the scale with its display, lamps and keys, the print formats, the
// average piece weights, and the calibration and average-weight steps.
//
// The scale: a load in kilograms lies on the platform. The A/D converter reads
// kAdcAtZero + kAdcPerKg x load. The display shows the gross, net, peak or piece count in the
// chosen unit with the decimal point and division of that unit (F2.2/F2.3 for the primary unit of
// F2.1, F2.4/F2.5 for the other one). Weighing inside runs at ten times the display's resolution,
// as a real indicator's does: an average piece weight is the weight of one piece in tenths of the
// primary unit's last display digit, times 2^24, so that pieces lighter than a display step can
// still be counted.
//
// The scale is ideal unless it is given the errors of a real one (ScaleErrors), which the A/D
// converter then reads on top of the load; eccentricity follows the load's position on the
// platform. With dynamics, a change of the load settles through a damped swing shaped by the
// sample rate (F1.6) and the digital filters (F1.7 to F1.9), the display shows the reading of the
// last sample, and the Stable lamp goes out while the readings spread wider than the motion band
// (F1.4). Without them, a load is shown at once and the lamp follows the Motion switch alone.
class SimulatedIndicator {
 public:
  static constexpr long kAdcAtZero = 12000;
  static constexpr long kAdcPerKg = 100;
  using Monotonic = std::chrono::steady_clock;

  struct Options {
    bool cajOn = true;
    // How long the capturing steps (zero, span, re-zero, sample zero, confirm) take.
    std::chrono::milliseconds stepTime{1000};
    // Seconds since the epoch; the PC's clock when empty.
    std::function<std::time_t()> clock;
    // The indicator's clock starts at the PC's local time; when false, at UTC.
    bool localTime = true;
    // The errors of a real scale; none: the ideal scale.
    ScaleErrors errors;
    // Loads settle through a swing and the Stable lamp follows the motion band.
    bool dynamics = false;
    // What the swings, the shake and the creep are timed by; the PC's steady clock when empty.
    std::function<Monotonic::time_point()> monotonic;
  };

  SimulatedIndicator();
  explicit SimulatedIndicator(Options options);

  // Carries out a request that Classify() recognised.
  Answer Handle(RequestKind kind, std::span<const std::uint8_t> content);

  // --- the setup ---
  enum class Copy { kWorking, kSaved, kFactory };
  // A Number or Choice parameter in its read form ("010000", "01"); empty for the others.
  std::string Value(std::string_view displayNumber, Copy copy = Copy::kWorking) const;
  void SetValue(std::string_view displayNumber, std::string_view value, Copy copy = Copy::kWorking);
  // The option code of a Choice parameter's working value.
  int Code(std::string_view displayNumber) const;
  // The clock as the date and time reads give it: YYMMDD, HHMMSS.
  std::string ClockDate() const;
  std::string ClockTime() const;
  void SetCaj(bool on) { options_.cajOn = on; }
  bool Caj() const { return options_.cajOn; }

  // --- scale and front panel ---
  // The load on the platform, in kilograms, and where on the platform it lies.
  void SetLoad(double kg);
  double Load() const { return load_; }
  void SetPosition(Position position);
  Position LoadPosition() const { return position_; }
  void SetErrors(const ScaleErrors& errors);
  const ScaleErrors& Errors() const { return options_.errors; }
  void SetDynamics(bool on);
  bool Dynamics() const { return options_.dynamics; }
  // The Motion switch: the scale shakes, whatever its dynamics.
  void SetMotion(bool moving) { motion_ = moving; }
  bool Motion() const { return motion_; }
  // The indicator sees motion: the Motion switch, or with dynamics the readings of the motion
  // window spread wider than F1.4's band. ZERO, TARE, PRINT and the capturing steps wait for none.
  bool Moving() const;
  // What the A/D converter reads now, in kilograms, before the indicator's zero is taken off.
  double ReadingKg() const;
  // The scale interval e of the primary unit (F2.2, F2.3), in kilograms.
  double IntervalKg() const;
  // The most the scale weighs: F1.1 graduations of the primary unit's division, in kilograms.
  double CapacityKg() const;
  // The digit being edited on the indicator (0..5; -1 for none) and the shift flags (bits 0 and 1
  // of `bits` become bits 4 and 5 of the edit byte).
  void SetEditDigit(int position) { editDigit_ = position; }
  void SetShiftFlags(int bits) { shiftFlags_ = bits & 3; }
  bool NetMode() const { return netMode_; }
  double TareKg() const { return tare_; }
  // The nine bytes of the display reply: six digit codes, the edit byte, two lamp bytes. Bit 6 is
  // set in the last three so that no lamp pattern can read as the frame's closing 03.
  std::string DisplayReply() const;
  // What the six digits show, points included ("  12.5").
  std::string DisplayText() const;
  // The tickets printed so far, as the printer would have put them on paper.
  const std::vector<std::string>& Tickets() const { return tickets_; }
  void ClearTickets() { tickets_.clear(); }
  // What a ticket printed now would show.
  TicketValues TicketValuesNow() const;

  // --- print formats and counting ---
  // 'G' for the gross print mode, 'N' for the net one.
  const std::string& PrintFormat(char mode) const {
    return mode == 'N' ? netFormat_ : grossFormat_;
  }
  void SetPrintFormat(char mode, std::string text);
  const std::string& AverageWeight(int item) const {
    return averageWeights_.at(static_cast<std::size_t>(item));
  }
  void SetAverageWeight(int item, std::string digits);
  int CurrentItem() const { return currentItem_; }
  void SetCurrentItem(int item) { currentItem_ = item; }

 private:
  std::array<std::string, kSetupParamCount>& Copies(Copy copy);
  const std::array<std::string, kSetupParamCount>& Copies(Copy copy) const;
  // The working copy of a row the code names.
  const std::string& Working(const SetupParam& param) const;
  void SetWorking(const SetupParam& param, std::string value);
  int Code(const SetupParam& param) const;
  long Number(const SetupParam& param) const;
  std::time_t Wall() const;

  Answer Key(std::string_view code);
  Answer ReadParam(ParamAddress address) const;
  Answer WriteParam(ParamAddress address, std::string_view value);
  Answer Calibration(int number, std::string_view value);
  Answer CountStep(int number, std::string_view value);
  Answer WriteAll(std::span<const std::uint8_t> block);
  Answer SendFormat(char mode, std::span<const std::uint8_t> text);
  Answer Weight(std::string_view item, std::string_view digits);

  double GrossKg() const { return ReadingKg() - zeroOffset_; }
  // The reading once every swing is over: the load with the errors it settles with.
  double SettledKg() const;
  // Seconds on the monotonic clock since the indicator was made; a request's whole handling sees
  // one moment.
  double Seconds() const;
  FilterSetup Filters() const;
  Disturbance Shaking() const;
  double CreepKg(double at) const;
  // Moves the settled reading from `before` to what it is now: a swing, with dynamics.
  void Settle(double before);
  long Adc() const;
  // A weight as display steps of the shown unit (or the primary one), with its decimals.
  struct Steps {
    long long counts;
    int decimals;
    long long division;
  };
  Steps ToSteps(double kg, bool primary) const;
  // A weight at the inner resolution: tenths of the primary unit's last display digit.
  long long FineCounts(double kg) const;
  std::string WeightText(double kg) const;  // "12.5 kg", for tickets
  std::optional<long long> Pieces() const;
  void UpdatePeak();
  void PrintTicket();

  Options options_;
  std::array<std::string, kSetupParamCount> working_, saved_, factory_;
  std::time_t clockOffset_ = 0;

  double load_ = 0;
  Position position_ = Position::kCentre;
  bool decreasing_ = false;  // the load last went down
  double changedAt_ = 0;     // when the load last changed (Seconds())
  int creepWay_ = 0;         // +1 after a load went up, -1 after it went down
  Monotonic::time_point epoch_;
  std::optional<Monotonic::time_point> handling_;  // the moment of the request being handled
  std::int64_t requests_ = 0;                      // the noise's draw without dynamics
  ScaleDynamics swings_;
  double zeroOffset_ = 0;
  double tare_ = 0;
  double peak_ = 0;
  bool motion_ = false;
  bool netMode_ = false;
  bool primaryUnit_ = true;
  int editDigit_ = -1;
  int shiftFlags_ = 0;
  std::vector<std::string> tickets_;

  std::string grossFormat_ = "<G><NL><E>";
  std::string netFormat_ = "<G><NL><T><NL><N><NL2><E>";
  std::array<std::string, kCountItems> averageWeights_;
  int currentItem_ = 0;
  double sampleZeroKg_ = 0;
  bool sampleZeroed_ = false;
  long sampleQuantity_ = 0;
};

}  // namespace tamarack::sim
