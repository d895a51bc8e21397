#include "install_steps.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#  include <sys/mman.h>
#  include <sys/wait.h>
#endif

#include <cstring>
#include <algorithm>
#include <csignal>
#include <functional>
#include <set>
#include <stdexcept>

#include "cancel_request.h"
#include "ini_file.h"
#include "installation_record.h"
#include "silent_install.h"

#include "message_service.h"
#include "setup_test_support.h"
#include "test_scratch_dir.h"

namespace zel::setup {
namespace {

using testing::exists;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;
using zel::iniRead;
using zel::iniWrite;

// The engine libraries as this platform names them.
const std::string kSde = kEngineLibraries[0], kCdx = kEngineLibraries[1], kNsx = kEngineLibraries[2],
                  kNtx = kEngineLibraries[3];

// Remembers what the steps showed.
class RecordingView : public ProgressView {
 public:
  void setStatus(const std::string& text) override { statuses.push_back(text); }
  void setCurrent(int min, int max, int value) override {
    currents.push_back(value);
    curMax = max - min;
  }
  void setTotal(int min, int max, int value) override {
    totals.push_back(value);
    totMax = max - min;
  }
  void pause() override { ++pauses; }
  void processMessages() override {}
  void finish() override { finished = true; }

  std::vector<std::string> statuses;
  std::vector<int> currents, totals;
  int curMax = 0, totMax = 0, pauses = 0;
  bool finished = false;
};

class InstallStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    steps_.setView(&view_);
    state_.winDir = win_;
    state_.installPath = inst_;
  }

  TempDir dir_;
  std::string win_ = dir_ / "win";
  std::string inst_ = dir_ / "inst";
  testing::FakePlatform fake_{win_, inst_};
  testing::CwdGuard cwd_;
  RecordingMessageService recorder_;
  RecordingView view_;
  SetupState state_;
  InstallSteps steps_{SetupServices{fake_, recorder_, state_, {}}};
};

void unpackLibraries(const std::string& dir) {
  for (const char* name : kEngineLibraries) writeFile(dir + "/" + name, std::string("new ") + name);
}

// WIN.INI language entry ------------------------------------------------------

const char* const kWinIniHead = "; for 16-bit app support\r\n[fonts]\r\n[intl]\r\niCountry=82\r\n";
const char* const kWinIniTail = "sCountry=Korea\r\n[mci extensions]\r\nmid=sequencer\r\n";

std::string winIniWith(const std::string& languageLine) {
  return std::string(kWinIniHead) + languageLine + kWinIniTail;
}

class WinIniRewriteTest : public InstallStepsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WinIniRewriteTest, KorInAnyCaseWithBlanksBecomesEng) {
  writeFile(win_ + "/WIN.INI", winIniWith(std::string("sLanguage=") + GetParam() + "\r\n"));
  EXPECT_TRUE(steps_.WinIniCheck());
  EXPECT_TRUE(recorder_.shown.empty());
  const std::string after = readFile(win_ + "/WIN.INI");
  EXPECT_EQ(iniRead(win_ + "/WIN.INI", "intl", "SLanguage"), "eng");
  // Every byte but the value stays: the head and the tail are where they were.
  EXPECT_EQ(after.substr(0, std::strlen(kWinIniHead)), kWinIniHead);
  EXPECT_EQ(after.substr(after.size() - std::strlen(kWinIniTail)), kWinIniTail);
}

INSTANTIATE_TEST_SUITE_P(Spellings, WinIniRewriteTest, ::testing::Values("KOR", "kor", "Kor", " kOR ", "  KOR\t"));

class WinIniKeepTest : public InstallStepsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WinIniKeepTest, OtherValuesLeaveTheFileByteForByte) {
  const std::string before = winIniWith(GetParam());
  writeFile(win_ + "/WIN.INI", before);
  EXPECT_TRUE(steps_.WinIniCheck());
  EXPECT_EQ(readFile(win_ + "/WIN.INI"), before);
}

INSTANTIATE_TEST_SUITE_P(Values, WinIniKeepTest,
                         ::testing::Values("sLanguage=KOREAN\r\n", "sLanguage=eng\r\n", "sLanguage=K OR\r\n",
                                           "sLanguage=\r\n", ""));

// Without WIN.INI there is nothing to change. Windows without it is an NT
// system, which the notice warns about; elsewhere there is nothing to say.
TEST_F(InstallStepsTest, WinIniMissingChangesNothing) {
  EXPECT_FALSE(steps_.WinIniCheck());
#ifdef _WIN32
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "본 프로그램은 Windows NT계열에서는 동작하지 않습니다.");
#else
  EXPECT_TRUE(recorder_.shown.empty());
#endif
  EXPECT_FALSE(exists(win_ + "/WIN.INI"));
}

