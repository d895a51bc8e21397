// One file on purpose, though over 400 lines: the sheet's rows, its cell formats
// and its column widths share the format cache and the width estimates below,
// and are read together when a column comes out too narrow or wrongly formatted.
#include "xlsx_writer.h"

#include <xlsxwriter.h>

#ifdef _WIN32
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <sys/statvfs.h>
#  include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cp949.h"
#include "export_layout.h"

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

// Rows between checks of the row data's temporary files.
constexpr long kCheckEveryRows = 4096;
// Room the workbook's assembly needs beyond the largest sheet's row data
// (which its sheet file copies, wrapped): the wrapping and the small parts,
// each copied through a temporary file.
constexpr unsigned long long kAssemblyMargin = 64 << 10;

#ifdef _WIN32
// The user's temporary folder (TMP, TEMP), in UTF-8 as the library takes names.
std::string temporaryDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return ".";
  return std::filesystem::path(std::wstring(buffer, n)).string();
}

unsigned long long freeBytes(const std::string& dir) {
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW(std::filesystem::path(dir).c_str(), &free, nullptr, nullptr)) return ~0ULL;
  return free.QuadPart;
}
#else
std::string temporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

unsigned long long freeBytes(const std::string& dir) {
  struct statvfs st {};
  if (::statvfs(dir.c_str(), &st) != 0) return ~0ULL;  // unknown: the writes will tell
  return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}
#endif

