#include "filled_report.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "fixed_format.h"
#include "korean_texts.h"
#include "sample_reports.h"

namespace zel::bench {
namespace {

namespace rw = reportwriter;

constexpr int kSubtotalEvery = 10;  // every tenth line sums the nine before it
constexpr int kRemarkEvery = 5;
constexpr int kCatalogueSize = 600;  // distinct item names and sizes, as a long bill has
constexpr char kUnits[][4] = {"M", "M2", "M3", "TON", "KG", "EA", "SET", "L"};

// splitmix64: a small seeded generator, so a line depends on its index alone.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int between(int low, int high) { return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1)); }
};

// Syllables of building words (가공구기내단도...), CP949, two bytes each:
// names made of them read like a bill's items and stay decent.
constexpr char kSyllables[] =
    "\xB0\xA1\xB0\xF8\xB1\xB8\xB1\xE2\xB3\xBB\xB4\xDC\xB5\xB5\xB5\xBF\xB7\xCE\xB8\xAE\xB8\xB6\xB8\xF1\xB9\xCC\xB9\xE6"
    "\xB9\xE8\xBA\xAE\xBA\xB8\xBA\xCE\xBB\xE7\xBB\xF3\xBC\xAE\xBC\xB3\xBC\xF6\xBD\xC3\xBD\xC4\xBD\xC7\xBF\xDC\xBF\xEB"
    "\xC0\xDA\xC0\xE7\xC0\xFC\xC1\xA4\xC1\xB6\xC1\xF6\xC3\xA2\xC3\xB5\xC3\xB6\xC4\xDC\xC5\xA9\xC5\xE4\xC5\xEB\xC6\xC7"
    "\xC6\xF7\xC7\xCF\xC7\xD5\xC7\xFC\xC8\xAD\xB0\xFC\xB1\xDE\xB0\xE8\xBF\xAD\xC0\xE5\xC5\xB8\xC0\xCF\xB0\xED\xB5\xE5"
    "\xC0\xAF\xB9\xAE\xC6\xB2\xC8\xA3\xB5\xB9\xB8\xF4\xC5\xBB\xB1\xD9\xB0\xC5\xC7\xAA\xC1\xFD\xB7\xB9\xBE\xE7\xBB\xFD"
    "\xBF\xEE\xB9\xDD\xC5\xCD\xC6\xC4\xB5\xC7\xB8\xDE\xBF\xEC\xC0\xE2\xB4\xD9\xC1\xFC\xBD\xC0\xC3\xFE\xB0\xA8\xC4\xA1"
    "\xC7\xD8\xC3\xBC\xB0\xAD\xBF\xAC\xB0\xE1\xBC\xD3";
constexpr int kSyllableCount = (sizeof kSyllables - 1) / 2;

void appendSyllable(Random& r, std::string& out) {
  const int i = r.between(0, kSyllableCount - 1);
  out.append(kSyllables + 2 * i, 2);
}

// A Korean phrase of the given number of syllables, in words of 2 to 6
// syllables with a blank between them.
std::string phrase(Random& r, int syllables) {
  std::string out;
  while (syllables > 0) {
    const int word = std::min(syllables, r.between(2, 6));
    if (!out.empty()) out += ' ';
    for (int i = 0; i < word; ++i) appendSyllable(r, out);
    syllables -= word;
    if (syllables == 1) {  // no one-syllable tail word
      appendSyllable(r, out);
      syllables = 0;
    }
  }
  return out;
}

const std::vector<std::string>& catalogue(std::uint64_t seed) {
  static std::vector<std::string> names[2];
  std::vector<std::string>& list = names[seed & 1];
  if (list.empty()) {
    Random r{seed};
    for (int i = 0; i < kCatalogueSize; ++i) list.push_back(phrase(r, r.between(6, 12)));
  }
  return list;
}

// A value whose text in the report (separators, two decimals) is 8 to 16
// characters long for 4 to 10 integer digits; 7 when the last decimal is 0.
double value(Random& r, int minDigits, int maxDigits) {
  const int digits = r.between(minDigits, maxDigits);
  double low = 1;
  for (int i = 1; i < digits; ++i) low *= 10;
  const double units = low + static_cast<double>(r.next() % static_cast<std::uint64_t>(low * 9));
  return units + r.between(1, 99) / 100.0;
}

std::string text(double v) { return rw::formatFixed(v, 2); }

void filledLine(long index, rw::Line& line) {
  Random r{static_cast<std::uint64_t>(index) * 7919u + 17u};
  line.emplace_back("F_PAGE", std::to_string(index / rw::kPortraitLines + 1));
  line.emplace_back("F_SEQ", std::to_string(index + 1));
  static const char* kAmountFields[] = {"F_MAK", "F_NOK", "F_GYK", "F_HAK"};
  static const char* kPriceFields[] = {"F_MA", "F_NO", "F_GY", "F_HA"};
  if ((index + 1) % kSubtotalEvery == 0) {
    line.emplace_back("F_TYPE", "M");
    line.emplace_back("F_DES", rw::text::kSubtotal);
    for (const char* field : kAmountFields) line.emplace_back(field, text(value(r, 8, 10)));
    return;
  }
  line.emplace_back("F_TYPE", "D");
  line.emplace_back("F_TUNIT", "1");
  line.emplace_back("F_CODE", "B" + std::to_string(index % 100000));
  line.emplace_back("F_DES", catalogue(1)[r.next() % kCatalogueSize]);
  line.emplace_back("F_SIZE", catalogue(2)[r.next() % kCatalogueSize]);
  line.emplace_back("F_UNIT", kUnits[r.next() % std::size(kUnits)]);
  line.emplace_back("F_QQTY", text(value(r, 1, 4)));
  for (int i = 0; i < 4; ++i) {
    line.emplace_back(kPriceFields[i], text(value(r, 4, 7)));
    line.emplace_back(kAmountFields[i], text(value(r, 6, 10)));
  }
  if (index % kRemarkEvery == 0) line.emplace_back("F_BIGO", phrase(r, r.between(2, 5)));
  line.emplace_back("F_REM", "B" + std::to_string(index % 100000));
}

}  // namespace

rw::ReportSpec filledReport(long lines) {
  rw::BillOptions options;
  options.fileName = kFilledReportName;
  rw::ReportSpec report;
  report.fileName = options.fileName;
  report.settings = rw::billSettings(options);
  // Two decimals on prices, amounts and subtotals.
  for (auto& [key, setting] : report.settings) {
    if (key == "PRCDEC" || key == "CSTDEC" || key == "MOKDEC") setting = "2";
  }
  report.fields = rw::standardFields();
  for (rw::FieldDef& f : report.fields) {
    if (f.name.size() == 5 && f.name.back() == 'K' && f.type == 'N') f.decimals = 2;  // F_MAK .. F_HAK
  }
  report.generatedLines = lines;
  report.generate = filledLine;
  return report;
}

bool ensureFilledReport(const std::string& dir, long lines) {
  namespace fs = std::filesystem;
  const fs::path marker = fs::path(dir) / (std::string(kFilledReportName) + ".lines");
  long written = 0;
  if (std::ifstream in(marker); in >> written && written == lines && fs::exists(fs::path(dir) / kFilledReportName))
    return true;
  fs::create_directories(dir);
  std::fprintf(stderr, "writing %ld filled lines into %s ...\n", lines, dir.c_str());
  if (const Status s = rw::writeReport(dir, filledReport(lines)); !s) {
    std::fprintf(stderr, "cannot write the report: %s\n", s.message().c_str());
    return false;
  }
  std::ofstream(marker) << lines << '\n';
  return true;
}

}  // namespace zel::bench
