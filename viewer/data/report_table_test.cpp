#include "engine_settings.h"
#include "report_table.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <optional>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "error_text.h"
#ifndef _WIN32
#  include "child_process.h"
#endif
#include "sde32.h"
#include "settings_block.h"
#include "temp_dir.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

struct Column {
  std::string name;
  std::string type;
  int width;
  int decimals;
};
using Row = std::map<std::string, std::string>;

const std::vector<Column> kReportColumns = {
    {"F_INIT", "M", 10, 0}, {"F_PAGE", "N", 5, 0},  {"F_TYPE", "C", 1, 0},
    {"F_DES", "C", 20, 0},  {"F_QQTY", "N", 12, 4}, {"F_AMT", "N", 14, 0},
};

// Writes a table straight through the engine, leaving the current area as it was.
void makeTable(const std::string& path, const std::vector<Column>& columns, const std::vector<Row>& rows,
               const std::vector<long>& deleted = {}) {
  const int previous = sx_WorkArea(nullptr);
  ASSERT_TRUE(sx_CreateNew(path.c_str(), "MKTABLE", SX_FOX, static_cast<int>(columns.size()))) << sx_LastError();
  for (const auto& c : columns) ASSERT_TRUE(sx_CreateField(c.name.c_str(), c.type.c_str(), c.width, c.decimals));
  ASSERT_NE(sx_CreateExec(), 0) << sx_LastError();
  for (const auto& row : rows) {
    ASSERT_GT(sx_AppendEx(), 0) << sx_LastError();
    for (const auto& [name, value] : row) {
      std::string type = sx_FieldType(name.c_str());
      if (type == "M") {
        ASSERT_TRUE(sx_PutBlob(name.c_str(), value.data(), static_cast<long>(value.size())));
      } else if (type == "N") {
        double d = std::atof(value.c_str());
        ASSERT_TRUE(sx_Replace(name.c_str(), SX_R_DOUBLE, &d));
      } else {
        ASSERT_TRUE(sx_Replace(name.c_str(), SX_R_STRING, value.c_str()));
      }
    }
    ASSERT_TRUE(sx_Commit());
  }
  for (long rec : deleted) {
    sx_Go(rec);
    ASSERT_TRUE(sx_Delete());
    ASSERT_TRUE(sx_Commit());
  }
  sx_Close();
  if (previous != 0) sx_Select(previous);
}

std::string settingsBlock(const std::string& rptCode) {
  std::string block;
  SetKey(block, "RPTCODE", rptCode);
  SetKey(block, "PAGESPACE", "10|10|15|10|");
  return block.substr(2);  // no line break before the first entry
}

// Three pages of two lines, page 2 missing its second line.
std::vector<Row> reportRows() {
  return {
      {{"F_INIT", settingsBlock("RPTB02")}, {"F_PAGE", "1"}, {"F_TYPE", "M"}, {"F_DES", "ab"}, {"F_QQTY", "12.5"}},
      {{"F_PAGE", "1"}, {"F_TYPE", "J"}, {"F_DES", "\xC7\xD1\xB1\xDB"}, {"F_AMT", "100"}},
      {{"F_PAGE", "2"}, {"F_TYPE", "M"}, {"F_DES", "cd"}, {"F_QQTY", "-3"}},
      {{"F_PAGE", "3"}, {"F_TYPE", "M"}, {"F_DES", "ef"}, {"F_AMT", "1234567"}},
      {{"F_PAGE", "3"}, {"F_TYPE", "M"}, {"F_DES", "gh"}},
  };
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sx_SetDeleted(0);
    sx_SetSoftSeek(0);
    makeTable(dir_.file("P_RPTB02_TEST.dbf"), kReportColumns, reportRows());
  }
  void TearDown() override {
    sx_SetDeleted(0);
    sx_SetSoftSeek(0);
  }

  TempDir dir_{"zeldata"};
};

// ---- EngineSettings ----

TEST(EngineSettingsTest, OnlyOneInstance) {
  {
    EngineSettings env;
    try {
      EngineSettings second;
      FAIL() << "second instance constructed";
    } catch (const DataError& e) {
      EXPECT_STREQ(e.what(), "Removing extra TApolloEnv component");
    }
    // The failed second one did not unregister the first.
    EXPECT_THROW(EngineSettings third, DataError);
  }
  EngineSettings again;
}

// A switch set outside the object (a soft seek turns soft seek on) reads back as the engine has it.
TEST(EngineSettingsTest, SwitchesReadBackFromTheEngine) {
  EngineSettings env;
  sx_SetSoftSeek(1);
  EXPECT_TRUE(env.SoftSeek());
  env.SetDeleted(true);
  EXPECT_TRUE(env.Deleted());
  {
    DeletedRecordsHidden hidden;
    EXPECT_TRUE(env.Deleted());
  }
  EXPECT_TRUE(env.Deleted());  // it was on before
  env.SetDeleted(false);
  {
    DeletedRecordsHidden hidden;
    EXPECT_TRUE(env.Deleted());
  }
  EXPECT_FALSE(env.Deleted());
  env.SetSoftSeek(false);
}

