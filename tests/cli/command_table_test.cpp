// The table of commands: the usage lines it renders, the file an inventory row replaces, and the
// option and fleet checks read from it.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/fleet.h"
#include "cli/inventory.h"
#include "setup/access_code.h"
#include "verify/tolerance_table.h"

namespace tamarack::cli {
namespace {

CliCommand Command(std::string name, std::vector<std::string> args = {}) {
  CliCommand c;
  c.name = std::move(name);
  c.args = std::move(args);
  return c;
}

std::string UsageOf(std::string_view name) {
  return "usage: tamarack-cli " + Synopsis(*FindCommand(name));
}

// The usage lines as --help and the manual page show them.
TEST(CommandTableTest, SynopsesReadAsTheUsageLines) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"ports", "ports"},
      {"find", "find [--all-ports]"},
      {"display", "display [--watch] [--csv]"},
      {"key", "key ZERO|GR/NET|TARE|UNITS|PRINT"},
      {"read", "read [--out FILE.stx|FILE.json]"},
      {"diff", "diff FILE.stx"},
      {"write", "write FILE.stx [--verify] [--record RECORD.csv]"},
      {"set", "set F1.6=2 [F6.2=100 ...]"},
      {"save", "save"},
      {"restore", "restore"},
      {"default", "default --password CODE"},
      {"format", "format read G|N [--out FILE.fmt]  |  format send G|N FILE.fmt"},
      {"weight", "weight get ITEM  |  weight set ITEM VALUE"},
      {"weights", "weights read FILE.aws  |  weights write FILE.aws"},
      {"test-scale",
       "test-scale [--class CLASS] [--tolerance SITUATION] [--plan PLAN.csv] [--pdf FILE] "
       "[--csv FILE]"},
      {"fleet", "fleet INVENTORY.csv COMMAND ... [--keep-going] [--log-dir DIR]"},
      {"records",
       "records list [--records URL]  |  records list SITE/TAG|unplaced [--records URL]  |  "
       "records show ID [--records URL]  |  records diff ID ID [--records URL]  |  records export "
       "ID FILE.stx|FILE.pdf|FILE.csv [--records URL]  |  records sync --records URL"},
  };
  ASSERT_EQ(Commands().size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(Commands()[i].name, rows[i].first);
    EXPECT_EQ(Synopsis(Commands()[i]), rows[i].second);
  }
}

// An inventory row's file goes where the command's form has its file, and only there.
TEST(CommandTableTest, TheRowFileReplacesTheFormsFile) {
  struct Case {
    const char* name;
    CliCommand command;
    std::string replaced;  // the words and --out once the row's file is in; empty: none taken
  };
  const Case cases[] = {
      {"read_out", Command("read"), "--out ROW"},
      {"diff_file", Command("diff", {"a.stx"}), "ROW"},
      {"write_file_not_record", Command("write", {"a.stx"}), "ROW"},
      {"format_read_out", Command("format", {"read", "G"}), "read G --out ROW"},
      {"format_send_file", Command("format", {"send", "N", "a.fmt"}), "send N ROW"},
      {"format_mode_lowercase", Command("format", {"send", "g", "a.fmt"}), "send g ROW"},
      {"weights_read", Command("weights", {"read", "a.aws"}), "read ROW"},
      {"weights_write", Command("weights", {"write", "a.aws"}), "write ROW"},
      {"set_repeats_no_file", Command("set", {"F1.6=2", "F6.2=100"}), ""},
      {"weight_item_is_no_file", Command("weight", {"get", "7"}), ""},
      {"format_unknown_way", Command("format", {"bogus", "G", "a.fmt"}), ""},
      {"weights_file_missing", Command("weights", {"read"}), ""},
      {"diff_two_files", Command("diff", {"a.stx", "b.stx"}), ""},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    std::string* file = CommandFile(c.command);
    std::string replaced;
    if (file) {
      *file = "ROW";
      for (const std::string& word : c.command.args)
        replaced += (replaced.empty() ? "" : " ") + word;
      if (!c.command.out.empty())
        replaced += (replaced.empty() ? "--out " : " --out ") + c.command.out;
    }
    EXPECT_EQ(replaced, c.replaced);
  }
  for (std::string_view name : {"ports", "find", "display", "key", "save", "default", "weight"}) {
    EXPECT_FALSE(TakesFile(*FindCommand(name))) << name;
  }
}

