// One file on purpose, though over 400 lines: the comparison in the order it
// happens (open both reports, match their columns, walk their lines, count
// identities, compare). Its classes share the Report and Line records of this
// file and are used nowhere else.
#include "report_compare.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <tuple>
#include <unordered_map>

#include "ascii_text.h"
#include "cell_value.h"
#include "data_error.h"
#include "export_layout.h"
#include "export_lines.h"
#include "message_service.h"
#include "number_format.h"
#include "error_text.h"
#include "report_file_state.h"
#include "report_layout.h"
#include "report_lines.h"
#include "settings_block.h"
#include "engine_settings.h"
#include "report_table.h"

namespace zel {
namespace {

// The runner's refusals, word for word: a report compares only where it runs.
const char kNoSuchReport[] = "이미 삭제되었거나 없는 보고서입니다.";
const char kNotAReport[] = "보고서 화일이 아닙니다.";
const char kNoSettings[] = "보고서 F_INIT에 초기화정보가 없습니다.\r사용할 수 없는 보고서입니다.";
const char kUnsupportedReport[] = "지원하지 않는 보고서입니다.";
const char kPageNotNumber[] = "보고서의 F_PAGE 필드가 숫자 필드가 아니어서 쪽을 나눌 수 없습니다.";

constexpr char kSep = '\x1f';  // never in a report's text
const char kSizeCaption[] = "\xB1\xD4\xB0\xDD";  // "규격" in CP949

bool isNumberType(const std::string& type) {
  return type == "N" || type == "F" || type == "I" || type == "B" || type == "Y";
}

std::string trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return std::string();
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

bool isHeadingType(const std::string& type) { return type == "H" || type == "M"; }

// A text column that names the item: the description (with its size) or a size column.
bool isIdentityField(const std::string& field) {
  const std::string f = asciiUpper(trimmed(field));
  return f == "F_DES" || f == "F_SIZE";
}

double roundTo(double v, int decimals) {
  const double scale = std::pow(10.0, std::clamp(decimals, 0, 9));
  return std::round(v * scale) / scale;
}

// One report opened for the comparison: its layout, sheet columns and a
// cursor over its body lines in page order.
struct Report {
  ReportTable table;
  std::unique_ptr<ReportTableLines> lines;
  TReportLayout layout;
  ExportLayout sheet;
  LineRules rules;
  std::string code;
  bool hasCode = false;
  int pageTotal = 0;
  long records = 0;  // not deleted
  std::vector<int> numericCols;  // sheet columns of the numeric values, by compare column (-1 absent)
  std::vector<int> textCols;  // sheet columns of the identity texts, by identity caption
};

struct Line {
  std::string key;
  std::uint64_t hash = 0;
  std::string type;
  std::string code;
  std::vector<std::string> texts;
  std::vector<ShownNumber> values;
  bool heading = false;  // a heading or subtotal
  int page = 0, row = 0;
};

// Opens path as the runner would, with its refusals; null when refused.
std::unique_ptr<Report> openReport(MessageService& box, const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  const std::string directory = p.has_parent_path() ? p.parent_path().string() : std::string(".");
  const std::string name = p.filename().string();
  std::error_code ec;
  const std::size_t dot = name.find('.');
  if (!fs::is_regular_file(p, ec) || dot == std::string::npos || dot == 0) {
    box.warning(path + "\r" + kNoSuchReport);
    return nullptr;
  }
  if (asciiUpper(name.substr(dot + 1)) != "DBF") {
    box.warning(path + "\r" + kNotAReport);
    return nullptr;
  }
  auto r = std::make_unique<Report>();
  ReportTable& t = r->table;
  if (!t.OpenTable(directory, name, "CDX") || !t.FindField("F_INIT")) {
    const DataError reason = t.NotAReportReason();
    const std::string why = openRefusalText(reason.kind());
    box.warning(path + "\r" + (why.empty() ? std::string(kNotAReport) : why));
    box.log(reason.what());
    return nullptr;
  }
  if (const long missing = t.MissingBytes(); missing > 0) {
    box.warning(DamagedTableText(path, missing));
    return nullptr;
  }
  if (!t.FindField("F_PAGE") || !isNumberType(t.FieldTypeName("F_PAGE"))) {
    box.warning(path + "\r" + kPageNotNumber + " (" + t.FieldTypeName("F_PAGE") + ")");
    return nullptr;
  }
  t.SetOrder(0);
  t.First();
  r->layout.SettingsText = t.MemoText("F_INIT");
  std::string code = asciiUpper(GetKey(r->layout.SettingsText, "RPTCODE"));
  if (code.empty()) {
    box.warning(path + "\r" + kNoSettings);
    return nullptr;
  }
  const std::string number = code.size() > 4 ? code.substr(4, 2) : std::string();
  const int n = IsAllDigits(number) && code.size() >= 4 && code[3] == 'B' ? std::stoi(number) : 0;
  if (n != 1 && n != 2) {
    box.warning(path + "\r" + kUnsupportedReport);
    return nullptr;
  }
  r->code = n == 1 ? "RPTB01" : "RPTB02";
  r->layout.ReportCode = r->code;
  r->layout.ReportDir = directory;
  r->layout.ReportBase = name.substr(0, dot);
  ParseLayout(r->layout);
  ApplyPageGeometry(r->layout);
  r->sheet = MakeExportLayout(r->layout);
  r->lines = std::make_unique<ReportTableLines>(t);
  r->rules = ReadLineRules(r->layout, *r->lines);
  r->hasCode = r->lines->hasField("F_CODE");

  // Page order: the records' own order where pages never go back (as the
  // estimating program writes them), else an order held in memory; nothing
  // is written beside the report.
  bool ordered = true;
  int last = 0;
  for (r->lines->goTop(); !r->lines->eof(); r->lines->next()) {
    const int page = static_cast<int>(r->lines->fieldAsInteger("F_PAGE"));
    if (page < last) ordered = false;
    last = page;
    ++r->records;
    r->pageTotal = std::max(r->pageTotal, page);
  }
  if (!ordered) t.SetOrder(t.CreateMemoryOrder("F_PAGE", "str(F_PAGE,5)"));
  return r;
}

// The caption of sheet column c: its own (the lower row's) and the group's above it.
std::pair<std::string, std::string> captionsOf(const ExportLayout& sheet, int c) {
  std::string own, group;
  for (const HeaderCell& h : sheet.header) {
    if (c < h.col || c > h.lastCol) continue;
    if (h.lastRow == sheet.headerRows - 1)
      own = h.text;
    else
      group = h.text;
  }
  return {own, group};
}

std::string fieldOf(const Report& r, int c) {
  return asciiUpper(trimmed(r.layout.Column(r.sheet.columns[static_cast<std::size_t>(c)].position).FieldName()));
}

// Identity text columns of a report: (field, size part) -> sheet column.
std::vector<std::pair<std::string, int>> identityColumns(const Report& r) {
  std::vector<std::pair<std::string, int>> named, all;
  for (int c = 1; c < static_cast<int>(r.sheet.columns.size()); ++c) {
    const ExportColumn& col = r.sheet.columns[static_cast<std::size_t>(c)];
    if (col.numeric || !col.drawsValue) continue;
    const std::string key = fieldOf(r, c) + (col.sizePart ? "/SIZE" : "");
    all.emplace_back(key, c);
    if (isIdentityField(fieldOf(r, c))) named.emplace_back(key, c);
  }
  return named.empty() ? all : named;
}

CompareShape makeShape(Report& oldR, Report& newR) {
  CompareShape shape;
  shape.reportCode = newR.code;
  for (const TitleLine& t : oldR.sheet.titles)
    if (t.isTitle) shape.oldTitle = t.text;
  for (const TitleLine& t : newR.sheet.titles)
    if (t.isTitle) shape.newTitle = t.text;
  shape.byCode = oldR.hasCode && newR.hasCode;
  shape.landscape = true;

  // Identity texts: the columns both reports have, in the new report's order.
  const auto oldIds = identityColumns(oldR);
  for (const auto& [key, c] : identityColumns(newR)) {
    const auto it = std::find_if(oldIds.begin(), oldIds.end(), [&](const auto& o) { return o.first == key; });
    if (it == oldIds.end()) continue;
    const bool size = newR.sheet.columns[static_cast<std::size_t>(c)].sizePart;
    shape.identityCaptions.push_back(size ? std::string(kSizeCaption) : captionsOf(newR.sheet, c).first);
    newR.textCols.push_back(c);
    oldR.textCols.push_back(it->second);
  }

  // Numeric columns: the new report's, then those only the old one has.
  auto addColumns = [&](Report& r, bool isNew) {
    for (int c = 1; c < static_cast<int>(r.sheet.columns.size()); ++c) {
      const ExportColumn& col = r.sheet.columns[static_cast<std::size_t>(c)];
      if (!col.numeric || !col.drawsValue) continue;
      const std::string field = fieldOf(r, c);
      auto it = std::find_if(shape.columns.begin(), shape.columns.end(),
                             [&](const CompareColumn& x) { return x.field == field; });
      std::size_t index;
      if (it == shape.columns.end()) {
        CompareColumn cc;
        cc.field = field;
        std::tie(cc.caption, cc.group) = captionsOf(r.sheet, c);
        cc.amount = r.layout.Column(col.position).DecClass() == "G";
        shape.columns.push_back(cc);
        oldR.numericCols.push_back(-1);
        newR.numericCols.push_back(-1);
        index = shape.columns.size() - 1;
      } else {
        index = static_cast<std::size_t>(it - shape.columns.begin());
      }
      (isNew ? newR : oldR).numericCols[index] = c;
    }
  };
  addColumns(newR, true);
  addColumns(oldR, false);
  return shape;
}

// Reads a report's body lines in page order, with their identities.
class LineCursor {
 public:
  LineCursor(Report& r, bool byCode, bool withValues) : r_(r), byCode_(byCode), withValues_(withValues) {
    r_.lines->goTop();
  }