TEST(EngineSettingsTest, DefaultsAndEpochClamping) {
  EngineSettings env;
  EXPECT_FALSE(env.Exact());
  EXPECT_FALSE(env.Century());
  EXPECT_EQ(env.Epoch(), 1900);
  EXPECT_EQ(env.DateFormat(), dfWinDefault);
  EXPECT_EQ(env.LockTimeout(), 1);
  EXPECT_EQ(env.MemoBlockSize(), 64);
  EXPECT_FALSE(env.SoftSeek());
  EXPECT_FALSE(env.Deleted());
  env.SetEpoch(0);
  EXPECT_EQ(env.Epoch(), 1900);
  env.SetEpoch(99);
  EXPECT_EQ(env.Epoch(), 100);
  env.SetEpoch(100);
  EXPECT_EQ(env.Epoch(), 100);
  env.SetEpoch(3000);
  EXPECT_EQ(env.Epoch(), 2999);
  env.SetEpoch(-5);
  EXPECT_EQ(env.Epoch(), 100);
  env.SetEpoch(1950);
  EXPECT_EQ(env.Epoch(), 1950);
}

TEST(EngineSettingsTest, CenturyAndDateFormatRewriteShortDateFormat) {
  EngineSettings env;
  env.SetDateFormat(dfAmerican);
  EXPECT_EQ(env.ShortDateFormat(), "mm/dd/yy");
  EXPECT_EQ(env.DateSeparator(), '/');
  env.SetCentury(true);
  EXPECT_EQ(env.ShortDateFormat(), "mm/dd/yyyy");
  env.SetCentury(true);  // already four digits: unchanged
  EXPECT_EQ(env.ShortDateFormat(), "mm/dd/yyyy");
  env.SetDateFormat(dfGerman);  // the set century is applied again
  EXPECT_EQ(env.ShortDateFormat(), "dd.mm.yyyy");
  EXPECT_EQ(env.DateSeparator(), '.');
  env.SetCentury(false);
  EXPECT_EQ(env.ShortDateFormat(), "dd.mm.yy");
  env.SetDateFormat(dfAnsi);
  EXPECT_EQ(env.ShortDateFormat(), "yy.mm.dd");
  env.SetDateFormat(dfItalian);
  EXPECT_EQ(env.ShortDateFormat(), "dd-mm-yy");
  env.SetDateFormat(dfSpanish);
  EXPECT_EQ(env.DateSeparator(), '-');
  env.SetDateFormat(dfBritish);
  EXPECT_EQ(env.ShortDateFormat(), "dd/mm/yy");
  env.SetDateFormat(dfFrench);
  EXPECT_EQ(env.ShortDateFormat(), "dd/mm/yy");
}

// ---- OpenTable ----

TEST_F(TableTest, OpenTableAcceptsOnlyUpperCaseKinds) {
  for (const char* kind : {"cdx", "Cdx", "XYZ", "", "IDX", " CDX"}) {
    ReportTable t;
    EXPECT_FALSE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", kind)) << kind;
    EXPECT_FALSE(t.IsOpen);
    EXPECT_FALSE(t.Active());
  }
  ReportTable t;
  EXPECT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_TRUE(t.IsOpen);
  EXPECT_EQ(t.TableType, ttSXFOX);
  EXPECT_EQ(t.Directory, dir_.path());
  EXPECT_EQ(t.FileName, "P_RPTB02_TEST.dbf");
}

TEST_F(TableTest, OtherIndexKindsChooseTheirDrivers) {
  ReportTable ntx;
  ASSERT_TRUE(ntx.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "NTX"));
  EXPECT_EQ(ntx.TableType, ttSXNTX);
  EXPECT_EQ(ntx.FieldAsInteger("F_PAGE"), 1);
  ReportTable nsx;
  ASSERT_TRUE(nsx.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "NSX"));
  EXPECT_EQ(nsx.TableType, ttSXNSX);
  EXPECT_EQ(nsx.MemoText("F_INIT"), settingsBlock("RPTB02"));
}

TEST_F(TableTest, NtxIndexFileBuildAndSeek) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "NTX"));
  ASSERT_TRUE(t.BuildIndex("PAGES.ntx", "", "NTX", "", false, 0, "str(F_PAGE,5)"));
  EXPECT_TRUE(t.Active());
  EXPECT_GT(t.CurrentOrder(), 0);
  EXPECT_TRUE(t.SeekKey("    3"));
  EXPECT_EQ(t.RecNo(), 4);
}

