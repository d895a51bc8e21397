#include "value_search.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "message_service.h"
#include "number_format.h"
#include "report_layout.h"
#include "report_lines.h"
#include "settings_block.h"

namespace zel {
namespace {

const char kRealOnly[] = "실수형 항목입니다. 숫자만 검색가능합니다.";
const char kIntegerOnly[] = "정수형 항목입니다. 정수만 검색가능합니다.";
const char kNotFound[] = "찾는 내용이 없습니다.";

// Standard decimal notation only: blanks around, sign, digits, one point,
// exponent. A comma is not a decimal point here.
bool parseReal(const std::string& text, double& out) {
  if (text.find_first_not_of(" 0123456789+-.eE") != std::string::npos) return false;
  const std::size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return false;
  const std::string s = text.substr(b, text.find_last_not_of(' ') - b + 1);
  char* end = nullptr;
  errno = 0;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && errno != ERANGE;
}

bool parseInteger(const std::string& text, long& out) {
  try {
    out = ToIntStrict(text, "search");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Upper case of the one-byte characters only: the trail byte of a two-byte
// character can fall in the ASCII letter range and must stay as it is.
std::string upperSingleBytes(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c > 0x7F) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// Containment starting at character boundaries only.
bool containsText(const std::string& haystack, const std::string& needle) {
  if (needle.empty() || needle.size() > haystack.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= haystack.size();) {
    if (haystack.compare(i, needle.size(), needle) == 0) return true;
    i += static_cast<unsigned char>(haystack[i]) > 0x7F ? 2 : 1;
  }
  return false;
}

// What a line is compared with: the number for N and I columns, the
// upper-cased text for the others.
struct Wanted {
  double real = 0;
  long integer = 0;
  std::string text;
};

bool lineMatches(ReportLines& lines, const std::string& fieldName, const std::string& type, const Wanted& wanted) {
  if (type == "N") return lines.fieldAsFloat(fieldName) == wanted.real;
  if (type == "I") return lines.fieldAsInteger(fieldName) == wanted.integer;
  return containsText(upperSingleBytes(lines.fieldAsPaddedText(fieldName)), wanted.text);
}

}  // namespace

std::vector<SearchColumn> BuildSearchColumns(const std::string& settingsText) {
  std::vector<SearchColumn> columns;
  const int n = TokenInt(1, GetKey(settingsText, "FIELDCOUNT"), 0);
  for (int k = 1; k <= n; ++k) {
    TFieldDesc d;
    d.items = SplitTokens(GetKey(settingsText, "F" + std::to_string(k)), kDescriptorItems);
    if (d.KindValue() >= 10) continue;
    std::string title = d.item(8);
    if (d.CaptionRowsValue() > 1) title += "_" + d.LowerCaption();
    columns.push_back({title, d.FieldName()});
  }
  return columns;
}

bool HasPageNumbers(ReportLines& lines) {
  if (!lines.hasField("F_PAGE")) return false;
  lines.goTop();
  return !lines.eof() && lines.fieldAsFloat("F_PAGE") >= 1;
}

std::vector<SearchColumn> PrepareSearch(ReportLines& lines, int curPage) {
  lines.goTop();
  const std::string settings = lines.fieldAsPaddedText("F_INIT");
  if (curPage == 0)
    lines.goTop();
  else
    lines.softSeek(PadLeft(static_cast<long>(curPage) + 1, 5));
  return BuildSearchColumns(settings);
}

ValueSearchOutcome SearchValue(MessageService& messages, ReportLines& lines, const std::string& fieldName,
                               const std::string& text, bool fromCurrent, const std::string& mode) {
  ValueSearchOutcome outcome;
  std::string type = lines.fieldTypeName(fieldName);
  if (type == "B") type = "M";
  double real = 0;
  long integer = 0;
  const bool searchable = type == "N" || type == "I" || type == "C" || type == "M";
  if (type == "N" && !parseReal(text, real)) {
    messages.warning(kRealOnly);
    return outcome;
  }
  if (type == "I" && !parseInteger(text, integer)) {
    messages.warning(kIntegerOnly);
    return outcome;
  }
  if (searchable) {
    outcome.searched = true;
    outcome.rememberText = true;
    if (!fromCurrent)
      lines.goTop();
    else if (mode == "V")
      lines.next();
    const Wanted wanted{real, integer, upperSingleBytes(text)};
    for (; !lines.eof(); lines.next()) {
      if (lineMatches(lines, fieldName, type, wanted)) {
        outcome.found = true;
        if (mode == "P") outcome.page = static_cast<int>(lines.fieldAsInteger("F_PAGE"));
        return outcome;
      }
    }
  }
  messages.notice(kNotFound);
  lines.goTop();
  return outcome;
}

LineHit FindNextLine(ReportLines& lines, const std::string& fieldName, const std::string& text, int page, int line) {
  LineHit hit;
  std::string type = lines.fieldTypeName(fieldName);
  if (type == "B") type = "M";
  double real = 0;
  long integer = 0;
  if (type == "N" && !parseReal(text, real)) return hit;
  if (type == "I" && !parseInteger(text, integer)) return hit;
  if (type != "N" && type != "I" && type != "C" && type != "M") return hit;
  const Wanted wanted{real, integer, upperSingleBytes(text)};
  lines.softSeek(PadLeft(static_cast<long>(std::max(page, 1)), 5));
  int shownPage = -1, counted = 0;
  for (; !lines.eof(); lines.next()) {
    const int p = static_cast<int>(lines.fieldAsInteger("F_PAGE"));
    counted = p == shownPage ? counted + 1 : 1;
    shownPage = p;
    if (p == page && counted <= line) continue;
    if (lineMatches(lines, fieldName, type, wanted)) return {true, p, counted};
  }
  return hit;
}

}  // namespace zel