// A WIN.INI that is a link is neither read through nor written through.
TEST_F(InstallStepsTest, WinIniLinkIsNotFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#else
  const std::string elsewhere = dir_ / "elsewhere.ini";
  writeFile(elsewhere, "[intl]\r\nsLanguage=KOR\r\n");
  std::filesystem::create_directories(win_);
  std::filesystem::create_symlink(elsewhere, win_ + "/WIN.INI");
  steps_.WinIniCheck();
  EXPECT_EQ(readFile(elsewhere), "[intl]\r\nsLanguage=KOR\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(win_ + "/WIN.INI"));
#endif
}

TEST_F(InstallStepsTest, LongWindowsDirectoryIsKeptWhole) {
  const std::string longWin = dir_ / "a-windows-directory-longer-than-nineteen";
  testing::FakePlatform longFake(longWin, inst_);
  InstallSteps steps(SetupServices{longFake, recorder_, state_, {}});
  writeFile(longWin + "/WIN.INI", "[intl]\r\nsLanguage=kor\r\n");
#ifdef _WIN32
  // Windows may keep [intl] in the user's settings: set it where the system reads it.
  iniWrite(longWin + "/WIN.INI", "intl", "sLanguage", "kor");
#endif
  EXPECT_TRUE(steps.WinIniCheck());
  EXPECT_EQ(state_.winDir, longWin);
  EXPECT_EQ(iniRead(longWin + "/WIN.INI", "intl", "sLanguage"), "eng");
}

// CopyFile ----------------------------------------------------------------------

TEST_F(InstallStepsTest, CopyFileOntoTheSameTextDoesNothing) {
  writeFile(dir_ / "a.so", "library");
  std::string error;
  EXPECT_FALSE(steps_.CopyFile(dir_ / "a.so", dir_ / "a.so", &error));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(readFile(dir_ / "a.so"), "library");
}

TEST_F(InstallStepsTest, CopyFileCreatesAndReplaces) {
  writeFile(dir_ / "a.so", std::string("new\0bytes", 9));
  writeFile(dir_ / "b.so", "an older and longer copy");
  EXPECT_TRUE(steps_.CopyFile(dir_ / "a.so", dir_ / "b.so", nullptr));
  EXPECT_EQ(readFile(dir_ / "b.so"), std::string("new\0bytes", 9));
  EXPECT_TRUE(steps_.CopyFile(dir_ / "a.so", dir_ / "c.so", nullptr));
  EXPECT_EQ(readFile(dir_ / "c.so"), std::string("new\0bytes", 9));
}

TEST_F(InstallStepsTest, CopyFileNamesTheFileItCannotOpenOrCreate) {
  std::string error;
  EXPECT_FALSE(steps_.CopyFile(dir_ / "missing.so", dir_ / "b.so", &error));
  EXPECT_EQ(error, "Cannot open file " + (dir_ / "missing.so"));
  writeFile(dir_ / "a.so", "x");
  EXPECT_FALSE(steps_.CopyFile(dir_ / "a.so", dir_ / "no/such/dir/b.so", &error));
  EXPECT_EQ(error.rfind("Cannot create file " + (dir_ / "no/such/dir/b.so") + "\r", 0), 0u) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

// A planted link at a target must not make the installer write through it.
struct PlantedTarget {
  std::string label;
  std::string target;  // below the Windows directory (or installPath for windows-dir)
  bool isDirectory;  // a directory in the way rather than a link
};

class PlantedTargetTest : public InstallStepsTest, public ::testing::WithParamInterface<PlantedTarget> {
 protected:
  void SetUp() override {
    InstallStepsTest::SetUp();
    unpackLibraries(inst_);
    writeFile(dir_ / "victim", "precious");
  }
};

TEST_P(PlantedTargetTest, IsReplacedNeverWrittenThrough) {
  const PlantedTarget& c = GetParam();
#ifdef _WIN32
  if (!c.isDirectory) GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  const std::string target = (c.target == kWindowsDirFile ? inst_ : win_) + testing::kSeparator + c.target;
  std::filesystem::create_directories(win_);
  if (c.isDirectory) {
    std::filesystem::create_directories(target);
  } else {
    std::filesystem::create_symlink(dir_ / "victim", target);
  }
  const StepOutcome outcome = c.target == kWindowsDirFile ? steps_.WriteWindowsDirFile() : steps_.PlaceLibraries();
  EXPECT_EQ(readFile(dir_ / "victim"), "precious");
  if (c.isDirectory) {
    EXPECT_EQ(outcome, StepOutcome::kStopped);
    ASSERT_EQ(recorder_.shown.size(), 1u);
    EXPECT_EQ(recorder_.shown[0].text.rfind("Cannot create file " + target + "\r", 0), 0u) << recorder_.shown[0].text;
    EXPECT_TRUE(std::filesystem::is_directory(target));
  } else {
    EXPECT_EQ(outcome, StepOutcome::kDone);
    EXPECT_FALSE(std::filesystem::is_symlink(target));
    EXPECT_NE(readFile(target), "precious");
  }
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(target).parent_path()))
    EXPECT_EQ(entry.path().filename().string().rfind(".zelunzip-", 0), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Targets, PlantedTargetTest,
                         ::testing::Values(PlantedTarget{"LibraryLink", kSde, false},
                                           PlantedTarget{"LastLibraryLink", kNtx, false},
                                           PlantedTarget{"WindowsDirFileLink", kWindowsDirFile, false},
                                           PlantedTarget{"LibraryDirectory", kCdx, true},
                                           PlantedTarget{"WindowsDirFileDirectory", kWindowsDirFile, true}),
                         [](const auto& info) { return info.param.label; });

// A viewer running during a re-install has the old library mapped; rewriting
// that file in place would pull its pages away (SIGBUS). The child maps the
// old library, waits for the re-install, then reads every mapped byte.
TEST_F(InstallStepsTest, RunningProcessKeepsItsLibraryThroughAReinstall) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps a loaded library from being replaced at all; there is no old mapping to keep";
#else
  const std::string old(3 * 4096 + 17, 'o');
  writeFile(win_ + "/libsde32.so", old);
  unpackLibraries(inst_);
  writeFile(inst_ + "/libsde32.so", "n");  // the new one is much shorter
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open((win_ + "/libsde32.so").c_str(), O_RDONLY);
    void* map = ::mmap(nullptr, old.size(), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    char c = 'r';
    if (map == MAP_FAILED || ::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(2);
    ::_exit(std::memcmp(map, old.data(), old.size()) == 0 ? 0 : 3);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  ASSERT_EQ(::write(go[1], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  EXPECT_EQ(readFile(win_ + "/libsde32.so"), "n");
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
#endif
}

// Library placement -----------------------------------------------------------------

TEST_F(InstallStepsTest, WithoutSystemCopiesAllFourReplaceOlderOnesAndLeaveNone) {
  unpackLibraries(inst_);
  writeFile(win_ + "/" + kSde, "old");
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  for (const char* name : kEngineLibraries) {
    EXPECT_EQ(readFile(win_ + "/" + name), std::string("new ") + name);
    EXPECT_FALSE(exists(inst_ + "/" + name)) << name;
  }
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(InstallStepsTest, SystemCopyIsNeverReplacedAndTheUnpackedOneGoes) {
  unpackLibraries(inst_);
  writeFile(win_ + "/System/" + kSde, "system");
  writeFile(win_ + "/" + kSde, "old");
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  EXPECT_EQ(readFile(win_ + "/System/" + kSde), "system");
  EXPECT_EQ(readFile(win_ + "/" + kSde), "old");
  EXPECT_FALSE(exists(inst_ + "/" + kSde));
  EXPECT_EQ(readFile(win_ + "/" + kCdx), "new " + kCdx);
}

TEST_F(InstallStepsTest, MissingWindowsDirectoryIsCreated) {
  unpackLibraries(inst_);
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  EXPECT_TRUE(exists(win_ + "/" + kNtx));
}

TEST_F(InstallStepsTest, InstallingIntoTheWindowsDirectoryKeepsTheLibraries) {
  state_.installPath = win_;
  unpackLibraries(win_);
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  for (const char* name : kEngineLibraries) EXPECT_EQ(readFile(win_ + "/" + name), std::string("new ") + name);
}

TEST_F(InstallStepsTest, SameDirectorySpelledDifferentlyKeepsTheLibraries) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  unpackLibraries(win_);
  std::filesystem::create_symlink(win_, dir_ / "link");
  state_.installPath = dir_.path() + "/link/../win/.";
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  for (const char* name : kEngineLibraries) EXPECT_EQ(readFile(win_ + "/" + name), std::string("new ") + name);
}

TEST_F(InstallStepsTest, InstallingIntoTheSystemDirectoryKeepsTheSystemCopies) {
  state_.installPath = win_ + "/System";
  unpackLibraries(state_.installPath);
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kDone);
  for (const char* name : kEngineLibraries) EXPECT_TRUE(exists(state_.installPath + "/" + name)) << name;
}

TEST_F(InstallStepsTest, MissingUnpackedLibraryStopsWithTheErrorReport) {
  unpackLibraries(inst_);
  std::filesystem::remove(inst_ + "/" + kNsx);
  EXPECT_EQ(steps_.PlaceLibraries(), StepOutcome::kStopped);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "Cannot open file " + inst_ + testing::kSeparator + kNsx);
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kError);
}

// The whole run -----------------------------------------------------------------------

class SetProgressTest : public InstallStepsTest {
 public:
  testing::FakePlatform& fakePlatform() { return fake_; }
  std::filesystem::path scratch() const { return dir_.path(); }
  const std::string& install() const { return inst_; }
  const std::string& windows() const { return win_; }

 protected:
  // The cases whose expectations hold on Windows as written.
  virtual bool holdsOnWindows() const { return false; }
  void SetUp() override {
#ifdef _WIN32
    if (!holdsOnWindows())
      GTEST_SKIP() << "its expectations spell POSIX paths, file modes and links; not ported to Windows yet";
#endif
    InstallStepsTest::SetUp();
    state_.startDir = dir_ / "medium";
    std::filesystem::create_directories(state_.startDir);
    std::filesystem::create_directories(inst_);
  }
  // An archive such as the build makes: the libraries at the top, samples below.
  void makeArchive() {
    const std::string stage = dir_ / "stage";
    unpackLibraries(stage);
    writeFile(stage + "/README.TXT", "readme");
    writeFile(stage + "/samples/P0001.dbf", "table");
    ASSERT_TRUE(testing::zipDirectory(stage, state_.startDir + "/ZELRPT.E01"));
  }
};

TEST_F(SetProgressTest, InstallsAndFillsBothGauges) {
  makeArchive();
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_EQ(readFile(inst_ + "/README.TXT"), "readme");
  EXPECT_EQ(readFile(inst_ + "/samples/P0001.dbf"), "table");
  for (const char* name : kEngineLibraries) {
    EXPECT_TRUE(exists(win_ + "/" + name)) << name;
    EXPECT_FALSE(exists(inst_ + "/" + name)) << name;
  }
  // The overall gauge moves during the run, never back, from 0 to its maximum.
  ASSERT_GT(view_.totals.size(), 3u);
  EXPECT_EQ(view_.totals.front(), 0);
  EXPECT_EQ(view_.totals.back(), 10);
  EXPECT_TRUE(std::is_sorted(view_.totals.begin(), view_.totals.end()));
  EXPECT_GT(std::set<int>(view_.totals.begin(), view_.totals.end()).size(), 4u);
  EXPECT_EQ(view_.totMax, 10);
  EXPECT_EQ(view_.currents.front(), 0);
  EXPECT_EQ(view_.currents.back(), 100);
  EXPECT_EQ(view_.curMax, 100);
  EXPECT_GT(view_.pauses, 0);
  ASSERT_FALSE(view_.statuses.empty());
  EXPECT_EQ(view_.statuses.front(), "SetUp을 실행중입니다....");
  for (std::size_t i = 1; i < view_.statuses.size(); ++i)
    EXPECT_EQ(view_.statuses[i].rfind(inst_, 0), 0u) << view_.statuses[i];
  EXPECT_TRUE(view_.finished);
  // No temporary file and no kept old copy is left behind.
  for (const std::string& dir : {inst_, win_})
    for (const std::string& p : test::listTree(dir)) EXPECT_NE(p.rfind(".zel", 0), 0u) << p;
}

TEST_F(SetProgressTest, UnpackedFilesKeepTheirStoredPermissions) {
  writeFile(dir_ / "stage/ZelRpt", "#!/bin/sh\n");
  writeFile(dir_ / "stage/ZelRpt.bin", "#!/bin/sh\n");
  std::filesystem::permissions(dir_ / "stage/ZelRpt", std::filesystem::perms(0755));
  std::filesystem::permissions(dir_ / "stage/ZelRpt.bin", std::filesystem::perms(0700));
  makeArchive();
  const mode_t mask = ::umask(022);
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  ::umask(mask);
  EXPECT_EQ(std::filesystem::status(inst_ + "/ZelRpt").permissions(), std::filesystem::perms(0755));
  EXPECT_EQ(std::filesystem::status(inst_ + "/ZelRpt.bin").permissions(), std::filesystem::perms(0755));
  EXPECT_NE(::access((inst_ + "/README.TXT").c_str(), X_OK), 0);
}

TEST_F(SetProgressTest, TellsTheLaunchersWhereTheLibrariesWent) {
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_EQ(readFile(inst_ + "/" + kWindowsDirFile), win_ + "\n");
}

TEST_F(SetProgressTest, RelativeWindowsDirectoryIsWrittenAbsolute) {
  makeArchive();
  std::filesystem::create_directories(state_.startDir + "/w");
  state_.winDir = "w/";  // relative to the start directory, where the steps run
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_TRUE(exists(state_.startDir + "/w/" + kSde));
  EXPECT_EQ(readFile(inst_ + "/" + kWindowsDirFile), state_.startDir + "/w\n");
}

TEST_F(SetProgressTest, UnwritableWindowsDirFileIsReported) {
  makeArchive();
  std::filesystem::create_directories(inst_ + "/" + kWindowsDirFile);  // a directory in the way
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kStopped);
  EXPECT_FALSE(recorder_.shown.empty());
  EXPECT_FALSE(view_.finished);
}

