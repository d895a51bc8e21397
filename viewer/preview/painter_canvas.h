// PainterCanvas: the renderer's Canvas over a QPainter. It keeps the device
// mapping the way the page renderer expects it (device pixels, the page
// picture's anisotropic page window, or 0.1 mm with y upward on a printer) and
// draws lines, framed white rectangles and single-line texts clipped to their
// rectangle, with fonts sized by cell height and average width.
//
// The painter is not owned and must outlive the canvas; the canvas never calls
// begin/end on it. Texts arrive as CP949 bytes and are converted here. The
// fonts made and the texts laid out are kept per thread beyond the canvas
// (the preview makes a canvas a page): see ShapedTextCache.
//
// PicturePageRecorder records one preview page into a QPicture through such a
// canvas (the engine's PageRecorder). User-interface thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QFontMetricsF>
#include <QPicture>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "char_glyphs.h"
#include "page_recorder.h"
#include "shaped_text_cache.h"

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
  // Draws the texts held back for drawing together on a PDF device (see
  // HeldRun); the owner calls it before it ends the page or the painter.
  // The destructor does it too, while the painter is active.
  void flushTexts();

  // The resolved form of a logical font: QFont at kTextScale times its pixel
  // size, and the horizontal stretch that gives the requested average width.
  struct ResolvedFont {
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
    double ascent = 0;  // in font units (pixels of the scaled font)
    double descent = 0;
    double stretch = 1;  // horizontal scale applied while drawing
    std::unique_ptr<CharGlyphs> glyphs;  // texts laid out without the shaper
    // The font stretched to a whole percent of its width, for screens (made
    // when first asked; see PainterCanvas::drawText).
    struct Stretched {
      int percent = 100;
      QFont font;
      QRawFont raw;
    };
    const Stretched& stretchedTo(int percent) const;
    mutable std::vector<std::unique_ptr<Stretched>> stretched;
  };
  // Texts are laid out at this many times their page-unit size, so cell
  // heights keep sub-unit precision although QFont pixel sizes are integers.
  static constexpr int kTextScale = 16;
  static bool resolveFont(const LogicalFont& font, ResolvedFont& out);

  // Texts laid out and kept per thread at most (see ShapedTextCache).
  static constexpr std::size_t kShapedTexts = 1024;
  // Forgets this thread's fonts and texts (tests; the cache bound).
  static void clearThreadCache();

  // A canvas that only measures texts (it draws nothing) need not keep their
  // glyphs: textWidth alone then, drawText does nothing.
  void setMeasureOnly(bool measureOnly) { measureOnly_ = measureOnly; }

 private:
  void applyTransform();
  void applyPen();
  void ensureLinePen();
  const ResolvedFont& currentFont();
  const ResolvedFont* lookUpFont(const LogicalFont& font);
  // The text as Unicode, its advance in font units and its glyphs, from the
  // thread's cache. A cell is measured before it is drawn, so the last one is
  // kept at hand.
  const ShapedText& measure(const std::string& cp949Text);
  void drawWordByWord(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline, double ux,
                      double uy);
  void holdText(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline, double ux, double uy,
                const QRectF& inked);
  // Draws a squeezed text on a screen in the font stretched to the squeeze
  // (vx: device pixels per font unit across before any squeeze); false
  // when the text is not squeezed.
  bool squeezedOnScreen(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline, double vx,
                        double ux, double uy);
  // Whether inked meets a held text outside the given run.
  bool overlapsHeld(const QRectF& inked, std::size_t run) const;

  // Unclipped texts of one font, scale and colour, gathered into one glyph
  // run until something else is drawn: each run the painter draws costs a
  // PDF writer a text object with its whole graphics state, and drawing them
  // together leaves every glyph where it was.
  struct HeldRun {
    const ResolvedFont* font = nullptr;
    double ux = 1, uy = 1;
    QColor color;
    QPointF origin;  // device position of the run's font-unit origin
    QList<quint32> glyphs;
    QList<QPointF> positions;  // font units from origin
    std::vector<QRectF> inked;  // each text's cell, device pixels
    QRectF bounds;  // of them all
  };
  std::vector<HeldRun> held_;

  QPainter& painter_;
  // Images and PDF writers draw laid-out glyph runs; a picture records texts
  // as texts, so that it lays them out again when played at another scale.
  bool drawRuns_ = false;
  // PDF writers (printers too) hold texts back to draw them together (see
  // HeldRun); the owner flushes them before the painter ends.
  bool holdRuns_ = false;
  bool measureOnly_ = false;
  // Printers and PDF writers get texts that need the shaper word by word.
  bool splitWords_ = false;
  // Screens (images, pictures) draw a squeezed text in a stretched font
  // instead of through a squeezing transform: Qt keeps a font's glyph images
  // for a few transforms only, and a page has dozens of squeezes.
  bool stretchFonts_ = false;
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
  std::vector<const ResolvedFont*> fonts_;  // selected fonts, innermost last
  // The text measured last; valid while the thread's cache has dropped no entry.
  const ResolvedFont* lastFont_ = nullptr;
  std::string lastText_;
  const ShapedText* last_ = nullptr;
  std::size_t lastEvictions_ = 0;
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
