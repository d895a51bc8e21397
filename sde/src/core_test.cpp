// White-box tests of the engine's parts: the byte reader, header parsing,
// expressions, memo files of every kind, tag files and the order cache.
#include <cstring>

#include "dbf_header.h"
#include "expression.h"
#include "memo_file.h"
#include "order.h"
#include "tag_file.h"
#include "test_support.h"

namespace sde {
namespace {

using sdetest::TempDir;

DbfHeader sampleHeader() {
  DbfHeader h;
  h.version = 0xF5;
  FieldDesc page{"F_PAGE", 'N', 0, 5, 0, 0};
  FieldDesc des{"F_DES", 'C', 0, 300, 0, 0};
  FieldDesc amt{"F_AMT", 'N', 0, 12, 2, 0};
  FieldDesc date{"F_DATE", 'D', 0, 8, 0, 0};
  FieldDesc ok{"F_OK", 'L', 0, 1, 0, 0};
  FieldDesc memo{"F_INIT", 'M', 0, 10, 0, 0};
  uint32_t off = 1;
  for (FieldDesc f : {page, des, amt, date, ok, memo}) {
    f.offset = off;
    off += f.width;
    h.fields.push_back(f);
  }
  h.recLen = off;
  h.headerLen = uint32_t(32 + 32 * h.fields.size() + 1);
  return h;
}

TEST(DbfHeaderTest, EncodeThenParseGivesTheSameFields) {
  DbfHeader h = sampleHeader();
  auto bytes = encodeDbfHeader(h);
  auto parsed = parseDbfHeader(bytes, bytes.size() + 10, "x.dbf");
  ASSERT_TRUE(parsed) << parsed.status().message();
  ASSERT_EQ(parsed->fields.size(), h.fields.size());
  for (size_t i = 0; i < h.fields.size(); ++i) {
    EXPECT_EQ(parsed->fields[i].name, h.fields[i].name);
    EXPECT_EQ(parsed->fields[i].width, h.fields[i].width);
    EXPECT_EQ(parsed->fields[i].offset, h.fields[i].offset);
  }
  EXPECT_EQ(parsed->memoKind(), MemoKind::kFpt);
}

TEST(DbfHeaderTest, EveryTruncationFailsCleanly) {
  auto bytes = encodeDbfHeader(sampleHeader());
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
    EXPECT_FALSE(parseDbfHeader(cut, n, "x.dbf")) << "length " << n;
  }
}

TEST(DbfHeaderTest, MemoKindFollowsTheVersionByte) {
  DbfHeader h = sampleHeader();
  h.version = 0x83;
  EXPECT_EQ(h.memoKind(), MemoKind::kDbt3);
  h.version = 0x8B;
  EXPECT_EQ(h.memoKind(), MemoKind::kDbt4);
  h.version = 0x30;
  EXPECT_EQ(h.memoKind(), MemoKind::kFpt);
  h.fields.pop_back();
  EXPECT_EQ(h.memoKind(), MemoKind::kNone);
}

class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    header_ = sampleHeader();
    rec_.assign(header_.recLen, ' ');
    set("F_PAGE", "   42");
    set("F_DES", "Hello world");
    set("F_AMT", "     -12.50");
    set("F_DATE", "20240229");
    set("F_OK", "T");
  }
  void set(const std::string& field, const std::string& text) {
    for (const FieldDesc& f : header_.fields)
      if (f.name == field) std::memcpy(&rec_[f.offset], text.data(), std::min<size_t>(text.size(), f.width));
  }
  std::string eval(const std::string& text, bool exact = false) {
    auto e = Expression::compile(text, header_);
    if (!e) return "compile: " + e.status().message();
    Value v;
    if (auto s = e->eval(EvalContext{rec_.data(), 7, exact}, &v); !s) return "eval: " + s.message();
    return v.type == Value::Type::kLogical ? (v.b ? ".T." : ".F.") : keyBytes(v);
  }
  DbfHeader header_;
  std::vector<uint8_t> rec_;
};

TEST_F(ExpressionTest, StrFormatsLikeXbase) {
  struct Case {
    double v;
    int w, d;
    const char* want;
  } cases[] = {{42, 5, 0, "   42"},    {42, 2, 0, "42"},        {42, 1, 0, "*"},        {-1.5, 6, 1, "  -1.5"},
               {2.5, 3, 0, "  3"},     {-2.5, 3, 0, " -3"},     {0.125, 5, 2, " 0.13"}, {-0.0001, 5, 2, " 0.00"},
               {1e300, 5, 0, "*****"}, {123456, 5, 0, "*****"}, {0, 0, 0, "         0"}};
  for (const Case& c : cases) EXPECT_EQ(formatStr(c.v, c.w, c.d), c.want) << c.v << "," << c.w << "," << c.d;
}

