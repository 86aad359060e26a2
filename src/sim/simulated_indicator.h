#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "setup/param_table.h"
#include "sim/frame_reader.h"

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
// F2.1, F2.4/F2.5 for the other one); an average piece weight is the weight of one piece in display
// steps of the primary unit, times 2^24.
class SimulatedIndicator {
 public:
  static constexpr long kAdcAtZero = 12000;
  static constexpr long kAdcPerKg = 100;

  struct Options {
    bool cajOn = true;
    // How long the capturing steps (zero, span, re-zero, sample zero, confirm) take.
    std::chrono::milliseconds stepTime{1000};
    // Seconds since the epoch; the PC's clock when empty.
    std::function<std::time_t()> clock;
    // The indicator's clock starts at the PC's local time; when false, at UTC.
    bool localTime = true;
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

  // --- scale and front panel ---
  void SetLoad(double kg) {
    load_ = kg;
    UpdatePeak();
  }
  double Load() const { return load_; }
  void SetMotion(bool moving) { motion_ = moving; }
  // The digit being edited on the indicator (0..5; -1 for none) and the shift flags (bits 0 and 1
  // of `bits` become bits 4 and 5 of the edit byte).
  void SetEditDigit(int position) { editDigit_ = position; }
  void SetShiftFlags(int bits) { shiftFlags_ = bits & 3; }
  bool NetMode() const { return netMode_; }
  bool PrimaryUnitShown() const { return primaryUnit_; }
  double TareKg() const { return tare_; }
  // The nine bytes of the display reply: six digit codes, the edit byte, two lamp bytes. Bit 6 is
  // set in the last three so that no lamp pattern can read as the frame's closing 03.
  std::string DisplayReply() const;
  // What the six digits show, points included ("  12.5").
  std::string DisplayText() const;
  // The tickets printed so far, as the printer would have put them on paper.
  const std::vector<std::string>& Tickets() const { return tickets_; }

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

  double GrossKg() const { return load_ - zeroOffset_; }
  long Adc() const;
  // A weight as display steps of the shown unit (or the primary one), with its decimals.
  struct Steps {
    long long counts;
    int decimals;
    long long division;
  };
  Steps ToSteps(double kg, bool primary) const;
  std::string WeightText(double kg) const;  // "12.5 kg", for tickets
  std::optional<long long> Pieces() const;
  void UpdatePeak();
  void PrintTicket();

  Options options_;
  std::array<std::string, kSetupParamCount> working_, saved_, factory_;
  std::time_t clockOffset_ = 0;

  double load_ = 0;
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
