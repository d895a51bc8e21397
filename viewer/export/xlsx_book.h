// XlsxBook: the workbook XlsxWriter fills, as the few calls it makes. Two
// makers: the streaming one the export uses (XML straight into a deflate
// stream on a thread of its own, the ZIP assembled at close), and one over
// libxlsxwriter (kept for Windows builds and as the reference the streaming
// one is checked against). Both produce the same workbook for readers.
//
// Rows and columns count from 0. A format is a number from format(); -1 is
// no format. Writes go to the current sheet (the last added); a write to a
// row above the one being written is dropped (rows stream out in order).
// Errors throw ExportError. One thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace zel {

class OutputFile;

enum class XlsxAlign { kNone, kLeft, kCenter, kRight };

struct XlsxFormat {
  std::string font;  // UTF-8
  double size = 11;
  bool bold = false;
  XlsxAlign align = XlsxAlign::kNone;
  bool middle = false;  // vertically centred
  bool shrink = false;
  bool left = false, right = false, top = false, bottom = false;  // thin borders
  std::string numberFormat;  // empty: general
};

class XlsxBook {
 public:
  virtual ~XlsxBook() = default;

  virtual int format(const XlsxFormat& format) = 0;
  // Texts are UTF-8; kept by the book.
  virtual void properties(const std::string& title, const std::string& subject, const std::string& company) = 0;
  virtual void addSheet(const std::string& name) = 0;
  // A4 in the orientation, margins in inches, one page wide; rowPoints > 0
  // sets the sheet's default row height.
  virtual void pageSetup(bool landscape, double left, double right, double top, double bottom, double rowPoints) = 0;
  virtual void merge(long row, int col, long lastRow, int lastCol, int format) = 0;
  virtual void text(long row, int col, const std::string& utf8, int format) = 0;
  virtual void number(long row, int col, double value, int format) = 0;
  virtual void blank(long row, int col, int format) = 0;
  virtual void freezeRows(long rows) = 0;
  virtual void repeatRows(long first, long last) = 0;
  // First rows of the pages after the first, ascending.
  virtual void pageBreaks(const std::vector<unsigned>& rows) = 0;
  virtual void printArea(long lastRow, int lastCol) = 0;
  // sheet: 0-based, any sheet added; width in characters.
  virtual void column(int sheet, int col, double width, int format) = 0;
  // Writes the file; the book is done after it, also when it throws.
  virtual void close() = 0;
};

// The workbook written into output's part (and one extra part of it for the
// sheets' rows until close). A sheet's XML up to wholeSheetBytes is held and
// compressed at once (faster); a longer sheet is compressed as it comes.
inline constexpr std::size_t kWholeSheetBytes = 32 << 20;
std::unique_ptr<XlsxBook> MakeStreamingBook(OutputFile& output, std::size_t wholeSheetBytes = kWholeSheetBytes);
// The workbook through libxlsxwriter, written at path; its row data waits in
// the temporary directory (TMPDIR).
std::unique_ptr<XlsxBook> MakeLibraryBook(const std::string& path);

}  // namespace zel
