// The tamarack-sim program as a user runs it: it prints its device, answers there, takes console
// commands, and stops cleanly on SIGTERM, taking its symlink with it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "indicator/display_decode.h"
#include "link/commands.h"
#include "raw_port.h"

extern char** environ;

namespace tamarack::sim {
namespace {

// The program started with `args` after its own name; its standard output and input.
struct Spawned {
  pid_t pid = 0;
  int out = -1;  // what it prints
  int in = -1;   // its console
};

Spawned Spawn(std::vector<std::string> args) {
  Spawned spawned;
  int out[2], in[2];
  EXPECT_EQ(::pipe(out), 0);
  EXPECT_EQ(::pipe(in), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  std::string program = TAMARACK_SIM_PROGRAM;
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  EXPECT_EQ(posix_spawn(&spawned.pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(in[0]);
  spawned.out = out[0];
  spawned.in = in[1];
  return spawned;
}

TEST(SimProgramTest, ServesItsDeviceAndStopsCleanly) {
  const std::string link =
      testing::TempDir() + "tamarack-sim-program-" + std::to_string(::getpid());
  const Spawned spawned = Spawn({"--link", link, "--fault", "refuse@weight"});
  const pid_t pid = spawned.pid;
  FILE* output = ::fdopen(spawned.out, "r");
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, output), nullptr);
  std::string device(line);
  while (!device.empty() && device.back() == '\n') device.pop_back();
  EXPECT_TRUE(device.starts_with("/dev/pts/")) << device;
  {
    simtest::RawPort port(link);
    ASSERT_TRUE(port.ok());
    const Frame reply = port.Exchange(DisplayPollRequest(), 14);
    ASSERT_EQ(reply.size(), 14u);
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(port.Exchange(WeightRequest("05", "0000000000"), 7), ShortFrame("NO"));
    // A console command puts 12.5 kg on the scale: the digits read "12.5".
    const std::string command = "load 12.5\n";
    ASSERT_EQ(::write(spawned.in, command.data(), command.size()),
              static_cast<ssize_t>(command.size()));
    ::usleep(200000);
    const Frame shown = port.Exchange(DisplayPollRequest(), 14);
    ASSERT_EQ(shown.size(), 14u);
    EXPECT_EQ(Frame(shown.begin() + 3, shown.begin() + 9),
              (Frame{0x00, 0x00, 0x00, 0x06, 0xDB, 0x6D}));
  }
  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "the symlink outlived the program";
  std::fclose(output);
  ::close(spawned.in);
}

// With the errors of a real scale and its dynamics: a load shows its span error once it has
// settled, with the Stable lamp lit.
TEST(SimProgramTest, GivesTheScaleErrorsAndDynamics) {
  const std::string link = testing::TempDir() + "tamarack-sim-errors-" + std::to_string(::getpid());
  const Spawned spawned =
      Spawn({"--link", link, "--sim-errors", "span=+0.03%", "--dynamics", "--load", "1000"});
  FILE* output = ::fdopen(spawned.out, "r");
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, output), nullptr);
  {
    simtest::RawPort port(link);
    ASSERT_TRUE(port.ok());
    std::string shown;
    bool stable = false;
    // Settled within a few seconds; the loop only bounds a failure.
    for (int i = 0; i < 100 && !(shown == "1000.3" && stable); ++i) {
      const Frame reply = port.Exchange(DisplayPollRequest(), 14);
      ASSERT_EQ(reply.size(), 14u);
      DisplayState state;
      DecodeDisplay(
          std::span<const std::uint8_t, kDisplayReplySize>(reply.data() + 3, kDisplayReplySize),
          true, state);
      shown = ShownCharacters(state.displayText);
      shown.erase(0, shown.find_first_not_of(' '));
      stable = state.Lit(Lamp::kStable);
      ::usleep(100000);
    }
    EXPECT_EQ(shown, "1000.3");
    EXPECT_TRUE(stable);
  }
  ASSERT_EQ(::kill(spawned.pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(spawned.pid, &status, 0), spawned.pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::fclose(output);
  ::close(spawned.in);
}

}  // namespace
}  // namespace tamarack::sim
