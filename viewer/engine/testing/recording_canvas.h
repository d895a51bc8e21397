// RecordingCanvas: a Canvas that keeps every call, for tests of the renderer
// and of anything that replays a page. Each call becomes one CanvasCall; the
// helpers pick out texts and lines. failFonts makes selectFont fail, as a
// canvas whose font description cannot be read does. Text widths follow a
// fixed model: every byte is one average character width of the selected font
// (half its height when it gives none), so a Hangul character counts two.
// Header-only.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "canvas_call.h"

namespace zel {

struct CanvasLine {
  int x1, y1, x2, y2;
  bool operator==(const CanvasLine&) const = default;
};

struct CanvasText {
  std::string text;
  CanvasRect rect;
  unsigned flags;
  double scale = 1;
  double width = 0;  // as textWidth measured it when drawn, before the squeeze
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<CanvasCall> calls;
  bool failFonts = false;
  CanvasPoint offset;  // what printingOffset answers

  void setPenWidth(int width) override { add(CanvasCall::Op::kPenWidth, width); }
  void moveTo(int x, int y) override {
    add(CanvasCall::Op::kMoveTo, x, y);
    penX_ = x;
    penY_ = y;
  }
  void lineTo(int x, int y) override {
    add(CanvasCall::Op::kLineTo, x, y);
    lines_.push_back({penX_, penY_, x, y});
    penX_ = x;
    penY_ = y;
  }
  void rectangle(int left, int top, int right, int bottom) override {
    add(CanvasCall::Op::kRectangle, left, top, right, bottom);
  }
  bool selectFont(const LogicalFont& font) override {
    CanvasCall& call = add(CanvasCall::Op::kSelectFont);
    call.text = font.faceName;
    call.font = font;
    if (failFonts) return false;
    fonts_.push_back(font);
    return true;
  }
  void restoreFont() override {
    add(CanvasCall::Op::kRestoreFont);
    if (!fonts_.empty()) fonts_.pop_back();
  }
  void setTextColor(std::uint32_t colorRef) override { add(CanvasCall::Op::kTextColor, static_cast<int>(colorRef)); }
  using Canvas::drawText;
  double textWidth(const std::string& cp949Text) override {
    return fonts_.empty() ? 0 : widthIn(fonts_.back(), cp949Text);
  }
  void drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) override {
    CanvasCall& call = add(CanvasCall::Op::kText, rect.left, rect.top, rect.right, rect.bottom);
    call.text = cp949Text;
    call.flags = flags;
    call.scale = xScale;
    call.font = fonts_.empty() ? LogicalFont{} : fonts_.back();
  }
  void setWindowOrigin(int x, int y) override { add(CanvasCall::Op::kWindowOrigin, x, y); }
  CanvasPoint printingOffset() override { return offset; }

  // Every segment drawn with moveTo/lineTo, in order.
  const std::vector<CanvasLine>& lines() const { return lines_; }
  std::vector<CanvasText> texts() const {
    std::vector<CanvasText> out;
    for (const auto& c : calls)
      if (c.op == CanvasCall::Op::kText)
        out.push_back({c.text, {c.a, c.b, c.c, c.d}, c.flags, c.scale, widthIn(c.font, c.text)});
    return out;
  }
  std::vector<CanvasCall> callsOf(CanvasCall::Op op) const {
    std::vector<CanvasCall> out;
    for (const auto& c : calls)
      if (c.op == op) out.push_back(c);
    return out;
  }
  bool hasLine(const CanvasLine& l) const {
    for (const auto& x : lines_)
      if (x == l) return true;
    return false;
  }
  void clear() {
    calls.clear();
    lines_.clear();
    fonts_.clear();
  }

 private:
  CanvasCall& add(CanvasCall::Op op, int a = 0, int b = 0, int c = 0, int d = 0) {
    CanvasCall call;
    call.op = op;
    call.a = a;
    call.b = b;
    call.c = c;
    call.d = d;
    calls.push_back(std::move(call));
    return calls.back();
  }

  static double widthIn(const LogicalFont& f, const std::string& text) {
    const int perByte = f.averageWidth != 0 ? f.averageWidth : f.height / 2;
    return static_cast<double>(perByte) * static_cast<double>(text.size());
  }

  int penX_ = 0, penY_ = 0;
  std::vector<CanvasLine> lines_;
  std::vector<LogicalFont> fonts_;  // selected fonts, innermost last
};

}  // namespace zel
