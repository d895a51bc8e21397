// Canvas: the drawing surface the page renderer draws on, in page units
// (0.1 mm). The renderer never knows the device: the preview picture, an
// image, a PDF and a printer each sit behind one of these (the Qt adapter
// lives in viewer/preview). A recording canvas for tests keeps every call.
//
// Texts are code page 949 bytes, exactly as stored in the report file.
// On the printer (y upward) the renderer passes rectangles whose top lies
// above their bottom in page terms, i.e. top > bottom numerically; adapters
// take either order.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

struct CanvasRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct CanvasPoint {
  int x = 0, y = 0;
};

// A logical font as the renderer asks for it.
struct LogicalFont {
  std::string faceName;  // CP949 bytes, e.g. the Korean name of a Gulim-style face
  int charSet = 129;  // 129: Hangul
  int height = 0;  // character cell height (internal leading included), page units
  int averageWidth = 0;  // average character width, page units; 0: the face's own
};

// DrawText flags, values as the renderer passes them.
enum : unsigned {
  kDtLeft = 0x00,
  kDtCenter = 0x01,
  kDtRight = 0x02,
  kDtVCenter = 0x04,
  kDtSingleLine = 0x20,
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void setPenWidth(int width) = 0;  // solid black pen
  virtual void moveTo(int x, int y) = 0;
  virtual void lineTo(int x, int y) = 0;
  // Outline with the current pen, inside filled with the white brush.
  virtual void rectangle(int left, int top, int right, int bottom) = 0;
  // Selects a font made from the description; false when it cannot be made
  // (the caller then skips what needed it).
  virtual bool selectFont(const LogicalFont& font) = 0;
  // Puts back the font that was current before the last selectFont.
  virtual void restoreFont() = 0;
  virtual void setTextColor(std::uint32_t colorRef) = 0;  // 0x00BBGGRR
  // Advance width of the text in the current font, page units.
  virtual double textWidth(const std::string& cp949Text) = 0;
  // Text in the rectangle with a transparent background, squeezed across by
  // xScale (0 < xScale <= 1; 1 draws the font as it is).
  virtual void drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) = 0;
  void drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags) {
    drawText(cp949Text, rect, flags, 1.0);
  }
  // Printer only: window origin, and the device's printing offset converted
  // to page units.
  virtual void setWindowOrigin(int x, int y) = 0;
  virtual CanvasPoint printingOffset() = 0;
};

// Draws nothing: what a printer hands out outside a document, where drawing
// is a programming error that must go nowhere instead of crashing.
class IdleCanvas : public Canvas {
 public:
  void setPenWidth(int) override {}
  void moveTo(int, int) override {}
  void lineTo(int, int) override {}
  void rectangle(int, int, int, int) override {}
  bool selectFont(const LogicalFont&) override { return false; }
  void restoreFont() override {}
  void setTextColor(std::uint32_t) override {}
  double textWidth(const std::string&) override { return 0; }
  void drawText(const std::string&, const CanvasRect&, unsigned, double) override {}
  void setWindowOrigin(int, int) override {}
  CanvasPoint printingOffset() override { return {}; }
};

}  // namespace zel
