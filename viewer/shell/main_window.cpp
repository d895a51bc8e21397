#include "main_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <filesystem>

#include "engine_settings.h"
#include "report_table.h"
#include "ascii_text.h"
#include "busy_cursor.h"
#include "compare_window.h"
#include "description_cache.h"
#include "description_panel.h"
#include "error_report.h"
#include "file_dialogs.h"
#include "file_name_text.h"
#include "help.h"
#include "logo_image.h"
#include "margin_dialog.h"
#include "message_service.h"
#include "report_description.h"
#include "report_directory.h"
#include "report_list_view.h"
#include "report_listing.h"
#include "report_runner.h"
#include "run_services.h"
#include "screen_fit.h"
#include "shell_font.h"

namespace zel {
namespace {

constexpr int kClientWidth = 589;
constexpr int kClientHeight = 291;
constexpr int kStatusHeight = 19;
constexpr long kRecordsPerCountStep = 20000;

const char kNoSuchFileText[] = "파일이 없습니다.";
const char kNoSuchDirectoryText[] = "디렉토리가 없습니다.";

}  // namespace

MainWindow::MainWindow(const std::string& programDirectory, RunServices* services, QWidget* parent)
    : QMainWindow(parent), programDirectory_(programDirectory),
      ownServices_(services ? nullptr : std::make_unique<RunServices>()),
      services_(services ? *services : *ownServices_),
      descriptions_(std::make_unique<DescriptionCache>([this](const std::string& directory, const std::string& name) {
        return describeReport(directory, name, backgroundCountFrom_);
      })) {
  previewContext_.settingsDirectory = programDirectory_;
  compareHooks_.preview = &previewContext_;
  countTimer_ = new QTimer(this);
  countTimer_->setInterval(0);
  connect(countTimer_, &QTimer::timeout, this, [this] { countStep(); });
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("ZEL 파일"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(shellFont());

  createMenu();
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
  setCentralWidget(client);
  descriptionPanel = new DescriptionPanel(client);
  descriptionPanel->setGeometry(0, 0, kClientWidth, DescriptionPanel::kHeight);
  reportList = new ReportListView(services_.box(), client);
  reportList->setGeometry(0, DescriptionPanel::kHeight, kClientWidth,
                          kClientHeight - kStatusHeight - DescriptionPanel::kHeight);
  createStatusBar();
  setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
  setTabOrder(reportList, descriptionPanel->marginButton);

  connect(descriptionPanel->logo, &LogoImage::clicked, this,
          [this] { guarded(services_.box(), [this] { openMakerSite(); }); });
  connect(descriptionPanel->marginButton, &QPushButton::clicked, this,
          [this] { guarded(services_.box(), [this] { changeMargins(); }); });
  connect(reportList, &ReportListView::runRequested, this,
          [this] { guarded(services_.box(), [this] { runSelectedReport(); }); });
  connect(reportList, &ReportListView::selectionSettled, this, [this] {
    guarded(services_.box(), [this] {
      currentReportFile_ = selectedFileName();
      describe(currentReportFile_);
    });
  });

  services_.status = this;
}

MainWindow::~MainWindow() {
  stopCounting();
  if (services_.status == this) services_.status = nullptr;
}

void MainWindow::createMenu() {
  // Mnemonics after the Korean captions, as Korean programs write them.
  fileMenu = menuBar()->addMenu(QStringLiteral("파일(&F)"));
  runAction = fileMenu->addAction(QStringLiteral("보고서 실행(&R)"));
  compareAction = fileMenu->addAction(QStringLiteral("비교(&C)…"));
  refreshAction = fileMenu->addAction(QStringLiteral("파일목록 새로고침(&L)"));
  marginsAction = fileMenu->addAction(QStringLiteral("여백변경(&M)"));
  fileMenu->addSeparator();
  directoryAction = fileMenu->addAction(QStringLiteral("디렉토리 설정(&D)"));
  fileMenu->addSeparator();
  quitAction = fileMenu->addAction(QStringLiteral("종료(&X)"));
  helpAction = menuBar()->addAction(QStringLiteral("도움말(&H)"));
  // F10 opens the menu, as in every desktop program.
  auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menuKey, &QShortcut::activated, this, [this] {
    menuBar()->setFocus(Qt::ShortcutFocusReason);
    menuBar()->setActiveAction(fileMenu->menuAction());
  });

  const std::pair<QAction*, void (MainWindow::*)()> commands[] = {
      {runAction, &MainWindow::runSelectedReport},     {compareAction, &MainWindow::compareSelected},
      {refreshAction, &MainWindow::refreshList},       {marginsAction, &MainWindow::changeMargins},
      {directoryAction, &MainWindow::chooseDirectory}, {helpAction, &MainWindow::openHelp}};
  for (const auto& [action, command] : commands)
    connect(action, &QAction::triggered, this,
            [this, command] { guarded(services_.box(), [this, command] { (this->*command)(); }); });
  connect(quitAction, &QAction::triggered, this, &QMainWindow::close);
}

void MainWindow::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  statusLabel = new QLabel(bar);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  bar->addWidget(statusLabel, 1);
  // Lies over the right part of the status bar, outside its layout.
  layoutProgress = new QProgressBar(bar);
  layoutProgress->setObjectName(QStringLiteral("layoutProgress"));
  layoutProgress->setRange(0, 100);
  layoutProgress->setTextVisible(false);
  layoutProgress->setGeometry(293, 2, 297, 17);
  layoutProgress->hide();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  fitToScreen();
  guarded(services_.box(), [this] { start(); });
  // The list takes the keys at once, its current row selected (also after an
  // error box at start, which gives the focus back to this window).
  reportList->setFocus(Qt::ActiveWindowFocusReason);
  // After the window is up, so the preview opens over it.
  if (!startPath_.empty())
    QTimer::singleShot(0, this, [this] { guarded(services_.box(), [this] { openStartPath(); }); });
}

