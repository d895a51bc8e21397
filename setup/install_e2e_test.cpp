// Installs from the archive the build made, as a user would: the silent mode in
// a child process and the wizard in this one with scripted answers, each with a
// temporary home and Windows directory; then starts the installed viewer.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <set>
#include <utility>
#include <vector>
#include <cstdio>
#include <cstdlib>

#include "ini_file.h"
#include "install_steps.h"
#include "message_service.h"
#include "setup_test_support.h"
#include "test_scratch_dir.h"
#include "wizard_test_support.h"
#include "installer_window.h"

namespace zel::setup {
namespace {

using testing::exists;
using testing::TempDir;
using testing::writeFile;

std::string binDir() {
  const char* build = std::getenv("ZEL_BINARY_DIR");
  return std::string(build ? build : ".") + "/bin";
}

struct ProcessResult {
  int status = -1;
  int signal = 0;  // the signal that ended it, if one did
  std::string output;  // stdout and stderr together
};

ProcessResult run(const std::string& command) {
  ProcessResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buf;
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe)) result.output.append(buf.data(), n);
  const int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  // The shell reports a child ended by a signal as 128 + its number.
  if (result.status > 128 && result.status < 128 + 65) result.signal = result.status - 128;
  return result;
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

class InstallE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(exists(setup_)) << setup_;
    ASSERT_TRUE(exists(archive_)) << archive_;
    for (const char* name : kEngineLibraries) ASSERT_TRUE(exists(binDir() + "/" + name)) << name;
    std::filesystem::create_directories(home_);
  }

  // setup --silent with a clean environment of our own.
  ProcessResult silent(const std::string& args, const std::string& cwd = {}) {
    std::string command =
        "env -u ZELRPT_WINDOWS_DIR -u XDG_DATA_HOME HOME=" + quote(home_) + " " + quote(setup_) + " --silent " + args;
    if (!cwd.empty()) command = "cd " + quote(cwd) + " && " + command;
    return run(command);
  }

  void expectInstalled(const std::string& inst, const std::string& win) {
    EXPECT_TRUE(exists(inst + "/README.TXT"));
    for (const char* name : kEngineLibraries) {
      EXPECT_TRUE(exists(win + "/" + name)) << name;
      EXPECT_FALSE(exists(inst + "/" + name)) << name;
    }
    EXPECT_TRUE(exists(inst + "/samples"));
  }

  // Starts the installed viewer and the installed command-line front end on
  // the installed samples through their launchers, with no library path of
  // our own: the launchers find the engine where setup put it.
  void expectViewerStarts(const std::string& inst, const std::string& extraEnv = {}, bool pointAtSamples = true) {
    const std::string env = "env -u LD_LIBRARY_PATH -u ZELRPT_WINDOWS_DIR HOME=" + quote(home_) +
                            " QT_QPA_PLATFORM=offscreen " + extraEnv + " ";
    ASSERT_TRUE(exists(inst + "/samples"));
    ASSERT_TRUE(exists(inst + "/ZelRpt"));
    ASSERT_TRUE(exists(inst + "/zelrpt-cli"));
    EXPECT_TRUE(exists(inst + "/ZelRpt.bin"));
    EXPECT_TRUE(exists(inst + "/zelrpt-cli.bin"));

    if (pointAtSamples) writeFile(inst + "/Info.INI", "[INFO]\r\nDIR=" + inst + "/samples\r\n");
    const ProcessResult viewer = run("cd / && " + env + quote(inst + "/ZelRpt") + " --list-and-exit");
    EXPECT_EQ(viewer.status, 0) << viewer.output;
    EXPECT_NE(viewer.output.find("P_RPTB02_SAMPLE"), std::string::npos) << viewer.output;

    const ProcessResult cli = run("cd / && " + env + quote(inst + "/zelrpt-cli") + " list " + quote(inst + "/samples"));
    EXPECT_EQ(cli.status, 0) << cli.output;
    EXPECT_NE(cli.output.find("P_RPTB02_SAMPLE"), std::string::npos) << cli.output;
  }

  // "Open with" in a file manager: a valid desktop entry starting the installed
  // launcher through a link whose path needs no quoting, its icon, the report
  // MIME type and dBASE tables in general.
  void expectDesktopEntry(const std::string& inst) {
    const std::string share = home_ + "/.local/share";
    const std::string entry = share + "/applications/zelrpt.desktop";
    ASSERT_TRUE(exists(entry));
    const std::string text = testing::readFile(entry);
    const std::string link = home_ + "/.local/bin/zelrpt";
    EXPECT_NE(text.find("Exec=" + link + " %f"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::read_symlink(link), inst + "/ZelRpt");
    EXPECT_NE(text.find("MimeType=application/x-zelrpt-report;application/x-dbf;"), std::string::npos) << text;
    EXPECT_TRUE(exists(inst + "/zelrpt.png"));
    EXPECT_NE(text.find("Icon=" + inst + "/zelrpt.png"), std::string::npos) << text;
    EXPECT_TRUE(exists(share + "/mime/packages/zelrpt-report.xml"));
    if (exists("/usr/bin/desktop-file-validate")) {
      const ProcessResult valid = run("desktop-file-validate " + quote(entry));
      EXPECT_EQ(valid.status, 0) << valid.output;
      EXPECT_EQ(valid.output, "") << valid.output;
    }
    if (exists("/usr/bin/update-mime-database")) {
      EXPECT_TRUE(exists(share + "/mime/application/x-zelrpt-report.xml"));
    }
  }

  void expectWindowsDirFile(const std::string& inst, const std::string& win) {
    EXPECT_EQ(testing::readFile(inst + "/" + kWindowsDirFile), win + "\n");
  }

  TempDir dir_;
  std::string home_ = dir_ / "home";
  std::string setup_ = binDir() + "/setup";
  std::string archive_ = binDir() + "/ZELRPT.E01";
};

