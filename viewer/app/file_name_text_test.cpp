#include "file_name_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_report.h"

namespace zel {
namespace {

struct ReadableCase {
  const char* bytes;
  const char* shown;
};

class ReadableFileNameTable : public ::testing::TestWithParam<ReadableCase> {};

TEST_P(ReadableFileNameTable, ShowsTheName) { EXPECT_EQ(readableFileName(GetParam().bytes), GetParam().shown); }

INSTANTIATE_TEST_SUITE_P(Names, ReadableFileNameTable,
                         ::testing::Values(
                             // UTF-8 is shown as it is, also Hangul a CP949 reading would garble.
                             ReadableCase{"P_RPTB02.dbf", "P_RPTB02.dbf"}, ReadableCase{"", ""},
                             ReadableCase{"P_RPTB02_\xED\x95\x9C.dbf", "P_RPTB02_한.dbf"},
                             // CP949 bytes are no UTF-8: read as CP949.
                             ReadableCase{"P_RPTB02_\xC7\xD1.dbf", "P_RPTB02_한.dbf"},
                             ReadableCase{"\xB1\xB8\xB8\xC5", "구매"},
                             // Neither: the bad bytes escaped, the rest kept.
                             ReadableCase{"a\xFF"
                                          "b",
                                          "a\\xFFb"},
                             ReadableCase{"P_\xC7.dbf", "P_\\xC7.dbf"}, ReadableCase{"\xED\x95\x9C\xFF", "한\\xFF"},
                             // An overlong form is no UTF-8 but reads as CP949; stray bytes read as neither.
                             ReadableCase{"\xC0\xAF", "유"}, ReadableCase{"\xFF\xFE", "\\xFF\\xFE"},
                             ReadableCase{"\x80", "\\x80"}));

TEST(ReadablePath, EveryComponentReadable) {
  EXPECT_EQ(readablePath("/tmp/\xC7\xD1/P_RPTB02_\xC7\xD1.pdf"), "/tmp/한/P_RPTB02_한.pdf");
  EXPECT_EQ(readablePath("/"), "/");
  EXPECT_EQ(readablePath("rel/a"), "rel/a");
}

class FileSystemPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps names as UTF-16: no entry has bytes that are no UTF-8";
#endif
    dir_ = testing::makeTempDirectory("names");
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  void touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }
  std::string dir_;
};

TEST_F(FileSystemPathTest, ReadableNamesMapBackToTheirBytes) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file names are UTF-16: a name's CP949 bytes are not kept as such";
#endif
  const std::string folder = dir_ + "/\xC7\xD1";
  std::filesystem::create_directory(folder);
  touch(folder + "/P_RPTB02_\xC7\xD1.dbf");
  EXPECT_EQ(fileSystemPath(readablePath(folder)), folder);
  EXPECT_EQ(fileSystemPath(readablePath(folder) + "/P_RPTB02_한.dbf"), folder + "/P_RPTB02_\xC7\xD1.dbf");
  // A new file keeps its spelling inside the mapped folder.
  EXPECT_EQ(fileSystemPath(readablePath(folder) + "/out.pdf"), folder + "/out.pdf");
}

TEST_F(FileSystemPathTest, TheToolkitsLossyReadingMapsBackWhenUnique) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file names are UTF-16: a name's CP949 bytes are not kept as such";
#endif
  const std::string folder = dir_ + "/d\xC7\xD1";
  std::filesystem::create_directory(folder);
  EXPECT_EQ(fileSystemPath(dir_ + "/d\xEF\xBF\xBD\xEF\xBF\xBD"), folder);  // one U+FFFD a byte
  EXPECT_EQ(fileSystemPath(dir_ + "/d\xEF\xBF\xBD"), folder);  // one for the pair
  // Two entries read alike: no guess.
  std::filesystem::create_directory(dir_ + "/d\xC7\xD2");
  EXPECT_EQ(fileSystemPath(dir_ + "/d\xEF\xBF\xBD"), dir_ + "/d\xEF\xBF\xBD");
}

TEST_F(FileSystemPathTest, ASuggestedNameKeepsItsBytesBeforeItExists) {
  const std::string suggested = dir_ + "/P_RPTB02_\xC7\xD1.pdf";
  EXPECT_EQ(fileSystemPath(readablePath(suggested), suggested), suggested);
  // Another name typed by the user is taken as typed.
  EXPECT_EQ(fileSystemPath(dir_ + "/other.pdf", suggested), dir_ + "/other.pdf");
}

TEST_F(FileSystemPathTest, ExistingUtf8NamesStayAsTheyAre) {
  touch(dir_ + "/\xED\x95\x9C.dbf");
  EXPECT_EQ(fileSystemPath(dir_ + "/한.dbf"), dir_ + "/\xED\x95\x9C.dbf");
  EXPECT_EQ(fileSystemPath(dir_ + "/"), dir_ + "/");
}

}  // namespace
}  // namespace zel
