#include "pdf_font_source.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cp949.h"
#include "painter_canvas.h"
#include "pdf_canvas.h"

namespace zel {
namespace {

// The PDF writer's fonts must measure every text as the painter canvas on
// a PDF device measures it: the renderer places cells from textWidth.
struct FontCase {
  const char* face;  // UTF-8; converted to the report's CP949
  int height, averageWidth;
};

TEST(QtPdfFontSource, MeasuresAsThePainterCanvasDoes) {
  const FontCase fonts[] = {{"굴림체", 30, 0}, {"굴림체", 34, 15}, {"굴림", 40, 0},
                            {"바탕", 28, 12},  {"궁서체", 50, 20}, {"MS Sans Serif", 25, 0}};
  const char* texts[] = {"가나다",       "A0005002",    "1,234,567.89", "공구 손료  3%",
                         "漢字 섞인 글", "αβγ ДЖ ㄱㄴ", " 앞뒤 공백 "};
  QTemporaryDir dir;
  QPdfWriter device(dir.filePath("m.pdf"));
  QPainter painter(&device);
  PainterCanvas canvas(painter);
  QtPdfFontSource source;
  for (const FontCase& f : fonts) {
    LogicalFont logical;
    logical.faceName = utf8ToCp949(f.face);
    logical.height = f.height;
    logical.averageWidth = f.averageWidth;
    ASSERT_TRUE(canvas.selectFont(logical));
    const pdf::PdfFontSource::Font* font = source.resolve(logical);
    ASSERT_NE(font, nullptr);
    for (const char* text : texts) {
      const std::string cp949 = utf8ToCp949(text);
      const double width = source.layOut(*font, cp949).advance * font->stretch / font->unitsPerPageUnit;
      EXPECT_EQ(width, canvas.textWidth(cp949)) << f.face << " " << f.height << " " << text;
      // One glyph for each character that is no blank, in order, at rising places.
      const pdf::PdfLaidText& laid = source.layOut(*font, cp949);
      double last = -1;
      for (const pdf::PdfGlyph& g : laid.glyphs) {
        EXPECT_GT(g.x, last) << text;
        EXPECT_NE(g.glyph, 0) << text;
        EXPECT_EQ(g.length, 1);
        last = g.x;
      }
    }
    canvas.restoreFont();
  }
  painter.end();
}

TEST(QtPdfFontSource, TheMappedFacesCanBeEmbedded) { EXPECT_TRUE(QtPdfFontSource::embedsMappedFaces()); }

}  // namespace
}  // namespace zel
