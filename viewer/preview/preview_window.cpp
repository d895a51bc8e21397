#include "preview_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "busy_cursor.h"
#include "data_error.h"
#include "error_text.h"
#include "export_action.h"
#include "font_mapper.h"
#include "message_service.h"
#include "num_edit.h"
#include "page_view.h"
#include "painter_canvas.h"
#include "preview_toolbar.h"
#include "print_action.h"
#include "print_range.h"
#include "run_services.h"
#include "report_table.h"

namespace zel {
namespace {

long long integerPart(long double v) { return static_cast<long long>(v); }

}  // namespace

PreviewWindow::PreviewWindow(RunServices& services, PreviewContext* context, QWidget* parent)
    : QDialog(parent), services_(services), ownContext_(context ? nullptr : std::make_unique<PreviewContext>()),
      context_(context ? *context : *ownContext_), find_(*this, services_.box(), context_.hooks),
      printAction_(std::make_unique<PrintAction>(*this, services_, context_.hooks)),
      exportAction_(std::make_unique<ExportAction>(*this, services_, context_)) {
  setWindowTitle(QStringLiteral("미리보기"));
  setFont(FontMapper::gothicFont(11));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  createParts();
  connectParts();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize available = screen->size();
    resize(available.width() - 30, available.height() - 30);
  }
  move(0, 0);
  setWindowState(windowState() | Qt::WindowMaximized);
}

PreviewWindow::~PreviewWindow() {
  // The fields lose the focus while the window goes: no handler may run on it then.
  for (TNumberEdit* field : toolBar->fields()) field->disconnect(this);
}

void PreviewWindow::createParts() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  toolBar = new PreviewToolBar(services_.box(), this);
  layout->addWidget(toolBar);
  pageView = new PageView(context_.settingsDirectory, this);
  layout->addWidget(pageView, 1);

  statusBar = new PreviewStatusBar(this);
  layout->addWidget(statusBar);
}

void PreviewWindow::connectParts() {
  // Keys of every document viewer, wherever the focus is in the window.
  const std::pair<QKeySequence, void (PageView::*)()> zoomKeys[] = {
      {QKeySequence::ZoomIn, &PageView::zoomIn},
      {QKeySequence(Qt::CTRL | Qt::Key_Equal), &PageView::zoomIn},
      {QKeySequence::ZoomOut, &PageView::zoomOut}};
  const std::pair<QKeySequence, void (PreviewWindow::*)()> commandKeys[] = {
      {QKeySequence::Find, &PreviewWindow::openFind},
      {QKeySequence(Qt::Key_F4), &PreviewWindow::openFind},  // as the find button's hint says
      {QKeySequence::FindNext, &PreviewWindow::findNext},
      {QKeySequence::Print, &PreviewWindow::print}};
  for (const auto& [keys, action] : commandKeys)
    connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
  for (const auto& [keys, action] : zoomKeys)
    connect(new QShortcut(keys, this), &QShortcut::activated, pageView, action);

  const std::vector<TNumberEdit*> fields = toolBar->fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    fields[i]->OnKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) { fieldKeyDown(key, modifiers); };
    if (i > 0) setTabOrder(fields[i - 1], fields[i]);
  }

  const PreviewToolBar& bar = *toolBar;
  connect(bar.closeButton, &QToolButton::clicked, this, &QDialog::close);
  connect(bar.printButton, &QToolButton::clicked, this, &PreviewWindow::print);
  connect(bar.fitPageButton, &QToolButton::clicked, pageView, &PageView::fitPage);
  connect(bar.fitWidthButton, &QToolButton::clicked, pageView, &PageView::fitWidth);
  connect(bar.zoomInButton, &QToolButton::clicked, pageView, &PageView::zoomIn);
  connect(bar.zoomOutButton, &QToolButton::clicked, pageView, &PageView::zoomOut);
  connect(bar.firstPageButton, &QToolButton::clicked, this, &PreviewWindow::firstPage);
  connect(bar.priorPageButton, &QToolButton::clicked, this, &PreviewWindow::priorPage);
  connect(bar.nextPageButton, &QToolButton::clicked, this, &PreviewWindow::nextPage);
  connect(bar.lastPageButton, &QToolButton::clicked, this, &PreviewWindow::lastPage);
  connect(bar.findButton, &QToolButton::clicked, this, &PreviewWindow::openFind);
  connect(bar.exportButton, &QToolButton::clicked, this, &PreviewWindow::exportLines);
  connect(pageView, &PageView::zoomChanged, this, &PreviewWindow::updateZoomButtons);
  pageView->turnPage = [this](int step) { return turnPage(step); };
  // Wired after the designed texts are in, so building the window runs no handler.
  connect(bar.pageField, &QLineEdit::textChanged, this, &PreviewWindow::pageFieldChanged);
  connect(bar.pageField, &QLineEdit::editingFinished, this, &PreviewWindow::pageFieldLeft);
}