// Standard error goes nowhere while it lives; what was written before is
// flushed first and the descriptor is put back after. Process-wide: only
// where no other thread of the program writes to it. Does nothing where the
// descriptor cannot be saved.
class QuietStandardError {
 public:
  QuietStandardError() {
#ifndef _WIN32
    std::fflush(stderr);
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
#endif
  }
  ~QuietStandardError() {
#ifndef _WIN32
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
#endif
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};

uint8_t lxwAlign(CellAlign align) {
  switch (align) {
    case CellAlign::kCenter: return LXW_ALIGN_CENTER;
    case CellAlign::kRight: return LXW_ALIGN_RIGHT;
    default: return LXW_ALIGN_LEFT;
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

XlsxWriter::XlsxWriter(const std::string& path, long rowsPerSheet, int pagesPerSheet)
    : path_(path), rowsPerSheet_(std::clamp(rowsPerSheet, 8L, kMaxRows)),
      pagesPerSheet_(std::clamp(pagesPerSheet, 1, kMaxPages)) {
  // Row data waits in the system's temporary directory, as the user set it
  // (TMPDIR); the library loses the errors of these files, so they are
  // checked here as the rows go in and before the workbook is assembled.
  tmpdir_ = temporaryDirectory();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = tmpdir_.data();  // kept for the workbook's life, whatever the library keeps
  options.use_zip64 = LXW_TRUE;
  book_ = workbook_new_opt(path.c_str(), &options);
  if (!book_) throw ExportError("cannot write " + path);
}

XlsxWriter::~XlsxWriter() {
  // A workbook not finished (cancelled, failed) is dropped without being
  // assembled into a file; its temporary files go with it.
  if (book_) lxw_workbook_free(book_);
}

void XlsxWriter::check(int error, const char* what) {
  if (error != LXW_NO_ERROR) {
    const int systemError = errno;
    throw ExportError("cannot write " + path_ + " (" + what + "): " + lxw_strerror(static_cast<lxw_error>(error)),
                      systemError);
  }
}

void XlsxWriter::checkRowData() {
  unsigned long long largest = 0;
  lxw_worksheet* sheet = nullptr;
  LXW_FOREACH_WORKSHEET(sheet, book_) {
    std::FILE* rows = sheet->optimize_tmpfile;
    if (!rows) continue;
    if (std::fflush(rows) != 0 || std::ferror(rows)) {
      // The failed write may lie far back; a full disk is the usual reason.
      const int error = freeBytes(tmpdir_) < kAssemblyMargin ? ENOSPC : (errno != 0 ? errno : EIO);
      throw ExportError("cannot write the row data of " + path_ + " in " + tmpdir_, error);
    }
    const long size = std::ftell(rows);
    if (size > 0) largest = std::max(largest, static_cast<unsigned long long>(size));
  }
  rowData_ = largest;
}

const char* XlsxWriter::text(const std::string& cp949) {
  const std::string& utf8 = utf8_.convert(cp949);
  if (utf8.find("_x") == std::string::npos) return utf8.c_str();
  escaped_ = EscapeHexSequences(utf8);
  return escaped_.c_str();
}

lxw_format* XlsxWriter::fontFormat(const std::string& face, int size, bool bold) {
  lxw_format* f = workbook_add_format(book_);
  format_set_font_name(f, face.c_str());
  format_set_font_size(f, size);
  format_set_font_charset(f, 129);  // Hangul
  format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
  if (bold) format_set_bold(f);
  return f;
}

lxw_format* XlsxWriter::cellFormat(int kind, int decimals, bool bold, std::size_t column, bool bottom, bool fit) {
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
  if (formats_.size() <= key) formats_.resize(key + 1, nullptr);
  lxw_format*& f = formats_[key];
  if (f) return f;
  f = fontFormat(face_, L.bodyFont.size, bold);
  if (left) format_set_left(f, LXW_BORDER_THIN);
  if (right) format_set_right(f, LXW_BORDER_THIN);
  if (bottom) format_set_bottom(f, LXW_BORDER_THIN);
  switch (kind) {
    case kNumber:
      format_set_num_format(f, NumberFormat(decimals).c_str());
      format_set_align(f, lxwAlign(col.align));
      // Only an amount wider than its widened column: the page squeezes it too.
      if (fit) format_set_shrink(f);
      break;
    case kText:
      format_set_align(f, lxwAlign(col.align));
      if (fit) format_set_shrink(f);
      break;
    case kPage:
      format_set_num_format(f, "0");
      format_set_align(f, LXW_ALIGN_CENTER);
      break;
    default: break;
  }
  return f;
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
  formatCache_.assign(L.columns.size(), {});
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

  propTitle_ = utf8_.convert(layout.title);
  propSubject_ = utf8_.convert(layout.subject);
  propCompany_ = utf8_.convert(layout.company);
  lxw_doc_properties properties{};
  properties.title = propTitle_.data();
  properties.subject = propSubject_.data();
  properties.company = propCompany_.data();
  check(workbook_set_properties(book_, &properties), "properties");
  sheetTitle_ = propTitle_;

  header_ = fontFormat(face_, body.size, false);
  format_set_align(header_, LXW_ALIGN_CENTER);
  format_set_border(header_, LXW_BORDER_THIN);
  for (CellAlign a : {CellAlign::kLeft, CellAlign::kCenter, CellAlign::kRight}) {
    lxw_format* t = fontFormat(titleFace_, layout.titleFont.size, false);
    format_set_align(t, lxwAlign(a));
    titles_[static_cast<std::size_t>(a)] = t;
    lxw_format* s = fontFormat(face_, body.size, false);
    format_set_align(s, lxwAlign(a));
    subtitles_[static_cast<std::size_t>(a)] = s;
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
  columnFormats_.assign(layout.columns.size(), nullptr);
  for (std::size_t c = 0; c < layout.columns.size(); ++c)
    columnFormats_[c] = cellFormat(kBlank, 0, false, c, layout.rowRules, false);
  startSheet();
}

void XlsxWriter::endSheet() {
  if (!sheet_) return;
  if (!breaks_.empty()) {
    std::vector<lxw_row_t> breaks(breaks_.begin(), breaks_.end());
    breaks.push_back(0);
    check(worksheet_set_h_pagebreaks(sheet_, breaks.data()), "page breaks");
  }
  // Only the rows written print; the columns' rules go on below them.
  check(worksheet_print_area(sheet_, 0, 0, static_cast<lxw_row_t>(std::max(row_ - 1, firstBodyRow_ - 1)),
                             static_cast<lxw_col_t>(layout_->columns.size() - 1)),
        "print area");
}

void XlsxWriter::startSheet() {
  endSheet();
  const ExportLayout& L = *layout_;
  sheet_ = workbook_add_worksheet(book_, SheetName(sheetTitle_, ++sheets_).c_str());
  if (!sheet_) throw ExportError("cannot add a sheet to " + path_);
  allSheets_.push_back(sheet_);
  breaks_.clear();
  breakPending_ = false;
  const auto lastCol = static_cast<lxw_col_t>(L.columns.size() - 1);

  worksheet_set_paper(sheet_, 9);  // A4
  if (L.landscape)
    worksheet_set_landscape(sheet_);
  else
    worksheet_set_portrait(sheet_);
  worksheet_set_margins(sheet_, L.marginLeft / kPageUnitsPerInch, L.marginRight / kPageUnitsPerInch,
                        L.marginTop / kPageUnitsPerInch, L.marginBottom / kPageUnitsPerInch);
  worksheet_fit_to_pages(sheet_, 1, 0);
  if (rowPoints_ > 0) worksheet_set_default_row(sheet_, rowPoints_, LXW_FALSE);

  row_ = 0;
  for (const TitleLine& t : L.titles) {
    const auto align = static_cast<std::size_t>(t.align);
    lxw_format* f = t.isTitle ? titles_[align] : subtitles_[align];
    // Titles are written before any other row: merge first (in the title's
    // format, so the columns' rules stay off the merged cells), then the text.
    if (lastCol > 0) check(worksheet_merge_range(sheet_, row_, 0, row_, lastCol, "", f), "title");
    check(worksheet_write_string(sheet_, row_, 0, text(t.text), f), "title");
    ++row_;
  }
  const long headerTop = row_;
  for (int r = 0; r < L.headerRows; ++r) {
    const auto row = static_cast<lxw_row_t>(headerTop + r);
    for (const HeaderCell& h : L.header) {
      if (h.row != r || (h.lastRow == h.row && h.lastCol == h.col)) continue;
      check(worksheet_merge_range(sheet_, row, static_cast<lxw_col_t>(h.col),
                                  static_cast<lxw_row_t>(headerTop + h.lastRow), static_cast<lxw_col_t>(h.lastCol), "",
                                  nullptr),
            "captions");
    }
    // Every cell of the band gets the caption format, so merged cells show their borders.
    for (lxw_col_t c = 0; c <= lastCol; ++c) {
      const auto it = std::find_if(L.header.begin(), L.header.end(),
                                   [&](const HeaderCell& h) { return h.row == r && h.col == static_cast<int>(c); });
      if (it != L.header.end())
        check(worksheet_write_string(sheet_, row, c, text(it->text), header_), "captions");
      else
        check(worksheet_write_blank(sheet_, row, c, header_), "captions");
    }
  }
  row_ = headerTop + L.headerRows;
  firstBodyRow_ = row_;
  worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(firstBodyRow_), 0);
  // The titles and captions head every printed page, as on the report's pages.
  check(worksheet_repeat_rows(sheet_, 0, static_cast<lxw_row_t>(firstBodyRow_ - 1)), "print titles");
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
  if (++rowsSinceCheck_ >= kCheckEveryRows) {
    rowsSinceCheck_ = 0;
    checkRowData();
  }
  const auto row = static_cast<lxw_row_t>(row_);
  const std::vector<ExportColumn>& columns = layout_->columns;
  const bool bottom = layout_->rowRules || line.lastOfPage;
  for (std::size_t c = 0; c < line.cells.size() && c < columns.size(); ++c) {
    const ExportCell& cell = line.cells[c];
    const auto col = static_cast<lxw_col_t>(c);
    if (c == 0) {
      lxw_format*& f = formatCache_[0][line.bold ? 1 : 0];
      if (!f) f = cellFormat(kPage, 0, line.bold, c, false, false);
      check(worksheet_write_number(sheet_, row, col, cell.number, f), "page");
      continue;
    }
    if (cell.kind == CellKind::kEmpty) {
      // The frame's bottom under a page's last line; other empty cells take
      // their column's rules.
      if (line.lastOfPage && !layout_->rowRules)
        check(worksheet_write_blank(sheet_, row, col, cellFormat(kBlank, 0, false, c, true, false)), "rule");
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
    lxw_format*& f = formatCache_[c][static_cast<std::size_t>(
        ((((number ? kNumber : kText) * (kMaxDecimals + 1) + decimals) * 2 + line.bold) * 2 + bottom) * 2 + fit)];
    if (!f) f = cellFormat(number ? kNumber : kText, decimals, line.bold, c, bottom, fit);
    if (number)
      check(worksheet_write_number(sheet_, row, col, cell.number, f), "number");
    else
      check(worksheet_write_string(sheet_, row, col, text(cell.text), f), "text");
  }
  ++row_;
  if (line.lastOfPage) breakPending_ = true;
}

void XlsxWriter::finish() {
  endSheet();
  // Widths once every line is known: the page's, widened to the longest text.
  const ExportLayout& L = *layout_;
  for (lxw_worksheet* sheet : allSheets_) {
    for (std::size_t c = 0; c < L.columns.size(); ++c) {
      const double mm = std::max({pageWidthMm(c), widestMm_[c], minimumMm(c)});
      const auto col = static_cast<lxw_col_t>(c);
      check(worksheet_set_column(sheet, col, col, mmToChars(mm), columnFormats_[c]), "column width");
    }
  }
  checkRowData();
  // Assembling copies each sheet through a temporary file whose write errors
  // the library does not see: there must be room for the largest.
  const unsigned long long needed = rowData_ + kAssemblyMargin;
  if (freeBytes(tmpdir_) < needed)
    throw ExportError(
        "not enough room in " + tmpdir_ + " to assemble " + path_ + " (" + std::to_string(needed) + " bytes needed)",
        ENOSPC);
  lxw_workbook* book = book_;
  book_ = nullptr;
  lxw_error closed;
  {
    // The library prints its own "[ERROR] ..." lines to standard error when
    // assembling fails; the caller's worded message is the one the user
    // should read. Only this thread runs here (the row writer has finished).
    const QuietStandardError quiet;
    closed = workbook_close(book);
  }
  check(closed, "closing");
}

}  // namespace zel