TEST_F(InstallE2eTest, SilentInstallThenTheViewerStarts) {
  const std::string inst = home_ + "/opt/Zel Viewer";
  const std::string win = dir_ / "windows";
  writeFile(win + "/WIN.INI", "[intl]\r\nsLanguage= Kor \r\niCountry=82\r\n");
  const ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(win) + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  expectInstalled(inst, win);
  EXPECT_EQ(iniRead(win + "/WIN.INI", "intl", "sLanguage"), "eng");
  EXPECT_EQ(iniRead(win + "/WIN.INI", "intl", "iCountry"), "82");
  expectWindowsDirFile(inst, win);
  // A first install points the viewer at its samples by itself.
  EXPECT_EQ(iniRead(inst + "/Info.INI", "INFO", "DIR"), inst + "/samples");
  expectViewerStarts(inst, {}, false);
  expectDesktopEntry(inst);
}

TEST_F(InstallE2eTest, LauncherTakesTheEnvironmentOverTheFileAndTheSystemSubdirectory) {
  const std::string inst = dir_ / "inst";
  const std::string win = dir_ / "windows";
  const ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(win) + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  // The libraries move to another Windows directory's System subdirectory;
  // the file still names the old place, the environment names the new one.
  const std::string moved = dir_ / "moved windows";
  std::filesystem::create_directories(moved + "/System");
  for (const char* name : kEngineLibraries) std::filesystem::rename(win + "/" + name, moved + "/System/" + name);
  expectViewerStarts(inst, "ZELRPT_WINDOWS_DIR=" + quote(moved));
}

TEST_F(InstallE2eTest, SilentInstallFindsTheArchiveInTheStartDirectoryAndDefaults) {
  const std::string medium = dir_ / "medium";
  std::filesystem::create_directories(medium);
  std::filesystem::copy_file(archive_, medium + "/ZELRPT.E01");
  const ProcessResult r = silent("--target inst", medium);  // relative to where it was started
  ASSERT_EQ(r.status, 0) << r.output;
  // No WIN.INI in the default Windows directory: nothing to change, nothing said.
  EXPECT_EQ(r.output.find("본 프로그램은 Windows NT계열에서는 동작하지 않습니다."), std::string::npos);
  expectInstalled(medium + "/inst", home_ + "/.local/share/ZelRpt/windows");
  expectWindowsDirFile(medium + "/inst", home_ + "/.local/share/ZelRpt/windows");
  // Without the file the launcher falls back to the same default.
  std::filesystem::remove(medium + "/inst/" + kWindowsDirFile);
  expectViewerStarts(medium + "/inst");
}

