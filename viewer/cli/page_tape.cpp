#include "page_tape.h"

#include "painter_canvas.h"
#include "printer.h"

namespace zel::cli {

using Op = CanvasCall::Op;

TapeCanvas::TapeCanvas() : scratch_(1, 1, QImage::Format_RGB32) {
  painter_.begin(&scratch_);
  measure_ = std::make_unique<PainterCanvas>(painter_);
  measure_->setMeasureOnly(true);
}

TapeCanvas::~TapeCanvas() {
  measure_.reset();
  painter_.end();
}

CanvasCall& TapeCanvas::add(Op what, int a, int b, int c, int d) {
  CanvasCall& op = tape_.emplace_back();
  op.op = what;
  op.a = a;
  op.b = b;
  op.c = c;
  op.d = d;
  return op;
}

void TapeCanvas::setPenWidth(int width) { add(Op::kPenWidth, width); }
void TapeCanvas::moveTo(int x, int y) { add(Op::kMoveTo, x, y); }
void TapeCanvas::lineTo(int x, int y) { add(Op::kLineTo, x, y); }
void TapeCanvas::rectangle(int left, int top, int right, int bottom) { add(Op::kRectangle, left, top, right, bottom); }

bool TapeCanvas::selectFont(const LogicalFont& font) {
  // The player's canvas makes the same font the same way, so it fails alike.
  if (!measure_->selectFont(font)) return false;
  add(Op::kSelectFont).font = font;
  return true;
}

void TapeCanvas::restoreFont() {
  measure_->restoreFont();
  add(Op::kRestoreFont);
}

void TapeCanvas::setTextColor(std::uint32_t colorRef) { add(Op::kTextColor, static_cast<int>(colorRef)); }

double TapeCanvas::textWidth(const std::string& cp949Text) { return measure_->textWidth(cp949Text); }

void TapeCanvas::drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) {
  CanvasCall& op = add(Op::kText, rect.left, rect.top, rect.right, rect.bottom);
  op.text = cp949Text;
  op.flags = flags;
  op.scale = xScale;
}

void TapeCanvas::setWindowOrigin(int x, int y) { add(Op::kWindowOrigin, x, y); }

void PlayTape(const PageTape& tape, Printer& printer) {
  Canvas& canvas = printer.canvas();
  for (const CanvasCall& op : tape) {
    switch (op.op) {
      case Op::kPenWidth: canvas.setPenWidth(op.a); break;
      case Op::kMoveTo: canvas.moveTo(op.a, op.b); break;
      case Op::kLineTo: canvas.lineTo(op.a, op.b); break;
      case Op::kRectangle: canvas.rectangle(op.a, op.b, op.c, op.d); break;
      case Op::kSelectFont: canvas.selectFont(op.font); break;
      case Op::kRestoreFont: canvas.restoreFont(); break;
      case Op::kTextColor: canvas.setTextColor(static_cast<std::uint32_t>(op.a)); break;
      case Op::kText: canvas.drawText(op.text, {op.a, op.b, op.c, op.d}, op.flags, op.scale); break;
      case Op::kWindowOrigin: canvas.setWindowOrigin(op.a, op.b); break;
      case Op::kMetricMapping: printer.setMetricMapping(); break;
      case Op::kRestoreMapping: printer.restoreMapping(op.a); break;
    }
  }
}

}  // namespace zel::cli
