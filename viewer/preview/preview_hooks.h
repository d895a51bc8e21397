// PreviewHooks: the seams of the preview window for tests and headless use,
// handed to each window by whoever makes it (an empty hook: the real dialog).
// PreviewContext: what outlives one preview window — where the zoom is kept,
// the export choice offered again, the hooks. The maker of the windows owns
// it; every window of the program shares it. User-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "export_options_dialog.h"

class QWidget;

namespace zel {

class FindDialog;
class PreviewWindow;

struct PreviewHooks {
  // Replaces exec() for the preview: called with the window shown, which closes afterwards.
  std::function<void(PreviewWindow&)> runPreview;
  // Replaces exec() for the find dialog.
  std::function<void(FindDialog&)> runFind;
  // Replaces the save dialog of the built-in PDF printer: gets the proposed
  // file (the report's folder and name); an empty answer cancels the job.
  std::function<QString(QWidget* parent, const QString& suggested)> askPdfFile;
  // Replaces the export's save dialog: the file name and the chosen filter
  // (ExportAction::kExcelFilter or kCsvFilter); an empty name cancels.
  std::function<QString(QWidget* parent, const QString& suggested, QString* filter)> askExportFile;
  // Replaces the export's question (whole report or print range, code
  // columns): the report's pages, the toolbar's range and the last choice;
  // false cancels.
  std::function<bool(QWidget* parent, int first, int last, int from, int to, ExportChoice* choice)> askExportOptions;
  // Replaces the printer chooser (names, the printer in use; empty cancels).
  std::function<QString(QWidget* parent, const QStringList& names, const QString& current)> askPrinter;
};

struct PreviewContext {
  std::string settingsDirectory;  // where Info.INI lives; empty: the zoom is neither read nor kept
  ExportChoice lastExportChoice;  // offered again at the next export
  PreviewHooks hooks;
};

}  // namespace zel
