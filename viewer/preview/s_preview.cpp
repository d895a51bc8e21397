#include "s_preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "zel_table.h"
#include "busy_cursor.h"
#include "cp949.h"
#include "data_error.h"
#include "error_text.h"
#include "export_file.h"
#include "file_dialogs.h"
#include "file_name_text.h"
#include "output_file.h"
#include "output_guard.h"
#include "progress_dialog.h"
#include "font_mapper.h"
#include "message_service.h"
#include "num_edit.h"
#include "painter_canvas.h"
#include "pdf_check.h"
#include "printer.h"
#include "printer_chooser.h"
#include "print_range.h"
#include "report_runner.h"
#include "run_services.h"
#include "printer_layer.h"
#include "page_renderer.h"
#include "report_lines.h"
#include "report_run.h"
#include "s_rpt_value_search.h"
#include "scope_exit.h"
#include "system_printers.h"
#include "toolbar_icons.h"
#include "shell_globals.h"
#include "value_search.h"
#include "zoom_fit.h"
#include "zoom_setting.h"

namespace zel {

int ZoomPercent = 100;
int FirstPage = 0;
int LastPage = 0;
int DragStartX = 0;
int DragStartY = 0;

namespace {

constexpr int kPicturePixelsPerInch = 80;
constexpr int kToolBarHeight = 41;
constexpr int kStatusBarHeight = 24;
constexpr int kZoomMin = 50;
constexpr int kZoomMax = 250;
constexpr int kZoomOutDisabledAt = 70;
constexpr int kZoomStep = 10;
constexpr int kStrip = 10;  // blank strip left and above a scaled page
constexpr int kDragBand = 10;  // pointer travel before drag scrolling starts
constexpr int kDragStep = 20;  // scroll units per move beyond the band

TFM_Preview::PreviewRunner g_previewRunner;
TFM_Preview::FindRunner g_findRunner;
TFM_Preview::PdfFileAsker g_pdfFileAsker;
TFM_Preview::PrinterAsker g_printerAsker;
TFM_Preview::ExportFileAsker g_exportFileAsker;
TFM_Preview::ExportOptionsAsker g_exportOptionsAsker;
ExportChoice g_lastExportChoice;  // offered again at the next export

// Rounds to the nearest integer, halves to even (the default rounding mode).
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

long long integerPart(long double v) { return static_cast<long long>(v); }

// The paper in device pixels at 80 per inch; A4 when the printer cannot tell.
bool paperPictureSize(Printer* printer, int orientation, QSize& out) {
  PrinterCaps caps;
  if (printer == nullptr || !printer->caps(caps) || caps.logPixelsX <= 0 || caps.logPixelsY <= 0) {
    const bool landscape = orientation == 1;
    const int w = roundEven(210.0 / 25.4 * kPicturePixelsPerInch);
    const int h = roundEven(297.0 / 25.4 * kPicturePixelsPerInch);
    out = landscape ? QSize(h, w) : QSize(w, h);
    return false;
  }
  out = QSize(roundEven(static_cast<double>(caps.physicalWidth) / caps.logPixelsX * kPicturePixelsPerInch),
              roundEven(static_cast<double>(caps.physicalHeight) / caps.logPixelsY * kPicturePixelsPerInch));
  return true;
}

void reportError(const std::exception& e) { messages().error(errorMessageText(e.what())); }

// A range field's value pulled into the report's pages.
void pullIntoPages(TNumberEdit& edit) {
  const long double value = edit.Value();
  if (value < FirstPage) {
    edit.SetValue(FirstPage);
  } else if (value > LastPage) {
    edit.SetValue(LastPage);
  }
}

// The file beside the report under its name with extension, as the file
// system's bytes; empty when the run has no report name.
std::string reportSibling(const TReportLayout& layout, const char* extension) {
  return layout.ReportBase.empty() ? std::string() : layout.ReportDir + "/" + layout.ReportBase + extension;
}

}  // namespace

// --------------------------------------------------------- PreviewSurface

PreviewSurface::PreviewSurface(TFM_Preview* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewSurface::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPicture& picture = owner_->PagePicture();
  const QSize size = owner_->PictureSize();
  if (picture.isNull() || size.isEmpty()) return;
  const QRect target = owner_->TargetRect();
  if (ZoomPercent == 100) {
    painter.drawPicture(0, 0, picture);
  } else {
    // The recorded page is stretched into the target rect.
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(static_cast<double>(target.width()) / size.width(),
                  static_cast<double>(target.height()) / size.height());
    painter.drawPicture(0, 0, picture);
    painter.restore();
  }
  // The found line's band lies over the picture only, so it is never printed.
  const QRect band = owner_->HighlightRect();
  if (!band.isEmpty()) painter.fillRect(band, TFM_Preview::kHighlightColor);
}

void PreviewSurface::mousePressEvent(QMouseEvent* event) {
  owner_->C_Scb_ScrollerMouseDown(event->position().toPoint());
  event->accept();
}

void PreviewSurface::mouseMoveEvent(QMouseEvent* event) {
  owner_->C_Scb_ScrollerMouseMove(event->position().toPoint(), event->buttons());
  event->accept();
}

void PreviewSurface::mouseReleaseEvent(QMouseEvent* event) {
  owner_->C_Scb_ScrollerMouseDown(event->position().toPoint());
  event->accept();
}

// ------------------------------------------------------------ TFM_Preview

TFM_Preview::TFM_Preview(RunServices& services, QWidget* parent) : QDialog(parent), services_(services) {
  setWindowTitle(QStringLiteral("미리보기"));
  setFont(FontMapper::gothicFont(11));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  createControls();
  FormCreate();
}

TFM_Preview::~TFM_Preview() {
  // The fields lose the focus while the window goes: no handler may run on it then.
  for (TNumberEdit* field : {C_EDT_START, C_EDT_END, c_ned_PageStart, c_Ned_PrintPageNum, C_EDT_CopyCount})
    field->disconnect(this);
}

void TFM_Preview::setPreviewRunner(PreviewRunner runner) { g_previewRunner = std::move(runner); }
void TFM_Preview::setFindRunner(FindRunner runner) { g_findRunner = std::move(runner); }
void TFM_Preview::setPdfFileAsker(PdfFileAsker asker) { g_pdfFileAsker = std::move(asker); }
void TFM_Preview::setPrinterAsker(PrinterAsker asker) { g_printerAsker = std::move(asker); }
void TFM_Preview::setExportFileAsker(ExportFileAsker asker) { g_exportFileAsker = std::move(asker); }
void TFM_Preview::setExportOptionsAsker(ExportOptionsAsker asker) { g_exportOptionsAsker = std::move(asker); }

const QString TFM_Preview::kExcelFilter = QStringLiteral("Excel (*.xlsx)");
const QString TFM_Preview::kCsvFilter = QStringLiteral("CSV UTF-8 (*.csv)");

void TFM_Preview::createControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  C_PNL_ToolBar = new QWidget(this);
  C_PNL_ToolBar->setObjectName(QStringLiteral("C_PNL_ToolBar"));
  C_PNL_ToolBar->setFixedHeight(kToolBarHeight);
  layout->addWidget(C_PNL_ToolBar);

