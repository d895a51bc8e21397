// One file on purpose, though over 400 lines: the sheet's rows, its cell formats
// and its column widths share the format cache and the width estimates below,
// and are read together when a column comes out too narrow or wrongly formatted.
#include "xlsx_writer.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "cp949.h"
#include "export_layout.h"
#include "output_file.h"

namespace zel {
namespace {

constexpr double kPageUnitsPerInch = 254.0;
constexpr double kMmPerPoint = 25.4 / 72;
// Text widths are estimated without the font at hand, on the generous side
// (an amount too wide for its cell shows as "###"): a Hangul syllable (two
// bytes) is at most 0.92 em wide in the Korean faces, a Latin letter or digit
// at most 0.6 em, and a cell keeps some room beside its text.
constexpr double kEmPerWideByte = 0.46;
constexpr double kEmPerNarrowByte = 0.6;
constexpr double kPageEmPerByte = 0.5;  // a byte of the page's own face, uncondensed
constexpr double kCellPaddingMm = 2.0;
constexpr double kMaxWidening = 1.5;  // a column grows to half as wide again at most
constexpr double kMinCodeColumnMm = 40.0;  // the code columns' own room before they shrink
constexpr double kHeaderFooterMm = 8.0;  // what an office suite may keep above and below the rows
constexpr double kLineSpacing = 1.3;  // a row's height for its font's size
constexpr double kDefaultRowPoints = 15;  // a row of the workbook's default font
// A column of width w characters (of the workbook's default font, 7 pixels
// a digit at 96 dpi) is 7w + 5 pixels wide.
constexpr double kPixelsPerChar = 7, kColumnPaddingPixels = 5, kPixelsPerInch = 96;

enum Kind { kText = 0, kNumber = 1, kPage = 2, kBlank = 3 };

XlsxAlign xlsxAlign(CellAlign align) {
  switch (align) {
    case CellAlign::kCenter: return XlsxAlign::kCenter;
    case CellAlign::kRight: return XlsxAlign::kRight;
    default: return XlsxAlign::kLeft;
  }
}

double mmToChars(double mm) {
  return std::max(1.0, (mm / 25.4 * kPixelsPerInch - kColumnPaddingPixels) / kPixelsPerChar);
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Bytes of one UTF-8 character starting with lead.
std::size_t utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  return 2;
}

}  // namespace

std::string XlsxWriter::NumberFormat(int decimals) {
  std::string f = "#,##0";
  if (decimals > 0) f += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return f;
}

std::string XlsxWriter::SheetName(const std::string& title, int number) {
  constexpr int kMaxUnits = 31;  // UTF-16 units
  std::string base;
  for (char c : title) {
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) continue;
    if (static_cast<unsigned char>(c) < 0x20) continue;
    base += c;
  }
  // Blanks and apostrophes may not begin or end a name.
  const std::size_t first = base.find_first_not_of(" '");
  base = first == std::string::npos ? std::string() : base.substr(first, base.find_last_not_of(" '") - first + 1);
  if (base.empty()) base = "Sheet";
  const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : std::string();
  const int room = kMaxUnits - static_cast<int>(suffix.size());
  std::string out;
  int units = 0;
  for (std::size_t i = 0; i < base.size();) {
    const std::size_t len = std::min(utf8Length(static_cast<unsigned char>(base[i])), base.size() - i);
    const int u = len == 4 ? 2 : 1;
    if (units + u > room) break;
    out.append(base, i, len);
    units += u;
    i += len;
  }
  // A cut may leave a blank or an apostrophe at the end.
  while (!out.empty() && (out.back() == ' ' || out.back() == '\'')) out.pop_back();
  if (out.empty()) out = "Sheet";
  return out + suffix;
}

std::string XlsxWriter::EscapeHexSequences(const std::string& utf8) {
  std::size_t at = utf8.find("_x");
  if (at == std::string::npos) return utf8;
  std::string out;
  std::size_t from = 0;
  for (; at != std::string::npos; at = utf8.find("_x", at + 1)) {
    if (at + 7 > utf8.size() || utf8[at + 6] != '_' ||
        !std::all_of(utf8.begin() + static_cast<long>(at) + 2, utf8.begin() + static_cast<long>(at) + 6, isHex))
      continue;
    out.append(utf8, from, at - from);
    out += "_x005F";
    from = at;
  }
  out.append(utf8, from, std::string::npos);
  return out;
}

