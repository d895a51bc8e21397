// The Excel export (XLSX, written row by row into a streaming workbook, so a
// report of any length takes little memory; see xlsx_book.h). Each sheet holds the
// title lines, the caption rows (merged as on the page, frozen, repeated with
// the titles on every printed page) and the lines: numbers as numbers with a
// format that shows the page's decimals and thousands separators, texts as
// texts, empty cells empty, headings and subtotals in bold.
//
// The sheet prints as the report prints: the report's faces and sizes, the
// page's column and row rules as thin borders, a page break after each report
// page, A4 in the report's orientation and margins, one page wide. Columns
// are as wide as on the page (in the proportion of the sheet's font to the
// page's condensed one), widened to the longest text they hold up to half as
// wide again; a text or amount longer still shrinks to fit, as the page
// squeezes it. Rows are lowered where a page's rows would not fit one sheet
// of paper.
//
// A sheet takes at most 1,024 report pages (Excel keeps 1,023 manual breaks
// a sheet) and 1,048,576 rows; the report goes on in further sheets, each
// with the titles and captions, named after the report's title and numbered.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "sheet_writer.h"
#include "utf8_cache.h"
#include "xlsx_book.h"

namespace zel {

class OutputFile;

class XlsxWriter : public SheetWriter {
 public:
  // rowsPerSheet, pagesPerSheet: the sheet's limits (Excel's; smaller in tests).
  // Written into output's part.
  explicit XlsxWriter(OutputFile& output, long rowsPerSheet = kMaxRows, int pagesPerSheet = kMaxPages);
  // Written at path through libxlsxwriter (the reference for the above).
  explicit XlsxWriter(const std::string& path, long rowsPerSheet = kMaxRows, int pagesPerSheet = kMaxPages);
  // Into book (tests).
  XlsxWriter(std::unique_ptr<XlsxBook> book, const std::string& path, long rowsPerSheet, int pagesPerSheet);
  ~XlsxWriter() override;

  void begin(const ExportLayout& layout) override;
  void line(const ExportLine& line) override;
  void finish() override;

  static constexpr long kMaxRows = 1048576;
  static constexpr int kMaxPages = 1024;  // 1,023 manual page breaks a sheet
  static constexpr int kMaxDecimals = 7;  // the page never shows more

  // "#,##0" with d decimals ("#,##0.00").
  static std::string NumberFormat(int decimals);
  // The name of sheet `number` (1-based) of a report titled `title` (UTF-8):
  // without the characters a sheet name cannot hold, at most 31 characters,
  // "(2)", "(3)"... on further sheets; "Sheet" for an empty title.
  static std::string SheetName(const std::string& title, int number);
  // A text as the format stores it: "_xHHHH_" in the text itself would be read
  // back as an escaped character, so its underscore is escaped ("_x005F_").
  static std::string EscapeHexSequences(const std::string& utf8);
  // The face a sheet names for the page's face (CP949): the page's own where
  // Windows has it (굴림, 돋움, 바탕, 궁서, 맑은 고딕 and their variants),
  // otherwise 굴림, which Linux office suites map to a Hangul face.
  static std::string SheetFace(const std::string& cp949Face);

 private:
  void startSheet();
  void endSheet();
  const std::string& text(const std::string& cp949);
  // Cell formats, made once each: kind (0 text, 1 number, 2 page, 3 blank).
  int cellFormat(int kind, int decimals, bool bold, std::size_t column, bool bottom, bool fit);
  XlsxFormat fontFormat(const std::string& face, int size, bool bold) const;
  double pageWidthMm(std::size_t column) const;
  double estimatedMm(const std::string& cp949) const;
  double minimumMm(std::size_t column) const;
  void prepareColumns();

  std::string path_;
  long rowsPerSheet_;
  int pagesPerSheet_;
  std::unique_ptr<XlsxBook> book_;
  bool inSheet_ = false;
  const ExportLayout* layout_ = nullptr;
  int sheets_ = 0;
  std::string sheetTitle_;  // UTF-8
  std::string face_, titleFace_;  // UTF-8
  long row_ = 0;  // next row of the current sheet
  long firstBodyRow_ = 0;
  bool breakPending_ = false;  // the last row ended a report page
  std::vector<unsigned> breaks_;  // of the current sheet: first rows of its pages after the first
  double scale_ = 1;  // the page's character width over the sheet's
  double rowPoints_ = 0;  // every row's height; 0: the sheet's own
  std::vector<double> widestMm_;  // by column: the widest text written
  std::vector<int> formats_;  // cellFormat's, by key; -1: not made yet
  // The body's formats by column, then kind, decimals, bold, bottom rule and fit.
  std::vector<std::array<int, 2 * (kMaxDecimals + 1) * 2 * 2 * 2>> formatCache_;
  std::vector<double> roomMm_;  // by column: the widest a text may make it
  double narrowByteMm_ = 0;  // the most a byte of text can take
  std::vector<int> columnFormats_;  // rules of empty cells
  int header_ = -1;
  std::array<int, 3> titles_{};  // by alignment
  std::array<int, 3> subtitles_{};
  Utf8Cache utf8_;
  std::string escaped_;
};

}  // namespace zel
