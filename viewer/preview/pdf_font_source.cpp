#include "pdf_font_source.h"

#include <QChar>
#include <QFontMetricsF>

#include "cp949.h"
#include "font_mapper.h"
#include "truetype_font.h"

namespace zel {
namespace {

constexpr int kDefaultCellHeight = 30;  // as the painter canvas's "no font selected"

}  // namespace

bool QtPdfFontSource::embedsMappedFaces() {
  // Face names of each kind, as the mapper sorts them (ASCII is CP949 too).
  for (const char* face : {"GulimChe", "Batang", "Gulim"}) {
    const QRawFont raw = QRawFont::fromFont(QFont(fontMapper().familyFor(face)));
    if (!raw.isValid()) return false;
    const auto tables = [&raw](std::uint32_t tag) {
      const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16), static_cast<char>(tag >> 8),
                            static_cast<char>(tag), 0};
      const QByteArray table = raw.fontTable(name);
      return std::string(table.constData(), static_cast<std::size_t>(table.size()));
    };
    if (!pdf::TrueTypeFont::load(tables)) return false;
  }
  return true;
}

std::size_t QtPdfFontSource::KeyHash::operator()(const KeyView& k) const {
  return std::hash<std::string_view>()(k.text) ^ (std::hash<const void*>()(k.font) << 1);
}

QtPdfFontSource::QtPdfFontSource() = default;
QtPdfFontSource::~QtPdfFontSource() = default;

const QtPdfFontSource::Face& QtPdfFontSource::faceOf(const PainterCanvas::ResolvedFont& resolved) {
  const QString family = resolved.font.family();
  for (const Face& face : faces_) {
    if (face.family == family) return face;
  }
  Face& face = faces_.emplace_back();
  face.family = family;
  face.raw = resolved.glyphs ? resolved.glyphs->rawFont() : QRawFont::fromFont(resolved.font);
  return face;
}

QtPdfFontSource::Entry* QtPdfFontSource::make(const LogicalFont& logical) {
  Entry entry;
  if (!PainterCanvas::resolveFont(logical, entry.resolved)) return nullptr;
  Entry& made = fonts_.emplace_back(std::move(entry));
  made.faceName = logical.faceName;
  made.height = logical.height;
  made.averageWidth = logical.averageWidth;
  const Face& face = faceOf(made.resolved);
  made.font.face = &face;
  const QRawFont raw = face.raw;
  made.font.tables = [raw](std::uint32_t tag) {
    const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16), static_cast<char>(tag >> 8),
                          static_cast<char>(tag), 0};
    const QByteArray table = raw.fontTable(name);
    return std::string(table.constData(), static_cast<std::size_t>(table.size()));
  };
  made.font.size = made.resolved.font.pixelSize();
  made.font.ascent = made.resolved.ascent;
  made.font.descent = made.resolved.descent;
  made.font.stretch = made.resolved.stretch;
  made.font.unitsPerPageUnit = PainterCanvas::kTextScale;
  return &made;
}

const QtPdfFontSource::Font* QtPdfFontSource::resolve(const LogicalFont& font) {
  for (Entry& entry : fonts_) {
    if (&entry != default_ && entry.height == font.height && entry.averageWidth == font.averageWidth &&
        entry.faceName == font.faceName)
      return &entry.font;
  }
  Entry* made = make(font);
  return made ? &made->font : nullptr;
}

const QtPdfFontSource::Font& QtPdfFontSource::defaultFont() {
  if (!default_) {
    LogicalFont plain;
    plain.height = kDefaultCellHeight;
    default_ = make(plain);
  }
  return default_->font;
}

const pdf::PdfLaidText& QtPdfFontSource::layOut(const Font& font, const std::string& cp949Text) {
  if (last_ && lastFont_ == &font && lastText_ == cp949Text) return *last_;
  const pdf::PdfLaidText* laid = nullptr;
  if (auto found = texts_.find(KeyView{&font, cp949Text}); found != texts_.end()) {
    laid = &found->second;
  } else {
    if (texts_.size() >= kKeptTexts) texts_.clear();
    const Entry* entry = nullptr;
    for (const Entry& e : fonts_) {
      if (&e.font == &font) entry = &e;
    }
    pdf::PdfLaidText& made = texts_[Key{&font, cp949Text}];
    if (entry) layOutAnew(*entry, cp949Text, made);
    laid = &made;
  }
  lastFont_ = &font;
  lastText_ = cp949Text;
  last_ = laid;
  return *laid;
}

void QtPdfFontSource::layOutAnew(const Entry& entry, const std::string& cp949Text, pdf::PdfLaidText& out) {
  const QString text = QString::fromStdString(cp949ToUtf8(cp949Text));
  const PainterCanvas::ResolvedFont& font = entry.resolved;
  QList<quint32> glyphs;
  QList<QPointF> positions;
  double advance = 0;
  if (font.glyphs && font.glyphs->layOut(text, glyphs, positions, advance)) {
    // One glyph for each character that is no blank, in order.
    qsizetype g = 0;
    for (const QChar ch : text) {
      if (ch.isSpace() || g >= glyphs.size()) continue;
      pdf::PdfGlyph& glyph = out.glyphs.emplace_back();
      glyph.glyph = static_cast<std::uint16_t>(glyphs[g]);
      glyph.x = positions[g].x();
      glyph.text[0] = ch.unicode();
      glyph.length = 1;
      ++g;
    }
    out.advance = advance;
    return;
  }
  out.advance = font.metrics->horizontalAdvance(text);
  const QRawFont& raw = font.glyphs->rawFont();
  const qsizetype length = text.size();
  qsizetype start = 0;
  while (start < length) {
    while (start < length && text.at(start).isSpace()) ++start;
    if (start >= length) break;
    qsizetype end = start;
    while (end < length && !text.at(end).isSpace()) ++end;
    double x = start == 0 ? 0.0 : font.metrics->horizontalAdvance(text.left(start));
    for (qsizetype i = start; i < end;) {
      const qsizetype units = text.at(i).isHighSurrogate() && i + 1 < end && text.at(i + 1).isLowSurrogate() ? 2 : 1;
      quint32 index = 0;
      int count = 1;
      if (!raw.glyphIndexesForChars(text.constData() + i, static_cast<int>(units), &index, &count) || count < 1)
        index = 0;
      QPointF step;
      raw.advancesForGlyphIndexes(&index, &step, 1);
      pdf::PdfGlyph& glyph = out.glyphs.emplace_back();
      glyph.glyph = static_cast<std::uint16_t>(index);
      glyph.x = x;
      glyph.text[0] = text.at(i).unicode();
      if (units == 2) glyph.text[1] = text.at(i + 1).unicode();
      glyph.length = static_cast<std::uint8_t>(units);
      x += step.x();
      i += units;
    }
    start = end;
  }
}

}  // namespace zel
