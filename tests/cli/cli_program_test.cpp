// tamarack-cli as a script runs it: the program spawned as a process against simulated
// indicators on pseudo-terminals, its files, its output and its exit status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/cli_commands.h"
#include "files/replace_file.h"
#include "files/small_file.h"
#include "indicator/weight_series.h"
#include "link/comm_port.h"
#include "printfmt/print_format.h"
#include "setup/bulk_ops.h"
#include "setup/param_codec.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "setup/setup_value_file.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/postgres_server.h"
#include "support/recording_feedback.h"
#include "support/ser2net.h"
#include "support/sim_port.h"

extern char** environ;

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureCoreApplication(); }

  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("tamarack-cli-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // The program keeps its records in the user's data folder: each test has one of its own.
    UseDataFolder("data");
  }
  void UseDataFolder(const std::string& name) { ::setenv("XDG_DATA_HOME", Path(name).c_str(), 1); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // A simulated indicator served on a pseudo-terminal of its own (unpaced, for speed).
  struct Served {
    explicit Served(sim::PtyTransport::Options line) : transport(sim, std::move(line)) {}
    sim::Simulator sim;
    sim::PtyTransport transport;
    std::string Device() const { return transport.DevicePath(); }
  };
  Served& Serve(sim::PtyTransport::Options line = {}) {
    served_.push_back(std::make_unique<Served>(std::move(line)));
    EXPECT_TRUE(served_.back()->transport.Start(nullptr));
    return *served_.back();
  }

  // Starts the program, its output into files; the pid, for signals.
  pid_t Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), TAMARACK_CLI_PROGRAM);
    args.insert(args.begin(), prefix_.begin(), prefix_.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, Path("stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, Path("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!input_.empty()) posix_spawn_file_actions_addopen(&actions, 0, input_.c_str(), O_RDONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  Ran Wait(pid_t pid) {
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    Ran run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = Slurp(Path("stdout"));
    run.err = Slurp(Path("stderr"));
    return run;
  }
  Ran Cli(std::vector<std::string> args) { return Wait(Spawn(std::move(args))); }
  Ran On(const Served& s, std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", s.Device()});
    return Cli(std::move(args));
  }

  fs::path dir_;
  std::vector<std::unique_ptr<Served>> served_;
  std::vector<std::string> prefix_;  // what runs the program, when not run directly
  std::string input_;                // the program's standard input; empty: the test's own
};

// Gives the simulator a setup that differs from the factory's in a number and a choice.
void Customise(sim::Simulator& sim) {
  sim.With([](sim::SimulatedIndicator& m) {
    m.SetValue("F1.6", "02");
    m.SetValue("F6.2", "000250");
    m.SetValue("F3.2", "012345");
  });
}

TEST_F(CliTest, ReadWritesWhatSaveToFileWritesAndWriteVerifyCopiesIt) {
  Served& a = Serve();
  Served& b = Serve();
  Customise(a.sim);
  const Ran read = On(a, {"read", "--out", Path("cli.stx")});
  ASSERT_EQ(read.status, 0) << read.err;

  // The setup window's Read All and Save to File on the same indicator.
  {
    CommPort port;
    test::RecordingFeedback ui;
    ASSERT_EQ(test::OpenOn(a.transport, port, ui), "");
    SetupModel model = OpeningModel("01-01-2026", "12:00:00");
    ASSERT_TRUE(ReadAllParams(model, port, ui));
    ASSERT_TRUE(SaveSetupFile(Path("window.stx"), model, ui));
  }
  EXPECT_EQ(Slurp(Path("cli.stx")), Slurp(Path("window.stx")));

  // The second indicator differs until the file has been written into it.
  const Ran before = On(b, {"diff", Path("cli.stx")});
  EXPECT_EQ(before.status, 1) << before.err;
  EXPECT_NE(before.out.find("F1.6"), std::string::npos) << before.out;
  EXPECT_NE(before.out.find("3 parameters differ"), std::string::npos) << before.out;

  const Ran write = On(b, {"write", Path("cli.stx"), "--verify", "--record", Path("record.csv")});
  ASSERT_EQ(write.status, 0) << write.err;
  // The service record: F1.6 as found on the second indicator, as left from the file.
  const std::string record = Slurp(Path("record.csv"));
  EXPECT_NE(record.find("\nF1.6,Sample rate,1 (15Hz),2 (30Hz),changed\r\n"), std::string::npos)
      << record;
  EXPECT_NE(record.find("\nF1.7,Digital Filter 1,1,1,\r\n"), std::string::npos) << record;
  EXPECT_NE(record.find("Write All"), std::string::npos) << record;
  EXPECT_NE(write.out.find(kWriteAllSuccess), std::string::npos);
  EXPECT_NE(write.out.find(kAllValuesMatch), std::string::npos);
  for (const SetupParam& param : ComparedParams()) {
    const std::string n(param.displayNumber);
    EXPECT_EQ(a.sim.With([&](sim::SimulatedIndicator& m) { return m.Value(n); }),
              b.sim.With([&](sim::SimulatedIndicator& m) { return m.Value(n); }))
        << n;
  }
  const Ran after = On(b, {"diff", Path("cli.stx")});
  EXPECT_EQ(after.status, 0) << after.out << after.err;
}

TEST_F(CliTest, RefusedWriteAllEndsWithStatusOneAndTheRefusal) {
  struct Case {
    const char* name;
    std::function<void(sim::Simulator&)> setUp;
    std::string_view text;
    bool blockSent = false;  // the block went through, only a part before it failed
  };
  const Case cases[] = {
      {"caj_switch_off", [](sim::Simulator& s) { s.With([](auto& m) { m.SetCaj(false); }); },
       kTurnOnCaj},
      {"refused",
       [](sim::Simulator& s) { s.SetFault(sim::RequestKind::kWriteAll, sim::FaultKind::kRefuse); },
       kWriteAllFalse},
      {"silent",
       [](sim::Simulator& s) { s.SetFault(sim::RequestKind::kWriteAll, sim::FaultKind::kSilence); },
       kWriteAllFalse},
      {"date_and_time_writes_silent",
       [](sim::Simulator& s) {
         s.SetFault(sim::RequestKind::kWriteParam, sim::FaultKind::kSilence);
       },
       kDateWriteFault, true},
  };
  Served& source = Serve();
  ASSERT_EQ(On(source, {"read", "--out", Path("setup.stx")}).status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Served& s = Serve();
    c.setUp(s.sim);
    const Ran run = On(s, {"write", Path("setup.stx"), "--verify"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.text), std::string::npos) << run.err;
    if (!c.blockSent) {
      EXPECT_EQ(run.out.find(kAllValuesMatch), std::string::npos) << "verified after a refusal";
    }
  }
}

TEST_F(CliTest, FormatSendThenReadGivesTheSameFile) {
  Served& s = Serve();
  FormatLines lines{};
  lines[0] = "TAMARACK<NL>";
  lines[1] = "GROSS <G><NL>";
  lines[2] = "TARE  <T><NL>";
  lines[3] = "NET   <N><NL2>";
  lines[4] = "<D> <TI><E>";
  const auto stored = JoinLines(lines, true);
  ASSERT_TRUE(stored);
  ASSERT_TRUE(ReplaceFile(Path("sent.fmt"), *stored).ok());

  const Ran send = On(s, {"format", "send", "N", Path("sent.fmt")});
  ASSERT_EQ(send.status, 0) << send.err;
  EXPECT_EQ(s.sim.With([](sim::SimulatedIndicator& m) { return m.PrintFormat('N'); }),
            *JoinLines(lines, false));
  const Ran read = On(s, {"format", "read", "N", "--out", Path("read.fmt")});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(Slurp(Path("read.fmt")), *stored);
  // The gross format was left alone.
  const Ran gross = On(s, {"format", "read", "G"});
  EXPECT_EQ(gross.out.rfind("<G><NL>", 0), 0u) << gross.out;
}

TEST_F(CliTest, WhatTheWindowWouldRefuseIsRejectedBeforeAnythingIsSent) {
  Served& s = Serve();
  // A format text of 150 bytes: too long for 7 data bits.
  FormatLines lines{};
  for (int i = 0; i < 5; ++i) lines[i] = std::string(26, 'A') + "<NL>";
  ASSERT_TRUE(ReplaceFile(Path("long.fmt"), *JoinLines(lines, true)).ok());
  ASSERT_TRUE(ReplaceFile(Path("bad.stx"),
                          "010000,7,0,0,2,1,1,2,2,1,2,0,1,1,0,0,0,0,012000,001000,022000,3,0,1,0,0,"
                          "000100,010000,000000,000000")
                  .ok());
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string message;
    int status;
  };
  const Case cases[] = {
      {"unknown_parameter", {"set", "F9.9=1"}, "no parameter F9.9", 2},
      {"not_a_number", {"set", "F1.6=2", "F6.2=12a"}, "F6.2 Value must be number!", 2},
      {"zero_refused", {"set", "F1.1=0"}, "F1.1 Value can not be zero!", 2},
      {"no_such_option", {"set", "F1.6=9"}, "F1.6 Value err!", 2},
      {"bad_choice_in_file", {"write", Path("bad.stx")}, "F1.2 Value err!", 2},
      {"missing_file", {"write", Path("none.stx")}, std::string(kSetupFileError), 2},
      {"format_too_long_for_7_bits",
       {"--data", "7", "format", "send", "G", Path("long.fmt")},
       std::string(kDataBits7Text),
       2},
      {"wrong_password", {"default", "--password", "1234"}, "PassWord is Error!", 2},
      {"weight_out_of_range", {"weight", "set", "5", "12"}, "Average Weight must between", 2},
      {"unknown_key", {"key", "ENTER"}, "no key ENTER", 2},
      {"record_as_pdf",
       {"write", Path("bad.stx"), "--record", Path("r.pdf")},
       "the service record is written as CSV",
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Ran run = On(s, c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_TRUE(test::SimRequests(s.sim).empty()) << "something was sent";
}

TEST_F(CliTest, SetSaveAndKeysReachTheIndicator) {
  Served& s = Serve();
  const Ran set = On(s, {"--trace", "set", "F1.6=3", "F6.2=100", "F2.1=1"});
  EXPECT_EQ(set.status, 0) << set.err;
  // Every exchange is traced, the last one included.
  EXPECT_NE(set.err.find("write F2.1 = 1"), std::string::npos) << set.err;
  EXPECT_NE(set.out.find("F6.2 Value Write Sucess!"), std::string::npos) << set.out;
  EXPECT_EQ(On(s, {"save"}).status, 0);
  s.sim.With([](sim::SimulatedIndicator& m) {
    EXPECT_EQ(m.Value("F1.6", sim::SimulatedIndicator::Copy::kSaved), "03");
    EXPECT_EQ(m.Value("F6.2", sim::SimulatedIndicator::Copy::kSaved), "000100");
    m.SetLoad(10);
  });
  EXPECT_EQ(On(s, {"key", "TARE"}).status, 0);
  EXPECT_TRUE(s.sim.With([](sim::SimulatedIndicator& m) { return m.NetMode(); }));
  s.sim.SetFault(sim::RequestKind::kKey, sim::FaultKind::kRefuse);
  EXPECT_EQ(On(s, {"key", "ZERO"}).status, 1);
}

TEST_F(CliTest, MissingPortEndsWithStatusThree) {
  const Ran run = Cli({"--port", Path("no-such-device"), "read"});
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.err.find(kPortMissing), std::string::npos) << run.err;
  const Ran usage = Cli({"read", "extra"});
  EXPECT_EQ(usage.status, 2);
}

TEST_F(CliTest, JsonOutputParses) {
  Served& s = Serve();
  s.sim.With([](sim::SimulatedIndicator& m) { m.SetLoad(12.5); });
  struct Case {
    std::vector<std::string> args;
    const char* key;
  };
  const Case cases[] = {
      {{"--json", "read"}, "parameters"},
      {{"--json", "display"}, "lamps"},
      {{"--json", "weight", "get", "7"}, "weight"},
      {{"--json", "diff", Path("none.stx")}, "error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const Ran run = On(s, c.args);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
    EXPECT_TRUE(doc.object().contains(c.key)) << run.out;
    EXPECT_EQ(doc.object()["status"].toInt(), run.status);
  }
  const Ran read = On(s, {"--json", "read"});
  EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(read.out))
                .object()["parameters"]
                .toArray()
                .size(),
            33);
  const Ran shown = On(s, {"--json", "display"});
  EXPECT_NE(QJsonDocument::fromJson(QByteArray::fromStdString(shown.out))
                .object()["display"]
                .toString()
                .toStdString()
                .find("12.5"),
            std::string::npos)
      << shown.out;
}

void Silence(sim::Simulator& sim) {
  for (int k = 0; k < sim::kRequestKindCount; ++k) {
    sim.SetFault(static_cast<sim::RequestKind>(k), sim::FaultKind::kSilence);
  }
}

TEST_F(CliTest, FleetGoesOnPastASilentIndicatorAndSaysSo) {
  std::string inventory = "port,baud,data,stop,parity,file\n";
  for (int i = 0; i < 4; ++i) {
    Served& s = Serve();
    if (i == 2) Silence(s.sim);
    inventory += s.Device() + ",9600,8,1,NOPARITY,unit" + std::to_string(i) + ".stx\n";
  }
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), inventory).ok());
  const Ran run = Cli({"fleet", Path("fleet.csv"), "read", "--out", "x.stx"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.out.find("3 of 4 indicators succeeded, 1 failed"), std::string::npos) << run.out;
  // The silent one's summary row.
  const std::string silent = served_[2]->Device();
  const std::size_t row = run.out.rfind(silent);
  ASSERT_NE(row, std::string::npos) << run.out;
  const std::string line = run.out.substr(row, run.out.find('\n', row) - row);
  EXPECT_NE(line.find("FAILED"), std::string::npos) << line;
  EXPECT_NE(line.find("F01.01 Read Value False!"), std::string::npos) << line;
  // Each row's own file, and a log for every indicator.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(fs::exists(Path("unit" + std::to_string(i) + ".stx")), i != 2) << i;
  }
  int logs = 0;
  for (const auto& entry : fs::directory_iterator(Path("fleet.csv.logs"))) {
    ++logs;
    EXPECT_NE(Slurp(entry.path().string()).find("result "), std::string::npos);
  }
  EXPECT_EQ(logs, 4);
}

