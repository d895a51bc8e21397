// BatchPreview: the preview window of a headless run. The report runner hands
// it the page range, table and the two procedures exactly as it does the real
// window; instead of showing anything, ShowModal does one job with them:
// print a range to the installed printer (PDF or system), record pages into page
// pictures and save them as PNG files, find a value, or export the lines.
//
// The job description and its outcome live in a BatchJob owned by the
// command; the runner creates and destroys the window within RunReport.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "preview_handover.h"
#include "preview_session.h"
#include "printer.h"
#include "run_services.h"

namespace zel::cli {

struct BatchJob {
  CliCommand command;

  // Outcome.
  bool shown = false;  // the runner got as far as showing the preview
  int exitCode = 1;  // 0 done, 1 refused or failed, 2 usage, 128 + signal interrupted
  int firstPage = 0, lastPage = 0;
  int printFrom = 0, printTo = 0;
  std::vector<std::string> pngFiles;  // written PNG files (names as the file system holds them)
  int foundPage = 0;  // find: page of the first match
  struct Written {
    std::string file;
    long lines = 0;
  };
  std::vector<Written> exported;  // export: the files written

  // Told the number of pages a PDF job will print, before it starts.
  std::function<void(int pages)> beforePrint;
};

class BatchPreview : public ReportPreview {
 public:
  BatchPreview(BatchJob& job, const RunServices& services) : job_(job), services_(services) {}

  void SetSession(const PreviewSession& session) override { session_ = &session; }
  void SetPageInfo(const std::string& firstPage, const std::string& lastPage, ReportTable* table,
                   const std::string& currentPage) override;
  void SetPaperOrientation(int orientation) override { orientation_ = orientation; }
  void SetOnDrawPage(DrawPageProc proc) override { drawPage_ = std::move(proc); }
  void SetOnPrintJob(PrintJobProc proc) override { printJob_ = std::move(proc); }
  void ShowModal() override;

 private:
  // The print range the preview's fields would hold; false (with the
  // preview's message) when it is reversed.
  bool clampRange();
  void runPdf();
  void runPng();
  void runFind();
  void runExport();

  BatchJob& job_;
  const RunServices& services_;  // the run's messages, printer and progress
  const PreviewSession* session_ = nullptr;  // the run's layout; set before ShowModal
  ReportTable* table_ = nullptr;
  int orientation_ = -1;  // -1: not set by the runner
  DrawPageProc drawPage_;
  PrintJobProc printJob_;
};

// Base name of a report file without directory and extension ("P_RPTB02_X").
std::string reportBaseName(const std::string& path);

}  // namespace zel::cli
