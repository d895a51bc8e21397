// PageView: the preview's page area — a scroll box with the page surface in
// it. It keeps the page picture (recorded once per page change at 80 dpi) and
// scales it at paint time: the zoom (50..250 % in steps of 10, or fitted to
// the page or its width), centring, dragging the page with the mouse, the
// wheel (Ctrl zooms; past a page's end it turns the page) and the band over a
// found line. The window records pages into recorder() and says which page
// the wheel may turn to; the view knows nothing of the report.
#pragma once

#include <QColor>
#include <QPicture>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "page_renderer.h"
#include "printer.h"
#include "zoom_fit.h"
#include "zoom_setting.h"

class QScrollArea;
class QWheelEvent;

namespace zel {

class PageView;
class PicturePageRecorder;

// The paint surface: draws the page picture into the view's target rect.
class PageSurface : public QWidget {
  Q_OBJECT
 public:
  PageSurface(PageView& view, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  PageView& view_;
};

class PageView : public QWidget {
  Q_OBJECT
 public:
  // settingsDirectory: where the zoom the user chose is kept (empty: nowhere).
  PageView(const std::string& settingsDirectory, QWidget* parent);
  ~PageView() override;

  static const QColor kBandColor;
  static constexpr int kZoomMin = 50;
  static constexpr int kZoomMax = 250;
  static constexpr int kZoomStep = 10;
  static constexpr int kZoomOutDisabledAt = 70;  // the zoom-out button stops here, the keys at 50

  QScrollArea* scroller = nullptr;
  PageSurface* surface = nullptr;

  // The printer's paper in picture pixels (80 per inch); A4 and false when
  // the printer cannot tell.
  static bool paperSize(Printer* printer, PaperOrientation orientation, QSize& out);
  // The paper in picture pixels, before the first page is recorded.
  void setPaperSize(QSize size);
  // Sizes the surface for the first page and takes the zoom the user chose last.
  void start();
  // Where the next page is recorded; call pageRecorded() afterwards.
  PicturePageRecorder& recorder();
  void pageRecorded();
  const QPicture& picture() const;
  QSize pictureSize() const { return pictureSize_; }
  // Where the picture is stretched to on the surface (at 100 %: unscaled at 0, 0).
  QRect targetRect() const { return target_; }

  int zoomPercent() const { return zoom_; }
  void zoomIn();
  void zoomOut();
  void fitPage();
  void fitWidth();
  // The zoom at which the page (or its width) fits the scroll area now.
  int fitZoom(FitKind kind) const;
  // Places the surface for the zoom and repaints.
  void refresh();
  // The zoom the user chose last (kept beside the program), if any.
  void restoreZoom();

  // The band over a found line, in page units of a page `extent` big (2100 x
  // 2970 portrait); nullopt: none. Painted over the page, never printed.
  void setBand(std::optional<PageUnitRect> band, QSizeF extent);
  // The band in surface coordinates; empty without one.
  QRect bandRect() const;

  // Mouse dragging: the press position, then each move past a band of 10
  // pixels scrolls by 20.
  void startDrag(QPoint position);
  void dragTo(QPoint position, Qt::MouseButtons buttons);
  QPoint dragStart() const { return dragStart_; }

  // Asked by the wheel at a page's end: turn by step (+1 next, -1 prior);
  // true when there was a page to turn to.
  std::function<bool(int step)> turnPage;

 signals:
  void zoomChanged(int percent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void layoutSurface();
  void placeSurface(QPoint topLeft, QSize size);
  QPoint surfacePos() const;
  QSize scrollBoxSize() const;
  void keepZoom(ZoomMode mode);
  bool wheelOverPage(const QWheelEvent& wheel);

  std::string settingsDirectory_;
  std::unique_ptr<PicturePageRecorder> picture_;
  QSize pictureSize_;
  QRect target_;
  QWidget* host_ = nullptr;  // the scroll box's content; the surface sits in it
  int zoom_ = 100;
  std::optional<FitKind> fit_;  // set while a fit button's zoom follows the window's size
  std::optional<PageUnitRect> band_;
  QSizeF bandExtent_;
  QPoint dragStart_;
  bool started_ = false;
};

}  // namespace zel
