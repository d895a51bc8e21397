#include "page_tape.h"

#include "painter_canvas.h"
#include "printer.h"

namespace zel::cli {

using Kind = TapeOp::Kind;

TapeCanvas::TapeCanvas() : scratch_(1, 1, QImage::Format_RGB32) {
  painter_.begin(&scratch_);
  measure_ = std::make_unique<PainterCanvas>(painter_);
  measure_->setMeasureOnly(true);
}

TapeCanvas::~TapeCanvas() {
  measure_.reset();
  painter_.end();
}

TapeOp& TapeCanvas::add(Kind kind, int a, int b, int c, int d) {
  TapeOp& op = tape_.emplace_back();
  op.kind = kind;
  op.a = a;
  op.b = b;
  op.c = c;
  op.d = d;
  return op;
}

void TapeCanvas::setPenWidth(int width) { add(Kind::kPenWidth, width); }
void TapeCanvas::moveTo(int x, int y) { add(Kind::kMoveTo, x, y); }
void TapeCanvas::lineTo(int x, int y) { add(Kind::kLineTo, x, y); }
void TapeCanvas::rectangle(int left, int top, int right, int bottom) {
  add(Kind::kRectangle, left, top, right, bottom);
}

bool TapeCanvas::selectFont(const LogicalFont& font) {
  // The player's canvas makes the same font the same way, so it fails alike.
  if (!measure_->selectFont(font)) return false;
  add(Kind::kSelectFont).font = font;
  return true;
}

void TapeCanvas::restoreFont() {
  measure_->restoreFont();
  add(Kind::kRestoreFont);
}

void TapeCanvas::setTextColor(std::uint32_t colorRef) { add(Kind::kTextColor, static_cast<int>(colorRef)); }

double TapeCanvas::textWidth(const std::string& cp949Text) { return measure_->textWidth(cp949Text); }

void TapeCanvas::drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) {
  TapeOp& op = add(Kind::kText, rect.left, rect.top, rect.right, rect.bottom);
  op.text = cp949Text;
  op.flags = flags;
  op.scale = xScale;
}

void TapeCanvas::setWindowOrigin(int x, int y) { add(Kind::kWindowOrigin, x, y); }

void PlayTape(const PageTape& tape, Printer& printer) {
  Canvas& canvas = printer.canvas();
  for (const TapeOp& op : tape) {
    switch (op.kind) {
      case Kind::kPenWidth: canvas.setPenWidth(op.a); break;
      case Kind::kMoveTo: canvas.moveTo(op.a, op.b); break;
      case Kind::kLineTo: canvas.lineTo(op.a, op.b); break;
      case Kind::kRectangle: canvas.rectangle(op.a, op.b, op.c, op.d); break;
      case Kind::kSelectFont: canvas.selectFont(op.font); break;
      case Kind::kRestoreFont: canvas.restoreFont(); break;
      case Kind::kTextColor: canvas.setTextColor(static_cast<std::uint32_t>(op.a)); break;
      case Kind::kText: canvas.drawText(op.text, {op.a, op.b, op.c, op.d}, op.flags, op.scale); break;
      case Kind::kWindowOrigin: canvas.setWindowOrigin(op.a, op.b); break;
      case Kind::kMetricMapping: printer.setMetricMapping(); break;
      case Kind::kRestoreMapping: printer.restoreMapping(op.a); break;
    }
  }
}

}  // namespace zel::cli
