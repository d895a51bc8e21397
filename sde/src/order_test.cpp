// Navigation, deleted-record skipping, orders, seeks and their persistence.
#include "test_support.h"

namespace sdetest {
namespace {

class OrderTest : public EngineTest {
 protected:
  // Pages 3,1,2,2,1 with texts naming their record.
  void makeUnsorted(const std::string& name = "ord.dbf") {
    path_ = dir_.file(name);
    ASSERT_GT(createReport(path_), 0);
    long pages[] = {3, 1, 2, 2, 1};
    for (int i = 0; i < 5; ++i) appendLine(pages[i], "rec" + std::to_string(i + 1));
    sx_Commit();
  }
  std::vector<long> walk() {
    std::vector<long> recs;
    for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) recs.push_back(sx_RecNo());
    return recs;
  }
  std::vector<long> walkBack() {
    std::vector<long> recs;
    for (sx_GoBottom(); !sx_Bof() && !sx_Eof(); sx_Skip(-1)) recs.push_back(sx_RecNo());
    return recs;
  }
  TempDir dir_;
  std::string path_;
};

TEST_F(OrderTest, StrOrderIsStableForEqualKeys) {
  makeUnsorted();
  int order = sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr);
  ASSERT_EQ(order, 1) << sx_LastError();
  EXPECT_EQ(walk(), (std::vector<long>{2, 5, 3, 4, 1}));
  EXPECT_EQ(walkBack(), (std::vector<long>{1, 4, 3, 5, 2}));
  EXPECT_EQ(sx_IndexOrd(), 1);
  EXPECT_STREQ(sx_TagName(1), "F_PAGE");
  EXPECT_STREQ(sx_IndexKey(), "str(F_PAGE,5)");
  EXPECT_STREQ(sx_IndexKeyField(), "F_PAGE");
  EXPECT_EQ(sx_IndexType(), SX_FOX);
  sx_GoTop();
  EXPECT_STREQ(sx_KeyData(), "    1");
  sx_Go(3);
  EXPECT_EQ(sx_OrderRecNo(), 3);
  EXPECT_EQ(sx_SetOrder(0), 1);
  EXPECT_EQ(walk(), (std::vector<long>{1, 2, 3, 4, 5}));
  EXPECT_EQ(sx_SetOrder(7), -1);
}

