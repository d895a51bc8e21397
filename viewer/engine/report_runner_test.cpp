#include "report_runner.h"
#include "run_services.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "report_table.h"
#include "data_error.h"
#include "fake_printer.h"
#include "message_service.h"
#include "page_recorder.h"
#include "preview_handover.h"
#include "recording_canvas.h"
#include "preview_session.h"
#include "report_lines.h"
#include "report_writer.h"
#include "sample_reports.h"
#include "value_search.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
namespace rw = reportwriter;

const char kNoReportFile[] = "현재 디렉토리에는 보고서파일이 없습니다.\r디렉토리설정을 먼저 해주십시요.";
const char kNeedPrinter[] =
    "프린터가 설정되어 있어야만 새 보고서를 작성/인쇄할 수 있습니다.\r프린터 Driver설치 후, 프로그램을 재시작해주십시요.";
const char kNoSuchReport[] = "이미 삭제되었거나 없는 보고서입니다.";
const char kNotAReport[] = "보고서 화일이 아닙니다.";
const char kNoSettings[] = "보고서 F_INIT에 초기화정보가 없습니다.\r사용할 수 없는 보고서입니다.";
const char kUnsupported[] = "지원하지 않는 보고서입니다.";
const char kPrinterUnusable[] =
    "프린터가 설정되어 있지 않거나,사용할 수 없는 상태입니다.\r프린터를 설치 후, 프로그램을 재시작해주십시요.";

class RecordingPicture : public PageRecorder {
 public:
  RecordingCanvas canvas;
  std::vector<std::string> log;
  Canvas& beginPage(int w, int h) override {
    canvas.clear();
    log.push_back("begin " + std::to_string(w) + "x" + std::to_string(h));
    return canvas;
  }
  void paintPaper() override { log.push_back("paper"); }
  void setPageWindow(int w, int h) override { log.push_back("window " + std::to_string(w) + "x" + std::to_string(h)); }
  void restoreMapping() override { log.push_back("restore"); }
  void endPage() override { log.push_back("end"); }
};

struct PreviewRecord {
  int created = 0;
  std::string first, last, current;
  ReportTable* table = nullptr;
  int orientation = -1;
  std::vector<std::string> order;
  TReportLayout layout;  // the session's, as handed over
  int sessionFirst = 0, sessionLast = 0;
};

class FakePreview : public ReportPreview {
 public:
  FakePreview(PreviewRecord& r, std::function<void(FakePreview&)> onShow) : r_(r), onShow_(std::move(onShow)) {}
  void SetSession(const PreviewSession& session) override {
    this->session = &session;
    r_.layout = session.layout;
    r_.sessionFirst = session.firstPage;
    r_.sessionLast = session.lastPage;
    r_.order.push_back("session");
  }
  void SetPageInfo(const std::string& f, const std::string& l, ReportTable* t, const std::string& c) override {
    r_.first = f;
    r_.last = l;
    r_.table = t;
    r_.current = c;
    r_.order.push_back("info");
  }
  void SetPaperOrientation(int o) override {
    r_.orientation = o;
    r_.order.push_back("orientation");
  }
  void SetOnDrawPage(DrawPageProc p) override {
    draw = std::move(p);
    r_.order.push_back("draw");
  }
  void SetOnPrintJob(PrintJobProc p) override {
    print = std::move(p);
    r_.order.push_back("print");
  }
  void ShowModal() override {
    r_.order.push_back("show");
    if (onShow_) onShow_(*this);
  }
  const PreviewSession* session = nullptr;
  DrawPageProc draw;
  PrintJobProc print;
  ReportTable* table() const { return r_.table; }

 private:
  PreviewRecord& r_;
  std::function<void(FakePreview&)> onShow_;
};