TEST_F(ExpressionTest, FieldsFunctionsAndOperators) {
  EXPECT_EQ(eval("F_PAGE"), "   42");
  EXPECT_EQ(eval("str(F_PAGE,5)"), "   42");
  EXPECT_EQ(eval("STR(F_PAGE+1,3)"), " 43");
  EXPECT_EQ(eval("str(F_AMT,8,1)"), "   -12.5");
  EXPECT_EQ(eval("upper(left(F_DES,5))"), "HELLO");
  EXPECT_EQ(eval("lower(\"\xb0\xa1"
                 "Ab\")"),
            "\xb0\xa1"
            "ab");  // only ASCII letters change
  EXPECT_EQ(eval("dtos(F_DATE)"), "20240229");
  EXPECT_EQ(eval("substr(F_DES,7,5)"), "world");
  EXPECT_EQ(eval("substr(F_DES,0)").substr(0, 5), "Hello");
  EXPECT_EQ(eval("right(trim(F_DES),3)"), "rld");
  EXPECT_EQ(eval("alltrim(\"  x  \")+\"|\""), "x|");
  EXPECT_EQ(eval("\"ab  \"-\"cd\""), "abcd  ");
  EXPECT_EQ(eval("iif(F_OK, 'yes', 'no')"), "yes");
  EXPECT_EQ(eval("strzero(F_PAGE,5)"), "00042");
  EXPECT_EQ(eval("str(recno(),3)"), "  7");
  EXPECT_EQ(eval("str(val(\"12.5\")*2,4)"), "  25");
  EXPECT_EQ(eval("padl(\"7\",3,\"0\")"), "007");
  EXPECT_EQ(eval("F_PAGE > 40 .AND. .NOT. F_PAGE = 43"), ".T.");
  EXPECT_EQ(eval("\"wor\" $ F_DES"), ".T.");
  EXPECT_EQ(eval("!F_OK .OR. deleted()"), ".F.");
  EXPECT_EQ(eval("str(10/0,3)"), "  0");  // division by zero gives 0, not a trap
  EXPECT_EQ(eval("space(3)+\"|\""), "   |");
  EXPECT_EQ(eval("alias->F_PAGE"), "   42");
}

TEST_F(ExpressionTest, StringEqualityFollowsExact) {
  EXPECT_EQ(eval("F_DES = \"Hello\""), ".T.");
  EXPECT_EQ(eval("F_DES = \"Hello\"", true), ".F.");
  EXPECT_EQ(eval("trim(F_DES) = \"Hello world   \"", true), ".T.");
  EXPECT_EQ(eval("\"Hel\" = \"Hello\""), ".F.");
  EXPECT_EQ(eval("F_DES == \"Hello\""), ".F.");
  EXPECT_EQ(eval("F_DES = \"\""), ".T.");
}

TEST_F(ExpressionTest, BadExpressionsFailToCompileOrEvaluate) {
  for (const char* bad : {"", "str(", "str(F_PAGE,5", "nofield", "nofunc(1)", "upper()", "1 +", "\"open",
                          "F_PAGE F_DES", ")", "str(F_PAGE,5,1,2)", "a->", "#", "@"})
    EXPECT_EQ(eval(bad).rfind("compile:", 0), 0u) << bad;
  for (const char* bad : {"F_PAGE + F_DES", "upper(F_PAGE)", ".NOT. F_DES", "F_OK .AND. F_PAGE", "-F_DES",
                          "dtos(F_DES)", "iif(F_PAGE, 1, 2)", "F_PAGE = \"1\""})
    EXPECT_EQ(eval(bad).rfind("eval:", 0), 0u) << bad;
}

TEST_F(ExpressionTest, DeepNestingIsRefusedNotOverflowed) {
  std::string deep(600, '(');
  deep += "1" + std::string(600, ')');
  EXPECT_EQ(eval(deep).rfind("compile:", 0), 0u);
  std::string longChain = "F_PAGE";
  for (int i = 0; i < 500; ++i) longChain += "+1";
  EXPECT_EQ(eval("str(" + longChain + ",5)"), "  542");
  for (int i = 0; i < 100; ++i) longChain += "+1";
  EXPECT_EQ(eval(longChain).rfind("compile:", 0), 0u);  // longer than any key expression may be
  EXPECT_LE(eval("space(1000000000)").size(), size_t(1 << 20));
}

