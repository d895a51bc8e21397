// The CSV export: UTF-8 with a byte-order mark (so a spreadsheet opens the
// Korean texts right), RFC 4180 (commas, CR LF line ends, fields with a
// comma, quote, CR or LF quoted and their quotes doubled). The caption rows
// come first (a merged caption in its first column, the rest empty), then
// one record per line; numbers without separators, with the decimals the page
// shows. The title lines are the sheet's only; a CSV file stays one table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sheet_writer.h"
#include "utf8_cache.h"

namespace zel {

class CsvWriter : public SheetWriter {
 public:
  explicit CsvWriter(const std::string& path);
  ~CsvWriter() override;

  void begin(const ExportLayout& layout) override;
  void line(const ExportLine& line) override;
  void finish() override;

  // One field as RFC 4180 writes it (quoted when needed).
  static std::string Field(const std::string& utf8);

 private:
  void put(const std::string& s);
  void field(const std::string& utf8, bool first);
  void endRecord();

  std::string path_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  Utf8Cache utf8_;
};

}  // namespace zel
