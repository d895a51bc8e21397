// ZelRpt --list-and-exit, run as a separate program from a copy laid out as
// setup installs it: the launcher ZelRpt beside the program ZelRpt.bin, the
// engine libraries in a Windows directory's System subdirectory named by the
// "windows-dir" file, and no library path from outside. Info.INI beside the
// program names the sample folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "sample_reports.h"
#include "test_report.h"

namespace fs = std::filesystem;

namespace zel {
namespace {

std::string run(const std::string& command, int* exitCode) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  int status = ::pclose(pipe.release());
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

class ListAndExitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("ZEL_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    fs::path bin = fs::path(binary) / "bin";
    ASSERT_TRUE(fs::exists(bin / "ZelRpt"));
    const char* source = std::getenv("ZEL_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    install_ = testing::makeTempDirectory("install");
    const fs::path inst(install_);
    fs::copy_file(bin / "ZelRpt", inst / "ZelRpt.bin");
    fs::copy_file(fs::path(source) / "setup" / "viewer_launcher.sh", inst / "ZelRpt");
    for (const char* name : {"ZelRpt", "ZelRpt.bin"})
      fs::permissions(inst / name, fs::perms::owner_exec, fs::perm_options::add);
    const fs::path system = inst / "windows" / "System";
    fs::create_directories(system);
    for (const fs::directory_entry& entry : fs::directory_iterator(bin)) {
      std::string name = entry.path().filename().string();
      if (name.rfind("libsde", 0) == 0) fs::copy_file(entry.path(), system / name);
    }
    std::ofstream(inst / "windows-dir") << (inst / "windows").string() << "\n";
  }
  void TearDown() override { fs::remove_all(install_); }

  std::string list(int* exitCode) {
    return run("cd / && env -u LD_LIBRARY_PATH -u ZELRPT_WINDOWS_DIR QT_QPA_PLATFORM=offscreen '" + install_ +
                   "/ZelRpt' --list-and-exit 2>/dev/null",
               exitCode);
  }

  std::string install_;
};

// Help and version answer on standard output without a display.
TEST_F(ListAndExitTest, HelpAndVersionNeedNoDisplay) {
  struct Case {
    const char* option;
    const char* says;
  } cases[] = {{"--help", "usage: ZelRpt [FILE.dbf | DIR]"}, {"-h", "--list-and-exit"}, {"--version", "ZelRpt 1."}};
  for (const Case& c : cases) {
    int exitCode = -1;
    const std::string out =
        run("cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + install_ + "/ZelRpt' " + c.option,
            &exitCode);
    EXPECT_EQ(exitCode, 0) << c.option;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.option << ": " << out;
  }
}

TEST_F(ListAndExitTest, PrintsTheRowsOfTheStoredDirectory) {
  std::string samples = install_ + "/samples";
  fs::create_directory(samples);
  ASSERT_TRUE(reportwriter::writeSampleSet(samples).isOk());
  std::ofstream(install_ + "/Info.INI") << "[INFO]\r\nDIR=" << samples << "\r\n";

  int exitCode = -1;
  std::istringstream out(list(&exitCode));
  EXPECT_EQ(exitCode, 0);
  std::set<std::string> names;
  std::string line;
  while (std::getline(out, line)) {
    std::vector<std::string> cells;
    std::stringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 4u) << line;
    EXPECT_EQ(cells[1], "내    역    서");
    EXPECT_EQ(cells[2], std::to_string(fs::file_size(samples + "/" + cells[0])));
    EXPECT_EQ(cells[3].substr(0, 2), "20");
    names.insert(cells[0]);
  }
  EXPECT_EQ(names, (std::set<std::string>{"L_RPTB02_SAMPLE.dbf", "P_RPTB02_BROKEN.dbf", "P_RPTB02_MARGIN.dbf",
                                          "P_RPTB02_SAMPLE.dbf"}));
}

TEST_F(ListAndExitTest, WithoutInfoIniListsTheProgramDirectoryAndWritesIt) {
  int exitCode = -1;
  EXPECT_EQ(list(&exitCode), "");
  EXPECT_EQ(exitCode, 0);
  std::string ini = testing::readFileBytes(install_ + "/Info.INI");
  EXPECT_NE(ini.find("DIR=" + install_), std::string::npos) << ini;
}

}  // namespace
}  // namespace zel