  auto button = [this](const char* name, int left, int width, ToolbarIcon icon, const QString& hint) {
    auto* b = new QToolButton(C_PNL_ToolBar);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setGeometry(left, 5, width, 28);
    b->setIcon(toolbarIcon(icon));
    b->setIconSize(QSize(20, 20));
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
  };
  C_SBT_Close = button("C_SBT_Close", 9, 26, ToolbarIcon::kClose, QString());
  C_SBT_PRN = button("C_SBT_PRN", 43, 26, ToolbarIcon::kPrint, QStringLiteral("인쇄"));
  C_SBT_FIT = button("C_SBT_FIT", 69, 27, ToolbarIcon::kFitPage, QStringLiteral("한눈에 보이게"));
  C_SBT_WIDTH = button("C_SBT_WIDTH", 96, 27, ToolbarIcon::kFitWidth, QStringLiteral("넓이에 맞게"));
  C_SBT_ZoomIn = button("C_SBT_ZoomIn", 123, 26, ToolbarIcon::kZoomIn, QStringLiteral("확대"));
  C_SBT_ZoomOut = button("C_SBT_ZoomOut", 149, 26, ToolbarIcon::kZoomOut, QStringLiteral("축소"));
  C_SBT_First = button("C_SBT_First", 185, 24, ToolbarIcon::kFirst, QStringLiteral("첫Page"));
  C_SBT_Prior = button("C_SBT_Prior", 209, 24, ToolbarIcon::kPrior, QStringLiteral("이전Page"));
  C_SBT_Next = button("C_SBT_Next", 233, 24, ToolbarIcon::kNext, QStringLiteral("다음Page"));
  C_SBT_Last = button("C_SBT_Last", 257, 24, ToolbarIcon::kLast, QStringLiteral("끝Page"));
  c_spb_search = button("c_spb_search", 291, 26, ToolbarIcon::kSearch, QStringLiteral("찾기(F4)"));
  c_spb_search->setCursor(Qt::ArrowCursor);
  // After the copy count field, so the designed controls keep their places.
  C_SBT_Excel = button("C_SBT_Excel", 805, 26, ToolbarIcon::kExport, QStringLiteral("엑셀저장"));

