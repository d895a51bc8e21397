// The export's streaming workbook against libxlsxwriter's, report by report:
// the same report written through both, unzipped, and every part compared
// byte for byte (the creation time in the core properties aside): the
// same cells, values, types, styles, merged ranges, widths, row heights,
// page setup, breaks, frozen panes, defined names and properties.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "background_writer.h"
#include "engine_settings.h"
#include "export_layout.h"
#include "export_lines.h"
#include "filled_report.h"
#include "output_file.h"
#include "report_layout.h"
#include "report_lines.h"
#include "report_table.h"
#include "sample_reports.h"
#include "xlsx_writer.h"

namespace zel {
namespace {

namespace rw = reportwriter;

std::uint32_t get16(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
std::uint32_t get32(const std::string& s, std::size_t at) { return get16(s, at) | get16(s, at + 2) << 16; }
std::uint64_t get64(const std::string& s, std::size_t at) {
  return get32(s, at) | static_cast<std::uint64_t>(get32(s, at + 4)) << 32;
}

// Every entry of a ZIP archive, inflated; a damaged archive fails the test.
std::map<std::string, std::string> unzipAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string zip = all.str();
  std::map<std::string, std::string> parts;
  const std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  EXPECT_NE(end, std::string::npos) << path;
  if (end == std::string::npos) return parts;
  std::uint64_t count = get16(zip, end + 10), at = get32(zip, end + 16);
  if (at == 0xFFFFFFFF || count == 0xFFFF) {
    const std::size_t record = get64(zip, end - 20 + 8);
    count = get64(zip, record + 32);
    at = get64(zip, record + 48);
  }
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t header = at;
    EXPECT_EQ(get32(zip, at), 0x02014b50u);
    std::uint64_t compressed = get32(zip, at + 20), size = get32(zip, at + 24), local = get32(zip, at + 42);
    const std::size_t nameLength = get16(zip, at + 28), extraLength = get16(zip, at + 30);
    const std::string name = zip.substr(at + 46, nameLength);
    for (std::size_t e = at + 46 + nameLength; e + 4 <= at + 46 + nameLength + extraLength;) {
      std::size_t field = e + 4;
      if (get16(zip, e) == 1) {
        if (size == 0xFFFFFFFF) size = get64(zip, field), field += 8;
        if (compressed == 0xFFFFFFFF) compressed = get64(zip, field), field += 8;
        if (local == 0xFFFFFFFF) local = get64(zip, field);
      }
      e += 4 + get16(zip, e + 2);
    }
    at += 46 + nameLength + extraLength + get16(zip, at + 32);
    EXPECT_EQ(get32(zip, local), 0x04034b50u) << name;
    const std::size_t data = local + 30 + get16(zip, local + 26) + get16(zip, local + 28);
    std::string out(size, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    z.avail_in = static_cast<uInt>(compressed);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << name;
    EXPECT_EQ(z.total_out, size) << name;
    EXPECT_EQ(z.total_in, compressed) << name;
    EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())),
              get32(zip, header + 16))
        << name;
    inflateEnd(&z);
    parts[name] = out;
  }
  return parts;
}

// Where two texts first differ, with some of each around it.
std::string firstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t from = i > 120 ? i - 120 : 0;
  return "at byte " + std::to_string(i) + "\n  library: " + a.substr(from, 240) + "\n  ours:    " + b.substr(from, 240);
}

struct WriterCase {
  const char* name;
  std::function<rw::ReportSpec()> report;
  int pages;
  bool withCodes = false;
  long rowsPerSheet = XlsxWriter::kMaxRows;
  int pagesPerSheet = XlsxWriter::kMaxPages;
  // What the case is about, as the first sheet holds it (so the case keeps testing it).
  const char* firstSheetHolds = "<rowBreaks";
  std::size_t wholeSheetBytes = kWholeSheetBytes;  // smaller: sheets compressed as they come
};

rw::ReportSpec bill(char orientation, int pages, const char* outline = "0") {
  rw::BillOptions options;
  options.orientation = orientation;
  options.pages = pages;
  options.outline = outline;
  return rw::billOfQuantities(options);
}

// Texts a sheet stores specially: blanks at the ends, markup, escapes, controls.
rw::ReportSpec oddTexts() {
  rw::ReportSpec spec = bill('P', 2);
  const char* const texts[] = {" leading",  "trailing ",    "a&b<c>d\"e'f", "_x0041_ stays",
                               "tab\there", "ctl\x01x\x1f", "two\nlines",   "\xB0\xA1\xB3\xAA & \xB4\xD9"};
  std::size_t next = 0;
  for (rw::Line& line : spec.lines)
    for (auto& [field, value] : line)
      if ((field == "F_DES" || field == "F_SIZE" || field == "F_UNIT") && next < std::size(texts))
        value = texts[next++];
  return spec;
}

// A page of many lines: rows lower than the sheet's own, so the sheet fits the paper.
rw::ReportSpec manyLinesAPage() {
  rw::ReportSpec spec = bill('P', 2);
  for (auto& [key, value] : spec.settings)
    if (key == "LINE") value = "70|70|1|";
  return spec;
}

