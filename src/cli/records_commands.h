#pragma once

#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "records/record.h"

namespace tamarack::cli {

// The records row of the command table: list, show, diff, export and sync, on this PC's store or,
// with --records, a team's.
std::string CheckRecords(const CliCommand& command, int dataBits);
int RunRecords(const Invocation& invocation);

// What commands made, with the scale they belong to ("SITE/TAG"; empty: none).
struct MadeOnScale {
  std::string scale;
  std::vector<records::RecordContent> made;
};

struct KeptRecords {
  std::size_t kept = 0;
  // "Records not kept: ..." when something could not be kept; what was kept before stays.
  std::string error;
  // What the user is told besides: a damaged store moved aside, a scale added.
  std::vector<std::string> notes;
};

// Keeps them in this PC's store, each group in one transaction, made by `technician` on this PC,
// in the order made. A scale not yet known is added.
KeptRecords KeepMade(const std::vector<MadeOnScale>& groups, const std::string& technician);

}  // namespace tamarack::cli
