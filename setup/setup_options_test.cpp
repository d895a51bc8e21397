#include "setup_options.h"

#include <gtest/gtest.h>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

TEST(SetupOptionsTest, SilentInstallLine) {
  const SetupOptions o = parseSetupOptions(
      {"--silent", "--target", "/opt/z", "--archive", "a.E01", "--windows-dir", "/w"});
  EXPECT_TRUE(o.error.empty());
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(o.target, "/opt/z");
  EXPECT_EQ(o.archive, "a.E01");
  EXPECT_EQ(o.windowsDir, "/w");
}

TEST(SetupOptionsTest, Mistakes) {
  EXPECT_FALSE(parseSetupOptions({"--silent"}).error.empty());
  EXPECT_FALSE(parseSetupOptions({"--target"}).error.empty());
  EXPECT_FALSE(parseSetupOptions({"--bogus"}).error.empty());
  EXPECT_TRUE(parseSetupOptions({}).error.empty());
  EXPECT_TRUE(parseSetupOptions({"-platform", "offscreen"}).error.empty());  // the toolkit's
  EXPECT_TRUE(parseSetupOptions({"--help"}).help);
}

TEST(SetupOptionsTest, ArchiveChoice) {
  testing::TempDir dir;
  SetupOptions o;
  o.archive = "/given/ZELRPT.E01";
  EXPECT_EQ(chooseArchive(o, dir.path()), "/given/ZELRPT.E01");
  o.archive.clear();
  testing::writeFile(dir / "ZELRPT.E01", "zip");
  EXPECT_EQ(chooseArchive(o, dir.path()), "");  // the start directory's own
}

}  // namespace
}  // namespace zel::setup