void MainWindow::fitToScreen() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize designed = size();
  const bool fits =
      designed.width() + kAssumedFrameWidth <= area.width() && designed.height() + kAssumedFrameHeight <= area.height();
  if (!fits && qobject_cast<QScrollArea*>(centralWidget()) == nullptr) {
    // A small screen or a large scale factor: the window takes what the screen
    // has and its client scrolls, so the menu and the panel's corner stay in view.
    auto* scroller = new QScrollArea;
    scroller->setObjectName(QStringLiteral("clientScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    // Tab goes from the list to the margin button, which the scroller brings into view.
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(takeCentralWidget());
    setCentralWidget(scroller);
    setMinimumSize(200, 150);
    setMaximumSize(designed);
    resize(designed);
  }
  move(area.center() - rect().center());
  keepOnScreen(*this);
}

void MainWindow::openStartPath() {
  const std::filesystem::path path = std::filesystem::absolute(startPath_);
  startPath_.clear();
  std::error_code ec;
  // Names are matched without regard to case, as everywhere in the viewer.
  if (!std::filesystem::exists(path, ec) &&
      !std::filesystem::exists(ResolvePath(path.parent_path().string(), path.filename().string()), ec)) {
    // Not "no reports here": the name itself is wrong. The remembered directory stays listed.
    const bool inAnExistingDirectory = std::filesystem::is_directory(path.parent_path(), ec);
    services_.box().warning(path.string() + "\r" + (inAnExistingDirectory ? kNoSuchFileText : kNoSuchDirectoryText));
    return;
  }
  const bool isDirectory = std::filesystem::is_directory(path, ec);
  reportDirectory_ = (isDirectory ? path : path.parent_path()).string();
  listReports();
  if (isDirectory) return;
  const std::string name = path.filename().string();
  for (int r = 0; r < reportList->rowCount(); ++r) {
    if (asciiUpper(reportList->fileNameAt(r)) == asciiUpper(name)) {
      reportList->setCurrentCell(r, 0);
      describe(name);
      break;
    }
  }
  currentReportFile_ = name;
  // Also a report the list leaves out: the runner says what is wrong with it.
  run(name);
}

void MainWindow::start() {
  if (!engineSettings_) engineSettings_ = std::make_unique<EngineSettings>();
  engineSettings_->SetDeleted(true);
  engineSettings_->SetExact(true);
  engineSettings_->SetCentury(true);
  reportDirectory_ = restoreReportDirectory(programDirectory_);
  listReports();
  currentReportFile_ = selectedFileName();
}

void MainWindow::listReports() {
  std::vector<ReportFileRow> rows;
  {
    const BusyCursor busy;  // a directory on a slow share may take seconds
    rows = listReportFiles(reportDirectory_);
  }
  reportList->showRows(rows, countReportFiles(reportDirectory_) == 0);
  errorShownFor_.clear();
  setWindowTitle(QString::fromStdString(listingCaption(readablePath(reportDirectory_), static_cast<int>(rows.size()))));
  statusLabel->setText(QString::fromStdString(listingStatusText(static_cast<int>(rows.size()))));
  describe(firstFileName());
}

void MainWindow::describe(const std::string& fileName) {
  stopCounting();
  descriptionPanel->clear();
  // Every key release re-reads the panel: an error of the same file is told
  // once per selection, or closing its box with Enter would bring it back.
  const std::string key = reportDirectory_ + '\n' + fileName;
  if (key != errorShownFor_) errorShownFor_.clear();
  ReportDescription d;
  try {
    const BusyCursor busy;
    // Kept per file state: moving back to a report does not read it again.
    d = descriptions_->describe(reportDirectory_, fileName);
  } catch (const std::exception& e) {
    d = ReportDescription{};
    d.kind = ReportKind::kBroken;
    d.title = kBrokenReportFileText;
    if (errorShownFor_.empty()) {
      errorShownFor_ = key;
      reportError(services_.box(), e);
    }
  }
  descriptionPanel->show(d);
  if (d.pagesPending) {
    try {
      counter_ = std::make_unique<PageCounter>(reportDirectory_, fileName);
      counting_ = fileName;
      countTimer_->start();
    } catch (const std::exception&) {
      descriptionPanel->setPages("");
    }
  }
  marginsAction->setEnabled(DescriptionPanel::marginsUsable(d));
  // The reason goes to the log once per selection too.
  if (!d.problem.empty() && errorShownFor_.empty()) {
    errorShownFor_ = key;
    services_.box().log(d.problem);
  }
}

void MainWindow::countStep() {
  if (!counter_) {
    countTimer_->stop();
    return;
  }
  try {
    if (!counter_->step(kRecordsPerCountStep)) return;
    const std::string pages = counter_->pages();
    descriptionPanel->setPages(pages);
    descriptions_->completePages(reportDirectory_, counting_, pages);
  } catch (const std::exception& e) {
    // The panel stays without a count; the reason goes to the log.
    descriptionPanel->setPages("");
    services_.box().log(e.what());
  }
  stopCounting();
}

void MainWindow::stopCounting() {
  if (countTimer_ != nullptr) countTimer_->stop();
  counter_.reset();
  counting_.clear();
}

std::string MainWindow::selectedFileName() const { return reportList->selectedFileName(); }
std::string MainWindow::firstFileName() const { return reportList->firstFileName(); }
QString MainWindow::statusText() const { return statusLabel->text(); }

void MainWindow::refreshList() { listReports(); }

void MainWindow::chooseDirectory() {
  const QString chosen = directoryChooser_ ? directoryChooser_(this) : askExistingDirectory(this, QString(), QString());
  if (!chosen.isEmpty()) {
    // The chooser names folders as text; the folder's bytes may be no UTF-8.
    reportDirectory_ = trimChosenDirectory(fileSystemPath(chosen.toStdString()));
    saveReportDirectory(programDirectory_, reportDirectory_);
  }
  listReports();
}

void MainWindow::run(const std::string& name) {
  // The run wants the report to itself.
  stopCounting();
  RunReport(services_, reportDirectory_, name);
}

void MainWindow::runSelectedReport() {
  std::string name = selectedFileName();
  if (isBlank(name)) name = firstFileName();
  run(name);
}

void MainWindow::compareSelected() {
  std::vector<std::string> selected = reportList->selectedNames();
  if (selected.empty() && !selectedFileName().empty()) selected.push_back(selectedFileName());
  compareReports(
      this, services_, reportDirectory_, selected, reportList->listedNames(),
      [this](QDialog& dialog) { runModal(dialog); }, compareHooks_);
}

void MainWindow::changeMargins() {
  if (isBlank(selectedFileName()) || !descriptionPanel->marginButton->isEnabled()) return;
  currentReportFile_ = selectedFileName();
  stopCounting();
  {
    MarginDialog dialog(services_.box(), reportDirectory_, currentReportFile_, this);
    runModal(dialog);
  }
  descriptions_->forget(reportDirectory_, currentReportFile_);
  describe(selectedFileName());
  currentReportFile_ = selectedFileName();
}

void MainWindow::openHelp() {
  HelpWindow help(this);
  runModal(help);
}

void MainWindow::openMakerSite() {
  const QUrl site(QString::fromLatin1(kMakerWebSite));
  if (urlOpener_) {
    urlOpener_(site);
  } else {
    QDesktopServices::openUrl(site);
  }
}

void MainWindow::runModal(QDialog& dialog) {
  if (modalRunner_) {
    modalRunner_(dialog);
  } else {
    dialog.exec();
  }
}

void MainWindow::ShowStatusProgress(int maximum) {
  layoutProgress->setMaximum(maximum);
  layoutProgress->show();
}

void MainWindow::SetStatusProgress(int position) { layoutProgress->setValue(position); }

void MainWindow::HideStatusProgress() { layoutProgress->hide(); }

}  // namespace zel