TEST_F(CliTest, FleetRefusesABadInventoryBeforeAnythingStarts) {
  Served& a = Serve();
  Served& b = Serve();
  struct Case {
    const char* name;
    std::string inventory;
    std::string command;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"malformed_row", a.Device() + "\n" + b.Device() + ",9601\n", "save", 2, ":2: baud must be"},
      {"same_port_twice", a.Device() + "\n" + b.Device() + "\n" + a.Device() + ",4800\n", "save", 2,
       "lines 1 and 3 both name"},
      {"bad_row_file", a.Device() + ",,,,," + Path("none.stx") + "\n", "write", 2,
       ":1: Open Setup Value File Error!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), c.inventory).ok());
    std::vector<std::string> args = {"fleet", Path("fleet.csv"), c.command};
    if (c.command == "write") args.push_back(Path("none.stx"));
    const Ran run = Cli(args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_TRUE(test::SimRequests(a.sim).empty());
  EXPECT_TRUE(test::SimRequests(b.sim).empty());

  // With --keep-going the malformed row is passed over and the others run.
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), a.Device() + "\n" + b.Device() + ",9601\n").ok());
  const Ran run = Cli({"fleet", Path("fleet.csv"), "--keep-going", "save"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(":2: baud must be"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("1 of 1 indicators succeeded"), std::string::npos) << run.out;
  EXPECT_TRUE(test::SimRequests(b.sim).empty());
}

TEST_F(CliTest, InterruptEndsEveryExchangeAndLeavesNoFileBehind) {
  std::string inventory;
  for (int i = 0; i < 3; ++i) {
    Served& s = Serve();
    inventory += s.Device() + ",,,,,w" + std::to_string(i) + ".aws\n";
  }
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), inventory).ok());
  // A hundred weight reads per indicator: far longer than the wait before the interrupt.
  const pid_t pid = Spawn({"fleet", Path("fleet.csv"), "weights", "read", "x.aws"});
  while (test::SimRequests(served_[0]->sim).size() < 3) ::usleep(20000);
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  const Ran run = Wait(pid);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.out.find("interrupted"), std::string::npos) << run.out;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".aws"), std::string::npos) << name << " was left behind";
  }
  for (const auto& served : served_) EXPECT_LT(test::SimRequests(served->sim).size(), 100u);
}