TEST_F(TableTest, CdxIndexFileIsReopenedAndItsTagChosen) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  const std::string indexFile = dir_.file("EXTRA.cdx");
  ASSERT_TRUE(t.BuildIndex(indexFile, "PG", "CDX", "", true, 0, "str(F_PAGE,5)"));
  EXPECT_EQ(t.IndexName, "PG");
  EXPECT_EQ(t.CurrentOrder(), t.TagOrder("PG"));
  t.GoTop();  // descending: the last page first
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 3);
}

TEST_F(TableTest, MissingFileFailsAndFieldsActAsOnClosedTable) {
  ReportTable t;
  EXPECT_FALSE(t.OpenTable(dir_.path(), "P_RPTB02_NONE.dbf", "CDX"));
  EXPECT_FALSE(t.IsOpen);
  EXPECT_FALSE(t.FindField("F_INIT"));
  EXPECT_THROW(t.FieldValue("F_INIT"), DataError);
  EXPECT_THROW(t.First(), DataError);
  EXPECT_EQ(t.FieldNumber("F_INIT"), 0);
  EXPECT_EQ(t.FieldTypeName("F_INIT"), "");
  EXPECT_THROW(t.MemoText("F_INIT"), DataError);
  EXPECT_THROW(t.FieldAsFloat("F_PAGE"), DataError);
}

TEST_F(TableTest, FileNameMatchedWithoutRegardToCase) {
  ReportTable t;
  EXPECT_TRUE(t.OpenTable(dir_.path(), "p_rptb02_test.DBF", "CDX"));
  EXPECT_EQ(t.MemoText("F_INIT"), settingsBlock("RPTB02"));
}

TEST_F(TableTest, ReopenClosesFirst) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  const int area = t.WorkArea();
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_EQ(sx_WorkArea(t.Alias().c_str()), t.WorkArea());
  EXPECT_EQ(t.Alias(), "P_RPTB02");  // the first area was freed, its alias too
  (void)area;
}

TEST_F(TableTest, CloseAfterEngineClosedEverythingLeavesOtherTablesAlone) {
  makeTable(dir_.file("OTHER.dbf"), kReportColumns, reportRows());
  ReportTable a;
  ASSERT_TRUE(a.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  sx_CloseAll();
  ReportTable b;
  ASSERT_TRUE(b.OpenTable(dir_.path(), "OTHER.dbf", "CDX"));  // may reuse a's area number
  a.Close();
  EXPECT_TRUE(b.FindField("F_PAGE"));
  EXPECT_EQ(b.FieldAsInteger("F_PAGE"), 1);
}

TEST_F(TableTest, AssignWhileOpenFails) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_FALSE(t.AssignDirectory("/elsewhere"));
  EXPECT_FALSE(t.AssignFileName("other.dbf"));
  EXPECT_EQ(t.Directory, dir_.path());
}

// ---- Aliases ----

TEST_F(TableTest, TablesSharingEightCharactersGetNumberedAliases) {
  makeTable(dir_.file("P_RPTB02_OTHER.dbf"), kReportColumns, reportRows());
  makeTable(dir_.file("P_RPTB02_THIRD.dbf"), kReportColumns, reportRows());
  ReportTable a, b, c;
  ASSERT_TRUE(a.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  ASSERT_TRUE(b.OpenTable(dir_.path(), "P_RPTB02_OTHER.dbf", "CDX"));
  ASSERT_TRUE(c.OpenTable(dir_.path(), "P_RPTB02_THIRD.dbf", "CDX"));
  EXPECT_EQ(a.Alias(), "P_RPTB02");
  EXPECT_EQ(b.Alias(), "P_RPTB02_1");
  EXPECT_EQ(c.Alias(), "P_RPTB02_2");
  EXPECT_NE(a.WorkArea(), b.WorkArea());
  EXPECT_NE(b.WorkArea(), c.WorkArea());
  // The same file twice is two areas as well.
  ReportTable d;
  ASSERT_TRUE(d.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_EQ(d.Alias(), "P_RPTB02_3");
}

TEST_F(TableTest, AliasReplacesTildeDashAndBlank) {
  makeTable(dir_.file("a-b~c d.dbf"), kReportColumns, reportRows());
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "a-b~c d.dbf", "CDX"));
  EXPECT_EQ(t.Alias(), "a_b_c_d");
}

// ---- Work-area bracketing ----