std::string XlsxWriter::SheetFace(const std::string& cp949Face) {
  static const char* const kWindowsFaces[] = {
      "굴림",  "굴림체",   "돋움",  "돋움체",   "바탕",   "바탕체",    "궁서",    "궁서체",     "맑은 고딕",
      "Gulim", "GulimChe", "Dotum", "DotumChe", "Batang", "BatangChe", "Gungsuh", "GungsuhChe", "Malgun Gothic"};
  std::string face = cp949ToUtf8(cp949Face);
  face.erase(0, face.find_first_not_of(' '));
  face.erase(face.find_last_not_of(' ') + 1);
  for (const char* known : kWindowsFaces)
    if (face == known) return face;
  return "굴림";
}

#ifdef _WIN32
// Windows builds keep the library: its part is written by name.
XlsxWriter::XlsxWriter(OutputFile& output, long rowsPerSheet, int pagesPerSheet)
    : XlsxWriter(output.path(), rowsPerSheet, pagesPerSheet) {}
#else
XlsxWriter::XlsxWriter(OutputFile& output, long rowsPerSheet, int pagesPerSheet)
    : XlsxWriter(MakeStreamingBook(output), output.path(), rowsPerSheet, pagesPerSheet) {}
#endif

XlsxWriter::XlsxWriter(const std::string& path, long rowsPerSheet, int pagesPerSheet)
    : XlsxWriter(MakeLibraryBook(path), path, rowsPerSheet, pagesPerSheet) {}

XlsxWriter::XlsxWriter(std::unique_ptr<XlsxBook> book, const std::string& path, long rowsPerSheet, int pagesPerSheet)
    : path_(path), rowsPerSheet_(std::clamp(rowsPerSheet, 8L, kMaxRows)),
      pagesPerSheet_(std::clamp(pagesPerSheet, 1, kMaxPages)), book_(std::move(book)) {}

XlsxWriter::~XlsxWriter() = default;

const std::string& XlsxWriter::text(const std::string& cp949) {
  const std::string& utf8 = utf8_.convert(cp949);
  if (utf8.find("_x") == std::string::npos) return utf8;
  escaped_ = EscapeHexSequences(utf8);
  return escaped_;
}

XlsxFormat XlsxWriter::fontFormat(const std::string& face, int size, bool bold) const {
  XlsxFormat f;
  f.font = face;
  f.size = size;
  f.middle = true;
  f.bold = bold;
  return f;
}

int XlsxWriter::cellFormat(int kind, int decimals, bool bold, std::size_t column, bool bottom, bool fit) {
  const ExportLayout& L = *layout_;
  const ExportColumn& col = L.columns[column];
  // The frame: display columns only (Page and the code columns stand outside it).
  const bool framed = column > static_cast<std::size_t>(L.codeColumns);
  const bool left = framed && col.ruleLeft;
  const bool right = framed && column + 1 == L.columns.size();
  bottom = bottom && framed;
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  const auto align = static_cast<std::size_t>(col.align);
  const std::size_t key =
      ((((((static_cast<std::size_t>(kind) * (kMaxDecimals + 1) + static_cast<std::size_t>(decimals)) * 2 + bold) * 3 +
          align) *
             2 +
         left) *
            2 +
        right) *
           2 +
       bottom) *
          2 +
      fit;
  if (formats_.size() <= key) formats_.resize(key + 1, -1);
  int& made = formats_[key];
  if (made >= 0) return made;
  XlsxFormat f = fontFormat(face_, L.bodyFont.size, bold);
  f.left = left;
  f.right = right;
  f.bottom = bottom;
  switch (kind) {
    case kNumber:
      f.numberFormat = NumberFormat(decimals);
      f.align = xlsxAlign(col.align);
      // Only an amount wider than its widened column: the page squeezes it too.
      f.shrink = fit;
      break;
    case kText:
      f.align = xlsxAlign(col.align);
      f.shrink = fit;
      break;
    case kPage:
      f.numberFormat = "0";
      f.align = XlsxAlign::kCenter;
      break;
    default: break;
  }
  made = book_->format(f);
  return made;
}

double XlsxWriter::pageWidthMm(std::size_t column) const {
  const ExportLayout& L = *layout_;
  return L.columns[column].widthShare * L.frameWidth / 10.0 / scale_;
}

double XlsxWriter::estimatedMm(const std::string& cp949) const {
  std::size_t wide = 0;
  for (char c : cp949) wide += static_cast<unsigned char>(c) >= 0x80;
  const double em = layout_->bodyFont.size * kMmPerPoint;
  return em * (kEmPerWideByte * static_cast<double>(wide) +
               kEmPerNarrowByte * static_cast<double>(cp949.size() - wide)) +
         kCellPaddingMm;
}