// A fleet needing more open files than the hard limit allows is refused before anything starts,
// the limit named; below the soft limit but within the hard one, the fleet raises its own and runs.
TEST_F(CliTest, FleetBeyondTheOpenFileLimitIsRefusedBeforeAnythingStarts) {
  std::string inventory;
  for (int i = 0; i < 12; ++i) inventory += Serve().Device() + "\n";
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), inventory).ok());
  struct Case {
    const char* name;
    const char* limit;  // as ulimit sets it
    int status;
    const char* message;
  };
  const Case cases[] = {
      {"hard_limit", "-n 40", 2,
       "12 indicators need 76 open files at once, and this system allows 40"},
      {"soft_limit_only", "-S -n 40", 0, "12 of 12 indicators succeeded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prefix_ = {"/bin/sh", "-c", std::string("ulimit ") + c.limit + " && exec \"$0\" \"$@\""};
    const Ran run = Cli({"fleet", Path("fleet.csv"), "save"});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE((run.out + run.err).find(c.message), std::string::npos) << run.out << run.err;
    if (c.status != 0) {
      for (const auto& served : served_) EXPECT_TRUE(test::SimRequests(served->sim).empty());
    }
  }
}

// Device servers' URLs work as --port and as inventory rows, over both protocols, with the same
// file as the pseudo-terminal gives; the finder sets the line through RFC 2217.
TEST_F(CliTest, DeviceServerUrlsWorkLikeLocalPorts) {
  Served& s = Serve();
  Customise(s.sim);
  Served& other = Serve();
  const struct {
    test::Ser2Net::Mode mode;
    const char* f62;
  } rows[] = {{test::Ser2Net::Mode::kRaw, "000100"}, {test::Ser2Net::Mode::kRfc2217, "000200"}};
  for (const auto& row : rows) {
    test::Ser2Net proxy;
    ASSERT_EQ(proxy.Start(s.Device(), row.mode), "");
    SCOPED_TRACE(proxy.Url());
    ASSERT_EQ(On(s, {"read", "--out", Path("pty.stx")}).status, 0);
    const Ran read = Cli({"--port", proxy.Url(), "read", "--out", Path("net.stx")});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(Slurp(Path("net.stx")), Slurp(Path("pty.stx")));

    ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), proxy.Url() + "\n" + other.Device() + "\n").ok());
    const std::string value = std::string("F6.2=") + (row.f62 + 3);
    const Ran fleet = Cli({"fleet", Path("fleet.csv"), "set", value});
    EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
    for (Served* served : {&s, &other}) {
      EXPECT_EQ(served->sim.With([](sim::SimulatedIndicator& m) { return m.Value("F6.2"); }),
                row.f62);
    }
  }

  sim::PtyTransport::Options strict;
  strict.strictLine = true;
  strict.line.baud = 4800;
  strict.line.stopBits = 2;
  Served& remote = Serve(strict);
  test::Ser2Net proxy;
  ASSERT_EQ(proxy.Start(remote.Device(), test::Ser2Net::Mode::kRfc2217), "");
  const Ran find = Cli({"--port", proxy.Url(), "find"});
  EXPECT_EQ(find.status, 0) << find.err;
  EXPECT_EQ(find.out, "Indicator found on " + proxy.Url() + " at 4800 8 2 NOPARITY\n");
  const Ran key = Cli({"--port", proxy.Url(), "--baud", "4800", "--stop", "2", "key", "TARE"});
  EXPECT_EQ(key.status, 0) << key.err;

  // A mistyped address is bad usage, refused before anything is opened.
  const Ran typo = Cli({"--port", "rfc2217://scale7:", "read"});
  EXPECT_EQ(typo.status, 2);
  EXPECT_NE(typo.err.find("The port number is missing"), std::string::npos) << typo.err;
}

