// The comparison of two versions of a report (a bill before and after a
// revision): which lines were kept, changed, added or removed, and for every
// numeric column the value before, after and the difference.
//
// Matching: a line's identity is its item code (F_CODE, where both tables
// have that field and the line has a code), otherwise its description and
// size as the page shows them (trimmed). Headings and subtotals ("H", "M")
// are matched by their text and their place: a subtotal belongs to the
// heading above it. Repeated identities pair in page order (the k-th old with
// the k-th new). Deleted records and blank spacer lines take no part.
//
// Streaming: each report is read twice in page order, first for a sorted
// list of identity hashes (8 bytes a line), then line by line side by side;
// only old lines read ahead of their new partner are held (their numbers),
// so memory grows with lines that moved, not with the reports' text.
//
// Lines come out in the new report's order, each removed line where the old
// report had it. Texts stay CP949 bytes. Toolkit-free, single-threaded (the
// engine is).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel {

class MessageService;

enum class LineChange { kUnchanged, kChanged, kAdded, kRemoved };

// A numeric cell as the page shows it: shown false for an empty cell (zero
// is shown empty), which counts as 0.
struct ShownNumber {
  bool shown = false;
  double value = 0;
  int decimals = 0;
  std::string word;  // a word the page shows in the number's place ("관급"; CP949), shown false then
};

// A numeric column of the comparison: matched between the reports by field
// name; a column one report lacks is empty on that side.
struct CompareColumn {
  std::string field;  // F_QQTY, F_MAK, ...
  std::string caption;  // the column's own caption (CP949), e.g. the lower caption "금액"
  std::string group;  // the caption above it where the page has two rows, else ""
  bool amount = false;  // an amount column (decimal class "G"); the summary prints these
};

// What the comparison table looks like: identity columns, then numeric ones.
struct CompareShape {
  std::string reportCode;  // RPTB01 / RPTB02
  std::string oldTitle, newTitle;  // the reports' titles (CP949)
  bool byCode = false;  // identities are item codes (a code column comes first)
  std::vector<std::string> identityCaptions;  // captions of the text identity columns (CP949)
  std::vector<CompareColumn> columns;
  bool landscape = false;
};

struct CompareLine {
  LineChange change = LineChange::kUnchanged;
  std::string lineType;  // F_TYPE trimmed ("H", "M", "D", ...)
  bool heading = false;  // a heading or subtotal line
  std::string code;  // trimmed, when byCode
  std::vector<std::string> texts;  // one per identity caption, trimmed (the new side's when both)
  int oldPage = 0, newPage = 0;  // 0 on the side that lacks the line
  int oldRow = 0, newRow = 0;  // 0-based line on its page
  std::vector<ShownNumber> before, after;  // one per column
  std::vector<double> difference;  // after - before, rounded to the decimals shown (the more of the two)
};

struct CompareSummary {
  long matched = 0, unchanged = 0, changed = 0, added = 0, removed = 0;
  // Per column, over item lines (headings and subtotals left out, so nothing counts twice).
  std::vector<double> totalBefore, totalAfter;
};

class CompareSink {
 public:
  virtual ~CompareSink() = default;
  virtual void begin(const CompareShape& shape) = 0;
  virtual void line(const CompareLine& line) = 0;
  virtual void finish(const CompareSummary& summary) = 0;
};

// Told the number of lines read so far (both reports, both passes) every
// kCompareProgressEvery lines, and about how many there are in all (records
// of both reports, twice); false stops the comparison (the sink's finish is
// not called then).
using CompareProgress = std::function<bool(long linesRead, long linesInAll)>;
inline constexpr long kCompareProgressEvery = 4096;

enum class CompareStatus { kDone, kRefused, kCancelled };

// Compares the reports at oldPath and newPath (.dbf). A report the viewer
// would refuse to run is refused with the viewer's message, and so are two
// reports of different kinds; nothing reaches the sink then. Other failures
// of the table layer throw DataError; the sink's own errors pass through.
CompareStatus CompareReports(MessageService& box, const std::string& oldPath, const std::string& newPath,
                             CompareSink& sink, const CompareProgress& progress = {});

// The identity hash of a key: FNV-1a, 64 bits.
std::uint64_t IdentityHash(const std::string& key);

// The refusal for two reports of different kinds (UTF-8).
std::string DifferentKindsText(const std::string& oldCode, const std::string& newCode);

inline constexpr char kChangeUnchanged[] = "동일";
inline constexpr char kChangeChanged[] = "변경";
inline constexpr char kChangeAdded[] = "추가";
inline constexpr char kChangeRemoved[] = "삭제";
const char* ChangeText(LineChange change);  // UTF-8

}  // namespace zel
