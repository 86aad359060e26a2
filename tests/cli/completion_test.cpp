// The bash completion that tamarack-cli prints of itself, run in bash as it completes a command
// line: commands, options, their values, the words of each form and file names by their endings.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_commands.h"

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  ::pclose(pipe);
  return text;
}

// The lines of `text` that are not empty, sorted.
std::vector<std::string> SortedLines(const std::string& text) {
  std::istringstream lines(text);
  std::vector<std::string> offered;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) offered.push_back(line);
  }
  std::sort(offered.begin(), offered.end());
  return offered;
}

class CompletionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::path(testing::TempDir()) /
                        ("tamarack-completion-" + std::to_string(::getpid())));
    fs::remove_all(*dir_);
    fs::create_directories(*dir_ / "setups");
    for (const char* name : {"site.stx", "site.json", "ticket.fmt", "plant.csv", "notes.txt"}) {
      std::ofstream(*dir_ / name) << "\n";
    }
    Output(std::string(TAMARACK_CLI_PROGRAM) + " --completion bash > " +
           Quoted((*dir_ / "tamarack-cli.bash").string()));
    Output(std::string(TAMARACK_CLI_PROGRAM) + " --completion zsh > " +
           Quoted((*dir_ / "_tamarack-cli").string()));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
  }

  // What bash offers for the last of `words`, one a line, sorted; run in the test's folder.
  static std::vector<std::string> Complete(std::vector<std::string> words) {
    std::string array;
    for (const std::string& w : words) array += " " + Quoted(w);
    const std::string script = "cd " + Quoted(dir_->string()) + " && source tamarack-cli.bash; " +
                               "COMP_WORDS=(" + array +
                               "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                               "; _tamarack_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
    return SortedLines(Output("bash --norc --noprofile -c " + Quoted(script) + " 2>&1"));
  }

  // What zsh offers for the last of `words`, as Complete() does. compadd, which only a completion
  // widget has, is stood in for: it prints what it is given, "S:" before what takes no space.
  static std::vector<std::string> CompleteInZsh(std::vector<std::string> words) {
    std::string array;
    for (const std::string& w : words) array += " " + Quoted(w);
    const std::string script =
        "cd " + Quoted(dir_->string()) +
        " && compadd() { local a p=; while (( $# )); do case $1 in -a) a=$2; shift 2;; "
        "-S) p=S:; shift 2;; *) shift;; esac; done; local w; "
        "for w in ${(P)a}; do print -r -- \"$p$w\"; done; }; words=(" +
        array + "); CURRENT=" + std::to_string(words.size()) + "; source ./_tamarack-cli";
    return SortedLines(Output("zsh -f -c " + Quoted(script) + " 2>&1"));
  }

  static fs::path* dir_;
};
fs::path* CompletionTest::dir_ = nullptr;

using Words = std::vector<std::string>;

