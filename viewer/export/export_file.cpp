#include "export_file.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>

#include "background_writer.h"
#include "csv_writer.h"
#include "export_layout.h"
#include "output_file.h"
#include "progress_dialog.h"
#include "scope_exit.h"
#include "xlsx_writer.h"

namespace zel {
namespace {

constexpr std::chrono::milliseconds kProgressInterval{100};

ExportOutcome writeExport(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                          ProgressDialog& progress, OutputFile& output) {
  const ExportLayout sheet = MakeExportLayout(layout);
  const std::string& part = output.path();
  std::unique_ptr<SheetWriter> writer;
  if (request.format == ExportFormat::kCsv)
    writer = std::make_unique<CsvWriter>(part);
  else
    writer = std::make_unique<XlsxWriter>(part, request.rowsPerSheet > 0 ? request.rowsPerSheet : XlsxWriter::kMaxRows);

  const int pages = std::max(request.to - request.from + 1, 1);
  progress.ShowProgress(pages, kExportCaption);
  ExportOutcome outcome;
  {
    const ScopeExit closeProgress([&] { progress.CloseProgress(); });
    writer->begin(sheet);
    // The file is written on a second thread while this one reads the report.
    BackgroundWriter background(*writer);
    // The dialog hears of the first and the last page and otherwise at most
    // every 100 ms: a report has thousands of short pages, and drawing the
    // dialog for each would cost more than the export. Its cancel (and Ctrl+C)
    // is seen at these steps.
    using Clock = std::chrono::steady_clock;
    Clock::time_point told{};
    int reported = 0;
    outcome = ExportLines(layout, sheet, lines, request.from, request.to, background, [&](int page) {
      const int done = page - request.from + 1;
      const Clock::time_point now = Clock::now();
      if (reported > 0 && page < request.to && now - told < kProgressInterval) return true;
      told = now;
      progress.ProcessPendingMessages();
      const bool go = progress.StepProgress(done - reported == 1 ? 1 : done, page + 1, kExportCaption);
      reported = done;
      return go;
    });
    if (!outcome.cancelled) background.finish();
  }
  if (outcome.cancelled) return outcome;
  writer->finish();
  writer.reset();
  output.commit();
  return outcome;
}

}  // namespace

std::string ExportPartName(const std::string& target) { return OutputPartName(target, ::getpid()); }

ExportOutcome ExportReportFile(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                               ProgressDialog& progress) {
  // Removed, with the target untouched, unless committed.
  OutputFile output(request.path);

  // Every failure of the writer is told as the output's, with its reason.
  try {
    return writeExport(layout, lines, request, progress, output);
  } catch (const OutputError&) {
    throw;
  } catch (const ExportError& e) {
    output.fail(e.error(), e.what());
  }
}

}  // namespace zel
