// The CSV export: UTF-8 with a byte-order mark (so a spreadsheet opens the
// Korean texts right), RFC 4180 (commas, CR LF line ends, fields with a
// comma, quote, CR or LF quoted and their quotes doubled). The caption rows
// come first (a merged caption in its first column, the rest empty), then
// one record per line; numbers without separators, with the decimals the page
// shows. The title lines are the sheet's only; a CSV file stays one table.
// A text that a spreadsheet would take for a formula (one beginning with =,
// +, -, @, a tab or a carriage return: report texts come from other people)
// gets a leading apostrophe, unless the file is asked for raw; numbers are
// numbers and never need it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sheet_writer.h"
#include "utf8_cache.h"

namespace zel {

class CsvWriter : public SheetWriter {
 public:
  // raw: texts exactly as shown, for scripts (no apostrophe guard).
  explicit CsvWriter(const std::string& path, bool raw = false);
  ~CsvWriter() override;

  void begin(const ExportLayout& layout) override;
  void line(const ExportLine& line) override;
  void finish() override;

  // One field as RFC 4180 writes it (quoted when needed).
  static std::string Field(const std::string& utf8);
  // Would a spreadsheet read this text as a formula?
  static bool LooksLikeFormula(const std::string& text);

 private:
  void put(const std::string& s);
  void field(const std::string& utf8, bool first);
  void textField(const std::string& utf8, bool first);
  void endRecord();

  std::string path_;
  bool raw_ = false;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  Utf8Cache utf8_;
};

}  // namespace zel
