// PainterCanvas: the renderer's Canvas over a QPainter. It keeps the device
// mapping the way the page renderer expects it (device pixels, the page
// picture's anisotropic page window, or 0.1 mm with y upward on a printer) and
// draws lines, framed white rectangles and single-line texts clipped to their
// rectangle, with fonts sized by cell height and average width.
//
// The painter is not owned and must outlive the canvas; the canvas never calls
// begin/end on it. Texts arrive as CP949 bytes and are converted here.
//
// PicturePageRecorder records one preview page into a QPicture through such a
// canvas (the engine's PageRecorder). User-interface thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPicture>
#include <QPointF>
#include <QSizeF>
#include <QTransform>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "page_recorder.h"

class QPainter;

namespace zel {

// Mapping modes, numbered as the classic device interface numbers them, so a
// saved mode can be handed back and forth as an int.
enum MapMode : int { kMapText = 1, kMapLoMetric = 2, kMapAnisotropic = 8 };

class PainterCanvas : public Canvas {
 public:
  explicit PainterCanvas(QPainter& painter);
  ~PainterCanvas() override;

  // Device pixels, y downward (the initial mapping).
  void setDeviceMapping();
  // The window extent (page units) stretched onto the viewport (device pixels).
  void setAnisotropicMapping(QSizeF windowExtent, QSizeF viewportExtent);
  // 0.1 mm per unit, y upward, on a device of the given resolution.
  void setMetricMapping(double dpiX, double dpiY);
  int mapMode() const { return mode_; }
  // Where the device's origin lies in the painter's coordinates (the printable
  // corner of the sheet when the painter starts at the sheet's corner).
  void setDeviceOrigin(QPointF origin);
  void setPrintingOffset(CanvasPoint offset) { printingOffset_ = offset; }

  // Page units to device pixels under the current mapping.
  QTransform pageTransform() const;

  void setPenWidth(int width) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;
  void rectangle(int left, int top, int right, int bottom) override;
  bool selectFont(const LogicalFont& font) override;
  void restoreFont() override;
  void setTextColor(std::uint32_t colorRef) override;
  using Canvas::drawText;
  double textWidth(const std::string& cp949Text) override;
  void drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) override;
  void setWindowOrigin(int x, int y) override;
  CanvasPoint printingOffset() override { return printingOffset_; }

  // The resolved form of a logical font: QFont at kTextScale times its pixel
  // size, and the horizontal stretch that gives the requested average width.
  struct ResolvedFont {
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
    double ascent = 0;  // in font units (pixels of the scaled font)
    double descent = 0;
    double stretch = 1;  // horizontal scale applied while drawing
  };
  // Texts are laid out at this many times their page-unit size, so cell
  // heights keep sub-unit precision although QFont pixel sizes are integers.
  static constexpr int kTextScale = 16;
  static bool resolveFont(const LogicalFont& font, ResolvedFont& out);

 private:
  struct CachedFont {
    std::string faceName;
    int height = 0, averageWidth = 0;
    std::unique_ptr<ResolvedFont> resolved;
  };

  void applyTransform();
  void applyPen();
  void ensureLinePen();
  const ResolvedFont& currentFont();
  const ResolvedFont* lookUpFont(const LogicalFont& font);
  // The text as Unicode and its advance in font units; the last one is kept,
  // since a cell is measured before it is drawn.
  struct MeasuredText {
    std::string cp949;
    const ResolvedFont* font = nullptr;
    QString text;
    double advance = 0;
  };
  const MeasuredText& measure(const std::string& cp949Text);

  QPainter& painter_;
  // Printers and PDF writers get texts word by word (see drawText).
  bool splitWords_ = false;
  int mode_ = kMapText;
  QSizeF windowExtent_{1, 1};
  QSizeF viewportExtent_{1, 1};
  double dpiX_ = 254, dpiY_ = 254;
  QPointF windowOrigin_;
  QPointF deviceOrigin_;
  CanvasPoint printingOffset_;
  QTransform page_;  // the current mapping, page units to device pixels
  bool pageSet_ = true;  // the painter holds page_ (texts leave their own transform)
  int penWidth_ = 1;
  bool textPenSet_ = false;  // the painter holds the text colour, not the line pen
  const QFont* painterFont_ = nullptr;  // the font last handed to the painter
  QPointF current_;
  QColor textColor_ = Qt::black;
  std::vector<CachedFont> cache_;  // every font made on this canvas
  std::vector<const ResolvedFont*> fonts_;  // selected fonts, innermost last
  std::unique_ptr<ResolvedFont> defaultFont_;
  MeasuredText measured_;
};

// The preview's page picture as the engine records it.
class PicturePageRecorder : public PageRecorder {
 public:
  // scale > 1 records the page at that many times the asked size (an image
  // export at a higher resolution), so lines and texts are laid out for the
  // final pixels instead of being magnified from the 80-dpi picture.
  explicit PicturePageRecorder(double scale = 1.0);
  ~PicturePageRecorder() override;

  Canvas& beginPage(int width, int height) override;
  void paintPaper() override;
  void setPageWindow(int windowWidth, int windowHeight) override;
  void restoreMapping() override;
  void endPage() override;

  // The last completed page; its bounding rect is the page in device pixels.
  const QPicture& picture() const { return picture_; }
  QSize pageSize() const { return size_; }

 private:
  double scale_ = 1.0;
  QPicture picture_;
  QSize size_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<PainterCanvas> canvas_;
  int savedMode_ = kMapText;
};

}  // namespace zel
