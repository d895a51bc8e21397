#include "char_glyphs.h"

#include <QFont>
#include <QRawFont>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "font_mapper.h"

namespace zel {
namespace {

// What the shaper makes of text in font: glyphs and pen positions, blanks
// left out as CharGlyphs leaves them.
struct Shaped {
  QList<quint32> glyphs;
  QList<QPointF> positions;
  double advance = 0;
};

Shaped shape(const QFont& font, const QString& text) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  Shaped out;
  out.advance = line.horizontalAdvance();
  // The glyphs of the text's blanks, which CharGlyphs leaves out.
  const QRawFont raw = QRawFont::fromFont(font);
  QList<quint32> blanks;
  for (const QChar ch : text) {
    quint32 glyph = 0;
    int count = 1;
    if (ch.isSpace() && raw.glyphIndexesForChars(&ch, 1, &glyph, &count)) blanks.append(glyph);
  }
  // The layout hands its runs out by font, not in line order.
  std::vector<std::pair<QPointF, quint32>> placed;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
      if (!blanks.contains(glyphs[i])) placed.emplace_back(positions[i] - QPointF(0, line.ascent()), glyphs[i]);
    }
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const auto& a, const auto& b) { return a.first.x() < b.first.x(); });
  for (const auto& [position, glyph] : placed) {
    out.glyphs.append(glyph);
    out.positions.append(position);
  }
  return out;
}

QFont cellFont(const QString& family, int pixels) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

struct LayoutCase {
  const char* name;
  const char16_t* text;
};

class CharGlyphsMatchTheShaper : public ::testing::TestWithParam<std::tuple<LayoutCase, QString (*)(), int>> {};

// The cells of a bill: the glyphs side by side are exactly where the shaper
// puts them, in every face the viewer maps to and at cell sizes.
TEST_P(CharGlyphsMatchTheShaper, GlyphsAndPositions) {
  const auto& [c, family, pixels] = GetParam();
  const QFont font = cellFont(family(), pixels);
  const QString text = QString::fromUtf16(c.text);
  CharGlyphs chars(font);
  QList<quint32> glyphs;
  QList<QPointF> positions;
  double advance = -1;
  if (!chars.layOut(text, glyphs, positions, advance)) {
    // Only a character the face lacks (a fallback face draws it) sends a
    // text of these to the shaper.
    bool lacking = false;
    for (const QChar ch : text) lacking = lacking || (!ch.isSpace() && !chars.rawFont().supportsCharacter(ch));
    EXPECT_TRUE(lacking) << c.name << " in " << family().toStdString();
    return;
  }
  const Shaped expected = shape(font, text);
  EXPECT_EQ(glyphs, expected.glyphs) << c.name;
  ASSERT_EQ(positions.size(), expected.positions.size()) << c.name;
  for (qsizetype i = 0; i < positions.size(); ++i) {
    EXPECT_NEAR(positions[i].x(), expected.positions[i].x(), 1e-6) << c.name << " glyph " << i;
    EXPECT_NEAR(positions[i].y(), 0, 1e-9) << c.name;
  }
  EXPECT_NEAR(advance, expected.advance, 1e-6) << c.name;
}

const LayoutCase kLayoutCases[] = {
    {"amount", u"1,234,567,890.12"},
    {"hangul", u"철근콘크리트공사"},
    {"hangul words", u"공사명 : 햇살마을 근린생활시설"},
    {"caption spread", u"품    명"},
    {"latin pairs", u"office fifty fl ffi -> == <= www"},
    {"units", u"M3 TON EA SET"},
    {"punctuation", u"(주)대한종합건설 [A-1] 50% #3 @ ~!?"},
    {"hanja and symbols", u"工事 ※ ○ ① ㈜ ㎡"},
    {"compatibility jamo", u"ㄱㄴㄷ ㅏㅑ"},
    {"leading and trailing blanks", u"  가나  "},
    {"ideographic space", u"가\u3000나"},
};

INSTANTIATE_TEST_SUITE_P(Cells, CharGlyphsMatchTheShaper,
                         ::testing::Combine(::testing::ValuesIn(kLayoutCases),
                                            ::testing::Values(&FontMapper::fixedFamily, &FontMapper::gothicFamily,
                                                              &FontMapper::serifFamily),
                                            ::testing::Values(16, 432)));

struct RefusedCase {
  const char* name;
  const char16_t* text;
};

class CharGlyphsRefuse : public ::testing::TestWithParam<RefusedCase> {};

// Texts whose characters interact, or that need another font, are left to
// the shaper.
TEST_P(CharGlyphsRefuse, TextsThatNeedTheShaper) {
  CharGlyphs chars(cellFont(FontMapper::fixedFamily(), 32));
  QList<quint32> glyphs;
  QList<QPointF> positions;
  double advance = 0;
  EXPECT_FALSE(chars.layOut(QString::fromUtf16(GetParam().text), glyphs, positions, advance)) << GetParam().name;
}

const RefusedCase kRefusedCases[] = {
    {"combining mark", u"e\u0301"},     {"conjoining jamo", u"\u1100\u1161"}, {"tab", u"a\tb"},
    {"zero-width joiner", u"a\u200Db"}, {"arabic", u"\u0627\u0644"},          {"thai", u"\u0E01\u0E34"},
    {"surrogate pair", u"\U0001F600"},  {"private use", u"\uE000"},
};

INSTANTIATE_TEST_SUITE_P(Texts, CharGlyphsRefuse, ::testing::ValuesIn(kRefusedCases));

}  // namespace
}  // namespace zel
