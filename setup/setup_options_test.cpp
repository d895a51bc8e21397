#include "setup_options.h"

#include <gtest/gtest.h>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

TEST(SetupOptionsTest, SilentInstallLine) {
  const SetupOptions o =
      parseSetupOptions({"--silent", "--target", "/opt/z", "--archive", "a.E01", "--windows-dir", "/w"});
  EXPECT_TRUE(o.error.empty());
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(o.target, "/opt/z");
  EXPECT_EQ(o.archive, "a.E01");
  EXPECT_EQ(o.windowsDir, "/w");
}

struct Line {
  std::vector<std::string> args;
  bool understood;
};

class SetupOptionsLineTest : public ::testing::TestWithParam<Line> {};

TEST_P(SetupOptionsLineTest, IsUnderstoodOrRefused) {
  EXPECT_EQ(parseSetupOptions(GetParam().args).error.empty(), GetParam().understood);
}

INSTANTIATE_TEST_SUITE_P(Lines, SetupOptionsLineTest,
                         ::testing::Values(Line{{}, true}, Line{{"-platform", "offscreen"}, true},  // the toolkit's
                                           Line{{"--silent"}, false}, Line{{"--target"}, false},
                                           Line{{"--bogus"}, false},
                                           // Without windows there is no toolkit to take a stray argument.
                                           Line{{"--silent", "--target", "/t", "extra"}, false},
                                           Line{{"extra", "--silent", "--target", "/t"}, false},
                                           Line{{"--silent", "--target", "/t", "-platform", "xcb"}, false}));

TEST(SetupOptionsTest, Help) { EXPECT_TRUE(parseSetupOptions({"--help"}).help); }

TEST(SetupOptionsTest, ArchiveChoice) {
  testing::TempDir dir;
  SetupOptions o;
  o.archive = "/given/ZELRPT.E01";
  EXPECT_EQ(chooseArchive(o, dir.path()), "/given/ZELRPT.E01");
  o.archive.clear();
  testing::writeFile(dir / "ZELRPT.E01", "zip");
  EXPECT_EQ(chooseArchive(o, dir.path()), "");  // the start directory's own
}

// Checked before anything is asked (where setup looks without --archive: the end-to-end tests).
TEST(SetupOptionsTest, ArchiveProblemSaysWhereAndWhat) {
  testing::TempDir dir;
  SetupOptions o;
  o.archive = dir.path();
  EXPECT_EQ(archiveProblem(o, dir.path()),
            dir.path() + " : 디렉토리입니다. 설치할 화일 ZELRPT.E01의 경로를 지정하십시오.");
  o.archive = dir / "OTHER.E01";
  EXPECT_EQ(archiveProblem(o, dir.path()), (dir / "OTHER.E01") + " 화일이 존재하지 않습니다.");
  testing::writeFile(dir / "OTHER.E01", "zip");
  EXPECT_EQ(archiveProblem(o, dir.path()), "");
  o.archive.clear();
  testing::writeFile(dir / "ZELRPT.E01", "zip");
  EXPECT_EQ(archiveProblem(o, dir.path()), "");
}

TEST(SetupOptionsTest, UninstallLine) {
  SetupOptions o = parseSetupOptions({"--uninstall", "--target", "/opt/zel"});
  EXPECT_TRUE(o.uninstall);
  EXPECT_EQ(o.target, "/opt/zel");
  EXPECT_TRUE(o.error.empty());
  EXPECT_TRUE(parseSetupOptions({"--uninstall"}).error.empty());
  EXPECT_FALSE(parseSetupOptions({"--uninstall", "stray"}).error.empty());
  EXPECT_FALSE(parseSetupOptions({"--uninstall", "--silent", "--target", "x"}).error.empty());
}

}  // namespace
}  // namespace zel::setup