// A device server restarting in the middle of write --verify fails the row behind it with its
// message; the rows behind another device server and on a local port end as they did without it.
TEST_F(CliTest, ADeviceServerRestartingMidWriteFailsOnlyItsRow) {
  sim::PtyTransport::Options paced;
  paced.pacing = true;  // so that the write lasts long enough to be cut
  Served& cut = Serve(paced);
  Served& other = Serve(paced);
  Served& local = Serve(paced);
  Customise(local.sim);
  ASSERT_EQ(On(local, {"read", "--out", Path("setup.stx")}).status, 0);
  test::Ser2Net restarting, steady;
  ASSERT_EQ(restarting.Start(cut.Device(), test::Ser2Net::Mode::kRfc2217), "");
  ASSERT_EQ(steady.Start(other.Device(), test::Ser2Net::Mode::kRaw), "");
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"),
                          restarting.Url() + "\n" + steady.Url() + "\n" + local.Device() + "\n")
                  .ok());
  const std::vector<std::string> write = {"--json", "fleet",           Path("fleet.csv"),
                                          "write",  Path("setup.stx"), "--verify"};
  const auto rows = [](const Ran& run) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out))["indicators"].toArray();
  };
  const Ran calm = Cli(write);
  ASSERT_EQ(calm.status, 0) << calm.out << calm.err;

  const std::size_t before = test::SimRequests(cut.sim).size();
  const pid_t pid = Spawn(write);
  // Some way into the write: past Write All, into the read-back.
  for (int wait = 0; wait < 4000 && test::SimRequests(cut.sim).size() < before + 8; ++wait) {
    ::usleep(5000);
  }
  ASSERT_EQ(restarting.Restart(), "");
  const Ran run = Wait(pid);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const QJsonArray was = rows(calm), now = rows(run);
  ASSERT_EQ(now.size(), 3);
  const QJsonObject failed = now[0].toObject();
  EXPECT_EQ(failed["result"].toString(), "FAILED");
  EXPECT_EQ(failed["status"].toInt(), 1);
  const std::string message = failed["message"].toString().toStdString();
  EXPECT_FALSE(message.empty());
  EXPECT_NE(message, was[0]["message"].toString().toStdString());
  // The row's log ends with the same failure.
  const std::string log = Slurp(failed["log"].toString().toStdString());
  EXPECT_NE(log.find("failure: " + message), std::string::npos) << log;
  EXPECT_NE(log.find("result FAILED"), std::string::npos) << log;
  for (const int row : {1, 2}) {
    SCOPED_TRACE(row);
    for (const char* field : {"result", "message", "status"}) {
      EXPECT_EQ(now[row][field], was[row][field]) << field;
    }
    EXPECT_EQ(now[row]["result"].toString(), "ok");
  }
}

