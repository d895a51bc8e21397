#include "export_action.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "cp949.h"
#include "error_text.h"
#include "export_file.h"
#include "file_dialogs.h"
#include "file_name_text.h"
#include "message_service.h"
#include "output_file.h"
#include "output_guard.h"
#include "preview_hooks.h"
#include "report_layout.h"
#include "report_lines.h"
#include "run_services.h"
#include "scope_exit.h"
#include "report_table.h"

namespace zel {
namespace {

// The file beside the report under its name with extension, as the file
// system's bytes; empty when the run has no report name.
std::string reportSibling(const TReportLayout& layout, const char* extension) {
  return layout.ReportBase.empty() ? std::string() : layout.ReportDir + "/" + layout.ReportBase + extension;
}

}  // namespace

const QString ExportAction::kExcelFilter = QStringLiteral("Excel (*.xlsx)");
const QString ExportAction::kCsvFilter = QStringLiteral("CSV UTF-8 (*.csv)");

ExportAction::ExportAction(QWidget& window, const RunServices& services, PreviewContext& context)
    : window_(window), services_(services), context_(context) {}

std::optional<ExportChoice> ExportAction::askOptions(int first, int last, int from, int to) {
  ExportChoice choice = context_.lastExportChoice;
  if (context_.hooks.askExportOptions) {
    if (!context_.hooks.askExportOptions(&window_, first, last, from, to, &choice)) return std::nullopt;
  } else {
    ExportOptionsDialog dialog(&window_, first, last, from, to, choice);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    choice = dialog.choice();
  }
  context_.lastExportChoice = choice;
  return choice;
}

QString ExportAction::write(const TReportLayout& layout, ReportTable& table, const ExportChoice& choice, int from,
                            int to) {
  const QString suggested = QString::fromStdString(readablePath(reportSibling(layout, ".xlsx")));
  QString filter = kExcelFilter;
  QString file;
  if (context_.hooks.askExportFile) {
    file = context_.hooks.askExportFile(&window_, suggested, &filter);
  } else {
    file = askSaveFileName(&window_, QStringLiteral("엑셀저장"), suggested, kExcelFilter + ";;" + kCsvFilter, &filter);
  }
  if (file.isEmpty()) return {};
  const bool csv = filter == kCsvFilter;
  const QString extension = csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
  if (!file.endsWith(extension, Qt::CaseInsensitive)) file += extension;

  const std::string reportPath = layout.ReportDir + "/" + layout.ReportBase + ".DBF";
  const std::string target =
      fileSystemPath(QFileInfo(file).absoluteFilePath().toStdString(), reportSibling(layout, csv ? ".csv" : ".xlsx"));
  if (const std::string replaced = ReportFileReplacedBy(reportPath, target); !replaced.empty()) {
    services_.box().warning(OutputIsReportText(target, replaced));
    return {};
  }
  if (const std::string problem = ExportTargetProblem(target); !problem.empty()) {
    services_.box().warning(problem);
    return {};
  }
  ExportRequest request;
  request.path = target;
  request.format = csv ? ExportFormat::kCsv : ExportFormat::kXlsx;
  request.from = from;
  request.to = to;
  request.withCodes = choice.withCodes;
  // Like printing, the export walks the table the preview draws from.
  window_.setEnabled(false);
  std::optional<std::string> failure;
  {
    const ScopeExit enableAgain([this] { window_.setEnabled(true); });
    try {
      ReportTableLines lines(table);
      ExportReportFile(layout, lines, request, services_.progressDialog());
    } catch (const OutputError& e) {
      failure = e.what();  // worded already, with the system's reason
    } catch (const std::exception& e) {
      failure = errorMessageText(e);
    }
  }
  if (failure) {
    services_.box().error(*failure);
    return {};
  }
  if (std::error_code ec; !std::filesystem::exists(target, ec)) return {};
  return QStringLiteral("엑셀 파일로 저장했습니다: ") +
         QDir::toNativeSeparators(QString::fromStdString(readablePath(target)));
}

}  // namespace zel