std::vector<std::string> cdxFiles(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".CDX") out.push_back(e.path().filename().string());
  }
  return out;
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = (fs::temp_directory_path() / ("zel_runner_" + std::to_string(getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name()))
               .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    services_.messages = &messages_;
    services_.printer = &printer_;
    services_.preview = [this] {
      ++preview_.created;
      return std::make_unique<FakePreview>(preview_, onShow_);
    };
  }
  void TearDown() override { fs::remove_all(dir_); }

  rw::SettingsEntries settings(const std::string& code = "RPTB02") {
    return {{"RPTCODE", code},
            {"FIELDCOUNT", "2|0|2|"},
            {"F1", "1|1|1|1|30||S|F_DES||d|Desc||||L|||||"},
            {"F2", "2|2|1|1|70||D|F_MA||m|Amt||D|R|||||"},
            {"OPTIONSET", "1|0|0|0|3|0|"},
            {"PAGESPACE", "10|10|10|10|"},
            {"FONT", "Gulim|10|100|0|129|"},
            {"TITLEFONT", "Gulim|12|100|0|129|"},
            {"OUTLINE", "1"}};
  }
  void writeReport(const std::string& name, rw::SettingsEntries entries, std::vector<int> pages = {1, 1, 2, 3}) {
    rw::ReportSpec spec;
    spec.fileName = name;
    spec.settings = std::move(entries);
    for (int p : pages) spec.lines.push_back({{"F_PAGE", std::to_string(p)}, {"F_DES", "line"}, {"F_MA", "1.5"}});
    ASSERT_TRUE(rw::writeReport(dir_, spec).isOk());
  }
  void touch(const std::string& name, const std::string& bytes = "junk") { std::ofstream(dir_ + "/" + name) << bytes; }
  void expectOnly(const std::string& text, MessageIcon icon, const std::string& caption) {
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, text);
    EXPECT_EQ(messages_.shown[0].icon, icon);
    EXPECT_EQ(messages_.shown[0].caption, caption);
    EXPECT_EQ(preview_.created, 0);
  }

  std::string dir_;
  RecordingMessageService messages_;
  RunServices services_;
  FakePrinter printer_;
  PreviewRecord preview_;
  std::function<void(FakePreview&)> onShow_;
};

TEST_F(RunnerTest, BlankOrMissingName) {
  RunReport(services_, dir_, "   ");
  expectOnly(kNoReportFile, MessageIcon::kInformation, "알림");
  messages_.shown.clear();
  RunReport(services_, dir_, "P_NONE.DBF");
  expectOnly(kNoReportFile, MessageIcon::kInformation, "알림");
}

TEST_F(RunnerTest, NoPrinter) {
  writeReport("P_A.DBF", settings());
  services_.printer = nullptr;
  RunReport(services_, dir_, "P_A.DBF");
  expectOnly(kNeedPrinter, MessageIcon::kWarning, "경고");
  messages_.shown.clear();
  printer_.usable = false;
  services_.printer = &printer_;
  RunReport(services_, dir_, "P_A.DBF");
  expectOnly(kNeedPrinter, MessageIcon::kWarning, "경고");
}

TEST_F(RunnerTest, NameChecks) {
  struct Case {
    std::string name, message;
  };
  for (const Case& c : {Case{"PNODOT", kNoSuchReport}, Case{".hidden", kNoSuchReport}, Case{"a.b.dbf", kNotAReport},
                        Case{"P_A.TXT", kNotAReport}, Case{"P_JUNK.DBF", kNotAReport}}) {
    messages_.shown.clear();
    touch(c.name);
    RunReport(services_, dir_, c.name);
    SCOPED_TRACE(c.name);
    expectOnly(c.message, MessageIcon::kWarning, "경고");
  }
}

TEST_F(RunnerTest, TableWithoutSettingsField) {
  rw::ReportSpec spec;
  spec.fileName = "P_NOINIT.DBF";
  spec.fields = {{"F_PAGE", 'N', 5, 0}, {"F_DES", 'C', 10, 0}};
  spec.lines = {{{"F_PAGE", "1"}}};
  ASSERT_TRUE(rw::writeReport(dir_, spec).isOk());
  RunReport(services_, dir_, "P_NOINIT.DBF");
  expectOnly(kNotAReport, MessageIcon::kWarning, "경고");
  ASSERT_EQ(messages_.logged.size(), 1u);
  EXPECT_NE(messages_.logged[0].find("no field F_INIT"), std::string::npos) << messages_.logged[0];
}