  // The next body line that takes part; false at the end.
  bool next(Line& line) {
    ReportLines& lines = *r_.lines;
    while (!lines.eof()) {
      const int page = static_cast<int>(lines.fieldAsInteger("F_PAGE"));
      if (page < 1) {  // never on a page
        lines.next();
        continue;
      }
      row_ = page == page_ ? row_ + 1 : 0;
      page_ = page;
      const bool taken = read(line);
      lines.next();
      if (taken) return true;
    }
    return false;
  }

 private:
  bool read(Line& line) {
    ReportLines& lines = *r_.lines;
    line.type = LineTypeOf(lines, r_.rules);
    line.page = page_;
    line.row = row_;
    line.texts.resize(r_.textCols.size());
    bool anyText = false;
    for (std::size_t i = 0; i < r_.textCols.size(); ++i) {
      const ExportColumn& col = r_.sheet.columns[static_cast<std::size_t>(r_.textCols[i])];
      if (col.sizePart)
        line.texts[i] = trimmed(lines.fieldAsPaddedText("F_SIZE"));
      else
        line.texts[i] = trimmed(ReadCellValue(r_.layout.Column(col.position), lines, r_.rules, line.type).text);
      anyText = anyText || !line.texts[i].empty();
    }
    line.code = byCode_ ? trimmed(lines.fieldAsPaddedText("F_CODE")) : std::string();
    // The first pass only needs the numbers to tell a spacer line from a line
    // of numbers alone.
    bool anyNumber = false;
    line.values.assign(r_.numericCols.size(), ShownNumber{});
    if (withValues_ || (!anyText && line.code.empty())) {
      for (std::size_t i = 0; i < r_.numericCols.size(); ++i) {
        if (r_.numericCols[i] < 0) continue;
        const ExportColumn& col = r_.sheet.columns[static_cast<std::size_t>(r_.numericCols[i])];
        const CellValue value = ReadCellValue(r_.layout.Column(col.position), lines, r_.rules, line.type);
        if (!value.number) {
          line.values[i].word = trimmed(value.text);
          anyNumber = anyNumber || !line.values[i].word.empty();
          continue;
        }
        const ExportCell cell = CellFromText(value.text, true);
        if (cell.kind != CellKind::kNumber) continue;
        line.values[i] = ShownNumber{true, cell.number, cell.decimals, {}};
        anyNumber = true;
      }
    }
    // A spacer line (no text, no code, no number) is layout, not an item.
    if (!anyText && !anyNumber && line.code.empty()) return false;

    line.heading = r_.rules.hasType && isHeadingType(line.type);
    line.key.clear();
    if (line.heading) {
      line.key = line.type;
      for (const std::string& t : line.texts) (line.key += kSep) += t;
      // A subtotal is the subtotal of the heading above it.
      if (line.type == "M") (line.key += kSep) += section_;
      if (line.type == "H") section_ = line.key;
    } else if (byCode_ && !line.code.empty()) {
      line.key = "C";
      (line.key += kSep) += line.code;
    } else {
      line.key = "T";
      for (const std::string& t : line.texts) (line.key += kSep) += t;
    }
    line.hash = IdentityHash(line.key);
    if (!withValues_) line.values.clear();
    return true;
  }

