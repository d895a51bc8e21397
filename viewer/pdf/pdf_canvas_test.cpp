#include "pdf_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf_writer.h"
#include "synthetic_font.h"

namespace zel::pdf {
namespace {

// Two faces of eight glyphs, each glyph half an em wide. Texts lay out one
// glyph per letter (glyph 1 + letter % 8), blanks left out but kept in the
// advance, on a font of 100 units to the em and 1 unit to the page unit.
class FakeFonts : public PdfFontSource {
 public:
  FakeFonts() {
    std::vector<std::string> glyphs;
    for (int g = 0; g < 9; ++g) glyphs.push_back(testing::simpleGlyph(g));
    faces_[0] = testing::makeFont(glyphs, std::vector<int>(9, 500), 1000, "FaceOne");
    faces_[1] = testing::makeFont(glyphs, std::vector<int>(9, 500), 1000, "FaceTwo");
    for (int i = 0; i < 2; ++i) {
      fonts_[i].face = &faces_[i];
      fonts_[i].tables = faces_[i].reader();
      fonts_[i].size = 100;
      fonts_[i].ascent = 80;
      fonts_[i].descent = 20;
    }
    wide_ = fonts_[0];
    wide_.stretch = 2;
  }
  const Font* resolve(const LogicalFont& font) override {
    if (font.faceName == "missing") return nullptr;
    if (font.faceName == "two") return &fonts_[1];
    if (font.faceName == "wide") return &wide_;
    return &fonts_[0];
  }
  const Font& defaultFont() override { return fonts_[0]; }
  const PdfLaidText& layOut(const Font& font, const std::string& text) override {
    // 'x' stands for a character the font lacks: the second face draws it.
    laid_ = {};
    for (char c : text) {
      const std::uint8_t face = c == 'x' ? 1 : 0;
      if (face) laid_.fallbacks = {&fonts_[1]};
      if (c != ' ')
        laid_.glyphs.push_back({static_cast<std::uint16_t>(1 + c % 8), laid_.advance, {char16_t(c), 0}, 1, face});
      laid_.advance += font.size / 2;
    }
    return laid_;
  }