// The box keeps its plain words; the engine's reason goes to the log behind it.
TEST_F(RunnerTest, UnopenableTableLogsTheEngineReason) {
  writeReport("P_A.DBF", settings());
  std::filesystem::resize_file(dir_ + "/P_A.DBF", 32);
  RunReport(services_, dir_, "P_A.DBF");
  expectOnly(kNotAReport, MessageIcon::kWarning, "경고");
  ASSERT_EQ(messages_.logged.size(), 1u);
  EXPECT_NE(messages_.logged[0].find("past the end"), std::string::npos) << messages_.logged[0];
}

// A report without its memo file names the file it lacks; before, the box
// said only that it is no report file.
TEST_F(RunnerTest, MissingMemoFileIsNamed) {
  for (const char* name : {"P_A.DBF", "P_B.dbf"}) {
    SCOPED_TRACE(name);
    messages_.shown.clear();
    messages_.logged.clear();
    writeReport(name, settings());
    const std::string base = std::string(name).substr(0, 3);
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      const std::string file = entry.path().filename().string();
      if (file.size() == 7 && file.substr(0, 3) == base && (file.substr(4) == "fpt" || file.substr(4) == "FPT"))
        std::filesystem::remove(entry.path());
    }
    RunReport(services_, dir_, name);
    const std::string memo = base + (name[4] == 'D' ? ".FPT" : ".fpt");
    expectOnly(std::string(kNotAReport) + "\r메모 파일이 없습니다: " + dir_ + "/" + memo, MessageIcon::kWarning,
               "경고");
    ASSERT_EQ(messages_.logged.size(), 1u);
  }
}

TEST_F(RunnerTest, EmptyReportCode) {
  auto s = settings();
  s.erase(s.begin());
  writeReport("P_A.DBF", s);
  RunReport(services_, dir_, "P_A.DBF");
  expectOnly(kNoSettings, MessageIcon::kWarning, "경고");
}

// The code is read in any case, as the description panel reads it; a code
// the viewer cannot run says so instead of ending in silence.
TEST_F(RunnerTest, ReportCodes) {
  struct Case {
    std::string code;
    bool runs;
  };
  for (const Case& c : {Case{"RPTB02", true}, Case{"rptb02", true}, Case{"RptB01", true}, Case{"RPTB03", false},
                        Case{"RPTA01", false}, Case{"RPTBX1", false}, Case{"rptc02", false}}) {
    SCOPED_TRACE(c.code);
    messages_.shown.clear();
    preview_.created = 0;
    writeReport("P_A.DBF", settings(c.code));
    RunReport(services_, dir_, "P_A.DBF");
    if (c.runs) {
      EXPECT_TRUE(messages_.shown.empty());
      EXPECT_EQ(preview_.created, 1);
    } else {
      expectOnly(kUnsupported, MessageIcon::kWarning, "경고");
    }
  }
}

TEST_F(RunnerTest, HandsOverInOrderAndCleansUp) {
  writeReport("P_A.DBF", settings("RPTB01"));
  touch("P_A.cdx", "stale index");
  std::vector<std::string> duringRun;
  onShow_ = [&](FakePreview& w) {
    duringRun = cdxFiles(dir_);
    ASSERT_NE(w.session, nullptr);
    EXPECT_EQ(w.session->layout.ReportCode, "RPTB01");
    EXPECT_EQ(w.session->layout.MarginLeft, 200);
    EXPECT_EQ(w.session->table, w.table());
    RecordingPicture picture;
    w.draw(picture, 2, w.table());
    // A4 at 600 dpi: round(4961 / 600 * 80) = 661, round(7016 / 600 * 80) = 935.
    EXPECT_EQ(picture.log, (std::vector<std::string>{"begin 661x935", "paper", "window 2100x2970", "restore", "end"}));
    int bodyLines = 0;
    for (const auto& t : picture.canvas.texts())
      if (t.text == "line") ++bodyLines;
    EXPECT_EQ(bodyLines, 1);  // page 2 holds one line
  };
  RunReport(services_, dir_, "P_A.DBF");
  EXPECT_TRUE(messages_.shown.empty());
  ASSERT_EQ(preview_.created, 1);
  EXPECT_EQ(preview_.order, (std::vector<std::string>{"session", "info", "orientation", "draw", "print", "show"}));
  EXPECT_EQ(preview_.first, "1");
  EXPECT_EQ(preview_.last, "3");
  EXPECT_EQ(preview_.current, "1");
  EXPECT_EQ(preview_.orientation, 0);
  EXPECT_EQ(preview_.sessionFirst, 1);
  EXPECT_EQ(preview_.sessionLast, 3);
  EXPECT_EQ(duringRun.size(), 1u);  // the run's own index, not the stale one next to it
  EXPECT_TRUE(cdxFiles(dir_).empty());
}