void XlsxWriter::prepareColumns() {
  const ExportLayout& L = *layout_;
  narrowByteMm_ = L.bodyFont.size * kMmPerPoint * std::max(kEmPerNarrowByte, kEmPerWideByte);
  roomMm_.assign(L.columns.size(), 0);
  for (std::size_t c = 0; c < L.columns.size(); ++c)
    roomMm_[c] =
        std::max(pageWidthMm(c) * kMaxWidening, c <= static_cast<std::size_t>(L.codeColumns) ? kMinCodeColumnMm : 0.0);
  std::array<int, std::tuple_size_v<decltype(formatCache_)::value_type>> none;
  none.fill(-1);
  formatCache_.assign(L.columns.size(), none);
}

double XlsxWriter::minimumMm(std::size_t column) const {
  // A column's single caption stays whole (Page and the code columns have no page width).
  double mm = 0;
  for (const HeaderCell& h : layout_->header)
    if (h.col == static_cast<int>(column) && h.lastCol == h.col) mm = std::max(mm, estimatedMm(h.text));
  return mm;
}

void XlsxWriter::begin(const ExportLayout& layout) {
  layout_ = &layout;
  face_ = SheetFace(layout.bodyFont.face);
  titleFace_ = SheetFace(layout.titleFont.face);
  // The page condenses its font to widthPct; the sheet cannot, so its columns
  // are wider in that proportion and the sheet, fitted to the paper's width,
  // prints its texts about as large as the page does.
  const PageFont& body = layout.bodyFont;
  const double pageCharMm = (body.widthPct / 2) * (body.size * 3) / 100 / 10.0;
  scale_ = std::clamp(pageCharMm / (kPageEmPerByte * body.size * kMmPerPoint), 0.3, 2.0);

  sheetTitle_ = utf8_.convert(layout.title);
  book_->properties(sheetTitle_, utf8_.convert(layout.subject), utf8_.convert(layout.company));

  XlsxFormat header = fontFormat(face_, body.size, false);
  header.align = XlsxAlign::kCenter;
  header.left = header.right = header.top = header.bottom = true;
  header_ = book_->format(header);
  for (CellAlign a : {CellAlign::kLeft, CellAlign::kCenter, CellAlign::kRight}) {
    XlsxFormat t = fontFormat(titleFace_, layout.titleFont.size, false);
    t.align = xlsxAlign(a);
    titles_[static_cast<std::size_t>(a)] = book_->format(t);
    XlsxFormat s = fontFormat(face_, body.size, false);
    s.align = xlsxAlign(a);
    subtitles_[static_cast<std::size_t>(a)] = book_->format(s);
  }
  widestMm_.assign(layout.columns.size(), 0);
  prepareColumns();
  // Rows keep the sheet's own height unless, printed at the scale the sheet
  // fits the paper's width with (widening only makes it smaller), a page's
  // titles, captions and lines would need more than one sheet of paper: then
  // they are made lower, never lower than the body font needs. (A height of
  // its own is written on every row, which costs the export time.)
  const double paperWidthMm = layout.landscape ? 297 : 210, paperHeightMm = layout.landscape ? 210 : 297;
  double sheetMm = 0;
  for (std::size_t c = 0; c < layout.columns.size(); ++c)
    sheetMm += (mmToChars(std::max(pageWidthMm(c), minimumMm(c))) * kPixelsPerChar + kColumnPaddingPixels) /
               kPixelsPerInch * 25.4;
  const double fit = std::min(1.0, (paperWidthMm - (layout.marginLeft + layout.marginRight) / 10.0) / sheetMm);
  const double usableMm = paperHeightMm - (layout.marginTop + layout.marginBottom) / 10.0 - kHeaderFooterMm;
  const int rows = static_cast<int>(layout.titles.size()) + layout.headerRows + layout.linesPerPage;
  const double fitting = std::floor(usableMm / rows / fit / kMmPerPoint * 4) / 4;  // quarter points
  rowPoints_ = fitting < kDefaultRowPoints ? std::max(fitting, body.size * kLineSpacing) : 0;
  columnFormats_.assign(layout.columns.size(), -1);
  for (std::size_t c = 0; c < layout.columns.size(); ++c)
    columnFormats_[c] = cellFormat(kBlank, 0, false, c, layout.rowRules, false);
  startSheet();
}

void XlsxWriter::endSheet() {
  if (!inSheet_) return;
  if (!breaks_.empty()) book_->pageBreaks(breaks_);
  // Only the rows written print; the columns' rules go on below them.
  book_->printArea(std::max(row_ - 1, firstBodyRow_ - 1), static_cast<int>(layout_->columns.size() - 1));
}

