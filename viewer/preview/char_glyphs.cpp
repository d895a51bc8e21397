#include "char_glyphs.h"

#include <QChar>
#include <QString>

namespace zel {

bool standsAlone(char16_t c) {
  const QChar ch(c);
  if (ch.isSurrogate()) return false;
  // Conjoining jamo compose with their neighbours; the compatibility jamo of
  // the Korean code page (U+3131..) stand alone.
  if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xD7B0 && c <= 0xD7FF)) return false;
  switch (ch.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned: return false;
    default: break;
  }
  switch (ch.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Hangul:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo: return true;
    default: return false;
  }
}

CharGlyphs::CharGlyphs(const QFont& font) : raw_(QRawFont::fromFont(font)), metrics_(font) {}

CharGlyphs::~CharGlyphs() = default;

void CharGlyphs::fill(char16_t c, Entry& entry) {
  entry.kind = Kind::kShaped;
  if (!standsAlone(c) || !raw_.isValid()) return;
  const QChar ch(c);
  quint32 glyph = 0;
  int count = 1;
  if (!raw_.glyphIndexesForChars(&ch, 1, &glyph, &count) || count != 1) return;
  // Shaped alone, so the advance is the one the shaper gives in any text.
  const double advance = metrics_.horizontalAdvance(QString(ch));
  if (ch.isSpace()) {
    entry.kind = Kind::kBlank;
  } else if (glyph != 0) {
    entry.kind = Kind::kGlyph;  // glyph 0 would be a fallback font's
  } else {
    return;
  }
  entry.glyph = glyph;
  entry.advance = advance;
}

const CharGlyphs::Entry& CharGlyphs::entryFor(char16_t c) {
  std::unique_ptr<Block>& block = blocks_[c / kBlockSize];
  if (!block) block = std::make_unique<Block>();
  Entry& entry = (*block)[c % kBlockSize];
  if (entry.kind == Kind::kUnknown) fill(c, entry);
  return entry;
}

bool CharGlyphs::layOut(QStringView text, QList<quint32>& glyphs, QList<QPointF>& positions, double& advance) {
  glyphs.clear();
  positions.clear();
  double x = 0;
  for (const QChar ch : text) {
    const Entry& entry = entryFor(ch.unicode());
    if (entry.kind == Kind::kShaped) return false;
    if (entry.kind == Kind::kGlyph) {
      glyphs.append(entry.glyph);
      positions.append(QPointF(x, 0));
    }
    x += entry.advance;
  }
  advance = x;
  return true;
}

bool CharGlyphs::advanceOf(QStringView text, double& advance) {
  double x = 0;
  for (const QChar ch : text) {
    const Entry& entry = entryFor(ch.unicode());
    if (entry.kind == Kind::kShaped) return false;
    x += entry.advance;
  }
  advance = x;
  return true;
}

}  // namespace zel
