// The commands of zelrpt-cli. Each prints its result to out (UTF-8), its
// refusals through zel::messages() and returns the exit status: 0 done,
// 1 refused or failed, 2 usage error, 128 + signal when interrupted by
// SIGINT, SIGTERM or SIGHUP: 130, 143, 129 (output of the pages done is still
// complete). A QGuiApplication must exist for render and find.
#pragma once

#include <cstdio>
#include <string>

#include "cli_options.h"

namespace zel {
class Printer;
class ProgressDialog;
}  // namespace zel

namespace zel::cli {

struct BatchJob;

int runList(const CliCommand& command, std::FILE* out);
int runInfo(const CliCommand& command, std::FILE* out);
int runMargins(const CliCommand& command, std::FILE* out);
int runRender(const CliCommand& command, std::FILE* out);
int runFind(const CliCommand& command, std::FILE* out);
int runExport(const CliCommand& command, std::FILE* out);
int runCompare(const CliCommand& command, std::FILE* out);  // compare_command.cpp

int runCommand(const CliCommand& command, std::FILE* out);

// Runs the report at path without windows, with the engine settings the main
// window uses, the given printer and progress installed and a batch preview
// doing job; the job's exit code when the preview was reached, else 1.
int runReportHeadless(const std::string& path, BatchJob& job, Printer* printer, ProgressDialog* progress);

}  // namespace zel::cli
