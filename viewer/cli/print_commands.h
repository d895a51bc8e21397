// The printing commands of zelrpt-cli: print sends pages of a report to a
// system printer through the same print job as the preview's print button
// and shows the job's id; printers lists the system's printers. Exit status
// as for the other commands (commands.h); a printer name the system does not
// know is a usage error (2), as an unknown column is for find.
#pragma once

#include <cstdio>

#include "cli_options.h"
#include "commands.h"

namespace zel::cli {

int runPrint(const CliCommand& command, const CommandContext& context);
int runPrinters(const CliCommand& command, const CommandContext& context);

}  // namespace zel::cli