  auto label = [this](const char* name, const QString& text, int left, int top) {
    auto* l = new QLabel(text, C_PNL_ToolBar);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(FontMapper::fixedFont(12));
    l->adjustSize();
    l->move(left, top);
    return l;
  };
  auto field = [this](const char* name, int left, int width, long double min, long double max, bool coma, int maxLength,
                      const QString& designed) {
    auto* f = new TNumberEdit(C_PNL_ToolBar);
    f->setObjectName(QString::fromLatin1(name));
    f->setFont(FontMapper::fixedFont(13));
    f->setGeometry(left, 8, width, 21);
    f->SetIsComa(coma);
    f->SetDigits(0);
    f->SetMax(max);
    f->SetMin(min);
    if (maxLength > 0) f->setMaxLength(maxLength);
    f->setText(designed);
    f->OnKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) { KeySet(key, modifiers); };
    return f;
  };
  Label2 = label("Label2", QStringLiteral("인쇄범위"), 337, 13);
  C_EDT_START = field("C_EDT_START", 387, 44, 1, 9999, false, 4, QStringLiteral("1"));
  Label5 = label("Label5", QStringLiteral("∼"), 432, 10);
  C_EDT_END = field("C_EDT_END", 446, 44, 1, 9999, false, 4, QStringLiteral("9999"));
  Label16 = label("Label16", QStringLiteral("이동"), 513, 13);
  c_ned_PageStart = field("c_ned_PageStart", 539, 44, 0, 999999999999.0L, false, 0, QStringLiteral("1"));
  C_Lbl_PageStart = label("C_Lbl_PageStart", QStringLiteral("시작번호"), 600, 13);
  c_Ned_PrintPageNum = field("c_Ned_PrintPageNum", 650, 44, 0, 999999999999.0L, false, 0, QStringLiteral("1"));
  Label1 = label("Label1", QStringLiteral("인쇄매수"), 717, 13);
  C_EDT_CopyCount = field("C_EDT_CopyCount", 766, 23, 1, 99, true, 0, QStringLiteral("1"));
  // The toolbar's groups, in the order they wrap: buttons, print range,
  // page, starting number, copies, export.
  const std::vector<std::vector<QWidget*>> groups = {
      {C_SBT_Close, C_SBT_PRN, C_SBT_FIT, C_SBT_WIDTH, C_SBT_ZoomIn, C_SBT_ZoomOut, C_SBT_First, C_SBT_Prior,
       C_SBT_Next, C_SBT_Last, c_spb_search},
      {Label2, C_EDT_START, Label5, C_EDT_END},
      {Label16, c_ned_PageStart},
      {C_Lbl_PageStart, c_Ned_PrintPageNum},
      {Label1, C_EDT_CopyCount},
      {C_SBT_Excel}};
  for (const std::vector<QWidget*>& members : groups) {
    ToolGroup group;
    for (QWidget* w : members) group.designed.emplace_back(w, w->geometry());
    toolGroups_.push_back(std::move(group));
  }
  C_PNL_ToolBar->installEventFilter(this);

  // Keys of every document viewer, wherever the focus is in the window.
  const std::pair<QKeySequence, void (TFM_Preview::*)()> zoomKeys[] = {
      {QKeySequence::ZoomIn, &TFM_Preview::C_SBT_ZoomInClick},
      {QKeySequence(Qt::CTRL | Qt::Key_Equal), &TFM_Preview::C_SBT_ZoomInClick},
      {QKeySequence::ZoomOut, &TFM_Preview::C_SBT_ZoomOutClick}};
  const std::pair<QKeySequence, void (TFM_Preview::*)()> commandKeys[] = {
      {QKeySequence::Find, &TFM_Preview::c_spb_searchClick},
      {QKeySequence(Qt::Key_F4), &TFM_Preview::c_spb_searchClick},  // as the find button's hint says
      {QKeySequence::FindNext, &TFM_Preview::FindNextClick},
      {QKeySequence::Print, &TFM_Preview::C_SBT_PRNClick}};
  for (const auto& [keys, action] : commandKeys) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
  }
  for (const auto& [keys, action] : zoomKeys) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
  }

  setTabOrder(C_EDT_START, C_EDT_END);
  setTabOrder(C_EDT_END, c_ned_PageStart);
  setTabOrder(c_ned_PageStart, c_Ned_PrintPageNum);
  setTabOrder(c_Ned_PrintPageNum, C_EDT_CopyCount);

  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  C_Scb_Scroller = new QScrollArea(Panel1);
  C_Scb_Scroller->setObjectName(QStringLiteral("C_Scb_Scroller"));
  C_Scb_Scroller->setWidgetResizable(false);
  C_Scb_Scroller->setBackgroundRole(QPalette::Dark);
  C_Scb_Scroller->setFocusPolicy(Qt::NoFocus);
  panelLayout->addWidget(C_Scb_Scroller);
  host_ = new QWidget;
  host_->setObjectName(QStringLiteral("C_Scb_Scroller_content"));
  host_->installEventFilter(this);
  C_Scb_Scroller->setWidget(host_);
  C_Pbx_Shower = new PreviewSurface(this, host_);
  C_Pbx_Shower->setObjectName(QStringLiteral("C_Pbx_Shower"));
  placeSurface(QPoint(28, 25), QSize(105, 105));
  C_Scb_Scroller->viewport()->installEventFilter(this);
  layout->addWidget(Panel1, 1);

  C_PNL_Bottom = new QWidget(this);
  C_PNL_Bottom->setObjectName(QStringLiteral("C_PNL_Bottom"));
  C_PNL_Bottom->setFixedHeight(kStatusBarHeight);
  auto* bottom = new QHBoxLayout(C_PNL_Bottom);
  bottom->setContentsMargins(8, 2, 8, 2);
  Label3 = new QLabel(QStringLiteral("페이지:"), C_PNL_Bottom);
  C_LBL_Page = new QLabel(QStringLiteral("1"), C_PNL_Bottom);
  C_LBL_Page->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  C_LBL_Page->setMinimumWidth(40);
  C_LBL_TotPage = new QLabel(QStringLiteral("/ 1"), C_PNL_Bottom);
  bottom->addWidget(Label3);
  bottom->addWidget(C_LBL_Page);
  bottom->addWidget(C_LBL_TotPage);
  bottom->addSpacing(24);
  // Kept apart from the line below, which each saved file rewrites.
  C_LBL_Warning = new QLabel(C_PNL_Bottom);
  C_LBL_Warning->setObjectName(QStringLiteral("C_LBL_Warning"));
  C_LBL_Warning->setStyleSheet(QStringLiteral("color: #b00000;"));
  C_LBL_Warning->hide();
  bottom->addWidget(C_LBL_Warning);
  bottom->addSpacing(12);
  // Where the last PDF or spreadsheet was written.
  C_LBL_Status = new QLabel(C_PNL_Bottom);
  C_LBL_Status->setObjectName(QStringLiteral("C_LBL_Status"));
  bottom->addWidget(C_LBL_Status, 1);
  layout->addWidget(C_PNL_Bottom);

  connect(C_SBT_Close, &QToolButton::clicked, this, &TFM_Preview::C_SBT_CloseClick);
  connect(C_SBT_PRN, &QToolButton::clicked, this, &TFM_Preview::C_SBT_PRNClick);
  connect(C_SBT_FIT, &QToolButton::clicked, this, &TFM_Preview::C_SBT_FITClick);
  connect(C_SBT_WIDTH, &QToolButton::clicked, this, &TFM_Preview::C_SBT_WIDTHClick);
  connect(C_SBT_ZoomIn, &QToolButton::clicked, this, &TFM_Preview::C_SBT_ZoomInClick);
  connect(C_SBT_ZoomOut, &QToolButton::clicked, this, &TFM_Preview::C_SBT_ZoomOutClick);
  connect(C_SBT_First, &QToolButton::clicked, this, &TFM_Preview::C_SBT_FirstClick);
  connect(C_SBT_Prior, &QToolButton::clicked, this, &TFM_Preview::C_SBT_PriorClick);
  connect(C_SBT_Next, &QToolButton::clicked, this, &TFM_Preview::C_SBT_NextClick);
  connect(C_SBT_Last, &QToolButton::clicked, this, &TFM_Preview::C_SBT_LastClick);
  connect(c_spb_search, &QToolButton::clicked, this, &TFM_Preview::c_spb_searchClick);
  connect(C_SBT_Excel, &QToolButton::clicked, this, &TFM_Preview::C_SBT_ExcelClick);
  // Wired after the designed texts are in, so building the window runs no handler.
  connect(C_EDT_START, &QLineEdit::textChanged, this, &TFM_Preview::C_EDT_STARTChange);
  connect(C_EDT_END, &QLineEdit::textChanged, this, &TFM_Preview::C_EDT_ENDChange);
  connect(c_ned_PageStart, &QLineEdit::textChanged, this, &TFM_Preview::c_ned_PageStartChange);
  connect(c_ned_PageStart, &QLineEdit::editingFinished, this, &TFM_Preview::c_ned_PageStartFinished);
}