TEST_F(TableTest, CallsRestoreThePreviousArea) {
  makeTable(dir_.file("OTHER.dbf"), kReportColumns, reportRows());
  ReportTable a, b;
  ASSERT_TRUE(a.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  ASSERT_TRUE(b.OpenTable(dir_.path(), "OTHER.dbf", "CDX"));
  sx_Select(a.WorkArea());
  EXPECT_EQ(b.FieldNumber("F_PAGE"), 2);
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
  b.GoBottom();
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
  EXPECT_EQ(b.FieldAsInteger("F_PAGE"), 3);
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
  b.GoTop();
  EXPECT_FALSE(b.MemoText("F_INIT").empty());
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
  EXPECT_EQ(b.RecordSize(), a.RecordSize());
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
  // The reads of a are still at a's own first record.
  EXPECT_EQ(a.FieldAsInteger("F_PAGE"), 1);
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
}

TEST_F(TableTest, CallsOnAClosedTableKeepTheCurrentArea) {
  ReportTable a, closed;
  ASSERT_TRUE(a.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  sx_Select(a.WorkArea());
  EXPECT_EQ(closed.FieldNumber("F_PAGE"), 0);
  EXPECT_EQ(closed.TagOrder("F_PAGE"), 0);
  EXPECT_EQ(sx_WorkArea(nullptr), a.WorkArea());
}

// ---- Reading ----

TEST_F(TableTest, FieldAccessByName) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  EXPECT_EQ(t.FieldNumber("F_PAGE"), 2);
  EXPECT_EQ(t.FieldNumber("f_page"), 2);
  EXPECT_EQ(t.FieldNumber("F_NONE"), 0);
  EXPECT_EQ(t.FieldTypeName("F_INIT"), "M");
  EXPECT_EQ(t.FieldTypeName("F_PAGE"), "N");
  EXPECT_EQ(t.FieldTypeName("F_DES"), "C");
  EXPECT_EQ(t.FieldTypeName("F_NONE"), "");
  EXPECT_DOUBLE_EQ(t.FieldAsFloat("F_QQTY"), 12.5);
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 1);
  EXPECT_DOUBLE_EQ(t.FieldAsFloat("F_AMT"), 0.0);  // blank number
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "ab" + std::string(18, ' '));
  EXPECT_EQ(t.FieldAsPaddedText("F_TYPE"), "M");
  EXPECT_EQ(t.FieldAsPaddedText("F_PAGE"), "1");
  EXPECT_EQ(t.FieldAsString("F_PAGE"), "1");
  EXPECT_FALSE(t.FieldValue("F_AMT").has_value());  // null for an empty value
  EXPECT_TRUE(t.FindField("F_INIT"));
  EXPECT_FALSE(t.FindField("F_TUNIT"));
  try {
    t.FieldValue("F_TUNIT");
    FAIL();
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("F_TUNIT"), std::string::npos);
  }
  EXPECT_THROW(t.FieldAsPaddedText("F_TUNIT"), DataError);
  t.Next();
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "\xC7\xD1\xB1\xDB" + std::string(16, ' '));
  EXPECT_EQ(t.MemoText("F_INIT"), "");  // only the first record holds the block
  t.Next();
  EXPECT_DOUBLE_EQ(t.FieldAsFloat("F_QQTY"), -3.0);
  EXPECT_EQ(t.FieldAsInteger("F_QQTY"), -3);
}

TEST_F(TableTest, StoredZeroIsAValueAndBlankIsNull) {
  makeTable(dir_.file("ZERO.dbf"), kReportColumns,
            {{{"F_PAGE", "0"}, {"F_QQTY", "12.5"}}, {{"F_DES", "   "}, {"F_QQTY", "-2.5"}}});
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "ZERO.dbf", "CDX"));
  EXPECT_EQ(t.FieldValue("F_PAGE"), std::optional<std::string>("0"));
  EXPECT_EQ(t.FieldAsInteger("F_QQTY"), 12);  // halves round to even
  t.Next();
  EXPECT_EQ(t.FieldAsInteger("F_QQTY"), -2);
  EXPECT_FALSE(t.FieldValue("F_PAGE").has_value());
  EXPECT_FALSE(t.FieldValue("F_DES").has_value());
  EXPECT_FALSE(t.FieldValue("F_INIT").has_value());
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), std::string(20, ' '));
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 0);
}

// Field reads take the record's bytes from one copy per record. Whatever the
// bytes, they give what the engine's own string reads give, which is what a
// record being edited is read through.
struct StoredBytesCase {
  const char* field;
  std::string bytes;  // at the start of the field, the rest left blank
  std::optional<std::string> value;
  double number;  // NaN: not a number
};

class StoredBytes : public ::testing::TestWithParam<StoredBytesCase> {};

