// One file on purpose, though over 400 lines: one page's drawing from frame to
// last line, in the order it is drawn, and the small rules it alone uses
// (half-even rounding, spread captions, printer margins), tested with it.
#include "page_renderer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "canvas.h"
#include "cell_value.h"
#include "data_error.h"
#include "number_format.h"
#include "printer.h"
#include "progress_dialog.h"
#include "report_layout.h"
#include "scope_exit.h"
#include "report_lines.h"
#include "settings_block.h"
#include "status_progress.h"

namespace zel {
namespace {

constexpr int kTitleBand = 60;  // height of a title slot's band
constexpr int kFontScale = 3;  // page units of character height per size unit
constexpr int kHangulCharSet = 129;
constexpr int kCellInsetLeft = 8;
constexpr int kCellInsetRight = 6;
constexpr int kDefaultLinesPerPage = 100;
constexpr double kMinTextSqueeze = 0.5;  // narrower than half, a text becomes hard to read
constexpr unsigned kOneLine = kDtVCenter | kDtSingleLine;
const char kPrintCaption[] =
    "\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C\xEB\xA5\xBC \xEC\x9D\xB8\xEC\x87\x84\xEC\xA4\x91"
    "\xEC\x9E\x85\xEB\x8B\x88\xEB\x8B\xA4.";  // "보고서를 인쇄중입니다." (UTF-8)

std::string trim(const std::string& s) { return VariantText(s); }

struct FontParts {
  std::string face, size, widthPct, color, charSet;
};

FontParts splitFont(const std::string& value) {
  const auto t = SplitTokens(value, 5);
  return {t[0], t[1], t[2], t[3], t[4]};
}

struct MadeFont {
  LogicalFont font;
  std::uint32_t color = 0;
};

// Page coordinates are a few thousand units; absurd settings are held well
// inside int so that the insets and products below cannot overflow.
constexpr long long kCoordLimit = 100000000;
int clampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit)); }

MadeFont makeFont(const FontParts& parts) {
  MadeFont m;
  m.font.faceName = parts.face;
  m.font.charSet = IsAllDigits(parts.charSet) ? ToIntStrict(parts.charSet, "font character set") : kHangulCharSet;
  const long long height = static_cast<long long>(ToIntStrict(parts.size, "font size")) * kFontScale;
  m.font.height = clampToInt(height);
  m.font.averageWidth =
      clampToInt(((ToIntStrict(parts.widthPct, "font width") / 2) * static_cast<long long>(m.font.height)) / 100);
  m.color = static_cast<std::uint32_t>(ToIntStrict(parts.color, "font colour"));
  return m;
}

class PageRenderer {
 public:
  PageRenderer(Canvas& canvas, const RenderJob& job, DrawMode mode, const RenderProgress& progress)
      : c_(canvas), mode_(static_cast<int>(mode)), job_(job), L_(*job.layout), lines_(*job.lines), progress_(progress),
        margins_(job.margins) {}

  RenderOutcome run();

 private:
  bool printing() const { return mode_ < 0; }
  int y(long long d) const { return clampToInt(mode_ * d + y0_); }
  void line(int x1, int y1, int x2, int y2) {
    c_.moveTo(x1, y1);
    c_.lineTo(x2, y2);
  }
  int fieldPage() { return lines_.eof() ? 0 : static_cast<int>(lines_.fieldAsInteger("F_PAGE")); }

  void drawPageFrame();
  void drawTitleSlot(int slot);
  void drawColumnCaptions();
  void drawPageLines(int page);
  void drawLine(int lineNo);
  void drawCell(const std::string& text, const CanvasRect& rect, unsigned align, bool number);
  // A new printer sheet with its frame and captions; nextCopy starts the range
  // over for the next copy.
  void startPrinterPage(bool nextCopy);

  Canvas& c_;
  int mode_;
  const RenderJob& job_;
  TReportLayout& L_;
  ReportLines& lines_;
  const RenderProgress& progress_;
  PrinterMargins margins_;  // of the sheet being drawn
  int currentPage_ = 1;  // CurrentPage: the page being drawn
  int printedPageNo_ = 1;  // PrintedPageNo: the number its page slot shows