// An order for read-only media: the same walk, and no index file anywhere.
TEST_F(OrderTest, MemoryOrderWritesNoIndexFile) {
  makeUnsorted();
  ASSERT_EQ(sx_IndexTemp("F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 1) << sx_LastError();
  EXPECT_EQ(walk(), (std::vector<long>{2, 5, 3, 4, 1}));
  EXPECT_STREQ(sx_TagName(1), "F_PAGE");
  EXPECT_EQ(sx_IndexTemp("", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  EXPECT_EQ(sx_IndexTemp("BAD", "nosuchfn(F_PAGE)", 0, 0, nullptr), 0);
  sx_Close();
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_NE(entry.path().extension(), ".cdx") << entry.path();
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_TagArea("F_PAGE"), 0);  // gone with the table
}

// Enough records out of page order that the build reads several chunks and
// sorts in several pieces.
class LargeOrderTest : public OrderTest {
 protected:
  static constexpr long kRecords = 150000;
  static long pageOf(long recno) { return (recno * 7919) % 1000 + 1; }
  void SetUp() override {
    OrderTest::SetUp();
    path_ = dir_.file("large.dbf");
    ASSERT_GT(createReport(path_), 0);
    for (long r = 1; r <= kRecords; ++r) {
      ASSERT_GT(sx_AppendEx(), 0) << sx_LastError();
      const long page = pageOf(r);
      ASSERT_TRUE(sx_Replace("F_PAGE", SX_R_INTEGER, &page));
    }
    ASSERT_TRUE(sx_Commit()) << sx_LastError();
  }
  void TearDown() override {
    sx_SetStopProc(nullptr, nullptr);
    OrderTest::TearDown();
  }
  struct Asks {
    long count = 0;
    long stopAt = 0;  // 0: never
  };
  static int ask(void* data) {
    auto* asks = static_cast<Asks*>(data);
    return ++asks->count == asks->stopAt ? 1 : 0;
  }
};

TEST_F(LargeOrderTest, SortedInPiecesStillStable) {
  ASSERT_EQ(sx_IndexTemp("F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 1) << sx_LastError();
  std::vector<long> expected(kRecords);
  for (long r = 1; r <= kRecords; ++r) expected[size_t(r - 1)] = r;
  std::stable_sort(expected.begin(), expected.end(), [](long a, long b) { return pageOf(a) < pageOf(b); });
  EXPECT_EQ(walk(), expected);
}

// The build used to run to its end whatever the program wanted: a stop at
// any of its looks (reading the records or sorting them) ends it with an
// error and no order, and the next build without one succeeds.
TEST_F(LargeOrderTest, StopAtEveryLookEndsTheBuild) {
  Asks unstopped;
  sx_SetStopProc(ask, &unstopped);
  ASSERT_EQ(sx_IndexTemp("ALL", "str(F_PAGE,5)", 0, 0, nullptr), 1) << sx_LastError();
  ASSERT_GT(unstopped.count, 15);  // 12 MB of records and three pieces to sort and merge
  sx_SetOrder(0);
  for (long at = 1; at <= unstopped.count; ++at) {
    Asks asks{0, at};
    sx_SetStopProc(ask, &asks);
    EXPECT_EQ(sx_IndexTemp("F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0) << "stopped at " << at;
    EXPECT_NE(std::string(sx_LastError()).find("interrupted"), std::string::npos) << sx_LastError();
    EXPECT_EQ(asks.count, at) << "asked again after the stop";
    EXPECT_EQ(sx_TagArea("F_PAGE"), 0);
  }
  sx_SetStopProc(nullptr, nullptr);
  EXPECT_EQ(sx_IndexTemp("F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 2) << sx_LastError();
}

TEST_F(OrderTest, DescendingOrderKeepsRecordOrderWithinEqualKeys) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "DOWN", "str(F_PAGE,5)", 0, 1, nullptr), 0) << sx_LastError();
  EXPECT_EQ(walk(), (std::vector<long>{1, 3, 4, 2, 5}));
}

TEST_F(OrderTest, ConditionLeavesRecordsOut) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "BIG", "str(F_PAGE,5)", 0, 0, "F_PAGE >= 2"), 0) << sx_LastError();
  EXPECT_EQ(walk(), (std::vector<long>{3, 4, 1}));
  EXPECT_STREQ(sx_IndexCondition(), "F_PAGE >= 2");
  EXPECT_EQ(sx_Count(), 3);
}

TEST_F(OrderTest, DeletedRecordsAreSkippedByEveryMove) {
  makeUnsorted();
  sx_Go(2);
  sx_Delete();
  sx_Go(1);
  sx_Delete();
  sx_SetDeleted(1);
  EXPECT_EQ(walk(), (std::vector<long>{3, 4, 5}));
  EXPECT_EQ(walkBack(), (std::vector<long>{5, 4, 3}));
  sx_GoTop();
  EXPECT_EQ(sx_RecNo(), 3);
  sx_Skip(-1);
  EXPECT_TRUE(sx_Bof());
  EXPECT_EQ(sx_RecNo(), 3);
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  EXPECT_EQ(walk(), (std::vector<long>{5, 3, 4}));
  // Seek of page 1: record 2 is deleted, record 5 is the first visible one.
  EXPECT_TRUE(sx_Seek("    1"));
  EXPECT_EQ(sx_RecNo(), 5);
  // Page 3 only lives in a deleted record.
  EXPECT_FALSE(sx_Seek("    3"));
  EXPECT_TRUE(sx_Eof());
  EXPECT_EQ(sx_Count(), 3);
  sx_SetDeleted(0);
  EXPECT_EQ(sx_Count(), 5);
  EXPECT_EQ(walk(), (std::vector<long>{2, 5, 3, 4, 1}));
}

TEST_F(OrderTest, SeekExactAndPartialKeys) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "DES", "upper(F_DES)", 0, 0, nullptr), 0) << sx_LastError();
  // Exact off: a shorter key matches on its length.
  EXPECT_TRUE(sx_Seek("REC3"));
  EXPECT_EQ(sx_RecNo(), 3);
  EXPECT_TRUE(sx_Seek("REC"));
  EXPECT_EQ(sx_RecNo(), 1);
  sx_SetExact(1);
  EXPECT_FALSE(sx_Seek("REC"));
  EXPECT_TRUE(sx_Eof());
  EXPECT_TRUE(sx_Seek("REC4"));  // trailing blanks do not count
  EXPECT_EQ(sx_RecNo(), 4);
  EXPECT_FALSE(sx_Seek("rec4"));  // keys are bytes: case counts
}