void PreviewWindow::SetPageInfo(const std::string& firstPage, const std::string& lastPage, ReportTable* table,
                                const std::string& currentPage) {
  firstPage_ = std::stoi(firstPage);
  lastPage_ = std::stoi(lastPage);
  // The range fields hold four digits as designed; a longer report widens
  // them to its last page, so every page can be printed.
  toolBar->setPageRange(firstPage_, lastPage_);
  toolBar->pageField->SetValue(std::stoi(currentPage));
  statusBar->pageNumberLabel->setText(QString::fromStdString(firstPage));
  statusBar->pageTotalLabel->setText(QStringLiteral("/ ") + QString::fromStdString(lastPage));
  table_ = table;
}

void PreviewWindow::SetPaperOrientation(int orientation) {
  orientation_ = orientation == 1 ? PaperOrientation::kLandscape : PaperOrientation::kPortrait;
}

void PreviewWindow::SetWarning(const std::string& text) {
  statusBar->warningLabel->setText(QString::fromStdString(text));
  statusBar->warningLabel->setVisible(!text.empty());
}

void PreviewWindow::ShowModal() {
  QSize paper;
  if (!PageView::paperSize(services_.printer, orientation_, paper)) {
    // Without a printer there is no paper to lay the page on.
    throw DataError(ErrorKind::kOther, "프린터가 설정되어 있지 않거나,사용할 수 없는 상태입니다.");
  }
  if (context_.hooks.runPreview) {
    show();
    context_.hooks.runPreview(*this);
    close();
    return;
  }
  exec();
}

void PreviewWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  start();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  // The runner destroys the window once its modal showing returns.
  event->accept();
  QDialog::closeEvent(event);
}

void PreviewWindow::start() {
  if (Printer* printer = services_.printer) printer->setOrientation(orientation_);
  QSize paper;
  PageView::paperSize(services_.printer, orientation_, paper);
  pageView->setPaperSize(paper);
  records_ = 0;
  pageView->start();

  if (lastPage_ <= firstPage_) toolBar->setPageButtons(false, false, false, false);
  toolBar->rangeFromField->setFocus();

  pageView->refresh();
  shownPage_ = static_cast<int>(integerPart(toolBar->pageField->Value()));
  if (drawPage_) {
    try {
      drawPage(shownPage_);
    } catch (const std::exception& e) {
      services_.box().error(errorMessageText(e));
    }
    pageView->refresh();
  }
  pageView->restoreZoom();
}

void PreviewWindow::drawPage(int page) {
  {
    const BusyCursor busy;
    drawPage_(pageView->recorder(), page, table_);
  }
  ++records_;
  pageView->pageRecorded();
}

void PreviewWindow::updateZoomButtons(int percent) {
  toolBar->zoomInButton->setEnabled(percent != PageView::kZoomMax);
  toolBar->zoomOutButton->setEnabled(percent != PageView::kZoomOutDisabledAt);
}

// From the page shown, never from what the field holds while it is typed in.
void PreviewWindow::nextPage() { goToPage(shownPage() + 1); }
void PreviewWindow::priorPage() { goToPage(shownPage() - 1); }
void PreviewWindow::firstPage() { toolBar->pageField->SetValue(firstPage_); }
void PreviewWindow::lastPage() { toolBar->pageField->SetValue(lastPage_); }

void PreviewWindow::goToPage(int page) {
  // The buttons keep their designed state until a page change sets them, so
  // 이전 on the first page is clickable: it must not put page 0 in the field.
  if (page < firstPage_ || page > lastPage_) {
    QApplication::beep();
    return;
  }
  toolBar->pageField->SetValue(page);
}

bool PreviewWindow::turnPage(int step) {
  const int shown = std::clamp(currentPage_, firstPage_, std::max(firstPage_, lastPage_));
  if (step > 0 && shown < lastPage_) {
    toolBar->pageField->SetValue(shown + 1);
    return true;
  }
  if (step < 0 && shown > firstPage_) {
    toolBar->pageField->SetValue(shown - 1);
    return true;
  }
  return false;
}

int PreviewWindow::shownPage() const { return std::clamp(shownPage_, firstPage_, std::max(firstPage_, lastPage_)); }

void PreviewWindow::refusePageField() {
  QApplication::beep();
  toolBar->pageField->SetValue(shownPage());
}

void PreviewWindow::pageFieldLeft() {
  const long long page = integerPart(toolBar->pageField->Value());
  if (page < firstPage_ || page > lastPage_) refusePageField();
}

