#include "truetype_font.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace zel::pdf {
namespace {

// Offsets into the tables, where the font format places them.
constexpr std::size_t kHeadSize = 54, kHeadChecksumAdjustment = 8, kHeadUnitsPerEm = 18, kHeadXMin = 36,
                      kHeadLocaFormat = 50;
constexpr std::size_t kHheaSize = 36, kHheaAscender = 4, kHheaDescender = 6, kHheaMetricCount = 34;
constexpr std::size_t kMaxpGlyphCount = 4;
constexpr std::size_t kOs2FamilyClass = 30, kOs2CapHeight = 88;
constexpr std::size_t kPostItalicAngle = 4, kPostFixedPitch = 12;
constexpr std::size_t kGlyphHeader = 10;
// Composite glyph component flags.
constexpr unsigned kArgsAreWords = 0x0001, kHasScale = 0x0008, kMoreComponents = 0x0020, kHasXYScale = 0x0040,
                   kHasTwoByTwo = 0x0080, kHasInstructions = 0x0100;
constexpr int kMaxCompositeDepth = 16;

unsigned u16(const std::string& s, std::size_t at) {
  if (at + 2 > s.size()) return 0;
  return (static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]);
}
int s16(const std::string& s, std::size_t at) { return static_cast<std::int16_t>(u16(s, at)); }
std::uint32_t u32(const std::string& s, std::size_t at) {
  return (static_cast<std::uint32_t>(u16(s, at)) << 16) | u16(s, at + 2);
}

void put16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>((v >> 8) & 0xFF);
  s[at + 1] = static_cast<char>(v & 0xFF);
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
  put16(s, at, v >> 16);
  put16(s, at + 2, v & 0xFFFF);
}
void append16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
  s.push_back(static_cast<char>(v & 0xFF));
}
void append32(std::string& s, std::uint32_t v) {
  append16(s, v >> 16);
  append16(s, v & 0xFFFF);
}

std::uint32_t checksum(const std::string& table) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < table.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      word <<= 8;
      if (i + k < table.size()) word |= static_cast<unsigned char>(table[i + k]);
    }
    sum += word;
  }
  return sum;
}

std::string postScriptNameOf(const std::string& name) {
  const unsigned count = u16(name, 2), strings = u16(name, 4);
  constexpr std::size_t kRecords = 6, kRecord = 12;
  std::string best;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t record = kRecords + std::size_t(i) * kRecord;
    if (record + kRecord > name.size()) break;
    const unsigned platform = u16(name, record), id = u16(name, record + 6);
    const unsigned length = u16(name, record + 8), offset = u16(name, record + 10);
    const std::size_t at = std::size_t(strings) + offset;
    if (id != 6 || at + length > name.size()) continue;
    std::string text;
    const bool wide = platform == 0 || platform == 3;
    for (std::size_t k = 0; k < length; k += wide ? 2 : 1) {
      const unsigned c = wide ? u16(name, at + k) : static_cast<unsigned char>(name[at + k]);
      // PDF names take these as they are; anything else would need escaping.
      if (c < 128 && (std::isalnum(static_cast<int>(c)) || c == '-' || c == '_')) text.push_back(static_cast<char>(c));
    }
    if (!text.empty()) return text;
  }
  return best;
}

// A glyph's outline without its hinting instructions. PDF readers draw the
// subset at every size; hinted, their rasteriser would snap the strokes
// differently from the toolkit's files (whose subsets carry no hinting).
std::string withoutInstructions(const std::string& glyf, std::size_t begin, std::size_t end) {
  std::string glyph = glyf.substr(begin, end - begin);
  if (glyph.size() < kGlyphHeader) return glyph;
  const int contours = s16(glyph, 0);
  if (contours >= 0) {
    const std::size_t at = kGlyphHeader + std::size_t(contours) * 2;
    if (at + 2 > glyph.size()) return glyph;
    const std::size_t length = u16(glyph, at);
    if (at + 2 + length > glyph.size()) return glyph;
    glyph.erase(at + 2, length);
    put16(glyph, at, 0);
    return glyph;
  }
  std::size_t at = kGlyphHeader;
  for (;;) {
    if (at + 4 > glyph.size()) return glyph;
    const unsigned flags = u16(glyph, at);
    put16(glyph, at, flags & ~kHasInstructions);
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    if (flags & kHasScale) at += 2;
    if (flags & kHasXYScale) at += 4;
    if (flags & kHasTwoByTwo) at += 8;
    if (!(flags & kMoreComponents)) break;
  }
  if (at < glyph.size()) glyph.resize(at);
  return glyph;
}

}  // namespace

