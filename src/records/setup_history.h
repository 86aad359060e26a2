#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/line_settings.h"
#include "setup/setup_model.h"

namespace tamarack {

// What is kept beside each history file.
struct HistoryMeta {
  std::string time;  // "2026-03-24 17:05:09", local time
  std::string port;
  std::string line;     // "9600 baud, 8 data bits, parity none, 1 stop bit"
  std::string version;  // what F7.3 reported
};
// "time=...\nport=...\nline=...\nversion=...\n"; line breaks inside a value become blanks.
std::string HistoryMetaText(const HistoryMeta& meta);
// Nothing when the text lacks the time.
std::optional<HistoryMeta> ParseHistoryMeta(std::string_view text);

// A record as Save to File writes it from a complete read: 30 fields, each Number 1 to 6 digits,
// each choice a code of its list. A damaged or cut-short file is not one.
bool IsCompleteSetupRecord(std::string_view record);

// "20260324-170509-COM1": local date and time, then the port with every character that does not
// belong in a file name made "-" ("/dev/ttyUSB0" gives "dev-ttyUSB0").
std::string HistoryFileStem(std::time_t when, std::string_view port);
// "2026-03-24 17:05:09", local time.
std::string LocalTimeText(std::time_t when);

struct HistoryEntry {
  std::string path;  // the setup value file
  bool readable = false;
  std::string problem;  // why it is not readable
  HistoryMeta meta;
  std::string record;
};

// Every complete Read All kept as a setup value file (".stx", the format of Save to File) with a
// small metadata file beside it (".meta"), in one folder. Nothing in it is ever replaced: a name
// already taken gets a number ("..._02").
class SetupHistory {
 public:
  explicit SetupHistory(std::string folder) : folder_(std::move(folder)) {}
  const std::string& Folder() const { return folder_; }

  // Keeps the current-value column of `model`, read through `line`. The setup value file's path,
  // or nothing with `error` saying why (the folder cannot be made or written).
  std::optional<std::string> Keep(const SetupModel& model, const PortLine& line, std::time_t when,
                                  std::string& error) const;
  // The kept files, newest first; a damaged or cut-short one is listed as not readable.
  std::vector<HistoryEntry> List() const;

 private:
  std::string folder_;
};

// How many values would differ from the indicator's if `record` were loaded into the editable
// column; nothing before a complete read.
std::optional<std::size_t> DifferencesIfLoaded(const SetupModel& model, std::string_view record);

}  // namespace tamarack
