#include "export_file.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>

#include "background_writer.h"
#include "csv_writer.h"
#include "export_layout.h"
#include "progress_dialog.h"
#include "scope_exit.h"
#include "xlsx_writer.h"

namespace zel {
namespace {

constexpr std::chrono::milliseconds kProgressInterval{100};

}  // namespace

std::string ExportPartName(const std::string& target) { return target + ".part" + std::to_string(::getpid()); }

ExportOutcome ExportReportFile(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                               ProgressDialog& progress) {
  namespace fs = std::filesystem;
  const ExportLayout sheet = MakeExportLayout(layout);
  const std::string part = ExportPartName(request.path);
  bool renamed = false;
  const ScopeExit removePart([&] {
    std::error_code ec;
    if (!renamed) fs::remove(part, ec);
  });

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
  std::error_code ec;
  fs::rename(part, request.path, ec);
  if (ec) throw ExportError("cannot rename to " + request.path + ": " + ec.message());
  renamed = true;
  return outcome;
}

}  // namespace zel