TEST_F(OrderTest, SoftSeekStopsAtNextGreaterKeyOrEof) {
  makeUnsorted();
  sx_Go(3);
  sx_Delete();  // one of the two page-2 records
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  EXPECT_FALSE(sx_Seek("    0"));
  EXPECT_TRUE(sx_Eof());
  sx_SetSoftSeek(1);
  EXPECT_FALSE(sx_Seek("    0"));
  EXPECT_FALSE(sx_Eof());
  EXPECT_EQ(sx_RecNo(), 2);
  EXPECT_TRUE(sx_Seek("    2"));
  EXPECT_EQ(sx_RecNo(), 3);  // Deleted off: the deleted record counts
  sx_SetDeleted(1);
  EXPECT_TRUE(sx_Seek("    2"));
  EXPECT_EQ(sx_RecNo(), 4);
  EXPECT_FALSE(sx_Seek("    9"));
  EXPECT_TRUE(sx_Eof());
  EXPECT_EQ(sx_RecNo(), 6);
}

TEST_F(OrderTest, StrWithDecimalsDtosAndConcatenation) {
  path_ = dir_.file("expr.dbf");
  ASSERT_GT(createReport(path_), 0);
  struct Row {
    long page;
    const char* date;
    double amt;
    const char* des;
  };
  Row rows[] = {{2, "20240105", 1.5, "b"}, {1, "20231231", 22.25, "a"}, {1, "20240101", -3.125, "A"}};
  for (const Row& r : rows) {
    appendLine(r.page, r.des);
    sx_Replace("F_DATE", SX_R_DATESTR, r.date);
    sx_Replace("F_AMT", SX_R_DOUBLE, &r.amt);
  }
  sx_Commit();
  ASSERT_GT(sx_IndexTag(nullptr, "MIX", "str(F_PAGE,3)+dtos(F_DATE)+upper(F_DES)", 0, 0, nullptr), 0) << sx_LastError();
  EXPECT_EQ(walk(), (std::vector<long>{2, 3, 1}));
  sx_GoTop();
  EXPECT_EQ(std::string(sx_KeyData()), "  120231231A" + std::string(39, ' '));
  EXPECT_STREQ(sx_EvalString("str(F_AMT,8,2)"), "   22.25");
  EXPECT_STREQ(sx_EvalString("str(F_AMT,4,2)"), "****");
  sx_Go(3);
  EXPECT_STREQ(sx_EvalString("str(F_AMT,8,2)"), "   -3.13");  // half away from zero
  EXPECT_STREQ(sx_EvalString("(dtos(F_DATE))"), "20240101");
  EXPECT_TRUE(sx_EvalLogical("F_PAGE = 1 .AND. upper(F_DES) = \"A\""));
  EXPECT_TRUE(sx_EvalTest("str(F_PAGE,5)"));
  EXPECT_FALSE(sx_EvalTest("str(NOFIELD,5)"));
  EXPECT_FALSE(sx_EvalTest("str(F_PAGE,5"));
  EXPECT_FALSE(sx_IndexTag(nullptr, "BAD", "F_PAGE + F_DES", 0, 0, nullptr));
  EXPECT_NE(std::string(sx_LastError()).find("type mismatch"), std::string::npos);
}

TEST_F(OrderTest, FilterHidesRecords) {
  makeUnsorted();
  ASSERT_TRUE(sx_Query("F_PAGE = 2"));
  EXPECT_EQ(walk(), (std::vector<long>{3, 4}));
  EXPECT_EQ(sx_Count(), 2);
  ASSERT_TRUE(sx_Query(""));
  EXPECT_EQ(sx_Count(), 5);
  EXPECT_FALSE(sx_Query("F_PAGE"));  // not logical
}

TEST_F(OrderTest, ScopeLimitsTheOrder) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  ASSERT_TRUE(sx_SetScope("    2", "    2"));
  EXPECT_EQ(walk(), (std::vector<long>{3, 4}));
  ASSERT_TRUE(sx_SetScope(nullptr, nullptr));
  EXPECT_EQ(walk().size(), 5u);
}

