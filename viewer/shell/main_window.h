// MainWindow: the viewer's main window. It wires the menu, the description
// panel (DescriptionPanel), the report list (ReportListView) and the status
// bar, keeps the report directory (remembered in Info.INI beside the program)
// and the report the user works on, and hands the chosen report to the
// runner with the run's services. It also is the engine's status-bar progress
// indicator while pages are laid out for the preview.
//
// The services (printer, preview factory, progress dialog) belong to the
// program's main, or to the window when none are given; they outlive every
// run. Every handler reports failures through the standard error report. The
// directory chooser and the modal showing of child windows are replaceable
// for tests. User-interface thread only.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "compare_window.h"
#include "preview_hooks.h"
#include "status_progress.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;

namespace zel {

class DescriptionCache;
class DescriptionPanel;
class PageCounter;
class ReportListView;
class TApolloEnv;
struct RunServices;

class MainWindow : public QMainWindow, public StatusProgress {
  Q_OBJECT

 public:
  // programDirectory: where Info.INI lives (the program's own directory).
  // services: nullptr gives the window services of its own (no printer, no preview).
  explicit MainWindow(const std::string& programDirectory, RunServices* services = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  RunServices& services() { return services_; }
  // Shared by every preview window this window's runs open.
  PreviewContext& previewContext() { return previewContext_; }
  // The comparison's seams (its previews share previewContext()).
  CompareHooks& compareHooks() { return compareHooks_; }

  // Lists the remembered report directory (done once the window first shows).
  void start();
  // Lists the report directory again and describes its first report.
  void listReports();
  // Shows the description of a report of the directory in the panel.
  void describe(const std::string& fileName);
  // A report (or a directory) named on the command line: once the window shows,
  // its directory is listed, the report selected and run. Not stored in Info.INI.
  void setStartPath(const std::string& path) { startPath_ = path; }
  void openStartPath();

  // The menu's and the panel's commands.
  void refreshList();
  void chooseDirectory();
  void runSelectedReport();
  // 비교: the two selected reports, or the selected one and one chosen (compare_window.h).
  void compareSelected();
  void changeMargins();
  void openHelp();
  void openMakerSite();

  // StatusProgress
  void ShowStatusProgress(int maximum) override;
  void SetStatusProgress(int position) override;
  void HideStatusProgress() override;

  const std::string& reportDirectory() const { return reportDirectory_; }
  // The report the margin dialog and the run work on (no directory).
  const std::string& currentReportFile() const { return currentReportFile_; }
  // Column 0 of the selected row ("" without one).
  std::string selectedFileName() const;
  // Column 0 of the first list row.
  std::string firstFileName() const;
  QString statusText() const;

  // Seams: the directory chooser (empty answer = cancelled) and the modal
  // showing of the help window, the margin dialog and the comparison.
  using DirectoryChooser = std::function<QString(QWidget* parent)>;
  using ModalRunner = std::function<void(QDialog& dialog)>;
  void setDirectoryChooser(DirectoryChooser chooser) { directoryChooser_ = std::move(chooser); }
  void setModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
  // Reports of more records than this are counted a step at a time while the
  // window waits for input, the panel showing the count when it is known.
  void setBackgroundCountFrom(long records) { backgroundCountFrom_ = records; }

  QMenu* fileMenu = nullptr;
  QAction* runAction = nullptr;
  QAction* compareAction = nullptr;
  QAction* refreshAction = nullptr;
  QAction* marginsAction = nullptr;  // the margin button's command, by keyboard
  QAction* directoryAction = nullptr;
  QAction* quitAction = nullptr;
  QAction* helpAction = nullptr;

  DescriptionPanel* descriptionPanel = nullptr;
  ReportListView* reportList = nullptr;
  QLabel* statusLabel = nullptr;
  QProgressBar* layoutProgress = nullptr;  // the pages laid out before a preview opens

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void createMenu();
  void createStatusBar();
  // Keeps the window on the screen; one too large for it scrolls its client.
  void fitToScreen();
  // The background page count: one step per turn of the event loop.
  void countStep();
  void stopCounting();
  void runModal(QDialog& dialog);
  void run(const std::string& name);

  std::string programDirectory_;
  std::string reportDirectory_;  // whose report files are listed
  std::string currentReportFile_;
  std::unique_ptr<RunServices> ownServices_;  // when the maker gave none
  RunServices& services_;
  PreviewContext previewContext_;
  CompareHooks compareHooks_;
  std::unique_ptr<TApolloEnv> apolloEnv_;
  DirectoryChooser directoryChooser_;
  ModalRunner modalRunner_;
  long backgroundCountFrom_ = 50000;  // up to this many records the panel counts at once (about 15 ms)
  std::unique_ptr<DescriptionCache> descriptions_;  // the panel's answers per file state
  std::unique_ptr<PageCounter> counter_;  // holds its report open: stopped before anything else opens one
  QTimer* countTimer_ = nullptr;
  std::string counting_;  // the file counter_ counts
  bool shown_ = false;
  std::string startPath_;
  // Directory and file whose read error was last shown (empty: none).
  std::string errorShownFor_;
};

}  // namespace zel
