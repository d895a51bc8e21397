#include "report_runner.h"

#include "run_services.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "zel_table.h"
#include "ascii_text.h"
#include "data_error.h"
#include "message_service.h"
#include "number_format.h"
#include "page_recorder.h"
#include "page_renderer.h"
#include "preview_handover.h"
#include "printer.h"
#include "progress_dialog.h"
#include "report_lines.h"
#include "report_file_state.h"
#include "preview_session.h"
#include "scope_exit.h"
#include "settings_block.h"
#include "status_progress.h"

namespace zel {
namespace {

const char kNoReportFile[] = "현재 디렉토리에는 보고서파일이 없습니다.\r디렉토리설정을 먼저 해주십시요.";
const char kNeedPrinter[] =
    "프린터가 설정되어 있어야만 새 보고서를 작성/인쇄할 수 있습니다.\r프린터 Driver설치 후, 프로그램을 재시작해주십시요.";
const char kNoSuchReport[] = "이미 삭제되었거나 없는 보고서입니다.";
const char kNotAReport[] = "보고서 화일이 아닙니다.";
const char kMissingMemoText[] = "메모 파일이 없습니다: ";
const char kNoSettings[] = "보고서 F_INIT에 초기화정보가 없습니다.\r사용할 수 없는 보고서입니다.";
const char kUnsupportedReport[] = "지원하지 않는 보고서입니다.";

const char kPageNotNumber[] = "보고서의 F_PAGE 필드가 숫자 필드가 아니어서 쪽을 나눌 수 없습니다.";

constexpr int kPicturePixelsPerInch = 80;

bool isNumberType(const std::string& type) {
  return type == "N" || type == "F" || type == "I" || type == "B" || type == "Y";
}

// Removes dir/fileName and every other spelling of it that differs only in
// case (the report may sit beside "x.cdx" and "X.CDX" alike). Errors ignored.
void removeIgnoringCase(const std::string& dir, const std::string& fileName) {
  std::error_code ec;
  const std::string wanted = asciiUpper(fileName);
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (asciiUpper(entry.path().filename().string()) == wanted && entry.is_regular_file(ec))
      std::filesystem::remove(entry.path(), ec);
  }
}

bool fileExists(const std::string& dir, const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath(dir, name), ec);
}

std::string reportPath(const std::string& dir, const std::string& name) { return dir + "/" + name; }

// Lines past the header's record count are not shown (said on standard error
// by the command line and in the preview's status bar).
std::string uncountedRecordsText(long counted, long uncounted) {
  return "머리말의 레코드 수(" + std::to_string(counted) + ")보다 파일에 레코드가 " + std::to_string(uncounted) +
         "개 더 있어, 그 줄은 나오지 않습니다.";
}

// A run or program that holds the report keeps its index file: exclusive use
// is tried before anything beside the report is removed (deleting an open
// file succeeds here, unlike on Windows).
bool heldByAnother(const std::string& dir, const std::string& name) {
  TTable probe;
  probe.DatabaseName = dir;
  probe.TableName = name;
  probe.TableType = ttSXFOX;
  probe.Exclusive = true;
  try {
    probe.Open();
  } catch (const DataError&) {
    return probe.LastOpenProblem() == OpenProblem::kInUse;
  }
  return false;
}

// The refusal for a report that did not open or has no F_INIT: what is true
// when it is known (held, unreadable, its memo file missing), else the plain
// "not a report".
void refuseUnopened(MessageService& box, const TZelTable& table, const std::string& dir, const std::string& name) {
  const std::string why = OpenProblemText(table.Table.LastOpenProblem());
  const std::string memo = table.IsOpen ? std::string() : MissingMemoFile(dir, name);
  if (!why.empty())
    box.warning(reportPath(dir, name) + "\r" + why);
  else if (!memo.empty())
    box.warning(std::string(kNotAReport) + "\r" + kMissingMemoText + memo);
  else
    box.warning(kNotAReport);
  box.log(table.NotAReportReason());
}

// Page order: the F_PAGE tag in the report's .cdx, or, where nothing may be
// written beside the report, an order held in memory for this run only.
bool buildPageOrder(const RunServices& services, TZelTable& table, bool writable) {
  MessageService& box = services.box();
  // A large table takes a while: an interrupt ends the run here, without a
  // word, as it does anywhere else.
  const OrderBuildStop stop(services.stopRequested);
  const auto stopped = [&] { return services.stopRequested && services.stopRequested(); };
  if (!writable) {
    try {
      table.Apollo.SetOrder(table.Apollo.CreateMemoryOrder("F_PAGE", "str(F_PAGE,5)"));
    } catch (const DataError&) {
      if (stopped()) return false;
      throw;
    }
    return true;
  }
  if (table.BuildIndex("", "F_PAGE", "CDX", "", false, 0, "str(F_PAGE,5)")) {
    table.Apollo.SetOrder(1);
    return true;
  }
  // The exclusive-use refusal has shown its message; anything else says here why.
  if (!table.LastIndexError.empty() && !stopped()) box.error(table.LastIndexError);
  return false;
}

