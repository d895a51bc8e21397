#include "font_mapper.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#include "cp949.h"

namespace zel {
namespace {

constexpr char32_t kHangulGa = 0xAC00;  // the first Hangul syllable
constexpr int kMeasurePixels = 1000;  // large, so hinting does not skew the ratios

bool endsWith(const QString& name, const QString& tail) { return name.endsWith(tail, Qt::CaseInsensitive); }

bool coversHangul(const QString& family) {
  if (!QFontDatabase::hasFamily(family)) return false;
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);
  QFontMetricsF metrics(font);
  return metrics.inFontUcs4(kHangulGa);
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
