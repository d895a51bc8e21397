#include "xlsx_writer.h"

#include <xlsxwriter.h>

#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "export_layout.h"

namespace zel {
namespace {

constexpr double kPageUnitsPerInch = 254.0;
// Millimetres of the page per character of sheet width. A character of the
// sheet's default font is about 1.9 mm; the page's body font is narrower, so
// the sheet is drawn wider and printed fitted to the paper's width.
constexpr double kMmPerCharacter = 1.4;
constexpr double kPageColumnWidth = 6;
constexpr double kTitleFontSize = 14;

// Rows between checks of the row data's temporary files.
constexpr long kCheckEveryRows = 4096;
// Room the workbook's assembly needs beyond the largest sheet's row data
// (which its sheet file copies, wrapped): the wrapping and the small parts,
// each copied through a temporary file.
constexpr unsigned long long kAssemblyMargin = 64 << 10;

std::string temporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

unsigned long long freeBytes(const std::string& dir) {
  struct statvfs st {};
  if (::statvfs(dir.c_str(), &st) != 0) return ~0ULL;  // unknown: the writes will tell
  return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}

int alignIndex(CellAlign a) { return static_cast<int>(a); }

uint8_t lxwAlign(int align) {
  switch (align) {
    case 1: return LXW_ALIGN_CENTER;
    case 2: return LXW_ALIGN_RIGHT;
    default: return LXW_ALIGN_LEFT;
  }
}

}  // namespace

std::string XlsxWriter::NumberFormat(int decimals) {
  std::string f = "#,##0";
  if (decimals > 0) f += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return f;
}

XlsxWriter::XlsxWriter(const std::string& path, long rowsPerSheet)
    : path_(path), rowsPerSheet_(std::clamp(rowsPerSheet, 8L, kMaxRows)) {
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

lxw_format* XlsxWriter::numberFormat(int decimals, bool bold, int align) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  lxw_format*& f = numbers_[static_cast<std::size_t>((decimals * 2 + (bold ? 1 : 0)) * 3 + align)];
  if (!f) {
    f = workbook_add_format(book_);
    format_set_num_format(f, NumberFormat(decimals).c_str());
    format_set_align(f, lxwAlign(align));
    // As on the page, an amount wider than its column is squeezed, never "###".
    format_set_shrink(f);
    if (bold) format_set_bold(f);
  }
  return f;
}

lxw_format* XlsxWriter::textFormat(bool bold, int align) {
  lxw_format*& f = texts_[static_cast<std::size_t>((bold ? 1 : 0) * 3 + align)];
  if (!f) {
    f = workbook_add_format(book_);
    format_set_align(f, lxwAlign(align));
    if (bold) format_set_bold(f);
  }
  return f;
}

void XlsxWriter::begin(const ExportLayout& layout) {
  layout_ = &layout;
  header_ = workbook_add_format(book_);
  format_set_bold(header_);
  format_set_align(header_, LXW_ALIGN_CENTER);
  format_set_align(header_, LXW_ALIGN_VERTICAL_CENTER);
  format_set_border(header_, LXW_BORDER_THIN);
  format_set_bg_color(header_, 0xEEEEEE);
  title_ = workbook_add_format(book_);
  format_set_bold(title_);
  format_set_font_size(title_, kTitleFontSize);
  subtitle_ = workbook_add_format(book_);
  page_ = workbook_add_format(book_);
  format_set_num_format(page_, "0");
  format_set_align(page_, LXW_ALIGN_CENTER);
  pageBold_ = workbook_add_format(book_);
  format_set_num_format(pageBold_, "0");
  format_set_align(pageBold_, LXW_ALIGN_CENTER);
  format_set_bold(pageBold_);
  startSheet();
}

void XlsxWriter::startSheet() {
  const ExportLayout& L = *layout_;
  sheet_ = workbook_add_worksheet(book_, nullptr);
  // The library opens the sheet's row data file here, in the temporary directory.
  if (!sheet_) throw ExportError("cannot add a sheet to " + path_ + " (row data in " + tmpdir_ + ")", errno);
  const auto lastCol = static_cast<lxw_col_t>(L.columns.size() - 1);

  // Widths in proportion to the page's columns.
  const double frameMm = L.frameWidth / 10.0;
  check(worksheet_set_column(sheet_, 0, 0, kPageColumnWidth, nullptr), "column width");
  for (std::size_t c = 1; c < L.columns.size(); ++c) {
    const double width = std::max(1.0, L.columns[c].widthShare * frameMm / kMmPerCharacter);
    check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr),
          "column width");
  }

  worksheet_set_paper(sheet_, 9);  // A4
  if (L.landscape)
    worksheet_set_landscape(sheet_);
  else
    worksheet_set_portrait(sheet_);
  worksheet_set_margins(sheet_, L.marginLeft / kPageUnitsPerInch, L.marginRight / kPageUnitsPerInch,
                        L.marginTop / kPageUnitsPerInch, L.marginBottom / kPageUnitsPerInch);
  worksheet_fit_to_pages(sheet_, 1, 0);

  row_ = 0;
  for (const TitleLine& t : L.titles) {
    lxw_format* f = t.isTitle ? title_ : subtitle_;
    // Titles are written before any other row: merge first (no format, so no
    // later row is touched in constant-memory mode), then the text.
    if (lastCol > 0) check(worksheet_merge_range(sheet_, row_, 0, row_, lastCol, "", nullptr), "title");
    lxw_format* aligned = f;
    if (t.align != CellAlign::kLeft) {
      aligned = workbook_add_format(book_);
      if (t.isTitle) {
        format_set_bold(aligned);
        format_set_font_size(aligned, kTitleFontSize);
      }
      format_set_align(aligned, lxwAlign(alignIndex(t.align)));
    }
    check(worksheet_write_string(sheet_, row_, 0, utf8_.convert(t.text).c_str(), aligned), "title");
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
        check(worksheet_write_string(sheet_, row, c, utf8_.convert(it->text).c_str(), header_), "captions");
      else
        check(worksheet_write_blank(sheet_, row, c, header_), "captions");
    }
  }
  row_ = headerTop + L.headerRows;
  firstBodyRow_ = row_;
  worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(firstBodyRow_), 0);
  check(worksheet_repeat_rows(sheet_, static_cast<lxw_row_t>(headerTop), static_cast<lxw_row_t>(firstBodyRow_ - 1)),
        "print titles");
}