  Report& r_;
  bool byCode_, withValues_;
  int page_ = 0, row_ = 0;
  std::string section_;
};

// The identities of one report, as a sorted list of hashes with, for each
// distinct hash, how many lines of the other report have been seen with it.
class IdentityCounts {
 public:
  void add(std::uint64_t h) { hashes_.push_back(h); }
  void seal() {
    std::sort(hashes_.begin(), hashes_.end());
    seen_.assign(hashes_.size(), 0);
  }
  long count(std::uint64_t h) const {
    const auto [a, b] = std::equal_range(hashes_.begin(), hashes_.end(), h);
    return b - a;
  }
  // Counts one more occurrence of h on the reading side; returns which (1-based).
  long occurrence(std::uint64_t h) {
    const auto a = std::lower_bound(hashes_.begin(), hashes_.end(), h);
    if (a == hashes_.end() || *a != h) return 0;  // not from this report
    return ++seen_[static_cast<std::size_t>(a - hashes_.begin())];
  }

 private:
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint32_t> seen_;
};

class Comparison {
 public:
  Comparison(Report& oldR, Report& newR, CompareSink& sink, const CompareProgress& progress)
      : oldR_(oldR), newR_(newR), sink_(sink), progress_(progress) {}

  CompareStatus run() {
    shape_ = makeShape(oldR_, newR_);
    if (!collect(oldR_, oldIds_) || !collect(newR_, newIds_)) return CompareStatus::kCancelled;
    sink_.begin(shape_);
    summary_.totalBefore.assign(shape_.columns.size(), 0);
    summary_.totalAfter.assign(shape_.columns.size(), 0);

    LineCursor olds(oldR_, shape_.byCode, true);
    LineCursor news(newR_, shape_.byCode, true);
    Line n, o;
    bool oldEnded = false;
    while (news.next(n)) {
      if (!tick()) return CompareStatus::kCancelled;
      const long k = newIds_.occurrence(n.hash);
      if (oldIds_.count(n.hash) < k) {
        emitAdded(n);
        continue;
      }
      // Its partner was read ahead already, or comes further on in the old report.
      auto it = pending_.find(n.key);
      bool paired = false;
      while (it == pending_.end() && !oldEnded) {
        if (!olds.next(o)) {
          oldEnded = true;
          break;
        }
        if (!tick()) return CompareStatus::kCancelled;
        // Where the reports run alike the partner is the next old line: no need to hold it.
        const bool removed = isRemoved(o);
        if (!removed && o.key == n.key) {
          emitMatched(o, n);
          paired = true;
          break;
        }
        takeOld(o, removed);
        it = pending_.find(n.key);
      }
      if (paired) continue;
      if (it == pending_.end()) {
        emitAdded(n);  // two identities with one hash: no partner after all
        continue;
      }
      emitMatched(it->second.front(), n);
      it->second.pop_front();
      if (it->second.empty()) pending_.erase(it);
    }
    while (!oldEnded && olds.next(o)) {
      if (!tick()) return CompareStatus::kCancelled;
      takeOld(o, isRemoved(o));
    }
    // Only lines whose hash another identity shares can be left waiting.
    for (auto& [key, waiting] : pending_)
      for (Line& l : waiting) emitRemoved(l);
    sink_.finish(summary_);
    return CompareStatus::kDone;
  }

