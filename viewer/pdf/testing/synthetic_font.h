// A TrueType face made in memory for tests: glyph 0 and simple glyphs of a
// few bytes each, a composite glyph where asked, advances as given. Enough
// for the PDF writer (metrics, subsets); no rasteriser would draw it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "truetype_font.h"

namespace zel::pdf::testing {

struct SyntheticFont {
  std::map<std::uint32_t, std::string> tables;
  FontTableReader reader() const {
    return [this](std::uint32_t tag) {
      const auto found = tables.find(tag);
      return found == tables.end() ? std::string() : found->second;
    };
  }
};

inline void put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
  s.push_back(static_cast<char>(v & 0xFF));
}
inline void put32(std::string& s, std::uint32_t v) {
  put16(s, v >> 16);
  put16(s, v & 0xFFFF);
}

// A simple glyph: one contour of one point, marked by `mark` in its x.
inline std::string simpleGlyph(int mark) {
  std::string g;
  put16(g, 1);  // one contour
  for (int i = 0; i < 4; ++i) put16(g, 0);  // bounding box
  put16(g, 0);  // end point of the contour
  put16(g, 0);  // no instructions
  g.push_back(0x01);  // on curve, long x and y
  put16(g, static_cast<unsigned>(mark));
  put16(g, 0);
  return g;
}

// A composite glyph of the given components.
inline std::string compositeGlyph(const std::vector<std::uint16_t>& components) {
  std::string g;
  put16(g, 0xFFFF);  // -1 contours: composite
  for (int i = 0; i < 4; ++i) put16(g, 0);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const unsigned more = i + 1 < components.size() ? 0x0020 : 0;
    put16(g, 0x0001 | more);  // arguments are words
    put16(g, components[i]);
    put16(g, 0);
    put16(g, 0);
  }
  return g;
}

// glyphs[i] is glyph i's data (empty: no outline); advances per glyph.
inline SyntheticFont makeFont(const std::vector<std::string>& glyphs, const std::vector<int>& advances,
                              int unitsPerEm = 1000, const std::string& postScriptName = "TestFace-Regular") {
  SyntheticFont f;
  std::string head(54, '\0');
  head[18] = static_cast<char>(unitsPerEm >> 8);
  head[19] = static_cast<char>(unitsPerEm & 0xFF);
  head[42] = 0x03;  // yMax 800
  head[43] = 0x20;
  head[51] = 1;  // long offsets
  f.tables[fontTag("head")] = head;
  std::string hhea(36, '\0');
  hhea[4] = 0x03;  // ascender 800
  hhea[5] = 0x20;
  hhea[6] = static_cast<char>(0xFF);  // descender -200
  hhea[7] = 0x38;
  hhea[34] = static_cast<char>(advances.size() >> 8);
  hhea[35] = static_cast<char>(advances.size() & 0xFF);
  f.tables[fontTag("hhea")] = hhea;
  std::string maxp;
  put32(maxp, 0x00005000);
  put16(maxp, static_cast<unsigned>(glyphs.size()));
  f.tables[fontTag("maxp")] = maxp;
  std::string hmtx, loca, glyf;
  for (int advance : advances) {
    put16(hmtx, static_cast<unsigned>(advance));
    put16(hmtx, 0);
  }
  for (const std::string& g : glyphs) {
    put32(loca, static_cast<std::uint32_t>(glyf.size()));
    glyf += g;
    while (glyf.size() % 4) glyf.push_back('\0');
  }
  put32(loca, static_cast<std::uint32_t>(glyf.size()));
  f.tables[fontTag("hmtx")] = hmtx;
  f.tables[fontTag("loca")] = loca;
  f.tables[fontTag("glyf")] = glyf;
  // A name table with the PostScript name (id 6) as a Macintosh record.
  std::string name;
  put16(name, 0);
  put16(name, 1);
  put16(name, 6 + 12);
  put16(name, 1);  // Macintosh
  put16(name, 0);
  put16(name, 0);
  put16(name, 6);
  put16(name, static_cast<unsigned>(postScriptName.size()));
  put16(name, 0);
  name += postScriptName;
  f.tables[fontTag("name")] = name;
  return f;
}

}  // namespace zel::pdf::testing