TEST_F(SetProgressTest, StartDirWithTrailingSeparatorFindsTheArchive) {
  makeArchive();
  state_.startDir += "/";
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_EQ(state_.startDir, dir_ / "medium");
}

TEST_F(SetProgressTest, MissingArchiveIsReportedByName) {
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "ZELRPT.E01 화일이 존재하지 않습니다.");
  EXPECT_EQ(recorder_.shown[0].caption, "오류");
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kError);
  EXPECT_EQ(view_.totals, std::vector<int>{0});
  EXPECT_FALSE(view_.finished);
}

TEST_F(SetProgressTest, UnreadableArchiveGivesTheExtractionFailure) {
  writeFile(state_.startDir + "/ZELRPT.E01", "this is not a zip archive at all");
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "SETUP을 실행하는데 오류가 발생했습니다.\r" + steps_.unzipError());
  EXPECT_EQ(recorder_.shown[0].caption, "오류");
  EXPECT_FALSE(steps_.unzipError().empty());
  EXPECT_FALSE(view_.finished);
}

// The driver lifts the steps' boxes above its progress window with a decorator
// of its own service while they run; afterwards they go to the services' one.
TEST_F(SetProgressTest, MessagesGoToTheServiceTheDriverGivesWhileItIsSet) {
  RecordingMessageService decorator;
  steps_.setMessages(&decorator);
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  ASSERT_EQ(decorator.shown.size(), 1u);
  EXPECT_EQ(decorator.shown[0].text, "ZELRPT.E01 화일이 존재하지 않습니다.");
  EXPECT_TRUE(recorder_.shown.empty());
  steps_.setMessages(nullptr);
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  EXPECT_EQ(decorator.shown.size(), 1u);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "ZELRPT.E01 화일이 존재하지 않습니다.");
}

