#include "csv_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_dir.h"
#include "export_layout.h"
#include "export_test_support.h"

namespace zel {
namespace {

struct QuoteCase {
  const char* in;
  const char* out;
};

class CsvQuoting : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(CsvQuoting, Rfc4180) { EXPECT_EQ(CsvWriter::Field(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(Cases, CsvQuoting,
                         ::testing::Values(QuoteCase{"plain", "plain"}, QuoteCase{"", ""}, QuoteCase{"a,b", "\"a,b\""},
                                           QuoteCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                                           QuoteCase{"two\nlines", "\"two\nlines\""}, QuoteCase{"cr\r", "\"cr\r\""},
                                           QuoteCase{"  lead", "  lead"}));

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CsvWriter, BomCaptionRowsAndPlainNumbers) {
  SettingsBuilder s;
  s.set("FIELDCOUNT", "3|0|3|")
      .set("F1", Descriptor("1", "1", "1", "4", "40", "S", "F_DES", "\xC7\xB0\xB8\xED", ""))  // "품명"
      .set("F2", Descriptor("2", "2", "2", "1", "30", "D", "F_MA", "P", "Mat,erial", "D", "R"))
      .set("F3", Descriptor("3", "2", "2", "1", "30", "D", "F_MAK", "A", "Mat,erial", "G", "R"));
  const ExportLayout sheet = MakeExportLayout(testing::LayoutFrom(s));
  const TempDir temp("zel_csv_writer_test");
  const std::string path = temp / "out.csv";
  {
    CsvWriter writer(path);
    writer.begin(sheet);
    ExportLine line;
    line.page = 3;
    line.cells = {CellFromText("3", true), CellFromText("\xB0\xA1,\"", false), CellFromText("1,234.50", true),
                  CellFromText("", true)};
    writer.line(line);
    writer.finish();
  }
  EXPECT_EQ(readAll(path),
            "\xEF\xBB\xBF"
            "Page,\xED\x92\x88\xEB\xAA\x85,\"Mat,erial\",\r\n"
            ",,P,A\r\n"
            "3,\"\xEA\xB0\x80,\"\"\",1234.50,\r\n");
  std::filesystem::remove(path);
}

TEST(CsvWriter, UnwritablePathThrows) { EXPECT_THROW(CsvWriter("/nonexistent-dir/x.csv"), ExportError); }

}  // namespace
}  // namespace zel
