// PageTape: one printed page as the engine drew it (canvas calls and the
// printer's mapping changes, in order), taken down on the engine's thread and
// played later onto a real printer on another thread (see SplitPdfPrinter).
//
// TapeCanvas is the canvas the engine draws on while the tape runs. Text
// widths are measured with the real fonts (a PainterCanvas that draws
// nothing), since the renderer aligns and squeezes texts by them; everything
// else is only written down. Thread rules: a TapeCanvas belongs to the thread
// that made it; a finished PageTape may be handed to another thread.
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "canvas_call.h"

namespace zel {
class PainterCanvas;
class Printer;
}  // namespace zel

namespace zel::cli {

using PageTape = std::vector<CanvasCall>;

class TapeCanvas : public Canvas {
 public:
  TapeCanvas();
  ~TapeCanvas() override;

  // The page taken down so far; the caller moves it out and clears it.
  PageTape& tape() { return tape_; }
  void setPrintingOffset(CanvasPoint offset) { offset_ = offset; }

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
  CanvasPoint printingOffset() override { return offset_; }

 private:
  CanvasCall& add(CanvasCall::Op what, int a = 0, int b = 0, int c = 0, int d = 0);

  PageTape tape_;
  CanvasPoint offset_;
  QImage scratch_;  // the measuring canvas's device; never drawn on
  QPainter painter_;
  std::unique_ptr<PainterCanvas> measure_;
};

// Plays a tape onto the printer's current page (its canvas and mappings).
void PlayTape(const PageTape& tape, Printer& printer);

}  // namespace zel::cli
