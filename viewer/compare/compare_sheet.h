// The comparison table as a file, laid out as estimators draw a revision's
// comparison: a kind column (동일 / 변경 / 추가 / 삭제), the identity columns
// (code, description, size), then per numeric column a group caption with
// 변경전 / 변경후 / 증감 below it, the pages of the line in both reports, and
// the totals of the amount columns at the end. A difference of zero stays
// empty, as the page leaves zero empty.
//
// XLSX (libxlsxwriter, constant memory, rows streamed): merged group
// captions, frozen captions and identity columns, decreases red and
// increases blue, headings and subtotals bold, A4 landscape one page wide.
// CSV: UTF-8 with a byte-order mark, one caption row ("금액 변경전", ...),
// RFC 4180 quoting, numbers without separators.
//
// Output safety as the export's: written under "<target>.part<pid>" beside
// the target (created new, never through a link), every write checked,
// flushed to disk, then renamed over the target; a failure, a refusal or a
// cancel removes the part and leaves the target as it was. A target that
// is one of the compared reports' files, or not a regular file, is refused.
// Toolkit-free.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "report_compare.h"

namespace zel {

class MessageService;

enum class CompareFormat { kXlsx, kCsv };

struct CompareFileRequest {
  std::string path;  // the target
  CompareFormat format = CompareFormat::kXlsx;
  bool changedOnly = false;  // leave unchanged lines out (the totals still count them)
  long rowsPerSheet = 0;  // 0: Excel's limit (tests use fewer)
};

// A sink that writes the comparison table; errors throw ExportError.
class CompareSheetSink : public CompareSink {
 public:
  static std::unique_ptr<CompareSheetSink> Make(const std::string& path, CompareFormat format, bool changedOnly,
                                                long rowsPerSheet = 0);
  // Lines written (after the filter), without captions and totals.
  virtual long written() const = 0;
  // Makes the file whole (XLSX: assembles it). After finish.
  virtual void close() = 0;
};

// Why writing to target would be unsafe, as the user reads it (UTF-8), or "".
std::string CompareTargetProblem(const std::string& target, const std::string& oldPath, const std::string& newPath);

// A comparison written into several files in one pass. Each target is
// checked first (refused through box, nothing written); each is written
// under its part name and renamed only when the comparison is complete.
struct CompareFilesOutcome {
  CompareStatus status = CompareStatus::kDone;
  CompareSummary summary;
  CompareShape shape;
  std::vector<long> written;  // lines per request
};
CompareFilesOutcome CompareToFiles(MessageService& box, const std::string& oldPath, const std::string& newPath,
                                   const std::vector<CompareFileRequest>& requests,
                                   const CompareProgress& progress = {});

inline constexpr char kBeforeCaption[] = "변경전";
inline constexpr char kAfterCaption[] = "변경후";
inline constexpr char kDifferenceCaption[] = "증감";
inline constexpr char kKindCaption[] = "구분";
inline constexpr char kCodeCaption[] = "코드";
inline constexpr char kTotalCaption[] = "합계";
inline constexpr char kOldPageCaption[] = "변경전 쪽";
inline constexpr char kNewPageCaption[] = "변경후 쪽";
inline constexpr char kSheetTitleSuffix[] = " 변경 대비표";

// Font colours of the difference columns (RGB).
inline constexpr int kDecreaseColor = 0xFF0000;
inline constexpr int kIncreaseColor = 0x0000FF;

}  // namespace zel
