#include "output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr long kDeadPid = 0x3FFFFFF0;  // above any process id the system hands out

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool mark(const std::string& path) { return ::setxattr(path.c_str(), "user.zelrpt", "part", 4, 0) == 0; }

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("output_file_test-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // Everything in the directory but the names given.
  std::vector<std::string> others(std::initializer_list<std::string> known) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (std::find(known.begin(), known.end(), n) == known.end()) out.push_back(n);
    }
    return out;
  }

  fs::path dir_;
};

TEST_F(OutputFileTest, PartNamesAreHiddenMarkedAndPrintableWhateverTheTargetsBytes) {
  EXPECT_EQ(OutputPartName("/d/out.pdf", 42), "/d/.out.pdf.zelrpt-42.part");
  // A CP949 name (한) and a blank become %XX, so every library takes the name as text.
  EXPECT_EQ(OutputPartName("/d/o\xC7\xD1 1.csv", 7), "/d/.o%C7%D1%201.csv.zelrpt-7.part");
  EXPECT_EQ(OutputPartName("/d/100%.csv", 7), "/d/.100%25.csv.zelrpt-7.part");
}

TEST_F(OutputFileTest, CommitReplacesTheOldFileAndLeavesNoPart) {
  writeFile(path("out.csv"), "old");
  {
    OutputFile out(path("out.csv"));
    EXPECT_EQ(readAll(path("out.csv")), "old");  // untouched until the commit
    out.write("new", 3);
    out.commit();
  }
  EXPECT_EQ(readAll(path("out.csv")), "new");
  EXPECT_TRUE(others({"out.csv"}).empty());
}