// An option belongs to the commands whose forms name it; the others refuse it before any file is
// read or port opened.
TEST(CommandTableTest, OptionsBelongToTheCommandsThatNameThem) {
  const auto with = [](CliCommand c, const std::function<void(CliCommand&)>& set) {
    set(c);
    return c;
  };
  struct Case {
    const char* name;
    CliCommand command;
    std::string error;  // of CheckCommand for an indicator command, MisplacedOption otherwise
  };
  const Case cases[] = {
      {"display_watch_csv", with(Command("display"), [](CliCommand& c) { c.watch = c.csv = true; }),
       ""},
      {"read_csv", with(Command("read"), [](CliCommand& c) { c.csv = true; }), UsageOf("read")},
      {"save_out", with(Command("save"), [](CliCommand& c) { c.out = "x"; }), UsageOf("save")},
      {"format_read_out",
       with(Command("format", {"read", "G"}), [](CliCommand& c) { c.out = "x.fmt"; }), ""},
      {"display_verify", with(Command("display"), [](CliCommand& c) { c.verify = true; }),
       UsageOf("display")},
      {"read_record", with(Command("read"), [](CliCommand& c) { c.record = "r.csv"; }),
       UsageOf("read")},
      {"key_password", with(Command("key", {"TARE"}), [](CliCommand& c) { c.password = "1"; }),
       UsageOf("key")},
      {"default_password",
       with(Command("default"), [](CliCommand& c) { c.password = std::string(kAccessCode); }), ""},
      {"default_without_password", Command("default"), UsageOf("default")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckCommand(c.command, 8), c.error);
  }

  const Case misplaced[] = {
      {"keep_going_alone", with(Command("read"), [](CliCommand& c) { c.keepGoing = true; }),
       "--keep-going and --log-dir belong to fleet"},
      {"empty_log_dir_is_given", with(Command("save"), [](CliCommand& c) { c.logDir = ""; }),
       "--keep-going and --log-dir belong to fleet"},
      {"keep_going_in_fleet",
       with(Command("fleet", {"inv.csv", "save"}), [](CliCommand& c) { c.keepGoing = true; }), ""},
      {"all_ports_on_read", with(Command("read"), [](CliCommand& c) { c.allPorts = true; }),
       "--all-ports belongs to find"},
      {"all_ports_on_find", with(Command("find"), [](CliCommand& c) { c.allPorts = true; }), ""},
      // Let through here: the fleet then refuses find by name.
      {"all_ports_on_find_in_fleet",
       with(Command("fleet", {"inv.csv", "find"}), [](CliCommand& c) { c.allPorts = true; }), ""},
      {"all_ports_on_read_in_fleet",
       with(Command("fleet", {"inv.csv", "read"}), [](CliCommand& c) { c.allPorts = true; }),
       "--all-ports belongs to find"},
  };
  for (const Case& c : misplaced) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MisplacedOption(c.command), c.error);
  }
}

TEST(CommandTableTest, FleetRunsIndicatorCommandsOnly) {
  CliCommand watch = Command("fleet", {"inv.csv", "display"});
  watch.watch = true;
  const std::pair<CliCommand, std::string> cases[] = {
      {Command("fleet", {"inv.csv", "read"}), ""},
      {Command("fleet", {"inv.csv", "display"}), ""},
      {Command("fleet", {"inv.csv"}), UsageOf("fleet")},
      {Command("fleet", {"inv.csv", "ports"}),
       "fleet runs the commands that work on one indicator each, not ports"},
      {Command("fleet", {"inv.csv", "find"}),
       "fleet runs the commands that work on one indicator each, not find"},
      {watch, "fleet runs the commands that work on one indicator each, not display --watch"},
      {Command("fleet", {"inv.csv", "nosuch"}), "unknown command \"nosuch\""},
      {Command("fleet", {"inv.csv", "records", "list"}),
       "fleet runs the commands that work on one indicator each, not records"},
      {Command("fleet", {"inv.csv", "fleet", "inv.csv", "read"}), "unknown command \"fleet\""},
  };
  for (const auto& [command, error] : cases) {
    SCOPED_TRACE(command.args.size() > 1 ? command.args[1] : "none");
    EXPECT_EQ(CheckFleet(command, 8), error);
  }
  const std::optional<CliCommand> inner =
      WrappedCommand(Command("fleet", {"inv.csv", "format", "read", "G"}));
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->name, "format");
  EXPECT_EQ(inner->args, (std::vector<std::string>{"read", "G"}));
  EXPECT_FALSE(WrappedCommand(Command("read", {"x"})));
}

