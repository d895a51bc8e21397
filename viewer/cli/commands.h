// The commands of zelrpt-cli. Each prints its result to the context's out
// (UTF-8), its refusals through the context's message service and returns the
// exit status: 0 done,
// 1 refused or failed, 2 usage error, 128 + signal when interrupted by
// SIGINT, SIGTERM or SIGHUP: 130, 143, 129 (output of the pages done is still
// complete). A QGuiApplication must exist for render and find.
#pragma once

#include <cstdio>
#include <string>

#include "cli_options.h"

namespace zel {
class MessageService;
class Printer;
class ProgressDialog;
}  // namespace zel

namespace zel::cli {

struct BatchJob;

// What a command talks to; the program's main owns both.
struct CommandContext {
  std::FILE* out;  // the result
  MessageService& messages;  // refusals, errors and their technical reasons
};

int runList(const CliCommand& command, const CommandContext& context);
int runInfo(const CliCommand& command, const CommandContext& context);
int runMargins(const CliCommand& command, const CommandContext& context);
int runRender(const CliCommand& command, const CommandContext& context);
int runFind(const CliCommand& command, const CommandContext& context);
int runExport(const CliCommand& command, const CommandContext& context);
int runCompare(const CliCommand& command, const CommandContext& context);  // compare_command.cpp

int runCommand(const CliCommand& command, const CommandContext& context);

// Runs the report at path without windows, with the engine settings the main
// window uses, the given printer and progress installed and a batch preview
// doing job; the job's exit code when the preview was reached, else 1.
int runReportHeadless(MessageService& messages, const std::string& path, BatchJob& job, Printer* printer,
                      ProgressDialog* progress);

}  // namespace zel::cli
