#include "zel_rpt_main.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <algorithm>
#include <exception>

#include "apollo.h"
#include "ascii_text.h"
#include "busy_cursor.h"
#include "change_space.h"
#include "description_cache.h"
#include "error_report.h"
#include "file_dialogs.h"
#include "file_name_text.h"
#include "compare_window.h"
#include "help.h"
#include "logo_image.h"
#include "message_service.h"
#include "run_services.h"
#include "report_description.h"
#include "report_directory.h"
#include "report_listing.h"
#include "report_runner.h"
#include "screen_fit.h"
#include "shell_font.h"
#include "shell_globals.h"
#include "size_cell_delegate.h"
#include "table.h"

namespace zel {

namespace {

constexpr int kClientWidth = 589;
constexpr int kClientHeight = 291;
constexpr int kPanelHeight = 108;
constexpr int kStatusHeight = 19;
constexpr int kEnterKey = 13;

const char kNoSuchFileText[] = "파일이 없습니다.";
const char kNoSuchDirectoryText[] = "디렉토리가 없습니다.";

const char* const kHeaders[] = {" 파 일 명", " 설    명", " 파일크기", " 생성일자"};
constexpr int kColumnWidths[] = {105, 184, 103, 165};

// A list cell that sorts by its key (size in bytes, write time) when it has
// one, else by its text as the user's language orders it.
constexpr int kSortKeyRole = Qt::UserRole + 1;
// The name column's file name as the file system holds it: the text shown
// may be a reading of bytes that are no UTF-8.
constexpr int kFileNameRole = Qt::UserRole + 2;

std::string fileNameOf(const QTableWidgetItem* item) {
  return item ? item->data(kFileNameRole).toByteArray().toStdString() : std::string();
}

QString shownText(const std::string& bytes) { return QString::fromStdString(readableFileName(bytes)); }
class ListCell : public QTableWidgetItem {
 public:
  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant mine = data(kSortKeyRole), theirs = other.data(kSortKeyRole);
    if (mine.isValid() && theirs.isValid()) return mine.toLongLong() < theirs.toLongLong();
    return QString::localeAwareCompare(text(), other.text()) < 0;
  }
};

TfrmZelRptMain::DirectoryChooser& directoryChooser() {
  static TfrmZelRptMain::DirectoryChooser chooser;
  return chooser;
}

// Up to this many records the panel counts pages at once (about 15 ms).
long& backgroundCountFrom() {
  static long records = 50000;
  return records;
}
constexpr long kRecordsPerCountStep = 20000;

TfrmZelRptMain::ModalRunner& modalRunner() {
  static TfrmZelRptMain::ModalRunner runner;
  return runner;
}

}  // namespace

void TfrmZelRptMain::setDirectoryChooser(DirectoryChooser chooser) { directoryChooser() = std::move(chooser); }
void TfrmZelRptMain::setModalRunner(ModalRunner runner) { modalRunner() = std::move(runner); }
void TfrmZelRptMain::setBackgroundCountFrom(long records) { backgroundCountFrom() = records; }

