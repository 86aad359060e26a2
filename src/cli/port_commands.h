#pragma once

#include <QJsonObject>
#include <vector>

#include "cli/cli_commands.h"
#include "link/port_list.h"

namespace tamarack::cli {

// The commands that look at the ports themselves rather than talk over one opened for them.

// Lists the serial devices with their descriptions.
int RunPorts(const Invocation& invocation);
// What ports --json prints of them: each with everything the system knows of it, its "port" being
// what an inventory row or --port names.
QJsonObject PortsDocument(const std::vector<SerialDevice>& devices);

// Looks for the indicator at every line setting on --port, or on every port with --all-ports; the
// stop ends the search.
int RunFind(const Invocation& invocation);

}  // namespace tamarack::cli
