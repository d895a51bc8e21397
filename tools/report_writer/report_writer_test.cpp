// The writer's files read back through the viewer's table layer and, as an
// outside check of the file format, through python3's dbfread.
#include "report_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "report_table.h"
#include "sample_reports.h"
#include "settings_block.h"
#include "temp_dir.h"
#include "test_process.h"

namespace zel::reportwriter {
namespace {

namespace fs = std::filesystem;

// What one pass over a report's records finds.
struct Survey {
  long records = 0;
  std::map<long, int> linesPerPage;
  int jLinesWith100 = 0;
  int supplied = 0;  // F_TUNIT "2"
  int separate = 0;  // F_TUNIT "3"
  long lastPage = 0;
};

Survey survey(ReportTable& t) {
  Survey s;
  for (t.First(); !t.Eof(); t.Next()) {
    ++s.records;
    const long page = t.FieldAsInteger("F_PAGE");
    ++s.linesPerPage[page];
    s.lastPage = page;
    if (t.FieldAsPaddedText("F_TYPE") == "J" && t.FieldAsFloat("F_PC0") == 100.0) ++s.jLinesWith100;
    const std::string tunit = t.FieldAsPaddedText("F_TUNIT");
    s.supplied += tunit == "2";
    s.separate += tunit == "3";
  }
  return s;
}

class WriterTest : public ::testing::Test {
 protected:
  TempDir dir_{"zelwriter"};
};

TEST_F(WriterTest, SettingsBlockSyntax) {
  EXPECT_EQ(buildSettingsBlock({}), "");
  EXPECT_EQ(buildSettingsBlock({{"A", "1"}, {"B", ""}}),
            "<A>=\xA2\xDD"
            "1\xA2\xDD\r\n<B>=\xA2\xDD\xA2\xDD");
}

TEST_F(WriterTest, PortraitBillReadsBackThroughTheTableLayer) {
  BillOptions o;
  o.pages = 4;
  ASSERT_TRUE(writeReport(dir_.path(), billOfQuantities(o)).isOk());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_SAMPLE.dbf", "CDX"));
  t.First();
  const std::string block = t.MemoText("F_INIT");
  EXPECT_EQ(block, buildSettingsBlock(billSettings(o)));
  EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB02");
  EXPECT_EQ(Token(2, GetKey(block, "OPTIONSET"), "0"), "0");
  EXPECT_EQ(GetKey(block, "FONT").substr(0, 6), "\xB1\xBC\xB8\xB2\xC3\xBC");  // 굴림체
  const int descriptors = TokenInt(1, GetKey(block, "FIELDCOUNT"), 0);
  EXPECT_EQ(descriptors, 16);
  EXPECT_FALSE(GetKey(block, "F16").empty());
  EXPECT_TRUE(GetKey(block, "F17").empty());
  for (const char* key :
       {"TITLE",      "TITLEFONT", "DES",  "COMNAME", "OUTLINE", "LINE", "SYNC", "DOTLINE", "PAGESPACE", "SORT",
        "PRINTSCOPE", "OPT1",      "OPT2", "OPT3",    "OPT4",    "BIGO", "NCUT", "PRCDEC",  "CSTDEC",    "MOKDEC"}) {
    EXPECT_FALSE(GetKey(block, key).empty()) << key;
  }
  // Descriptor widths of the visible columns fill the frame.
  int width = 0;
  for (int k = 1; k <= descriptors; ++k) {
    auto d = SplitTokens(GetKey(block, "F" + std::to_string(k)), 18);
    if (std::atoi(d[3].c_str()) < 10) width += std::atoi(d[4].c_str());
  }
  EXPECT_EQ(width, 100);

  Survey s = survey(t);
  EXPECT_EQ(s.records, billLineCount(o));
  EXPECT_EQ(s.lastPage, 4);
  for (long p = 1; p <= 3; ++p) EXPECT_EQ(s.linesPerPage[p], kPortraitLines) << p;
  EXPECT_EQ(s.linesPerPage[4], kPortraitLines - 10);
  EXPECT_GT(s.jLinesWith100, 0);
  EXPECT_GT(s.supplied, 0);
  EXPECT_GT(s.separate, 0);
  t.Last();
  EXPECT_EQ(t.MemoText("F_INIT"), "");
}

TEST_F(WriterTest, LandscapeBillHasThirtyTwoLinesAPage) {
  BillOptions o;
  o.orientation = 'L';
  o.pages = 3;
  ASSERT_TRUE(writeReport(dir_.path(), billOfQuantities(o)).isOk());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "L_RPTB02_SAMPLE.dbf", "CDX"));
  t.First();
  EXPECT_EQ(Token(2, GetKey(t.MemoText("F_INIT"), "OPTIONSET"), "0"), "1");
  Survey s = survey(t);
  EXPECT_EQ(s.linesPerPage[1], kLandscapeLines);
  EXPECT_EQ(s.linesPerPage[2], kLandscapeLines);
  EXPECT_EQ(s.lastPage, 3);
}

