#include "pdf_font_source.h"

#include <QChar>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextLayout>

#include "cp949.h"
#include "font_mapper.h"
#include "truetype_font.h"

namespace zel {
namespace {

constexpr int kDefaultCellHeight = 30;  // as the painter canvas's "no font selected"

std::string tableOf(const QRawFont& raw, std::uint32_t tag) {
  const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16), static_cast<char>(tag >> 8),
                        static_cast<char>(tag), 0};
  const QByteArray table = raw.fontTable(name);
  return std::string(table.constData(), static_cast<std::size_t>(table.size()));
}

}  // namespace

bool QtPdfFontSource::embedsMappedFaces() {
  // Face names of each kind, as the mapper sorts them (ASCII is CP949 too).
  for (const char* face : {"GulimChe", "Batang", "Gulim"}) {
    const QRawFont raw = QRawFont::fromFont(QFont(fontMapper().familyFor(face)));
    if (!raw.isValid()) return false;
    if (!pdf::TrueTypeFont::load([&raw](std::uint32_t tag) { return tableOf(raw, tag); })) return false;
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
  made.font.tables = [raw](std::uint32_t tag) { return tableOf(raw, tag); };
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
  // As the painter draws such a text on a PDF device: word by word from
  // the measured start of each word, laid out by the toolkit, characters
  // the font lacks in the font it falls back on.
  out.advance = font.metrics->horizontalAdvance(text);
  const qsizetype length = text.size();
  qsizetype start = 0;
  while (start < length) {
    while (start < length && text.at(start).isSpace()) ++start;
    if (start >= length) break;
    qsizetype end = start;
    while (end < length && !text.at(end).isSpace()) ++end;
    const double offset = start == 0 ? 0.0 : font.metrics->horizontalAdvance(text.left(start));
    const QString word = text.mid(start, end - start);
    QTextLayout layout(word, font.font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (qsizetype i = 0; i < word.size();) {
      const qsizetype units = word.at(i).isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
      bool first = true;
      for (const QGlyphRun& run : layout.glyphRuns(static_cast<int>(i), static_cast<int>(units))) {
        const std::uint8_t face = faceIndex(entry, run.rawFont(), out);
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype g = 0; g < indexes.size() && g < positions.size(); ++g) {
          pdf::PdfGlyph& glyph = out.glyphs.emplace_back();
          glyph.glyph = static_cast<std::uint16_t>(indexes[g]);
          glyph.x = offset + positions[g].x();
          glyph.face = face;
          if (first) {
            glyph.text[0] = word.at(i).unicode();
            if (units == 2) glyph.text[1] = word.at(i + 1).unicode();
            glyph.length = static_cast<std::uint8_t>(units);
            first = false;
          }
        }
      }
      i += units;
    }
    start = end;
  }
}

std::uint8_t QtPdfFontSource::faceIndex(const Entry& entry, const QRawFont& raw, pdf::PdfLaidText& out) {
  if (!raw.isValid() || raw.familyName() == faceOf(entry.resolved).raw.familyName()) return 0;
  const Font* fallback = nullptr;
  for (const Fallback& known : fallbacks_) {
    if (known.family == raw.familyName() && known.font.size == raw.pixelSize() &&
        known.font.stretch == entry.font.stretch) {
      fallback = &known.font;
    }
  }
  if (!fallback) {
    Fallback& made = fallbacks_.emplace_back();
    made.family = raw.familyName();
    Face* face = nullptr;
    for (Face& f : faces_) {
      if (f.family == made.family) face = &f;
    }
    if (!face) {
      face = &faces_.emplace_back();
      face->family = made.family;
      face->raw = raw;
    }
    made.font = entry.font;
    made.font.face = face;
    const QRawFont tables = face->raw;
    made.font.tables = [tables](std::uint32_t tag) { return tableOf(tables, tag); };
    made.font.size = raw.pixelSize();
    made.font.ascent = raw.ascent();
    made.font.descent = raw.descent();
    fallback = &made.font;
  }
  for (std::size_t i = 0; i < out.fallbacks.size(); ++i) {
    if (out.fallbacks[i] == fallback) return static_cast<std::uint8_t>(i + 1);
  }
  out.fallbacks.push_back(fallback);
  return static_cast<std::uint8_t>(out.fallbacks.size());
}

}  // namespace zel
