#include "verify/tolerance_table.h"

#include <array>

#include "files/text_fields.h"

namespace tamarack {
namespace {

// In half scale intervals. Acceptance is half of maintenance in the handbook and in Canada, and
// in-service errors are twice the initial ones in R 76-1; both columns are written out so that
// each row reads as its published table does.
constexpr ToleranceBand kHandbookIIIAcceptance[] = {{500, 1}, {2000, 2}, {4000, 3}, {kOpenBand, 5}};
constexpr ToleranceBand kHandbookIIIMaintenance[] = {
    {500, 2}, {2000, 4}, {4000, 6}, {kOpenBand, 10}};
constexpr ToleranceBand kR76IIIInitial[] = {{500, 1}, {2000, 2}, {kOpenBand, 3}};
constexpr ToleranceBand kR76IIIInService[] = {{500, 2}, {2000, 4}, {kOpenBand, 6}};
constexpr ToleranceBand kR76IIIIInitial[] = {{50, 1}, {200, 2}, {kOpenBand, 3}};
constexpr ToleranceBand kR76IIIIInService[] = {{50, 2}, {200, 4}, {kOpenBand, 6}};
constexpr ToleranceBand kCanadaIIIAcceptance[] = {{500, 1}, {2000, 2}, {kOpenBand, 3}};
constexpr ToleranceBand kCanadaIIIInService[] = {{500, 2}, {2000, 4}, {kOpenBand, 6}};
constexpr ToleranceBand kCanadaIIIIAcceptance[] = {{50, 1}, {200, 2}, {kOpenBand, 3}};
constexpr ToleranceBand kCanadaIIIIInService[] = {{50, 2}, {200, 4}, {kOpenBand, 6}};

using enum Regulation;
using enum AccuracyClass;
using enum Situation;

constexpr std::array<ToleranceTable, 10> kTables{{
    {kNtep, kIII, kAcceptance, "NIST Handbook 44, class III, acceptance tolerances",
     kHandbookIIIAcceptance},
    {kNtep, kIII, kInService, "NIST Handbook 44, class III, maintenance tolerances",
     kHandbookIIIMaintenance},
    {kOiml, kIII, kAcceptance,
     "OIML R 76-1, class III, maximum permissible errors on initial verification", kR76IIIInitial},
    {kOiml, kIII, kInService, "OIML R 76-1, class III, maximum permissible errors in service",
     kR76IIIInService},
    {kOiml, kIIII, kAcceptance,
     "OIML R 76-1, class IIII, maximum permissible errors on initial verification",
     kR76IIIIInitial},
    {kOiml, kIIII, kInService, "OIML R 76-1, class IIII, maximum permissible errors in service",
     kR76IIIIInService},
    {kCanada, kIII, kAcceptance, "Measurement Canada, class III, acceptance limits of error",
     kCanadaIIIAcceptance},
    {kCanada, kIII, kInService, "Measurement Canada, class III, in-service limits of error",
     kCanadaIIIInService},
    {kCanada, kIIII, kAcceptance, "Measurement Canada, class IIII, acceptance limits of error",
     kCanadaIIIIAcceptance},
    {kCanada, kIIII, kInService, "Measurement Canada, class IIII, in-service limits of error",
     kCanadaIIIIInService},
}};

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::string_view SituationWord(Situation situation) {
  return situation == kAcceptance ? "acceptance" : "in-service";
}

std::optional<Situation> ParseSituation(std::string_view text) {
  if (text == "acceptance") return kAcceptance;
  if (text == "in-service") return kInService;
  return std::nullopt;
}

std::span<const ToleranceTable> ToleranceTables() {
  return kTables;
}

const ToleranceTable* FindToleranceTable(Regulation regulation, AccuracyClass accuracyClass,
                                         Situation situation) {
  for (const ToleranceTable& table : kTables) {
    if (table.regulation == regulation && table.accuracyClass == accuracyClass &&
        table.situation == situation) {
      return &table;
    }
  }
  return nullptr;
}

Mass Tolerance::Mpe(const Instrument& instrument, Mass load) const {
  const std::int64_t e = instrument.e.micro;
  if (table == nullptr) {
    // e is a whole number of hundredths of a millionth: the finest e is 100 millionths.
    return customerMass ? *customerMass : Mass{e * customerHundredthsE / 100};
  }
  const Mass magnitude = Abs(load);
  for (const ToleranceBand& band : table->bands) {
    if (band.upToE == kOpenBand || magnitude.micro <= band.upToE * e) {
      return Mass{e * band.mpeHalfE / 2};
    }
  }
  return Mass{e * table->bands.back().mpeHalfE / 2};
}

std::vector<std::int64_t> Tolerance::EdgesE() const {
  std::vector<std::int64_t> edges;
  if (table == nullptr) return edges;
  for (const ToleranceBand& band : table->bands) {
    if (band.upToE != kOpenBand) edges.push_back(band.upToE);
  }
  return edges;
}

ToleranceChoice ChooseTolerance(const Instrument& instrument, AccuracyClass accuracyClass,
                                Situation situation, std::string_view customerText) {
  const std::string_view customer = TrimBlanks(customerText);
  const auto refuse = [](std::string message) { return ToleranceChoice{std::nullopt, message}; };
  if (instrument.regulation != kNone) {
    if (!customer.empty()) {
      return refuse("F6.1 is " + instrument.regulationText +
                    ": its table applies, and a customer's tolerance only with NONE");
    }
    const ToleranceTable* table =
        FindToleranceTable(instrument.regulation, accuracyClass, situation);
    if (table == nullptr) {
      return refuse("No " + std::string(RegulationName(instrument.regulation)) +
                    " table for class " + std::string(ClassText(accuracyClass)) + " is built in");
    }
    Tolerance tolerance;
    tolerance.table = table;
    tolerance.name = std::string(table->name);
    return {tolerance, {}};
  }

  const std::string unit(instrument.UnitName());
  if (customer.empty()) {
    return refuse("F6.1 is " + instrument.regulationText +
                  ": state the customer's tolerance, in e (\"1.5 e\") or in " + unit);
  }
  Tolerance tolerance;
  if (EndsWith(customer, "e")) {
    const MassParse parsed =
        ParseMass(TrimBlanks(customer.substr(0, customer.size() - 1)), 2, false);
    if (!parsed.mass) return refuse("The customer's tolerance: " + parsed.message);
    tolerance.customerHundredthsE = parsed.mass->micro / (kMicroPerUnit / 100);
    if (tolerance.customerHundredthsE == 0) return refuse("The customer's tolerance is zero");
    tolerance.name = "Customer's tolerance, ±" + MassText(*parsed.mass, 0) + " e";
    return {tolerance, {}};
  }
  std::string_view number = customer;
  if (EndsWith(number, unit)) number = TrimBlanks(number.substr(0, number.size() - unit.size()));
  const MassParse parsed = ParseMass(number, instrument.MassDecimals(), false);
  if (!parsed.mass) return refuse("The customer's tolerance: " + parsed.message);
  if (parsed.mass->micro == 0) return refuse("The customer's tolerance is zero");
  tolerance.customerMass = parsed.mass;
  tolerance.name = "Customer's tolerance, ±" + instrument.Text(*parsed.mass);
  return {tolerance, {}};
}

}  // namespace tamarack