TEST_F(WriterTest, TextsAreCutWithoutSplittingACharacter) {
  ReportSpec spec;
  spec.fileName = "P_CUT.dbf";
  spec.fields = {{"F_INIT", 'M', 10, 0}, {"F_PAGE", 'N', 5, 0}, {"F_DES", 'C', 5, 0}};
  spec.settings = {{"RPTCODE", "RPTB02"}};
  spec.lines = {{{"F_PAGE", "1"}, {"F_DES", "\xC7\xD1\xB1\xDB\xC7\xD1"}},  // 한글한: 6 bytes into 5
                {{"F_PAGE", "2"}, {"F_DES", "ab"}}};
  ASSERT_TRUE(writeReport(dir_.path(), spec).isOk());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_CUT.dbf", "CDX"));
  t.First();
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "\xC7\xD1\xB1\xDB ");
  t.Next();
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "ab   ");
}

TEST_F(WriterTest, RefusesUnknownFieldsAndOverflowingNumbers) {
  ReportSpec spec;
  spec.fileName = "P_BAD.dbf";
  spec.fields = {{"F_PAGE", 'N', 3, 0}};
  spec.lines = {{{"F_NONE", "1"}}};
  EXPECT_FALSE(writeReport(dir_.path(), spec).isOk());
  spec.lines = {{{"F_PAGE", "12345"}}};
  EXPECT_FALSE(writeReport(dir_.path(), spec).isOk());
  spec.lines = {{{"F_PAGE", "abc"}}};
  EXPECT_FALSE(writeReport(dir_.path(), spec).isOk());
  EXPECT_FALSE(writeReport(dir_.path(), ReportSpec{}).isOk());
}

TEST_F(WriterTest, SpecWithoutLinesStillHoldsItsSettings) {
  ReportSpec spec;
  spec.fileName = "P_EMPTY.dbf";
  spec.settings = {{"RPTCODE", "RPTB02"}};
  ASSERT_TRUE(writeReport(dir_.path(), spec).isOk());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_EMPTY.dbf", "CDX"));
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(GetKey(t.MemoText("F_INIT"), "RPTCODE"), "RPTB02");
}

TEST_F(WriterTest, RewritingReplacesTheOldTableAndRemovesItsIndex) {
  BillOptions o;
  o.pages = 2;
  ASSERT_TRUE(writeReport(dir_.path(), billOfQuantities(o)).isOk());
  std::ofstream(dir_.path() + "/P_RPTB02_SAMPLE.cdx") << "stale";
  o.pages = 1;
  ASSERT_TRUE(writeReport(dir_.path(), billOfQuantities(o)).isOk());
  EXPECT_FALSE(fs::exists(dir_.path() + "/P_RPTB02_SAMPLE.cdx"));
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_SAMPLE.dbf", "CDX"));
  EXPECT_EQ(t.RecordCount(), billLineCount(o));
}

