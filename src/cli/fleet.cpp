#include "cli/fleet.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>

#include "cli/fleet_view.h"
#include "cli/inventory.h"
#include "cli/records_commands.h"
#include "files/replace_file.h"
#include "files/small_file.h"
#include "link/open_link.h"
#include "link/port_names.h"
#include "link/tracing_link.h"
#include "traffic/exchange_meaning.h"
#include "ui/text.h"

namespace tamarack::cli {
namespace {

using Clock = std::chrono::steady_clock;

// An inventory is a short list of ports, never a large file.
constexpr std::size_t kMaxInventorySize = 1 << 20;

// What the main thread shows of one indicator while it runs.
struct Progress {
  std::mutex mutex;
  std::string state = "waiting";
  int exchanges = 0;
  bool started = false;
  bool done = false;
  bool failed = false;
  bool reported = false;  // its end was printed (plain lines)
};

struct Job {
  InventoryRow row;
  CliCommand command;
  Progress progress;
  FleetIndicator result;
};

std::string LogName(const Job& job) {
  std::string name = job.row.port.port;
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':' || c == ' ') c = '_';
  }
  while (!name.empty() && name.front() == '_') name.erase(0, 1);
  return "line" + std::to_string(job.row.line) + "-" + name + ".log";
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", s);
  return text;
}

bool Failed(const FleetIndicator& r) {
  return r.status != kExitOk || r.interrupted;
}

std::string ResultWord(const FleetIndicator& r) {
  if (r.interrupted) return "interrupted";
  return r.status == kExitOk ? "ok" : "FAILED";
}

void RunJob(Job& job, const std::string& logPath, const std::atomic<bool>& stop) {
  const Clock::time_point began = Clock::now();
  std::string log;
  const PortLine& s = job.row.port;
  log += "port " + s.port + " at " + s.settings.Text() + "\n";
  log += "command " + CommandText(job.command) + "\n";

  ConsoleFeedback ui(&stop);
  ui.SetEcho([&](const ConsoleFeedback::Message& m) {
    log += std::string(KindName(m.kind)) + ": " + m.text + "\n";
    std::lock_guard lock(job.progress.mutex);
    job.progress.state = m.text;
  });
  {
    std::lock_guard lock(job.progress.mutex);
    job.progress.started = true;
    job.progress.state = "opening the port";
  }
  FleetIndicator& r = job.result;
  r.line = job.row.line;
  r.port = s.port;
  r.command = CommandText(job.command);
  r.scale = job.row.scale;
  // The port lives and dies in this thread: QSerialPort belongs to the thread that made it.
  std::unique_ptr<PortLink> link = OpenLink(s, ui);
  if (!link) {
    r.status = kExitPort;
  } else {
    StoppableLink stoppable(*link, stop);
    TracingLink trace(stoppable, 16);
    trace.SetDescriber(DescribeExchange);
    trace.MarkOpened();
    trace.AddListener([&](const TracedExchange& e) {
      char stamp[32];
      std::snprintf(stamp, sizeof stamp, "%9.1f ms  ", e.startMs);
      log += stamp + e.meaning + "\n";
      std::lock_guard lock(job.progress.mutex);
      ++job.progress.exchanges;
      job.progress.state = e.meaning;
    });
    const CommandResult result = RunCommand(job.command, trace, ui, link->Opened(), stop);
    r.status = result.status;
    r.made = result.made;
    link.reset();
  }
  r.interrupted = stop.load();
  r.seconds = std::chrono::duration<double>(Clock::now() - began).count();
  r.message = ui.LastFailure();
  if (r.message.empty() && !ui.Messages().empty()) r.message = ui.Messages().back().text;
  {
    std::lock_guard lock(job.progress.mutex);
    r.exchanges = job.progress.exchanges;
  }
  log += "result " + ResultWord(r) + " (exit status " + std::to_string(r.status) + ") after " +
         Seconds(r.seconds) + " s\n";
  if (ReplaceFile(logPath, log).ok()) r.log = logPath;
  std::lock_guard lock(job.progress.mutex);
  job.progress.state = ResultWord(r) + (r.message.empty() ? "" : ": " + r.message);
  job.progress.failed = Failed(r);
  job.progress.done = true;
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::vector<FleetRowView> Views(const std::vector<std::unique_ptr<Job>>& jobs) {
  std::vector<FleetRowView> views;
  views.reserve(jobs.size());
  for (const auto& job : jobs) {
    std::lock_guard lock(job->progress.mutex);
    FleetRowView view;
    view.port = job->row.port.port;
    view.exchanges = job->progress.exchanges;
    view.state = job->progress.state;
    using Phase = FleetRowView::Phase;
    view.phase = job->progress.done ? (job->progress.failed ? Phase::kFailed : Phase::kSucceeded)
                 : job->progress.started ? Phase::kRunning
                                         : Phase::kWaiting;
    views.push_back(std::move(view));
  }
  return views;
}

// Raises the soft limit of open files to what the fleet needs, where the hard limit allows.
// Empty, or why the fleet cannot run.
std::string ReserveOpenFiles(std::size_t indicators, std::size_t needed) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return {};
  if (limit.rlim_cur == RLIM_INFINITY || needed <= limit.rlim_cur) return {};
  rlim_t allowed = limit.rlim_max;
  if (limit.rlim_max == RLIM_INFINITY || needed <= limit.rlim_max) {
    allowed = limit.rlim_cur;
    limit.rlim_cur = needed;
    if (::setrlimit(RLIMIT_NOFILE, &limit) == 0) return {};
  }
  return std::to_string(indicators) + " indicators need " + std::to_string(needed) +
         " open files at once, and this system allows " + std::to_string(allowed) +
         " (ulimit -n); nothing was started: split the inventory";
}

}  // namespace

