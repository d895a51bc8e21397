#include "export_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

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
  const ExportLayout sheet = MakeExportLayout(layout, request.withCodes);
  const std::string& part = output.path();
  std::unique_ptr<SheetWriter> writer;
  if (request.format == ExportFormat::kCsv)
    writer = std::make_unique<CsvWriter>(part, request.csvRaw);
  else
    writer =
        std::make_unique<XlsxWriter>(output, request.rowsPerSheet > 0 ? request.rowsPerSheet : XlsxWriter::kMaxRows,
                                     request.pagesPerSheet > 0 ? request.pagesPerSheet : XlsxWriter::kMaxPages);

  const int pages = std::max(request.to - request.from + 1, 1);
  progress.ShowProgress(pages, kExportCaption);
  ExportOutcome outcome;
  const ScopeExit closeProgress([&] { progress.CloseProgress(); });
  writer->begin(sheet);
  {
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
  // Finishing a workbook (assembling its sheets) takes a moment after the
  // last line, seconds through the library: a cancel in that time must still
  // leave no file, so it is asked for before and after, the last time just
  // before the rename.
  const auto cancelled = [&] {
    progress.ProcessPendingMessages();
    return !progress.StepProgress(-1, request.to + 1, kExportCaption);
  };
  if (outcome.cancelled || cancelled()) {
    outcome.cancelled = true;
    return outcome;
  }
  writer->finish();
  writer.reset();
  if (cancelled()) {
    outcome.cancelled = true;
    return outcome;
  }
  output.commit();
  return outcome;
}

// True when the nearest part of folder that exists is a file, not a folder.
bool FileOnTheWay(const std::filesystem::path& folder) {
  std::error_code ec;
  for (std::filesystem::path p = folder.parent_path(); !p.empty(); p = p.parent_path()) {
    const auto st = std::filesystem::status(p, ec);
    if (std::filesystem::exists(st)) return !std::filesystem::is_directory(st);
    if (p == p.parent_path()) break;
  }
  return false;
}

#ifdef _WIN32
// Windows keeps no write bit on folders (a read-only mark on one means
// nothing for its files): whether it takes files is seen when the part is made.
bool FolderTakesFiles(const std::string&) { return true; }
#else
bool FolderTakesFiles(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }
#endif

}  // namespace

std::string ExportPartName(const std::string& target) { return OutputPartName(target, ::getpid()); }

bool SameOutputFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec) && !ec;
  const auto resolved = [](const std::string& p) {
    std::error_code e;
    const fs::path absolute = fs::absolute(p, e).lexically_normal();
    fs::path real = fs::weakly_canonical(absolute, e);
    return e ? absolute : real;
  };
#ifdef _WIN32
  // Windows names ignore case: a.xlsx and A.XLSX are one file.
  return _wcsicmp(resolved(a).c_str(), resolved(b).c_str()) == 0;
#else
  return resolved(a) == resolved(b);
#endif
}

std::string ExportTargetProblem(const std::string& target) {
  namespace fs = std::filesystem;
  std::error_code ec;
#ifdef _WIN32
  // A device (NUL, CON, COM1, ...) is written as a stream; it has no folder.
  if (fs::absolute(target, ec).native().rfind(L"\\\\.\\", 0) == 0) return {};
#endif
  fs::path folder = fs::absolute(target, ec).parent_path();
  if (folder.empty()) folder = ".";
  std::string reason;
  struct stat info {};
  if (::stat(folder.string().c_str(), &info) != 0) {
    if (errno == ENOENT && FileOnTheWay(folder)) errno = ENOTDIR;  // Windows says only that the path is not there
    if (errno == ENOENT)
      reason = "저장할 폴더(" + folder.string() + ")가 없습니다.";
    else if (errno == ENOTDIR)
      reason = "저장할 폴더의 경로(" + folder.string() + ") 중간에 폴더가 아닌 파일이 있습니다.";
    else if (errno == EACCES)
      reason = "저장할 폴더(" + folder.string() + ")에 들어갈 권한이 없습니다.";
    else
      reason = "저장할 폴더(" + folder.string() + ")를 확인할 수 없습니다: " + std::strerror(errno);
  } else if (!S_ISDIR(info.st_mode)) {
    reason = "저장할 곳(" + folder.string() + ")이 폴더가 아닙니다.";
  } else if (!FolderTakesFiles(folder.string())) {
    if (errno == EROFS)
      reason = "저장할 폴더(" + folder.string() + ")가 읽기 전용입니다.";
    else if (errno == EACCES)
      reason = "저장할 폴더(" + folder.string() + ")에 쓸 권한이 없습니다.";
    else
      reason = "저장할 폴더(" + folder.string() + ")에 쓸 수 없습니다: " + std::strerror(errno);
  }
  if (reason.empty()) return {};
  return target + "\r파일을 저장할 수 없습니다. " + reason;
}

ExportOutcome ExportReportFile(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                               ProgressDialog& progress) {
  if (const std::string problem = ExportTargetProblem(request.path); !problem.empty()) throw ExportError(problem);
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