TEST_F(WriterTest, SampleSet) {
  ASSERT_TRUE(writeSampleSet(dir_.path()).isOk());
  for (const char* name : {"P_RPTB02_SAMPLE.dbf", "L_RPTB02_SAMPLE.dbf", "P_RPTB01_SUMMARY.dbf", "P_RPTB02_MARGIN.dbf",
                           "P_RPTB02_BROKEN.dbf"}) {
    SCOPED_TRACE(name);
    ReportTable t;
    ASSERT_TRUE(t.OpenTable(dir_.path(), name, "CDX"));
    ASSERT_TRUE(t.FindField("F_INIT"));
    t.First();
    const std::string block = t.MemoText("F_INIT");
    const std::string n = name;
    if (n == "P_RPTB02_BROKEN.dbf") {
      EXPECT_EQ(block, "");
    } else if (n == "P_RPTB01_SUMMARY.dbf") {
      EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB01");
    } else {
      EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB02");
    }
    if (n == "P_RPTB02_MARGIN.dbf") {
      EXPECT_EQ(GetKey(block, "PAGESPACE"), "10|10|15|10|");
    }
  }
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_SAMPLE.dbf", "CDX"));
  t.GoBottom();
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 4);
}

TEST_F(WriterTest, GeneratedReportMatchesTheLineBuilder) {
  ReportSpec spec = largeReport(1000);
  ASSERT_TRUE(writeReport(dir_.path(), spec).isOk());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_LARGE.dbf", "CDX"));
  EXPECT_EQ(t.RecordCount(), 1000);
  t.GoBottom();
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 999 / kPortraitLines + 1);
  EXPECT_EQ(t.FieldAsInteger("F_SEQ"), 1000);
}

// ---- Read by an outside implementation of the format ----

bool haveDbfread() { return CommandOutput("/usr/bin/python3 -c 'import dbfread; print(1)' 2>/dev/null") == "1\n"; }

TEST_F(WriterTest, DbfreadReadsTheSampleSet) {
  if (!haveDbfread()) GTEST_SKIP() << "python3-dbfread not installed";
  ASSERT_TRUE(writeSampleSet(dir_.path()).isOk());
  const std::string script = dir_.path() + "/read.py";
  std::ofstream(script) << R"(import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='cp949', char_decode_errors='strict')
recs = list(t)
init = recs[0]['F_INIT'] or ''
print(len(recs))
print(init.split('\r\n')[0])
print(recs[-1]['F_PAGE'])
print(recs[0]['F_DES'])
print(sum(1 for r in recs if r['F_TYPE'] == 'J'))
print(len(init.encode('cp949')))
)";
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_SAMPLE.dbf", "CDX"));
  t.First();
  const std::string block = t.MemoText("F_INIT");
  long jLines = 0;
  for (t.First(); !t.Eof(); t.Next()) jLines += t.FieldAsPaddedText("F_TYPE") == "J";
  std::istringstream out(
      CommandOutput("PYTHONIOENCODING=utf-8 /usr/bin/python3 " + script + " " + dir_.path() + "/P_RPTB02_SAMPLE.dbf"));
  std::string records, first, lastPage, des, j, initLen;
  std::getline(out, records);
  std::getline(out, first);
  std::getline(out, lastPage);
  std::getline(out, des);
  std::getline(out, j);
  std::getline(out, initLen);
  BillOptions o;
  o.pages = 4;
  EXPECT_EQ(records, std::to_string(billLineCount(o)));
  EXPECT_EQ(first, "<RPTCODE>=♬RPTB02♬");
  EXPECT_EQ(lastPage, "4");
  EXPECT_EQ(des, "1. 토 공 사 (1동)");
  EXPECT_EQ(j, std::to_string(jLines));
  EXPECT_EQ(initLen, std::to_string(block.size()));
}

}  // namespace
}  // namespace zel::reportwriter
