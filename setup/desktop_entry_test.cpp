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

// The uninstall action names the installer's copy and the directory, each quoted where needed.
TEST(DesktopEntry, UninstallActionNamesTheInstallersCopyAndTheDirectory) {
  const std::string action = "Exec=@ZELRPT_UNINSTALL@ --uninstall --window --target @ZELRPT_DIR@\n";
  EXPECT_EQ(DesktopEntryText(action, "/opt/zelrpt"),
            "Exec=/opt/zelrpt/setup --uninstall --window --target /opt/zelrpt\n");
  EXPECT_EQ(DesktopEntryText(action, "/home/kim/(주)Velmora/Zel Viewer"),
            "Exec=\"/home/kim/(주)Velmora/Zel Viewer/setup\" --uninstall --window --target "
            "\"/home/kim/(주)Velmora/Zel Viewer\"\n");
}

// Where the launcher's path would need quoting, the entry starts a link to it
// whose path needs none; a plain path is started as it is, without a link.
TEST(RegisterDesktopEntry, QuotedLauncherIsStartedThroughAPlainLink) {
  testing::TempDir dir;
  const std::string data = dir / "data", bin = dir / "bin";
  for (const std::string& install : {dir / "(주)Velmora/Zel Viewer", dir / "plain"}) {
    testing::writeFile(install + "/" + kDesktopTemplate, kTemplate);
    testing::writeFile(install + "/" + kMimePackage, "<mime-info/>\n");
    ASSERT_TRUE(RegisterDesktopEntry(install, data, bin).isOk());
    const std::string entry = testing::readFile(data + "/applications/zelrpt.desktop");
    if (install == dir / "plain") {
      EXPECT_NE(entry.find("Exec=" + install + "/ZelRpt %f"), std::string::npos) << entry;
    } else {
      EXPECT_NE(entry.find("Exec=" + bin + "/zelrpt %f"), std::string::npos) << entry;
      EXPECT_EQ(std::filesystem::read_symlink(bin + "/zelrpt"), install + "/ZelRpt");
    }
  }
  // A program of the user's own under the link's name is left alone; the entry quotes instead.
  std::filesystem::remove(bin + "/zelrpt");
  testing::writeFile(bin + "/zelrpt", "#!/bin/sh\n");
  const std::string quoted = dir / "(주)Velmora/Zel Viewer";
  ASSERT_TRUE(RegisterDesktopEntry(quoted, data, bin).isOk());
  EXPECT_EQ(testing::readFile(bin + "/zelrpt"), "#!/bin/sh\n");
  EXPECT_NE(testing::readFile(data + "/applications/zelrpt.desktop").find("Exec=\"" + quoted + "/ZelRpt\" %f"),
            std::string::npos);
}

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