// Under fleet, --help is the command's own; without a command, the fleet's.
TEST_F(CliTest, FleetHelpIsTheHelpOfTheCommandItRuns) {
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), "sim\n").ok());
  const std::string inventory = Path("fleet.csv");
  const Ran fleet = Cli({"fleet", "--help"});
  ASSERT_EQ(fleet.status, 0);
  ASSERT_EQ(fleet.out.rfind("usage: tamarack-cli [options] fleet INVENTORY.csv COMMAND", 0), 0u)
      << fleet.out;
  struct Case {
    const char* name;
    std::vector<std::string> underFleet;
    std::vector<std::string> alone;
  };
  const Case cases[] = {
      {"read", {"fleet", inventory, "read", "--help"}, {"read", "--help"}},
      {"help_first_words_after",
       {"--help", "fleet", inventory, "weights", "read", "x.aws"},
       {"weights", "--help"}},
      {"no_command", {"fleet", inventory, "--help"}, {"fleet", "--help"}},
      {"unknown_command", {"fleet", inventory, "nosuch", "--help"}, {"nosuch", "--help"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Ran under = Cli(c.underFleet);
    const Ran alone = Cli(c.alone);
    EXPECT_EQ(under.status, 0);
    EXPECT_EQ(under.out, alone.out);
  }
  EXPECT_NE(Cli({"fleet", inventory, "read", "--help"}).out, fleet.out);
}

// display --watch --csv prints the Weight Trend's CSV: its header, then one row a poll as polled.
TEST_F(CliTest, DisplayWatchCsvPrintsOneTrendRowAPoll) {
  Served& s = Serve();
  s.sim.With([](sim::SimulatedIndicator& m) { m.SetLoad(10); });
  const pid_t pid = Spawn({"--port", s.Device(), "display", "--watch", "--csv"});
  while (test::SimRequests(s.sim).size() < 3) ::usleep(20000);
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  const Ran run = Wait(pid);
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = run.out.find("\r\n", at)) != std::string::npos;
       at = end + 2) {
    lines.push_back(run.out.substr(at, end - at));
  }
  ASSERT_GE(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0], TrendCsvHeader());
  double before = -1;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    // time,seconds,"shown",value,unit,stable,gross,net,zero
    std::vector<std::string> fields;
    std::stringstream row(lines[i]);
    for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
    ASSERT_EQ(fields.size(), 9u) << lines[i];
    EXPECT_EQ(std::stod(fields[3]), 10.0) << lines[i];
    EXPECT_EQ(fields[4], "kg") << lines[i];
    EXPECT_GT(std::stod(fields[1]), before) << lines[i];
    before = std::stod(fields[1]);
  }
  const Ran both = On(s, {"display", "--csv", "--json"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(On(s, {"read", "--csv"}).status, 2);
}

QJsonObject Json(const Ran& run) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
}

