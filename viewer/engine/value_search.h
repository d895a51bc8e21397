// The find logic behind the preview's find dialog (and the command line): the
// list of searchable columns, where a search from the current position starts,
// and the walk that returns the page of the first matching line. The dialog
// owns the widgets; this core owns no state. Messages go to the caller's
// message service (UTF-8); searched texts are CP949 bytes.
#pragma once

#include <string>
#include <vector>

namespace zel {

class MessageService;
class ReportLines;

struct SearchColumn {
  std::string title;  // item 8, or item 8 + "_" + item 9 for two caption rows (CP949)
  std::string fieldName;  // item 7
};

// A report can be searched when its lines carry page numbers: the field
// F_PAGE exists and even the lowest page in the page order is 1 or more (a hit
// on a line without a page could not be shown, and the settings block would
// be looked for on such a line). Leaves the table at its top.
bool HasPageNumbers(ReportLines& lines);

// Columns offered by the settings block: FIELDCOUNT T1 (default 0, no cap),
// Kind 10 or more skipped. Throws DataError when a Kind or CaptionRows item is
// not an integer.
std::vector<SearchColumn> BuildSearchColumns(const std::string& settingsText);

// FormShow's part: goes to the top, reads the settings block from F_INIT,
// positions for a search from the current position (curPage 0: first record,
// else the first line of page curPage + 1) and returns the columns.
std::vector<SearchColumn> PrepareSearch(ReportLines& lines, int curPage);

struct ValueSearchOutcome {
  bool searched = false;  // false: rejected text or unsearchable type
  bool found = false;
  int page = 0;  // F_PAGE of the match (mode "P")
  bool rememberText = false;  // the preview keeps the text as FindText
};

// c_btn_SearchClick's part: the table must be positioned by PrepareSearch.
// mode "P" reports the page; "V" first moves one line when fromCurrent.
ValueSearchOutcome SearchValue(MessageService& messages, ReportLines& lines, const std::string& fieldName,
                               const std::string& text, bool fromCurrent, const std::string& mode = "P");

// Find next (F3): the first line after line `line` of page `page` (lines
// count a page's records from 1; line 0 starts at the page's first record)
// whose field matches text as SearchValue matches it. Shows no message.
struct LineHit {
  bool found = false;
  int page = 0;
  int line = 0;
};
LineHit FindNextLine(ReportLines& lines, const std::string& fieldName, const std::string& text, int page, int line);

}  // namespace zel
