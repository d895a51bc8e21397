#include "pdf_canvas.h"

#include <algorithm>
#include <cmath>

#include "pdf_writer.h"

namespace zel::pdf {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kPageUnitsPerInch = 254.0;  // 0.1 mm
constexpr double kClipSlack = 2.0;  // page units, as the screen canvas allows
constexpr std::uint32_t kWhite = 0xFFFFFF;
// Glyph shifts in TJ, thousandths of the em: fine enough that text
// extraction sees each glyph where the layout put it to far below 0.001 pt.
constexpr int kShiftDecimals = 5;
constexpr double kShiftSteps = 100000;

void appendColor(std::string& out, std::uint32_t colorRef) {
  for (int shift : {0, 8, 16}) {
    appendNumber(out, ((colorRef >> shift) & 0xFF) / 255.0, 4);
    out += ' ';
  }
}

void appendHexGlyph(std::string& out, unsigned glyph) {
  static const char kHex[] = "0123456789ABCDEF";
  out.push_back(kHex[(glyph >> 12) & 0xF]);
  out.push_back(kHex[(glyph >> 8) & 0xF]);
  out.push_back(kHex[(glyph >> 4) & 0xF]);
  out.push_back(kHex[glyph & 0xF]);
}

// A glyph position on the 1/64 grid of font units, cut toward zero.
double onGlyphGrid(double v) { return static_cast<int>(v * 64.0) / 64.0; }

// A number as the toolkit's PDF writer puts it down: nine significant
// digits, cut, not rounded.
double nineDigits(double v) {
  if (!std::isfinite(v)) return 0;
  const bool negative = v < 0;
  if (negative) v = -v;
  if (v >= 4294967296.0) return negative ? -v : v;
  unsigned whole = static_cast<unsigned>(v);
  int fraction = static_cast<int>((v - whole) * 1000000000);
  if (fraction == 1000000000) {
    ++whole;
    fraction = 0;
  }
  double scale = 1000000000;
  for (unsigned rest = whole; rest; rest /= 10) {
    fraction /= 10;
    scale /= 10;
  }
  const double cut = whole + fraction / scale;
  return negative ? -cut : cut;
}

// A number as the toolkit's PDF engine writes it (nine significant digits,
// cut; all nine fraction digits below 1), so that a reader parses it to
// the same value.
void appendToolkitNumber(std::string& out, double value) {
  if (std::isnan(value)) {
    out += '0';
    return;
  }
  if (value < 0) {
    out += '-';
    value = -value;
  }
  unsigned whole = static_cast<unsigned>(value);
  int fraction = static_cast<int>((value - whole) * 1000000000);
  if (fraction == 1000000000) {
    ++whole;
    fraction = 0;
  }
  char digits[16];
  int count = 0;
  while (whole) {
    digits[count++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  }
  int place = 100000000;
  if (count == 0) {
    out += '0';
  } else {
    while (count) {
      out += digits[--count];
      place /= 10;
      fraction /= 10;
    }
  }
  if (fraction) {
    out += '.';
    for (; place; place /= 10) out += static_cast<char>('0' + (fraction / place) % 10);
  }
}

}  // namespace

bool PdfCanvas::Box::intersects(const Box& o) const {
  if (w == 0 || o.w == 0 || h == 0 || o.h == 0) return false;
  return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
}

PdfCanvas::Box PdfCanvas::Box::united(const Box& o) const {
  if (isNull()) return o;
  if (o.isNull()) return *this;
  const double left = std::min(x, o.x), top = std::min(y, o.y);
  return {left, top, std::max(x + w, o.x + o.w) - left, std::max(y + h, o.y + o.h) - top};
}

PdfCanvas::PdfCanvas(PdfWriter& writer, PdfFontSource& fonts, double dpi, double pageHeight)
    : writer_(writer), fonts_(fonts), pointsPerPixel_(kPointsPerInch / (dpi > 0 ? dpi : kPointsPerInch)),
      dpi_(dpi > 0 ? dpi : kPointsPerInch), pageHeight_(pageHeight) {}

PdfCanvas::~PdfCanvas() = default;

void PdfCanvas::setDeviceMapping() { metric_ = false; }
void PdfCanvas::setMetricMapping() { metric_ = true; }

void PdfCanvas::setDeviceOrigin(double x, double y) {
  originX_ = x;
  originY_ = y;
}

void PdfCanvas::setWindowOrigin(int x, int y) {
  windowX_ = x;
  windowY_ = y;
}

double PdfCanvas::scaleX() const { return metric_ ? dpi_ / kPageUnitsPerInch : 1.0; }
double PdfCanvas::scaleY() const { return metric_ ? -dpi_ / kPageUnitsPerInch : 1.0; }  // y grows upward
double PdfCanvas::deviceX(double x) const { return scaleX() * x + (originX_ - windowX_ * scaleX()); }
double PdfCanvas::deviceY(double y) const { return scaleY() * y + (originY_ - windowY_ * scaleY()); }

void PdfCanvas::beginPage() {
  clearHeld();
  lineWidth_ = -1;
  fill_ = 0;
  // Square caps and mitred joins, as the classic device's solid pens.
  writer_.content() += "2 J 0 j 2 M\n";
}

void PdfCanvas::setPenWidth(int width) { penWidth_ = std::max(width, 0); }

void PdfCanvas::moveTo(int x, int y) {
  currentX_ = x;
  currentY_ = y;
}

void PdfCanvas::setLineWidth() {
  // A pen narrower than a device pixel draws the thinnest line.
  const double pixels = penWidth_ * std::abs(scaleX());
  const double width = pixels < 1.0 ? 0.0 : pointX(pixels);
  if (width == lineWidth_) return;
  std::string& out = writer_.content();
  appendNumber(out, width, 4);
  out += " w\n";
  lineWidth_ = width;
}

void PdfCanvas::lineTo(int x, int y) {
  flushTexts();
  setLineWidth();
  std::string& out = writer_.content();
  appendNumber(out, pointX(deviceX(currentX_)));
  out += ' ';
  appendNumber(out, pointY(deviceY(currentY_)));
  out += " m ";
  appendNumber(out, pointX(deviceX(x)));
  out += ' ';
  appendNumber(out, pointY(deviceY(y)));
  out += " l S\n";
  currentX_ = x;
  currentY_ = y;
}

void PdfCanvas::rectangle(int left, int top, int right, int bottom) {
  flushTexts();
  setLineWidth();
  setFill(kWhite);
  std::string& out = writer_.content();
  const double x0 = pointX(deviceX(std::min(left, right))), x1 = pointX(deviceX(std::max(left, right)));
  const double ya = pointY(deviceY(top)), yb = pointY(deviceY(bottom));
  appendNumber(out, x0);
  out += ' ';
  appendNumber(out, std::min(ya, yb));
  out += ' ';
  appendNumber(out, x1 - x0);
  out += ' ';
  appendNumber(out, std::abs(ya - yb));
  out += " re B\n";
}

void PdfCanvas::setFill(std::uint32_t color) {
  if (fill_ == color) return;
  std::string& out = writer_.content();
  if (color == 0) {
    out += "0 g\n";
  } else if (color == kWhite) {
    out += "1 g\n";
  } else {
    appendColor(out, color);
    out += "rg\n";
  }
  fill_ = color;
}

bool PdfCanvas::selectFont(const LogicalFont& font) {
  const PdfFontSource::Font* resolved = fonts_.resolve(font);
  if (!resolved) return false;
  selected_.push_back(resolved);
  return true;
}

void PdfCanvas::restoreFont() {
  if (!selected_.empty()) selected_.pop_back();
}

void PdfCanvas::setTextColor(std::uint32_t colorRef) { textColor_ = colorRef & 0xFFFFFF; }

const PdfFontSource::Font& PdfCanvas::currentFont() {
  return selected_.empty() ? fonts_.defaultFont() : *selected_.back();
}

int PdfCanvas::pdfFontOf(const PdfFontSource::Font& font) {
  for (const UsedFont& used : used_) {
    if (used.source == &font) return used.pdfFont;
  }
  const int pdfFont = writer_.font(font.face, font.tables);
  used_.push_back({&font, pdfFont});
  return pdfFont;
}

double PdfCanvas::textWidth(const std::string& cp949Text) {
  if (cp949Text.empty()) return 0;
  const PdfFontSource::Font& font = currentFont();
  return fonts_.layOut(font, cp949Text).advance * font.stretch / font.unitsPerPageUnit;
}

namespace {

// The bands a box lies in, clamped to the page and a little beyond.
std::pair<std::size_t, std::size_t> bandsOf(double y, double h, double band) {
  constexpr double kLast = 1024;
  const double first = std::clamp(std::floor(y / band), 0.0, kLast);
  const double last = std::clamp(std::floor((y + h) / band), 0.0, kLast);
  return {static_cast<std::size_t>(first), static_cast<std::size_t>(last)};
}

}  // namespace

bool PdfCanvas::overlapsHeld(const Box& box, std::size_t except) const {
  const auto [first, last] = bandsOf(box.y, box.h, kBand);
  for (std::size_t i = 0; i < heldCount_; ++i) {
    if (i == except || !held_[i].bounds.intersects(box)) continue;
    const std::vector<std::vector<Box>>& bands = held_[i].inked;
    for (std::size_t band = first; band <= last && band < bands.size(); ++band) {
      for (const Box& other : bands[band]) {
        if (other.intersects(box)) return true;
      }
    }
  }
  return false;
}

void PdfCanvas::appendText(Held& run, const PdfLaidText& laid, double x, double baseline) {
  const TrueTypeFont& file = writer_.fontFile(run.font);
  const double size = run.source->size;
  const double offsetX = (x - run.originX) / run.ux, offsetY = (baseline - run.originY) / run.uy;
  std::string& out = run.operators;
  double startX = 0;
  double pen = 0;  // thousandths of the em from the text's start, as the widths move it
  const double perUnit = 1000.0 / size;
  const double widthScale = 1000.0 / file.unitsPerEm();
  bool first = true;
  for (const PdfGlyph& g : laid.glyphs) {
    const double gx = onGlyphGrid(g.x + offsetX), gy = onGlyphGrid(offsetY);
    run.penX += nineDigits(gx - run.lastX);
    const double stepY = run.lastY - gy;
    run.lastX = gx;
    run.lastY = gy;
    if (first) {
      // The text's start: across, where the steps of the glyphs before it
      // add up to; down, the step as the toolkit's engine writes it, so
      // that a reader adds up the same numbers to the same baseline.
      startX = run.penX;
      const double stepX = std::round((run.penX - run.lineX) * 1e6) / 1e6;
      appendNumber(out, stepX, 6);
      run.lineX += stepX;
      out += ' ';
      appendToolkitNumber(out, stepY);
      out += " Td[<";
      first = false;
    } else {
      // Each glyph where the layout puts it: the pen moves by the glyph's
      // width as the font's widths give it, and a shift (thousandths of the
      // em) puts right what differs. Shifts are written rounded and the pen
      // follows what was written, so nothing drifts along a line.
      const double target = (run.penX - startX) * perUnit;
      const double shift = std::round((pen - target) * kShiftSteps) / kShiftSteps;
      if (shift != 0) {
        out += '>';
        appendNumber(out, shift, kShiftDecimals);
        out += '<';
        pen -= shift;
      }
    }
    appendHexGlyph(out, g.glyph);
    writer_.useGlyph(run.font, g.glyph, std::u16string_view(g.text, g.length));
    pen += std::lround(file.advance(g.glyph) * widthScale);
  }
  out += ">]TJ\n";
}

void PdfCanvas::beginRun(std::string& out, const Held& run) const {
  // Device pixels turned into points, then the run's own scale and origin
  // in device pixels, numbers as the toolkit's engine writes them.
  out += "q ";
  appendToolkitNumber(out, pointsPerPixel_);
  out += " 0 0 ";
  appendToolkitNumber(out, -pointsPerPixel_);
  out += " 0 ";
  appendToolkitNumber(out, pageHeight_);
  out += " cm ";
  appendToolkitNumber(out, run.ux);
  out += " 0 0 ";
  appendToolkitNumber(out, run.uy);
  out += ' ';
  appendToolkitNumber(out, run.originX);
  out += ' ';
  appendToolkitNumber(out, run.originY);
  out += " cm BT/";
  out += writer_.fontName(run.font);
  out += ' ';
  appendToolkitNumber(out, run.source->size);
  out += " Tf 1 0 0 -1 0 0 Tm\n";
}

void PdfCanvas::drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) {
  if (cp949Text.empty()) return;
  const PdfFontSource::Font& font = currentFont();
  const int pdfFont = pdfFontOf(font);
  if (pdfFont < 0) return;
  const PdfLaidText& laid = fonts_.layOut(font, cp949Text);

  // The rectangle in device pixels, as a scaling transform maps it.
  const double sx = std::abs(scaleX()), sy = std::abs(scaleY());
  Box device;
  {
    const double lx = std::min(rect.left, rect.right), ly = std::min(rect.top, rect.bottom);
    const double lw = std::abs(static_cast<double>(rect.right) - rect.left);
    const double lh = std::abs(static_cast<double>(rect.bottom) - rect.top);
    device.x = scaleX() * lx + (originX_ - windowX_ * scaleX());
    device.y = scaleY() * ly + (originY_ - windowY_ * scaleY());
    device.w = scaleX() * lw;
    device.h = scaleY() * lh;
    if (device.w < 0) {
      device.w = -device.w;
      device.x -= device.w;
    }
    if (device.h < 0) {
      device.h = -device.h;
      device.y -= device.h;
    }
  }
  // Device pixels per font unit, across and down.
  const double squeeze = xScale > 0 && xScale < 1 ? xScale : 1.0;
  const double ux = sx * font.stretch * squeeze / font.unitsPerPageUnit;
  const double uy = sy / font.unitsPerPageUnit;
  const double width = laid.advance * ux;
  double x = device.x;
  if (flags & kDtRight) {
    x = (device.x + device.w) - width;
  } else if (flags & kDtCenter) {
    x = (device.x + device.w / 2) - width / 2;
  }
  const double cell = (font.ascent + font.descent) * uy;
  double top = device.y;
  if (flags & kDtVCenter) top = (device.y + device.h / 2) - cell / 2;
  const double baseline = top + font.ascent * uy;

  const Box allowed{device.x - kClipSlack * sx, device.y - kClipSlack * sy, device.w + 2 * kClipSlack * sx,
                    device.h + 2 * kClipSlack * sy};
  const bool clip =
      x < allowed.x || x + width > allowed.x + allowed.w || top < allowed.y || top + cell > allowed.y + allowed.h;
  const Box inked{x, top, width, cell};
  if (laid.glyphs.empty()) return;

  if (!clip && laid.fallbacks.empty()) {
    std::size_t index = 0;
    while (index < heldCount_) {
      const Held& h = held_[index];
      if (h.source == &font && h.ux == ux && h.uy == uy && h.color == textColor_) break;
      ++index;
    }
    // A text over one held in another run would otherwise be drawn in the
    // wrong order.
    if (overlapsHeld(inked, index)) {
      flushTexts();
      index = 0;
    }
    if (index == heldCount_) {
      // Runs are kept for the next page's texts, with their buffers.
      if (heldCount_ == held_.size()) held_.emplace_back();
      Held& h = held_[heldCount_++];
      h.source = &font;
      h.font = pdfFont;
      h.ux = ux;
      h.uy = uy;
      h.color = textColor_;
      h.originX = x;
      h.originY = baseline;
    }
    Held& h = held_[index];
    const auto [first, last] = bandsOf(inked.y, inked.h, kBand);
    if (h.inked.size() <= last) h.inked.resize(last + 1);
    for (std::size_t band = first; band <= last; ++band) h.inked[band].push_back(inked);
    h.bounds = h.bounds.united(inked);
    appendText(h, laid, x, baseline);
    return;
  }
  // Clipped texts, and texts partly in other fonts, are written at once.
  if (overlapsHeld(inked, heldCount_)) flushTexts();
  std::string& out = writer_.content();
  setFill(textColor_);
  if (clip) {
    out += "q ";
    appendNumber(out, pointX(allowed.x));
    out += ' ';
    appendNumber(out, pointY(allowed.y + allowed.h));
    out += ' ';
    appendNumber(out, pointX(allowed.w));
    out += ' ';
    appendNumber(out, pointX(allowed.h));
    out += " re W n\n";
  }
  writeMixed(font, laid, ux, uy, x, baseline);
  if (clip) out += "Q\n";
}

