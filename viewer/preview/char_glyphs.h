// CharGlyphs: for one font, the glyph and advance of each character, looked
// up once. Report cells hold Hangul syllables, Hanja, Latin letters, digits
// and punctuation; with kerning off none of these interact in shaping, so a
// text of such characters lays out as their glyphs side by side, and the
// shaper (and the glyph loading behind each advance) is needed once per
// character instead of twice per cell.
//
// Characters that may interact (marks, controls, conjoining jamo, scripts
// that need shaping) or that the font lacks make layOut() refuse the text;
// the caller shapes it the ordinary way. Blanks are left out of the glyphs
// but keep their advance: the PDF writer maps the blank glyph to no
// character, so a drawn blank would cost text extraction its word gaps,
// while a gap between glyphs reads as a blank.
//
// Not thread-safe; a font engine belongs to the thread that made it.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStringView>
#include <array>
#include <cstdint>
#include <memory>

namespace zel {

class CharGlyphs {
 public:
  explicit CharGlyphs(const QFont& font);
  ~CharGlyphs();

  // Glyphs and their pen positions (font pixels, baseline at y 0) of text,
  // blanks left out, and the text's advance. False when a character needs
  // the shaper or another font; then the outputs are unspecified.
  bool layOut(QStringView text, QList<quint32>& glyphs, QList<QPointF>& positions, double& advance);

  // The advance alone; false as layOut would be.
  bool advanceOf(QStringView text, double& advance);

  const QRawFont& rawFont() const { return raw_; }

 private:
  enum class Kind : std::uint8_t { kUnknown, kGlyph, kBlank, kShaped };
  struct Entry {
    double advance = 0;
    quint32 glyph = 0;
    Kind kind = Kind::kUnknown;
  };
  static constexpr int kBlockSize = 256;  // characters per lazily made block
  using Block = std::array<Entry, kBlockSize>;

  const Entry& entryFor(char16_t c);
  void fill(char16_t c, Entry& entry);

  QRawFont raw_;
  QFontMetricsF metrics_;
  std::array<std::unique_ptr<Block>, 0x10000 / kBlockSize> blocks_;
};

// Whether the character can be laid out on its own, without the shaper.
bool standsAlone(char16_t c);

}  // namespace zel