TEST_F(SetProgressTest, ArchiveGivenByPathIsUsedAndNamedWhenMissing) {
  steps_.setArchivePath(dir_ / "elsewhere/OTHER.E01");
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "OTHER.E01 화일이 존재하지 않습니다.");
}

TEST_F(SetProgressTest, LibraryNameThatIsADirectoryEndsInTheReportNotACrash) {
  writeFile(dir_ / "stage/libsde32.so/inner.txt", "not a library");
  writeFile(dir_ / "stage/README.TXT", "readme");
  ASSERT_TRUE(testing::zipDirectory(dir_ / "stage", state_.startDir + "/ZELRPT.E01"));
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kStopped);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "Cannot open file " + inst_ + "/libsde32.so");
  EXPECT_FALSE(exists(inst_ + "/README.TXT"));  // taken back with the rest
}

// Shows nothing, but throws from the given step.
class ThrowingView : public RecordingView {
 public:
  void setStatus(const std::string& text) override {
    if (!statuses.empty()) throw std::runtime_error("view failed on " + text);
    RecordingView::setStatus(text);
  }
};

TEST_F(SetProgressTest, NothingThrownLeavesTheStepsAndTheRunIsTakenBack) {
  makeArchive();
  ThrowingView throwing;
  steps_.setView(&throwing);
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kStopped);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "오류");
  EXPECT_EQ(recorder_.shown[0].text.rfind("view failed on ", 0), 0u) << recorder_.shown[0].text;
  EXPECT_TRUE(std::filesystem::is_empty(inst_));
}