TEST_P(StoredBytes, ReadAsTheEngineReadsThem) {
  const StoredBytesCase& c = GetParam();
  TempDir dir("zelbytes");
  const std::string path = dir.file("BYTES.dbf");
  makeTable(path, kReportColumns, {{{"F_DES", "x"}}, {{"F_DES", "next"}}});
  {
    // Damage the first record in place through the engine's raw record access.
    const int area = sx_Use(path.c_str(), "BYTES", SX_EXCLUSIVE, SX_FOX);
    ASSERT_NE(area, 0) << sx_LastError();
    std::string record(static_cast<std::size_t>(sx_RecSize()), ' ');
    sx_GetRecord(record.data());
    const auto offset = static_cast<std::size_t>(sx_FieldOffset(c.field));
    const auto width = static_cast<std::size_t>(sx_FieldWidth(c.field));
    record.replace(offset, width, std::string(width, ' '));
    record.replace(offset, std::min(width, c.bytes.size()), c.bytes.substr(0, width));
    ASSERT_TRUE(sx_PutRecord(record.data()));
    ASSERT_TRUE(sx_Commit());
    sx_Close();
  }
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir.path(), "BYTES.dbf", "CDX"));
  t.Next();
  EXPECT_EQ(t.FieldAsString("F_DES"), "next" + std::string(16, ' '));  // another record's copy first
  t.First();
  const std::optional<std::string> value = t.FieldValue(c.field);
  const std::string padded = t.FieldAsPaddedText(c.field);
  EXPECT_EQ(value, c.value);
  if (std::isnan(c.number)) {
    EXPECT_THROW(t.FieldAsFloat(c.field), DataError);
  } else {
    EXPECT_EQ(t.FieldAsFloat(c.field), c.number);
  }
  t.Edit();
  EXPECT_EQ(t.FieldValue(c.field), value);
  EXPECT_EQ(t.FieldAsPaddedText(c.field), padded);
  t.Cancel();
}

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    TextAndNumbers, StoredBytes,
    ::testing::Values(StoredBytesCase{"F_DES", std::string("ab\0cd", 5), "ab", kNotANumber},
                      StoredBytesCase{"F_DES", std::string("\0xy", 3), std::nullopt, 0},
                      StoredBytesCase{"F_DES", "", std::nullopt, 0},
                      StoredBytesCase{"F_DES", "  7.5", "  7.5" + std::string(15, ' '), 7.5},
                      StoredBytesCase{"F_AMT", "      1234.5", "1234.5", 1234.5},
                      StoredBytesCase{"F_AMT", std::string("  12\0 34", 8), "12", 12},
                      StoredBytesCase{"F_AMT", std::string("\0     5", 7), std::nullopt, 0},
                      StoredBytesCase{"F_AMT", "           +5", "+5", 5},
                      StoredBytesCase{"F_AMT", "  0x1A", "0x1A", 26}, StoredBytesCase{"F_AMT", "   -0", "-0", -0.0},
                      StoredBytesCase{"F_AMT", "  1e400", "1e400", std::numeric_limits<double>::infinity()},
                      StoredBytesCase{"F_AMT", "   1.2.3", "1.2.3", kNotANumber},
                      StoredBytesCase{"F_AMT", "  12 34", "12 34", kNotANumber}));

TEST_F(TableTest, FieldsAreFoundAgainInATableOpenedAfterAnother) {
  // F_DES sits elsewhere, and is wider, in the second table.
  makeTable(dir_.file("OTHER.dbf"), {{"F_NOTE", "C", 7, 0}, {"F_DES", "C", 30, 0}, {"F_PAGE", "N", 5, 0}},
            {{{"F_DES", "other"}, {"F_PAGE", "9"}}});
  ReportTable t;
  t.DatabaseName = dir_.path();
  t.TableName = "P_RPTB02_TEST.dbf";
  t.Open();
  EXPECT_EQ(t.FieldAsString("F_DES"), "ab" + std::string(18, ' '));
  t.Close();
  t.TableName = "OTHER.dbf";
  t.Open();
  EXPECT_EQ(t.FieldAsString("F_DES"), "other" + std::string(25, ' '));
  EXPECT_EQ(t.FieldAsString("F_PAGE"), "9");
  EXPECT_THROW(t.FieldValue("F_TYPE"), DataError);
  t.Close();
  EXPECT_THROW(t.FieldValue("F_DES"), DataError);
}

TEST_F(TableTest, ARecordChangedThroughAnotherTableReadsAfreshAfterAMove) {
  ReportTable reader, writer;
  ASSERT_TRUE(reader.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  ASSERT_TRUE(writer.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_EQ(reader.FieldAsString("F_DES"), "ab" + std::string(18, ' '));
  writer.Edit();
  writer.SetFieldText("F_DES", "changed");
  writer.Post();
  reader.First();
  EXPECT_EQ(reader.FieldAsString("F_DES"), "changed" + std::string(13, ' '));
}

TEST_F(TableTest, FilterIsAppliedEachTimeTheTableOpens) {
  ReportTable t;
  t.Filter = "F_PAGE = 3";
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.GoTop();
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_EQ(t.MoveRecords(5), 1);
  ASSERT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, "str(F_PAGE,5)"));
  t.GoTop();
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 3);
  EXPECT_FALSE(t.SeekKey("    1"));
}

TEST_F(TableTest, CharacterFieldAsNumberRaisesConversionError) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_THROW(t.FieldAsFloat("F_DES"), DataError);
  EXPECT_THROW(t.FieldAsInteger("F_DES"), DataError);
}

