// Work areas: numbering, selection, aliases.
#include "test_support.h"

namespace sdetest {
namespace {

class WorkAreaTest : public EngineTest {
 protected:
  std::string makeTable(const std::string& name) {
    std::string path = dir_.file(name + ".dbf");
    EXPECT_GT(createReport(path, SX_FOX, ("MAKE_" + name).c_str()), 0);
    appendLine(1, name);
    sx_Commit();
    sx_Close();
    return path;
  }
  TempDir dir_;
};

TEST_F(WorkAreaTest, EightTablesOpenInTheirOwnAreas) {
  std::vector<std::string> paths;
  for (int i = 1; i <= 8; ++i) paths.push_back(makeTable("t" + std::to_string(i)));
  for (int i = 1; i <= 8; ++i) {
    int area = sx_Use(paths[size_t(i - 1)].c_str(), ("T" + std::to_string(i)).c_str(), SX_SHARED, SX_FOX);
    EXPECT_EQ(area, i) << sx_LastError();
    EXPECT_EQ(sx_WorkArea(nullptr), i);
  }
  EXPECT_EQ(sx_SysProp(SX_SP_WORKAREAS), 8);
  for (int i = 8; i >= 1; --i) {
    sx_Select(i);
    sx_GoTop();
    EXPECT_STREQ(sx_GetTrimString("F_DES"), ("t" + std::to_string(i)).c_str());
    EXPECT_STREQ(sx_Alias(0), ("T" + std::to_string(i)).c_str());
  }
  EXPECT_EQ(sx_WorkArea("t5"), 5);
  EXPECT_EQ(sx_WorkArea("T9"), 0);
  EXPECT_STREQ(sx_Alias(3), "T3");
  // Closing one frees its number for the next open.
  sx_Select(3);
  sx_Close();
  EXPECT_EQ(sx_WorkArea("T3"), 0);
  EXPECT_EQ(sx_Use(paths[0].c_str(), "AGAIN", SX_SHARED, SX_FOX), 3);
}

TEST_F(WorkAreaTest, SelectReturnsThePreviousArea) {
  std::string a = makeTable("a");
  std::string b = makeTable("b");
  ASSERT_EQ(sx_Use(a.c_str(), "A", SX_SHARED, SX_FOX), 1);
  ASSERT_EQ(sx_Use(b.c_str(), "B", SX_SHARED, SX_FOX), 2);
  EXPECT_EQ(sx_Select(1), 2);
  EXPECT_EQ(sx_Select(2), 1);
  EXPECT_EQ(sx_Select(7), 2);  // an empty area may be selected
  EXPECT_EQ(sx_RecCount(), 0);
  EXPECT_NE(std::string(sx_LastError()).find("no table"), std::string::npos);
}

TEST_F(WorkAreaTest, DuplicateAliasIsRefused) {
  std::string a = makeTable("dup");
  ASSERT_GT(sx_Use(a.c_str(), "REPORT", SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_Use(a.c_str(), "report", SX_SHARED, SX_FOX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("already in use"), std::string::npos);
  EXPECT_GT(sx_Use(a.c_str(), "REPORT_1", SX_SHARED, SX_FOX), 0);
}

TEST_F(WorkAreaTest, MissingTableAndBadArgumentsFailCleanly) {
  EXPECT_EQ(sx_Use(dir_.file("nothere.dbf").c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("nothere"), std::string::npos);
  EXPECT_EQ(sx_Use(nullptr, nullptr, SX_SHARED, SX_FOX), 0);
  std::string a = makeTable("args");
  EXPECT_EQ(sx_Use(a.c_str(), nullptr, 7, SX_FOX), 0);
  EXPECT_EQ(sx_Use(a.c_str(), nullptr, SX_SHARED, 9), 0);
  EXPECT_NE(std::string(sx_LastError()).find("driver"), std::string::npos);
  EXPECT_EQ(sx_Use(dir_.path().c_str(), nullptr, SX_SHARED, SX_FOX), 0);  // a directory
}

TEST_F(WorkAreaTest, TableNameFoundWithoutRegardToCase) {
  std::string a = makeTable("Mixed");
  EXPECT_GT(sx_Use(dir_.file("MIXED.DBF").c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_STREQ(sx_Alias(0), "MIXED");
}

TEST_F(WorkAreaTest, ChangesMadeThroughAnotherOpenShowAfterAMove) {
  std::string path = makeTable("seen");
  int reader = sx_Use(path.c_str(), "READER", SX_SHARED, SX_FOX);
  ASSERT_GT(reader, 0);
  sx_GoTop();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "seen");
  int writer = sx_Use(path.c_str(), "WRITER", SX_SHARED, SX_FOX);
  ASSERT_GT(writer, 0);
  sx_GoTop();
  ASSERT_TRUE(sx_Rlock(1));
  sx_Replace("F_DES", SX_R_STRING, "changed");
  sx_Replace("F_INIT", SX_R_MEMO, "new settings");
  ASSERT_TRUE(sx_Commit());
  sx_Unlock(0);
  sx_Select(reader);
  sx_GoTop();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "changed");
  EXPECT_EQ(memo("F_INIT"), "new settings");
}

TEST_F(WorkAreaTest, CallsWithoutAnOpenTableFailWithoutCrashing) {
  sx_Select(1);
  sx_GoTop();
  sx_Skip(1);
  EXPECT_TRUE(sx_Eof());
  EXPECT_STREQ(sx_GetString("F_DES"), "");
  EXPECT_EQ(sx_GetMemo("F_INIT", 0), nullptr);
  EXPECT_FALSE(sx_Replace("F_DES", SX_R_STRING, "x"));
  EXPECT_FALSE(sx_Commit());
  EXPECT_EQ(sx_Seek("1"), 0);
  EXPECT_EQ(sx_FieldNum("F_DES"), 0);
  EXPECT_STREQ(sx_Version(), "SDE32 1.0");
  EXPECT_EQ(sx_SetStringType(1), 1);
}

}  // namespace
}  // namespace sdetest