void PreviewWindow::pageFieldChanged() {
  try {
    const long long page = integerPart(toolBar->pageField->Value());
    // Past the last page no further digit helps: refused at once. Below the
    // first (an emptied field) the user may still be typing; refused when the
    // field is left.
    if (page > lastPage_) {
      refusePageField();
      return;
    }
    if (page < firstPage_) return;
    shownPage_ = static_cast<int>(page);
    if (page == lastPage_) {
      toolBar->setPageButtons(true, true, false, false);
    } else if (page == firstPage_) {
      toolBar->setPageButtons(false, false, true, true);
    } else {
      toolBar->setPageButtons(true, true, true, true);
    }
    currentPage_ = static_cast<int>(page);
    find_.pageShown(currentPage_);
    updateBand();
    statusBar->pageNumberLabel->setText(QString::number(page));
    if (drawPage_) drawPage(currentPage_);
    pageView->refresh();
  } catch (const std::exception& e) {
    // Said as for the first page; the preview stays as it was.
    services_.box().error(errorMessageText(e));
  }
}

void PreviewWindow::print() {
  const int copies = static_cast<int>(integerPart(toolBar->copiesField->Value()));
  const int from = static_cast<int>(integerPart(toolBar->rangeFromField->Value()));
  const int to = static_cast<int>(integerPart(toolBar->rangeToField->Value()));
  if (from > to) {
    warnPageRangeOrder(services_.box());
    toolBar->rangeToField->SetValue(from);
    return;
  }
  const int startNo = static_cast<int>(integerPart(toolBar->startNumberField->Value()));
  if (!printJob_) return;
  const QString status = printAction_->run(PrintJob{from, to, startNo, copies}, layout(), printJob_);
  if (!status.isEmpty()) statusBar->savedFileLabel->setText(status);
}

void PreviewWindow::exportLines() {
  if (table_ == nullptr) return;
  // The whole report or the print range of the toolbar, and the code columns.
  const int rangeFrom = static_cast<int>(integerPart(toolBar->rangeFromField->Value()));
  const int rangeTo = static_cast<int>(integerPart(toolBar->rangeToField->Value()));
  const std::optional<ExportChoice> choice = exportAction_->askOptions(firstPage_, lastPage_, rangeFrom, rangeTo);
  if (!choice) return;
  if (!choice->wholeReport && rangeFrom > rangeTo) {
    warnPageRangeOrder(services_.box());
    toolBar->rangeToField->SetValue(rangeFrom);
    return;
  }
  const QString status = exportAction_->write(layout(), *table_, *choice, choice->wholeReport ? firstPage_ : rangeFrom,
                                              choice->wholeReport ? lastPage_ : rangeTo);
  if (!status.isEmpty()) statusBar->savedFileLabel->setText(status);
}

void PreviewWindow::openFind() {
  if (table_ == nullptr) {
    refuseSearchWithoutPageNumbers(services_.box());
    return;
  }
  if (!find_.open(*table_, currentPage_)) return;
  currentPage_ = find_.state().page;
  if (firstPage_ <= currentPage_ && currentPage_ <= lastPage_) {
    find_.markFirstHit(*table_);
    toolBar->pageField->SetValue(currentPage_);
    updateBand();
    pageView->surface->update();
  }
}

void PreviewWindow::findNext() {
  if (table_ == nullptr || !find_.canFindNext()) {
    openFind();
    return;
  }
  if (find_.next(*table_, currentPage_)) showHit();
}

void PreviewWindow::showBandAt(int page, int line) {
  find_.setHit(LineHit{true, page, line});
  updateBand();
}

void PreviewWindow::showHit() {
  if (find_.hit().page == currentPage_) {
    updateBand();
    pageView->surface->update();
  } else {
    toolBar->pageField->SetValue(find_.hit().page);
  }
}

void PreviewWindow::updateBand() {
  const LineHit& hit = find_.hit();
  if (!hit.found || hit.page != currentPage_ || table_ == nullptr) {
    pageView->setBand(std::nullopt, {});
    return;
  }
  const QSizeF extent = orientation_ == PaperOrientation::kLandscape ? QSizeF(2970, 2100) : QSizeF(2100, 2970);
  pageView->setBand(PreviewLineRect(layout(), hit.line), extent);
}

void PreviewWindow::fieldKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
  const PreviewToolBar& bar = *toolBar;
  switch (key) {
    case Qt::Key_PageDown:
      if (bar.nextPageButton->isEnabled()) nextPage();
      return;
    case Qt::Key_Home:
      if (bar.firstPageButton->isEnabled()) firstPage();
      return;
    case Qt::Key_End:
      if (bar.lastPageButton->isEnabled()) lastPage();
      return;
    case Qt::Key_PageUp:
      if (bar.priorPageButton->isEnabled()) priorPage();
      return;
    default: break;
  }
  if (modifiers & Qt::KeypadModifier) {
    if (key == Qt::Key_Plus) pageView->zoomIn();
    if (key == Qt::Key_Minus) pageView->zoomOut();
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

}  // namespace zel