// A failed install leaves the target as it was, and says why.
struct HalfInstall {
  std::string label;
  std::function<void(SetProgressTest&)> arrange;
  StepOutcome outcome;
  std::string reason;  // found in the last message
};

class HalfInstallTest : public SetProgressTest, public ::testing::WithParamInterface<HalfInstall> {};

TEST_P(HalfInstallTest, LeavesTheTargetAsItWasAndSaysWhy) {
  const HalfInstall& c = GetParam();
  writeFile(inst_ + "/README.TXT", "the old readme");
  writeFile(inst_ + "/mine.txt", "the user's own");
  writeFile(dir_ / "stage/samples/P0001.dbf", "table");
  writeFile(dir_ / "stage/zlast.txt", "last");
  c.arrange(*this);
  const std::set<std::string> before = test::listTree(inst_);
  makeArchive();
  EXPECT_EQ(steps_.SetProgress(), c.outcome);
  EXPECT_EQ(test::listTree(inst_), before);
  EXPECT_EQ(readFile(inst_ + "/README.TXT"), "the old readme");
  EXPECT_EQ(readFile(inst_ + "/mine.txt"), "the user's own");
  for (const char* name : kEngineLibraries) EXPECT_FALSE(exists(win_ + "/" + name)) << name;
  ASSERT_FALSE(recorder_.shown.empty());
  EXPECT_NE(recorder_.shown.back().text.find(c.reason), std::string::npos) << recorder_.shown.back().text;
  EXPECT_FALSE(view_.finished);
}

