#include "commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine_settings.h"
#include "report_table.h"
#include "pdf_check.h"
#include "pdf_join.h"
#include "batch_preview.h"
#include "data_error.h"
#include "escaped_text.h"
#include "export_file.h"
#include "margin_limits.h"
#include "margin_writer.h"
#include "message_service.h"
#include "print_commands.h"
#include "printer_layer.h"
#ifdef ZEL_OWN_PDF_WRITER
#  include "pdf_file_printer.h"
#  include "pdf_font_source.h"
#endif
#include "report_description.h"
#include "report_listing.h"
#include "preview_session.h"
#include "output_file.h"
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

// Names are kept as the bytes the file system holds (a CP949 name is no
// UTF-8, and a round trip through QString would change it).
SplitPath splitPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec).lexically_normal();
  return {absolute.parent_path().string(), absolute.filename().string()};
}

// Why `path` cannot be a report (or, for list, a report directory) before
// anything opens it, where the run's own words ("no such file", "no report
// files") would name the wrong reason; "" when it may be tried. A FIFO
// would block the open.
std::string unusablePathText(const std::string& path, bool wantDirectory) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENAMETOOLONG) return path.substr(0, 80) + "...\r경로가 너무 깁니다.";
    if (errno == ELOOP) return path + "\r링크가 너무 많이 이어집니다.";
    if (errno == ENOTDIR) return path + "\r경로 중간에 폴더가 아닌 것이 있습니다.";
    return {};  // missing or unreadable: the run says so in its own words
  }
  if (wantDirectory) return S_ISDIR(st.st_mode) ? std::string() : path + "\r폴더가 아닙니다.";
  if (S_ISDIR(st.st_mode)) return path + "\r보고서 파일이 아니라 폴더입니다.";
  if (!S_ISREG(st.st_mode)) return path + "\r보고서 파일이 아니라 장치나 파이프입니다.";
  return {};
}

bool refuseUnusablePath(MessageService& messages, const std::string& path, bool wantDirectory = false) {
  const std::string text = unusablePathText(path, wantDirectory);
  if (text.empty()) return false;
  messages.warning(text);
  return true;
}

// The engine's settings object as the main window sets it up at first show.
struct ViewerSettings {
  ViewerSettings() {
    env.SetDeleted(true);
    env.SetExact(true);
    env.SetCentury(true);
  }
  EngineSettings env;
};

// The standard error report of the programs: the error's own text.
int reportError(MessageService& messages, const std::exception& e) {
  messages.error(e.what());
  return 1;
}

// Runs the report headless with the given printer and progress, the batch
// job standing in for the preview window; the job's exit code when the
// preview was reached, 1 when it was not.
int runHeadless(MessageService& messages, const std::string& path, BatchJob& job, Printer* printer,
                ProgressDialog* progress) {
  if (refuseUnusablePath(messages, path)) return 1;
  const SplitPath where = splitPath(path);
  RunServices services;
  services.messages = &messages;
  services.printer = printer;
  services.progress = progress;
  services.stopRequested = [] { return interrupted(); };
  services.preview = [&job, &services] { return std::make_unique<BatchPreview>(job, services); };
  try {
    RunReport(services, where.directory, where.name);
    return job.shown ? job.exitCode : 1;
  } catch (const std::exception& e) {
    return reportError(messages, e);
  }
}

// Worker threads for a PDF export. The program's own writer draws on the
// engine's thread (1); ZEL_PDF_THREADS above 1 draws through the toolkit's
// PDF engine on that many workers, joined from parts.
int pdfThreads() {
#ifdef _WIN32
  return 1;  // no PDF joiner in this build (pdf_join_unavailable.cpp)
#endif
  bool ok = false;
  const int wanted = qEnvironmentVariableIntValue("ZEL_PDF_THREADS", &ok);
  if (ok) return std::clamp(wanted, 1, 8);
#ifdef ZEL_OWN_PDF_WRITER
  return 1;
#else
  return QThread::idealThreadCount() >= 2 ? 2 : 1;
#endif
}

void printLabel(std::FILE* out, const char* label, const std::string& value) {
  std::fprintf(out, "%s %s\n", label, value.c_str());
}

}  // namespace

int runList(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  if (refuseUnusablePath(context.messages, command.path, true)) return 1;
  try {
    const std::vector<ReportFileRow> rows = listReportFiles(command.path);
    for (const ReportFileRow& row : rows) {
      std::fprintf(context.out, "%s\t%s\t%s\t%s\n", EscapedCell(row.name).c_str(), row.title.c_str(),
                   formatFileSize(row.size).c_str(), formatFileDate(row.lastWrite).c_str());
    }
    if (rows.empty()) std::fprintf(stderr, "%s\n", listingStatusText(0).c_str());
  } catch (const std::exception& e) {
    return reportError(context.messages, e);
  }
  return 0;
}

