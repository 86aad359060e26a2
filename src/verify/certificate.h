#pragma once

#include <span>
#include <string>
#include <vector>

#include "records/report.h"
#include "verify/verification_result.h"

namespace tamarack {

// The stages a test is run at on a visit; a test of neither stage has no stage.
inline constexpr const char* kAsFound = "As found";
inline constexpr const char* kAsLeft = "As left";

// What a verification hands the customer: the tests it certifies, their result and the report
// that lays them out.
struct Certificate {
  // As found before as left when both were run; else the one test.
  std::vector<VerificationResult> tests;
  // The last test's: once the scale was adjusted, the as-left test says how it weighs.
  Verdict verdict = Verdict::kIncomplete;
  Report report;

  bool Passed() const { return verdict == Verdict::kPass; }
};

// The tests a certificate holds out of those run on a visit, oldest first: the last one, and
// before it the last as-found test when the last is an as-left one.
std::vector<VerificationResult> CertifiedTests(std::span<const VerificationResult> run);

// The certificate of `tests` (as CertifiedTests gives them). Its report: the overall result, the
// instrument as its setup describes it (Max, e, n, class, F6.1 as set, F7.3), the port and its
// line, the tolerance table applied, the test weights, the temperature, the technician and the
// time; how the readings were taken; then each test's table, its failing rows marked, under a
// heading per stage when both were run; and a line for the technician's signature.
Certificate MakeCertificate(std::vector<VerificationResult> tests);

}  // namespace tamarack