// Changes the last entry's CRC-32, in its local and its central header alike.
void damageLastCrc(const std::string& archive) {
  std::string bytes = readFile(archive);
  const auto central = bytes.rfind("PK\x01\x02");
  const auto local = bytes.rfind("PK\x03\x04", central);
  bytes[central + 16] = static_cast<char>(bytes[central + 16] ^ 0x55);
  bytes[local + 14] = static_cast<char>(bytes[local + 14] ^ 0x55);
  writeFile(archive, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, HalfInstallTest,
    ::testing::Values(HalfInstall{"FullDisk", [](SetProgressTest& t) { t.fakePlatform().freeBytes = 10; },
                                  StepOutcome::kFailed, "No space left on device"},
                      HalfInstall{"LinkedSamplesFolder",
                                  [](SetProgressTest& t) {
                                    std::filesystem::create_directories(t.scratch() / "elsewhere");
                                    std::filesystem::create_directory_symlink(t.scratch() / "elsewhere",
                                                                              t.install() + "/samples");
                                  },
                                  StepOutcome::kFailed, "link"},
                      HalfInstall{"WindowsDirectoryIsAFile",
                                  [](SetProgressTest& t) { writeFile(t.windows(), "a file in the way"); },
                                  StepOutcome::kStopped, "Cannot create"}),
    [](const auto& info) { return info.param.label; });

TEST_F(SetProgressTest, CrcErrorInTheLastEntryLeavesNothingAndSaysWhich) {
  makeArchive();
  damageLastCrc(state_.startDir + "/ZELRPT.E01");
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kFailed);
  EXPECT_TRUE(std::filesystem::is_empty(inst_));
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_NE(recorder_.shown[0].text.find("CRC-32"), std::string::npos) << recorder_.shown[0].text;
}

TEST_F(SetProgressTest, FirstInstallPointsTheViewerAtItsSamples) {
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_EQ(iniRead(inst_ + "/Info.INI", "INFO", "DIR"), inst_ + "/samples");
}

TEST_F(SetProgressTest, ReportDirectoryAlreadySetIsKept) {
  writeFile(inst_ + "/Info.INI", "[INFO]\r\nDIR=/data/reports\r\n");
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_EQ(readFile(inst_ + "/Info.INI"), "[INFO]\r\nDIR=/data/reports\r\n");
}

// Info.INI planted as a link (to a private file, or to nowhere) is replaced
// by a new file of the installer's own; what it led to is neither read nor changed.
struct PlantedInfo {
  std::string label;
  bool dangling;
};

class PlantedInfoIniTest : public SetProgressTest, public ::testing::WithParamInterface<PlantedInfo> {};

TEST_P(PlantedInfoIniTest, IsReplacedNotReadThrough) {
  const std::string secret = dir_ / "private.ini";
  const std::string contents = "[PRIVATE]\r\nPASSWORD=hunter2\r\n";
  if (!GetParam().dangling) {
    writeFile(secret, contents);
    std::filesystem::permissions(secret, std::filesystem::perms(0600));
  }
  std::filesystem::create_symlink(secret, inst_ + "/Info.INI");
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_FALSE(std::filesystem::is_symlink(inst_ + "/Info.INI"));
  const std::string info = readFile(inst_ + "/Info.INI");
  EXPECT_EQ(info.find("hunter2"), std::string::npos) << info;
  EXPECT_EQ(iniRead(inst_ + "/Info.INI", "INFO", "DIR"), inst_ + "/samples");
  if (GetParam().dangling) {
    EXPECT_FALSE(exists(secret));
  } else {
    EXPECT_EQ(readFile(secret), contents);
  }
}

INSTANTIATE_TEST_SUITE_P(Links, PlantedInfoIniTest,
                         ::testing::Values(PlantedInfo{"ToAPrivateFile", false}, PlantedInfo{"ToNothing", true}),
                         [](const auto& info) { return info.param.label; });

// Stops the run from the unpacking gauge once it passes a share: by a real
// signal to this process, or by the cancel request.
class StoppingView : public RecordingView {
 public:
  explicit StoppingView(std::function<void()> stop) : stop_(std::move(stop)) {}
  void setCurrent(int min, int max, int value) override {
    RecordingView::setCurrent(min, max, value);
    if (value >= 20 && value < 100 && stop_) std::exchange(stop_, nullptr)();
  }

 private:
  std::function<void()> stop_;
};

// Two stages so that a part is unpacked when the stop comes.
void makeLargerArchive(const std::string& stage, const std::string& archive) {
  unpackLibraries(stage);
  for (int i = 0; i < 20; ++i)
    writeFile(stage + "/samples/P" + std::to_string(1000 + i) + ".dbf", std::string(4000, 'x'));
  writeFile(stage + "/README.TXT", "readme");
  ASSERT_TRUE(testing::zipDirectory(stage, archive));
}

class SignalStopTest : public SetProgressTest, public ::testing::WithParamInterface<int> {
 protected:
  bool holdsOnWindows() const override { return true; }
};

