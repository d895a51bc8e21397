#include "commands.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <memory>
#include <string>

#include "apollo.h"
#include "batch_preview.h"
#include "data_error.h"
#include "escaped_text.h"
#include "margin_limits.h"
#include "margin_writer.h"
#include "message_service.h"
#include "print_commands.h"
#include "printer_layer.h"
#include "report_description.h"
#include "report_listing.h"
#include "report_run.h"
#include "output_guard.h"
#include "report_runner.h"
#include "run_services.h"
#include "split_pdf_printer.h"
#include "stale_parts.h"
#include "terminal_progress.h"

namespace zel::cli {
namespace {

struct SplitPath {
  std::string directory;
  std::string name;
};

SplitPath splitPath(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  return {info.absolutePath().toStdString(), info.fileName().toStdString()};
}

// The engine's settings object as the main window sets it up at first show.
struct EngineSettings {
  EngineSettings() {
    env.SetDeleted(true);
    env.SetExact(true);
    env.SetCentury(true);
  }
  TApolloEnv env;
};

// The standard error report of the programs: the error's own text.
int reportError(const std::exception& e) {
  messages().error(e.what());
  return 1;
}

// Runs the report headless with the given printer and progress, the batch
// job standing in for the preview window; the job's exit code when the
// preview was reached, 1 when it was not.
int runHeadless(const std::string& path, BatchJob& job, Printer* printer, ProgressDialog* progress) {
  const SplitPath where = splitPath(path);
  RunServices services;
  services.printer = printer;
  services.progress = progress;
  services.preview = [&job, &services] { return std::make_unique<BatchPreview>(job, services); };
  try {
    RunReport(services, where.directory, where.name);
    return job.shown ? job.exitCode : 1;
  } catch (const std::exception& e) {
    return reportError(e);
  }
}

// Worker threads for a PDF export: two where the machine has two cores;
// ZEL_PDF_THREADS overrides (1 draws on the engine's thread).
int pdfThreads() {
#ifdef _WIN32
  return 1;  // no PDF joiner in this build (pdf_join_unavailable.cpp)
#endif
  bool ok = false;
  const int wanted = qEnvironmentVariableIntValue("ZEL_PDF_THREADS", &ok);
  if (ok) return std::clamp(wanted, 1, 8);
  return QThread::idealThreadCount() >= 2 ? 2 : 1;
}

void printLabel(std::FILE* out, const char* label, const std::string& value) {
  std::fprintf(out, "%s %s\n", label, value.c_str());
}

}  // namespace

int runList(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  try {
    const std::vector<ReportFileRow> rows = listReportFiles(command.path);
    for (const ReportFileRow& row : rows) {
      std::fprintf(out, "%s\t%s\t%s\t%s\n", EscapedCell(row.name).c_str(), row.title.c_str(),
                   formatFileSize(row.size).c_str(), formatFileDate(row.lastWrite).c_str());
    }
    if (rows.empty()) std::fprintf(stderr, "%s\n", listingStatusText(0).c_str());
  } catch (const std::exception& e) {
    return reportError(e);
  }
  return 0;
}

int runInfo(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  const SplitPath where = splitPath(command.path);
  try {
    const ReportDescription d = GetFileInfo(where.directory, where.name);
    printLabel(out, "보고서명:", d.title);
    printLabel(out, "Sort옵션:", d.sortOrder);
    printLabel(out, "인쇄범위:", d.printRange);
    printLabel(out, "인쇄방향:", d.orientation);
    printLabel(out, "Page수:", d.pages);
    printLabel(out, "고정소숫점:", d.fixedDecimals);
    printLabel(out, "인쇄옵션:", d.options[0]);
    for (const std::string* option : {&d.options[1], &d.options[2], &d.options[3]}) {
      if (!option->empty()) printLabel(out, "         ", *option);
    }
    printLabel(out, "비고옵션:", d.remarks);
    printLabel(out, "여    백:", d.margins);
    messages().log(d.problem);
    return d.kind == ReportKind::kNotAReport || d.kind == ReportKind::kBroken ? 1 : 0;
  } catch (const std::exception& e) {
    return reportError(e);
  }
}

int runMargins(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  const SplitPath where = splitPath(command.path);
  try {
    // Only reports the description panel accepts get the margin dialog.
    const ReportDescription d = GetFileInfo(where.directory, where.name);
    if (d.kind == ReportKind::kNotAReport || d.kind == ReportKind::kBroken) {
      messages().warning(d.title);
      messages().log(d.problem);
      return 1;
    }
    MarginWriter writer;
    writer.load(where.directory, where.name);
    if (command.setMargins) {
      if (const std::string problem = MarginProblem(command.margins, writer.landscape()); !problem.empty()) {
        messages().warning(problem);
        return 1;
      }
      writer.save(command.margins);
    }
    const std::array<int, 4> m = writer.margins();
    std::fprintf(out, "%d %d %d %d\n", m[0], m[1], m[2], m[3]);
  } catch (const std::exception& e) {
    return reportError(e);
  }
  return 0;
}

int runRender(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  BatchJob job;
  job.command = command;

  // The PDF goes to a temporary name beside its target, renamed when complete.
  QString target, partial;
  if (!command.pdfOut.empty()) {
    if (const std::string replaced = ReportFileReplacedBy(command.path, command.pdfOut); !replaced.empty()) {
      messages().warning(OutputIsReportText(command.pdfOut, replaced));
      return 1;
    }
    target = QFileInfo(QString::fromStdString(command.pdfOut)).absoluteFilePath();
    partial = partFileName(target);
    RemoveStalePartFiles(QFileInfo(target).absolutePath());
  }
  // A PDF file is drawn on worker threads (SplitPdfPrinter); without one the
  // PDF printer only serves the run.
  std::unique_ptr<PrinterLayer> single;
  std::unique_ptr<SplitPdfPrinter> split;
  if (const int threads = pdfThreads(); !partial.isEmpty() && threads > 1) {
    split = std::make_unique<SplitPdfPrinter>(partial, threads);
  } else {
    single = PrinterLayer::pdfPrinter(partial);
  }
  Printer* printer = split ? static_cast<Printer*>(split.get()) : single.get();
  if (split) job.beforePrint = [&split](int pages) { split->expectPages(pages); };
  const auto pageCount = [&] { return split ? split->pageCount() : single->pageCount(); };
  TerminalProgress progress(stderr, command.progress || ::isatty(2));
  installInterruptHandler();
  int status = runHeadless(command.path, job, printer, &progress);
  // A signal before the first page still ends the command as interrupted.
  if (interrupted() && status == 1) status = interruptedExitCode();
  if (split && !split->error().empty()) std::fprintf(stderr, "%s\n", split->error().c_str());
  if (!partial.isEmpty()) {
    const bool written = QFile::exists(partial) && pageCount() > 0;
    if ((status == 0 || (interrupted() && status == interruptedExitCode())) && written) {
      QFile::remove(target);
      if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "cannot rename to %s\n", target.toLocal8Bit().constData());
        status = 1;
      } else {
        std::fprintf(out, "%s\t%d pages\n", target.toLocal8Bit().constData(), pageCount());
      }
    } else if (status == 0) {
      status = 1;  // the job ran but nothing came out
    }
    QFile::remove(partial);
  }
  for (const QString& file : job.pngFiles) std::fprintf(out, "%s\n", file.toLocal8Bit().constData());
  return status;
}

