#include "report_description.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "zel_table.h"
#include "ascii_text.h"
#include "cp949.h"
#include "report_file_state.h"
#include "settings_block.h"

namespace zel {

namespace {

struct TitleEntry {
  char family;
  int number;
  const char* title;
};

constexpr TitleEntry kTitles[] = {
    {'A', 1, "노  임  단  가"},       {'A', 2, "자  재  단  가"},       {'A', 3, "자  재  조  서"},
    {'A', 4, "경  비  단  가"},       {'A', 5, "일  위  목  록"},       {'A', 6, "일  위  내  역"},
    {'A', 7, "수량 산출 목록"},       {'B', 1, "총 괄 집 계 장"},       {'B', 2, "내    역    서"},
    {'B', 3, "호          표"},       {'B', 4, "산  출  근  거"},       {'B', 5, "수  량  산  출"},
    {'B', 6, "별  표  총  괄"},       {'B', 7, "별          표"},       {'B', 8, "할 증 내 역 서"},
    {'B', 9, "공사비예산서(KOPEC)"},  {'B', 10, "호   표(부 표)"},      {'B', 11, "공사비예산서(한전)"},
    {'C', 1, "소요자원 집계"},        {'C', 2, "공종물량 집계"},        {'D', 1, "금  액  대  비"},
    {'D', 2, "수  량  대  비"},       {'D', 3, "수량-단가-금액"},       {'D', 4, "설  계  변  경"},
    {'D', 5, "금  액  변  경"},       {'D', 6, "수  량  변  경"},       {'D', 7, "연  차  설  변"},
    {'D', 8, "물 가 연 동 제"},       {'D', 9, "목록 금액 대비"},       {'D', 10, "전체vs금회기성"},
    {'D', 11, "산출근거설계변경"},    {'E', 1, "중기 산출 기초"},       {'E', 2, "중  기  목  록"},
    {'E', 3, "중기 산출 내역(일반)"}, {'E', 4, "중기 산출 내역(부표)"}, {'E', 5, "중기 재노경단가"},
    {'E', 6, "중기 산출 내역(도로)"}, {'E', 7, "중기사용료표지(도로)"}, {'E', 8, "중기 산출 기초(도로)"},
    {'S', 1, "장비공식-매크로 목록"}, {'S', 2, "장비공식-매크로 내역"},
};

struct CodeText {
  const char* code;
  const char* text;
};

// Compared in this order; the first exact match wins.
constexpr CodeText kOptionTexts[] = {
    {"NC", "내용이 Page에 분리되지 않게 인쇄"},
    {"P", "Page별 인쇄"},
    {"CD", "명칭앞 코드인쇄"},
    {"ND", "명칭앞 번호인쇄"},
    {"C", "연속인쇄"},
    {"HP", "호표인쇄"},
    {"PP", "품셈인쇄"},
    {"A", "전체"},
    {"G", "경비"},
    {"E", "장비"},
    {"NP", "내역서 인쇄"},
    {"IP", "일위대가 인쇄"},
    {"B", "별표포함"},
    {"NB", "별표포함하지 않음"},
    {"NF", "일반형식"},
    {"BF", "부표형식"},
    {"HF", "호표형식"},
    {"BP", "별표형식"},
    {"SK", "산근형식"},
    {"CF", "코드인쇄"},
    {"PT", "재/노/경 인쇄"},
    {"P1", "재료비 인쇄"},
    {"P2", "노무비 인쇄"},
    {"P3", "경  비 인쇄"},
    {"HY", "할증 인쇄"},
    {"HN", "할증 인쇄하지 않음"},
    {"FP", "원Proj기준 - 공종/규격/단위"},
    {"LP", "최종Proj기준 - 공종/규격/단위"},
    {"SL", "실선 인쇄"},
    {"DL", "점선 인쇄"},
    {"NL", "무선 인쇄"},
};

struct LetterText {
  char letter;
  const char* text;
};

constexpr LetterText kSortTexts[] = {
    {'C', "코드"}, {'D', "명칭"}, {'N', "번호"}, {'P', "품셈"}, {'B', "부표"},
};

constexpr LetterText kRemarksTexts[] = {
    {'B', "적용물가지"},
    {'C', "일위대가코드"},
    {'G', "사용자비고 인쇄"},
    {'H', "번호(호표)"},
    {'M', "변동차액"},
    {'N', "산근/호표번호"},
    {'O', "산근/호표번호-변동차액"},
    {'P', "번호(품셈)"},
    {'S', "수량산출코드"},
    {'X', "번호(부표)"},
    {'Y', "실선 인쇄"},
    {'Z', "점선 인쇄"},
};

const char* letterText(const LetterText* begin, const LetterText* end, char letter) {
  for (const LetterText* it = begin; it != end; ++it) {
    if (it->letter == letter) return it->text;
  }
  return nullptr;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Blank as the settings texts use it: nothing but control characters and spaces.
bool emptyWhenTrimmed(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// The selected code of a selection list: token k + 2, k being token 2 (default 1).
std::string selectedCode(const std::string& list, const std::string& def) {
  int k = TokenInt(2, list, 1);
  return Token(k + 2, list, def);
}

// The page count is the highest page any line carries, as the run counts it:
// the last record need not hold it when the tail is damaged or edited. Empty
// when no line has a page number.
// A value that is not a number is damage: the walk stops there (a header
// that claims millions of records of NUL bytes costs one record), the count
// is left empty and `problem` names the record. False at such damage.
bool takePage(TTable& table, std::optional<long long>& highest, std::string& problem) {
  const std::optional<std::string> page = table.FieldValue("F_PAGE");
  if (!page) return true;
  char* end = nullptr;
  const double value = std::strtod(page->c_str(), &end);
  if (end == page->c_str() || *end != '\0' || !std::isfinite(value)) {
    problem = "record " + std::to_string(table.RecNo()) + ": F_PAGE is not a page number";
    return false;
  }
  if (!(std::fabs(value) < 1e15)) return true;
  const long long whole = static_cast<long long>(value);
  if (!highest || whole > *highest) highest = whole;
  return true;
}

std::string pageText(const std::optional<long long>& highest) {
  return highest ? std::to_string(*highest) : std::string();
}

std::string highestPage(TTable& table, std::string& problem) {
  std::optional<long long> highest;
  for (table.First(); !table.Eof(); table.Next()) {
    if (!takePage(table, highest, problem)) return {};
  }
  return pageText(highest);
}

}  // namespace

std::string reportTitleOf(const std::string& code) {
  if (code.size() < 6) return "";
  const std::string key = asciiUpper(code.substr(3, 3));
  if (!isDigit(key[1]) || !isDigit(key[2])) return "";
  int number = (key[1] - '0') * 10 + (key[2] - '0');
  for (const TitleEntry& entry : kTitles) {
    if (entry.family == key[0] && entry.number == number) return entry.title;
  }
  return "";
}

bool settingsBlockReads(const std::string& block) { return !emptyWhenTrimmed(block); }

void describeSettings(const std::string& block, ReportDescription& out) {
  out.title = reportTitleOf(GetKey(block, "RPTCODE"));

  std::string optionSet = GetKey(block, "OPTIONSET");
  out.fixedDecimals = Token(1, optionSet, "0") == "1" ? "적용" : "비적용";
  out.orientation = Token(2, optionSet, "0") == "0" ? "종방향" : "횡방향";

  std::string sort = GetKey(block, "SORT");
  std::string sortCode = selectedCode(sort, "C");
  if (!sortCode.empty()) {
    const char* text = letterText(std::begin(kSortTexts), std::end(kSortTexts), sortCode[0]);
    out.sortOrder = std::string(text ? text : "") + "순 정렬";
  }

  std::string selected = selectedCode(sort, "");
  if (!emptyWhenTrimmed(selected)) {
    std::string scope = GetKey(block, "PRINTSCOPE");
    std::string range = selected == "C" ? Token(2, scope, "") + " ~ " + Token(3, scope, "")
                                        : Token(4, scope, "") + " ~ " + Token(5, scope, "");
    if (range != " ~ ") out.printRange = cp949ToUtf8(range);
  }

  for (int n = 1; n <= 4; ++n) {
    std::string value = GetKey(block, "OPT" + std::to_string(n));
    if (emptyWhenTrimmed(value)) continue;
    std::string code = selectedCode(value, "");
    for (const CodeText& option : kOptionTexts) {
      if (code == option.code) {
        out.option(n) = option.text;
        break;
      }
    }
  }

  std::string remarks = selectedCode(GetKey(block, "BIGO"), "");
  if (!remarks.empty()) {
    const char* text = letterText(std::begin(kRemarksTexts), std::end(kRemarksTexts), remarks[0]);
    if (text) out.remarks = text;
  }

  std::string space = GetKey(block, "PAGESPACE");
  if (!space.empty()) {
    auto margin = [&](int n) { return cp949ToUtf8(Token(n, space, "0")); };
    out.margins = "상:" + margin(1) + " 하:" + margin(2) + " 좌:" + margin(3) + " 우:" + margin(4);
  }
}

ReportDescription describeReport(const std::string& directory, const std::string& fileName, long countPagesUpTo) {
  ReportDescription out;
  if (emptyWhenTrimmed(fileName)) return out;

  TZelTable table;
  if (!table.OpenTable(directory, fileName, "CDX") || !table.Table.FindField("F_INIT")) {
    // A report held by another program or unreadable for the user is not "not a report".
    const std::string why = OpenProblemText(table.Table.LastOpenProblem());
    out.problem = table.NotAReportReason();
    out.kind = ReportKind::kNotAReport;
    out.title = why.empty() ? std::string(kNotReportFileText) : why;
    out.canChangeMargins = false;
    return out;
  }

  table.Table.First();
  std::string block = table.Table.FieldAsString("F_INIT");
  if (!settingsBlockReads(block)) {
    out.kind = ReportKind::kBroken;
    out.canChangeMargins = false;
    out.problem = "empty settings block in F_INIT";
    out.title = kBrokenReportFileText;
    return out;
  }

  out.kind = ReportKind::kOk;
  describeSettings(block, out);

  if (!table.Table.FindField("F_PAGE")) return out;
  if (countPagesUpTo >= 0 && table.Table.RecordCount() > countPagesUpTo) {
    out.pagesPending = true;
    return out;
  }
  out.pages = highestPage(table.Table, out.problem);
  return out;
}

PageCounter::PageCounter(const std::string& directory, const std::string& fileName)
    : table_(std::make_unique<TZelTable>()) {
  if (!table_->OpenTable(directory, fileName, "CDX") || !table_->Table.FindField("F_PAGE")) {
    done_ = true;
    return;
  }
  table_->Table.First();
}

PageCounter::~PageCounter() = default;

bool PageCounter::step(long records) {
  if (done_) return true;
  std::string problem;
  bool damaged = false;
  for (long n = 0; n < records && !table_->Table.Eof(); ++n) {
    if (!takePage(table_->Table, highest_, problem)) {
      damaged = true;
      highest_.reset();
      break;
    }
    table_->Table.Next();
  }
  if (damaged || table_->Table.Eof()) {
    done_ = true;
    table_.reset();  // closed as soon as it is counted
  }
  return done_;
}

std::string PageCounter::pages() const { return pageText(highest_); }

}  // namespace zel
