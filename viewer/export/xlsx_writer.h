// The Excel export (XLSX, through libxlsxwriter in its constant-memory mode,
// so a report of any length is written row by row). Each sheet holds the
// title lines, the caption rows (merged as on the page, frozen, repeated on
// every printed page) and the lines: numbers as numbers with a format that
// shows the page's decimals and thousands separators, texts as texts, empty
// cells empty, headings and subtotals in bold. Page setup: A4, the report's
// orientation and margins, one page wide. A report longer than a sheet goes
// on in further sheets, each with the titles and captions.
#pragma once

#include <array>
#include <string>

#include "sheet_writer.h"
#include "utf8_cache.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace zel {

class XlsxWriter : public SheetWriter {
 public:
  // rowsPerSheet: the sheet's row limit (Excel's 1,048,576; smaller in tests).
  explicit XlsxWriter(const std::string& path, long rowsPerSheet = kMaxRows);
  ~XlsxWriter() override;

  void begin(const ExportLayout& layout) override;
  void line(const ExportLine& line) override;
  void finish() override;

  static constexpr long kMaxRows = 1048576;
  static constexpr int kMaxDecimals = 7;  // the page never shows more

  // "#,##0" with d decimals ("#,##0.00").
  static std::string NumberFormat(int decimals);

 private:
  void startSheet();
  void check(int error, const char* what);
  // Throws when a row data file lost a write; notes the largest one's size.
  void checkRowData();
  lxw_format* numberFormat(int decimals, bool bold, int align);
  lxw_format* textFormat(bool bold, int align);

  std::string path_;
  std::string tmpdir_;  // where the library keeps row data until the file is assembled
  long rowsPerSheet_;
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  const ExportLayout* layout_ = nullptr;
  long row_ = 0;  // next row of the current sheet
  long firstBodyRow_ = 0;
  long rowsSinceCheck_ = 0;
  unsigned long long rowData_ = 0;  // bytes of the largest sheet's row data
  std::array<lxw_format*, (kMaxDecimals + 1) * 2 * 3> numbers_{};
  std::array<lxw_format*, 2 * 3> texts_{};
  lxw_format* header_ = nullptr;
  lxw_format* title_ = nullptr;
  lxw_format* subtitle_ = nullptr;
  lxw_format* page_ = nullptr;
  lxw_format* pageBold_ = nullptr;
  Utf8Cache utf8_;
};

}  // namespace zel
