// The workbook through libxlsxwriter in its constant-memory mode: rows wait
// in temporary files until workbook_close zips every part.
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sheet_writer.h"
#include "xlsx_book.h"

namespace zel {
namespace {

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

uint8_t lxwAlign(XlsxAlign align) {
  switch (align) {
    case XlsxAlign::kLeft: return LXW_ALIGN_LEFT;
    case XlsxAlign::kCenter: return LXW_ALIGN_CENTER;
    case XlsxAlign::kRight: return LXW_ALIGN_RIGHT;
    default: return LXW_ALIGN_NONE;
  }
}

class LibraryBook : public XlsxBook {
 public:
  explicit LibraryBook(const std::string& path) : path_(path) {
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

  ~LibraryBook() override {
    // A workbook not finished (cancelled, failed) is dropped without being
    // assembled into a file; its temporary files go with it.
    if (book_) lxw_workbook_free(book_);
  }

  int format(const XlsxFormat& x) override {
    lxw_format* f = workbook_add_format(book_);
    format_set_font_name(f, x.font.c_str());
    format_set_font_size(f, x.size);
    format_set_font_charset(f, 129);  // Hangul
    if (x.middle) format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (x.bold) format_set_bold(f);
    if (x.left) format_set_left(f, LXW_BORDER_THIN);
    if (x.right) format_set_right(f, LXW_BORDER_THIN);
    if (x.top) format_set_top(f, LXW_BORDER_THIN);
    if (x.bottom) format_set_bottom(f, LXW_BORDER_THIN);
    if (!x.numberFormat.empty()) format_set_num_format(f, x.numberFormat.c_str());
    if (x.align != XlsxAlign::kNone) format_set_align(f, lxwAlign(x.align));
    if (x.shrink) format_set_shrink(f);
    formats_.push_back(f);
    return static_cast<int>(formats_.size() - 1);
  }

  void properties(const std::string& title, const std::string& subject, const std::string& company) override {
    title_ = title;
    subject_ = subject;
    company_ = company;
    lxw_doc_properties properties{};
    properties.title = title_.data();
    properties.subject = subject_.data();
    properties.company = company_.data();
    check(workbook_set_properties(book_, &properties), "properties");
  }

  void addSheet(const std::string& name) override {
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    if (!sheet_) throw ExportError("cannot add a sheet to " + path_);
    sheets_.push_back(sheet_);
  }

  void pageSetup(bool landscape, double left, double right, double top, double bottom, double rowPoints) override {
    worksheet_set_paper(sheet_, 9);  // A4
    if (landscape)
      worksheet_set_landscape(sheet_);
    else
      worksheet_set_portrait(sheet_);
    worksheet_set_margins(sheet_, left, right, top, bottom);
    worksheet_fit_to_pages(sheet_, 1, 0);
    if (rowPoints > 0) worksheet_set_default_row(sheet_, rowPoints, LXW_FALSE);
  }

  void merge(long row, int col, long lastRow, int lastCol, int format) override {
    check(worksheet_merge_range(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                                static_cast<lxw_row_t>(lastRow), static_cast<lxw_col_t>(lastCol), "", at(format)),
          "merged cells");
  }

  void text(long row, int col, const std::string& utf8, int format) override {
    rowWritten(row);
    check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), utf8.c_str(),
                                 at(format)),
          "text");
  }

  void number(long row, int col, double value, int format) override {
    rowWritten(row);
    check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), value, at(format)),
          "number");
  }

  void blank(long row, int col, int format) override {
    rowWritten(row);
    check(worksheet_write_blank(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), at(format)), "rule");
  }

  void freezeRows(long rows) override { worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(rows), 0); }

  void repeatRows(long first, long last) override {
    check(worksheet_repeat_rows(sheet_, static_cast<lxw_row_t>(first), static_cast<lxw_row_t>(last)), "print titles");
  }

  void pageBreaks(const std::vector<unsigned>& rows) override {
    std::vector<lxw_row_t> breaks(rows.begin(), rows.end());
    breaks.push_back(0);
    check(worksheet_set_h_pagebreaks(sheet_, breaks.data()), "page breaks");
  }

  void printArea(long lastRow, int lastCol) override {
    check(worksheet_print_area(sheet_, 0, 0, static_cast<lxw_row_t>(lastRow), static_cast<lxw_col_t>(lastCol)),
          "print area");
  }

  void column(int sheet, int col, double width, int format) override {
    const auto c = static_cast<lxw_col_t>(col);
    check(worksheet_set_column(sheets_.at(static_cast<std::size_t>(sheet)), c, c, width, at(format)), "column width");
  }

  void close() override {
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

 private:
  lxw_format* at(int format) const { return format < 0 ? nullptr : formats_[static_cast<std::size_t>(format)]; }

  void check(int error, const char* what) {
    if (error != LXW_NO_ERROR) {
      const int systemError = errno;
      throw ExportError("cannot write " + path_ + " (" + what + "): " + lxw_strerror(static_cast<lxw_error>(error)),
                        systemError);
    }
  }

  void rowWritten(long row) {
    if (row == lastRow_) return;
    lastRow_ = row;
    if (++rowsSinceCheck_ >= kCheckEveryRows) {
      rowsSinceCheck_ = 0;
      checkRowData();
    }
  }

  // Throws when a row data file lost a write; notes the largest one's size.
  void checkRowData() {
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

  std::string path_;
  std::string tmpdir_;  // where the library keeps row data until the file is assembled
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  std::vector<lxw_worksheet*> sheets_;
  std::vector<lxw_format*> formats_;
  std::string title_, subject_, company_;  // kept for the library
  long lastRow_ = -1;
  long rowsSinceCheck_ = 0;
  unsigned long long rowData_ = 0;  // bytes of the largest sheet's row data
};

}  // namespace

std::unique_ptr<XlsxBook> MakeLibraryBook(const std::string& path) { return std::make_unique<LibraryBook>(path); }

}  // namespace zel