TEST_F(OrderTest, OrderFollowsChangedAndAppendedRecords) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  sx_Go(1);
  long zero = 0;
  sx_Replace("F_PAGE", SX_R_INTEGER, &zero);
  sx_Commit();
  EXPECT_EQ(walk(), (std::vector<long>{1, 2, 5, 3, 4}));
  appendLine(1, "new");
  sx_Commit();
  EXPECT_EQ(walk(), (std::vector<long>{1, 2, 5, 6, 3, 4}));
}

TEST_F(OrderTest, TagSurvivesCloseAndReopen) {
  makeUnsorted("keep.dbf");
  ASSERT_GT(sx_IndexTag("", "F_PAGE", "str(F_PAGE,5)", 0, 0, ""), 0);
  sx_Close();
  ASSERT_TRUE(std::filesystem::exists(dir_.file("keep.cdx")));
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_TagArea("f_page"), 1);
  EXPECT_EQ(sx_IndexOrd(), 0);
  EXPECT_EQ(sx_SetOrder(1), 0);
  EXPECT_EQ(walk(), (std::vector<long>{2, 5, 3, 4, 1}));
  EXPECT_TRUE(sx_Seek("    2"));
  EXPECT_EQ(sx_RecNo(), 3);
}

TEST_F(OrderTest, SecondTagJoinsTheCompoundIndex) {
  makeUnsorted("two.dbf");
  ASSERT_EQ(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 1);
  ASSERT_EQ(sx_IndexTag(nullptr, "DES", "F_DES", 0, 1, nullptr), 2);
  ASSERT_EQ(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 1, nullptr), 1);  // replaced, same number
  sx_Close();
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_TagArea("F_PAGE"), 1);
  EXPECT_EQ(sx_TagArea("DES"), 2);
  sx_SetOrder(1);
  EXPECT_EQ(walk(), (std::vector<long>{1, 3, 4, 2, 5}));
}

TEST_F(OrderTest, DeletingTheCdxDropsTheTag) {
  makeUnsorted("gone.dbf");
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  sx_Close();
  std::filesystem::remove(dir_.file("gone.cdx"));
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_TagArea("F_PAGE"), 0);
  EXPECT_EQ(sx_SetOrder(1), -1);
}

TEST_F(OrderTest, ForeignCdxIsIgnored) {
  makeUnsorted("foreign.dbf");
  sx_Close();
  // Header bytes of some other program's index: no tags, no crash.
  std::vector<uint8_t> junk(1024, 0);
  junk[0] = 0x00;
  junk[1] = 0x04;
  junk[12] = 0x0A;
  writeAll(dir_.file("FOREIGN.CDX"), junk);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_TagArea("F_PAGE"), 0);
  EXPECT_EQ(sx_RecCount(), 5);
  EXPECT_EQ(sx_IndexOpen(dir_.file("FOREIGN.CDX").c_str()), 0);
  EXPECT_NE(std::string(sx_LastError()).find("format"), std::string::npos);
}

TEST_F(OrderTest, DamagedTagFileOfOursIsIgnoredAtOpen) {
  makeUnsorted("dmg.dbf");
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  sx_Close();
  auto bytes = readAll(dir_.file("dmg.cdx"));
  bytes.resize(bytes.size() - 5);
  writeAll(dir_.file("dmg.cdx"), bytes);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_TagArea("F_PAGE"), 0);
}

TEST_F(OrderTest, NtxIndexFileHoldsOneOrder) {
  path_ = dir_.file("nt.dbf");
  ASSERT_GT(createReport(path_, SX_NTX), 0);
  long pages[] = {2, 1};
  for (long p : pages) appendLine(p, "x");
  sx_Commit();
  int order = sx_Index("pages", "str(F_PAGE,5)", 0, 0, nullptr);
  ASSERT_EQ(order, 1) << sx_LastError();
  EXPECT_TRUE(std::filesystem::exists(dir_.file("pages.ntx")));
  EXPECT_STREQ(sx_TagName(1), "PAGES");
  sx_Close();
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_NTX), 0);
  EXPECT_EQ(sx_IndexOrd(), 0);
  ASSERT_EQ(sx_IndexOpen("pages.ntx"), 1) << sx_LastError();
  EXPECT_EQ(sx_IndexOrd(), 1);
  EXPECT_EQ(walk(), (std::vector<long>{2, 1}));
  EXPECT_EQ(sx_IndexOpen("missing.ntx"), 0);
}

