#include "batch_preview.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QBuffer>
#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "report_table.h"
#include "cp949.h"
#include "message_service.h"
#include "escaped_text.h"
#include "output_file.h"
#include "output_guard.h"
#include "stale_parts.h"
#include "painter_canvas.h"
#include "export_file.h"
#include "print_range.h"
#include "progress_dialog.h"
#include "preview_session.h"
#include "printer.h"
#include "report_lines.h"
#include "terminal_progress.h"
#include "value_search.h"

namespace zel::cli {
namespace {

constexpr double kPictureDpi = 80.0;  // the page picture's pixels per inch of paper

// Leading blanks and a sign allowed and anything after the digits ignored,
// as stoi reads; 0 when no number starts the text or it is out of range.
int toInt(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string::npos) return 0;
  const char* first = text.data() + start;
  if (*first == '+' && text.size() > start + 1 && text[start + 1] != '-') ++first;
  int value = 0;
  const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
  return error == std::errc() && end != first ? value : 0;
}

}  // namespace

std::string reportBaseName(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).completeBaseName().toStdString();
}

void BatchPreview::SetPageInfo(const std::string& firstPage, const std::string& lastPage, ReportTable* table,
                               const std::string& /*currentPage*/) {
  job_.firstPage = toInt(firstPage);
  job_.lastPage = toInt(lastPage);
  table_ = table;
}

bool BatchPreview::clampRange() {
  const CliCommand& c = job_.command;
  // As the range fields do: each value is pulled into the report's pages.
  PageRange range{c.hasPages ? c.pageFrom : job_.firstPage, c.hasPages ? c.pageTo : job_.lastPage};
  if (!CheckPrintRange(services_.box(), range, job_.firstPage, job_.lastPage)) return false;
  job_.printFrom = range.from;
  job_.printTo = range.to;
  return true;
}

void BatchPreview::ShowModal() {
  job_.shown = true;
  // What the preview does first when it shows: the printer takes the
  // report's orientation, so page sizes and pictures follow it.
  if (Printer* printer = services_.printer; printer && orientation_ >= 0) {
    printer->setOrientation(orientation_ == 1 ? PaperOrientation::kLandscape : PaperOrientation::kPortrait);
  }
  switch (job_.command.kind) {
    case CommandKind::kRender:
      if (!clampRange()) return;
      job_.exitCode = 0;
      if (!job_.command.pngDir.empty()) runPng();
      if (job_.exitCode == 0 && !job_.command.pdfOut.empty()) runPdf();
      break;
    case CommandKind::kPrint:
      // The same job as render --pdf, on the printer the command installed.
      if (!clampRange()) return;
      job_.exitCode = 0;
      runPdf();
      break;
    case CommandKind::kFind: runFind(); break;
    case CommandKind::kExport:
      if (!clampRange()) return;
      runExport();
      break;
    default: break;
  }
}

void BatchPreview::runPdf() {
  if (!printJob_) {
    job_.exitCode = 1;
    return;
  }
  // The starting number follows the first printed page unless given.
  const int startNo = job_.command.hasStartNo ? static_cast<int>(job_.command.startNo) : job_.printFrom;
  if (job_.beforePrint) job_.beforePrint((job_.printTo - job_.printFrom + 1) * std::max(job_.command.copies, 1));
  printJob_(PrintJob{job_.printFrom, job_.printTo, startNo, job_.command.copies});
  if (interrupted()) job_.exitCode = interruptedExitCode();
}