TfrmZelRptMain::TfrmZelRptMain(const std::string& programDirectory, QWidget* parent)
    : QMainWindow(parent), programDirectory_(programDirectory),
      descriptions_(std::make_unique<DescriptionCache>([](const std::string& directory, const std::string& name) {
        return zel::GetFileInfo(directory, name, backgroundCountFrom());
      })) {
  countTimer_ = new QTimer(this);
  countTimer_->setInterval(0);
  connect(countTimer_, &QTimer::timeout, this, [this] { countStep(); });
  setObjectName(QStringLiteral("frmZelRptMain"));
  setWindowTitle(QStringLiteral("ZEL 파일"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(shellFont());

  createMenu();
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
  setCentralWidget(client);
  createPanel();
  createGrid();
  createStatusBar();
  setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
  setTabOrder(stgRptFile, btnChangeSpace);

  installedServices().status = this;
}

TfrmZelRptMain::~TfrmZelRptMain() {
  stopCounting();
  if (installedServices().status == this) installedServices().status = nullptr;
}

void TfrmZelRptMain::createMenu() {
  // Mnemonics after the Korean captions, as Korean programs write them.
  N1 = menuBar()->addMenu(QStringLiteral("파일(&F)"));
  mnuRunRpt = N1->addAction(QStringLiteral("보고서 실행(&R)"));
  mnuCompare = N1->addAction(QStringLiteral("비교(&C)…"));
  mnuRefreshList = N1->addAction(QStringLiteral("파일목록 새로고침(&L)"));
  mnuChangeSpace = N1->addAction(QStringLiteral("여백변경(&M)"));
  N2 = N1->addSeparator();
  mnuSetDirectory = N1->addAction(QStringLiteral("디렉토리 설정(&D)"));
  N4 = N1->addSeparator();
  mnuClose = N1->addAction(QStringLiteral("종료(&X)"));
  N3 = menuBar()->addAction(QStringLiteral("도움말(&H)"));
  // F10 opens the menu, as in every desktop program.
  auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menuKey, &QShortcut::activated, this, [this] {
    menuBar()->setFocus(Qt::ShortcutFocusReason);
    menuBar()->setActiveAction(N1->menuAction());
  });

  connect(mnuRunRpt, &QAction::triggered, this, [this] { guarded([this] { mnuRunRptClick(); }); });
  connect(mnuCompare, &QAction::triggered, this, [this] { guarded([this] { mnuCompareClick(); }); });
  connect(mnuRefreshList, &QAction::triggered, this, [this] { guarded([this] { mnuRefreshListClick(); }); });
  connect(mnuChangeSpace, &QAction::triggered, this, [this] { guarded([this] { btnChangeSpaceClick(); }); });
  connect(mnuSetDirectory, &QAction::triggered, this, [this] { guarded([this] { mnuSetDirectoryClick(); }); });
  connect(mnuClose, &QAction::triggered, this, [this] { guarded([this] { mnuCloseClick(); }); });
  connect(N3, &QAction::triggered, this, [this] { guarded([this] { N3Click(); }); });
}

QLabel* TfrmZelRptMain::panelLabel(const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, Panel1);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

void TfrmZelRptMain::createPanel() {
  Panel1 = new QFrame(centralWidget());
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(0, 0, kClientWidth, kPanelHeight);

  Bevel1 = new QFrame(Panel1);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Bevel1->setGeometry(3, 3, 82, 52);
  Image1 = new LogoImage(Panel1);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->move(4, 4);
  connect(Image1, &LogoImage::clicked, this, [this] { guarded([this] { Image1Click(); }); });

  Label1 = panelLabel("Label1", QStringLiteral("보고서명:"), 96, 8);
  lblName = panelLabel("lblName", QString(), 152, 8);
  Label5 = panelLabel("Label5", QStringLiteral("Sort옵션:"), 96, 24);
  lblSort = panelLabel("lblSort", QString(), 152, 24);
  Label6 = panelLabel("Label6", QStringLiteral("인쇄범위:"), 96, 40);
  lblPrintScope = panelLabel("lblPrintScope", QString(), 152, 40);
  Label2 = panelLabel("Label2", QStringLiteral("인쇄방향:"), 96, 56);
  lblOrient = panelLabel("lblOrient", QString(), 152, 56);
  Label3 = panelLabel("Label3", QStringLiteral("Page수:"), 108, 72);
  lblPage = panelLabel("lblPage", QString(), 152, 72);
  Label7 = panelLabel("Label7", QStringLiteral("고정소숫점:"), 84, 88);
  lblFix = panelLabel("lblFix", QString(), 152, 88);
  Label4 = panelLabel("Label4", QStringLiteral("인쇄옵션:"), 319, 8);
  lblOption1 = panelLabel("lblOption1", QString(), 375, 8);
  lblOption2 = panelLabel("lblOption2", QString(), 375, 24);
  lblOption3 = panelLabel("lblOption3", QString(), 375, 40);
  lblOption4 = panelLabel("lblOption4", QString(), 375, 56);
  Label8 = panelLabel("Label8", QStringLiteral("비고옵션:"), 319, 72);
  lblBigo = panelLabel("lblBigo", QString(), 375, 72);
  Label9 = panelLabel("Label9", QStringLiteral("여    백:"), 319, 88);
  lblSpace = panelLabel("lblSpace", QString(), 375, 88);

  btnChangeSpace = new QPushButton(QStringLiteral("여백변경"), Panel1);
  btnChangeSpace->setObjectName(QStringLiteral("btnChangeSpace"));
  btnChangeSpace->setGeometry(511, 87, 76, 18);
  // Reached by Tab from the list; Enter presses it as Space does.
  btnChangeSpace->setFocusPolicy(Qt::StrongFocus);
  btnChangeSpace->setAutoDefault(true);
  connect(btnChangeSpace, &QPushButton::clicked, this, [this] { guarded([this] { btnChangeSpaceClick(); }); });
}

void TfrmZelRptMain::createGrid() {
  stgRptFile = new QTableWidget(1, 4, centralWidget());
  stgRptFile->setObjectName(QStringLiteral("stgRptFile"));
  stgRptFile->setGeometry(0, kPanelHeight, kClientWidth, kClientHeight - kStatusHeight - kPanelHeight);
  for (int c = 0; c < 4; ++c) {
    stgRptFile->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kHeaders[c])));
    stgRptFile->setColumnWidth(c, kColumnWidths[c]);
  }
  stgRptFile->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  stgRptFile->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  stgRptFile->horizontalHeader()->setHighlightSections(false);
  // A click on a header sorts by that column, again the other way.
  stgRptFile->horizontalHeader()->setSectionsClickable(true);
  connect(stgRptFile->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { guarded([this, column] { sortList(column); }); });
  stgRptFile->horizontalHeader()->setFixedHeight(20);
  stgRptFile->verticalHeader()->hide();
  stgRptFile->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  stgRptFile->verticalHeader()->setDefaultSectionSize(20);
  stgRptFile->setShowGrid(true);
  stgRptFile->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Two reports can be selected together for a comparison.
  stgRptFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
  stgRptFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
  stgRptFile->setWordWrap(false);
  stgRptFile->setTextElideMode(Qt::ElideNone);  // long names are clipped, not shortened
  stgRptFile->setItemDelegateForColumn(2, new SizeCellDelegate(stgRptFile));
  // Tab leaves the list instead of walking its cells (which would select another report).
  stgRptFile->setTabKeyNavigation(false);
  stgRptFile->installEventFilter(this);
  stgRptFile->viewport()->installEventFilter(this);
  connect(stgRptFile, &QTableWidget::cellDoubleClicked, this, [this] { guarded([this] { stgRptFileDblClick(); }); });
}