TEST_F(TableTest, MemoTextReadsTheDatasetRecordAndRestoresTheEngine) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  const int previous = t.SelectArea();
  sx_Go(4);  // the engine wanders off, the dataset stays on record 1
  EXPECT_EQ(t.MemoText("F_INIT", 0), settingsBlock("RPTB02"));
  EXPECT_EQ(sx_RecNo(), 4);
  if (previous != 0) sx_Select(previous);
  EXPECT_EQ(GetKey(t.MemoText("F_INIT"), "PAGESPACE"), "10|10|15|10|");
  EXPECT_EQ(t.RecNo(), 1);
}

TEST_F(TableTest, NavigationAndMoveRecords) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_EQ(t.RecordCount(), 5);
  t.GoTop();
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_EQ(t.MoveRecords(1), 1);
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(t.MoveRecords(2), 2);
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_EQ(t.MoveRecords(5), 1);  // stops at end of file
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.MoveRecords(1), 0);
  t.GoBottom();
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.MoveRecords(-2), -2);
  EXPECT_EQ(t.RecNo(), 3);
  t.Last();
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.FieldValue("F_DES").has_value());
}

TEST_F(TableTest, DeletedRecordsSkippedWhenSwitchedOn) {
  makeTable(dir_.file("DEL.dbf"), kReportColumns, reportRows(), {1, 3});
  EngineSettings env;
  env.SetDeleted(true);
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "DEL.dbf", "CDX"));
  t.GoTop();
  EXPECT_EQ(t.RecNo(), 2);
  std::vector<long> seen;
  for (t.First(); !t.Eof(); t.Next()) seen.push_back(t.RecNo());
  EXPECT_EQ(seen, (std::vector<long>{2, 4, 5}));
  t.GoTop();
  EXPECT_EQ(t.MoveRecords(1), 1);
  EXPECT_EQ(t.RecNo(), 4);
  env.SetDeleted(false);
  t.GoTop();
  EXPECT_EQ(t.RecNo(), 1);
}

// ---- Writing ----

TEST_F(TableTest, EditPostReplacesMemoAndFields) {
  {
    ReportTable t;
    ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
    t.First();
    std::string block = t.MemoText("F_INIT");
    SetKey(block, "PAGESPACE", "1|2|3|4|");
    t.Edit();
    t.SetFieldText("F_INIT", block);
    t.SetFieldText("F_DES", "new");
    t.SetFieldText("F_QQTY", "7.25");
    EXPECT_EQ(t.FieldAsString("F_DES"), "new");  // pending values read back
    t.Post();
    EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "new" + std::string(17, ' '));
  }
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  const std::string block = t.MemoText("F_INIT");
  EXPECT_EQ(GetKey(block, "PAGESPACE"), "1|2|3|4|");
  EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB02");
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "new" + std::string(17, ' '));
  EXPECT_DOUBLE_EQ(t.FieldAsFloat("F_QQTY"), 7.25);
}

// A memo text that cannot be written, after a text field was already
// assigned in the engine: the post fails and the record keeps every field.
TEST_F(TableTest, FailedWriteOfALaterFieldLeavesTheRecordAsItWas) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  const auto bytesOf = [](const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = bytesOf(path);
  int failures = 0;
  for (long nth = 1; nth < 20; ++nth) {
    SCOPED_TRACE("write " + std::to_string(nth));
    ReportTable t;
    ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
    t.Edit();
    t.SetFieldText("F_DES", "new");
    t.SetFieldText("F_INIT", std::string(3000, 'x'));
    sx_FailNthFileOperation(SX_FAULT_WRITE, nth);
    bool failed = false;
    try {
      t.Post();
    } catch (const DataError&) {
      failed = true;
    }
    sx_FailNthFileOperation(SX_FAULT_WRITE, 0);
    if (!failed) break;
    ++failures;
    EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "ab" + std::string(18, ' '));
    t.Close();
    EXPECT_EQ(bytesOf(path), before);
  }
  EXPECT_GT(failures, 0);
}

TEST_F(TableTest, AssignWithoutEditAndBadNumberAreRefused) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  EXPECT_THROW(t.SetFieldText("F_DES", "x"), DataError);
  t.Edit();
  EXPECT_THROW(t.SetFieldText("F_NONE", "x"), DataError);
  t.SetFieldText("F_DES", "changed");
  t.SetFieldText("F_QQTY", "abc");
  EXPECT_THROW(t.Post(), DataError);
  ReportTable check;
  ASSERT_TRUE(check.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_EQ(check.FieldAsPaddedText("F_DES"), "ab" + std::string(18, ' '));
}

TEST_F(TableTest, CancelDropsAssignedValues) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  t.Edit();
  t.SetFieldText("F_DES", "changed");
  t.Cancel();
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "ab" + std::string(18, ' '));
}