TEST_F(InstallE2eTest, SilentFailuresEndWithAnErrorStatus) {
  const std::string win = dir_ / "windows";
  ProcessResult r = silent("--target " + quote(dir_ / "a") + " --windows-dir " + quote(win) + " --archive " +
                           quote(dir_ / "ZELRPT.E01"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("ZELRPT.E01 화일이 존재하지 않습니다."), std::string::npos) << r.output;

  writeFile(dir_ / "broken/ZELRPT.E01", "not an archive");
  r = silent("--target " + quote(dir_ / "b") + " --windows-dir " + quote(win) + " --archive " +
             quote(dir_ / "broken/ZELRPT.E01"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("SETUP을 실행하는데 오류가 발생했습니다."), std::string::npos) << r.output;
  // The reason under the message, and only there.
  const std::string reason = "not a ZIP archive";
  ASSERT_NE(r.output.find(reason), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find(reason, r.output.find(reason) + 1), std::string::npos) << r.output;

  writeFile(dir_ / "file", "x");
  r = silent("--target " + quote(dir_ / "file/inst") + " --windows-dir " + quote(win) + " --archive " +
             quote(archive_));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("디렉토리를 만들 수 없습니다."), std::string::npos) << r.output;

  r = run(quote(setup_) + " --silent");
  EXPECT_EQ(r.status, 2) << r.output;

  // A directory given as the archive is said to be one, and said once.
  r = silent("--target " + quote(dir_ / "c") + " --windows-dir " + quote(win) + " --archive " + quote(dir_.path()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output,
            "setup: 오류: " + dir_.path() + " : 디렉토리입니다. 설치할 화일 ZELRPT.E01의 경로를 지정하십시오.\n");
  EXPECT_FALSE(exists(dir_ / "c"));

  // A directory that cannot be made: which one and why, once.
  r = silent("--target " + quote(dir_ / "file/inst") + " --windows-dir " + quote(win) + " --archive " +
             quote(archive_));
  EXPECT_EQ(r.output,
            "setup: 오류: 디렉토리를 만들 수 없습니다.\n" + (dir_ / "file") + ": 같은 이름의 파일이 있습니다\n");

  // No archive anywhere: said before anything is made, naming both places looked at.
  std::filesystem::create_directories(dir_ / "prog");
  std::filesystem::create_directories(dir_ / "medium");
  std::filesystem::copy_file(setup_, dir_ / "prog/setup");
  std::filesystem::permissions(dir_ / "prog/setup", std::filesystem::perms(0755));
  r = run("cd " + quote(dir_ / "medium") + " && env HOME=" + quote(home_) + " " + quote(dir_ / "prog/setup") +
          " --silent --target inst --windows-dir " + quote(win));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "setup: 오류: ZELRPT.E01 화일이 존재하지 않습니다.\n찾아본 곳: " + (dir_ / "medium") + ", " +
                          (dir_ / "prog") + "\n");
  EXPECT_FALSE(exists(dir_ / "medium/inst"));
}

TEST_F(InstallE2eTest, SilentRefusalsLeaveNoTrace) {
  const std::string win = dir_ / "windows";
  const std::string target = dir_ / "new/inst";
  // A missing archive: exit 1, and the target made for the run is gone again.
  ProcessResult r = silent("--target " + quote(target) + " --windows-dir " + quote(win) + " --archive " +
                           quote(dir_ / "missing.E01"));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(exists(dir_ / "new"));
  // An archive that is no regular file is refused at once, not waited on.
  ASSERT_EQ(::mkfifo((dir_ / "fifo.E01").c_str(), 0600), 0);
  r = run("timeout 60 env HOME=" + quote(home_) + " " + quote(setup_) + " --silent --target " + quote(target) +
          " --windows-dir " + quote(win) + " --archive " + quote(dir_ / "fifo.E01"));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(exists(dir_ / "new"));
  // A stray argument is a usage error.
  r = silent("--target " + quote(target) + " --archive " + quote(archive_) + " stray");
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_NE(r.output.find("stray"), std::string::npos) << r.output;
  EXPECT_FALSE(exists(dir_ / "new"));
}

TEST_F(InstallE2eTest, LibraryNameThatIsADirectoryIsReportedNotACrash) {
  writeFile(dir_ / "stage/libsde32.so/inner.txt", "x");
  writeFile(dir_ / "stage/README.TXT", "readme");
  ASSERT_TRUE(testing::zipDirectory(dir_ / "stage", dir_ / "bad.E01"));
  const std::string inst = dir_ / "inst";
  const ProcessResult r = silent("--target " + quote(inst) + " --windows-dir " + quote(dir_ / "w") + " --archive " +
                                 quote(dir_ / "bad.E01"));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("Cannot open file " + inst + "/libsde32.so"), std::string::npos) << r.output;
  EXPECT_FALSE(exists(inst));
}