std::unique_ptr<TrueTypeFont> TrueTypeFont::load(const FontTableReader& tables) {
  std::unique_ptr<TrueTypeFont> font(new TrueTypeFont);
  TrueTypeFont& f = *font;
  f.head_ = tables(fontTag("head"));
  f.hhea_ = tables(fontTag("hhea"));
  f.maxp_ = tables(fontTag("maxp"));
  f.glyf_ = tables(fontTag("glyf"));
  f.hmtx_ = tables(fontTag("hmtx"));
  const std::string& hmtx = f.hmtx_;
  const std::string loca = tables(fontTag("loca"));
  if (f.head_.size() < kHeadSize || f.hhea_.size() < kHheaSize || f.maxp_.size() < 6 || f.glyf_.empty()) return nullptr;
  f.unitsPerEm_ = static_cast<int>(u16(f.head_, kHeadUnitsPerEm));
  if (f.unitsPerEm_ < 16) return nullptr;
  f.xMin_ = s16(f.head_, kHeadXMin);
  f.yMin_ = s16(f.head_, kHeadXMin + 2);
  f.xMax_ = s16(f.head_, kHeadXMin + 4);
  f.yMax_ = s16(f.head_, kHeadXMin + 6);
  f.glyphCount_ = static_cast<int>(u16(f.maxp_, kMaxpGlyphCount));
  f.ascent_ = s16(f.hhea_, kHheaAscender);
  f.descent_ = s16(f.hhea_, kHheaDescender);
  f.metricCount_ = static_cast<int>(u16(f.hhea_, kHheaMetricCount));
  if (f.glyphCount_ < 1 || f.metricCount_ < 1 || hmtx.size() < std::size_t(f.metricCount_) * 4) return nullptr;
  f.advances_.resize(f.metricCount_);
  for (int i = 0; i < f.metricCount_; ++i) f.advances_[i] = static_cast<std::uint16_t>(u16(hmtx, std::size_t(i) * 4));

  const bool longOffsets = s16(f.head_, kHeadLocaFormat) == 1;
  const std::size_t entry = longOffsets ? 4 : 2;
  if (loca.size() < (std::size_t(f.glyphCount_) + 1) * entry) return nullptr;
  f.loca_.resize(std::size_t(f.glyphCount_) + 1);
  for (std::size_t i = 0; i < f.loca_.size(); ++i) {
    f.loca_[i] = longOffsets ? u32(loca, i * 4) : u16(loca, i * 2) * 2u;
    // Offsets go forward and stay inside glyf; a broken one empties the glyph.
    f.loca_[i] = std::min<std::uint32_t>(f.loca_[i], static_cast<std::uint32_t>(f.glyf_.size()));
    if (i > 0 && f.loca_[i] < f.loca_[i - 1]) f.loca_[i] = f.loca_[i - 1];
  }

  const std::string os2 = tables(fontTag("OS/2"));
  f.capHeight_ = os2.size() >= kOs2CapHeight + 2 && u16(os2, 0) >= 2 ? s16(os2, kOs2CapHeight) : f.ascent_;
  if (os2.size() >= kOs2FamilyClass + 2) {
    const int familyClass = static_cast<int>(u16(os2, kOs2FamilyClass) >> 8);
    f.serif_ = (familyClass >= 1 && familyClass <= 5) || familyClass == 7;
  }
  const std::string post = tables(fontTag("post"));
  if (post.size() >= kPostFixedPitch + 4) {
    f.italicAngle_ = static_cast<std::int32_t>(u32(post, kPostItalicAngle)) / 65536.0;
    f.fixedPitch_ = u32(post, kPostFixedPitch) != 0;
  }
  f.postScriptName_ = postScriptNameOf(tables(fontTag("name")));
  return font;
}

int TrueTypeFont::advance(std::uint16_t glyph) const {
  return advances_[std::min<std::size_t>(glyph, advances_.size() - 1)];
}

bool TrueTypeFont::glyphRange(std::uint32_t glyph, std::size_t& begin, std::size_t& end) const {
  if (glyph >= static_cast<std::uint32_t>(glyphCount_)) return false;
  begin = loca_[glyph];
  end = loca_[glyph + 1];
  return true;
}