#ifndef _WIN32
// fork() has no Windows counterpart; there sde_lock_process_test runs the
// engine's locks across two processes.
TEST_F(TableTest, EditFailsCleanlyWhileAnotherProcessLocksTheRecord) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  ChildProcess child([&] {
    sx_CloseAll();
    return sx_Use(path.c_str(), "CHILD", SX_SHARED, SX_FOX) != 0 && sx_Rlock(1) != 0;
  });
  ASSERT_TRUE(child.ready());
  EngineSettings env;
  env.SetLockTimeout(0);
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  try {
    t.Edit();
    FAIL() << "locked record edited";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("P_RPTB02_TEST.dbf: record 1 is in use by another user"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(t.MemoText("F_INIT"), settingsBlock("RPTB02"));
  child.finish();
  t.Edit();  // free again
  t.SetFieldText("F_DES", "after");
  t.Post();
  EXPECT_EQ(t.FieldAsString("F_DES").substr(0, 5), "after");
}

#endif  // _WIN32

// ---- Indexes and seeking ----

const std::string kPageKey = "str(F_PAGE,5)";

TEST_F(TableTest, BuildIndexAddsPageTagAndKeepsTableOpen) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  ASSERT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
  EXPECT_TRUE(t.Active());
  EXPECT_FALSE(t.Exclusive);
  EXPECT_EQ(t.CurrentOrder(), t.TagOrder("F_PAGE"));
  EXPECT_EQ(t.IndexName, "F_PAGE");
  const int order = t.TagOrder("F_PAGE");
  ASSERT_GT(order, 0);
  EXPECT_EQ(t.TagNameOf(order), "F_PAGE");
  t.SetOrder(0);
  EXPECT_EQ(t.CurrentOrder(), 0);
  EXPECT_EQ(t.IndexName, "");
  t.SetOrder(order);
  EXPECT_EQ(t.IndexName, "F_PAGE");

  EXPECT_TRUE(t.SeekKey("    3"));
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_TRUE(t.SeekKey("    1"));
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_FALSE(t.SeekKey("    9"));
  EXPECT_TRUE(t.Eof());
}

TEST_F(TableTest, BuildIndexOnClosedTableLeavesItClosed) {
  ReportTable t;
  t.AssignDirectory(dir_.path());
  t.AssignFileName("P_RPTB02_TEST.dbf");
  t.TableType = ttSXFOX;
  EXPECT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
  EXPECT_FALSE(t.Active());
}

TEST_F(TableTest, BuildIndexWithBadExpressionFails) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_FALSE(t.BuildIndex("", "BAD", "CDX", "", false, 0, "str(F_NOSUCH,5"));
  EXPECT_FALSE(t.Exclusive);
  ASSERT_TRUE(t.IndexError());
  EXPECT_EQ(t.IndexError()->kind(), ErrorKind::kIndex);
}

// The settings field of another type: the user is told the field is of the
// wrong type, not that the memo file is damaged.
TEST_F(TableTest, ASettingsFieldThatIsNoMemoIsToldAsTheWrongType) {
  makeTable(dir_.file("P_RPTB02_TEXT.dbf"), {{"F_INIT", "C", 20, 0}, {"F_PAGE", "N", 5, 0}},
            {{{"F_INIT", "RPTCODE"}, {"F_PAGE", "1"}}});
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEXT.dbf", "CDX"));
  t.First();
  try {
    t.MemoText("F_INIT");
    FAIL() << "read a text field as a memo";
  } catch (const DataError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kFieldType);
    EXPECT_EQ(errorMessageText(e), "보고서 파일의 항목 형식이 올바르지 않습니다.\rfield F_INIT is not a memo field");
  }
}

// Why an open failed is the engine's kind, not guessed by opening the file again.
TEST_F(TableTest, AFailedOpenKeepsItsKind) {
  ReportTable t;
  EXPECT_FALSE(t.OpenTable(dir_.path(), "P_RPTB02_NONE.dbf", "CDX"));
  ASSERT_TRUE(t.OpenError());
  EXPECT_EQ(t.OpenError()->kind(), ErrorKind::kFileMissing);
  std::ofstream(dir_.file("NOTATABLE.dbf")) << "not a table";
  EXPECT_FALSE(t.OpenTable(dir_.path(), "NOTATABLE.dbf", "CDX"));
  ASSERT_TRUE(t.OpenError());
  EXPECT_EQ(t.OpenError()->kind(), ErrorKind::kCannotOpen) << t.OpenError()->what();
  EXPECT_EQ(t.NotAReportReason().kind(), ErrorKind::kCannotOpen);
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  EXPECT_FALSE(t.OpenError());
}

TEST_F(TableTest, SeekOfAbsentKeyLeavesEndOfFileEvenWithSoftSeek) {
  EngineSettings env;
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  ASSERT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
  // Page 2 exists, so a soft seek for an absent key between pages would
  // otherwise stop on a later page.
  EXPECT_FALSE(t.SoftSeekKey("    0"));
  EXPECT_TRUE(env.SoftSeek());  // stays on
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.SoftSeekKey("    4"));
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.SoftSeekKey("    2"));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 2);
  // Page order after the seek: the next record is on page 3.
  EXPECT_EQ(t.MoveRecords(1), 1);
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 3);
}