TEST_F(InstallE2eTest, WizardWithScriptedAnswersThenTheViewerStarts) {
  const std::string inst = home_ + "/(주)Velmora/ZelRptViewer";
  const std::string win = dir_ / "windows";
  SetupState state;
  testing::FakePlatform fake(win, inst);
  fake.dataHome = home_ + "/.local/share";
  fake.binDir = home_ + "/.local/bin";
  testing::CwdGuard cwd;
  RecordingMessageService recorder;
  testing::ScriptedRunner runner;
  runner.then([](QDialog& welcome) { testing::click(welcome, "nextButton"); });
  runner.then([](QDialog& dirSet) { testing::click(dirSet, "nextButton"); });
  // Create the missing directory; do not start the viewer.
  recorder.answers = {MessageAnswer::kYes, MessageAnswer::kNo};
  {
    InstallerWindow window(SetupServices{fake, recorder, state, runner.modal()});
    window.setArchivePath(QString::fromStdString(archive_));
    window.show();
    testing::moveMouseOver(window.startArea);
    EXPECT_FALSE(window.isVisible());
  }
  ASSERT_EQ(recorder.shown.size(), 2u);
  EXPECT_EQ(recorder.shown.back().caption, "종료");
  EXPECT_EQ(fake.restarts, 0);
  expectInstalled(inst, win);
  expectWindowsDirFile(inst, win);
  expectDesktopEntry(inst);
  expectViewerStarts(inst);
}

// The default directory holds "(주)": its launcher cannot stand unquoted in an
// Exec key, and a quoted one defeats xdg-open of xdg-utils 1.1. Every launcher
// here must open a report named in lower case (which the desktop takes for a
// plain dBASE table) and one named in upper case (taken for a report) with the
// viewer. The installed program is swapped for one that notes its arguments.
TEST_F(InstallE2eTest, DesktopOpensReportsOfEitherCaseWithTheViewer) {
  for (const char* tool : {"/usr/bin/xdg-open", "/usr/bin/gio", "/usr/bin/update-mime-database"})
    ASSERT_TRUE(exists(tool)) << tool << " is installed by scripts/install-deps.sh";
  const std::string inst = home_ + "/(주)Velmora/ZelRptViewer";
  const ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(dir_ / "w") + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  expectDesktopEntry(inst);
  const std::string noted = home_ + "/opened.txt";
  writeFile(inst + "/ZelRpt.bin", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$HOME/opened.txt\"\n");
  std::filesystem::permissions(inst + "/ZelRpt.bin", std::filesystem::perms(0755));
  const std::string lower = home_ + "/P_RPTB02_SAMPLE.dbf", upper = home_ + "/P_RPTB02_UPPER.DBF";
  std::filesystem::copy_file(inst + "/samples/P_RPTB02_SAMPLE.dbf", lower);
  std::filesystem::copy_file(inst + "/samples/P_RPTB02_SAMPLE.dbf", upper);
  // A display name only: xdg-open then takes the desktop's way; the noting program needs no screen.
  const std::string env =
      "env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CURRENT_DESKTOP DISPLAY=:987 HOME=" + quote(home_) + " ";
  const std::string entry = home_ + "/.local/share/applications/zelrpt.desktop";
  const std::vector<std::pair<std::string, std::string>> opens{
      {"xdg-open " + quote(lower), lower},
      {"xdg-open " + quote(upper), upper},
      {"gio open " + quote(lower), lower},
      {"gio open " + quote(upper), upper},
      {"gio launch " + quote(entry) + " " + quote(lower), lower}};
  std::string expected;
  for (const auto& [command, file] : opens) {
    const ProcessResult opened = run(env + command);
    EXPECT_EQ(opened.status, 0) << command << "\n" << opened.output;
    expected += file + "\n";
    // The launchers may return before the program has run: wait for its note.
    for (int i = 0; i < 600 && testing::readFile(noted) != expected; ++i) ::usleep(50000);
    EXPECT_EQ(testing::readFile(noted), expected) << command;
  }
}