std::string TrueTypeFont::subset(const std::vector<bool>& used) const {
  std::vector<bool> keep(glyphCount_, false);
  std::vector<std::pair<std::uint32_t, int>> pending = {{0, 0}};  // glyph, composite depth
  for (std::size_t g = 0; g < used.size() && g < keep.size(); ++g) {
    if (used[g]) pending.emplace_back(static_cast<std::uint32_t>(g), 0);
  }
  while (!pending.empty()) {
    const auto [glyph, depth] = pending.back();
    pending.pop_back();
    std::size_t begin = 0, end = 0;
    if (!glyphRange(glyph, begin, end) || keep[glyph]) continue;
    keep[glyph] = true;
    if (end - begin < kGlyphHeader || s16(glyf_, begin) >= 0 || depth >= kMaxCompositeDepth) continue;
    std::size_t at = begin + kGlyphHeader;
    for (;;) {
      if (at + 4 > end) break;
      const unsigned flags = u16(glyf_, at);
      const unsigned component = u16(glyf_, at + 2);
      if (component < keep.size() && !keep[component]) pending.emplace_back(component, depth + 1);
      at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
      if (flags & kHasScale) at += 2;
      if (flags & kHasXYScale) at += 4;
      if (flags & kHasTwoByTwo) at += 8;
      if (!(flags & kMoreComponents)) break;
    }
  }

  std::string glyf, loca;
  loca.reserve((keep.size() + 1) * 4);
  for (std::size_t g = 0; g < keep.size(); ++g) {
    append32(loca, static_cast<std::uint32_t>(glyf.size()));
    std::size_t begin = 0, end = 0;
    if (!keep[g] || !glyphRange(static_cast<std::uint32_t>(g), begin, end)) continue;
    glyf += withoutInstructions(glyf_, begin, end);
    while (glyf.size() % 4) glyf.push_back('\0');
  }
  append32(loca, static_cast<std::uint32_t>(glyf.size()));

  // Metrics of glyphs left out are zeroed: they compress to nothing. The
  // side bearings of those kept stay, as the rasteriser places outlines by them.
  std::string hmtx = hmtx_;
  for (std::size_t g = 0; g < keep.size(); ++g) {
    if (keep[g]) continue;
    const std::size_t metric = static_cast<std::size_t>(metricCount_);
    const std::size_t at = g < metric ? g * 4 : metric * 4 + (g - metric) * 2;
    const std::size_t size = g < metric ? 4 : 2;
    if (at + size <= hmtx.size()) std::fill_n(hmtx.begin() + static_cast<std::ptrdiff_t>(at), size, '\0');
  }
  std::string head = head_.substr(0, kHeadSize);
  put32(head, kHeadChecksumAdjustment, 0);
  put16(head, kHeadLocaFormat, 1);

  struct Table {
    std::uint32_t tag;
    const std::string* data;
  };
  // In tag order, as the table directory wants them.
  // Without hinting: no control values, font or glyph programs.
  std::vector<Table> out = {{fontTag("glyf"), &glyf}, {fontTag("head"), &head}, {fontTag("hhea"), &hhea_},
                            {fontTag("hmtx"), &hmtx}, {fontTag("loca"), &loca}, {fontTag("maxp"), &maxp_}};
  out.erase(std::remove_if(out.begin(), out.end(), [](const Table& t) { return t.data->empty(); }), out.end());
  const unsigned count = static_cast<unsigned>(out.size());
  unsigned power = 1, log2 = 0;
  while (power * 2 <= count) {
    power *= 2;
    ++log2;
  }
  std::string file;
  append32(file, 0x00010000);
  append16(file, count);
  append16(file, power * 16);
  append16(file, log2);
  append16(file, count * 16 - power * 16);
  std::size_t offset = 12 + std::size_t(count) * 16;
  for (const Table& t : out) {
    append32(file, t.tag);
    append32(file, checksum(*t.data));
    append32(file, static_cast<std::uint32_t>(offset));
    append32(file, static_cast<std::uint32_t>(t.data->size()));
    offset += (t.data->size() + 3) / 4 * 4;
  }
  std::size_t headAt = 0;
  for (const Table& t : out) {
    if (t.tag == fontTag("head")) headAt = file.size();
    file += *t.data;
    while (file.size() % 4) file.push_back('\0');
  }
  put32(file, headAt + kHeadChecksumAdjustment, 0xB1B0AFBAu - checksum(file));
  return file;
}

}  // namespace zel::pdf