// A PDF whose pages one worker drew all is that worker's piece renamed over
// the part: the file must still get the mode a new or replaced file gets.
TEST_F(OutputFileTest, APieceRenamedOverThePartKeepsTheModeOfTheFileItReplaces) {
  struct Case {
    const char* name;
    int oldMode;  // -1: no old file
  };
  const mode_t mask = ::umask(022);
  for (const Case c : {Case{"new.pdf", -1}, Case{"public.pdf", 0644}, Case{"private.pdf", 0600}}) {
    if (c.oldMode >= 0) {
      writeFile(path(c.name), "old");
      ::chmod(path(c.name).c_str(), static_cast<mode_t>(c.oldMode));
    }
    {
      OutputFile out(path(c.name));
      const std::string piece = out.extraPart(1);
      writeFile(piece, "%PDF-");
      ASSERT_EQ(std::rename(piece.c_str(), out.path().c_str()), 0);
      out.commit();
    }
    struct stat st {};
    ASSERT_EQ(::stat(path(c.name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, static_cast<mode_t>(c.oldMode >= 0 ? c.oldMode : 0644)) << c.name;
  }
  ::umask(mask);
}

TEST_F(OutputFileTest, AFailureOrAnEarlyEndKeepsTheOldFileAndRemovesTheParts) {
  writeFile(path("out.pdf"), "old");
  {
    OutputFile out(path("out.pdf"));
    out.write("half", 4);
    const std::string extra = out.extraPart(1);
    writeFile(extra, "piece");
    EXPECT_THROW(out.fail(ENOSPC, "a page could not be written"), OutputError);
  }
  {
    OutputFile out(path("out.pdf"));
    out.write("half", 4);
  }  // never committed
  EXPECT_EQ(readAll(path("out.pdf")), "old");
  EXPECT_TRUE(others({"out.pdf"}).empty());
  try {
    OutputFile out(path("out.pdf"));
    out.fail(ENOSPC);
  } catch (const OutputError& e) {
    EXPECT_EQ(e.error(), ENOSPC);
    EXPECT_NE(std::string(e.what()).find("디스크 공간이 부족합니다"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
  }
}

TEST_F(OutputFileTest, ALinkIsReplacedAndTheFileItPointsToKept) {
  writeFile(path("victim.txt"), "keep");
  fs::create_symlink(path("victim.txt"), path("page.png"));
  fs::create_symlink(path("missing.cdx"), path("dangling.png"));
  for (const char* name : {"page.png", "dangling.png"}) {
    OutputFile out(path(name));
    out.write("png", 3);
    out.commit();
    EXPECT_FALSE(fs::is_symlink(path(name))) << name;
    EXPECT_EQ(readAll(path(name)), "png");
  }
  EXPECT_EQ(readAll(path("victim.txt")), "keep");
  EXPECT_FALSE(fs::exists(path("missing.cdx")));
}

TEST_F(OutputFileTest, AFifoIsWrittenAsAStreamAndStaysAFifo) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = readAll(path("pipe")); });
  {
    OutputFile out(path("pipe"));
    EXPECT_TRUE(out.streams());
    EXPECT_NE(out.path().rfind(dir_.string(), 0), 0u) << "a stream's part waits in the temporary directory";
    out.write("whole", 5);
    out.commit();
  }
  reader.join();
  EXPECT_EQ(got, "whole");
  struct stat st {};
  ASSERT_EQ(::lstat(path("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(OutputFileTest, WhatCannotBeAnOutputIsRefusedWithItsReason) {
  fs::create_directories(path("folder"));
  struct Case {
    std::string target;
    int error;
  };
  for (const Case& c : {Case{path("folder"), EISDIR}, Case{path("no/such/dir.csv"), ENOENT},
                        Case{path(std::string(300, 'a')), ENAMETOOLONG}, Case{"/dev/zelrpt-not-there", ENOENT}}) {
    try {
      OutputFile out(c.target);
      ADD_FAILURE() << c.target << " was accepted";
    } catch (const OutputError& e) {
      EXPECT_EQ(e.error(), c.error) << c.target;
    }
  }
  EXPECT_TRUE(fs::is_directory(path("folder")));
}

// Only this output's part files, marked by the program, of processes that
// are gone, are stale; a user's files of any look are not.
TEST_F(OutputFileTest, StalePartsAreOnlyThisOutputsMarkedPartsOfDeadProcesses) {
  struct Planted {
    std::string name;
    bool marked;
    bool removed;
  };
  const std::string dead = std::to_string(kDeadPid), live = std::to_string(::getpid());
  const std::vector<Planted> planted = {
      {".out.pdf.zelrpt-" + dead + ".part", true, true},
      {".out.pdf.zelrpt-" + dead + ".part-2", true, true},
      {".out.pdf.zelrpt-" + dead + ".part", false, false},  // replaced below: unmarked twin
      {".out.pdf.zelrpt-" + live + ".part", true, false},
      {".other.pdf.zelrpt-" + dead + ".part", true, false},
      {"out.pdf.part" + dead, true, false},
      {"thesis.pdf.part999999", false, false},
      {".out.pdf.zelrpt-" + dead + ".partx", true, false},
      {".out.pdf.zelrpt-.part", true, false},
  };
  for (std::size_t i = 0; i < planted.size(); ++i) {
    if (i == 2) continue;
    writeFile(path(planted[i].name), "%PDF-1.4\n");
    if (planted[i].marked) {
      ASSERT_TRUE(mark(path(planted[i].name)));
    }
  }
  // The unmarked one lives in another directory's twin: same name, no mark.
  fs::create_directories(path("sub"));
  writeFile((dir_ / "sub" / planted[2].name).string(), "%PDF-1.4\n");
  // A marked link of the right name is no file of ours either.
  fs::create_symlink(path("thesis.pdf.part999999"), path(".out.pdf.zelrpt-" + dead + ".part-3"));

  EXPECT_EQ(RemoveStaleParts({path("out.pdf")}), 2);
  EXPECT_EQ(RemoveStaleParts({(dir_ / "sub" / "out.pdf").string()}), 0);
  for (std::size_t i = 0; i < planted.size(); ++i) {
    if (i == 2) continue;
    EXPECT_EQ(fs::exists(path(planted[i].name)), !planted[i].removed) << planted[i].name;
  }
  EXPECT_TRUE(fs::exists((dir_ / "sub" / planted[2].name).string()));
  EXPECT_TRUE(fs::is_symlink(path(".out.pdf.zelrpt-" + dead + ".part-3")));
}

}  // namespace
}  // namespace zel