TEST_F(RunnerTest, LowerCaseNameAccepted) {
  writeReport("l_rptb02_a.dbf", settings());
  RunReport(services_, dir_, "l_rptb02_a.dbf");
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(preview_.created, 1);
  EXPECT_EQ(preview_.orientation, -1);  // only a capital letter names the orientation
  EXPECT_EQ(preview_.layout.PageWidth, 2100);
}

TEST_F(RunnerTest, LandscapeOrientation) {
  writeReport("L_A.DBF", settings());
  RunReport(services_, dir_, "L_A.DBF");
  EXPECT_EQ(preview_.orientation, 1);
  EXPECT_EQ(preview_.layout.PageWidth, 2970);
}

// The page count is the highest page a line carries, wherever that line
// stands; a report whose lines carry no page above 0 has one page.
TEST_F(RunnerTest, PageCountIsTheHighestPage) {
  struct Case {
    std::vector<int> pages;
    std::string last;
  };
  for (const Case& c :
       {Case{{1, 1, 2, 3}, "3"}, Case{{1, 5, 2, 3}, "5"}, Case{{0}, "1"}, Case{{0, 0}, "1"}, Case{{-4, -2}, "1"}}) {
    writeReport("P_A.DBF", settings(), c.pages);
    RunReport(services_, dir_, "P_A.DBF");
    EXPECT_EQ(preview_.last, c.last) << ::testing::PrintToString(c.pages);
  }
}

// A line whose page is below 1 among numbered lines sorts outside every page
// and used to be left out without a word: the report is refused, naming the
// record. (A report without any page numbers still runs.)
TEST_F(RunnerTest, ALineBelowPageOneAmongNumberedLinesIsRefused) {
  struct Case {
    std::vector<int> pages;
    long record;
  };
  for (const Case& c : {Case{{1, 2, 0}, 3}, Case{{0, 1, 1}, 1}, Case{{1, -1, 2}, 2}, Case{{2, 2, 1, 0, 0}, 4}}) {
    writeReport("P_A.DBF", settings(), c.pages);
    messages_.shown.clear();
    const int before = preview_.created;
    RunReport(services_, dir_, "P_A.DBF");
    EXPECT_EQ(preview_.created, before) << ::testing::PrintToString(c.pages);
    ASSERT_EQ(messages_.shown.size(), 1u) << ::testing::PrintToString(c.pages);
    EXPECT_NE(messages_.shown[0].text.find(std::to_string(c.record) + "번째 레코드의 쪽 번호(F_PAGE)"),
              std::string::npos)
        << messages_.shown[0].text;
    EXPECT_TRUE(cdxFiles(dir_).empty());
  }
}

TEST_F(RunnerTest, ConversionErrorEndsRunWithoutPreview) {
  auto s = settings();
  s[2].second = "1|1|1|x|30||S|F_DES||d|Desc||||L|||||";
  writeReport("P_A.DBF", s);
  EXPECT_THROW(RunReport(services_, dir_, "P_A.DBF"), DataError);
  EXPECT_EQ(preview_.created, 0);
  EXPECT_TRUE(cdxFiles(dir_).empty());
}

TEST_F(RunnerTest, BadMarginsEndRunAndRemoveIndex) {
  auto s = settings();
  s[5].second = "10|x|";
  writeReport("P_A.DBF", s);
  EXPECT_THROW(RunReport(services_, dir_, "P_A.DBF"), DataError);
  EXPECT_EQ(preview_.created, 0);
  EXPECT_TRUE(cdxFiles(dir_).empty());
}