#ifndef _WIN32
TEST_F(TableTest, BuildIndexWhileAnotherProcessHoldsTheTable) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  t.Next();
  {
    ChildProcess child([&] {
      sx_CloseAll();
      return sx_Use(path.c_str(), "CHILD", SX_SHARED, SX_FOX) != 0;
    });
    ASSERT_TRUE(child.ready());
    EXPECT_FALSE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
    // The refusal is the caller's to show: the table layer has no message service.
    ASSERT_TRUE(t.IndexError());
    EXPECT_EQ(t.IndexError()->kind(), ErrorKind::kExclusiveUse);
    EXPECT_NE(std::string(t.IndexError()->what()).find("in use by another user"), std::string::npos)
        << t.IndexError()->what();
    EXPECT_TRUE(t.Active());
    EXPECT_TRUE(t.IsOpen);
    EXPECT_FALSE(t.Exclusive);
    t.First();
    EXPECT_EQ(t.MemoText("F_INIT"), settingsBlock("RPTB02"));
  }
  // Once the other process has gone, the build succeeds.
  EXPECT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
  EXPECT_FALSE(t.IndexError());
}

// The pause seam of the order builds counts the asks of one build. It used to
// count every ask of the process, so a second build paused at its first ask:
// a test signalling "the build" would have caught the wrong one.
TEST_F(TableTest, OrderBuildPauseSeamCountsTheAsksOfOneBuild) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  // How often one build asks (through the engine directly, so no build stop
  // of this process has counted anything yet).
  int asks = 0;
  sx_CloseAll();
  ASSERT_NE(sx_Use(path.c_str(), "MEASURE", SX_SHARED, SX_FOX), 0);
  sx_SetStopProc([](void* data) { return ++*static_cast<int*>(data), 0; }, &asks);
  ASSERT_NE(sx_IndexTemp("MEASURED", "str(F_PAGE,5)", 0, 0, nullptr), 0) << sx_LastError();
  sx_SetStopProc(nullptr, nullptr);
  sx_CloseAll();
  ASSERT_GT(asks, 0);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // One ask more than a build makes: neither of two builds may pause.
    ::setenv("ZEL_STOP_IN_ORDER_BUILD", std::to_string(asks + 1).c_str(), 1);
    const std::function<bool()> goOn = [] { return false; };
    bool built = sx_Use(path.c_str(), "CHILD", SX_SHARED, SX_FOX) != 0;
    for (const char* tag : {"FIRST", "SECOND"}) {
      const OrderBuildStop stop(goOn);
      built = built && sx_IndexTemp(tag, "str(F_PAGE,5)", 0, 0, nullptr) != 0;
    }
    ::_exit(built ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
  if (WIFSTOPPED(status)) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the second build paused: the asks of the first were counted for it";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A record another process has locked: the edit fails as "in use", in the
// words the user is shown for that, not a generic line.
TEST_F(TableTest, ARecordLockedElsewhereIsToldAsInUse) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  ChildProcess child([&] {
    sx_CloseAll();
    return sx_Use(path.c_str(), "CHILD", SX_SHARED, SX_FOX) != 0 && sx_Rlock(1) != 0;
  });
  ASSERT_TRUE(child.ready());
  sx_SetLockTimeout(0);
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_.path(), "P_RPTB02_TEST.dbf", "CDX"));
  t.First();
  try {
    t.Edit();
    FAIL() << "edited a record another process holds";
  } catch (const DataError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInUse);
    const std::string shown = errorMessageText(e);
    EXPECT_EQ(shown.substr(0, shown.find('\r')), "다른 프로그램이 보고서 파일을 사용 중입니다.") << shown;
    EXPECT_NE(shown.find("record 1 is in use by another user"), std::string::npos) << shown;
  }
  sx_SetLockTimeout(1);
}

TEST_F(TableTest, ClosedTableBuildIndexFailureStaysClosed) {
  const std::string path = dir_.file("P_RPTB02_TEST.dbf");
  ChildProcess child([&] {
    sx_CloseAll();
    return sx_Use(path.c_str(), "CHILD", SX_SHARED, SX_FOX) != 0;
  });
  ASSERT_TRUE(child.ready());
  ReportTable t;
  t.AssignDirectory(dir_.path());
  t.AssignFileName("P_RPTB02_TEST.dbf");
  t.TableType = ttSXFOX;
  EXPECT_FALSE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, kPageKey));
  ASSERT_TRUE(t.IndexError());
  EXPECT_EQ(t.IndexError()->kind(), ErrorKind::kExclusiveUse);
  EXPECT_FALSE(t.Active());
}

#endif  // _WIN32

}  // namespace
}  // namespace zel