void TfrmZelRptMain::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  StatusBar1Panel = new QLabel(bar);
  StatusBar1Panel->setObjectName(QStringLiteral("StatusBar1Panel"));
  bar->addWidget(StatusBar1Panel, 1);
  // Lies over the right part of the status bar, outside its layout.
  ProgressBar1 = new QProgressBar(bar);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(293, 2, 297, 17);
  ProgressBar1->hide();
}

void TfrmZelRptMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  fitToScreen();
  guarded([this] { FormShow(); });
  // The list takes the keys at once, its current row selected (also after an
  // error box at start, which gives the focus back to this window).
  stgRptFile->setFocus(Qt::ActiveWindowFocusReason);
  // After the window is up, so the preview opens over it.
  if (!startPath_.empty()) QTimer::singleShot(0, this, [this] { guarded([this] { openStartPath(); }); });
}

void TfrmZelRptMain::fitToScreen() {
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
    scroller->setObjectName(QStringLiteral("ClientScroller"));
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

void TfrmZelRptMain::openStartPath() {
  const std::filesystem::path path = std::filesystem::absolute(startPath_);
  startPath_.clear();
  std::error_code ec;
  // Names are matched without regard to case, as everywhere in the viewer.
  if (!std::filesystem::exists(path, ec) &&
      !std::filesystem::exists(ResolvePath(path.parent_path().string(), path.filename().string()), ec)) {
    // Not "no reports here": the name itself is wrong. The remembered directory stays listed.
    const bool inAnExistingDirectory = std::filesystem::is_directory(path.parent_path(), ec);
    messages().warning(path.string() + "\r" + (inAnExistingDirectory ? kNoSuchFileText : kNoSuchDirectoryText));
    return;
  }
  const bool isDirectory = std::filesystem::is_directory(path, ec);
  ReportDirectory = (isDirectory ? path : path.parent_path()).string();
  DisplayFileList();
  if (isDirectory) return;
  const std::string name = path.filename().string();
  for (int r = 0; r < stgRptFile->rowCount(); ++r) {
    const QTableWidgetItem* item = stgRptFile->item(r, 0);
    if (item && asciiUpper(fileNameOf(item)) == asciiUpper(name)) {
      stgRptFile->setCurrentCell(r, 0);
      GetFileInfo(name);
      break;
    }
  }
  CurrentReportFile = name;
  stopCounting();
  // Also a report the list leaves out: the runner says what is wrong with it.
  RunReport(installedServices(), ReportDirectory, name);
}

void TfrmZelRptMain::FormShow() {
  if (ApolloEnv == nullptr) apolloEnv_ = std::make_unique<TApolloEnv>();
  ApolloEnv->SetDeleted(true);
  ApolloEnv->SetExact(true);
  ApolloEnv->SetCentury(true);
  ProgramDirectory = programDirectory_;
  ReportDirectory = GetDirectory();
  DisplayFileList();
  CurrentReportFile = selectedFileName();
}

std::string TfrmZelRptMain::GetDirectory() { return zel::GetDirectory(ProgramDirectory); }

void TfrmZelRptMain::SetDirectory(const std::string& directory) { zel::SetDirectory(ProgramDirectory, directory); }

int TfrmZelRptMain::DirectoryFileCount() { return zel::DirectoryFileCount(ReportDirectory); }

std::string TfrmZelRptMain::RptDescription(const std::string& code) { return zel::RptDescription(code); }

void TfrmZelRptMain::DisplayFileList() {
  std::vector<ReportFileRow> rows;
  {
    const BusyCursor busy;  // a directory on a slow share may take seconds
    rows = listReportFiles(ReportDirectory);
  }
  // Also when the directory holds other report kinds only: rows of the
  // previous directory must not stay behind under the new caption.
  if (DirectoryFileCount() == 0 || rows.empty()) {
    stgRptFile->clearContents();
    stgRptFile->setRowCount(1);
  }
  for (int c = 0; c < 4; ++c) stgRptFile->horizontalHeaderItem(c)->setText(QString::fromUtf8(kHeaders[c]));

  if (!rows.empty()) stgRptFile->setRowCount(static_cast<int>(rows.size()));
  // The name column is as wide as the longest name, so no name is clipped.
  int nameWidth = kColumnWidths[0];
  const int cellPadding = 2 * stgRptFile->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, stgRptFile) + 8;
  for (const ReportFileRow& row : rows)
    nameWidth = std::max(nameWidth, stgRptFile->fontMetrics().horizontalAdvance(shownText(row.name)) + cellPadding);
  stgRptFile->setColumnWidth(0, nameWidth);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const ReportFileRow& row = rows[r];
    const QString cells[] = {shownText(row.name), QString::fromStdString(row.title),
                             QString::fromStdString(formatFileSize(row.size)),
                             QString::fromStdString(formatFileDate(row.lastWrite))};
    const QVariant keys[] = {QVariant(), QVariant(), QVariant(static_cast<qlonglong>(row.size)),
                             QVariant(static_cast<qlonglong>(row.lastWrite))};
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* item = stgRptFile->item(r, c);
      if (item == nullptr) {
        item = new ListCell;
        stgRptFile->setItem(r, c, item);
      }
      item->setText(cells[c]);
      item->setData(kSortKeyRole, keys[c]);
      item->setData(kFileNameRole, c == 0 ? QVariant(QByteArray::fromStdString(row.name)) : QVariant());
      // Names and titles cut by their column can still be read.
      const bool cut = c < 2 && stgRptFile->fontMetrics().horizontalAdvance(cells[c]) + 6 > stgRptFile->columnWidth(c);
      item->setToolTip(cut ? cells[c] : QString());
    }
  }
  // The order the user chose by a header stays for the new list.
  if (sortColumn_ >= 0 && !rows.empty()) stgRptFile->sortItems(sortColumn_, sortOrder_);
  // The panel describes row 1, so Enter and the margin button must act on it too.
  stgRptFile->setCurrentCell(0, 0);
  errorShownFor_.clear();

  setWindowTitle(QString::fromStdString(listingCaption(readablePath(ReportDirectory), static_cast<int>(rows.size()))));
  StatusBar1Panel->setText(QString::fromStdString(listingStatusText(static_cast<int>(rows.size()))));
  GetFileInfo(firstFileName());
}