// A title a sheet name keeps but formulas quote and XML escapes; a plain one.
rw::ReportSpec titled(const char* title) {
  rw::ReportSpec spec = bill('P', 3);
  for (auto& [key, value] : spec.settings)
    if (key == "TITLE") value = title;
  return spec;
}

const WriterCase kCases[] = {
    {"portrait_bill", [] { return bill('P', 3); }, 3},
    {"landscape_bill", [] { return bill('L', 3); }, 3, false, XlsxWriter::kMaxRows, XlsxWriter::kMaxPages,
     "orientation=\"landscape\""},
    {"bill_without_row_rules", [] { return bill('P', 2, "1"); }, 2},
    {"one_page_summary", [] { return rw::summaryReport(); }, 1, false, XlsxWriter::kMaxRows, XlsxWriter::kMaxPages,
     "<mergeCells"},
    {"with_codes", [] { return bill('P', 3); }, 3, true},
    {"sheets_split_by_rows", [] { return bill('P', 3); }, 3, false, 40, XlsxWriter::kMaxPages, "tabSelected"},
    {"sheets_split_by_breaks", [] { return bill('L', 5); }, 5, false, XlsxWriter::kMaxRows, 2},
    {"odd_texts", oddTexts, 2, false, XlsxWriter::kMaxRows, XlsxWriter::kMaxPages, "_x0001_"},
    {"title_quoted_and_escaped", [] { return titled("R&D's <A> \"B\""); }, 3, false, 40},
    {"plain_title", [] { return titled("Bill_2.v3"); }, 3, false, 40},
    {"many_lines_a_page", manyLinesAPage, 2, false, XlsxWriter::kMaxRows, XlsxWriter::kMaxPages, "customHeight=\"1\""},
    {"filled_bill", [] { return bench::filledReport(35 * 60 + 7); }, 61, false, XlsxWriter::kMaxRows,
     XlsxWriter::kMaxPages, "shrinkToFit"},
    {"filled_bill_sheets_compressed_as_they_come", [] { return bench::filledReport(35 * 60 + 7); }, 61, false, 700,
     XlsxWriter::kMaxPages, "<rowBreaks", 100000},
};

class ExportWriters : public ::testing::TestWithParam<WriterCase> {
 protected:
  QTemporaryDir dir_;
};

TEST_P(ExportWriters, StreamingWorkbookEqualsTheLibrarys) {
  const WriterCase& c = GetParam();
  ASSERT_TRUE(dir_.isValid());
  const std::string dir = dir_.path().toStdString();
  const rw::ReportSpec spec = c.report();
  ASSERT_TRUE(rw::writeReport(dir, spec));
  EngineSettings env;
  env.SetDeleted(true);
  env.SetExact(true);
  ReportTable table;
  ASSERT_TRUE(table.OpenTable(dir, spec.fileName, "CDX"));
  table.SetOrder(table.CreateMemoryOrder("F_PAGE", "str(F_PAGE,5)"));
  TReportLayout layout;
  layout.ReportBase = QFileInfo(QString::fromStdString(spec.fileName)).completeBaseName().toStdString();
  table.First();
  layout.SettingsText = table.MemoText("F_INIT");
  ParseLayout(layout);
  ApplyPageGeometry(layout);
  const ExportLayout sheet = MakeExportLayout(layout, c.withCodes);

  const auto write = [&](XlsxWriter& writer) {
    ReportTableLines lines(table);
    writer.begin(sheet);
    {
      BackgroundWriter background(writer);
      ExportLines(layout, sheet, lines, 1, c.pages, background);
      background.finish();
    }
    writer.finish();
  };
  const std::string library = dir + "/library.xlsx", ours = dir + "/ours.xlsx";
  {
    XlsxWriter writer(library, c.rowsPerSheet, c.pagesPerSheet);
    write(writer);
  }
  {
    OutputFile output(ours);
    XlsxWriter writer(MakeStreamingBook(output, c.wholeSheetBytes), output.path(), c.rowsPerSheet, c.pagesPerSheet);
    write(writer);
    output.commit();
  }
  std::map<std::string, std::string> expected = unzipAll(library), actual = unzipAll(ours);
  ASSERT_GE(expected.size(), 9u);
  const std::regex date("<dcterms:(created|modified) [^>]*>[^<]*<");
  for (auto* parts : {&expected, &actual})
    if (parts->count("docProps/core.xml"))
      (*parts)["docProps/core.xml"] = std::regex_replace((*parts)["docProps/core.xml"], date, "<$1/<");
  for (const auto& [name, xml] : expected) {
    ASSERT_TRUE(actual.count(name)) << name << " missing";
    EXPECT_TRUE(actual[name] == xml) << name << " differs " << firstDifference(xml, actual[name]);
  }
  EXPECT_EQ(actual.size(), expected.size());
  EXPECT_NE((actual["xl/worksheets/sheet1.xml"] + actual["xl/styles.xml"]).find(c.firstSheetHolds), std::string::npos)
      << c.firstSheetHolds;
  if (c.rowsPerSheet < XlsxWriter::kMaxRows || c.pagesPerSheet < XlsxWriter::kMaxPages) {
    EXPECT_TRUE(actual.count("xl/worksheets/sheet3.xml"));
  }
}

INSTANTIATE_TEST_SUITE_P(Reports, ExportWriters, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zel