int runInfo(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  if (refuseUnusablePath(context.messages, command.path)) return 1;
  const SplitPath where = splitPath(command.path);
  try {
    const ReportDescription d = describeReport(where.directory, where.name);
    printLabel(context.out, "보고서명:", d.title);
    printLabel(context.out, "Sort옵션:", d.sortOrder);
    printLabel(context.out, "인쇄범위:", d.printRange);
    printLabel(context.out, "인쇄방향:", d.orientation);
    printLabel(context.out, "Page수:", d.pages);
    printLabel(context.out, "고정소숫점:", d.fixedDecimals);
    printLabel(context.out, "인쇄옵션:", d.options[0]);
    for (const std::string* option : {&d.options[1], &d.options[2], &d.options[3]}) {
      if (!option->empty()) printLabel(context.out, "         ", *option);
    }
    printLabel(context.out, "비고옵션:", d.remarks);
    printLabel(context.out, "여    백:", d.margins);
    context.messages.log(d.problem);
    return d.kind == ReportKind::kNotAReport || d.kind == ReportKind::kBroken ? 1 : 0;
  } catch (const std::exception& e) {
    return reportError(context.messages, e);
  }
}

int runMargins(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  if (refuseUnusablePath(context.messages, command.path)) return 1;
  const SplitPath where = splitPath(command.path);
  try {
    // Only reports the description panel accepts get the margin dialog.
    const ReportDescription d = describeReport(where.directory, where.name);
    if (d.kind == ReportKind::kNotAReport || d.kind == ReportKind::kBroken) {
      context.messages.warning(d.title);
      context.messages.log(d.problem);
      return 1;
    }
    MarginWriter writer;
    writer.load(where.directory, where.name);
    if (command.setMargins) {
      if (const std::string problem = MarginProblem(command.margins, writer.landscape()); !problem.empty()) {
        context.messages.warning(problem);
        return 1;
      }
      writer.save(command.margins);
    }
    const std::array<int, 4> m = writer.margins();
    std::fprintf(context.out, "%d %d %d %d\n", m[0], m[1], m[2], m[3]);
  } catch (const std::exception& e) {
    return reportError(context.messages, e);
  }
  return 0;
}

int runRender(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  BatchJob job;
  job.command = command;

  // The PDF goes to a part file beside its target, renamed when complete.
  std::unique_ptr<OutputFile> output;
  QString partial;
  if (!command.pdfOut.empty()) {
    if (const std::string replaced = ReportFileReplacedBy(command.path, command.pdfOut); !replaced.empty()) {
      context.messages.warning(OutputIsReportText(command.pdfOut, replaced));
      return 1;
    }
    std::error_code ec;
    const std::string target = std::filesystem::absolute(command.pdfOut, ec).string();
    RemoveStalePartFiles({target});
    try {
      output = std::make_unique<OutputFile>(target);
    } catch (const OutputError& e) {
      context.messages.error(e.what());
      return 1;
    }
    partial = QString::fromStdString(output->pathForLibraries(output->path()));
  }
  // A PDF file is drawn on worker threads (SplitPdfPrinter); without one the
  // PDF printer only serves the run.
  std::unique_ptr<PrinterLayer> single;
  std::unique_ptr<SplitPdfPrinter> split;
#ifdef ZEL_OWN_PDF_WRITER
  std::unique_ptr<PdfFilePrinter> own;
#endif
  if (const int threads = pdfThreads(); output && threads > 1) {
    split = std::make_unique<SplitPdfPrinter>(partial, threads, [&output](int part) {
      return QString::fromStdString(output->pathForLibraries(output->extraPart(part)));
    });
  } else {
#ifdef ZEL_OWN_PDF_WRITER
    // The program writes the PDF itself where it can embed the faces;
    // otherwise Qt draws it.
    if (output && QtPdfFontSource::embedsMappedFaces()) {
      own = std::make_unique<PdfFilePrinter>(
          [&output](const char* data, std::size_t size) { output->write(data, size); });
    }
#endif
    single = PrinterLayer::pdfPrinter(partial);
  }
  Printer* printer = split ? static_cast<Printer*>(split.get()) : single.get();
  std::function<int()> pageCount = [&] { return split ? split->pageCount() : single->pageCount(); };
  // A writer that checks its every write leaves only the page tree to check.
  bool writesChecked = split != nullptr;
  std::function<std::string()> writeProblem = [&]() -> std::string {
    if (split) return split->error();
    return single->writeFailed() ? "a page could not be written" : "";
  };
#ifdef ZEL_OWN_PDF_WRITER
  if (own) {
    printer = own.get();
    pageCount = [&] { return own->pageCount(); };
    writeProblem = [&] { return own->error(); };
    writesChecked = true;
  }
#endif
  TerminalProgress progress(stderr, command.progress || ::isatty(2));
  installInterruptHandler();
  int status = runHeadless(context.messages, command.path, job, printer, &progress);
  // A signal before the first page still ends the command as interrupted.
  if (interrupted() && status == 1) status = interruptedExitCode();
  if (output) {
    const bool ran = status == 0 || (interrupted() && status == interruptedExitCode());
    if (ran && job.shown && pageCount() > 0) {
      // Nothing replaces the target unless it is a whole PDF of every page
      // begun: a full disk cuts a PDF short without its writer noticing.
      std::string problem = writeProblem();
      // The joiner checks its every write; reading each page back would hold
      // them all in memory.
      if (problem.empty()) {
        if (writesChecked) {
          CheckPdfPageCount(output->path(), pageCount(), problem);
        } else {
          CheckPdfFile(output->path(), pageCount(), problem);
        }
      }
      try {
        if (!problem.empty()) output->fail(0, problem);
        output->commit();
        std::fprintf(context.out, "%s\t%d pages\n", EscapedCell(output->target()).c_str(), pageCount());
      } catch (const OutputError& e) {
        context.messages.error(e.what());
        status = 1;
      }
    } else if (status == 0) {
      status = 1;  // the job ran but nothing came out
    }
    output.reset();
  }
  for (const std::string& file : job.pngFiles) std::fprintf(context.out, "%s\n", EscapedCell(file).c_str());
  return status;
}