void XlsxWriter::startSheet() {
  endSheet();
  const ExportLayout& L = *layout_;
  book_->addSheet(SheetName(sheetTitle_, ++sheets_));
  inSheet_ = true;
  breaks_.clear();
  breakPending_ = false;
  const int lastCol = static_cast<int>(L.columns.size() - 1);

  book_->pageSetup(L.landscape, L.marginLeft / kPageUnitsPerInch, L.marginRight / kPageUnitsPerInch,
                   L.marginTop / kPageUnitsPerInch, L.marginBottom / kPageUnitsPerInch, rowPoints_);

  row_ = 0;
  for (const TitleLine& t : L.titles) {
    const auto align = static_cast<std::size_t>(t.align);
    const int f = t.isTitle ? titles_[align] : subtitles_[align];
    // Titles are written before any other row: merge first (in the title's
    // format, so the columns' rules stay off the merged cells), then the text.
    if (lastCol > 0) book_->merge(row_, 0, row_, lastCol, f);
    book_->text(row_, 0, text(t.text), f);
    ++row_;
  }
  const long headerTop = row_;
  for (int r = 0; r < L.headerRows; ++r) {
    const long row = headerTop + r;
    for (const HeaderCell& h : L.header) {
      if (h.row != r || (h.lastRow == h.row && h.lastCol == h.col)) continue;
      book_->merge(row, h.col, headerTop + h.lastRow, h.lastCol, -1);
    }
    // Every cell of the band gets the caption format, so merged cells show their borders.
    for (int c = 0; c <= lastCol; ++c) {
      const auto it =
          std::find_if(L.header.begin(), L.header.end(), [&](const HeaderCell& h) { return h.row == r && h.col == c; });
      if (it != L.header.end())
        book_->text(row, c, text(it->text), header_);
      else
        book_->blank(row, c, header_);
    }
  }
  row_ = headerTop + L.headerRows;
  firstBodyRow_ = row_;
  book_->freezeRows(firstBodyRow_);
  // The titles and captions head every printed page, as on the report's pages.
  book_->repeatRows(0, firstBodyRow_ - 1);
}

void XlsxWriter::line(const ExportLine& line) {
  if (breakPending_) {
    breakPending_ = false;
    if (static_cast<int>(breaks_.size()) + 1 >= pagesPerSheet_)
      startSheet();
    else
      breaks_.push_back(static_cast<unsigned>(row_));
  }
  if (row_ >= rowsPerSheet_) startSheet();
  const long row = row_;
  const std::vector<ExportColumn>& columns = layout_->columns;
  const bool bottom = layout_->rowRules || line.lastOfPage;
  for (std::size_t c = 0; c < line.cells.size() && c < columns.size(); ++c) {
    const ExportCell& cell = line.cells[c];
    const auto col = static_cast<int>(c);
    if (c == 0) {
      int& f = formatCache_[0][line.bold ? 1 : 0];
      if (f < 0) f = cellFormat(kPage, 0, line.bold, c, false, false);
      book_->number(row, col, cell.number, f);
      continue;
    }
    if (cell.kind == CellKind::kEmpty) {
      // The frame's bottom under a page's last line; other empty cells take
      // their column's rules.
      if (line.lastOfPage && !layout_->rowRules) book_->blank(row, col, cellFormat(kBlank, 0, false, c, true, false));
      continue;
    }
    // Most texts are no wider than the column's widest so far, even counted
    // all narrow-but-widest: then nothing is to be estimated.
    bool fit = false;
    if (static_cast<double>(cell.text.size()) * narrowByteMm_ + kCellPaddingMm > widestMm_[c]) {
      const double width = estimatedMm(cell.text);
      fit = width > roomMm_[c];
      if (!fit) widestMm_[c] = std::max(widestMm_[c], width);
    }
    const bool number = cell.kind == CellKind::kNumber;
    const int decimals = number ? std::clamp(cell.decimals, 0, kMaxDecimals) : 0;
    int& f = formatCache_[c][static_cast<std::size_t>(
        ((((number ? kNumber : kText) * (kMaxDecimals + 1) + decimals) * 2 + line.bold) * 2 + bottom) * 2 + fit)];
    if (f < 0) f = cellFormat(number ? kNumber : kText, decimals, line.bold, c, bottom, fit);
    if (number)
      book_->number(row, col, cell.number, f);
    else
      book_->text(row, col, text(cell.text), f);
  }
  ++row_;
  if (line.lastOfPage) breakPending_ = true;
}

void XlsxWriter::finish() {
  endSheet();
  // Widths once every line is known: the page's, widened to the longest text.
  const ExportLayout& L = *layout_;
  for (int sheet = 0; sheet < sheets_; ++sheet) {
    for (std::size_t c = 0; c < L.columns.size(); ++c) {
      const double mm = std::max({pageWidthMm(c), widestMm_[c], minimumMm(c)});
      book_->column(sheet, static_cast<int>(c), mmToChars(mm), columnFormats_[c]);
    }
  }
  book_->close();
}

}  // namespace zel