void TFM_Preview::FormCreate() {
  ZoomPercent = 100;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize available = screen->size();
    resize(available.width() - 30, available.height() - 30);
  }
  move(0, 0);
  CurPage = 0;
  FindFromCurrent = true;
  setWindowState(windowState() | Qt::WindowMaximized);
}

void TFM_Preview::SetPageInfo(const std::string& firstPage, const std::string& lastPage, TZelTable* table,
                              const std::string& currentPage) {
  FirstPage = std::stoi(firstPage);
  LastPage = std::stoi(lastPage);
  // The range fields hold four digits as designed; a longer report widens
  // them to its last page, so every page can be printed.
  const int digits = std::max(4, static_cast<int>(std::to_string(std::max(LastPage, 1)).size()));
  for (TNumberEdit* range : {C_EDT_START, C_EDT_END}) {
    range->SetMax(std::max(9999, LastPage));
    range->setMaxLength(digits);
  }
  C_EDT_START->SetValue(FirstPage);
  C_EDT_END->SetValue(LastPage);
  c_ned_PageStart->SetValue(std::stoi(currentPage));
  C_LBL_Page->setText(QString::fromStdString(firstPage));
  C_LBL_TotPage->setText(QStringLiteral("/ ") + QString::fromStdString(lastPage));
  RptTable = table;
}

void TFM_Preview::ShowModal() {
  QSize paper;
  if (!paperPictureSize(services_.printer, PaperOrientation, paper)) {
    // Without a printer there is no paper to lay the page on.
    throw DataError("프린터가 설정되어 있지 않거나,사용할 수 없는 상태입니다.");
  }
  if (g_previewRunner) {
    show();
    g_previewRunner(*this);
    close();
    return;
  }
  exec();
}

void TFM_Preview::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TFM_Preview::closeEvent(QCloseEvent* event) {
  // The runner destroys the window once its modal showing returns.
  event->accept();
  QDialog::closeEvent(event);
}

void TFM_Preview::FormShow() {
  if (Printer* printer = services_.printer) {
    printer->setOrientation(PaperOrientation == 1 ? PaperOrientation::kLandscape : PaperOrientation::kPortrait);
  }
  paperPictureSize(services_.printer, PaperOrientation, pictureSize_);
  picture_ = std::make_unique<PicturePageRecorder>();
  records_ = 0;

  const QFontMetrics metrics(C_Pbx_Shower->font());
  placeSurface(surfacePos(), QSize(metrics.horizontalAdvance(QLatin1Char('X')) * 80 + 20, metrics.height() * 66 + 20));

  if (LastPage <= FirstPage) setPageButtons(false, false, false, false);
  C_EDT_START->setFocus();

  C_Pbx_ShowerPaint();
  shownPage_ = static_cast<int>(integerPart(c_ned_PageStart->Value()));
  if (OnDrawPage) {
    try {
      drawPage(static_cast<int>(integerPart(c_ned_PageStart->Value())));
    } catch (const std::exception& e) {
      reportError(e);
    }
    C_Pbx_ShowerPaint();
  }
  restoreZoom();
}

const QPicture& TFM_Preview::PagePicture() const {
  static const QPicture kEmpty;
  return picture_ ? picture_->picture() : kEmpty;
}

void TFM_Preview::drawPage(int page) {
  if (!picture_) picture_ = std::make_unique<PicturePageRecorder>();
  {
    const BusyCursor busy;
    OnDrawPage(*picture_, page, RptTable);
  }
  ++records_;
  if (!picture_->pageSize().isEmpty()) pictureSize_ = picture_->pageSize();
}

void TFM_Preview::setPageButtons(bool first, bool prior, bool next, bool last) {
  C_SBT_First->setEnabled(first);
  C_SBT_Prior->setEnabled(prior);
  C_SBT_Next->setEnabled(next);
  C_SBT_Last->setEnabled(last);
}

QPoint TFM_Preview::surfacePos() const { return C_Pbx_Shower->pos(); }

// The inside the page is centred in: with the scroll bars shown now, so a
// centred page never brings a scroll bar of its own.
QSize TFM_Preview::scrollBoxSize() const { return C_Scb_Scroller->viewport()->size(); }

void TFM_Preview::placeSurface(QPoint topLeft, QSize size) {
  C_Pbx_Shower->setGeometry(QRect(topLeft, size));
  // The scroll range follows the surface's far edges.
  host_->resize(std::max(1, topLeft.x() + size.width()), std::max(1, topLeft.y() + size.height()));
}

void TFM_Preview::C_Pbx_ShowerPaint() {
  C_SBT_ZoomIn->setEnabled(ZoomPercent != kZoomMax);
  C_SBT_ZoomOut->setEnabled(ZoomPercent != kZoomOutDisabledAt);
  layoutSurface();
  C_Pbx_Shower->update();
}

