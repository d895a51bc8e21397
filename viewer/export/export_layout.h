// The shape of an exported sheet, made from the run's layout: the title
// lines, the caption rows (one, or two where a group splits into a group
// caption above its columns' captions) and the sheet columns. Column 0 is
// always "Page" (then, when asked for, the item code and line kind columns);
// then one sheet column per display column in display order,
// except that a description column showing its size (DesWithSize)
// becomes two, the description and the size, as the page divides
// that cell. Texts are CP949 bytes. Toolkit-free.
#pragma once

#include <string>
#include <vector>

namespace zel {

struct TReportLayout;

enum class CellAlign { kLeft, kCenter, kRight };

struct ExportColumn {
  int position = 0;  // display position (1-based); 0 for the Page column
  bool sizePart = false;  // the size half of a description column
  bool numeric = false;  // a "D" column
  bool drawsValue = false;  // the page draws a value in this column
  CellAlign align = CellAlign::kLeft;
  double widthShare = 0;  // of the frame width, 0..1; the Page column 0
  // The page draws a rule along the column's left edge through the body (the
  // frame for the first display column; none inside a group without its own
  // cells, nor between a description and its size).
  bool ruleLeft = false;
  std::string field;  // the table field read raw (the code columns); "" otherwise
};

// A caption cell; spans rows row..lastRow and columns col..lastCol (sheet
// columns, Page = 0) when it is merged.
struct HeaderCell {
  int row = 0, col = 0, lastRow = 0, lastCol = 0;
  std::string text;
};

// A title slot's text (title, description, company name), above the captions.
struct TitleLine {
  std::string text;
  CellAlign align = CellAlign::kLeft;
  bool isTitle = false;  // the report's title (its own, larger font on the page)
};

// A font of the page: the face (CP949, as stored), its size (the sheet takes it
// as points) and the width the page condenses it to (percent of normal).
struct PageFont {
  std::string face;
  int size = 9;
  int widthPct = 100;
};

struct ExportLayout {
  std::vector<TitleLine> titles;
  PageFont titleFont, bodyFont;
  bool rowRules = false;  // the page rules every body row (OUTLINE 0)
  int codeColumns = 0;  // item code and line kind, after Page (0 or 2)
  // The workbook's properties (CP949): the report's title, its description
  // and the company name.
  std::string title, subject, company;
  int headerRows = 1;
  std::vector<HeaderCell> header;  // row by row, left to right
  std::vector<ExportColumn> columns;  // columns[0] is Page
  bool landscape = false;
  // Page margins in page units (0.1 mm).
  int marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;
  int frameWidth = 0;  // width the columns share on the page, page units
  int linesPerPage = 0;  // lines a page holds at most (the page's LinesPerPage)
  int rowHeight = 0;  // height of a body row on the page, page units
};

// Throws DataError where the page would (a Kind, WidthPct or position code
// that is not a number).
// withCodes adds the item code (F_CODE) and line kind (F_TYPE) columns after
// Page, read raw from the table.
ExportLayout MakeExportLayout(const TReportLayout& layout, bool withCodes = false);

// Does display position p draw its value on the page (Kind 1 and 4 and the
// description with its size draw their own cell; Kinds 2, 3, 5..9
// only at position Kind - 1 of their group)?
bool ColumnDrawsValue(const TReportLayout& layout, int p);

// The Page column's caption, and those of the code columns (the fields' names).
inline constexpr char kPageCaption[] = "Page";
inline constexpr char kCodeField[] = "F_CODE";
inline constexpr char kTypeField[] = "F_TYPE";

}  // namespace zel
