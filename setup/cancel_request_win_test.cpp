// The console's stop events on Windows. A test program has no console to send
// them to, so the handler setup installs is called directly, as Windows calls
// it: on a thread of its own while the installation goes on.
#include <gtest/gtest.h>
#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "cancel_request.h"
#include "install_steps.h"
#include "setup_test_support.h"
#include "stderr_message_service.h"
#include "silent_install.h"
#include "test_scratch_dir.h"

namespace zel::setup {
namespace {

struct EventCase {
  const char* label;
  unsigned long event;
  int signal;  // 0: not a stop request
  bool waits;  // Windows ends the process when the handler returns
};

const EventCase kEvents[] = {
    {"CtrlC", CTRL_C_EVENT, SIGINT, false},           {"CtrlBreak", CTRL_BREAK_EVENT, SIGTERM, false},
    {"Close", CTRL_CLOSE_EVENT, SIGTERM, true},       {"LogOff", CTRL_LOGOFF_EVENT, SIGTERM, true},
    {"Shutdown", CTRL_SHUTDOWN_EVENT, SIGTERM, true},
};

class ConsoleEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(ConsoleEventTest, CountsAsItsSignal) {
  const EventCase& c = GetParam();
  const ConsoleStop stop = consoleStopFor(c.event);
  EXPECT_EQ(stop.signal, c.signal);
  EXPECT_EQ(stop.waits, c.waits);
  if (c.waits) return;  // the handler never returns: see ConsoleStopDuringInstallTest
  clearCaughtSignal();
  EXPECT_NE(handleConsoleEvent(c.event), 0);
  EXPECT_EQ(caughtSignal(), c.signal);
  clearCaughtSignal();
}

INSTANTIATE_TEST_SUITE_P(Events, ConsoleEventTest, ::testing::ValuesIn(kEvents),
                         [](const auto& info) { return std::string(info.param.label); });

// Events that are not a stop (the numbers Windows leaves unused between them)
// go on to the next handler, and nothing is recorded.
TEST(ConsoleEventTest, OtherEventsAreNotTaken) {
  clearCaughtSignal();
  for (unsigned long event : {3ul, 4ul, 7ul, 0xFFFFFFFFul}) {
    EXPECT_EQ(consoleStopFor(event).signal, 0) << event;
    EXPECT_EQ(handleConsoleEvent(event), 0) << event;
    EXPECT_EQ(caughtSignal(), 0) << event;
  }
}

// Sends the event once the unpacking gauge passes a share, from a thread of
// its own as Windows does, and goes on only once the stop is recorded (the
// waiting handlers never return).
class ConsoleEventView : public NullProgressView {
 public:
  explicit ConsoleEventView(EventCase event) : event_(event) {}
  void setCurrent(int, int, int value) override {
    if (sent_ || value < 20 || value >= 100) return;
    sent_ = true;
    std::thread handler([event = event_.event] { handleConsoleEvent(event); });
    if (event_.waits) {
      handler.detach();
      while (caughtSignal() == 0) std::this_thread::yield();
    } else {
      handler.join();
    }
  }

 private:
  EventCase event_;
  bool sent_ = false;
};

// setup --silent stopped mid-install by each event: everything it placed is
// taken back, the user's own file stays, and the exit code is the one a
// shell shows for the signal. The run is a child process (it ends the process);
// both share the folder named in the environment.
class ConsoleStopDuringInstallTest : public ::testing::TestWithParam<EventCase> {};

constexpr char kFolderVariable[] = "ZEL_CONSOLE_STOP_TEST_DIR";

TEST_P(ConsoleStopDuringInstallTest, TakesEverythingBackAndExitsAsTheSignal) {
  const EventCase& c = GetParam();
  std::unique_ptr<testing::TempDir> owned;
  std::string dir;
  if (const char* given = std::getenv(kFolderVariable)) {
    dir = given;  // the child
  } else {
    owned = std::make_unique<testing::TempDir>();
    dir = owned->path();
    ASSERT_EQ(_putenv_s(kFolderVariable, dir.c_str()), 0);
    const std::string stage = dir + "\\stage";
    for (const char* name : kEngineLibraries) testing::writeFile(stage + "\\" + name, name);
    for (int i = 0; i < 20; ++i)
      testing::writeFile(stage + "\\samples\\P" + std::to_string(100 + i) + ".dbf", std::string(4000, 'x'));
    testing::writeFile(stage + "\\README.TXT", "readme");
    ASSERT_TRUE(testing::zipDirectory(stage, dir + "\\ZELRPT.E01"));
    testing::writeFile(dir + "\\target\\mine.txt", "the user's own");
  }
  SetupOptions options;
  options.silent = true;
  options.target = dir + "\\target";
  options.archive = dir + "\\ZELRPT.E01";
  options.windowsDir = dir + "\\win";
  EXPECT_EXIT(
      {
        SetupState state;
        ConsoleEventView view(c);
        StderrMessageService messages(stderr, MessageAnswer::kYes, "setup");
        runSilentInstall(options, messages, state, &view);
        std::exit(0);  // not stopped
      },
      ::testing::ExitedWithCode(128 + c.signal), "설치를 중단했습니다");
  ASSERT_EQ(_putenv_s(kFolderVariable, ""), 0);
  EXPECT_EQ(test::listTree(dir + "\\target"), std::set<std::string>{"mine.txt"});
  EXPECT_EQ(testing::readFile(dir + "\\target\\mine.txt"), "the user's own");
  EXPECT_FALSE(testing::exists(dir + "\\win")) << "made for the run, so it goes too";
}

INSTANTIATE_TEST_SUITE_P(Events, ConsoleStopDuringInstallTest, ::testing::ValuesIn(kEvents),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace zel::setup
