#include "print_action.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "cp949.h"
#include "error_text.h"
#include "file_dialogs.h"
#include "file_name_text.h"
#include "message_service.h"
#include "output_file.h"
#include "output_guard.h"
#include "pdf_check.h"
#include "preview_hooks.h"
#include "printer_chooser.h"
#include "printer_layer.h"
#include "report_layout.h"
#include "report_runner.h"
#include "run_services.h"
#include "scope_exit.h"
#include "system_printers.h"

namespace zel {
namespace {

// The file beside the report under its name with extension, as the file
// system's bytes; empty when the run has no report name.
std::string reportSibling(const TReportLayout& layout, const char* extension) {
  return layout.ReportBase.empty() ? std::string() : layout.ReportDir + "/" + layout.ReportBase + extension;
}

}  // namespace

PrintAction::PrintAction(QWidget& window, const RunServices& services, const PreviewHooks& hooks)
    : window_(window), services_(services), hooks_(hooks) {}

bool PrintAction::askPdfFile(const TReportLayout& layout) {
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  if (layer == nullptr || !layer->isPdfPrinter()) return true;
  // Proposed beside the report, under its name, as the export proposes its file.
  const QString suggested = layout.ReportBase.empty()
                                ? layer->outputFileName()
                                : QString::fromStdString(readablePath(reportSibling(layout, ".pdf")));
  QString file;
  if (hooks_.askPdfFile) {
    file = hooks_.askPdfFile(&window_, suggested);
  } else {
    file = askSaveFileName(&window_, QStringLiteral("PDF 파일로 저장"), suggested, QStringLiteral("PDF (*.pdf)"));
  }
  if (file.isEmpty()) return false;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
  layer->setOutputFileName(QFileInfo(file).absoluteFilePath());
  pdfFile_ = QFileInfo(file).absoluteFilePath();
  return true;
}

// With several system printers the user picks one; with one the default
// prints, and the built-in PDF printer (no system printer) asks for its file.
bool PrintAction::askPrinter() {
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  if (layer == nullptr || layer->isPdfPrinter()) return true;
  const SystemPrinters printers = systemPrinters();
  if (printers.names.size() < 2) return true;
  const QString current = layer->printerName();
  const QString chosen = hooks_.askPrinter ? hooks_.askPrinter(&window_, printers.names, current)
                                           : askForPrinter(&window_, printers.names, current);
  if (chosen.isEmpty()) return false;
  if (chosen == current || layer->selectPrinter(chosen)) return true;
  // The printer went away after the list was made: the print job's own
  // message, nothing printed, the printer in use kept.
  warnPrinterUnusable(services_.box());
  return false;
}

QString PrintAction::run(const PrintJob& job, const TReportLayout& layout, const PrintJobProc& print) {
  pdfFile_.clear();
  if (!askPrinter() || !askPdfFile(layout)) return {};
  // A PDF file is written into a part file beside it and replaces the old
  // file only once every page is in it, as the export writes its file.
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  std::unique_ptr<OutputFile> output;
  if (!pdfFile_.isEmpty() && layer != nullptr) {
    // The dialog speaks text; the folder and the proposed name may be bytes that are no UTF-8.
    const std::string target = fileSystemPath(pdfFile_.toStdString(), reportSibling(layout, ".pdf"));
    const std::string reportPath = layout.ReportDir + "/" + layout.ReportBase + ".DBF";
    if (const std::string replaced = ReportFileReplacedBy(reportPath, target); !replaced.empty()) {
      services_.box().warning(OutputIsReportText(target, replaced));
      return {};
    }
    RemoveStaleParts({target});
    try {
      output = std::make_unique<OutputFile>(target);
    } catch (const OutputError& e) {
      services_.box().error(e.what());
      return {};
    }
    layer->setOutputFileName(QFile::decodeName(QByteArray::fromStdString(output->pathForLibraries(output->path()))));
  }
  // The job shares the page range and renderer state with the preview, so
  // nothing there may act while it runs (its page boundaries let events through).
  window_.setEnabled(false);
  std::optional<std::string> failure;
  {
    const ScopeExit enableAgain([this] { window_.setEnabled(true); });
    try {
      print(job);
      if (output && layer->pageCount() > 0) {
        // A full disk cuts a PDF short without its writer noticing.
        std::string problem = layer->writeFailed() ? "a page could not be written" : "";
        if (problem.empty()) CheckPdfFile(output->path(), layer->pageCount(), problem);
        if (!problem.empty()) output->fail(0, problem);
        output->commit();
      }
    } catch (const OutputError& e) {
      failure = e.what();  // worded already, with the system's reason
    } catch (const std::exception& e) {
      failure = errorMessageText(e);
    }
  }
  // The next question proposes the file the user chose, not the part.
  if (output) layer->setOutputFileName(pdfFile_);
  const bool written = output && failure == std::nullopt && layer->pageCount() > 0;
  output.reset();  // a part not committed goes
  // Reported once the window is usable again.
  if (failure) {
    services_.box().error(*failure);
    return {};
  }
  if (!written) return {};
  return QStringLiteral("PDF 파일로 저장했습니다: ") + QDir::toNativeSeparators(pdfFile_);
}

}  // namespace zel
