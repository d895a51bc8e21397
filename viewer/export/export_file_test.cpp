#include "export_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_dir.h"
#include "data_error.h"
#include "export_test_support.h"
#include "fake_report_lines.h"
#include "progress_dialog.h"
#include "sheet_writer.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

// Cancels at the page given (0: never); counts the steps.
class CancellingProgress : public ProgressDialog {
 public:
  int cancelAtPage = 0;
  int steps = 0;
  bool closed = false;
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int, int page, const std::string&) override {
    ++steps;
    return cancelAtPage == 0 || page - 1 < cancelAtPage;
  }
  bool CloseProgress() override { return closed = true; }
  void ProcessPendingMessages() override {}
};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One text column, "Name", a tenth of the frame wide.
TReportLayout oneColumnLayout() {
  return zel::testing::LayoutFrom(
      SettingsBuilder().set("F1", Descriptor("1", "1", "1", "4", "10", "S", "F_DES", "Name", "Name")));
}

struct FileCase {
  const char* name;
  ExportFormat format;
  const char* widthPct;  // of the one column; not a number fails as on the page
  int cancelAtPage;
  bool written;  // the target replaced by a complete file
};

class ExportFile : public ::testing::TestWithParam<FileCase> {
 protected:
  TempDir temp_{"zel_export_file_test"};
  fs::path dir_{temp_.path()};
};