TEST_F(OrderTest, NsxTagsGoToTheTablesOwnIndex) {
  path_ = dir_.file("ns.dbf");
  ASSERT_GT(createReport(path_, SX_NSX), 0);
  appendLine(1, "x");
  ASSERT_GT(sx_IndexTag(nullptr, "P", "str(F_PAGE,5)", 0, 0, nullptr), 0) << sx_LastError();
  EXPECT_TRUE(std::filesystem::exists(dir_.file("ns.nsx")));
}

TEST_F(OrderTest, LeftJustifiedNumbersSortAsNumbers) {
  // Some FoxPro programs store N fields left-justified ("12   "); str() must still order them.
  makeUnsorted("left.dbf");
  sx_Close();
  auto bytes = readAll(path_);
  const size_t headerLen = 32 + 6 * 32 + 1, recLen = 80;
  const char* pages[] = {"3    ", "10   ", "2    ", "     ", "1    "};
  for (size_t r = 0; r < 5; ++r) std::copy(pages[r], pages[r] + 5, bytes.begin() + long(headerLen + r * recLen + 1));
  writeAll(path_, bytes);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_Go(2);
  EXPECT_EQ(sx_GetLong("F_PAGE"), 10);
  EXPECT_STREQ(sx_EvalString("str(F_PAGE,5)"), "   10");
  sx_Go(4);
  EXPECT_EQ(sx_GetLong("F_PAGE"), 0);
  EXPECT_TRUE(sx_Empty("F_PAGE"));
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  EXPECT_EQ(walk(), (std::vector<long>{4, 5, 3, 1, 2}));
  EXPECT_TRUE(sx_Seek("   10"));
  EXPECT_EQ(sx_RecNo(), 2);
}

TEST_F(OrderTest, ReopeningUnchangedTableReusesTheBuiltOrder) {
#ifdef _WIN32
  GTEST_SKIP() << "std::filesystem cannot put a file's exact write time back on Windows";
#endif
  makeUnsorted("cache.dbf");
  ASSERT_GT(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  sx_Close();
  // Change a key behind the engine's back but keep size and time: the cached order answers.
  auto stamp = std::filesystem::last_write_time(path_);
  auto bytes = readAll(path_);
  const size_t headerLen = 32 + 6 * 32 + 1;
  std::string nine = "    9";
  std::copy(nine.begin(), nine.end(), bytes.begin() + long(headerLen + 1));  // record 1: page 3 -> 9
  writeAll(path_, bytes);
  std::filesystem::last_write_time(path_, stamp);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_SetOrder(1);
  EXPECT_EQ(walk(), (std::vector<long>{2, 5, 3, 4, 1}));
  EXPECT_FALSE(sx_Seek("    9"));  // the cached keys still say page 3
  sx_Close();
  // A newer time means new contents: the order is built again.
  std::filesystem::last_write_time(path_, stamp + std::chrono::seconds(5));
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_SetOrder(1);
  EXPECT_TRUE(sx_Seek("    9"));
  EXPECT_EQ(sx_RecNo(), 1);
}

TEST_F(OrderTest, SkipFromARecordOutsideTheOrderStartsAtAnEnd) {
  makeUnsorted();
  ASSERT_GT(sx_IndexTag(nullptr, "BIG", "str(F_PAGE,5)", 0, 0, "F_PAGE >= 2"), 0);
  sx_Go(2);  // page 1: not in the order
  sx_Skip(1);
  EXPECT_EQ(sx_RecNo(), 3);
  sx_Go(2);
  sx_Skip(-1);
  EXPECT_EQ(sx_RecNo(), 1);
}

TEST_F(OrderTest, UnwritableIndexFileFailsWithoutLeavingAnOrder) {
  makeUnsorted("rodir.dbf");
  std::filesystem::create_directory(dir_.file("rodir.cdx"));  // a directory where the file must go
  EXPECT_EQ(sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr), 0);
  EXPECT_NE(std::string(sx_LastError()).find("rodir.cdx"), std::string::npos) << sx_LastError();
  EXPECT_EQ(sx_TagArea("F_PAGE"), 0);
  EXPECT_EQ(sx_IndexOrd(), 0);
  EXPECT_EQ(walk(), (std::vector<long>{1, 2, 3, 4, 5}));
}

TEST_F(OrderTest, SeekWithoutOrderFails) {
  makeUnsorted();
  EXPECT_FALSE(sx_Seek("1"));
  EXPECT_NE(std::string(sx_LastError()).find("order"), std::string::npos);
}

}  // namespace
}  // namespace sdetest