void TFM_Preview::layoutSurface() {
  if (pictureSize_.isEmpty()) return;
  if (ZoomPercent == 100) {
    target_ = QRect(QPoint(0, 0), pictureSize_);
    QPoint pos = surfacePos();
    if (fit_) {
      // A fit that lands on 100 % must still fit: centred where there is room, else at the edge.
      const QSize box = scrollBoxSize();
      pos = QPoint(std::max(0, (box.width() - pictureSize_.width()) / 2),
                   std::max(0, (box.height() - pictureSize_.height()) / 2));
    }
    placeSurface(pos, pictureSize_);
    return;
  }
  const int w = roundEven(pictureSize_.width() * ZoomPercent * 0.01);
  const int h = roundEven(pictureSize_.height() * ZoomPercent * 0.01);
  target_ = QRect(kStrip, kStrip, w - kStrip, h - kStrip);
  QPoint pos = surfacePos();
  const QSize box = scrollBoxSize();
  if (w < box.width()) pos.setX((box.width() - w) / 2);
  if (h < box.height()) pos.setY((box.height() - h) / 2);
  placeSurface(pos, QSize(w, h));
}

void TFM_Preview::C_SBT_ZoomInClick() {
  if (ZoomPercent != kZoomMax) {
    fit_.reset();
    ZoomPercent += kZoomStep;
    C_Pbx_ShowerPaint();
    writeZoomSetting(ProgramDirectory, {ZoomMode::kPercent, ZoomPercent});
  }
}

void TFM_Preview::C_SBT_ZoomOutClick() {
  if (ZoomPercent >= 60) {
    fit_.reset();
    ZoomPercent -= kZoomStep;
    C_Pbx_ShowerPaint();
    writeZoomSetting(ProgramDirectory, {ZoomMode::kPercent, ZoomPercent});
  }
}

int TFM_Preview::FitZoom(FitKind kind) const {
  const QSize area = C_Scb_Scroller->maximumViewportSize();
  const int bar = C_Scb_Scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, C_Scb_Scroller);
  return fitZoom(kind, pictureSize_.width(), pictureSize_.height(), {area.width(), area.height(), bar},
                 {kZoomMin, kZoomMax, kZoomStep});
}

void TFM_Preview::C_SBT_FITClick() {
  // Fitted to the area the page has on this screen; the old fixed 50 and 70 %
  // were that only on the screens of their day.
  fit_ = FitKind::kWholePage;
  ZoomPercent = FitZoom(FitKind::kWholePage);
  C_Pbx_ShowerPaint();
  writeZoomSetting(ProgramDirectory, {ZoomMode::kFitPage, 0});
}

void TFM_Preview::C_SBT_WIDTHClick() {
  fit_ = FitKind::kWidth;
  ZoomPercent = FitZoom(FitKind::kWidth);
  placeSurface(QPoint(3, 1), C_Pbx_Shower->size());
  C_Pbx_ShowerPaint();
  C_Scb_Scroller->verticalScrollBar()->setValue(0);
  writeZoomSetting(ProgramDirectory, {ZoomMode::kFitWidth, 0});
}

void TFM_Preview::restoreZoom() {
  // The next preview opens the way the user left the last one.
  const std::optional<ZoomSetting> setting = readZoomSetting(ProgramDirectory);
  if (!setting) return;
  switch (setting->mode) {
    case ZoomMode::kFitPage: C_SBT_FITClick(); break;
    case ZoomMode::kFitWidth: C_SBT_WIDTHClick(); break;
    case ZoomMode::kPercent:
      fit_.reset();
      ZoomPercent = setting->percent;
      C_Pbx_ShowerPaint();
      break;
  }
}

// From the page shown, never from what the field holds while it is typed in.
void TFM_Preview::C_SBT_NextClick() { goToPage(ShownPage() + 1); }
void TFM_Preview::C_SBT_PriorClick() { goToPage(ShownPage() - 1); }

void TFM_Preview::goToPage(int page) {
  // The buttons keep their designed state until a page change sets them, so
  // 이전 on the first page is clickable: it must not put page 0 in the field.
  if (page < FirstPage || page > LastPage) {
    QApplication::beep();
    return;
  }
  c_ned_PageStart->SetValue(page);
}

int TFM_Preview::ShownPage() const { return std::clamp(shownPage_, FirstPage, std::max(FirstPage, LastPage)); }

void TFM_Preview::refusePageField() {
  QApplication::beep();
  c_ned_PageStart->SetValue(ShownPage());
}

void TFM_Preview::c_ned_PageStartFinished() {
  const long long page = integerPart(c_ned_PageStart->Value());
  if (page < FirstPage || page > LastPage) refusePageField();
}
void TFM_Preview::C_SBT_FirstClick() { c_ned_PageStart->SetValue(FirstPage); }
void TFM_Preview::C_SBT_LastClick() { c_ned_PageStart->SetValue(LastPage); }

void TFM_Preview::c_ned_PageStartChange() {
  try {
    const long double value = c_ned_PageStart->Value();
    const long long page = integerPart(value);
    // Past the last page no further digit helps: refused at once. Below the
    // first (an emptied field) the user may still be typing; refused when the
    // field is left.
    if (page > LastPage) {
      refusePageField();
      return;
    }
    if (page < FirstPage) return;
    shownPage_ = static_cast<int>(page);
    if (page == LastPage) {
      setPageButtons(true, true, false, false);
    } else if (page == FirstPage) {
      setPageButtons(false, false, true, true);
    } else {
      setPageButtons(true, true, true, true);
    }
    CurPage = static_cast<int>(page);
    if (highlight_.found && highlight_.page != CurPage) highlight_ = LineHit{};
    C_LBL_Page->setText(QString::number(page));
    if (OnDrawPage) drawPage(CurPage);
    C_Pbx_ShowerPaint();
  } catch (...) {
    // A page that cannot be drawn leaves the preview as it was.
  }
}