 private:
  bool collect(Report& r, IdentityCounts& ids) {
    LineCursor cursor(r, shape_.byCode, false);
    Line l;
    while (cursor.next(l)) {
      if (!tick()) return false;
      ids.add(l.hash);
    }
    ids.seal();
    return true;
  }

  bool tick() {
    ++read_;
    return !progress_ || read_ % kCompareProgressEvery != 0 || progress_(read_, 2 * (oldR_.records + newR_.records));
  }

  // Counts the old line's occurrence (once a line): true when the new report
  // has fewer lines of its identity than this one's turn.
  bool isRemoved(const Line& o) { return newIds_.count(o.hash) < oldIds_.occurrence(o.hash); }

  // An old line read: emitted when removed, else held until its partner comes.
  void takeOld(Line& o, bool removed) {
    if (removed) {
      emitRemoved(o);
      return;
    }
    pending_[o.key].push_back(std::move(o));
    o = Line{};
  }

  void fillCommon(CompareLine& out, const Line& l) {
    out.lineType = l.type;
    out.heading = l.heading;
    out.code = shape_.byCode ? l.code : std::string();
    out.texts = l.texts;
  }

  void finishLine(CompareLine& out) {
    const std::size_t n = shape_.columns.size();
    out.before.resize(n);
    out.after.resize(n);
    out.difference.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      const int d = std::max(out.before[i].decimals, out.after[i].decimals);
      out.difference[i] = roundTo(out.after[i].value - out.before[i].value, d);
      if (!out.heading) {
        summary_.totalBefore[i] += out.before[i].value;
        summary_.totalAfter[i] += out.after[i].value;
      }
    }
    sink_.line(out);
  }