void PdfCanvas::writeMixed(const PdfFontSource::Font& font, const PdfLaidText& laid, double ux, double uy, double x,
                           double baseline) {
  std::string& out = writer_.content();
  // In the text's order, a run for each stretch of glyphs of one font, as
  // the toolkit draws such a text item by item.
  PdfLaidText part;
  for (std::size_t begin = 0; begin < laid.glyphs.size();) {
    const std::uint8_t face = laid.glyphs[begin].face;
    std::size_t end = begin;
    while (end < laid.glyphs.size() && laid.glyphs[end].face == face) ++end;
    part.glyphs.assign(laid.glyphs.begin() + static_cast<std::ptrdiff_t>(begin),
                       laid.glyphs.begin() + static_cast<std::ptrdiff_t>(end));
    begin = end;
    const PdfFontSource::Font& partFont = face == 0 ? font : *laid.fallbacks[face - 1];
    const int pdfFont = pdfFontOf(partFont);
    if (pdfFont < 0) continue;
    Held run;
    run.source = &partFont;
    run.font = pdfFont;
    run.ux = ux;
    run.uy = uy;
    run.originX = x;
    run.originY = baseline;
    appendText(run, part, x, baseline);
    beginRun(out, run);
    out += run.operators;
    out += "ET Q\n";
  }
}

void PdfCanvas::clearHeld() {
  for (std::size_t i = 0; i < heldCount_; ++i) {
    Held& h = held_[i];
    h.operators.clear();
    for (std::vector<Box>& band : h.inked) band.clear();
    h.bounds = {};
    h.lastX = h.lastY = h.penX = h.lineX = 0;
  }
  heldCount_ = 0;
}

void PdfCanvas::flushTexts() {
  if (heldCount_ == 0) return;
  std::string& out = writer_.content();
  for (std::size_t i = 0; i < heldCount_; ++i) {
    const Held& h = held_[i];
    setFill(h.color);
    beginRun(out, h);
    out += h.operators;
    out += "ET Q\n";
  }
  clearHeld();
}

}  // namespace zel::pdf