  FontParts body_;
  MadeFont bodyFont_;  // made from body_ with each page's captions, which come before its lines
  bool positioned_ = false;  // the cursor has been placed by this run
  int current_ = 0;  // F_PAGE of the record under the cursor, read once per record
  LineRules rules_;
  int x0_ = 0, y0_ = 0, T_ = 0, F_ = 0, rowHeight_ = 0;
  std::array<int, kMaxFields + 1> colEdge_{};
};

RenderOutcome PageRenderer::run() {
  body_ = splitFont(GetKey(L_.SettingsText, "FONT"));
  rules_ = ReadLineRules(L_, lines_);
  // The preview draws one page. The printer draws one sheet per page number
  // of the range, also for a number no line carries (its frame stays empty),
  // and the range again for each copy the device cannot make itself.
  const int pagesPerCopy = printing() ? std::max(job_.printTo - job_.printFrom, 0) + 1 : 1;
  const int sheets = printing() ? clampToInt(static_cast<long long>(pagesPerCopy) * std::max(job_.sheetCopies, 1)) : 1;
  if (printing())
    progress_.dialog.ShowProgress(sheets, kPrintCaption);
  else
    progress_.status.ShowStatusProgress(L_.LinesPerPage);
  int page = job_.printFrom;
  // At the end, and also after an error: the progress is closed.
  const ScopeExit closeProgress([&] {
    if (printing()) {
      progress_.dialog.StepProgress(100, page, kPrintCaption);
      progress_.dialog.CloseProgress();
    } else {
      progress_.status.HideStatusProgress();
    }
  });
  currentPage_ = job_.printFrom;
  // The preview's page slot shows the page itself.
  printedPageNo_ = printing() ? job_.startNo : job_.printFrom;

  for (int sheet = 0; sheet < sheets; ++sheet) {
    page = job_.printFrom + sheet % pagesPerCopy;
    if (sheet == 0) {
      drawPageFrame();
      drawColumnCaptions();
    } else {
      startPrinterPage(page == job_.printFrom);
    }
    drawPageLines(page);
    if (sheet + 1 == sheets) break;
    if (printing()) {
      progress_.dialog.ProcessPendingMessages();
      const int next = job_.printFrom + (sheet + 1) % pagesPerCopy;
      if (!progress_.dialog.StepProgress(1, next, kPrintCaption)) break;
    }
  }
  return {currentPage_, printedPageNo_, margins_};
}

void PageRenderer::drawPageLines(int page) {
  // The cursor normally stands on the page's first line already, right after
  // the page before; a seek is needed at the start and after a gap.
  if (!positioned_ || lines_.eof() || current_ != page) {
    lines_.softSeek(PadLeft(page, 5));
    current_ = fieldPage();
    positioned_ = true;
  }
  int lineNo = 1;
  while (!lines_.eof() && current_ == page) {
    if (!printing()) progress_.status.SetStatusProgress(lineNo);
    drawLine(lineNo);
    ++lineNo;
    lines_.next();
    current_ = fieldPage();
  }
}

void PageRenderer::startPrinterPage(bool nextCopy) {
  if (Printer* printer = job_.printer) {
    printer->newPage();
    printer->setMetricMapping();
    margins_ = ReadPrinterMargins(*printer, L_.Landscape());
  }
  if (nextCopy) {
    currentPage_ = job_.printFrom;
    printedPageNo_ = job_.startNo;
  } else {
    ++currentPage_;
    ++printedPageNo_;
  }
  drawPageFrame();
  drawColumnCaptions();
}