// Every command that reads or writes an indicator keeps its records, on the scale --scale names
// (added at its first use, letter case aside after); records list, show, diff and export read
// them back.
TEST_F(CliTest, RecordsFollowTheScaleTheCommandLineNames) {
  Served& a = Serve();
  const Ran first = On(a, {"read", "--scale", "Mühle 3/Hopper", "--technician", "Ann Øberg"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.err.find("A new scale Mühle 3/Hopper was added"), std::string::npos) << first.err;
  Customise(a.sim);
  const Ran second = On(a, {"read", "--scale", "mühle 3/HOPPER", "--json"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(Json(second)["records"].toObject()["kept"].toInt(), 1) << second.out;
  ASSERT_EQ(On(a, {"set", "F6.2=300"}).status, 0);  // on no scale

  const QJsonArray scales = Json(Cli({"records", "list", "--json"}))["scales"].toArray();
  ASSERT_EQ(scales.size(), 1);
  EXPECT_EQ(scales[0].toObject()["site"].toString(), QString("Mühle 3"));
  EXPECT_EQ(scales[0].toObject()["due"].toString(), QString());

  const Ran listed = Cli({"records", "list", "Mühle 3/Hopper", "--json"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const QJsonArray history = Json(listed)["records"].toArray();
  ASSERT_EQ(history.size(), 2) << listed.out;
  const std::string newer = history[0].toObject()["id"].toString().toStdString();
  const std::string older = history[1].toObject()["id"].toString().toStdString();
  EXPECT_EQ(history[1].toObject()["technician"].toString(), QString("Ann Øberg"));
  EXPECT_EQ(history[0].toObject()["kind"].toString(), QString("read"));

  // The first letters of an id name the record.
  const Ran diff = Cli({"records", "diff", older.substr(0, 8), newer, "--json"});
  EXPECT_EQ(diff.status, 1) << diff.err;
  const QJsonArray differences = Json(diff)["differences"].toArray();
  ASSERT_EQ(differences.size(), 3) << diff.out;
  EXPECT_EQ(differences[0].toObject()["number"].toString(), QString("F1.6"));
  EXPECT_EQ(differences[0].toObject()["before"].toString(), QString("1 (15Hz)"));
  EXPECT_EQ(differences[0].toObject()["after"].toString(), QString("2 (30Hz)"));
  EXPECT_EQ(Cli({"records", "diff", newer, newer}).status, 0);

  const Ran unplaced = Cli({"records", "list", "unplaced", "--json"});
  const QJsonArray loose = Json(unplaced)["records"].toArray();
  ASSERT_EQ(loose.size(), 1) << unplaced.out;
  EXPECT_EQ(loose[0].toObject()["what"].toString(), QString("Write F6.2 = 300"));
  EXPECT_EQ(loose[0].toObject()["result"].toString(), QString("done"));

  const Ran shown = Cli({"records", "show", newer});
  EXPECT_NE(shown.out.find("scale       Mühle 3/Hopper\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("F1.6   2 (30Hz)"), std::string::npos) << shown.out;

  // A read exports to the file a read writes.
  ASSERT_EQ(Cli({"records", "export", older, Path("kept.stx")}).status, 0);
  ASSERT_EQ(On(a, {"diff", Path("kept.stx")}).status, 1);
  Customise(a.sim);
  ASSERT_EQ(Cli({"records", "export", newer, Path("kept.stx")}).status, 0);
  ASSERT_EQ(On(a, {"read", "--out", Path("now.stx")}).status, 0);
  EXPECT_EQ(Slurp(Path("kept.stx")), Slurp(Path("now.stx")));

  struct Bad {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Bad bad[] = {
      {{"records", "show", "0000"}, 2, "no record has the id 0000"},
      {{"records", "export", newer, Path("x.pdf")}, 2, "has no pdf form"},
      {{"records", "list", "Dock/Truck"}, 2, "no scale Dock/Truck"},
      {{"records", "sync"}, 2, "records sync needs --records URL"},
      {{"records", "list", "--records", "mysql://db/x"}, 2, "begins with postgresql://"},
      {{"ports", "--scale", "A/B"}, 2, "--scale and --technician belong to"},
      {{"--port", "sim", "read", "--scale", "Hopper"}, 2, "a scale is named SITE/TAG"},
  };
  for (const Bad& b : bad) {
    const Ran run = Cli(b.args);
    EXPECT_EQ(run.status, b.status) << b.says << ": " << run.err;
    EXPECT_NE(run.err.find(b.says), std::string::npos) << run.err;
  }
}

// A fleet keeps what each indicator's command made and a row of the run for each, on the scale
// its inventory row names, else on the command line's.
TEST_F(CliTest, AFleetKeepsARowPerIndicatorOnTheScaleItsInventoryNames) {
  Served& a = Serve();
  Served& b = Serve();
  ASSERT_TRUE(ReplaceFile(Path("fleet.csv"), "port,baud,data,stop,parity,file,scale\n" +
                                                 a.Device() + ",,,,,,Dock/Truck\n" + b.Device() +
                                                 "\n")
                  .ok());
  const Ran run = Cli({"fleet", Path("fleet.csv"), "set", "F1.6=2", "--scale", "Mill/Hopper",
                       "--technician", "Bo Ström", "--json"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  for (const auto& [scale, device] :
       {std::pair{"Dock/Truck", a.Device()}, std::pair{"Mill/Hopper", b.Device()}}) {
    const QJsonArray kept = Json(Cli({"records", "list", scale, "--json"}))["records"].toArray();
    ASSERT_EQ(kept.size(), 2) << scale;
    EXPECT_EQ(kept[0].toObject()["kind"].toString(), QString("fleet-row"));
    EXPECT_EQ(kept[0].toObject()["what"].toString(),
              QString::fromStdString("Fleet set F1.6=2 on " + device));
    EXPECT_EQ(kept[0].toObject()["result"].toString(), QString("done"));
    EXPECT_EQ(kept[1].toObject()["what"].toString(), QString("Write F1.6 = 2 (30Hz)"));
    EXPECT_EQ(kept[1].toObject()["technician"].toString(), QString("Bo Ström"));
  }
  // A scale that does not read is refused with its line before anything starts.
  ASSERT_TRUE(ReplaceFile(Path("bad.csv"),
                          "port,baud,data,stop,parity,file,scale\n" + a.Device() + ",,,,,,Dock\n")
                  .ok());
  const Ran bad = Cli({"fleet", Path("bad.csv"), "save"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find(":2: a scale is named SITE/TAG"), std::string::npos) << bad.err;
}

// Two laptops sync through a team's PostgreSQL, which the test starts on the loopback: each ends
// with the other's records; a refused password leaves the local store as it was.
TEST_F(CliTest, RecordsSyncThroughATeamStore) {
  tamarack::test::PostgresServer server;
  ASSERT_EQ(server.Start(), "");
  ASSERT_EQ(server.Execute("postgres", "CREATE DATABASE team"), "");
  ASSERT_EQ(server.UsePassword(tamarack::test::PostgresServer::kPassword), "");
  const std::string url = server.Url("team");

  UseDataFolder("ann");
  ASSERT_EQ(Cli({"--port", "sim", "read", "--scale", "Mill/Hopper", "--technician", "Ann"}).status,
            0);
  const Ran annFirst = Cli({"records", "sync", "--records", url});
  ASSERT_EQ(annFirst.status, 0) << annFirst.err;
  EXPECT_EQ(annFirst.out,
            "Sync done: 1 scales and 1 records sent, 0 scales and 0 records fetched.\n");

  UseDataFolder("bo");
  ASSERT_EQ(Cli({"--port", "sim", "read", "--scale", "Dock/Truck", "--technician", "Bo"}).status,
            0);
  const Ran bo = Cli({"records", "sync", "--records", url, "--json"});
  ASSERT_EQ(bo.status, 0) << bo.err;
  EXPECT_EQ(Json(bo)["recordsSent"].toInt(), 1);
  EXPECT_EQ(Json(bo)["recordsFetched"].toInt(), 1);
  EXPECT_EQ(Json(Cli({"records", "list", "--json"}))["scales"].toArray().size(), 2);

  UseDataFolder("ann");
  ASSERT_EQ(Cli({"records", "sync", "--records", url}).status, 0);
  const QJsonArray annHas =
      Json(Cli({"records", "list", "Dock/Truck", "--json"}))["records"].toArray();
  ASSERT_EQ(annHas.size(), 1);
  EXPECT_EQ(annHas[0].toObject()["technician"].toString(), QString("Bo"));
  // The team store holds it too: records read from it directly.
  EXPECT_EQ(Json(Cli({"records", "list", "--records", url, "--json"}))["scales"].toArray().size(),
            2);

  ASSERT_EQ(server.UsePassword("not-the-password"), "");
  ASSERT_EQ(Cli({"--port", "sim", "read", "--scale", "Mill/Hopper"}).status, 0);
  const Ran refused = Cli({"records", "sync", "--records", url});
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.err.rfind("Team records not reached: ", 0), 0u) << refused.err;
  EXPECT_NE(refused.err.find("PGPASSFILE"), std::string::npos) << refused.err;
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_EQ(Json(Cli({"records", "list", "Mill/Hopper", "--json"}))["records"].toArray().size(), 2);
}

}  // namespace
}  // namespace tamarack::cli

namespace tamarack::cli {
namespace {

std::string PdfText(const std::string& path) {
  const std::string text = path + ".txt";
  const std::string command = "pdftotext '" + path + "' '" + text + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return Slurp(text);
}

// The failing readings of test-scale's JSON: "Weighing test Increasing 1000", ...
std::vector<std::string> FailingReadings(const QJsonObject& doc) {
  std::vector<std::string> failing;
  for (const QJsonValue test : doc["tests"].toArray()) {
    for (const QJsonValue reading : test["readings"].toArray()) {
      const QJsonObject r = reading.toObject();
      for (const char* key : {"load", "indication", "error", "mpe"}) {
        EXPECT_TRUE(r.contains(key)) << key << " in " << JsonText(r);
      }
      if (r["result"].toString() != "FAIL") continue;
      failing.push_back(test["name"].toString().toStdString() + " " +
                        r["label"].toString().toStdString() + " " +
                        QString::number(r["load"].toDouble()).toStdString());
    }
  }
  return failing;
}

TEST_F(CliTest, TestScaleOnTheSimulatorRunsUnattendedAndJudgesItsErrors) {
  const struct {
    std::string errors;
    int status;
    std::vector<std::string> failing;
  } cases[] = {
      {"", kExitOk, {}},
      {"span=+0.03%", kExitIndicator, {"Weighing test Increasing 1000"}},
      {"fl=+0.05%", kExitIndicator, {"Eccentricity Front left 333.3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.errors);
    std::vector<std::string> args{"--port", "sim"};
    if (!c.errors.empty()) args.insert(args.end(), {"--sim-errors", c.errors});
    args.insert(args.end(),
                {"test-scale", "--json", "--pdf", Path("c.pdf"), "--csv", Path("c.csv")});
    const Ran ran = Cli(args);
    ASSERT_EQ(ran.status, c.status) << ran.err;
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(ran.out)).object();
    EXPECT_EQ(doc["result"].toString().toStdString(), c.status == kExitOk ? "PASS" : "FAIL");
    EXPECT_EQ(FailingReadings(doc), c.failing);
    const std::string pdf = PdfText(Path("c.pdf"));
    EXPECT_NE(pdf.find("NIST Handbook 44, class III, acceptance tolerances"), std::string::npos);
    EXPECT_NE(pdf.find(c.status == kExitOk ? "PASS" : "FAIL"), std::string::npos);
    EXPECT_NE(Slurp(Path("c.csv")).find("Tolerances applied,"), std::string::npos);
  }
}

// A finished test's certificate is kept on the scale --scale names, PDF and CSV as written, and the
// scale is due for verification from then on.
TEST_F(CliTest, TestScaleKeepsItsCertificateOnTheScale) {
  const Ran ran = Cli({"--port", "sim", "test-scale", "--scale", "Dock/Floor", "--pdf",
                       Path("c.pdf"), "--csv", Path("c.csv")});
  ASSERT_EQ(ran.status, kExitOk) << ran.err;
  const QJsonArray kept =
      Json(Cli({"records", "list", "Dock/Floor", "--json"}))["records"].toArray();
  ASSERT_EQ(kept.size(), 1);
  const QJsonObject certificate = kept[0].toObject();
  EXPECT_EQ(certificate["kind"].toString(), QString("certificate"));
  EXPECT_EQ(certificate["result"].toString(), QString("passed"));
  const std::string id = certificate["id"].toString().toStdString();
  ASSERT_EQ(Cli({"records", "export", id, Path("kept.pdf")}).status, 0);
  EXPECT_EQ(Slurp(Path("kept.pdf")), Slurp(Path("c.pdf")));
  ASSERT_EQ(Cli({"records", "export", id, Path("kept.csv")}).status, 0);
  EXPECT_EQ(Slurp(Path("kept.csv")), Slurp(Path("c.csv")));
  const QJsonArray scales = Json(Cli({"records", "list", "--json"}))["scales"].toArray();
  ASSERT_EQ(scales.size(), 1);
  EXPECT_NE(scales[0].toObject()["due"].toString(), QString());
}

TEST_F(CliTest, TestScaleOnATerminalWaitsForEachLoadAndTakesTypedReadings) {
  Served& served = Serve();
  served.sim.With([](sim::SimulatedIndicator& m) { m.SetLoad(0); });
  ReplaceFile(Path("plan.csv"), "increasing,500\nreturn to zero\n");
  // The first reading typed, the second off the display once Enter is pressed.
  ReplaceFile(Path("answers"), "500.1\n\n");
  input_ = Path("answers");
  const Ran ran = On(served, {"test-scale", "--plan", Path("plan.csv"), "--csv", Path("c.csv")});
  EXPECT_EQ(ran.status, kExitOk) << ran.err;
  EXPECT_NE(ran.err.find("Step 1 of 2: Put 500.0 kg at the centre of the platform, then press "
                         "Enter"),
            std::string::npos)
      << ran.err;
  EXPECT_EQ(ran.out, "Weighing test: PASS\nReturn to zero: PASS\nResult: PASS\n");
  const std::string csv = Slurp(Path("c.csv"));
  EXPECT_NE(csv.find("1,Increasing,500.0,500.1,+0.1,±0.25,typed by hand,PASS"), std::string::npos)
      << csv;
  EXPECT_NE(csv.find("2,After unloading,0.0,0.0,0.0,±0.05,display,PASS"), std::string::npos);
}

TEST_F(CliTest, TestScaleRefusesBadUsageBeforeAnythingIsSent) {
  ReplaceFile(Path("empty.csv"), "# nothing\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"--port", "sim", "test-scale", "--class", "II"}, kExitUsage, "--class must be III or IIII"},
      {{"--port", "sim", "test-scale", "--tolerance", "loose"}, kExitUsage, "--tolerance must be"},
      {{"--port", "sim", "test-scale", "--plan", Path("none.csv")}, kExitUsage, "cannot be read"},
      {{"--port", "sim", "test-scale", "--plan", Path("empty.csv")},
       kExitUsage,
       "The plan has no step"},
      {{"--port", "sim", "test-scale", "--class", "IIII"},
       kExitUsage,
       "Class IIII allows at most 1000"},
      {{"--port", "COM1", "--sim-errors", "span=1%", "test-scale"},
       kExitUsage,
       "--sim-errors needs --port sim"},
      {{"--port", "sim", "--sim-errors", "span=x", "test-scale"}, kExitUsage, "span"},
      {{"--port", "sim", "test-scale", "stray"}, kExitUsage, "usage: tamarack-cli test-scale"},
      {{"--port", Path("no-such-device"), "test-scale"}, kExitPort, ""},
  };
  for (const auto& c : cases) {
    const Ran ran = Cli(c.args);
    EXPECT_EQ(ran.status, c.status) << c.message << "\n" << ran.err;
    EXPECT_NE(ran.err.find(c.message), std::string::npos) << ran.err;
    EXPECT_EQ(ran.err.find("Step 1"), std::string::npos) << "no test step was sent";
  }
}

}  // namespace
}  // namespace tamarack::cli