void TfrmZelRptMain::setLabel(QLabel* label, const std::string& utf8) {
  label->setText(QString::fromStdString(utf8));
  label->adjustSize();
}

void TfrmZelRptMain::GetFileInfo(const std::string& fileName) {
  stopCounting();
  btnChangeSpace->setEnabled(true);
  for (QLabel* label : {lblName, lblOrient, lblPage, lblFix, lblSort, lblPrintScope, lblOption1, lblOption2, lblOption3,
                        lblOption4, lblBigo, lblSpace})
    setLabel(label, "");
  // Every key release re-reads the panel: an error of the same file is told
  // once per selection, or closing its box with Enter would bring it back.
  const std::string key = ReportDirectory + '\n' + fileName;
  if (key != errorShownFor_) errorShownFor_.clear();
  ReportDescription d;
  try {
    const BusyCursor busy;
    // Kept per file state: moving back to a report does not read it again.
    d = descriptions_->describe(ReportDirectory, fileName);
  } catch (const std::exception& e) {
    d = ReportDescription{};
    d.kind = ReportKind::kBroken;
    d.title = kBrokenReportFileText;
    if (errorShownFor_.empty()) {
      errorShownFor_ = key;
      reportError(e);
    }
  }
  setLabel(lblName, d.title);
  setLabel(lblSort, d.sortOrder);
  setLabel(lblPrintScope, d.printRange);
  setLabel(lblOrient, d.orientation);
  setLabel(lblPage, d.pagesPending ? std::string("…") : d.pages);
  if (d.pagesPending) {
    try {
      counter_ = std::make_unique<PageCounter>(ReportDirectory, fileName);
      counting_ = fileName;
      countTimer_->start();
    } catch (const std::exception&) {
      setLabel(lblPage, "");
    }
  }
  setLabel(lblFix, d.fixedDecimals);
  setLabel(lblOption1, d.options[0]);
  setLabel(lblOption2, d.options[1]);
  setLabel(lblOption3, d.options[2]);
  setLabel(lblOption4, d.options[3]);
  setLabel(lblBigo, d.remarks);
  setLabel(lblSpace, d.margins);
  placeMarginButton();
  // Only a report the panel describes in full may be written to; with nothing
  // selected the margin dialog would have no file to open.
  const bool usable = d.kind == ReportKind::kOk && d.canChangeMargins;
  btnChangeSpace->setEnabled(usable);
  mnuChangeSpace->setEnabled(usable);
  // The reason goes to the log once per selection too.
  if (!d.problem.empty() && errorShownFor_.empty()) {
    errorShownFor_ = key;
    messages().log(d.problem);
  }
}