void PageRenderer::drawPageFrame() {
  long long W = 0, B = 0;
  if (!printing()) {
    x0_ = clampToInt(L_.MarginLeft);
    y0_ = clampToInt(L_.MarginTop);
    W = static_cast<long long>(L_.PageWidth) - L_.MarginLeft - L_.MarginRight + 3;
    B = L_.MarginBottom;
    colEdge_[0] = x0_;
  } else {
    x0_ = 0;
    y0_ = 0;
    const long long ax = static_cast<long long>(margins_.PrnMargin1) + L_.MarginLeft;
    const long long ay = static_cast<long long>(margins_.PrnMargin3) + L_.MarginTop;
    B = static_cast<long long>(margins_.PrnMargin2) + L_.MarginBottom;
    W = L_.PageWidth - ax - L_.MarginRight;
    colEdge_[0] = 0;
    const CanvasPoint offset = c_.printingOffset();
    c_.setWindowOrigin(clampToInt(offset.x - ax), clampToInt(ay - offset.y));
  }
  W = clampToInt(W);
  const int H = clampToInt(L_.PageHeight - B - L_.MarginTop);
  if (L_.LinesPerPage == 0) L_.LinesPerPage = kDefaultLinesPerPage;
  rowHeight_ = (H - L_.CaptionHeight) / L_.LinesPerPage;
  F_ = clampToInt(static_cast<long long>(rowHeight_) * (L_.LinesPerPage - 1) + L_.CaptionHeight);

  const int n = L_.VisibleCount();
  long long s = 0;
  for (int i = 1; i <= n; ++i) {
    s += L_.Column(i).WidthPctValue();
    colEdge_[i] = clampToInt(
        x0_ + static_cast<long long>(RoundHalfEven(static_cast<double>(W) * static_cast<double>(s) / 100.0)));
  }
  T_ = clampToInt(W * s / 100);

  c_.setPenWidth(2);
  c_.rectangle(x0_, y0_, x0_ + T_, y(F_));
  c_.setPenWidth(1);

  for (int slot = 1; slot <= 4; ++slot) drawTitleSlot(slot);

  const std::string outline = GetKey(L_.SettingsText, "OUTLINE");
  const char style = outline.empty() ? '\0' : outline[0];
  const int ch = L_.CaptionHeight;
  if (style == '0' || style == '1' || style == '2') line(x0_, y(ch), x0_ + T_, y(ch));
  // Rows of no height would all lie on the caption line; drawing them adds nothing.
  if (style == '0' && rowHeight_ > 0)
    for (int k = 1; k <= L_.LinesPerPage - 2; ++k) {
      const long long at = static_cast<long long>(rowHeight_) * k + ch;
      line(x0_, y(at), x0_ + T_, y(at));
    }
  if (style == '0' || style == '1') {
    for (int i = 1; i <= n - 1; ++i) {
      if (!L_.JoinsNext[i]) {
        line(colEdge_[i], y0_, colEdge_[i], y(F_));
      } else if (L_.Column(i).KindValue() == 1) {
        line(colEdge_[i], y(ch / 2), colEdge_[i], y(F_));
        line(colEdge_[i - 1], y(ch / 2), colEdge_[L_.GroupLast(i)], y(ch / 2));
      }
    }
  }
}

void PageRenderer::drawTitleSlot(int slot) {
  const std::string codeToken = Token(slot + 2, GetKey(L_.SettingsText, "OPTIONSET"), "");
  if (codeToken.empty()) return;
  int code = ToIntStrict(codeToken, "title position");
  if (code == 0) return;
  const FontParts parts = splitFont(GetKey(L_.SettingsText, slot == 1 ? "TITLEFONT" : "FONT"));
  if (code > 10) code -= 10;
  CanvasRect band;
  if (code >= 1 && code <= 3)
    band = {x0_, y(-kTitleBand), x0_ + T_, y0_};
  else if (code >= 4 && code <= 6)
    band = {x0_, y(F_), x0_ + T_, y(static_cast<long long>(F_) + kTitleBand)};
  else
    return;
  unsigned align = kDtLeft;
  if (code == 2 || code == 5) align = kDtCenter;
  if (code == 3 || code == 6) align = kDtRight;

  std::string text;
  switch (slot) {
    case 1: text = GetKey(L_.SettingsText, "TITLE"); break;
    case 2: text = GetKey(L_.SettingsText, "DES"); break;
    case 3: text = "Page : " + std::to_string(printedPageNo_); break;
    default: text = trim(GetKey(L_.SettingsText, "COMNAME")); break;
  }
  if (codeToken[0] == '3' || codeToken[0] == '6') text += ' ';

  const MadeFont font = makeFont(parts);
  if (!c_.selectFont(font.font)) return;
  c_.setTextColor(font.color);
  c_.drawText(text, band, align | kOneLine);
  c_.restoreFont();
}