int runFind(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  BatchJob job;
  job.command = command;
  // Running a report needs a printer; nothing is printed.
  std::unique_ptr<PrinterLayer> printer = PrinterLayer::pdfPrinter(QString());
  TerminalProgress progress(stderr, false);
  int status = runHeadless(command.path, job, printer.get(), &progress);
  if (status == 0) std::fprintf(out, "%d\n", job.foundPage);
  return status;
}

int runExport(const CliCommand& command, std::FILE* out) {
  EngineSettings settings;
  BatchJob job;
  job.command = command;
  // Each file is written under a temporary name beside it (the export does
  // that itself) and never over a file of the report.
  for (std::string* file : {&job.command.xlsxOut, &job.command.csvOut}) {
    if (file->empty()) continue;
    if (const std::string replaced = ReportFileReplacedBy(command.path, *file); !replaced.empty()) {
      messages().warning(OutputIsReportText(*file, replaced));
      return 1;
    }
    const QFileInfo target(QString::fromStdString(*file));
    *file = target.absoluteFilePath().toStdString();
    RemoveStalePartFiles(target.absolutePath());
  }
  // Running a report needs a printer; nothing is printed.
  std::unique_ptr<PrinterLayer> printer = PrinterLayer::pdfPrinter(QString());
  TerminalProgress progress(stderr, command.progress || ::isatty(2));
  installInterruptHandler();
  int status = runHeadless(command.path, job, printer.get(), &progress);
  if (interrupted()) status = interruptedExitCode();
  for (const BatchJob::Written& w : job.exported) std::fprintf(out, "%s\t%ld lines\n", w.file.c_str(), w.lines);
  return status;
}

int runCommand(const CliCommand& command, std::FILE* out) {
  switch (command.kind) {
    case CommandKind::kList: return runList(command, out);
    case CommandKind::kInfo: return runInfo(command, out);
    case CommandKind::kMargins: return runMargins(command, out);
    case CommandKind::kRender: return runRender(command, out);
    case CommandKind::kFind: return runFind(command, out);
    case CommandKind::kPrint: return runPrint(command, out);
    case CommandKind::kPrinters: return runPrinters(command, out);
    case CommandKind::kExport: return runExport(command, out);
    case CommandKind::kHelp: std::fputs(usageText().c_str(), out); return 0;
    case CommandKind::kVersion: std::fprintf(out, "zelrpt-cli %s\n", ZEL_VERSION); return 0;
  }
  return 2;
}

int runReportHeadless(const std::string& path, BatchJob& job, Printer* printer, ProgressDialog* progress) {
  EngineSettings settings;
  return runHeadless(path, job, printer, progress);
}

}  // namespace zel::cli
