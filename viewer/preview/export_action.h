// ExportAction: the preview's 엑셀저장 — asks whether to export the whole
// report or the print range (and the code columns), asks for the file (XLSX
// or CSV), and writes the lines of the table the preview draws from with the
// window disabled. The window, the services and the context must outlive it.
// User-interface thread only.
#pragma once

#include <QString>
#include <optional>

#include "export_options_dialog.h"

class QWidget;

namespace zel {

struct PreviewContext;
struct RunServices;
struct TReportLayout;
class TZelTable;

class ExportAction {
 public:
  static const QString kExcelFilter;
  static const QString kCsvFilter;

  ExportAction(QWidget& window, const RunServices& services, PreviewContext& context);

  // The question before the file: first..last are the report's pages,
  // from..to the toolbar's range. nullopt: cancelled. The answer is offered
  // again at the next export.
  std::optional<ExportChoice> askOptions(int first, int last, int from, int to);
  // Asks for the file and writes pages from..to of the report. Returns the
  // status line for a written file, else an empty text.
  QString write(const TReportLayout& layout, TZelTable& table, const ExportChoice& choice, int from, int to);

 private:
  QWidget& window_;
  const RunServices& services_;
  PreviewContext& context_;
};

}  // namespace zel