void PageRenderer::drawColumnCaptions() {
  bodyFont_ = makeFont(body_);
  const MadeFont& font = bodyFont_;
  if (!c_.selectFont(font.font)) return;
  c_.setTextColor(font.color);
  const int cw = font.font.averageWidth;
  const int ch = L_.CaptionHeight;
  const unsigned flags = kDtCenter | kOneLine;
  auto caption = [&](const std::string& text, int left, int top, int right, int bottom) {
    c_.drawText(SpreadCaption(text, right - left, cw), {left, top, right, bottom}, flags);
  };
  const int n = L_.VisibleCount();
  int i = 1;
  while (i <= n) {
    const TFieldDesc& d = L_.Column(i);
    if (L_.JoinsNext[i]) {
      const int j = L_.GroupLast(i);
      if (d.KindValue() == 1) {
        caption(d.UpperCaption(), colEdge_[i - 1], y0_, colEdge_[j], y(ch / 2));
        for (int k = i; k <= j; ++k)
          caption(L_.Column(k).LowerCaption(), colEdge_[k - 1], y(ch / 2), colEdge_[k], y(ch));
      } else {
        caption(d.UpperCaption(), colEdge_[i - 1], y0_, colEdge_[j], y(ch));
      }
      i = j + 1;
    } else {
      caption(d.Kind() == "4" ? d.LowerCaption() : d.UpperCaption(), colEdge_[i - 1], y0_, colEdge_[i], y(ch));
      ++i;
    }
  }
  c_.restoreFont();
}

void PageRenderer::drawLine(int lineNo) {
  const MadeFont& font = bodyFont_;
  if (!c_.selectFont(font.font)) return;
  c_.setTextColor(font.color);
  const std::string lineType = LineTypeOf(lines_, rules_);
  const int top = y(static_cast<long long>(lineNo - 1) * rowHeight_ + L_.CaptionHeight);
  const int bottom = y(static_cast<long long>(lineNo) * rowHeight_ + L_.CaptionHeight);

  for (int i = 1; i <= L_.VisibleCount(); ++i) {
    const TFieldDesc& d = L_.Column(i);
    const std::string& name = d.FieldName();
    bool des = L_.DesWithSize && name == "F_DES";

    std::string text = ReadCellValue(d, lines_, rules_, lineType).text;
    const char alignLetter = d.Align().empty() ? '\0' : d.Align()[0];

    int left = 0, right = 0;
    const int kind = d.KindValue();
    if (kind == 1 || kind == 4 || des) {
      left = colEdge_[i - 1] + kCellInsetLeft;
      right = colEdge_[i] - kCellInsetRight;
    } else {
      const int g = L_.GroupFirst(i);
      if (i - g + 1 != kind - 1) continue;
      left = colEdge_[g - 1] + kCellInsetLeft;
      right = colEdge_[L_.GroupLast(i)] - kCellInsetRight;
    }

    // Letters other than C, L, R fall back to left alignment.
    unsigned align = kDtLeft;
    if (alignLetter == 'C') align = kDtCenter;
    if (alignLetter == 'R') {
      align = kDtRight;
      text += ' ';
      right += kCellInsetRight;
    }

    int sizeLeft = 0, sizeRight = 0;
    std::string size;
    if (des) {
      size = lines_.fieldAsPaddedText("F_SIZE");
      if (trim(size).empty()) {
        des = false;
      } else {
        sizeRight = right;
        right = clampToInt(left + (static_cast<long long>(right) - left) * 6 / 10);
        sizeLeft = right + kCellInsetLeft;
      }
    }
    const bool number = !d.DataType().empty() && d.DataType()[0] == 'D';
    drawCell(text, {left, top, right, bottom}, align, number);
    if (des) drawCell(size, {sizeLeft, top, sizeRight, bottom}, align, number);
  }
  c_.restoreFont();
}