// SIGINT or SIGTERM while the files are unpacked: the run is taken back, no
// temporary file is left, and setup ends by the signal. The signal is sent by
// strace at the third flush of a file to disk, in the middle of the unpacking.
class SignalE2eTest : public InstallE2eTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SignalE2eTest, TakesTheInstallBackAndEndsByTheSignal) {
  ASSERT_TRUE(exists("/usr/bin/strace")) << "strace is installed by scripts/install-deps.sh";
  const std::string inst = dir_ / "new/inst";
  const std::string win = dir_ / "w";
  const ProcessResult r =
      run("env -u XDG_DATA_HOME HOME=" + quote(home_) +
          " strace -f -o /dev/null -e trace=fsync -e inject=fsync:signal=" + GetParam() + ":when=3 " + quote(setup_) +
          " --silent --target " + quote(inst) + " --windows-dir " + quote(win) + " --archive " + quote(archive_));
  EXPECT_EQ(r.signal, std::string(GetParam()) == "SIGINT" ? SIGINT : SIGTERM) << r.status << "\n" << r.output;
  EXPECT_FALSE(exists(dir_ / "new")) << r.output;
  EXPECT_FALSE(exists(win));
  EXPECT_FALSE(exists(home_ + "/.local/share/applications/zelrpt.desktop"));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalE2eTest, ::testing::Values("SIGINT", "SIGTERM"),
                         [](const auto& info) { return std::string(info.param); });

// A run killed outright leaves a temporary file; the next install removes it.
TEST_F(InstallE2eTest, NextInstallRemovesWhatAKilledRunLeft) {
  ASSERT_TRUE(exists("/usr/bin/strace")) << "strace is installed by scripts/install-deps.sh";
  const std::string inst = dir_ / "inst";
  const std::string args =
      " --silent --target " + quote(inst) + " --windows-dir " + quote(dir_ / "w") + " --archive " + quote(archive_);
  const ProcessResult killed =
      run("env HOME=" + quote(home_) + " strace -f -o /dev/null -e trace=fsync -e inject=fsync:signal=SIGKILL:when=3 " +
          quote(setup_) + args);
  ASSERT_EQ(killed.signal, SIGKILL) << killed.output;
  auto leftovers = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(inst))
      if (e.path().filename().string().rfind(".zelunzip-", 0) == 0) ++n;
    return n;
  };
  ASSERT_GT(leftovers(), 0);  // what the kill left
  const ProcessResult again = silent(args.substr(std::string(" --silent").size()));
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(leftovers(), 0);
}

// A failed install takes back the Windows directory it made, however deep.
TEST_F(InstallE2eTest, FailedInstallRemovesTheWindowsDirectoryItMade) {
  const std::string inst = dir_ / "inst";
  std::filesystem::create_directories(inst + "/" + kWindowsDirFile);  // a late step fails on it
  const ProcessResult r = silent("--target " + quote(inst) + " --windows-dir " + quote(dir_ / "w2/deep/er") +
                                 " --archive " + quote(archive_));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(exists(dir_ / "w2")) << r.output;
  EXPECT_FALSE(exists(inst + "/README.TXT"));
}

// Info.INI planted as a link to a private file: setup neither reads it nor
// copies it into a readable file; a new file of its own replaces the link.
TEST_F(InstallE2eTest, PlantedInfoIniLinkIsReplacedNotCopied) {
  const std::string inst = dir_ / "inst";
  const std::string secret = dir_ / "private.ini";
  writeFile(secret, "[SECRET]\r\nKEY=hunter2\r\n");
  std::filesystem::permissions(secret, std::filesystem::perms(0600));
  std::filesystem::create_directories(inst);
  std::filesystem::create_symlink(secret, inst + "/Info.INI");
  const ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(dir_ / "w") + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(std::filesystem::is_symlink(inst + "/Info.INI"));
  EXPECT_EQ(testing::readFile(inst + "/Info.INI").find("hunter2"), std::string::npos);
  EXPECT_EQ(iniRead(inst + "/Info.INI", "INFO", "DIR"), inst + "/samples");
  EXPECT_EQ(testing::readFile(secret), "[SECRET]\r\nKEY=hunter2\r\n");
}

