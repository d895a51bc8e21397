#include "print_commands.h"

#include <unistd.h>

#include <memory>

#include "batch_preview.h"
#include "commands.h"
#include "printer_layer.h"
#include "spooler_jobs.h"
#include "system_printers.h"
#include "terminal_progress.h"

namespace zel::cli {

int runPrint(const CliCommand& command, const CommandContext& context) {
  const SystemPrinters printers = systemPrinters();
  const QString wanted = QString::fromStdString(command.printer);
  if (!wanted.isEmpty() && !printers.names.contains(wanted)) {
    std::fprintf(stderr, "no printer named \"%s\"; the system has:\n", command.printer.c_str());
    for (const QString& name : printers.names) std::fprintf(stderr, "  %s\n", name.toLocal8Bit().constData());
    return 2;
  }
  const QString name = wanted.isEmpty() ? printers.preferred() : wanted;
  const std::string queue = name.toStdString();

  BatchJob job;
  job.command = command;
  // Without a system printer nothing is installed, and the run refuses as
  // the viewer does on a machine without printers.
  std::unique_ptr<PrinterLayer> printer;
  if (!name.isEmpty()) printer = std::make_unique<PrinterLayer>(name);
  TerminalProgress progress(stderr, command.progress || ::isatty(2));
  installInterruptHandler();
  const int before = name.isEmpty() ? 0 : newestJobId(queue);
  int status = runReportHeadless(context.messages, command.path, job, printer.get(), &progress);
  // Every interrupt (SIGINT, SIGTERM, SIGHUP) sends the pages done, so each
  // reports its job as Ctrl+C does.
  const bool stopped = interrupted() && status == interruptedExitCode();
  if ((status != 0 && !stopped) || !printer || printer->pageCount() == 0) return status == 0 ? 1 : status;

  // The pages went to the server when the document ended; a new job number
  // is the server's receipt for them.
  const int after = newestJobId(queue);
  if (after <= 0 || after <= before) {
    std::fprintf(stderr, "the print server did not take the job for %s\n", queue.c_str());
    return 1;
  }
  std::fprintf(context.out, "%s-%d\t%d pages\n", queue.c_str(), after, printer->pageCount());
  return status;
}

int runPrinters(const CliCommand& /*command*/, const CommandContext& context) {
  const SystemPrinters printers = systemPrinters();
  for (const QString& name : printers.names) {
    std::fprintf(context.out, "%s%s\n", name.toLocal8Bit().constData(),
                 name == printers.defaultName ? "\tdefault" : "");
  }
  if (printers.names.isEmpty()) std::fprintf(stderr, "no printers; render --pdf writes PDF files\n");
  return 0;
}

}  // namespace zel::cli