FleetOutcome RunFleet(const FleetOptions& options, std::ostream& out, std::ostream& err) {
  FleetOutcome outcome;
  static const std::atomic<bool> kNever{false};
  const std::atomic<bool>& stop = options.stop ? *options.stop : kNever;

  const SmallFile read = ReadSmallFile(options.inventoryPath, kMaxInventorySize);
  const std::string& text = read.bytes;
  std::error_code ec;
  if (!read.result.ok()) {
    err << options.inventoryPath << ": the inventory cannot be read\n";
    outcome.status = kExitUsage;
    return outcome;
  }
  Inventory inventory = ParseInventory(text, options.defaults);
  const std::filesystem::path folder = std::filesystem::path(options.inventoryPath).parent_path();

  const std::vector<std::string> clashes = DuplicatePorts(inventory.rows, kSimPortName);
  if (!clashes.empty()) {
    for (const std::string& clash : clashes) err << options.inventoryPath << ": " << clash << "\n";
    err << "nothing was started: one port serves one indicator\n";
    outcome.status = kExitUsage;
    return outcome;
  }
  // Every row's command is checked, with its own file and data bits, before any starts.
  std::vector<std::unique_ptr<Job>> jobs;
  for (const InventoryRow& row : inventory.rows) {
    auto job = std::make_unique<Job>();
    job->row = row;
    job->command = options.command;
    if (!row.file.empty()) {
      const CommandRow* command = FindCommand(job->command.name);
      if (!command || !TakesFile(*command)) {
        inventory.errors.push_back(
            {row.line, "the command " + options.command.name + " takes no file"});
        continue;
      }
      // Words that fit none of the command's forms keep their own file; the check refuses them.
      if (std::string* file = CommandFile(job->command)) {
        const std::filesystem::path path(row.file);
        *file = path.is_absolute() || folder.empty() ? row.file : (folder / path).string();
      }
    }
    if (!job->command.record.empty()) {
      // One record per indicator: "record.csv" becomes "record-line3.csv".
      const std::filesystem::path record(job->command.record);
      job->command.record =
          (record.parent_path() / (record.stem().string() + "-line" + std::to_string(row.line) +
                                   record.extension().string()))
              .string();
    }
    if (std::string error = CheckCommand(job->command, row.port.settings.dataBits);
        !error.empty()) {
      inventory.errors.push_back({row.line, error});
      continue;
    }
    jobs.push_back(std::move(job));
  }
  std::sort(inventory.errors.begin(), inventory.errors.end(),
            [](const InventoryError& a, const InventoryError& b) { return a.line < b.line; });
  for (const InventoryError& e : inventory.errors) {
    err << options.inventoryPath << ":" << e.line << ": " << e.reason
        << (options.keepGoing ? " (row skipped)" : "") << "\n";
  }
  if (!inventory.errors.empty() && !options.keepGoing) {
    err << "nothing was started; fix the inventory or pass --keep-going\n";
    outcome.status = kExitUsage;
    return outcome;
  }
  if (jobs.empty()) {
    err << options.inventoryPath << ": no indicator to run\n";
    outcome.status = kExitUsage;
    return outcome;
  }

  std::vector<InventoryRow> running;
  for (const auto& job : jobs) running.push_back(job->row);
  if (const std::string error =
          ReserveOpenFiles(running.size(), OpenFilesNeeded(running, kSimPortName));
      !error.empty()) {
    err << options.inventoryPath << ": " << error << "\n";
    outcome.status = kExitUsage;
    return outcome;
  }

  const std::string logDir =
      options.logDir.empty() ? options.inventoryPath + ".logs" : options.logDir;
  std::filesystem::create_directories(logDir, ec);
  if (ec) err << logDir << ": the logs cannot be kept there: " << ec.message() << "\n";

  std::size_t portWidth = 4;
  for (const auto& job : jobs) portWidth = std::max(portWidth, job->row.port.port.size());

  std::vector<QThread*> threads;
  for (auto& job : jobs) {
    const std::string logPath = (std::filesystem::path(logDir) / LogName(*job)).string();
    Job* j = job.get();
    threads.push_back(QThread::create([j, logPath, &stop] { RunJob(*j, logPath, stop); }));
    threads.back()->start();
  }

  // Progress until every indicator is done.
  const bool live = options.live && !options.json;
  LiveView view;
  for (bool all = false; !all;) {
    all = true;
    for (QThread* t : threads) all = all && t->wait(0);
    if (live) {
      out << view.Redraw(LiveFrame(Views(jobs), options.terminalSize(), portWidth));
      out.flush();
    } else if (!options.json) {
      for (auto& job : jobs) {
        std::lock_guard lock(job->progress.mutex);
        if (job->progress.done && !job->progress.reported) {
          job->progress.reported = true;
          out << job->row.port.port << ": " << job->progress.state << "\n";
        }
      }
      out.flush();
    }
    if (!all) QThread::msleep(100);
  }
  for (QThread* t : threads) delete t;

  int failed = 0;
  for (auto& job : jobs) {
    outcome.indicators.push_back(job->result);
    if (Failed(job->result)) ++failed;
  }
  outcome.status = failed > 0 ? kExitIndicator : kExitOk;

  if (options.json) {
    QJsonArray list;
    for (const FleetIndicator& r : outcome.indicators) {
      list.append(QJsonObject{{"line", r.line},
                              {"port", FromUtf8(r.port)},
                              {"result", FromUtf8(ResultWord(r))},
                              {"status", r.status},
                              {"message", FromUtf8(r.message)},
                              {"exchanges", r.exchanges},
                              {"seconds", r.seconds},
                              {"log", FromUtf8(r.log)}});
    }
    const QJsonObject doc{{"command", "fleet"},
                          {"status", outcome.status},
                          {"succeeded", static_cast<int>(jobs.size()) - failed},
                          {"failed", failed},
                          {"indicators", list}};
    out << JsonText(doc);
    return outcome;
  }
  out << "\n"
      << Pad("LINE", 5) << Pad("PORT", portWidth + 2) << Pad("RESULT", 12) << Pad("EXCH", 6)
      << Pad("SECONDS", 9) << "MESSAGE\n";
  // On a terminal the failed rows come last, where the summary stays in sight.
  std::vector<const FleetIndicator*> order;
  for (const FleetIndicator& r : outcome.indicators) {
    if (!live || !Failed(r)) order.push_back(&r);
  }
  for (const FleetIndicator& r : outcome.indicators) {
    if (live && Failed(r)) order.push_back(&r);
  }
  for (const FleetIndicator* row : order) {
    const FleetIndicator& r = *row;
    out << Pad(std::to_string(r.line), 5) << Pad(r.port, portWidth + 2) << Pad(ResultWord(r), 12)
        << Pad(std::to_string(r.exchanges), 6) << Pad(Seconds(r.seconds), 9) << r.message << "\n";
  }
  out << (jobs.size() - failed) << " of " << jobs.size() << " indicators succeeded";
  if (failed > 0) out << ", " << failed << " failed";
  out << "; logs in " << logDir << "\n";
  return outcome;
}