void PageRenderer::drawCell(const std::string& text, const CanvasRect& rect, unsigned align, bool number) {
  // A text wider than its cell is squeezed across to fit instead of being cut
  // off: an amount cut at the left shows a smaller amount. Numbers keep every
  // digit at any squeeze; other texts are squeezed to half at most and then
  // lose their end, never their start. The blanks a left-aligned field is
  // padded with are not part of what must fit (a right-aligned text's one
  // blank is: it keeps the text off the rule).
  const int room = rect.right - rect.left;
  std::string visible = text;
  if (!(align & kDtRight)) visible.erase(visible.find_last_not_of(' ') + 1);
  const double width = room > 0 && !visible.empty() ? c_.textWidth(visible) : 0;
  if (room <= 0 || width <= room) {
    c_.drawText(text, rect, align | kOneLine);
    return;
  }
  double scale = room / width;
  if (!number && scale < kMinTextSqueeze) {
    scale = kMinTextSqueeze;
    align = kDtLeft;
  }
  c_.drawText(visible, rect, align | kOneLine, scale);
}

}  // namespace

int RoundHalfEven(double v) {
  double r = std::round(v);  // halves away from zero
  if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
  return static_cast<int>(std::clamp(r, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

std::string SpreadCaption(const std::string& text, int width, int c) {
  if (text.empty() || c <= 0) return text;
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) return text;
  // A page is at most a few thousand character widths across; wider gaps
  // (from absurd column widths) would only build huge invisible texts.
  constexpr int kMaxGap = 4096;
  const int gap = std::min(((width / c) / static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX))) - 1, kMaxGap);
  const std::string blanks(gap > 0 ? static_cast<std::size_t>(gap) : 0, ' ');
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = static_cast<unsigned char>(text[i]) > 0x7F && i + 1 < text.size() ? 2 : 1;
    out.append(text, i, len);
    i += len;
    if (i < text.size()) out += blanks;
  }
  return out;
}

int PixelsToPageUnits(int pixels, int pixelsPerInch) {
  if (pixelsPerInch <= 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(pixels) * 254.0 / pixelsPerInch));
}

PrinterMargins ReadPrinterMargins(Printer& printer, bool landscape) {
  PrinterCaps caps;
  if (!printer.caps(caps)) return {};
  // The strips are device pixels; the frame is placed in page units, so they
  // are converted. Taking pixels as 0.1 mm would shift the frame by a printer-
  // dependent amount (a 4 mm strip at 600 dpi would count as 9.5 mm).
  const int right = PixelsToPageUnits(caps.physicalWidth - caps.horzRes - caps.printingOffsetX, caps.logPixelsX);
  const int bottom = PixelsToPageUnits(caps.physicalHeight - caps.vertRes - caps.printingOffsetY, caps.logPixelsY);
  const int left = PixelsToPageUnits(caps.printingOffsetX, caps.logPixelsX);
  const int top = PixelsToPageUnits(caps.printingOffsetY, caps.logPixelsY);
  if (landscape) return {right, left, top};
  return {top, right, bottom};
}

RenderOutcome RenderPages(Canvas& canvas, const RenderJob& job, DrawMode mode, const RenderProgress& progress) {
  if (!job.layout || !job.lines) throw DataError(ErrorKind::kTableClosed, "no report is open");
  return PageRenderer(canvas, job, mode, progress).run();
}

PageUnitRect PreviewLineRect(const TReportLayout& layout, int lineNo) {
  // drawPageFrame's preview branch: the frame starts at the margins and its
  // rows share the height left under the captions.
  const long long W = static_cast<long long>(layout.PageWidth) - layout.MarginLeft - layout.MarginRight + 3;
  const long long H = static_cast<long long>(layout.PageHeight) - layout.MarginBottom - layout.MarginTop;
  const int lines = layout.LinesPerPage == 0 ? kDefaultLinesPerPage : layout.LinesPerPage;
  const long long rowHeight = (H - layout.CaptionHeight) / lines;
  long long s = 0;
  for (int i = 1; i <= layout.VisibleCount(); ++i) s += layout.Column(i).WidthPctValue();
  PageUnitRect r;
  r.left = layout.MarginLeft;
  r.right = clampToInt(layout.MarginLeft + W * s / 100);
  r.top = clampToInt(layout.MarginTop + (lineNo - 1) * rowHeight + layout.CaptionHeight);
  r.bottom = clampToInt(layout.MarginTop + lineNo * rowHeight + layout.CaptionHeight);
  return r;
}

}  // namespace zel
