// The shape of an exported sheet, made from the run's layout: the title
// lines, the caption rows (one, or two where a group splits into a group
// caption above its columns' captions) and the sheet columns. Column 0 is
// always "Page"; then one sheet column per display column in display order,
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

struct ExportLayout {
  std::vector<TitleLine> titles;
  int headerRows = 1;
  std::vector<HeaderCell> header;  // row by row, left to right
  std::vector<ExportColumn> columns;  // columns[0] is Page
  bool landscape = false;
  // Page margins in page units (0.1 mm).
  int marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;
  int frameWidth = 0;  // width the columns share on the page, page units
};

// Throws DataError where the page would (a Kind, WidthPct or position code
// that is not a number).
ExportLayout MakeExportLayout(const TReportLayout& layout);

// Does display position p draw its value on the page (Kind 1 and 4 and the
// description with its size draw their own cell; Kinds 2, 3, 5..9
// only at position Kind - 1 of their group)?
bool ColumnDrawsValue(const TReportLayout& layout, int p);

// The Page column's caption.
inline constexpr char kPageCaption[] = "Page";

}  // namespace zel
