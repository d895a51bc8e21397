// ZelRpt: the report viewer. Creates the main window and runs until it closes.
// "--list-and-exit" fills the list as the window would at start, prints its
// rows (name, title, size, date; tab-separated, UTF-8) and exits.
#include <QApplication>
#include <QTableWidget>
#include <cstdio>
#include <cstring>
#include <memory>

#include "error_report.h"
#include "font_mapper.h"
#include "help.h"
#include "page_heap.h"
#include "run_services.h"
#include "printer_layer.h"
#include "qt_message_service.h"
#include "qt_translation.h"
#include "progress_dialog.h"
#include "report_directory.h"
#include "print_progress_dialog.h"
#include "shell_preview.h"
#include "stderr_message_service.h"
#include "main_window.h"
#include "report_list_view.h"

namespace {

int printListing(zel::MainWindow& window) {
  if (!zel::guarded(window.services().box(), [&] { window.start(); })) return 1;
  QTableWidget* grid = window.reportList;
  for (int r = 0; r < grid->rowCount(); ++r) {
    QTableWidgetItem* name = grid->item(r, 0);
    if (name == nullptr || name->text().isEmpty()) continue;
    QStringList cells;
    for (int c = 0; c < 4; ++c) cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
    std::printf("%s\n", cells.join(QLatin1Char('\t')).toUtf8().constData());
  }
  return 0;
}

const char kUsage[] =
    "usage: ZelRpt [FILE.dbf | DIR]\n"
    "\n"
    "The report viewer. With a report file it opens on the file's directory with the\n"
    "report selected and its preview open; with a directory it lists that directory's\n"
    "reports; with neither it lists the directory it used last.\n"
    "\n"
    "  --help, -h         this text\n"
    "  --version          the program's version\n"
    "  --list-and-exit    print the report list as the window shows it, then end\n"
    "\n"
    "zelrpt-cli does the same work without windows (zelrpt-cli --help).\n";

}  // namespace

int main(int argc, char** argv) {
  zel::KeepPageBuffersInTheHeap();
  bool listAndExit = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("ZelRpt %s\n", ZEL_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--list-and-exit") == 0) listAndExit = true;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ZelRpt"));
  zel::installQtTranslations(app);
  // Qt has taken its own options (-platform ...) out of argv by now. The
  // path's bytes as given: its text form loses names that are no UTF-8.
  std::string startPath;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-') {
      startPath = argv[i];
      break;
    }
  }

  zel::QtMessageService boxes;
  // Messages of a headless run go to standard error; questions get No.
  zel::StderrMessageService console(stderr, zel::MessageAnswer::kNo);

  std::string programDirectory = zel::programDirectoryOf(QApplication::applicationFilePath().toStdString());
  zel::RunServices services;
  services.messages = listAndExit ? static_cast<zel::MessageService*>(&console) : &boxes;
  zel::MainWindow window(programDirectory, &services);
  if (listAndExit) return printListing(window);

  // Report texts must never fall back to boxes: say so at once if the Korean fonts are missing.
  const QStringList missingFonts = zel::fontMapper().verify();
  if (!missingFonts.isEmpty()) {
    boxes.warning("Korean fonts are missing (install fonts-nanum): " +
                  missingFonts.join(QStringLiteral(", ")).toStdString());
  }

  std::unique_ptr<zel::Printer> printer = zel::makePrinter();
  services.printer = printer.get();
  zel::QtProgressDialog printProgress(boxes);
  services.progress = &printProgress;
  zel::installShellPreview(window);
  // The start-up help window stays hidden; the help menu opens a fresh one each time.
  zel::HelpWindow startupHelp(&window);
  window.setStartPath(startPath);
  window.show();
  int rc = app.exec();
  services.printer = nullptr;
  services.progress = nullptr;
  return rc;
}