// Puts the run's table back in natural order, drops the page index file and
// leaves the table freed; also after a failure part-way.
void finishRun(TZelTable& table, const std::string& dir, const std::string& base, bool indexStepsReached) {
  if (!indexStepsReached) return;
  try {
    if (table.Table.Active()) table.Apollo.SetOrder(0);
    table.Table.Close();
    table.IsOpen = false;
    removeIgnoringCase(dir, base + ".CDX");
    if (table.OpenTable(dir, base + ".DBF", "CDX")) table.Apollo.SetOrder(0);
  } catch (const DataError&) {
    // The run's own outcome (or error) stands; a failing clean-up adds nothing the user can act on.
  }
}

}  // namespace

void warnPrinterUnusable(MessageService& box) {
  box.warning(
      "프린터가 설정되어 있지 않거나,사용할 수 없는 상태입니다.\r프린터를 설치 후, 프로그램을 재시작해주십시요.");
}

void RunReport(const RunServices& services, const std::string& reportDirectory, const std::string& name) {
  MessageService& box = services.box();
  if (isBlank(name) || !fileExists(reportDirectory, VariantText(name))) {
    box.notice(kNoReportFile);
    return;
  }
  Printer* printer = services.printer;
  if (!printer || !printer->setOrientation(PaperOrientation::kPortrait)) {
    box.warning(kNeedPrinter);
    return;
  }
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos || dot == 0) {
    box.warning(kNoSuchReport);
    return;
  }
  if (asciiUpper(name.substr(dot + 1)) != "DBF") {
    box.warning(kNotAReport);
    return;
  }
  const std::string base = name.substr(0, dot);
  if (CanWriteBeside(reportDirectory, name)) {
    // Shown where the exclusive-use error would come, as an error like it.
    if (heldByAnother(reportDirectory, name)) {
      box.error(reportPath(reportDirectory, name) + "\r" + OpenProblemText(OpenProblem::kInUse));
      return;
    }
    removeIgnoringCase(reportDirectory, base + ".CDX");
  }

  std::string code;
  {
    TZelTable table;
    if (!table.OpenTable(reportDirectory, name, "CDX") || !table.Table.FindField("F_INIT")) {
      refuseUnopened(box, table, reportDirectory, name);
      return;
    }
    // Fewer records than the header counts would print short without a word.
    if (const long missing = table.Apollo.MissingBytes(); missing > 0) {
      box.warning(DamagedTableText(reportPath(reportDirectory, name), missing));
      return;
    }
    // More records than the header counts: the report runs on what the
    // header counts, and says that lines are left out.
    if (const long uncounted = table.Apollo.UncountedRecords(); uncounted > 0)
      box.log("경고: " + reportPath(reportDirectory, name) + ": " +
              uncountedRecordsText(table.Table.RecordCount(), uncounted));
    // Pages are numbers; any other type could only fail later without a word.
    if (table.Table.FindField("F_PAGE") && !isNumberType(table.Apollo.FieldTypeName("F_PAGE"))) {
      box.warning(reportPath(reportDirectory, name) + "\r" + kPageNotNumber + " (" +
                  table.Apollo.FieldTypeName("F_PAGE") + ")");
      return;
    }
    // A line without a readable page number of 1 or more sorts outside every
    // page. Checked before the page order is built, which would cost as much
    // for a header that claims millions of empty records.
    if (table.Table.FindField("F_PAGE")) {
      const PageNumberCheck pages = CheckPageNumbers(table.Table, services.stopRequested);
      if (pages.stopped) return;
      if (pages.record > 0) {
        box.warning(DamagedPageNumberText(reportPath(reportDirectory, name), pages));
        return;
      }
    }
    table.Table.First();
    code = GetKey(table.Table.FieldAsString("F_INIT"), "RPTCODE");
  }
  if (code.empty()) {
    box.warning(kNoSettings);
    return;
  }
  // The description panel shows a code in any case as the report it names,
  // so the run accepts it in any case too.
  code = asciiUpper(code);
  const std::string number = code.size() > 4 ? code.substr(4, 2) : std::string();
  const int n = IsAllDigits(number) && code.size() >= 4 && code[3] == 'B' ? std::stoi(number) : 0;
  if (n == 1) {
    RunLayoutReport(services, reportDirectory, base, "RPTB01");
  } else if (n == 2) {
    RunLayoutReport(services, reportDirectory, base, "RPTB02");
  } else {
    // A report that does nothing when run looks like a hung program.
    box.warning(kUnsupportedReport);
  }
}