TEST_F(RunnerTest, PrintJobThroughPreview) {
  writeReport("P_A.DBF", settings());
  onShow_ = [&](FakePreview& w) { w.print(PrintJob{2, 3, 7, 3}); };
  RunReport(services_, dir_, "P_A.DBF");
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(printer_.copies, 3);
  EXPECT_EQ(printer_.log, (std::vector<std::string>{"begin", "map", "page", "map", "unmap", "end"}));
  std::vector<std::string> numbers;
  for (const auto& t : printer_.recording.texts())
    if (t.text.rfind("Page : ", 0) == 0) numbers.push_back(t.text);
  EXPECT_EQ(numbers, (std::vector<std::string>{"Page : 7 ", "Page : 8 "}));
}

// A PDF file prints each page once whatever the copy count: the job repeats
// the range itself, collated.
TEST_F(RunnerTest, CopiesOnADeviceWithoutCopies) {
  writeReport("P_A.DBF", settings());
  printer_.deviceCopies = false;
  onShow_ = [&](FakePreview& w) { w.print(PrintJob{2, 3, 1, 2}); };
  RunReport(services_, dir_, "P_A.DBF");
  EXPECT_EQ(printer_.log,
            (std::vector<std::string>{"begin", "map", "page", "map", "page", "map", "page", "map", "unmap", "end"}));
  std::vector<std::string> numbers;
  for (const auto& t : printer_.recording.texts())
    if (t.text.rfind("Page : ", 0) == 0) numbers.push_back(t.text);
  EXPECT_EQ(numbers, (std::vector<std::string>{"Page : 1 ", "Page : 2 ", "Page : 1 ", "Page : 2 "}));
}

TEST_F(RunnerTest, PrintWithoutUsablePrinter) {
  writeReport("P_A.DBF", settings());
  onShow_ = [&](FakePreview& w) {
    printer_.usable = false;
    w.print(PrintJob{});
  };
  RunReport(services_, dir_, "P_A.DBF");
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, kPrinterUnusable);
  EXPECT_EQ(messages_.shown[0].caption, "경고");
  EXPECT_TRUE(printer_.log.empty());
}

// Every sample report previews and prints all its pages; the broken one is refused.
TEST_F(RunnerTest, SampleSetRendersEveryPage) {
  ASSERT_TRUE(rw::writeSampleSet(dir_).isOk());
  std::map<std::string, int> bodyTexts;
  std::string current;
  onShow_ = [&](FakePreview& w) {
    const int last = std::stoi(preview_.last);
    RecordingPicture picture;
    for (int page = 1; page <= last; ++page) {
      w.draw(picture, page, w.table());
      bodyTexts[current] += static_cast<int>(picture.canvas.texts().size());
      EXPECT_EQ(picture.log.back(), "end");
    }
    w.print(PrintJob{1, last, 1, 1});
  };
  for (const char* name :
       {"P_RPTB02_SAMPLE.dbf", "L_RPTB02_SAMPLE.dbf", "P_RPTB01_SUMMARY.dbf", "P_RPTB02_MARGIN.dbf"}) {
    current = name;
    preview_ = PreviewRecord{};
    printer_.log.clear();
    RunReport(services_, dir_, name);
    EXPECT_EQ(preview_.created, 1) << name;
    EXPECT_GT(bodyTexts[name], 0) << name;
    EXPECT_EQ(printer_.log.back(), "end") << name;
  }
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(cdxFiles(dir_).empty());
  RunReport(services_, dir_, "P_RPTB02_BROKEN.dbf");
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, kNoSettings);
}