void XlsxWriter::line(const ExportLine& line) {
  if (row_ >= rowsPerSheet_) startSheet();
  if (++rowsSinceCheck_ >= kCheckEveryRows) {
    rowsSinceCheck_ = 0;
    checkRowData();
  }
  const auto row = static_cast<lxw_row_t>(row_);
  const std::vector<ExportColumn>& columns = layout_->columns;
  for (std::size_t c = 0; c < line.cells.size() && c < columns.size(); ++c) {
    const ExportCell& cell = line.cells[c];
    const auto col = static_cast<lxw_col_t>(c);
    if (c == 0) {
      check(worksheet_write_number(sheet_, row, col, cell.number, line.bold ? pageBold_ : page_), "page");
      continue;
    }
    const int align = alignIndex(columns[c].align);
    switch (cell.kind) {
      case CellKind::kEmpty: break;
      case CellKind::kNumber:
        check(worksheet_write_number(sheet_, row, col, cell.number, numberFormat(cell.decimals, line.bold, align)),
              "number");
        break;
      case CellKind::kText:
        check(worksheet_write_string(sheet_, row, col, utf8_.convert(cell.text).c_str(), textFormat(line.bold, align)),
              "text");
        break;
    }
  }
  ++row_;
}

void XlsxWriter::finish() {
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
  check(workbook_close(book), "closing");
}

}  // namespace zel