void TfrmZelRptMain::sortList(int column) {
  sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  sortColumn_ = column;
  if (firstFileName().empty()) return;
  // The selected report stays selected (and described) where it moves to.
  stgRptFile->sortItems(sortColumn_, sortOrder_);
  stgRptFile->horizontalHeader()->setSortIndicatorShown(true);
  stgRptFile->horizontalHeader()->setSortIndicator(sortColumn_, sortOrder_);
  if (stgRptFile->currentRow() >= 0) stgRptFile->scrollToItem(stgRptFile->item(stgRptFile->currentRow(), 0));
}

void TfrmZelRptMain::countStep() {
  if (!counter_) {
    countTimer_->stop();
    return;
  }
  try {
    if (!counter_->step(kRecordsPerCountStep)) return;
    const std::string pages = counter_->pages();
    setLabel(lblPage, pages);
    descriptions_->completePages(ReportDirectory, counting_, pages);
  } catch (const std::exception& e) {
    // The panel stays without a count; the reason goes to the log.
    setLabel(lblPage, "");
    messages().log(e.what());
  }
  stopCounting();
}

void TfrmZelRptMain::stopCounting() {
  if (countTimer_ != nullptr) countTimer_->stop();
  counter_.reset();
  counting_.clear();
}

void TfrmZelRptMain::placeMarginButton() {
  // Designed at 511, 76 wide; a margins text running into it pushes the
  // button right, down to the width its caption needs.
  constexpr int kDesignedLeft = 511, kDesignedWidth = 76, kGap = 4;
  const int panelRight = kDesignedLeft + kDesignedWidth;
  const int fit = btnChangeSpace->fontMetrics().horizontalAdvance(btnChangeSpace->text()) + 8;
  const int textEnd = lblSpace->text().isEmpty() ? 0 : lblSpace->geometry().right() + 1 + kGap;
  const int left = std::min(std::max(kDesignedLeft, textEnd), panelRight - fit);
  btnChangeSpace->setGeometry(left, btnChangeSpace->y(), panelRight - left, btnChangeSpace->height());
}

