// The commands of zelrpt-cli. Each prints its result to out (UTF-8), its
// refusals through zel::messages() and returns the exit status: 0 done,
// 1 refused or failed, 2 usage error, 128 + signal when interrupted by
// SIGINT, SIGTERM or SIGHUP: 130, 143, 129 (output of the pages done is still
// complete). A QGuiApplication must exist for render and find.
#pragma once

#include <cstdio>

#include "cli_options.h"

namespace zel::cli {

int runList(const CliCommand& command, std::FILE* out);
int runInfo(const CliCommand& command, std::FILE* out);
int runMargins(const CliCommand& command, std::FILE* out);
int runRender(const CliCommand& command, std::FILE* out);
int runFind(const CliCommand& command, std::FILE* out);

int runCommand(const CliCommand& command, std::FILE* out);

}  // namespace zel::cli
