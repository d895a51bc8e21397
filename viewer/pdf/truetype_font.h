// TrueTypeFont: what a PDF writer needs from one TrueType face (outlines in a
// 'glyf' table): its metrics for the font descriptor, each glyph's advance,
// and a subset of the face that keeps only the glyphs a document drew.
//
// The subset keeps the glyph numbers (a CID font maps its codes to them
// one to one), empties every glyph outside the set and leaves the hinting
// out; a composite glyph brings its components. Font files are normal
// input: a face whose tables do not read gives no font (load returns null),
// never a crash. Toolkit-free; immutable after load, so any thread may read it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::pdf {

// A table of the face by its tag ('glyf' as 0x676C7966); empty when absent.
using FontTableReader = std::function<std::string(std::uint32_t tag)>;

constexpr std::uint32_t fontTag(const char (&name)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(name[3]));
}

class TrueTypeFont {
 public:
  // Null when the face has no readable head, hhea, maxp, hmtx, loca and glyf.
  static std::unique_ptr<TrueTypeFont> load(const FontTableReader& tables);

  int unitsPerEm() const { return unitsPerEm_; }
  int glyphCount() const { return glyphCount_; }
  // In font units.
  int ascent() const { return ascent_; }
  int descent() const { return descent_; }  // negative below the baseline
  int capHeight() const { return capHeight_; }
  int xMin() const { return xMin_; }
  int yMin() const { return yMin_; }
  int xMax() const { return xMax_; }
  int yMax() const { return yMax_; }
  double italicAngle() const { return italicAngle_; }
  bool fixedPitch() const { return fixedPitch_; }
  bool serif() const { return serif_; }
  // The PostScript name (name id 6), letters and digits only; may be empty.
  const std::string& postScriptName() const { return postScriptName_; }

  // Advance width in font units; glyphs past the metrics take the last one.
  int advance(std::uint16_t glyph) const;

  // The face as a font file holding only the glyphs marked in used (indexed
  // by glyph number; glyph 0 is always kept), same numbering.
  std::string subset(const std::vector<bool>& used) const;

 private:
  TrueTypeFont() = default;
  // Offsets into glyf_ of the glyph's data; false for a glyph out of range.
  bool glyphRange(std::uint32_t glyph, std::size_t& begin, std::size_t& end) const;

  int unitsPerEm_ = 1000;
  int glyphCount_ = 0;
  int ascent_ = 0, descent_ = 0, capHeight_ = 0;
  int xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
  double italicAngle_ = 0;
  bool fixedPitch_ = false;
  bool serif_ = false;
  std::string postScriptName_;
  std::vector<std::uint16_t> advances_;
  std::vector<std::uint32_t> loca_;  // glyphCount_ + 1 offsets into glyf_
  std::string head_, hhea_, maxp_, glyf_, hmtx_;
  int metricCount_ = 0;
};

}  // namespace zel::pdf
