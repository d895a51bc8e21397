// PdfCanvas: the renderer's Canvas writing PDF operators straight into a
// PdfWriter's page content. It maps page units the way a printer canvas
// does (device pixels of a given resolution, or 0.1 mm with y upward, plus
// the window origin) and turns device pixels into points.
//
// Fonts come from a PdfFontSource, which says how large a logical font is
// and where each glyph of a text stands: the canvas measures and places
// texts by it alone, so a source that lays texts out as the screen and
// printer canvases do gives the same pages. Texts of one font, scale and
// colour that need no clip are held and written together in one text
// object until a line, a frame or an overlapping text comes (the same order
// of drawing the other canvases keep).
//
// The writer and the source must outlive the canvas. Toolkit-free; one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"
#include "truetype_font.h"

namespace zel::pdf {

class PdfWriter;

struct PdfLaidText;

class PdfFontSource {
 public:
  // A logical font made concrete. Font units: a page unit is
  // unitsPerPageUnit of them; size is the em.
  struct Font {
    const void* face = nullptr;  // the font file's identity
    FontTableReader tables;  // the font file's tables
    double size = 1;
    double ascent = 0, descent = 0;
    double stretch = 1;  // horizontal scale giving the asked average width
    double unitsPerPageUnit = 1;
  };
  virtual ~PdfFontSource() = default;
  // Null when the font cannot be made; the font lives as long as the source.
  virtual const Font* resolve(const LogicalFont& font) = 0;
  // The font of a canvas with none selected.
  virtual const Font& defaultFont() = 0;
  // The text's glyphs; the reference holds until the next call.
  virtual const PdfLaidText& layOut(const Font& font, const std::string& cp949Text) = 0;
};

// One glyph of a laid-out text: its number, its pen position (font units
// from the text's start) and the characters it stands for.
struct PdfGlyph {
  std::uint16_t glyph = 0;
  double x = 0;
  char16_t text[2] = {0, 0};
  std::uint8_t length = 0;  // UTF-16 units in text
  std::uint8_t face = 0;  // 0: the text's font; n: the text's fallbacks[n - 1]
};

struct PdfLaidText {
  std::vector<PdfGlyph> glyphs;  // blanks are left out; they keep their advance
  double advance = 0;  // font units
  // Fonts that stand in for characters the text's font lacks.
  std::vector<const PdfFontSource::Font*> fallbacks;
};

class PdfCanvas : public Canvas {
 public:
  // dpi: the device pixels per inch the renderer is given (its printer caps);
  // pageHeight: the page's height in points (PDF's y grows upward).
  PdfCanvas(PdfWriter& writer, PdfFontSource& fonts, double dpi, double pageHeight);
  ~PdfCanvas() override;

  // Device pixels, y downward (the initial mapping), or 0.1 mm, y upward.
  void setDeviceMapping();
  void setMetricMapping();
  bool metricMapping() const { return metric_; }
  // Where the device's origin lies on the page, in device pixels from its top left.
  void setDeviceOrigin(double x, double y);
  void setPageHeight(double height) { pageHeight_ = height; }
  void setPrintingOffset(CanvasPoint offset) { printingOffset_ = offset; }
  // Starts a page's content: the graphics state the operators assume.
  void beginPage();
  // Writes the held texts; before the page ends.
  void flushTexts();

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

 private:
  // A rectangle in device pixels (y downward), with the toolkit's rules for
  // empty rectangles: the canvases decide alike which texts overlap.
  struct Box {
    double x = 0, y = 0, w = 0, h = 0;
    bool isNull() const { return w == 0 && h == 0; }
    bool intersects(const Box& o) const;
    Box united(const Box& o) const;
  };
  // Texts of one font, scale and colour waiting to be written together. The
  // glyphs' places are reckoned as a glyph run drawn from one origin is:
  // offsets in font units on a 1/64 grid, and the steps between glyphs in
  // nine significant digits, so that texts on one line stay on one line to
  // the last digit as they do in the toolkit's PDF files.
  struct Held {
    const PdfFontSource::Font* source = nullptr;
    int font = -1;
    double ux = 0, uy = 0;  // device pixels per font unit
    std::uint32_t color = 0;
    double originX = 0, originY = 0;  // device pixels
    double lastX = 0, lastY = 0;  // the last glyph, font units from the origin
    double penX = 0;  // its place across as the steps add up
    double lineX = 0;  // the last text's start as written
    std::string operators;
    // The texts' cells by band of the page (kBand device pixels high), so a
    // new text is checked against its neighbours only.
    std::vector<std::vector<Box>> inked;
    Box bounds;
  };
  static constexpr double kBand = 256;
  struct UsedFont {
    const PdfFontSource::Font* source = nullptr;
    int pdfFont = -1;
  };

  // Page units to device pixels under the current mapping.
  double scaleX() const;
  double scaleY() const;
  double deviceX(double x) const;
  double deviceY(double y) const;
  // Device pixels to points.
  double pointX(double x) const { return x * pointsPerPixel_; }
  double pointY(double y) const { return pageHeight_ - y * pointsPerPixel_; }
  void setLineWidth();
  const PdfFontSource::Font& currentFont();
  int pdfFontOf(const PdfFontSource::Font& font);
  bool overlapsHeld(const Box& box, std::size_t except) const;
  void setFill(std::uint32_t color);
  // Appends the text's glyphs to the run: "a 0 0 d x y Tm [...] TJ".
  void appendText(Held& run, const PdfLaidText& laid, double x, double baseline);
  // "q ... cm BT/Fn size Tf ... Tm": the run's scale, origin and font.
  void beginRun(std::string& out, const Held& run) const;
  // A text with glyphs of fallback fonts: written at once, a text object a font.
  void writeMixed(const PdfFontSource::Font& font, const PdfLaidText& laid, double ux, double uy, double x,
                  double baseline);

  PdfWriter& writer_;
  PdfFontSource& fonts_;
  double pointsPerPixel_;
  double dpi_;
  double pageHeight_;
  bool metric_ = false;
  double originX_ = 0, originY_ = 0;  // device origin, device pixels
  double windowX_ = 0, windowY_ = 0;
  CanvasPoint printingOffset_;
  int penWidth_ = 1;
  double lineWidth_ = -1;  // as last written
  std::uint32_t fill_ = 0;  // the fill colour as last written
  std::uint32_t textColor_ = 0;
  double currentX_ = 0, currentY_ = 0;
  std::vector<const PdfFontSource::Font*> selected_;
  std::vector<UsedFont> used_;
  std::vector<Held> held_;  // the first heldCount_ are in use
  std::size_t heldCount_ = 0;
  void clearHeld();
};

}  // namespace zel::pdf