  void emitAdded(const Line& n) {
    CompareLine out;
    fillCommon(out, n);
    out.change = LineChange::kAdded;
    out.newPage = n.page;
    out.newRow = n.row;
    out.after = n.values;
    ++summary_.added;
    finishLine(out);
  }

  void emitRemoved(const Line& o) {
    CompareLine out;
    fillCommon(out, o);
    out.change = LineChange::kRemoved;
    out.oldPage = o.page;
    out.oldRow = o.row;
    out.before = o.values;
    ++summary_.removed;
    finishLine(out);
  }

  void emitMatched(const Line& o, const Line& n) {
    CompareLine out;
    fillCommon(out, n);
    out.oldPage = o.page;
    out.oldRow = o.row;
    out.newPage = n.page;
    out.newRow = n.row;
    out.before = o.values;
    out.after = n.values;
    bool same = o.texts == n.texts && o.code == n.code;
    for (std::size_t i = 0; same && i < o.values.size(); ++i)
      // As shown: the decimals the page shows, or its word.
      same = o.values[i].value == n.values[i].value && o.values[i].word == n.values[i].word;
    out.change = same ? LineChange::kUnchanged : LineChange::kChanged;
    ++summary_.matched;
    ++(same ? summary_.unchanged : summary_.changed);
    finishLine(out);
  }

  Report& oldR_;
  Report& newR_;
  CompareSink& sink_;
  const CompareProgress& progress_;
  CompareShape shape_;
  CompareSummary summary_;
  IdentityCounts oldIds_, newIds_;
  std::unordered_map<std::string, std::deque<Line>> pending_;
  long read_ = 0;
};

}  // namespace

std::uint64_t IdentityHash(const std::string& key) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : key) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string DifferentKindsText(const std::string& oldCode, const std::string& newCode) {
  return "종류가 다른 보고서는 비교할 수 없습니다.\r(" + oldCode + " / " + newCode + ")";
}

const char* ChangeText(LineChange change) {
  switch (change) {
    case LineChange::kUnchanged: return kChangeUnchanged;
    case LineChange::kChanged: return kChangeChanged;
    case LineChange::kAdded: return kChangeAdded;
    case LineChange::kRemoved: return kChangeRemoved;
  }
  return "";
}

CompareStatus CompareReports(MessageService& box, const std::string& oldPath, const std::string& newPath,
                             CompareSink& sink, const CompareProgress& progress) {
  // Deleted records take no part, whatever the process's engine settings say.
  DeletedRecordsHidden hidden;
  const std::unique_ptr<Report> oldR = openReport(box, oldPath);
  if (!oldR) return CompareStatus::kRefused;
  const std::unique_ptr<Report> newR = openReport(box, newPath);
  if (!newR) return CompareStatus::kRefused;
  if (oldR->code != newR->code) {
    box.warning(DifferentKindsText(oldR->code, newR->code));
    return CompareStatus::kRefused;
  }
  return Comparison(*oldR, *newR, sink, progress).run();
}

}  // namespace zel
