// QtPdfFontSource: fonts and text layout for the PDF canvas, made exactly as
// the painter canvas makes them (PainterCanvas::resolveFont: the family the
// font mapper picks, the pixel size, the stretch) and laid out by the same
// per-character glyphs and advances (CharGlyphs), so a page written by the
// PDF canvas places every text where the painter would. The font file's
// tables come from the font Qt draws with.
//
// Texts that CharGlyphs leaves to the shaper (marks, scripts that need
// shaping, characters the face lacks) are placed character by character by
// their advances, word by word from the text's measured start.
//
// Texts are converted from CP949 here, at the display boundary. Made and
// used on one thread (Qt's font engines belong to the thread that made them).
#pragma once

#include <QRawFont>
#include <QString>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "painter_canvas.h"
#include "pdf_canvas.h"

namespace zel {

class QtPdfFontSource : public pdf::PdfFontSource {
 public:
  QtPdfFontSource();
  ~QtPdfFontSource() override;

  const Font* resolve(const LogicalFont& font) override;
  const Font& defaultFont() override;
  const pdf::PdfLaidText& layOut(const Font& font, const std::string& cp949Text) override;

  // Whether every face the font mapper hands out (fixed, sans-serif, serif)
  // is a TrueType face the PDF writer can embed; an OpenType face with
  // PostScript outlines is not, and its texts would be lost.
  static bool embedsMappedFaces();

  // Laid-out texts kept, beyond which the oldest half is forgotten.
  static constexpr std::size_t kKeptTexts = 4096;

 private:
  struct Face {
    QString family;
    QRawFont raw;
  };
  struct Entry {
    std::string faceName;
    int height = 0, averageWidth = 0;
    PainterCanvas::ResolvedFont resolved;
    Font font;
  };
  Entry* make(const LogicalFont& font);
  const Face& faceOf(const PainterCanvas::ResolvedFont& resolved);
  void layOutAnew(const Entry& entry, const std::string& cp949Text, pdf::PdfLaidText& out);
  // The glyph's face in out: 0 for the entry's own, else the fallback font
  // made for raw at the entry's size, added to out's fallbacks.
  std::uint8_t faceIndex(const Entry& entry, const QRawFont& raw, pdf::PdfLaidText& out);

  std::deque<Face> faces_;
  std::deque<Entry> fonts_;
  struct Fallback {
    QString family;
    Font font;
  };
  std::deque<Fallback> fallbacks_;
  Entry* default_ = nullptr;
  // Texts by font and bytes; looked up without copying the bytes.
  struct Key {
    const Font* font;
    std::string text;
  };
  struct KeyView {
    const Font* font;
    std::string_view text;
  };
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(const KeyView& k) const;
    std::size_t operator()(const Key& k) const { return (*this)(KeyView{k.font, k.text}); }
  };
  struct KeyEqual {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return a.font == b.font && std::string_view(a.text) == std::string_view(b.text);
    }
  };
  std::unordered_map<Key, pdf::PdfLaidText, KeyHash, KeyEqual> texts_;
  // The text laid out last: a cell is measured before it is drawn.
  const Font* lastFont_ = nullptr;
  std::string lastText_;
  const pdf::PdfLaidText* last_ = nullptr;
};

}  // namespace zel
