#include "font_mapper.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRawFont>

#include "cp949.h"

namespace zel {
namespace {

constexpr char32_t kHangulGa = 0xAC00;  // the first Hangul syllable
constexpr int kMeasurePixels = 1000;  // large, so hinting does not skew the ratios

bool endsWith(const QString& name, const QString& tail) { return name.endsWith(tail, Qt::CaseInsensitive); }

// Whether an OpenType 'name' table holds `family` as a family name (name
// ids 1 and 16) in any language: Windows records are UTF-16BE, Macintosh
// ones single bytes.
bool fontHasFamilyName(const QByteArray& table, const QString& family) {
  constexpr int kHeader = 6, kRecord = 12;
  auto u16 = [&](qsizetype at) {
    return at + 2 <= table.size() ? static_cast<int>((static_cast<unsigned char>(table[at]) << 8) |
                                                     static_cast<unsigned char>(table[at + 1]))
                                  : -1;
  };
  const int count = u16(2), strings = u16(4);
  if (count < 0 || strings < 0) return false;
  for (int i = 0; i < count; ++i) {
    const qsizetype record = kHeader + qsizetype(i) * kRecord;
    const int platform = u16(record), nameId = u16(record + 6), length = u16(record + 8), offset = u16(record + 10);
    if (offset < 0 || (nameId != 1 && nameId != 16)) continue;
    const qsizetype at = qsizetype(strings) + offset;
    if (at + length > table.size()) continue;
    QString name;
    if (platform == 0 || platform == 3) {
      for (qsizetype k = 0; k + 1 < length; k += 2) name += QChar(static_cast<char16_t>(u16(at + k)));
    } else {
      name = QString::fromLatin1(table.constData() + at, length);
    }
    if (name.compare(family, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

bool coversHangul(const QString& family) {
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);
  if (QFontDatabase::hasFamily(family)) {
    QFontMetricsF metrics(font);
    return metrics.inFontUcs4(kHangulGa);
  }
  // The font database names a family in the user's language where the font
  // has such a name (나눔고딕코딩 under a Korean locale), so the English name
  // is not found there although the font is installed and drawn by it: the
  // font the name resolves to must carry the name among its own, in any
  // language (a missing font resolves to another one, which does not).
  const QRawFont raw = QRawFont::fromFont(font);
  return raw.isValid() && fontHasFamilyName(raw.fontTable("name"), family) && raw.supportsCharacter(kHangulGa);
}

}  // namespace

QString FontMapper::fixedFamily() { return QStringLiteral("NanumGothicCoding"); }
QString FontMapper::gothicFamily() { return QStringLiteral("NanumGothic"); }
QString FontMapper::serifFamily() { return QStringLiteral("NanumMyeongjo"); }

QFont FontMapper::fixedFont(int pixelSize) {
  QFont font(fixedFamily());
  font.setPixelSize(pixelSize);
  return font;
}

QFont FontMapper::gothicFont(int pixelSize) {
  QFont font(gothicFamily());
  font.setPixelSize(pixelSize);
  return font;
}

QString FontMapper::familyFor(const std::string& cp949Face) const {
  const QString face = QString::fromStdString(cp949ToUtf8(cp949Face)).trimmed();
#ifdef Q_OS_WIN
  // A Korean Windows has the report's own faces (굴림체, 바탕체, ...); the
  // Nanum faces stand in only where it does not.
  if (!face.isEmpty() && coversHangul(face)) return face;
#endif
  QString wanted;
  // "체" marks the fixed-width variants (굴림체, 돋움체, 바탕체, 궁서체).
  if (endsWith(face, QStringLiteral("체")) || endsWith(face, QStringLiteral("Che"))) {
    wanted = fixedFamily();
  } else if (face.contains(QStringLiteral("바탕")) || face.contains(QStringLiteral("궁서")) ||
             face.contains(QStringLiteral("명조")) || face.startsWith(QStringLiteral("Batang"), Qt::CaseInsensitive) ||
             face.startsWith(QStringLiteral("Gungsuh"), Qt::CaseInsensitive)) {
    wanted = serifFamily();
  } else {
    // 굴림, 돋움, "MS Sans Serif" and every face we do not know.
    wanted = gothicFamily();
  }
  return resolve(wanted);
}

QString FontMapper::resolve(const QString& wanted) const {
  if (coversHangul(wanted)) return wanted;
  // The preferred family is missing: any installed family that draws Hangul
  // is better than boxes.
  for (const QString& family : {gothicFamily(), fixedFamily(), serifFamily()}) {
    if (coversHangul(family)) return family;
  }
  for (const QString& family : QFontDatabase::families(QFontDatabase::Korean)) {
    if (coversHangul(family)) return family;
  }
  return wanted;
}

const MappedFace& FontMapper::faceFor(const std::string& cp949Face) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (auto known = byName_.find(cp949Face); known != byName_.end()) return *known->second;
  const QString family = familyFor(cp949Face);
  for (const MappedFace& face : measured_) {
    if (face.family == family) {
      byName_.emplace(cp949Face, &face);
      return face;
    }
  }
  QFont font(family);
  font.setPixelSize(kMeasurePixels);
  font.setHintingPreference(QFont::PreferNoHinting);
  QFontMetricsF metrics(font);
  MappedFace face;
  face.family = family;
  const double cell = metrics.ascent() + metrics.descent();
  if (cell > 0) face.cellPerPixel = cell / kMeasurePixels;
  const double hangul = metrics.horizontalAdvance(QString(QChar(static_cast<char16_t>(kHangulGa))));
  if (hangul > 0) face.averagePerPixel = hangul / 2 / kMeasurePixels;
  measured_.push_back(face);
  byName_.emplace(cp949Face, &measured_.back());
  return measured_.back();
}

QStringList FontMapper::verify() const {
  QStringList failing;
  for (const QString& family : {fixedFamily(), gothicFamily(), serifFamily()}) {
    if (!coversHangul(family)) failing << family;
  }
  return failing;
}

FontMapper& fontMapper() {
  static FontMapper mapper;
  return mapper;
}

}  // namespace zel
