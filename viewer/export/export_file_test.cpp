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
  if (!failed) EXPECT_TRUE(progress.closed);
  if (c.written && c.format == ExportFormat::kCsv)
    EXPECT_EQ(readAll(target), "\xEF\xBB\xBFPage,Name\r\n1,line\r\n2,line\r\n3,line\r\n");
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
  for (const auto& [position, page] : progress.steps) bar = position == 1 ? bar + 1 : position;
  EXPECT_EQ(bar, kPages);
  EXPECT_LE(progress.steps.size(), static_cast<std::size_t>(kPages));
}

}  // namespace
}  // namespace zel
