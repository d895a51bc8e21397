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

// A text that begins like a formula, as a spreadsheet reads a CSV field.
struct FormulaCase {
  const char* name;
  CellKind kind;
  const char* shown;  // the cell as the page shows it
  const char* guarded;  // the field written by default
  const char* raw;  // the field written with the guard off
};

class CsvFormulaGuard : public ::testing::TestWithParam<FormulaCase> {
 protected:
  std::string written(const FormulaCase& c, bool raw) {
    SettingsBuilder s;
    s.set("F1", Descriptor("1", "1", "1", "4", "40", "S", "F_DES", "Name", "Name"));
    const ExportLayout sheet = MakeExportLayout(testing::LayoutFrom(s));
    const std::string path = temp_ / "formula.csv";
    CsvWriter writer(path, raw);
    writer.begin(sheet);
    ExportLine line;
    line.cells = {CellFromText("1", true), CellFromText(c.shown, c.kind == CellKind::kNumber)};
    writer.line(line);
    writer.finish();
    const std::string all = readAll(path);
    const std::string head = "\xEF\xBB\xBFPage,Name\r\n1,";
    EXPECT_EQ(all.substr(0, head.size()), head);
    return all.substr(head.size(), all.size() - head.size() - 2);
  }
  TempDir temp_{"zel_csv_formula_test"};
};

TEST_P(CsvFormulaGuard, TextsThatStartAFormulaGetAnApostrophe) {
  const FormulaCase& c = GetParam();
  EXPECT_EQ(written(c, false), c.guarded);
  EXPECT_EQ(written(c, true), c.raw);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvFormulaGuard,
    ::testing::Values(FormulaCase{"equals", CellKind::kText, "=HYPERLINK(\"http://x\")",
                                  "\"'=HYPERLINK(\"\"http://x\"\")\"", "\"=HYPERLINK(\"\"http://x\"\")\""},
                      FormulaCase{"plus", CellKind::kText, "+1+2", "'+1+2", "+1+2"},
                      FormulaCase{"minus_text", CellKind::kText, "-5", "'-5", "-5"},
                      FormulaCase{"at", CellKind::kText, "@SUM(A1)", "'@SUM(A1)", "@SUM(A1)"},
                      FormulaCase{"tab", CellKind::kText, "\tx", "'\tx", "\tx"},
                      FormulaCase{"carriage_return", CellKind::kText, "\rx", "\"'\rx\"", "\"\rx\""},
                      FormulaCase{"comma_after_equals", CellKind::kText, "=1,2", "\"'=1,2\"", "\"=1,2\""},
                      FormulaCase{"negative_number", CellKind::kNumber, "-5", "-5", "-5"},
                      FormulaCase{"negative_amount", CellKind::kNumber, "-1,234.50", "-1234.50", "-1234.50"},
                      FormulaCase{"equals_inside", CellKind::kText, "a=b", "a=b", "a=b"},
                      FormulaCase{"blank_then_equals", CellKind::kText, " =1", " =1", " =1"},
                      FormulaCase{"korean", CellKind::kText, "\xB0\xA1", "\xEA\xB0\x80", "\xEA\xB0\x80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvWriter, FormulaLikeCaptionsAreGuardedToo) {
  SettingsBuilder s;
  s.set("F1", Descriptor("1", "1", "1", "4", "40", "S", "F_DES", "=cmd", "=cmd"));
  const ExportLayout sheet = MakeExportLayout(testing::LayoutFrom(s));
  const TempDir temp("zel_csv_caption_test");
  const std::string path = temp / "caption.csv";
  CsvWriter writer(path);
  writer.begin(sheet);
  writer.finish();
  EXPECT_EQ(readAll(path), "\xEF\xBB\xBFPage,'=cmd\r\n");
}

TEST(CsvWriter, UnwritablePathThrows) { EXPECT_THROW(CsvWriter("/nonexistent-dir/x.csv"), ExportError); }

}  // namespace
}  // namespace zel
