#include "desktop_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

const char kTemplate[] = "[Desktop Entry]\nExec=@ZELRPT_EXEC@ %f\nIcon=@ZELRPT_ICON@\n";

struct EntryCase {
  const char* installDir;
  const char* exec;  // the Exec line as the file must hold it
  const char* icon;
};

class DesktopEntry : public ::testing::TestWithParam<EntryCase> {};

// Paths with reserved characters are quoted and escaped for the Exec key; a
// plain path stays plain.
TEST_P(DesktopEntry, ExecAndIconNameTheInstalledFiles) {
  const EntryCase& c = GetParam();
  const std::string text = DesktopEntryText(kTemplate, c.installDir);
  EXPECT_NE(text.find(std::string("Exec=") + c.exec + " %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("Icon=") + c.icon + "\n"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Paths, DesktopEntry,
                         ::testing::Values(EntryCase{"/opt/zelrpt", "/opt/zelrpt/ZelRpt", "/opt/zelrpt/zelrpt.png"},
                                           EntryCase{"/home/kim/ZEL Viewer", "\"/home/kim/ZEL Viewer/ZelRpt\"",
                                                     "/home/kim/ZEL Viewer/zelrpt.png"},
                                           EntryCase{"/srv/a$b", "\"/srv/a\\\\$b/ZelRpt\"", "/srv/a$b/zelrpt.png"},
                                           EntryCase{"/srv/100%", "\"/srv/100%%/ZelRpt\"", "/srv/100%/zelrpt.png"},
                                           EntryCase{"/srv/back\\slash", "\"/srv/back\\\\\\\\slash/ZelRpt\"",
                                                     "/srv/back\\\\slash/zelrpt.png"}));

TEST(RegisterDesktopEntry, WritesTheEntryAndTheMimeTypeFromTheInstalledTemplates) {
  testing::TempDir install, data;
  testing::writeFile(install / kDesktopTemplate, kTemplate);
  testing::writeFile(install / kMimePackage, "<mime-info/>\n");
  ASSERT_TRUE(RegisterDesktopEntry(install.path(), data.path()).isOk());
  EXPECT_EQ(testing::readFile(data / "applications/zelrpt.desktop"), DesktopEntryText(kTemplate, install.path()));
  EXPECT_EQ(testing::readFile(data / "mime/packages/zelrpt-report.xml"), "<mime-info/>\n");
}

TEST(RegisterDesktopEntry, AnArchiveWithoutTemplatesRegistersNothing) {
  testing::TempDir install, data;
  EXPECT_TRUE(RegisterDesktopEntry(install.path(), data.path()).isOk());
  EXPECT_FALSE(std::filesystem::exists(data / "applications"));
}

}  // namespace
}  // namespace zel::setup
