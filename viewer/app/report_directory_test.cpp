#include "report_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ini_file.h"
#include "test_report.h"

namespace zel {
namespace {

class ReportDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { program_ = testing::makeTempDirectory("program"); }
  void TearDown() override { std::filesystem::remove_all(program_); }

  void writeIni(const std::string& text) {
    std::ofstream out(infoIniPath(program_), std::ios::binary);
    out << text;
  }
  std::string iniText() { return testing::readFileBytes(infoIniPath(program_)); }

  std::string program_;
};

TEST_F(ReportDirectoryTest, MissingIniFallsBackAndIsWritten) {
  EXPECT_EQ(restoreReportDirectory(program_), program_);
  EXPECT_EQ(iniRead(infoIniPath(program_), "INFO", "DIR"), program_);
}

TEST_F(ReportDirectoryTest, ExistingDirectoryIsKept) {
  std::string reports = program_ + "/reports";
  std::filesystem::create_directory(reports);
  writeIni("[INFO]\r\nDIR=" + reports + "\r\n");
  EXPECT_EQ(restoreReportDirectory(program_), reports);
  EXPECT_EQ(iniText(), "[INFO]\r\nDIR=" + reports + "\r\n");
}

TEST_F(ReportDirectoryTest, VanishedDirectoryFallsBackAndIsRewritten) {
  writeIni("[INFO]\r\nDIR=" + program_ + "/gone\r\n");
  EXPECT_EQ(restoreReportDirectory(program_), program_);
  EXPECT_EQ(iniRead(infoIniPath(program_), "INFO", "DIR"), program_);
}

TEST_F(ReportDirectoryTest, EmptyEntryFallsBack) {
  writeIni("[INFO]\r\nDIR=\r\n");
  EXPECT_EQ(restoreReportDirectory(program_), program_);
}

TEST_F(ReportDirectoryTest, SetDirectoryKeepsAHandWrittenFile) {
  writeIni("; written by hand\r\n[Other]\r\nkey=value\r\n\r\n[info]\r\nDir=/old\r\nExtra=1\r\n");
  ASSERT_TRUE(saveReportDirectory(program_, "/new/place"));
  std::string text = iniText();
#ifdef _WIN32
  // Windows' profile functions lay the file out their own way; what it holds stays.
  EXPECT_EQ(iniRead(infoIniPath(program_), "Other", "key"), "value");
  EXPECT_EQ(iniRead(infoIniPath(program_), "INFO", "Extra"), "1");
#else
  EXPECT_EQ(text.rfind("; written by hand\r\n[Other]\r\nkey=value\r\n\r\n[info]\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("=/new/place\r\nExtra=1\r\n"), std::string::npos) << text;
#endif
  EXPECT_EQ(text.find("/old"), std::string::npos) << text;
  EXPECT_EQ(iniRead(infoIniPath(program_), "INFO", "DIR"), "/new/place");
}

TEST_F(ReportDirectoryTest, SetDirectoryAddsTheSection) {
  writeIni("[Other]\nkey=value\n");
  ASSERT_TRUE(saveReportDirectory(program_, "/data"));
  std::string text = iniText();
#ifdef _WIN32
  EXPECT_EQ(iniRead(infoIniPath(program_), "Other", "key"), "value");
#else
  EXPECT_EQ(text.rfind("[Other]\nkey=value\n", 0), 0u) << text;
#endif
  EXPECT_EQ(iniRead(infoIniPath(program_), "INFO", "DIR"), "/data");
}

TEST(ReportDirectoryPaths, ProgramDirectoryOf) {
  EXPECT_EQ(programDirectoryOf("/opt/zel/ZelRpt"), "/opt/zel");
  EXPECT_EQ(programDirectoryOf("/ZelRpt"), "/");
  EXPECT_EQ(programDirectoryOf("C:\\ZelRpt.exe"), "C:\\");
  EXPECT_EQ(programDirectoryOf("C:\\Zel\\ZelRpt.exe"), "C:\\Zel");
  EXPECT_EQ(infoIniPath("/opt/zel"), "/opt/zel/Info.INI");
  EXPECT_EQ(infoIniPath("/"), "/Info.INI");
}

TEST(ReportDirectoryPaths, ChosenDirectoryLosesOneTrailingSeparator) {
  EXPECT_EQ(trimChosenDirectory("C:\\"), "C:");
  EXPECT_EQ(trimChosenDirectory("C:\\Data\\"), "C:\\Data");
  EXPECT_EQ(trimChosenDirectory("/data/reports/"), "/data/reports");
  EXPECT_EQ(trimChosenDirectory("/data/reports"), "/data/reports");
  EXPECT_EQ(trimChosenDirectory("/"), "/");
}

}  // namespace
}  // namespace zel