// The find logic over the run's real table, in page order.
TEST_F(RunnerTest, FindWalksTheRunTable) {
  rw::ReportSpec spec;
  spec.fileName = "P_F.DBF";
  spec.settings = settings();
  spec.settings[2].second = "1|1|1|1|30||S|F_DES|Name|d|Desc||||L|||||";
  spec.lines = {{{"F_PAGE", "1"}, {"F_DES", "alpha"}, {"F_MA", "12.5"}},
                {{"F_PAGE", "3"}, {"F_DES", "gamma abc"}, {"F_MA", "12.5"}},
                {{"F_PAGE", "2"}, {"F_DES", "beta ABC"}, {"F_MA", "7"}}};
  ASSERT_TRUE(rw::writeReport(dir_, spec).isOk());
  std::vector<int> pages;
  onShow_ = [&](FakePreview& w) {
    ReportTableLines lines(*w.table());
    auto cols = PrepareSearch(lines, 0);
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[0].title, "Name");
    pages.push_back(SearchValue(messages_, lines, "F_DES", "abc", true).page);  // page order: beta on page 2 first
    PrepareSearch(lines, 2);
    pages.push_back(SearchValue(messages_, lines, "F_DES", "abc", true).page);
    PrepareSearch(lines, 0);
    pages.push_back(SearchValue(messages_, lines, "F_MA", "12.50", true).page);
    PrepareSearch(lines, 3);
    pages.push_back(SearchValue(messages_, lines, "F_DES", "abc", true).page);
  };
  RunReport(services_, dir_, "P_F.DBF");
  EXPECT_EQ(pages, (std::vector<int>{2, 3, 1, 0}));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "찾는 내용이 없습니다.");
}

#ifndef _WIN32
// fork() has no Windows counterpart; there sde_lock_process_test runs the
// engine's locks across two processes.
// A second process keeps the report open until released.
class TableHolder {
 public:
  TableHolder(const std::string& dir, const std::string& name, bool exclusive) {
    if (pipe(ready_) != 0 || pipe(release_) != 0) return;
    pid_ = fork();
    if (pid_ != 0) return;
    char c = 0;
    try {
      ReportTable holder;
      holder.DatabaseName = dir;
      holder.TableName = name;
      holder.TableType = ttSXFOX;
      holder.Exclusive = exclusive;
      holder.Open();
      c = 1;
      (void)!::write(ready_[1], &c, 1);
      (void)!::read(release_[0], &c, 1);
    } catch (const DataError&) {
      (void)!::write(ready_[1], &c, 1);
    }
    _exit(0);
  }
  bool holding() {
    char c = 0;
    return pid_ > 0 && ::read(ready_[0], &c, 1) == 1 && c == 1;
  }
  ~TableHolder() {
    if (pid_ <= 0) return;
    char go = 1;
    (void)!::write(release_[1], &go, 1);
    int status = 0;
    waitpid(pid_, &status, 0);
    for (int fd : {ready_[0], ready_[1], release_[0], release_[1]}) close(fd);
  }

 private:
  pid_t pid_ = -1;
  int ready_[2] = {-1, -1}, release_[2] = {-1, -1};
};

// Another program (or run) holding the report, shared or exclusively: the page
// index needs exclusive use, so the run is refused with what is true, before
// anything beside the report is removed: the holder's index file stays.
TEST_F(RunnerTest, ReportHeldElsewhereIsRefusedAndItsIndexKept) {
  for (const bool exclusive : {false, true}) {
    messages_.shown.clear();
    writeReport("P_A.DBF", settings());
    { std::ofstream(dir_ + "/P_A.CDX") << "the other run's index"; }
    {
      TableHolder other(dir_, "P_A.DBF", exclusive);
      ASSERT_TRUE(other.holding());
      RunReport(services_, dir_, "P_A.DBF");
    }
    expectOnly(dir_ + "/P_A.DBF\r다른 프로그램이 사용하고 있는 보고서입니다.", MessageIcon::kError, "오류");
    EXPECT_EQ(cdxFiles(dir_).size(), 1u) << exclusive;
  }
}

// Held by another program after the runner's own check: the page index
// cannot be built, and the run says so (the table layer itself shows nothing).
TEST_F(RunnerTest, ExclusiveUseRefusedWhileBuildingThePageIndexIsShownByTheRun) {
  writeReport("P_A.DBF", settings());
  {
    TableHolder other(dir_, "P_A.DBF", false);
    ASSERT_TRUE(other.holding());
    RunLayoutReport(services_, dir_, "P_A", "RPTB02");
  }
  expectOnly(dir_ + "/P_A.DBF\r다른 사용자가 단독으로 사용하고 있습니다.", MessageIcon::kError, "오류");
  ASSERT_EQ(messages_.logged.size(), 1u);
  EXPECT_NE(messages_.logged[0].find("in use by another user"), std::string::npos) << messages_.logged[0];
}

#endif  // _WIN32

}  // namespace
}  // namespace zel
