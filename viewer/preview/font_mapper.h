// FontMapper: turns the face names a report asks for (CP949 bytes, mostly the
// classic Korean system faces) into installed font families that cover Hangul,
// and builds the QFont a logical font description stands for.
//
// The report's face names are converted to Unicode here, at the display
// boundary. One process-wide instance, made after QGuiApplication; faceFor
// may be called from any thread (the command line draws PDF pages on worker
// threads).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zel {

// A face's resolved family and the metrics needed to size it like the
// original device did (cell height = ascent + descent; average width).
struct MappedFace {
  QString family;
  // Cell height (ascent + descent) per pixel of font size.
  double cellPerPixel = 1.0;
  // Average character width per pixel of font size: half the advance of a
  // Hangul syllable, which is what the report's layouts were designed against
  // (a Hangul character is two average widths wide in the fixed-width faces).
  double averagePerPixel = 0.5;
};

class FontMapper {
 public:
  // The family chosen for a face name given as CP949 bytes. Never empty: a
  // face that is not known or not installed gets the default Hangul family.
  QString familyFor(const std::string& cp949Face) const;
  // The family plus its sizing metrics (measured once per family).
  const MappedFace& faceFor(const std::string& cp949Face);

  // Checks that every family the mapping can hand out exists and draws
  // Hangul (U+AC00). Returns the families that fail; empty when all is well.
  QStringList verify() const;

  // The families used for the three kinds of faces.
  static QString fixedFamily();  // the "...che" fixed-width faces
  static QString gothicFamily();  // sans-serif faces and anything unknown
  static QString serifFamily();  // Batang, Gungsuh

  // The windows' own faces at a pixel size: the fixed-width Gulim most of
  // them were designed in, and the plain sans-serif.
  static QFont fixedFont(int pixelSize);
  static QFont gothicFont(int pixelSize);

 private:
  QString resolve(const QString& wanted) const;
  std::deque<MappedFace> measured_;  // deque: references stay valid
  // Face names already seen (raw bytes) and their entry in measured_: font
  // lookups are slow and the renderer asks for a font on every line.
  std::unordered_map<std::string, const MappedFace*> byName_;
  std::mutex mutex_;  // guards measured_ and byName_
};

FontMapper& fontMapper();

}  // namespace zel
