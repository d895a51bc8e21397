#include "page_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "painter_canvas.h"

namespace zel {
namespace {

constexpr int kStrip = 10;  // blank strip left and above a scaled page
constexpr int kDragBand = 10;  // pointer travel before drag scrolling starts
constexpr int kDragStep = 20;  // scroll units per move beyond the band
constexpr int kZoomOutKeyMin = 60;  // the keys and the wheel zoom out to 50

// Rounds to the nearest integer, halves to even (the default rounding mode).
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

constexpr int kPicturePixelsPerInch = 80;

}  // namespace

bool PageView::paperSize(Printer* printer, PaperOrientation orientation, QSize& out) {
  PrinterCaps caps;
  if (printer == nullptr || !printer->caps(caps) || caps.logPixelsX <= 0 || caps.logPixelsY <= 0) {
    const int w = roundEven(210.0 / 25.4 * kPicturePixelsPerInch);
    const int h = roundEven(297.0 / 25.4 * kPicturePixelsPerInch);
    out = orientation == PaperOrientation::kLandscape ? QSize(h, w) : QSize(w, h);
    return false;
  }
  out = QSize(roundEven(static_cast<double>(caps.physicalWidth) / caps.logPixelsX * kPicturePixelsPerInch),
              roundEven(static_cast<double>(caps.physicalHeight) / caps.logPixelsY * kPicturePixelsPerInch));
  return true;
}

const QColor PageView::kBandColor = QColor(255, 220, 0, 80);

// ------------------------------------------------------------ PageSurface

PageSurface::PageSurface(PageView& view, QWidget* parent) : QWidget(parent), view_(view) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PageSurface::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPicture& picture = view_.picture();
  const QSize size = view_.pictureSize();
  if (picture.isNull() || size.isEmpty()) return;
  const QRect target = view_.targetRect();
  if (view_.zoomPercent() == 100) {
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
  const QRect band = view_.bandRect();
  if (!band.isEmpty()) painter.fillRect(band, PageView::kBandColor);
}

void PageSurface::mousePressEvent(QMouseEvent* event) {
  view_.startDrag(event->position().toPoint());
  event->accept();
}

void PageSurface::mouseMoveEvent(QMouseEvent* event) {
  view_.dragTo(event->position().toPoint(), event->buttons());
  event->accept();
}

void PageSurface::mouseReleaseEvent(QMouseEvent* event) {
  view_.startDrag(event->position().toPoint());
  event->accept();
}

// --------------------------------------------------------------- PageView

PageView::PageView(const std::string& settingsDirectory, QWidget* parent)
    : QWidget(parent), settingsDirectory_(settingsDirectory), picture_(std::make_unique<PicturePageRecorder>()) {
  setObjectName(QStringLiteral("pageView"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  scroller = new QScrollArea(this);
  scroller->setObjectName(QStringLiteral("scroller"));
  scroller->setWidgetResizable(false);
  scroller->setBackgroundRole(QPalette::Dark);
  scroller->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(scroller);
  host_ = new QWidget;
  host_->setObjectName(QStringLiteral("scrollerContent"));
  host_->installEventFilter(this);
  scroller->setWidget(host_);
  surface = new PageSurface(*this, host_);
  surface->setObjectName(QStringLiteral("surface"));
  placeSurface(QPoint(28, 25), QSize(105, 105));
  scroller->viewport()->installEventFilter(this);
}

PageView::~PageView() = default;

void PageView::setPaperSize(QSize size) { pictureSize_ = size; }

void PageView::start() {
  started_ = true;
  const QFontMetrics metrics(surface->font());
  placeSurface(surfacePos(), QSize(metrics.horizontalAdvance(QLatin1Char('X')) * 80 + 20, metrics.height() * 66 + 20));
}

PicturePageRecorder& PageView::recorder() { return *picture_; }

void PageView::pageRecorded() {
  if (!picture_->pageSize().isEmpty()) pictureSize_ = picture_->pageSize();
}

const QPicture& PageView::picture() const { return picture_->picture(); }

QPoint PageView::surfacePos() const { return surface->pos(); }

// The inside the page is centred in: with the scroll bars shown now, so a
// centred page never brings a scroll bar of its own.
QSize PageView::scrollBoxSize() const { return scroller->viewport()->size(); }

void PageView::placeSurface(QPoint topLeft, QSize size) {
  surface->setGeometry(QRect(topLeft, size));
  // The scroll range follows the surface's far edges.
  host_->resize(std::max(1, topLeft.x() + size.width()), std::max(1, topLeft.y() + size.height()));
}

void PageView::refresh() {
  emit zoomChanged(zoom_);
  layoutSurface();
  surface->update();
}

void PageView::layoutSurface() {
  if (pictureSize_.isEmpty()) return;
  if (zoom_ == 100) {
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
  const int w = roundEven(pictureSize_.width() * zoom_ * 0.01);
  const int h = roundEven(pictureSize_.height() * zoom_ * 0.01);
  target_ = QRect(kStrip, kStrip, w - kStrip, h - kStrip);
  QPoint pos = surfacePos();
  const QSize box = scrollBoxSize();
  if (w < box.width()) pos.setX((box.width() - w) / 2);
  if (h < box.height()) pos.setY((box.height() - h) / 2);
  placeSurface(pos, QSize(w, h));
}

void PageView::keepZoom(ZoomMode mode) { writeZoomSetting(settingsDirectory_, {mode, zoom_}); }

void PageView::zoomIn() {
  if (zoom_ != kZoomMax) {
    fit_.reset();
    zoom_ += kZoomStep;
    refresh();
    keepZoom(ZoomMode::kPercent);
  }
}

void PageView::zoomOut() {
  if (zoom_ >= kZoomOutKeyMin) {
    fit_.reset();
    zoom_ -= kZoomStep;
    refresh();
    keepZoom(ZoomMode::kPercent);
  }
}

int PageView::fitZoom(FitKind kind) const {
  const QSize area = scroller->maximumViewportSize();
  const int bar = scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller);
  return zel::fitZoom(kind, pictureSize_.width(), pictureSize_.height(), {area.width(), area.height(), bar},
                      {kZoomMin, kZoomMax, kZoomStep});
}

void PageView::fitPage() {
  // Fitted to the area the page has on this screen; the old fixed 50 and 70 %
  // were that only on the screens of their day.
  fit_ = FitKind::kWholePage;
  zoom_ = fitZoom(FitKind::kWholePage);
  refresh();
  writeZoomSetting(settingsDirectory_, {ZoomMode::kFitPage, 0});
}

void PageView::fitWidth() {
  fit_ = FitKind::kWidth;
  zoom_ = fitZoom(FitKind::kWidth);
  placeSurface(QPoint(3, 1), surface->size());
  refresh();
  scroller->verticalScrollBar()->setValue(0);
  writeZoomSetting(settingsDirectory_, {ZoomMode::kFitWidth, 0});
}

void PageView::restoreZoom() {
  // The next preview opens the way the user left the last one.
  const std::optional<ZoomSetting> setting = readZoomSetting(settingsDirectory_);
  if (!setting) return;
  switch (setting->mode) {
    case ZoomMode::kFitPage: fitPage(); break;
    case ZoomMode::kFitWidth: fitWidth(); break;
    case ZoomMode::kPercent:
      fit_.reset();
      zoom_ = setting->percent;
      refresh();
      break;
  }
}

void PageView::setBand(std::optional<PageUnitRect> band, QSizeF extent) {
  band_ = band;
  bandExtent_ = extent;
}

QRect PageView::bandRect() const {
  if (!band_ || pictureSize_.isEmpty() || bandExtent_.isEmpty()) return {};
  const PageUnitRect& r = *band_;
  // Page units to the picture (as the page was recorded), then to the surface.
  const QRect target = zoom_ == 100 ? QRect(QPoint(0, 0), pictureSize_) : target_;
  const double sx = target.width() / bandExtent_.width(), sy = target.height() / bandExtent_.height();
  return QRectF(target.left() + r.left * sx, target.top() + r.top * sy, (r.right - r.left) * sx,
                (r.bottom - r.top) * sy)
      .toAlignedRect();
}

void PageView::startDrag(QPoint position) { dragStart_ = position; }

void PageView::dragTo(QPoint position, Qt::MouseButtons buttons) {
  if (!(buttons & Qt::LeftButton)) return;
  QScrollBar* vertical = scroller->verticalScrollBar();
  QScrollBar* horizontal = scroller->horizontalScrollBar();
  // QScrollBar::setValue keeps the position inside the range.
  if (position.y() > dragStart_.y() + kDragBand) {
    vertical->setValue(vertical->value() - kDragStep);
  } else if (position.y() < dragStart_.y() - kDragBand) {
    vertical->setValue(vertical->value() + kDragStep);
  }
  if (position.x() > dragStart_.x() + kDragBand) {
    horizontal->setValue(horizontal->value() - kDragStep);
  } else if (position.x() < dragStart_.x() - kDragBand) {
    horizontal->setValue(horizontal->value() + kDragStep);
  }
}

bool PageView::wheelOverPage(const QWheelEvent& wheel) {
  const int delta = wheel.angleDelta().y();
  if (delta == 0) return false;
  if (wheel.modifiers() & Qt::ControlModifier) {
    if (delta > 0) {
      zoomIn();
    } else {
      zoomOut();
    }
    return true;
  }
  // As a document viewer showing one page at a time: one more wheel step at
  // the bottom of a page turns to the next one, at the top to the previous.
  QScrollBar* bar = scroller->verticalScrollBar();
  if (delta < 0 && bar->value() == bar->maximum() && turnPage && turnPage(+1)) {
    bar->setValue(bar->minimum());
    return true;
  }
  if (delta > 0 && bar->value() == bar->minimum() && turnPage && turnPage(-1)) {
    bar->setValue(bar->maximum());
    return true;
  }
  return false;
}

bool PageView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != host_ && watched != scroller->viewport()) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Wheel:
      if (wheelOverPage(*static_cast<QWheelEvent*>(event))) return true;
      break;
    case QEvent::MouseButtonPress: startDrag(static_cast<QMouseEvent*>(event)->position().toPoint()); break;
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      dragTo(mouse->position().toPoint(), mouse->buttons());
      break;
    }
    case QEvent::Resize:
      if (watched == scroller->viewport() && started_) {
        // A fitted page follows the window's size; centring depends on it too.
        if (fit_) zoom_ = fitZoom(*fit_);
        emit zoomChanged(zoom_);
        layoutSurface();
      }
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zel