TEST_P(ExportFile, CompleteOrNothing) {
  const FileCase& c = GetParam();
  TReportLayout layout = oneColumnLayout();
  layout.Fields[1].items[4] = c.widthPct;  // as a damaged block would hold it
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"}};
  for (const char* page : {"1", "2", "3"}) lines.add({{"F_PAGE", page}, {"F_DES", "line"}});
  const std::string target = (dir_ / (c.format == ExportFormat::kCsv ? "out.csv" : "out.xlsx")).string();
  std::ofstream(target) << "before";

  ExportRequest request;
  request.path = target;
  request.format = c.format;
  request.from = 1;
  request.to = 3;
  CancellingProgress progress;
  progress.cancelAtPage = c.cancelAtPage;
  bool failed = false;
  try {
    const ExportOutcome done = ExportReportFile(layout, lines, request, progress);
    EXPECT_EQ(done.cancelled, c.cancelAtPage != 0);
  } catch (const DataError&) {
    failed = true;
  }
  EXPECT_EQ(failed, std::string(c.widthPct) != "10");
  EXPECT_EQ(readAll(target) != "before", c.written);
  EXPECT_FALSE(fs::exists(ExportPartName(target)));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  if (!failed) {
    EXPECT_TRUE(progress.closed);
  }
  if (c.written && c.format == ExportFormat::kCsv) {
    EXPECT_EQ(readAll(target), "\xEF\xBB\xBFPage,Name\r\n1,line\r\n2,line\r\n3,line\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportFile,
                         ::testing::Values(FileCase{"xlsx_written", ExportFormat::kXlsx, "10", 0, true},
                                           FileCase{"csv_written", ExportFormat::kCsv, "10", 0, true},
                                           FileCase{"xlsx_cancelled", ExportFormat::kXlsx, "10", 1, false},
                                           FileCase{"csv_cancelled", ExportFormat::kCsv, "10", 1, false},
                                           FileCase{"cancelled_at_the_last_page", ExportFormat::kCsv, "10", 3, false},
                                           FileCase{"xlsx_bad_width", ExportFormat::kXlsx, "x", 0, false},
                                           FileCase{"csv_bad_width", ExportFormat::kCsv, "", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Steps as the bar takes them: the first page alone, the bar full at the end.
class BarProgress : public ProgressDialog {
 public:
  std::vector<std::pair<int, int>> steps;  // position, page
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int position, int page, const std::string&) override {
    steps.emplace_back(position, page);
    return true;
  }
  bool CloseProgress() override { return true; }
  void ProcessPendingMessages() override {}
};

TEST(ExportFileProgress, FirstPageAloneAndTheBarFullAtTheEnd) {
  TReportLayout layout = oneColumnLayout();
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"}};
  constexpr int kPages = 300;
  for (int page = 1; page <= kPages; ++page) lines.add({{"F_PAGE", std::to_string(page)}, {"F_DES", "line"}});
  ExportRequest request;
  const TempDir temp("zel_export_progress");
  request.path = temp / "progress.csv";
  request.format = ExportFormat::kCsv;
  request.from = 1;
  request.to = kPages;
  BarProgress progress;
  EXPECT_EQ(ExportReportFile(layout, lines, request, progress).lines, kPages);
  fs::remove(request.path);
  ASSERT_FALSE(progress.steps.empty());
  EXPECT_EQ(progress.steps.front(), std::make_pair(1, 2));
  EXPECT_EQ(progress.steps.back().second, kPages + 1);
  int bar = 0;
  // (-1 keeps the bar: the looks for a cancel while the file is finished.)
  for (const auto& [position, page] : progress.steps) bar = position == 1 ? bar + 1 : position == -1 ? bar : position;
  EXPECT_EQ(bar, kPages);
  EXPECT_LE(progress.steps.size(), static_cast<std::size_t>(kPages));
}

// Cancels at the n-th check after the last page (position -1): 1 while the
// workbook is still to be finished, 2 once it is, just before the rename.
class LateCancelProgress : public ProgressDialog {
 public:
  int cancelAtCheck = 0;
  int checks = 0;
  bool showing = false;
  bool ShowProgress(int, const std::string&) override { return showing = true; }
  bool StepProgress(int position, int, const std::string&) override {
    if (!showing) return false;
    if (position == -1 && ++checks == cancelAtCheck) return false;
    return true;
  }
  bool CloseProgress() override {
    showing = false;
    return true;
  }
  void ProcessPendingMessages() override {}
};

struct LateCase {
  const char* name;
  ExportFormat format;
  int cancelAtCheck;
};

class ExportLateCancel : public ::testing::TestWithParam<LateCase> {
 protected:
  TempDir temp_{"zel_export_late_cancel"};
};

// A Ctrl+C while the workbook is zipped used to leave the complete file.
TEST_P(ExportLateCancel, CancelAfterTheLinesLeavesNoFile) {
  const LateCase& c = GetParam();
  TReportLayout layout = oneColumnLayout();
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"}};
  for (const char* page : {"1", "2"}) lines.add({{"F_PAGE", page}, {"F_DES", "line"}});
  const std::string target = temp_ / (c.format == ExportFormat::kCsv ? "late.csv" : "late.xlsx");
  std::ofstream(target) << "before";
  ExportRequest request;
  request.path = target;
  request.format = c.format;
  request.from = 1;
  request.to = 2;
  LateCancelProgress progress;
  progress.cancelAtCheck = c.cancelAtCheck;
  const ExportOutcome done = ExportReportFile(layout, lines, request, progress);
  EXPECT_TRUE(done.cancelled);
  EXPECT_EQ(readAll(target), "before");
  EXPECT_FALSE(fs::exists(ExportPartName(target)));
  EXPECT_EQ(progress.checks, c.cancelAtCheck);
  EXPECT_FALSE(progress.showing);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportLateCancel,
                         ::testing::Values(LateCase{"xlsx_before_finish", ExportFormat::kXlsx, 1},
                                           LateCase{"xlsx_before_rename", ExportFormat::kXlsx, 2},
                                           LateCase{"csv_before_finish", ExportFormat::kCsv, 1},
                                           LateCase{"csv_before_rename", ExportFormat::kCsv, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExportLateCancel, NoCancelStillWritesAfterBothChecks) {
  const TempDir temp("zel_export_no_cancel");
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"}};
  lines.add({{"F_PAGE", "1"}, {"F_DES", "line"}});
  ExportRequest request;
  request.path = temp / "kept.xlsx";
  LateCancelProgress progress;
  EXPECT_FALSE(ExportReportFile(oneColumnLayout(), lines, request, progress).cancelled);
  EXPECT_EQ(progress.checks, 2);
  EXPECT_TRUE(fs::exists(request.path));
}

// Where the target's folder cannot take a file, and what the user is told.
struct FolderCase {
  const char* name;
  const char* target;  // under the test's folder, which holds a file "file"
  const char* reason;  // "" when the file can be written
};

class ExportTargetFolder : public ::testing::TestWithParam<FolderCase> {
 protected:
  void SetUp() override { std::ofstream(temp_ / "file") << "x"; }
  TempDir temp_{"zel_export_target_folder"};
};

TEST_P(ExportTargetFolder, RefusedWithTheReasonBeforeAnyLineIsRead) {
  const FolderCase& c = GetParam();
  const std::string target = temp_ / c.target;
  const std::string problem = ExportTargetProblem(target);
  if (std::string(c.reason).empty()) {
    EXPECT_EQ(problem, "");
    return;
  }
  EXPECT_EQ(problem.rfind(target + "\r파일을 저장할 수 없습니다. ", 0), 0u) << problem;
  EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;

  // The export refuses with the same text before the first line is read.
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"}};
  lines.add({{"F_PAGE", "1"}, {"F_DES", "line"}});
  ExportRequest request;
  request.path = target;
  CancellingProgress progress;
  try {
    ExportReportFile(oneColumnLayout(), lines, request, progress);
    ADD_FAILURE() << "exported into " << target;
  } catch (const ExportError& e) {
    EXPECT_EQ(std::string(e.what()), problem);
  }
  EXPECT_EQ(progress.steps, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportTargetFolder,
                         ::testing::Values(FolderCase{"writable", "out.xlsx", ""},
                                           FolderCase{"missing_folder", "missing/out.xlsx", "가 없습니다."},
                                           FolderCase{"missing_folders", "missing/deeper/out.csv", "가 없습니다."},
                                           FolderCase{"folder_is_a_file", "file/out.xlsx", "이 폴더가 아닙니다."},
                                           FolderCase{"path_through_a_file", "file/sub/out.xlsx",
                                                      "폴더가 아닌 파일이 있습니다."}),
                         [](const auto& info) { return std::string(info.param.name); });

// Spellings of one output file, and of two.
struct SameFileCase {
  const char* name;
  const char* a;
  const char* b;  // both under the test's folder, which holds "d/" and "d/x.xlsx"
  bool same;
};

class ExportSameFile : public ::testing::TestWithParam<SameFileCase> {
 protected:
  void SetUp() override {
    fs::create_directory(temp_ / "d");
    std::ofstream(temp_ / "d/x.xlsx") << "x";
    // Windows makes symbolic links only with a privilege, Wine not at all.
    std::error_code ec;
    fs::create_symlink(temp_ / "d", temp_ / "link", ec);
    links_ = !ec;
    fs::create_hard_link(temp_ / "d/x.xlsx", temp_ / "hard.xlsx");
  }
  TempDir temp_{"zel_export_same_file"};
  bool links_ = false;
};

TEST_P(ExportSameFile, ByIdentityOrByResolvedPath) {
  const SameFileCase& c = GetParam();
  bool same = c.same;
  if (std::string(c.b).rfind("link/", 0) == 0 && !links_) GTEST_SKIP() << "no symbolic links on this system";
#ifdef _WIN32
  if (std::string(c.name) == "case_differs") same = true;  // one file: Windows names ignore case
#endif
  EXPECT_EQ(SameOutputFile(temp_ / c.a, temp_ / c.b), same);
  EXPECT_EQ(SameOutputFile(temp_ / c.b, temp_ / c.a), same);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportSameFile,
                         ::testing::Values(SameFileCase{"one_name", "same.out", "same.out", true},
                                           SameFileCase{"dot", "a.xlsx", "./a.xlsx", true},
                                           SameFileCase{"dot_dot", "a.xlsx", "d/../a.xlsx", true},
                                           SameFileCase{"through_a_link", "d/new.csv", "link/new.csv", true},
                                           SameFileCase{"existing_through_a_link", "d/x.xlsx", "link/x.xlsx", true},
                                           SameFileCase{"hard_link", "d/x.xlsx", "hard.xlsx", true},
                                           SameFileCase{"two_names", "a.xlsx", "a.csv", false},
                                           SameFileCase{"case_differs", "a.xlsx", "A.xlsx", false},
                                           SameFileCase{"other_folder", "a.xlsx", "d/a.xlsx", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zel