void RunLayoutReport(const RunServices& services, const std::string& directory, const std::string& base,
                     const std::string& code) {
  PreviewSession session;
  session.services = &services;
  TReportLayout& layout = session.layout;
  layout.ReportDir = directory;
  layout.ReportCode = code;
  layout.ReportBase = base;

  TZelTable table;
  ApolloLines lines(table.Apollo);
  bool indexStepsReached = false;
  const bool writable = CanWriteBeside(directory, base + ".DBF");
  // When the preview has closed, and also after a failure from here on.
  const ScopeExit cleanUp([&] { finishRun(table, directory, base, indexStepsReached); });
  if (!table.OpenTable(directory, base + ".DBF", "CDX"))
    throw DataError("Cannot open table " + directory + "/" + base + ".DBF");
  // The preview's status bar says what the command line's warning says.
  std::string warning;
  if (const long uncounted = table.Apollo.UncountedRecords(); uncounted > 0)
    warning = "경고: " + uncountedRecordsText(table.Table.RecordCount(), uncounted);
  table.Table.First();
  layout.SettingsText = table.Apollo.MemoText("F_INIT");
  table.Apollo.GoBottom();
  layout.PageTotal = table.Table.Eof() ? 0 : static_cast<int>(table.Apollo.FieldAsInteger("F_PAGE"));
  // 0 (an empty table or a blank page number) is one page; so is a negative number.
  if (layout.PageTotal < 1) layout.PageTotal = 1;
  ParseLayout(layout);

  indexStepsReached = writable;
  // An unindexed run would only show empty pages, so the run ends here.
  if (!buildPageOrder(services, table, writable)) return;
  // The last record need not carry the highest page (a damaged or edited
  // tail); the last key of the page order does, and every page up to it
  // can then be shown and printed.
  table.Apollo.GoBottom();
  if (!table.Apollo.Eof())
    layout.PageTotal = std::max(layout.PageTotal, static_cast<int>(table.Apollo.FieldAsInteger("F_PAGE")));
  ApplyPageGeometry(layout);

  session.table = &table;
  session.lines = &lines;
  session.firstPage = 1;
  session.lastPage = layout.PageTotal;
  if (services.preview) {
    std::unique_ptr<ReportPreview> window = services.preview();
    window->SetSession(session);
    window->SetPageInfo("1", std::to_string(layout.PageTotal), &table, "1");
    if (!base.empty() && base[0] == 'P') window->SetPaperOrientation(0);
    if (!base.empty() && base[0] == 'L') window->SetPaperOrientation(1);
    window->SetOnDrawPage([&session](PageRecorder& picture, int page, TZelTable* shown) {
      DrawPreviewPage(session, picture, page, shown);
    });
    window->SetOnPrintJob([&session](const PrintJob& job) { PrintPages(session, job); });
    if (!warning.empty()) window->SetWarning(warning);
    window->ShowModal();
  }
}

void DrawPreviewPage(PreviewSession& session, PageRecorder& picture, int page, TZelTable* table) {
  const RunServices& services = *session.services;
  Printer* printer = services.printer;
  PrinterCaps caps;
  if (!printer || !printer->caps(caps) || caps.logPixelsX <= 0 || caps.logPixelsY <= 0)
    throw DataError("No printer is available to size the page");
  const int width = RoundHalfEven(static_cast<double>(caps.physicalWidth) / caps.logPixelsX * kPicturePixelsPerInch);
  const int height = RoundHalfEven(static_cast<double>(caps.physicalHeight) / caps.logPixelsY * kPicturePixelsPerInch);

  // The page is drawn from the table the preview hands over.
  std::unique_ptr<ApolloLines> own;
  ReportLines* lines = session.lines;
  if (table && (table != session.table || !lines)) {
    own = std::make_unique<ApolloLines>(table->Apollo);
    lines = own.get();
  }
  RenderJob job;
  job.layout = &session.layout;
  job.lines = lines;
  job.printFrom = job.printTo = job.startNo = page;

  const bool landscape = session.layout.Landscape();
  Canvas& canvas = picture.beginPage(width, height);
  const ScopeExit closePicture([&] {
    picture.restoreMapping();
    picture.endPage();
  });
  picture.paintPaper();
  picture.setPageWindow(landscape ? 2970 : 2100, landscape ? 2100 : 2970);
  RenderPages(canvas, job, DrawMode::kPreview, {services.progressDialog(), services.statusProgress()});
}

void PrintPages(PreviewSession& session, const PrintJob& print) {
  const RunServices& services = *session.services;
  Printer* printer = services.printer;
  const bool landscape = session.layout.Landscape();
  if (!printer || !printer->setCopies(print.PrintCopies) ||
      !printer->setOrientation(landscape ? PaperOrientation::kLandscape : PaperOrientation::kPortrait)) {
    warnPrinterUnusable(services.box());
    return;
  }
  if (!printer->beginDocument()) {
    warnPrinterUnusable(services.box());
    return;
  }
  const int previousMapping = printer->setMetricMapping();
  const ScopeExit closeDocument([&] {
    printer->restoreMapping(previousMapping);
    printer->endDocument();
  });
  RenderJob job;
  job.layout = &session.layout;
  job.lines = session.lines;
  job.printFrom = print.PrintFrom;
  job.printTo = print.PrintTo;
  job.startNo = print.PrintStartNo;
  job.sheetCopies = printer->makesCopies() ? 1 : std::max(print.PrintCopies, 1);
  job.printer = printer;
  job.margins = ReadPrinterMargins(*printer, landscape);
  RenderPages(printer->canvas(), job, DrawMode::kPrinter, {services.progressDialog(), services.statusProgress()});
}

}  // namespace zel