int runFind(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  BatchJob job;
  job.command = command;
  // Running a report needs a printer; nothing is printed.
  std::unique_ptr<PrinterLayer> printer = PrinterLayer::pdfPrinter(QString());
  TerminalProgress progress(stderr, false);
  int status = runHeadless(context.messages, command.path, job, printer.get(), &progress);
  if (status == 0) std::fprintf(context.out, "%d\n", job.foundPage);
  return status;
}

int runExport(const CliCommand& command, const CommandContext& context) {
  ViewerSettings settings;
  BatchJob job;
  job.command = command;
  // Two outputs that are one file would leave only the second.
  if (!command.xlsxOut.empty() && !command.csvOut.empty() && SameOutputFile(command.xlsxOut, command.csvOut)) {
    std::fprintf(stderr, "zelrpt-cli: --xlsx and --csv name the same file: %s\n", command.csvOut.c_str());
    return 2;
  }
  // Each file is written under a temporary name beside it (the export does
  // that itself) and never over a file of the report; a folder that takes no
  // file is refused before the report is read.
  for (std::string* file : {&job.command.xlsxOut, &job.command.csvOut}) {
    if (file->empty()) continue;
    if (const std::string replaced = ReportFileReplacedBy(command.path, *file); !replaced.empty()) {
      context.messages.warning(OutputIsReportText(*file, replaced));
      return 1;
    }
    if (const std::string problem = ExportTargetProblem(*file); !problem.empty()) {
      context.messages.warning(problem);
      return 1;
    }
    std::error_code ec;
    *file = std::filesystem::absolute(*file, ec).string();
    RemoveStalePartFiles({*file});
  }
  // Running a report needs a printer; nothing is printed.
  std::unique_ptr<PrinterLayer> printer = PrinterLayer::pdfPrinter(QString());
  TerminalProgress progress(stderr, command.progress || ::isatty(2));
  installInterruptHandler();
  int status = runHeadless(context.messages, command.path, job, printer.get(), &progress);
  if (interrupted()) status = interruptedExitCode();
  for (const BatchJob::Written& w : job.exported)
    std::fprintf(context.out, "%s\t%ld lines\n", EscapedCell(w.file).c_str(), w.lines);
  return status;
}

int runCommand(const CliCommand& command, const CommandContext& context) {
  switch (command.kind) {
    case CommandKind::kList: return runList(command, context);
    case CommandKind::kInfo: return runInfo(command, context);
    case CommandKind::kMargins: return runMargins(command, context);
    case CommandKind::kRender: return runRender(command, context);
    case CommandKind::kFind: return runFind(command, context);
    case CommandKind::kPrint: return runPrint(command, context);
    case CommandKind::kPrinters: return runPrinters(command, context);
    case CommandKind::kExport: return runExport(command, context);
    case CommandKind::kCompare: return runCompare(command, context);
    case CommandKind::kHelp: std::fputs(usageText().c_str(), context.out); return 0;
    case CommandKind::kVersion: std::fprintf(context.out, "zelrpt-cli %s\n", ZEL_VERSION); return 0;
  }
  return 2;
}

int runReportHeadless(MessageService& messages, const std::string& path, BatchJob& job, Printer* printer,
                      ProgressDialog* progress) {
  ViewerSettings settings;
  return runHeadless(messages, path, job, printer, progress);
}

}  // namespace zel::cli