TEST_P(SignalStopTest, TakesEverythingBackAndNamesTheSignal) {
  writeFile(inst_ + "/mine.txt", "the user's own");
  makeLargerArchive(dir_ / "stage", state_.startDir + "/ZELRPT.E01");
  const std::set<std::string> before = test::listTree(inst_);
  StoppingView view([] { ::raise(GetParam()); });
  steps_.setView(&view);
  clearCaughtSignal();
  StepOutcome outcome;
  {
    SignalCatcher catcher;
    outcome = steps_.SetProgress();
  }
  EXPECT_EQ(outcome, StepOutcome::kCancelled);
  EXPECT_EQ(caughtSignal(), GetParam());
  clearCaughtSignal();
  EXPECT_EQ(test::listTree(inst_), before);  // no half install, no temporary file
  EXPECT_FALSE(exists(win_));
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_FALSE(view.finished);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalStopTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Interrupt" : "Terminate"; });

TEST_F(SetProgressTest, CancelRequestTakesEverythingBackWithoutAMessage) {
  makeLargerArchive(dir_ / "stage", state_.startDir + "/ZELRPT.E01");
  StoppingView view([this] { steps_.requestCancel(); });
  steps_.setView(&view);
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kCancelled);
  EXPECT_TRUE(std::filesystem::is_empty(inst_));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(SetProgressTest, TemporaryFilesOfAKilledRunAreRemoved) {
  writeFile(inst_ + "/.zelunzip-123456.tmp", "half a file");
  writeFile(inst_ + "/samples/.zelunzip-42.tmp", "half a file");
  writeFile(win_ + "/.zelunzip-7.tmp", "half a library");
  writeFile(inst_ + "/.zelunzip-notes.tmp", "the user's own, not ours");
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_FALSE(exists(inst_ + "/.zelunzip-123456.tmp"));
  EXPECT_FALSE(exists(inst_ + "/samples/.zelunzip-42.tmp"));
  EXPECT_FALSE(exists(win_ + "/.zelunzip-7.tmp"));
  EXPECT_TRUE(exists(inst_ + "/.zelunzip-notes.tmp"));
}

TEST_F(SetProgressTest, WindowsDirectoryMadeForAFailedRunGoesAgain) {
  makeArchive();
  state_.winDir = dir_ / "w2/deep/er";
  std::filesystem::create_directories(inst_ + "/" + kWindowsDirFile);  // makes a later step fail
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kStopped);
  EXPECT_FALSE(exists(dir_ / "w2"));
}

// The manifest and the uninstall ---------------------------------------------------

TEST_F(SetProgressTest, ManifestListsWhatWasPlacedAndNotTheSystemsFiles) {
  writeFile(win_ + "/WIN.INI", "[intl]\r\nsLanguage=KOR\r\n");
  writeFile(inst_ + "/mine.txt", "the user's own");
  makeArchive();
  steps_.WinIniCheck();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  std::vector<ManifestEntry> entries;
  ASSERT_TRUE(ReadManifest(inst_, &entries));
  std::set<std::string> files;
  for (const ManifestEntry& e : entries)
    if (e.kind == ManifestEntry::Kind::kFile) files.insert(e.path);
  const std::set<std::string> expected{inst_ + "/README.TXT", inst_ + "/samples/P0001.dbf",
                                       inst_ + "/Info.INI",   inst_ + "/" + kWindowsDirFile,
                                       win_ + "/" + kSde,     win_ + "/" + kCdx,
                                       win_ + "/" + kNsx,     win_ + "/" + kNtx};
  EXPECT_EQ(files, expected);
  const auto readme = std::find_if(entries.begin(), entries.end(),
                                   [&](const ManifestEntry& e) { return e.path == inst_ + "/README.TXT"; });
  ASSERT_NE(readme, entries.end());
  EXPECT_EQ(readme->size, 6u);
}

TEST_F(SetProgressTest, UninstallRemovesWhatWasPlacedKeepsWhatChangedAndSaysWhich) {
  std::filesystem::remove(inst_);  // made by the run, so it goes with the uninstall
  makeArchive();
  fakePlatform().dataHome = dir_ / "data";
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  EXPECT_EQ(RecordedInstallation(dir_ / "data"), inst_);
  EXPECT_TRUE(FindInstallation(inst_));
  writeFile(inst_ + "/README.TXT", "my notes");  // changed by the user
  writeFile(inst_ + "/samples/mine.dbf", "mine");  // added by the user

  const UninstallResult first = Uninstall(inst_, dir_ / "data");
  EXPECT_TRUE(first.found);
  EXPECT_EQ(first.changed, std::vector<std::string>{inst_ + "/README.TXT"});
  EXPECT_EQ(first.added, std::vector<std::string>{inst_ + "/samples/mine.dbf"});
  EXPECT_EQ(test::listTree(inst_), (std::set<std::string>{"README.TXT", "samples/", "samples/mine.dbf"}));
  for (const char* name : kEngineLibraries) EXPECT_FALSE(exists(win_ + "/" + name)) << name;
  EXPECT_FALSE(exists(win_));  // made by the run, empty again
  EXPECT_EQ(RecordedInstallation(dir_ / "data"), "");

  const UninstallResult again = Uninstall(inst_, dir_ / "data");
  EXPECT_FALSE(again.found);
  EXPECT_TRUE(again.removed.empty());
  EXPECT_EQ(readFile(inst_ + "/README.TXT"), "my notes");

  std::filesystem::remove_all(inst_);
}