void BatchPreview::runPng() {
  if (!drawPage_) {
    job_.exitCode = 1;
    return;
  }
  namespace fs = std::filesystem;
  const std::string& dir = job_.command.pngDir;
  std::error_code made;
  fs::create_directories(dir, made);
  if (made || !fs::is_directory(dir, made)) {
    std::fprintf(stderr, "cannot create directory %s\n", EscapedCell(dir).c_str());
    job_.exitCode = 1;
    return;
  }
  const std::string base = fs::path(job_.command.path).filename().string();
  const std::string stem = base.substr(0, base.rfind('.') == std::string::npos ? base.size() : base.rfind('.'));
  auto pageFile = [&](int page) {
    char number[16];
    std::snprintf(number, sizeof number, "-p%04d.png", page);
    return (fs::path(dir) / (stem + number)).string();
  };
  // A page file that is (or links to) a file of the report would replace it:
  // refused before any page is written.
  std::vector<std::string> files;
  for (int page = job_.printFrom; page <= job_.printTo; ++page) {
    const std::string file = pageFile(page);
    if (const std::string replaced = ReportFileReplacedBy(job_.command.path, file); !replaced.empty()) {
      services_.box().warning(OutputIsReportText(file, replaced));
      job_.exitCode = 1;
      return;
    }
    files.push_back(file);
  }
  RemoveStalePartFiles(files);
  const double scale = job_.command.dpi / kPictureDpi;
  for (int page = job_.printFrom; page <= job_.printTo; ++page) {
    if (interrupted()) {
      job_.exitCode = interruptedExitCode();
      return;
    }
    // Recorded at the image's own resolution, so a 2-unit frame is as thick
    // as 0.2 mm of the image, as in a PDF.
    PicturePageRecorder recorder(scale);
    drawPage_(recorder, page, table_);
    QImage image(recorder.pageSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::TextAntialiasing);
      painter.drawPicture(0, 0, recorder.picture());
    }
    const std::string& file = files[static_cast<std::size_t>(page - job_.printFrom)];
    // Encoded in memory, then written as a new file renamed over the name
    // (over a link, never through it).
    try {
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      OutputFile output(file);
      if (!image.save(&buffer, "PNG")) output.fail(EIO, "cannot encode the page");
      output.write(png.constData(), static_cast<std::size_t>(png.size()));
      output.commit();
    } catch (const OutputError& e) {
      services_.box().error(e.what());
      job_.exitCode = 1;
      return;
    }
    job_.pngFiles.push_back(file);
  }
}

void BatchPreview::runExport() {
  job_.exitCode = 1;
  if (!table_) return;
  ReportTableLines lines(*table_);
  const CliCommand& c = job_.command;
  const std::pair<const std::string*, ExportFormat> files[] = {{&c.xlsxOut, ExportFormat::kXlsx},
                                                               {&c.csvOut, ExportFormat::kCsv}};
  for (const auto& [file, format] : files) {
    if (file->empty()) continue;
    ExportRequest request;
    request.path = *file;
    request.format = format;
    request.from = job_.printFrom;
    request.to = job_.printTo;
    request.csvRaw = c.csvRaw;
    request.withCodes = c.withCodes;
    const ExportOutcome done = ExportReportFile(session_->layout, lines, request, services_.progressDialog());
    if (done.cancelled || interrupted()) {
      job_.exitCode = interruptedExitCode();
      return;
    }
    job_.exported.push_back({*file, done.lines});
  }
  job_.exitCode = 0;
}

void BatchPreview::runFind() {
  if (!table_) return;
  ReportTableLines lines(*table_);
  if (!HasPageNumbers(lines)) {
    refuseSearchWithoutPageNumbers(services_.box());  // as the preview's find button does
    return;
  }
  const std::vector<SearchColumn> columns = PrepareSearch(lines, job_.command.afterPage);
  const std::string wanted = utf8ToCp949(job_.command.column);
  const auto column =
      std::find_if(columns.begin(), columns.end(), [&](const SearchColumn& c) { return c.title == wanted; });
  if (column == columns.end()) {
    std::fprintf(stderr, "no column titled \"%s\"; the report offers:\n", job_.command.column.c_str());
    for (const SearchColumn& c : columns) std::fprintf(stderr, "  %s\n", cp949ToUtf8(c.title).c_str());
    job_.exitCode = 2;
    return;
  }
  const ValueSearchOutcome outcome =
      SearchValue(services_.box(), lines, column->fieldName, utf8ToCp949(job_.command.text), true, "P");
  if (outcome.found) {
    job_.foundPage = outcome.page;
    job_.exitCode = 0;
  }
}

}  // namespace zel::cli
