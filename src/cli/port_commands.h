#pragma once

#include "cli/cli_commands.h"

namespace tamarack::cli {

// The commands that look at the ports themselves rather than talk over one opened for them.

// Lists the serial devices with their descriptions.
int RunPorts(const Invocation& invocation);

// Looks for the indicator at every line setting on --port, or on every port with --all-ports; the
// stop ends the search.
int RunFind(const Invocation& invocation);

}  // namespace tamarack::cli