void TFM_Preview::C_EDT_STARTChange() {
  try {
    pullIntoPages(*C_EDT_START);
    const long double start = C_EDT_START->Value();
    c_Ned_PrintPageNum->SetValue(start);
    if (start > C_EDT_END->Value()) C_EDT_END->SetValue(start);
  } catch (...) {}
}

void TFM_Preview::C_EDT_ENDChange() {
  try {
    pullIntoPages(*C_EDT_END);
  } catch (...) {}
}

void TFM_Preview::SetWarning(const std::string& text) {
  C_LBL_Warning->setText(QString::fromStdString(text));
  C_LBL_Warning->setVisible(!text.empty());
}

bool TFM_Preview::askPdfFile() {
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  if (layer == nullptr || !layer->isPdfPrinter()) return true;
  // Proposed beside the report, under its name, as the export proposes its file.
  const TReportLayout& layout = reportRun().Layout;
  const QString suggested = layout.ReportBase.empty()
                                ? layer->outputFileName()
                                : QString::fromStdString(readablePath(reportSibling(layout, ".pdf")));
  QString file;
  if (g_pdfFileAsker) {
    file = g_pdfFileAsker(this, suggested);
  } else {
    file = askSaveFileName(this, QStringLiteral("PDF 파일로 저장"), suggested, QStringLiteral("PDF (*.pdf)"));
  }
  if (file.isEmpty()) return false;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
  layer->setOutputFileName(QFileInfo(file).absoluteFilePath());
  pdfFile_ = QFileInfo(file).absoluteFilePath();
  return true;
}

// With several system printers the user picks one; with one the default
// prints, and the built-in PDF printer (no system printer) asks for its file.
bool TFM_Preview::askPrinter() {
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  if (layer == nullptr || layer->isPdfPrinter()) return true;
  const SystemPrinters printers = systemPrinters();
  if (printers.names.size() < 2) return true;
  const QString current = layer->printerName();
  const QString chosen =
      g_printerAsker ? g_printerAsker(this, printers.names, current) : askForPrinter(this, printers.names, current);
  if (chosen.isEmpty()) return false;
  if (chosen == current || layer->selectPrinter(chosen)) return true;
  // The printer went away after the list was made: the print job's own
  // message, nothing printed, the printer in use kept.
  warnPrinterUnusable(messages());
  return false;
}

void TFM_Preview::C_SBT_PRNClick() {
  ReportRun& run = reportRun();
  run.PrintCopies = static_cast<int>(integerPart(C_EDT_CopyCount->Value()));
  const int from = static_cast<int>(integerPart(C_EDT_START->Value()));
  const int to = static_cast<int>(integerPart(C_EDT_END->Value()));
  if (from > to) {
    warnPageRangeOrder();
    C_EDT_END->SetValue(from);
    return;
  }
  run.PrintFrom = from;
  run.PrintTo = to;
  run.PrintStartNo = static_cast<int>(integerPart(c_Ned_PrintPageNum->Value()));
  if (!OnPrintJob) return;
  pdfFile_.clear();
  if (!askPrinter() || !askPdfFile()) return;
  // A PDF file is written into a part file beside it and replaces the old
  // file only once every page is in it, as the export writes its file.
  auto* layer = dynamic_cast<PrinterLayer*>(services_.printer);
  std::unique_ptr<OutputFile> output;
  if (!pdfFile_.isEmpty() && layer != nullptr) {
    const TReportLayout& layout = run.Layout;
    // The dialog speaks text; the folder and the proposed name may be bytes that are no UTF-8.
    const std::string target = fileSystemPath(pdfFile_.toStdString(), reportSibling(layout, ".pdf"));
    const std::string reportPath = layout.ReportDir + "/" + layout.ReportBase + ".DBF";
    if (const std::string replaced = ReportFileReplacedBy(reportPath, target); !replaced.empty()) {
      messages().warning(OutputIsReportText(target, replaced));
      return;
    }
    RemoveStaleParts({target});
    try {
      output = std::make_unique<OutputFile>(target);
    } catch (const OutputError& e) {
      messages().error(e.what());
      return;
    }
    layer->setOutputFileName(QFile::decodeName(QByteArray::fromStdString(output->pathForLibraries(output->path()))));
  }
  const PrintJob job{run.PrintFrom, run.PrintTo, run.PrintStartNo, run.PrintCopies};
  // The job shares the page range and renderer state with the preview, so
  // nothing here may act while it runs (its page boundaries let events through).
  setEnabled(false);
  std::optional<std::string> failure;
  {
    const ScopeExit enableAgain([this] { setEnabled(true); });
    try {
      OnPrintJob(job);
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
      failure = errorMessageText(e.what());
    }
  }
  // The next question proposes the file the user chose, not the part.
  if (output) layer->setOutputFileName(pdfFile_);
  const bool written = output && failure == std::nullopt && layer->pageCount() > 0;
  output.reset();  // a part not committed goes
  // Reported once the window is usable again.
  if (failure) {
    messages().error(*failure);
  } else if (written) {
    C_LBL_Status->setText(QStringLiteral("PDF 파일로 저장했습니다: ") + QDir::toNativeSeparators(pdfFile_));
  }
}