TEST_F(SetProgressTest, UninstallOfAnUntouchedInstallationLeavesNothing) {
  std::filesystem::remove(inst_);
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  const UninstallResult result = Uninstall(inst_, {});
  EXPECT_TRUE(result.changed.empty());
  EXPECT_TRUE(result.added.empty());
  EXPECT_FALSE(exists(inst_));
  EXPECT_FALSE(exists(win_));
}

TEST_F(SetProgressTest, ReinstallKeepsTheDirectoriesTheFirstOneMade) {
  std::filesystem::remove(inst_);
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  InstallSteps again(SetupServices{fake_, recorder_, state_, {}});
  ASSERT_EQ(again.SetProgress(), StepOutcome::kDone);
  Uninstall(inst_, {});
  EXPECT_FALSE(exists(inst_));
}

// The desktop's "ZelRpt 제거": asks first, then says what it kept.
TEST_F(SetProgressTest, UninstallFromTheDesktopAsksFirstAndSaysWhatItKept) {
  makeArchive();
  ASSERT_EQ(steps_.SetProgress(), StepOutcome::kDone);
  writeFile(inst_ + "/samples/mine.dbf", "mine");
  SetupOptions options;
  options.target = inst_;
  recorder_.answers = {MessageAnswer::kNo};
  EXPECT_EQ(runUninstallAsking(SetupServices{fake_, recorder_, state_, {}}, options), 1);
  EXPECT_TRUE(FindInstallation(inst_));  // No: nothing removed
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "ZelRpt 제거");
  EXPECT_EQ(recorder_.shown[0].text, "ZelRpt를 제거하시겠습니까?\r" + inst_);

  recorder_.shown.clear();
  EXPECT_EQ(runUninstallAsking(SetupServices{fake_, recorder_, state_, {}}, options), 0);
  ASSERT_EQ(recorder_.shown.size(), 2u);
  EXPECT_EQ(recorder_.shown[1].caption, "ZelRpt 제거");
  EXPECT_NE(recorder_.shown[1].text.find("\r" + inst_ + "/samples/mine.dbf"), std::string::npos)
      << recorder_.shown[1].text;
  EXPECT_FALSE(exists(inst_ + "/README.TXT"));

  recorder_.shown.clear();
  EXPECT_EQ(runUninstallAsking(SetupServices{fake_, recorder_, state_, {}}, options), 0);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "제거할 ZelRpt 설치가 없습니다.\r" + inst_);
}

struct DamagedManifest {
  std::string label;
  std::string text;
};

class DamagedManifestTest : public ::testing::TestWithParam<DamagedManifest> {};

TEST_P(DamagedManifestTest, IsNoManifest) {
  std::vector<ManifestEntry> entries;
  EXPECT_FALSE(ParseManifest(GetParam().text, &entries));
}

INSTANTIATE_TEST_SUITE_P(Texts, DamagedManifestTest,
                         ::testing::Values(DamagedManifest{"Empty", ""}, DamagedManifest{"OtherHeader", "manifest 2\n"},
                                           DamagedManifest{"RelativePath",
                                                           "ZelRpt manifest 1\nfile\t1\t00000000\tREADME.TXT\n"},
                                           DamagedManifest{"BadSize", "ZelRpt manifest 1\nfile\tx\t00000000\t/a\n"},
                                           DamagedManifest{"MissingField", "ZelRpt manifest 1\nfile\t1\t/a\n"},
                                           DamagedManifest{"UnknownKind", "ZelRpt manifest 1\nfifo\t/a\n"}),
                         [](const auto& info) { return info.param.label; });

TEST(ManifestTextTest, NamesWithTabsAndBreaksComeBackAsTheyWere) {
#ifdef _WIN32
  const std::string root = "C:";
#else
  const std::string root;
#endif
  std::vector<ManifestEntry> in(2);
  in[0].path = root + "/a\tb\nc\\d";
  in[0].size = 7;
  in[0].crc = 0xdeadbeef;
  in[1].kind = ManifestEntry::Kind::kLink;
  in[1].path = root + "/bin/zelrpt";
  in[1].linkTarget = root + "/opt/(주)Velmora/ZelRpt";
  std::vector<ManifestEntry> out;
  ASSERT_TRUE(ParseManifest(ManifestText(in), &out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].path, in[0].path);
  EXPECT_EQ(out[0].size, 7u);
  EXPECT_EQ(out[0].crc, 0xdeadbeefu);
  EXPECT_EQ(out[1].linkTarget, in[1].linkTarget);
}

TEST_F(SetProgressTest, MissingStartDirStopsWithTheErrorReport) {
  state_.startDir = dir_ / "gone";
  EXPECT_EQ(steps_.SetProgress(), StepOutcome::kStopped);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "File not found");
}

}  // namespace
}  // namespace zel::setup
