// The margin writer's output read back by an independent reader (Debian's
// python3-dbfread): the memo, the record count and the other fields must be
// what a FoxPro reader expects.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "margin_writer.h"
#include "test_process.h"
#include "test_report.h"

namespace zel {
namespace {

constexpr char kPython[] = "/usr/bin/python3";

// Prints, per record: F_PAGE, then the hex bytes of F_INIT (or "-").
constexpr char kDumpScript[] = R"PY(
import sys
from dbfread import DBF
# latin-1 maps every byte to one character, so the memo's bytes come back unchanged.
table = DBF(sys.argv[1], encoding='latin-1', ignore_missing_memofile=False)
for record in table:
    memo = record['F_INIT']
    print(record['F_PAGE'], memo.encode('latin-1').hex() if memo else '-')
)PY";

std::string run(const std::string& command) { return zel::CommandOutput(command); }

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

class MarginInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    if (run(std::string(kPython) + " -c 'import dbfread' 2>&1; echo $?") != "0\n") GTEST_SKIP() << "no dbfread";
    dir_ = testing::makeTempDirectory("interop");
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::string dump() {
    std::string script = dir_ + "/dump.py";
    FILE* f = std::fopen(script.c_str(), "w");
    std::fputs(kDumpScript, f);
    std::fclose(f);
    return run(std::string(kPython) + " " + script + " " + dir_ + "/P_RPTB02.dbf 2>&1");
  }

  std::string dir_;
};

TEST_F(MarginInteropTest, RewrittenBlockReadsBackElsewhere) {
  // "<RPTCODE>=♬RPTB02♬" CR LF "<TITLE>=♬내역서♬" (CP949) CR LF "<PAGESPACE>=♬10|10|15|10|♬"
  const std::string head = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD\r\n<TITLE>=\xA2\xDD\xB3\xBB\xBF\xAA\xBC\xAD\xA2\xDD";
  testing::TestReport report;
  report.settings = head +
                    "\r\n<PAGESPACE>=\xA2\xDD"
                    "10|10|15|10|\xA2\xDD";
  report.pages = {1, 2, 2};
  std::string error;
  ASSERT_TRUE(testing::writeTestReport(dir_, "P_RPTB02.dbf", report, &error)) << error;

  {
    MarginWriter writer;
    writer.load(dir_, "P_RPTB02.dbf");
    writer.save({"120", "8", "15", "10"});
  }
  std::string expected = head +
                         "\r\n<PAGESPACE>=\xA2\xDD"
                         "120|8|15|10|\xA2\xDD";
  EXPECT_EQ(dump(), "1 " + hex(expected) + "\n2 -\n2 -\n");

  {
    MarginWriter writer;
    writer.load(dir_, "P_RPTB02.dbf");
    writer.save({"3", "4", "5", "6"});
  }
  expected = head +
             "\r\n<PAGESPACE>=\xA2\xDD"
             "3|4|5|6|\xA2\xDD";
  EXPECT_EQ(dump(), "1 " + hex(expected) + "\n2 -\n2 -\n");
}

TEST_F(MarginInteropTest, AppendedEntryReadsBackElsewhere) {
  const std::string head = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD";
  testing::TestReport report;
  report.settings = head;
  std::string error;
  ASSERT_TRUE(testing::writeTestReport(dir_, "P_RPTB02.dbf", report, &error)) << error;
  {
    MarginWriter writer;
    writer.load(dir_, "P_RPTB02.dbf");
    writer.save({"0", "0", "0", "0"});
  }
  EXPECT_EQ(dump(), "1 " +
                        hex(head + "\r\n<PAGESPACE>=\xA2\xDD"
                                   "0|0|0|0|\xA2\xDD") +
                        "\n");
}

}  // namespace
}  // namespace zel