void TFM_Preview::C_SBT_ExcelClick() {
  if (RptTable == nullptr) return;
  const ReportRun& run = reportRun();
  const TReportLayout& layout = run.Layout;
  // The whole report or the print range of the toolbar, and the code columns.
  const int rangeFrom = static_cast<int>(integerPart(C_EDT_START->Value()));
  const int rangeTo = static_cast<int>(integerPart(C_EDT_END->Value()));
  ExportChoice choice = g_lastExportChoice;
  if (g_exportOptionsAsker) {
    if (!g_exportOptionsAsker(this, FirstPage, LastPage, rangeFrom, rangeTo, &choice)) return;
  } else {
    ExportOptionsDialog dialog(this, FirstPage, LastPage, rangeFrom, rangeTo, choice);
    if (dialog.exec() != QDialog::Accepted) return;
    choice = dialog.choice();
  }
  g_lastExportChoice = choice;
  if (!choice.wholeReport && rangeFrom > rangeTo) {
    warnPageRangeOrder();
    C_EDT_END->SetValue(rangeFrom);
    return;
  }
  const QString suggested = QString::fromStdString(readablePath(reportSibling(layout, ".xlsx")));
  QString filter = kExcelFilter;
  QString file;
  if (g_exportFileAsker) {
    file = g_exportFileAsker(this, suggested, &filter);
  } else {
    file = askSaveFileName(this, QStringLiteral("엑셀저장"), suggested, kExcelFilter + ";;" + kCsvFilter, &filter);
  }
  if (file.isEmpty()) return;
  const bool csv = filter == kCsvFilter;
  const QString extension = csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
  if (!file.endsWith(extension, Qt::CaseInsensitive)) file += extension;

  const std::string reportPath = layout.ReportDir + "/" + layout.ReportBase + ".DBF";
  const std::string target =
      fileSystemPath(QFileInfo(file).absoluteFilePath().toStdString(), reportSibling(layout, csv ? ".csv" : ".xlsx"));
  if (const std::string replaced = ReportFileReplacedBy(reportPath, target); !replaced.empty()) {
    messages().warning(OutputIsReportText(target, replaced));
    return;
  }
  if (const std::string problem = ExportTargetProblem(target); !problem.empty()) {
    messages().warning(problem);
    return;
  }
  ExportRequest request;
  request.path = target;
  request.format = csv ? ExportFormat::kCsv : ExportFormat::kXlsx;
  request.from = choice.wholeReport ? FirstPage : rangeFrom;
  request.to = choice.wholeReport ? LastPage : rangeTo;
  request.withCodes = choice.withCodes;
  // Like printing, the export walks the table the preview draws from.
  setEnabled(false);
  std::optional<std::string> failure;
  {
    const ScopeExit enableAgain([this] { setEnabled(true); });
    try {
      ApolloLines lines(RptTable->Apollo);
      ExportReportFile(layout, lines, request, services_.progressDialog());
    } catch (const OutputError& e) {
      failure = e.what();  // worded already, with the system's reason
    } catch (const std::exception& e) {
      failure = errorMessageText(e.what());
    }
  }
  if (failure) {
    messages().error(*failure);
  } else if (std::error_code ec; std::filesystem::exists(target, ec)) {
    C_LBL_Status->setText(QStringLiteral("엑셀 파일로 저장했습니다: ") +
                          QDir::toNativeSeparators(QString::fromStdString(readablePath(target))));
  }
}

void TFM_Preview::C_SBT_CloseClick() { close(); }

const QColor TFM_Preview::kHighlightColor = QColor(255, 220, 0, 80);
const char TFM_Preview::kNoMoreHitsText[] = "이 줄 다음에는 찾는 내용이 더 없습니다.";

QRect TFM_Preview::HighlightRect() const {
  if (!highlight_.found || highlight_.page != CurPage || pictureSize_.isEmpty() || RptTable == nullptr) return {};
  const PageUnitRect r = PreviewLineRect(reportRun().Layout, highlight_.line);
  const QSizeF extent = PaperOrientation == 1 ? QSizeF(2970, 2100) : QSizeF(2100, 2970);
  // Page units to the picture (as the page was recorded), then to the surface.
  const QRect target = ZoomPercent == 100 ? QRect(QPoint(0, 0), pictureSize_) : target_;
  const double sx = target.width() / extent.width(), sy = target.height() / extent.height();
  return QRectF(target.left() + r.left * sx, target.top() + r.top * sy, (r.right - r.left) * sx,
                (r.bottom - r.top) * sy)
      .toAlignedRect();
}

void TFM_Preview::FindNextClick() {
  if (RptTable == nullptr || FindText.empty() || FindField.empty()) {
    c_spb_searchClick();
    return;
  }
  LineHit hit;
  try {
    const BusyCursor busy;
    ApolloLines lines(RptTable->Apollo);
    // From the line after the last hit, or after the page shown.
    const int page = highlight_.found ? highlight_.page : CurPage + 1;
    hit = FindNextLine(lines, FindField, FindText, page, highlight_.found ? highlight_.line : 0);
  } catch (const std::exception& e) {
    reportError(e);
    return;
  }
  if (!hit.found) {
    // After a hit the band stays on it: that is the line nothing follows.
    messages().notice(highlight_.found ? kNoMoreHitsText : "찾는 내용이 없습니다.");
    return;
  }
  showHit(hit);
}

void TFM_Preview::showHit(const LineHit& hit) {
  highlight_ = hit;
  if (hit.page == CurPage) {
    C_Pbx_Shower->update();
  } else {
    c_ned_PageStart->SetValue(hit.page);
  }
}

void TFM_Preview::c_spb_searchClick() {
  if (RptTable == nullptr) {
    refuseSearchWithoutPageNumbers();
    return;
  }
  FindFound = false;
  try {
    ApolloLines lines(RptTable->Apollo);
    if (!HasPageNumbers(lines)) {
      refuseSearchWithoutPageNumbers();
      return;
    }
    Tfm_RptValueSearch dialog(this, this);
    dialog.SetSearchSource("P", &lines);
    if (g_findRunner) {
      g_findRunner(dialog);
    } else {
      dialog.exec();
    }
  } catch (const std::exception& e) {
    reportError(e);
    return;
  }
  if (FirstPage <= CurPage && CurPage <= LastPage) {
    if (FindFound && !FindField.empty()) {
      // The dialog's walk starts at a page's top, so its hit is the first match
      // from the found page's top: mark that line, also on the page shown, so
      // F3 goes on from it.
      try {
        ApolloLines lines(RptTable->Apollo);
        highlight_ = FindNextLine(lines, FindField, FindText, CurPage, 0);
      } catch (const std::exception&) {
        highlight_ = LineHit{};
      }
    }
    c_ned_PageStart->SetValue(CurPage);
    C_Pbx_Shower->update();
  }
}