// --scale and --technician go with the commands that keep records, though no usage line repeats
// them; --records only with records.
TEST(CommandTableTest, WhoseRecordsIsSaidWhereRecordsAreMade) {
  const auto with = [](std::string name, std::vector<std::string> args, auto set) {
    CliCommand c = Command(std::move(name), std::move(args));
    set(c);
    return c;
  };
  const auto scale = [](CliCommand& c) { c.scale = "Mill/Hopper"; };
  const auto team = [](CliCommand& c) { c.records = "postgresql://db/team"; };
  const std::pair<CliCommand, std::string> cases[] = {
      {with("read", {}, scale), ""},
      {with("set", {"F1.6=2"}, scale), ""},
      {with("default", {}, [](CliCommand& c) { c.technician = "Ann"; }), ""},
      {with("fleet", {"inv.csv", "save"}, scale), ""},
      {with("ports", {}, scale),
       "--scale and --technician belong to the commands that make records"},
      {with("display", {}, scale),
       "--scale and --technician belong to the commands that make records"},
      {with("records", {"list"}, team), ""},
      {with("read", {}, team), "--records belongs to records"},
  };
  for (const auto& [command, error] : cases) {
    SCOPED_TRACE(command.name);
    EXPECT_EQ(MisplacedOption(command), error);
  }
  EXPECT_EQ(CheckCommand(Command("records", {"show"}), 8), UsageOf("records"));
  EXPECT_EQ(CheckCommand(Command("records", {"export", "abc", "x.txt"}), 8),
            "a record is exported to FILE.stx, FILE.pdf or FILE.csv");
  EXPECT_EQ(CheckCommand(Command("records", {"list", "Hopper"}), 8),
            "a scale is named SITE/TAG, not \"Hopper\"");
}

// The values a completion offers for an option are those its parser takes.
TEST(CommandTableTest, OptionChoicesAreTheValuesTheLineOptionsTake) {
  using Parse = std::string (*)(std::string_view);
  const std::pair<Option, Parse> parsers[] = {
      {Option::kBaud,
       [](std::string_view v) {
         LineSettings s;
         return ParseBaud(v, s.baud);
       }},
      {Option::kData,
       [](std::string_view v) {
         LineSettings s;
         return ParseDataBits(v, s.dataBits);
       }},
      {Option::kStop,
       [](std::string_view v) {
         LineSettings s;
         return ParseStopBits(v, s.stopBits);
       }},
      {Option::kParity,
       [](std::string_view v) {
         LineSettings s;
         return ParseParity(v, s.parity);
       }},
      // No value given is the default.
      {Option::kClass,
       [](std::string_view v) {
         return v.empty() || ParseClass(v) ? std::string() : std::string("not a class");
       }},
      {Option::kTolerance,
       [](std::string_view v) {
         return v.empty() || ParseSituation(v) ? std::string() : std::string("not a situation");
       }},
  };
  for (const OptionInfo& info : Options()) {
    if (info.value != ValueKind::kChoice) continue;
    const auto parser = std::find_if(std::begin(parsers), std::end(parsers),
                                     [&](const auto& p) { return p.first == info.option; });
    ASSERT_NE(parser, std::end(parsers)) << info.name << " has choices but no parser here";
    const std::string_view choices = info.choices;
    for (std::size_t start = 0;;) {
      const std::size_t bar = choices.find('|', start);
      const std::string_view choice = choices.substr(start, bar - start);
      EXPECT_EQ(parser->second(choice), "") << info.name << " " << choice;
      if (bar == std::string_view::npos) break;
      start = bar + 1;
    }
    EXPECT_EQ(parser->second(info.defaultValue), "") << info.name << " default";
  }
}

}  // namespace
}  // namespace tamarack::cli
