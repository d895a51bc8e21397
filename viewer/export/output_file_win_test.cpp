// OutputFile on Windows: new part files, the move over the target, devices
// as streams, Windows' refusals in the user's words, stale parts.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "output_file.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr long kDeadPid = 0x3FFFFFF0;  // above any process id the system hands out

std::wstring wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string readAll(const std::string& path) {
  std::ifstream in(fs::path(wide(path)), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(fs::path(wide(path)), std::ios::binary) << bytes;
}

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A Korean folder name with a blank: names reach Windows as UTF-16 from UTF-8.
    dir_ = fs::temp_directory_path() / fs::path(wide("출력 시험-" + std::to_string(GetCurrentProcessId())));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / fs::path(wide(name))).string(); }
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

TEST_F(OutputFileTest, PartNamesKeepTheDirectoryAsSpeltAndArePrintable) {
  EXPECT_EQ(OutputPartName("/d/out.pdf", 42), "/d/.out.pdf.zelrpt-42.part");
  EXPECT_EQ(OutputPartName("C:\\d\\out.pdf", 42), "C:\\d\\.out.pdf.zelrpt-42.part");
  EXPECT_EQ(OutputPartName("C:out.pdf", 42), "C:.out.pdf.zelrpt-42.part");
  EXPECT_EQ(OutputPartName("C:\\d\\o\xED\x95\x9C 1.csv", 7), "C:\\d\\.o%ED%95%9C%201.csv.zelrpt-7.part");
}

TEST_F(OutputFileTest, CommitReplacesTheOldFileAndLeavesNoPart) {
  for (const char* name : {"out.csv", "보고서 1.csv"}) {
    writeFile(path(name), "old");
    {
      OutputFile out(path(name));
      EXPECT_EQ(readAll(path(name)), "old");  // untouched until the commit
      out.write("new\n", 4);
      out.commit();
    }
    EXPECT_EQ(readAll(path(name)), "new\n") << name;  // binary: no CR added
  }
  EXPECT_TRUE(others({"out.csv", "보고서 1.csv"}).empty());
}

// The writers open the part by its name while the output holds it open.
TEST_F(OutputFileTest, AWriterOpensThePartByItsName) {
  {
    OutputFile out(path("sheet.xlsx"));
    std::FILE* f = _wfopen(wide(out.pathForLibraries(out.path())).c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fputs("PK", f);
    ASSERT_EQ(std::fclose(f), 0);
    out.commit();
  }
  EXPECT_EQ(readAll(path("sheet.xlsx")), "PK");
}

TEST_F(OutputFileTest, AFailureOrAnEarlyEndKeepsTheOldFileAndRemovesTheParts) {
  writeFile(path("out.pdf"), "old");
  {
    OutputFile out(path("out.pdf"));
    out.write("half", 4);
    writeFile(out.extraPart(1), "piece");
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
  }
}

// Another program holding the file open without sharing it (a spreadsheet
// program does) keeps it: the user is told, and nothing is left behind.
TEST_F(OutputFileTest, ATargetHeldByAnotherProgramIsKeptAndTheUserTold) {
  writeFile(path("open.xlsx"), "old");
  const HANDLE held = CreateFileW(wide(path("open.xlsx")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    OutputFile out(path("open.xlsx"));
    out.write("new", 3);
    out.commit();
    ADD_FAILURE() << "a held file was replaced";
  } catch (const OutputError& e) {
    EXPECT_TRUE(e.error() == EBUSY || e.error() == EACCES) << e.error();
  }
  CloseHandle(held);
  EXPECT_EQ(readAll(path("open.xlsx")), "old");
  EXPECT_TRUE(others({"open.xlsx"}).empty());
}

TEST_F(OutputFileTest, ADeviceIsWrittenAsAStreamAndNeverReplaced) {
  for (const std::string& device : {std::string("NUL"), path("nul.txt"), std::string("\\\\.\\NUL")}) {
    OutputFile out(device);
    EXPECT_TRUE(out.streams()) << device;
    EXPECT_NE(out.path().rfind(dir_.string(), 0), 0u) << "a stream's part waits in the temporary directory";
    out.write("whole", 5);
    out.commit();
  }
  EXPECT_TRUE(others({}).empty());
}

TEST_F(OutputFileTest, WhatCannotBeAnOutputIsRefusedWithItsReason) {
  fs::create_directories(dir_ / "folder");
  struct Case {
    std::string target;
    int error;
    const char* words;
  };
  for (const Case& c : {Case{path("folder"), EISDIR, "같은 이름의 폴더가 있습니다."},
                        Case{path("no\\such\\dir.csv"), ENOENT, "폴더가 없습니다."},
                        Case{path("a<b>.csv"), EILSEQ, "파일 이름에 쓸 수 없는 글자가 있습니다."}}) {
    try {
      OutputFile out(c.target);
      ADD_FAILURE() << c.target << " was accepted";
    } catch (const OutputError& e) {
      EXPECT_EQ(e.error(), c.error) << c.target;
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
  EXPECT_TRUE(others({"folder"}).empty());
}

// Only this output's part files of processes that are gone are stale: by
// their name, as Windows volumes keep no mark of ours; a user's files of
// any other look, and folders, are not.
TEST_F(OutputFileTest, StalePartsAreOnlyThisOutputsPartsOfDeadProcesses) {
  struct Planted {
    std::string name;
    bool removed;
  };
  const std::string dead = std::to_string(kDeadPid), live = std::to_string(GetCurrentProcessId());
  const std::vector<Planted> planted = {
      {".out.pdf.zelrpt-" + dead + ".part", true},
      {".out.pdf.zelrpt-" + dead + ".part-2", true},
      {".out.pdf.zelrpt-" + live + ".part", false},
      {".other.pdf.zelrpt-" + dead + ".part", false},
      {"out.pdf.part" + dead, false},
      {".out.pdf.zelrpt-" + dead + ".partx", false},
      {".out.pdf.zelrpt-.part", false},
      {"thesis.pdf.part999999", false},
  };
  for (const Planted& p : planted) writeFile(path(p.name), "%PDF-1.4\n");
  for (const Planted& p : planted) ASSERT_TRUE(fs::exists(path(p.name))) << p.name;
  fs::create_directories(dir_ / (".out.pdf.zelrpt-" + dead + ".part-3"));
  // The same name in another folder is that folder's.
  fs::create_directories(dir_ / "sub");
  writeFile((dir_ / "sub" / planted[0].name).string(), "%PDF-1.4\n");

  EXPECT_EQ(RemoveStaleParts({path("out.pdf")}), 2);
  for (const Planted& p : planted) EXPECT_EQ(fs::exists(path(p.name)), !p.removed) << p.name;
  EXPECT_TRUE(fs::is_directory(dir_ / (".out.pdf.zelrpt-" + dead + ".part-3")));
  EXPECT_TRUE(fs::exists(dir_ / "sub" / planted[0].name));
}

TEST_F(OutputFileTest, AWriterFailureOnAWorkingDiskIsAnInputOutputError) {
  writeFile(path("x.csv"), "x");
  EXPECT_EQ(ProbeWriteError(path("x.csv")), EIO);
}

}  // namespace
}  // namespace zel