void TFM_Preview::KeySet(int& key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
    case Qt::Key_PageDown:
      if (C_SBT_Next->isEnabled()) C_SBT_NextClick();
      return;
    case Qt::Key_Home:
      if (C_SBT_First->isEnabled()) C_SBT_FirstClick();
      return;
    case Qt::Key_End:
      if (C_SBT_Last->isEnabled()) C_SBT_LastClick();
      return;
    case Qt::Key_PageUp:
      if (C_SBT_Prior->isEnabled()) C_SBT_PriorClick();
      return;
    default: break;
  }
  if (modifiers & Qt::KeypadModifier) {
    if (key == Qt::Key_Plus) C_SBT_ZoomInClick();
    if (key == Qt::Key_Minus) C_SBT_ZoomOutClick();
  }
  switch (key) {
    case Qt::Key_Up:
      focusNextPrevChild(false);
      key = 0;
      break;
    case Qt::Key_Down:
      focusNextPrevChild(true);
      key = 0;
      break;
    case Qt::Key_Escape:
      key = 0;
      close();
      break;
    default:
      // Enter stays with the field, which moves the focus on by itself.
      break;
  }
}

void TFM_Preview::C_Scb_ScrollerMouseDown(QPoint position) {
  DragStartX = position.x();
  DragStartY = position.y();
}

void TFM_Preview::C_Scb_ScrollerMouseMove(QPoint position, Qt::MouseButtons buttons) {
  if (!(buttons & Qt::LeftButton)) return;
  QScrollBar* vertical = C_Scb_Scroller->verticalScrollBar();
  QScrollBar* horizontal = C_Scb_Scroller->horizontalScrollBar();
  // QScrollBar::setValue keeps the position inside the range.
  if (position.y() > DragStartY + kDragBand) {
    vertical->setValue(vertical->value() - kDragStep);
  } else if (position.y() < DragStartY - kDragBand) {
    vertical->setValue(vertical->value() + kDragStep);
  }
  if (position.x() > DragStartX + kDragBand) {
    horizontal->setValue(horizontal->value() - kDragStep);
  } else if (position.x() < DragStartX - kDragBand) {
    horizontal->setValue(horizontal->value() + kDragStep);
  }
}

void TFM_Preview::arrangeToolBar() {
  constexpr int kLeftMargin = 9;
  constexpr int kRowHeight = 36;  // below the designed 41-pixel row
  const int available = C_PNL_ToolBar->width() - kLeftMargin;
  int row = 0;
  int shift = 0;  // how far the current row's groups move left
  for (const ToolGroup& group : toolGroups_) {
    int left = INT_MAX, right = 0;
    for (const auto& [widget, rect] : group.designed) {
      left = std::min(left, rect.left());
      right = std::max(right, rect.right() + 1);
    }
    if (right - shift > available && left - shift > kLeftMargin) {
      ++row;
      shift = left - kLeftMargin;
    }
    for (const auto& [widget, rect] : group.designed) widget->move(rect.left() - shift, rect.top() + row * kRowHeight);
  }
  C_PNL_ToolBar->setFixedHeight(kToolBarHeight + row * kRowHeight);
}

bool TFM_Preview::wheelOverPage(const QWheelEvent& wheel) {
  const int delta = wheel.angleDelta().y();
  if (delta == 0) return false;
  if (wheel.modifiers() & Qt::ControlModifier) {
    if (delta > 0) {
      C_SBT_ZoomInClick();
    } else {
      C_SBT_ZoomOutClick();
    }
    return true;
  }
  // As a document viewer showing one page at a time: one more wheel step at
  // the bottom of a page turns to the next one, at the top to the previous.
  QScrollBar* bar = C_Scb_Scroller->verticalScrollBar();
  const int shown = std::clamp(CurPage, FirstPage, std::max(FirstPage, LastPage));
  if (delta < 0 && bar->value() == bar->maximum() && shown < LastPage) {
    c_ned_PageStart->SetValue(shown + 1);
    bar->setValue(bar->minimum());
    return true;
  }
  if (delta > 0 && bar->value() == bar->minimum() && shown > FirstPage) {
    c_ned_PageStart->SetValue(shown - 1);
    bar->setValue(bar->maximum());
    return true;
  }
  return false;
}

bool TFM_Preview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == C_PNL_ToolBar && event->type() == QEvent::Resize) arrangeToolBar();
  if ((watched == host_ || watched == C_Scb_Scroller->viewport()) && event->type() == QEvent::Wheel &&
      wheelOverPage(*static_cast<QWheelEvent*>(event)))
    return true;
  if (watched == host_ || watched == C_Scb_Scroller->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      C_Scb_ScrollerMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseMove) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      C_Scb_ScrollerMouseMove(mouse->position().toPoint(), mouse->buttons());
    } else if (event->type() == QEvent::Resize && watched == C_Scb_Scroller->viewport() && shown_) {
      // A fitted page follows the window's size; centring depends on it too.
      if (fit_) ZoomPercent = FitZoom(*fit_);
      C_SBT_ZoomIn->setEnabled(ZoomPercent != kZoomMax);
      C_SBT_ZoomOut->setEnabled(ZoomPercent != kZoomOutDisabledAt);
      layoutSurface();
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zel
