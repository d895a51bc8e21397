// The description panel's content for one report: its title and the print
// settings decoded from its settings block. Texts are UTF-8 for display (the
// report's own CP949 bytes are converted here, at the end); the window only
// copies them into its labels.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace zel {

class TZelTable;

// The title of a report code such as "RPTB02": characters 4 to 6, upper-cased,
// a family letter and two digits; empty when the code is short, malformed or unknown.
std::string reportTitleOf(const std::string& code);

// What the file turned out to be: nothing chosen (a blank name), not a report
// (missing, unopenable, held, unreadable or without F_INIT), a report whose
// settings block is empty, or a report described in full.
enum class ReportKind { kEmpty, kNotAReport, kBroken, kOk };

// What the description panel shows of one report, as display texts (UTF-8).
struct ReportDescription {
  ReportKind kind = ReportKind::kEmpty;
  std::string title;  // the report's title, or the not-a-report / unusable text
  std::string sortOrder;  // "…순 정렬"
  std::string printRange;  // the stored print range, "from ~ to"
  std::string orientation;  // "종방향" or "횡방향"
  std::string pages;  // the highest page number
  std::string fixedDecimals;  // "적용" or "비적용"
  std::array<std::string, 4> options;  // the print options, in the panel's order
  std::string remarks;  // the remarks option
  std::string margins;  // "상:… 하:… 좌:… 우:…"
  bool canChangeMargins = true;
  // The page count was left to a PageCounter (a table longer than the limit
  // describeReport was given); pages is empty until it is known.
  bool pagesPending = false;
  // Why a file is not a report or is unusable, in the engine's words (English),
  // for a log or a command line's standard error; empty otherwise.
  std::string problem;

  std::string& option(int n) { return options[n - 1]; }  // n in 1..4
};

inline constexpr char kNotReportFileText[] = "보고서 파일이 아님";
// Why nothing is written into a report whose settings block does not read.
inline constexpr char kUnreadableSettingsText[] =
    "보고서 F_INIT에 초기화정보가 없어 사용할 수 없는 보고서입니다.\r여백을 저장하지 않았습니다.";
inline constexpr char kBrokenReportFileText[] = "보고서 파일오류(사용불가)";

// Reads fileName (no directory) in directory and decodes it. A blank name gives
// empty labels; a file that is missing, unopenable or without F_INIT gives the
// not-a-report text with the margin button disabled; an empty settings block
// gives the unusable-report text, also with the margin button disabled. Errors of the dataset layer (DataError)
// propagate to the caller's standard error report.
// A table of more than countPagesUpTo records is not counted here: pages stays
// empty and pagesPending is set (a negative limit counts every table).
ReportDescription describeReport(const std::string& directory, const std::string& fileName, long countPagesUpTo = -1);

// False for a settings block that holds nothing to read (empty, or blanks and
// line breaks only): such a report is described as unusable, and nothing may
// be written into it.
bool settingsBlockReads(const std::string& block);

// Counts a report's pages (its highest page number, as describeReport does) a
// number of records at a time, for a caller that keeps its thread free
// between steps. Holds the table open until the count is done or the counter
// goes: destroy it before anything else opens the report. Errors of the
// dataset layer (DataError) propagate from step().
class PageCounter {
 public:
  PageCounter(const std::string& directory, const std::string& fileName);
  ~PageCounter();
  PageCounter(const PageCounter&) = delete;
  PageCounter& operator=(const PageCounter&) = delete;

  // Reads up to `records` more records; true once every record was read.
  bool step(long records);
  // The count so far; the page count once step() returned true.
  std::string pages() const;

 private:
  std::unique_ptr<TZelTable> table_;
  std::optional<long long> highest_;
  bool done_ = false;
};

// Decodes a settings block (CP949) into the labels other than lblPage.
// describeReport's steps 6 to 13, for callers that hold the block already.
void describeSettings(const std::string& block, ReportDescription& out);

}  // namespace zel