 private:
  testing::SyntheticFont faces_[2];
  Font fonts_[2];
  Font wide_;
  PdfLaidText laid_;
};

// A canvas on a page of 1000 points at 72 device pixels an inch, so device
// pixels are points and y turns at 1000.
struct Page {
  FakeFonts fonts;
  std::string file;
  PdfWriter writer{[this](const char* d, std::size_t n) { file.append(d, n); }};
  PdfCanvas canvas{writer, fonts, 72, 1000};
  Page() {
    writer.beginPage(1000, 1000);
    canvas.beginPage();
    writer.content().clear();
  }
  std::string drawn() {
    canvas.flushTexts();
    return writer.content();
  }
};

LogicalFont face(const char* name) {
  LogicalFont f;
  f.faceName = name;
  f.height = 100;
  return f;
}

// A run of texts as written: points from device pixels (y turned at the
// page's 1000), the run's scale and origin, then each text's start as a
// step from the last one's and its glyphs.
std::string run(int font, const char* scaleAndOrigin, const std::string& texts) {
  return std::string("q 1 0 0 -1 0 1000 cm ") + scaleAndOrigin + " cm BT/F" + std::to_string(font) +
         " 100 Tf 1 0 0 -1 0 0 Tm\n" + texts + "ET Q\n";
}

struct TextCase {
  const char* what;
  const char* text;
  CanvasRect rect;
  unsigned flags;
  double squeeze;
  const char* scaleAndOrigin;
  const char* glyphs;
};

TEST(PdfCanvasText, PlacedAsAlignedAndSqueezed) {
  // Glyph glyph(c) = 1 + c % 8: A -> 0002, B -> 0003. The origin is the
  // text's start on its baseline, the top plus the ascent (80).
  const TextCase cases[] = {
      {"left", "AB", {100, 100, 300, 200}, kDtLeft, 1, "1 0 0 1 100 180", "0 0 Td[<00020003>]TJ\n"},
      {"right", "AB", {100, 100, 300, 200}, kDtRight, 1, "1 0 0 1 200 180", "0 0 Td[<00020003>]TJ\n"},
      {"centre", "AB", {100, 100, 300, 200}, kDtCenter, 1, "1 0 0 1 150 180", "0 0 Td[<00020003>]TJ\n"},
      {"middle", "AB", {100, 100, 300, 300}, kDtVCenter, 1, "1 0 0 1 100 230", "0 0 Td[<00020003>]TJ\n"},
      {"either order of top and bottom",
       "AB",
       {100, 200, 300, 100},
       kDtLeft,
       1,
       "1 0 0 1 100 180",
       "0 0 Td[<00020003>]TJ\n"},
      {"a blank moves the pen on",
       "A B",
       {100, 100, 300, 200},
       kDtLeft,
       1,
       "1 0 0 1 100 180",
       "0 0 Td[<0002>-500<0003>]TJ\n"},
      {"squeezed to half",
       "AB",
       {100, 100, 300, 200},
       kDtRight,
       0.5,
       "0.500000000 0 0 1 250 180",
       "0 0 Td[<00020003>]TJ\n"},
      {"a squeeze of 1 or more draws as it is",
       "AB",
       {100, 100, 300, 200},
       kDtLeft,
       1.5,
       "1 0 0 1 100 180",
       "0 0 Td[<00020003>]TJ\n"},
  };
  for (const TextCase& c : cases) {
    Page page;
    page.canvas.drawText(c.text, c.rect, c.flags, c.squeeze);
    EXPECT_EQ(page.drawn(), run(1, c.scaleAndOrigin, c.glyphs)) << c.what;
  }
}

TEST(PdfCanvasText, AnOverflowingTextIsClippedToItsRectangleAndSlack) {
  Page page;
  // 100 wide in 50: clipped to the rectangle widened by 2 units each way.
  page.canvas.drawText("AB", {100, 100, 150, 200}, kDtLeft);
  EXPECT_EQ(page.drawn(), "q 98 798 54 104 re W n\n" + run(1, "1 0 0 1 100 180", "0 0 Td[<00020003>]TJ\n") + "Q\n");
}

TEST(PdfCanvasText, ATextPartlyInAFallbackFontIsWrittenAtOnceAFontAtATime) {
  Page page;
  page.canvas.drawText("C", {100, 300, 300, 400}, kDtLeft);  // held
  page.canvas.drawText("AxB", {100, 100, 300, 200}, kDtLeft);
  // In the text's order, a run for each stretch of one font.
  const std::string mixed = run(1, "1 0 0 1 100 180", "0 0 Td[<0002>]TJ\n") +
                            run(2, "1 0 0 1 100 180", "50 0 Td[<0001>]TJ\n") +
                            run(1, "1 0 0 1 100 180", "100 0 Td[<0003>]TJ\n");
  EXPECT_EQ(page.writer.content(), mixed);
  EXPECT_EQ(page.drawn(), mixed + run(1, "1 0 0 1 100 380", "0 0 Td[<0004>]TJ\n"));
}

TEST(PdfCanvasText, TextsOfOneFontAreWrittenTogetherUntilALine) {
  Page page;
  page.canvas.drawText("A", {100, 100, 300, 200}, kDtLeft);
  page.canvas.drawText("B", {100, 300, 300, 400}, kDtLeft);
  page.canvas.moveTo(0, 500);
  page.canvas.lineTo(100, 500);
  page.canvas.drawText("C", {100, 600, 300, 700}, kDtLeft);
  // The second text is 200 font units below the first: a step of -200.
  EXPECT_EQ(page.drawn(), run(1, "1 0 0 1 100 180", "0 0 Td[<0002>]TJ\n0 -200 Td[<0003>]TJ\n") +
                              "1 w\n0 500 m 100 500 l S\n" + run(1, "1 0 0 1 100 680", "0 0 Td[<0004>]TJ\n"));
}

TEST(PdfCanvasText, ATextOverAHeldOneOfAnotherFontKeepsTheDrawingOrder) {
  for (bool overlapping : {false, true}) {
    Page page;
    page.canvas.drawText("A", {100, 100, 300, 200}, kDtLeft);
    ASSERT_TRUE(page.canvas.selectFont(face("two")));
    page.canvas.drawText("B", {overlapping ? 120 : 400, 100, 600, 200}, kDtLeft);
    page.canvas.restoreFont();
    page.canvas.drawText("C", {100, 300, 300, 400}, kDtLeft);
    // Apart, the first font's texts go together before the second's; over
    // each other, A is written before B and C after it.
    const std::string expected = overlapping ? run(1, "1 0 0 1 100 180", "0 0 Td[<0002>]TJ\n") +
                                                   run(2, "1 0 0 1 120 180", "0 0 Td[<0003>]TJ\n") +
                                                   run(1, "1 0 0 1 100 380", "0 0 Td[<0004>]TJ\n")
                                             : run(1, "1 0 0 1 100 180", "0 0 Td[<0002>]TJ\n0 -200 Td[<0004>]TJ\n") +
                                                   run(2, "1 0 0 1 400 180", "0 0 Td[<0003>]TJ\n");
    EXPECT_EQ(page.drawn(), expected) << (overlapping ? "overlapping" : "apart");
  }
}

TEST(PdfCanvasText, ColourWidthAndFonts) {
  Page page;
  EXPECT_EQ(page.canvas.textWidth("AB"), 100);
  EXPECT_EQ(page.canvas.textWidth(""), 0);
  EXPECT_FALSE(page.canvas.selectFont(face("missing")));
  ASSERT_TRUE(page.canvas.selectFont(face("wide")));
  EXPECT_EQ(page.canvas.textWidth("AB"), 200);  // stretched to the asked average width
  page.canvas.restoreFont();
  EXPECT_EQ(page.canvas.textWidth("AB"), 100);
  page.canvas.setTextColor(0x0000FF);  // 0x00BBGGRR: red
  page.canvas.drawText("A", {100, 100, 300, 200}, kDtLeft);
  EXPECT_EQ(page.drawn(), "1 0 0 rg\n" + run(1, "1 0 0 1 100 180", "0 0 Td[<0002>]TJ\n"));
}

struct LineCase {
  const char* what;
  bool metric;
  int pen;
  const char* operators;
};

TEST(PdfCanvasLines, PenAndMapping) {
  // Metric mapping at 72 dpi: a page unit is 72/254 of a point, y upward
  // from the device's origin at the top.
  const LineCase cases[] = {
      {"device pixels", false, 2, "2 w\n10 980 m 30 980 l S\n1 g\n10 930 100 50 re B\n"},
      {"a pen of no width draws the thinnest line", false, 0, "0 w\n10 980 m 30 980 l S\n1 g\n10 930 100 50 re B\n"},
      {"0.1 mm", true, 10, "2.8346 w\n2.835 1005.669 m 8.504 1005.669 l S\n1 g\n2.835 1005.669 28.346 14.173 re B\n"},
  };
  for (const LineCase& c : cases) {
    Page page;
    if (c.metric) page.canvas.setMetricMapping();
    page.canvas.setPenWidth(c.pen);
    page.canvas.moveTo(10, 20);
    page.canvas.lineTo(30, 20);
    page.canvas.rectangle(10, 20, 110, 70);
    EXPECT_EQ(page.drawn(), c.operators) << c.what;
  }
}

TEST(PdfCanvasLines, WindowOriginMovesThePage) {
  Page page;
  page.canvas.setWindowOrigin(10, 20);
  page.canvas.moveTo(10, 20);
  page.canvas.lineTo(30, 20);
  EXPECT_EQ(page.drawn(), "1 w\n0 1000 m 20 1000 l S\n");
}

}  // namespace
}  // namespace zel::pdf