std::string TfrmZelRptMain::selectedFileName() const {
  int row = stgRptFile->currentRow();
  if (row < 0) return "";
  return fileNameOf(stgRptFile->item(row, 0));
}

std::string TfrmZelRptMain::firstFileName() const {
  return fileNameOf(stgRptFile->rowCount() > 0 ? stgRptFile->item(0, 0) : nullptr);
}

QString TfrmZelRptMain::statusText() const { return StatusBar1Panel->text(); }

void TfrmZelRptMain::mnuRefreshListClick() { DisplayFileList(); }

void TfrmZelRptMain::mnuCloseClick() { close(); }

void TfrmZelRptMain::mnuSetDirectoryClick() {
  QString chosen = directoryChooser() ? directoryChooser()(this) : askExistingDirectory(this, QString(), QString());
  if (!chosen.isEmpty()) {
    // The chooser names folders as text; the folder's bytes may be no UTF-8.
    ReportDirectory = trimChosenDirectory(fileSystemPath(chosen.toStdString()));
    SetDirectory(ReportDirectory);
  }
  DisplayFileList();
}

void TfrmZelRptMain::mnuRunRptClick() {
  // The run wants the report to itself.
  stopCounting();
  std::string name = selectedFileName();
  if (isBlank(name)) name = firstFileName();
  RunReport(installedServices(), ReportDirectory, name);
}

void TfrmZelRptMain::mnuCompareClick() {
  std::vector<std::string> selected, listed;
  for (int row = 0; row < stgRptFile->rowCount(); ++row) {
    const QTableWidgetItem* item = stgRptFile->item(row, 0);
    if (!item) continue;
    listed.push_back(fileNameOf(item));
    if (stgRptFile->selectionModel()->isRowSelected(row, QModelIndex())) selected.push_back(listed.back());
  }
  if (selected.empty() && !selectedFileName().empty()) selected.push_back(selectedFileName());
  compareReports(this, ReportDirectory, selected, listed, [this](QDialog& dialog) { runModal(dialog); });
}

void TfrmZelRptMain::stgRptFileDblClick() { mnuRunRptClick(); }

void TfrmZelRptMain::stgRptFileKeyDown(int key) {
  if (key == kEnterKey) mnuRunRptClick();
}

void TfrmZelRptMain::stgRptFileKeyUp() {
  std::string name = selectedFileName();
  GetFileInfo(name);
  CurrentReportFile = name;
}

void TfrmZelRptMain::stgRptFileMouseUp() { GetFileInfo(selectedFileName()); }

void TfrmZelRptMain::btnChangeSpaceClick() {
  if (isBlank(selectedFileName()) || !btnChangeSpace->isEnabled()) return;
  CurrentReportFile = selectedFileName();
  stopCounting();
  {
    TfrmChangeSpace dialog(this);
    runModal(dialog);
  }
  descriptions_->forget(ReportDirectory, CurrentReportFile);
  GetFileInfo(selectedFileName());
  CurrentReportFile = selectedFileName();
}

void TfrmZelRptMain::N3Click() {
  TfrmHelp help(this);
  runModal(help);
}

void TfrmZelRptMain::Image1Click() { LogoImage::openUrl(QUrl(QString::fromLatin1(kMakerWebSite))); }

void TfrmZelRptMain::runModal(QDialog& dialog) {
  if (modalRunner()) {
    modalRunner()(dialog);
  } else {
    dialog.exec();
  }
}

void TfrmZelRptMain::ShowStatusProgress(int maximum) {
  ProgressBar1->setMaximum(maximum);
  ProgressBar1->show();
}

void TfrmZelRptMain::SetStatusProgress(int position) { ProgressBar1->setValue(position); }

void TfrmZelRptMain::HideStatusProgress() { ProgressBar1->hide(); }

bool TfrmZelRptMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == stgRptFile) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        guarded([this] { stgRptFileKeyDown(kEnterKey); });
        return true;
      }
    } else if (event->type() == QEvent::KeyRelease) {
      // A held arrow key reads no report on the way: the one it stops on is described.
      if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) guarded([this] { stgRptFileKeyUp(); });
    }
  } else if (watched == stgRptFile->viewport() && event->type() == QEvent::MouseButtonRelease) {
    // The grid moved its selection on the press already.
    guarded([this] { stgRptFileMouseUp(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace zel
