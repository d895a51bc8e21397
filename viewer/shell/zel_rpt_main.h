// TfrmZelRptMain: the viewer's main window. It lists the report files of the
// report directory, shows the selected report's settings in the description
// panel, and hands the chosen report to the runner. It also is the engine's
// status-bar progress indicator while pages are laid out for the preview.
//
// The process-wide values (ProgramDirectory, ReportDirectory,
// CurrentReportFile) live in shell_globals.h; this window sets them. Every
// handler reports failures through the standard error report. The directory
// chooser and the modal showing of child windows are replaceable for tests.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "status_progress.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zel {

class DescriptionCache;
class PageCounter;
class LogoImage;
class EngineSettings;

class TfrmZelRptMain : public QMainWindow, public StatusProgress {
  Q_OBJECT

 public:
  // programDirectory: where Info.INI lives (the program's own directory).
  explicit TfrmZelRptMain(const std::string& programDirectory, QWidget* parent = nullptr);
  ~TfrmZelRptMain() override;

  // Published operations.
  std::string GetDirectory();
  void SetDirectory(const std::string& directory);
  int DirectoryFileCount();
  void DisplayFileList();
  std::string RptDescription(const std::string& code);
  void GetFileInfo(const std::string& fileName);
  void FormShow();
  // A report (or a directory) named on the command line: once the window shows,
  // its directory is listed, the report selected and run. Not stored in Info.INI.
  void setStartPath(const std::string& path) { startPath_ = path; }
  void openStartPath();

  // Event handlers.
  void mnuRefreshListClick();
  void mnuCloseClick();
  void mnuSetDirectoryClick();
  void mnuRunRptClick();
  // 비교: the two selected reports, or the selected one and one chosen (compare_window.h).
  void mnuCompareClick();
  void stgRptFileDblClick();
  void stgRptFileKeyDown(int key);
  void stgRptFileKeyUp();
  void stgRptFileMouseUp();
  void btnChangeSpaceClick();
  void N3Click();
  void Image1Click();

  // StatusProgress
  void ShowStatusProgress(int maximum) override;
  void SetStatusProgress(int position) override;
  void HideStatusProgress() override;

  // Column 0 of the selected row ("" without one).
  std::string selectedFileName() const;
  // Column 0 of the first list row.
  std::string firstFileName() const;
  QString statusText() const;

  // Seams: the directory chooser (empty answer = cancelled) and the modal
  // showing of the help window and the margin dialog.
  using DirectoryChooser = std::function<QString(QWidget* parent)>;
  using ModalRunner = std::function<void(QDialog& dialog)>;
  static void setDirectoryChooser(DirectoryChooser chooser);
  static void setModalRunner(ModalRunner runner);
  // Reports of more records than this are counted a step at a time while the
  // window waits for input, the panel showing the count when it is known.
  static void setBackgroundCountFrom(long records);

  // Menu items.
  QMenu* N1 = nullptr;
  QAction* mnuRunRpt = nullptr;
  QAction* mnuCompare = nullptr;
  QAction* mnuRefreshList = nullptr;
  QAction* mnuChangeSpace = nullptr;  // the margin button's command, by keyboard
  QAction* N2 = nullptr;
  QAction* mnuSetDirectory = nullptr;
  QAction* N4 = nullptr;
  QAction* mnuClose = nullptr;
  QAction* N3 = nullptr;

  // Description panel.
  QFrame* Panel1 = nullptr;
  QFrame* Bevel1 = nullptr;
  LogoImage* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lblName = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* lblSort = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* lblPrintScope = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* lblOrient = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lblPage = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* lblFix = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* lblOption1 = nullptr;
  QLabel* lblOption2 = nullptr;
  QLabel* lblOption3 = nullptr;
  QLabel* lblOption4 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* lblBigo = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* lblSpace = nullptr;
  QPushButton* btnChangeSpace = nullptr;

  QTableWidget* stgRptFile = nullptr;
  QLabel* StatusBar1Panel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createMenu();
  void createPanel();
  void createGrid();
  void createStatusBar();
  QLabel* panelLabel(const char* name, const QString& text, int left, int top);
  void setLabel(QLabel* label, const std::string& utf8);
  void placeMarginButton();
  // Keeps the window on the screen; one too large for it scrolls its client.
  void fitToScreen();
  // A header click: sorts the list by that column, the other way on a second click.
  void sortList(int column);
  // The background page count: one step per turn of the event loop.
  void countStep();
  void stopCounting();
  void runModal(QDialog& dialog);

  std::string programDirectory_;
  std::unique_ptr<EngineSettings> engineSettings_;
  std::unique_ptr<DescriptionCache> descriptions_;  // the panel's answers per file state
  std::unique_ptr<PageCounter> counter_;  // holds its report open: stopped before anything else opens one
  QTimer* countTimer_ = nullptr;
  std::string counting_;  // the file counter_ counts
  bool shown_ = false;
  std::string startPath_;
  // Directory and file whose read error was last shown (empty: none).
  std::string errorShownFor_;
  int sortColumn_ = -1;  // none chosen: the directory's order
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace zel
