#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "verify/verification_run.h"

namespace tamarack::sim {
class Simulator;
}

namespace tamarack::cli {

// How often the display is polled while a reading is taken.
inline constexpr std::int64_t kTestScalePollMs = 200;

// What a test walked from the command line is given.
struct TestScaleSetup {
  VerificationRequest request;
  // The simulated indicator behind the port: it places each load (at its position) itself, so
  // that the test runs unattended. Null: a person does, told by `tell` and answering by `ask`.
  sim::Simulator* simulator = nullptr;
  // Shows a prompt, and waits for the person's line of answer; none when the input has ended.
  std::function<std::optional<std::string>(const std::string& prompt)> ask;
  // Tells how the test goes ("Step 3 of 17: 500.0 kg, error +0.1 kg, PASS").
  std::function<void(const std::string& line)> tell;
  const std::atomic<bool>* stop = nullptr;
};

// One reading's times on the steady clock, in milliseconds from the start of the test.
struct TakenStep {
  std::size_t step = 0;
  std::int64_t stableMs = -1;  // the first poll of the unbroken run of lit Stable lamps
  std::int64_t takenMs = -1;
};

struct TestScaleOutcome {
  // Why the test could not start (the instrument could not be read, the class, the tolerance,
  // the plan): nothing of the test was sent.
  std::vector<std::string> refused;
  bool readFailed = false;  // the instrument's parameters did not come back
  std::optional<VerificationResult> result;
  std::string stopped;  // a step that ended without its reading: why
  std::vector<TakenStep> taken;
  std::int64_t elapsedMs = 0;
};

// Reads the instrument off the indicator, prepares the test and walks its plan: each load placed
// (by the simulator, or by a person who presses Enter once it is on), then polled every 200 ms
// until the reading is taken. A reading that stops or does not settle is tried again on a
// person's word; unattended, the test ends there.
TestScaleOutcome WalkTestScale(SerialLink& link, UserFeedback& ui, const TestScaleSetup& setup);

// test-scale's row: the options' words and the plan file checked before the port is opened (the
// CSV certificate's name is the one word after --csv), and the test over the line.
std::string CheckTestScale(const CliCommand& command, int dataBits);
CommandResult RunTestScaleCommand(const CliCommand& command, Connection& on);

// The command line's test-scale needs a QGuiApplication, for the certificate's PDF.
bool NeedsGuiApplication(std::string_view command);

}  // namespace tamarack::cli