TEST_F(ExpressionTest, FastPathOnlyForIntegerFieldsOfTheirWidth) {
  auto fast = [&](const std::string& text) {
    auto e = Expression::compile(text, header_);
    return e && e->rawNumericKeyField() != nullptr;
  };
  EXPECT_TRUE(fast("str(F_PAGE,5)"));
  EXPECT_TRUE(fast("str(F_PAGE,5,0)"));
  EXPECT_TRUE(fast("F_PAGE"));
  EXPECT_FALSE(fast("str(F_PAGE,6)"));
  EXPECT_FALSE(fast("str(F_PAGE,5,1)"));
  EXPECT_FALSE(fast("str(F_AMT,12)"));
  EXPECT_FALSE(fast("upper(F_DES)"));
}

class MemoFileTest : public ::testing::TestWithParam<MemoKind> {};

TEST_P(MemoFileTest, WriteThenReadEveryLength) {
  TempDir dir;
  std::string path = dir.file("m.memo");
  ASSERT_TRUE(MemoFile::create(path, GetParam(), 64));
  MemoFile m;
  ASSERT_TRUE(m.open(path, GetParam(), true));
  std::vector<std::pair<uint32_t, std::string>> written;
  for (size_t len : {1, 7, 55, 56, 57, 63, 64, 65, 511, 512, 513, 4000}) {
    std::string text(len, char('a' + len % 26));
    auto block = m.write(text.data(), text.size());
    ASSERT_TRUE(block) << block.status().message();
    written.push_back({*block, text});
  }
  for (const auto& [block, text] : written) {
    std::string got;
    ASSERT_TRUE(m.read(block, &got));
    EXPECT_EQ(got, text);
    auto len = m.length(block);
    ASSERT_TRUE(len);
    EXPECT_EQ(*len, text.size());
  }
  auto none = m.write("", 0);
  ASSERT_TRUE(none);
  EXPECT_EQ(*none, 0u);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, MemoFileTest, ::testing::Values(MemoKind::kFpt, MemoKind::kDbt3, MemoKind::kDbt4));

TEST(TagFileTest, RoundTripAndForeignAndDamaged) {
  TempDir dir;
  std::string path = dir.file("t.cdx");
  TagFile tf;
  tf.driver = 2;
  tf.tags.push_back({"F_PAGE", "str(F_PAGE,5)", "", false, 0});
  tf.tags.push_back({"DES", "upper(F_DES)", "F_PAGE > 1", true, 1});
  ASSERT_TRUE(writeTagFile(path, tf));
  TagFile back;
  TagFileCheck check;
  ASSERT_TRUE(readTagFile(path, &back, &check));
  EXPECT_EQ(check, TagFileCheck::kOurs);
  ASSERT_EQ(back.tags.size(), 2u);
  EXPECT_EQ(back.tags[1].condition, "F_PAGE > 1");
  EXPECT_TRUE(back.tags[1].descending);

  auto bytes = sdetest::readAll(path);
  for (size_t n = sizeof kTagFileMagic; n < bytes.size(); ++n) {
    sdetest::writeAll(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n)));
    EXPECT_FALSE(readTagFile(path, &back, &check)) << "length " << n;
  }
  sdetest::writeAll(path, {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  ASSERT_TRUE(readTagFile(path, &back, &check));
  EXPECT_EQ(check, TagFileCheck::kForeign);
  ASSERT_TRUE(readTagFile(dir.file("none.cdx"), &back, &check));
  EXPECT_EQ(check, TagFileCheck::kMissing);
}

TEST(OrderCacheTest, NewerContentsReplaceOlderEntriesOfTheSameTag) {
  OrderCache::clear();
  auto a = std::make_shared<const OrderData>();
  auto b = std::make_shared<const OrderData>();
  std::string k1 = OrderCache::makeKey("/t.dbf", 100, 1, 5, "F_PAGE", "str(F_PAGE,5)", "", false);
  std::string k2 = OrderCache::makeKey("/t.dbf", 180, 2, 6, "F_PAGE", "str(F_PAGE,5)", "", false);
  std::string other = OrderCache::makeKey("/t.dbf", 100, 1, 5, "DES", "F_DES", "", false);
  OrderCache::put(k1, a);
  OrderCache::put(other, a);
  EXPECT_EQ(OrderCache::find(k1), a);
  OrderCache::put(k2, b);
  EXPECT_EQ(OrderCache::find(k1), nullptr);
  EXPECT_EQ(OrderCache::find(k2), b);
  EXPECT_EQ(OrderCache::find(other), a);
  OrderCache::clear();
}

}  // namespace
}  // namespace sde