// setup --uninstall removes what the install placed, keeps what the user
// changed or added and says which, unregisters the desktop entry; again, it
// does nothing and says so.
TEST_F(InstallE2eTest, UninstallRemovesExactlyWhatWasInstalled) {
  const std::string inst = home_ + "/(주)Velmora/Zel Viewer";
  const std::string win = dir_ / "windows";
  ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(win) + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  writeFile(inst + "/README.TXT", "my own notes");
  writeFile(inst + "/samples/P_MINE.dbf", "my report");
  const std::string uninstall = "env -u XDG_DATA_HOME HOME=" + quote(home_) + " " + quote(setup_) + " --uninstall";
  r = run(uninstall);  // the recorded installation, without naming it
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("남김 (설치 뒤에 바뀐 파일): " + inst + "/README.TXT"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("남김 (설치하지 않은 파일): " + inst + "/samples/P_MINE.dbf"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("제거: " + inst + "/ZelRpt.bin"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ZelRpt를 제거했습니다: " + inst), std::string::npos) << r.output;
  EXPECT_EQ(test::listTree(inst), (std::set<std::string>{"README.TXT", "samples/", "samples/P_MINE.dbf"}));
  EXPECT_FALSE(exists(win));
  EXPECT_FALSE(exists(home_ + "/.local/share/applications/zelrpt.desktop"));
  EXPECT_FALSE(exists(home_ + "/.local/share/mime/packages/zelrpt-report.xml"));
  EXPECT_FALSE(std::filesystem::is_symlink(home_ + "/.local/bin/zelrpt"));
  EXPECT_FALSE(exists(home_ + "/.local/share/mime/application/x-zelrpt-report.xml"));

  r = run(uninstall + " --target " + quote(inst));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "제거할 ZelRpt 설치가 없습니다: " + inst + "\n");
  EXPECT_EQ(testing::readFile(inst + "/README.TXT"), "my own notes");
}

// The desktop entry's "ZelRpt 제거" starts the installer's copy in the
// installation directory, which runs on its own (here without its window).
TEST_F(InstallE2eTest, UninstallActionStartsTheInstallersCopy) {
  const std::string inst = dir_ / "inst";
  ProcessResult r =
      silent("--target " + quote(inst) + " --windows-dir " + quote(dir_ / "w") + " --archive " + quote(archive_));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string entry = testing::readFile(home_ + "/.local/share/applications/zelrpt.desktop");
  EXPECT_NE(entry.find("[Desktop Action uninstall]\nName=ZelRpt 제거\nExec=" + inst +
                       "/setup --uninstall --window --target " + inst + "\n"),
            std::string::npos)
      << entry;
  EXPECT_EQ(::access((inst + "/setup").c_str(), X_OK), 0);
  r = run("env -u XDG_DATA_HOME HOME=" + quote(home_) + " " + quote(inst + "/setup") + " --uninstall --target " +
          quote(inst));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("제거: " + inst + "/setup\n"), std::string::npos) << r.output;
  EXPECT_FALSE(exists(inst));
}

// Without a display the wizard cannot run: one line says so and names the
// silent mode, instead of the toolkit's abort.
TEST_F(InstallE2eTest, WithoutADisplayTheWizardSaysWhatToDo) {
  const ProcessResult r =
      run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" + quote(home_) + " " + quote(setup_));
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  EXPECT_NE(r.output.find("setup --silent --target DIR"), std::string::npos) << r.output;
  // The desktop's uninstall, started without a screen, reports in text instead.
  const ProcessResult u = run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" + quote(home_) + " " +
                              quote(setup_) + " --uninstall --window --target " + quote(dir_ / "none"));
  EXPECT_EQ(u.status, 0) << u.output;
  EXPECT_EQ(u.output, "제거할 ZelRpt 설치가 없습니다: " + (dir_ / "none") + "\n");
}

}  // namespace
}  // namespace zel::setup