std::string CheckFleet(const CliCommand& fleet, int) {
  const std::optional<CliCommand> command = WrappedCommand(fleet);
  if (!command) return Usage(fleet);
  const CommandRow* row = FindCommand(command->name);
  if ((row && (row->reach == Reach::kPorts || row->reach == Reach::kStore)) || command->watch) {
    return "fleet runs the commands that work on one indicator each, not " + command->name +
           (command->watch ? " --watch" : "");
  }
  if (!row || row->reach != Reach::kIndicator) return "unknown command \"" + command->name + "\"";
  return {};
}

int RunFleetCommand(const Invocation& invocation) {
  FleetOptions options;
  options.inventoryPath = invocation.command.args.at(0);
  options.defaults = invocation.line.settings;
  options.command = *WrappedCommand(invocation.command);
  options.keepGoing = invocation.command.keepGoing;
  options.json = invocation.json;
  options.logDir = invocation.command.logDir.value_or("");
  options.live = ::isatty(STDOUT_FILENO) == 1;
  options.stop = invocation.stop;
  const FleetOutcome outcome = RunFleet(options, std::cout, std::cerr);
  // Each indicator's records and its row of the run, on the row's scale or the command line's.
  std::vector<MadeOnScale> groups;
  for (const FleetIndicator& r : outcome.indicators) {
    MadeOnScale group{r.scale.empty() ? invocation.command.scale : r.scale, r.made};
    group.made.push_back(records::FleetRowContent{r.port, r.command, r.status, r.message});
    groups.push_back(std::move(group));
  }
  const KeptRecords kept = KeepMade(groups, invocation.command.technician);
  for (const std::string& note : kept.notes) std::cerr << note << "\n";
  if (!kept.error.empty()) std::cerr << kept.error << "\n";
  return outcome.status;
}

}  // namespace tamarack::cli