TEST_F(CompletionTest, CompletesWhatEachPlaceOfTheCommandLineTakes) {
  const std::string program = TAMARACK_CLI_PROGRAM;
  struct Case {
    const char* name;
    Words line;
    Words offered;
  };
  const Case cases[] = {
      {"command", {"tamarack-cli", "we"}, {"weight", "weights"}},
      {"command_after_options",
       {"tamarack-cli", "--port", "sim", "--baud", "4800", "di"},
       {"diff", "display"}},
      {"option_of_the_command",
       {"tamarack-cli", "write", "site.stx", "--v"},
       {"--verify", "--version"}},
      {"option_of_another_command", {"tamarack-cli", "read", "--all"}, {}},
      {"parity", {"tamarack-cli", "--parity", ""}, {"EVENPARITY", "NOPARITY", "ODDPARITY"}},
      {"parity_after_equals", {"tamarack-cli", "--parity", "=", "O"}, {"ODDPARITY"}},
      {"file_argument", {"tamarack-cli", "write", ""}, {"setups", "site.stx"}},
      {"file_of_an_option",
       {"tamarack-cli", "read", "--out", "s"},
       {"setups", "site.json", "site.stx"}},
      {"file_of_the_other_form",
       {"tamarack-cli", "format", "read", "g", "--out", ""},
       {"setups", "ticket.fmt"}},
      {"choice_of_a_form", {"tamarack-cli", "format", "send", "N", ""}, {"setups", "ticket.fmt"}},
      {"first_word_of_forms", {"tamarack-cli", "weights", ""}, {"read", "write"}},
      {"key", {"tamarack-cli", "key", "GR"}, {"GR/NET"}},
      {"parameter", {"tamarack-cli", "set", "F6."}, {"F6.1=", "F6.2=", "F6.3="}},
      {"parameter_again", {"tamarack-cli", "set", "F1.6=2", "F7.5"}, {"F7.5="}},
      {"nothing_after_the_last_word", {"tamarack-cli", "diff", "site.stx", ""}, {}},
      {"inventory", {"tamarack-cli", "fleet", ""}, {"plant.csv", "setups"}},
      {"what_a_fleet_runs", {"tamarack-cli", "fleet", "plant.csv", "f"}, {"format"}},
      {"the_command_under_a_fleet",
       {"tamarack-cli", "fleet", "plant.csv", "diff", ""},
       {"setups", "site.stx"}},
      {"options_of_both",
       {"tamarack-cli", "fleet", "plant.csv", "write", "site.stx", "--ke"},
       {"--keep-going"}},
      {"log_folder", {"tamarack-cli", "fleet", "plant.csv", "--log-dir", ""}, {"setups"}},
      {"port_behind_a_device_server",
       {"tamarack-cli", "--port", "rfc2217", ":", "//h", ":", "1", "sa"},
       {"save"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Complete(c.line), c.offered);
  }
  // The simulated indicator and the devices the program lists.
  const Words ports = Complete({program, "--port", ""});
  for (const char* port : {"sim", "rfc2217://", "socket://"}) {
    EXPECT_NE(std::find(ports.begin(), ports.end(), port), ports.end()) << port;
  }
  std::istringstream listed(Output(program + " ports"));
  for (std::string line; std::getline(listed, line);) {
    const std::string device = line.substr(0, line.find(' '));
    EXPECT_NE(std::find(ports.begin(), ports.end(), device), ports.end()) << device;
  }
}

// zsh offers what bash does: a command, an option, a file argument, a line setting's choice and
// the command under a fleet; the beginning of a device server's address takes no space.
TEST_F(CompletionTest, ZshOffersWhatBashDoes) {
  const std::string program = TAMARACK_CLI_PROGRAM;
  for (const Words& line : std::vector<Words>{{program, "we"},
                                              {program, "write", "site.stx", "--v"},
                                              {program, "write", ""},
                                              {program, "--parity", ""},
                                              {program, "fleet", "plant.csv", "diff", ""}}) {
    SCOPED_TRACE(line.back().empty() ? line[line.size() - 2] + " _" : line.back());
    const Words offered = CompleteInZsh(line);
    EXPECT_FALSE(offered.empty());
    EXPECT_EQ(offered, Complete(line));
  }
  EXPECT_EQ(CompleteInZsh({program, "--port", "rfc"}), Words{"S:rfc2217://"});
}

// Every command of the table completes, with every option it takes.
TEST_F(CompletionTest, EveryCommandAndOptionOfTheTableCompletes) {
  for (const CommandRow& row : Commands()) {
    const std::string name(row.name);
    SCOPED_TRACE(name);
    const Words commands = Complete({"tamarack-cli", name.substr(0, 2)});
    EXPECT_NE(std::find(commands.begin(), commands.end(), name), commands.end());
    const Words options = Complete({"tamarack-cli", name, "--"});
    for (const OptionInfo& info : Options()) {
      const std::string option = "--" + std::string(info.name);
      const bool offered = std::find(options.begin(), options.end(), option) != options.end();
      EXPECT_EQ(offered, info.everyCommand || Takes(row, info.option)) << option;
    }
  }
}

}  // namespace
}  // namespace tamarack::cli
