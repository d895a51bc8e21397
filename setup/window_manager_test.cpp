// The main window on a real X server, with and without a window manager
// (ZEL_TEST_WM names it; empty runs none): it must fill the screen, its picture
// area must fill it at every size, and a real pointer movement anywhere over it
// must start the wizard. The test starts its own Xvfb and window manager.
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>
#include <cstdlib>

#include "message_service.h"
#include "install_progress_window.h"
#include "setup_test_support.h"
#include "wizard_test_support.h"
#include "x_session_test_support.h"
#include "installer_window.h"

namespace zel::setup {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

std::string windowManager() {
  const char* wm = std::getenv("ZEL_TEST_WM");
  return wm ? wm : "";
}

namespace {

class WindowManagerTest : public ::testing::TestWithParam<QPoint> {
 protected:
  // Shown as the program shows it, and settled: the window manager has placed it.
  void showAndSettle(InstallerWindow& window) {
    window.showFillingTheScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(300);
  }

  testing::TempDir dir_;
  testing::FakePlatform fake_{dir_ / "win", dir_ / "inst"};
  testing::CwdGuard cwd_;
  RecordingMessageService recorder_;
  SetupState state_;
  testing::ScriptedRunner runner_;
};

TEST_F(WindowManagerTest, MainWindowFillsTheScreenAndThePictureAreaFillsTheWindow) {
  InstallerWindow window(SetupServices{fake_, recorder_, state_, runner_.modal()});
  showAndSettle(window);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // Decorations may take some of the screen, but nothing like a small window.
  EXPECT_GE(window.width(), area.width() * 9 / 10);
  EXPECT_GE(window.height(), area.height() * 8 / 10);
  EXPECT_EQ(window.startArea->geometry(), window.rect());
}

TEST_F(WindowManagerTest, PictureAreaFollowsEveryLaterSize) {
  InstallerWindow window(SetupServices{fake_, recorder_, state_, runner_.modal()});
  showAndSettle(window);
  window.showNormal();
  for (const QSize size : {QSize(300, 200), QSize(640, 480), QSize(900, 700)}) {
    window.resize(size);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == size; })) << size.width();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.startArea->geometry() == window.rect(); })) << size.width();
  }
}

TEST_P(WindowManagerTest, PointerMovementAnywhereStartsTheWizard) {
  InstallerWindow window(SetupServices{fake_, recorder_, state_, runner_.modal()});
  showAndSettle(window);
  // Where the pointer comes in, in percent of the window: far corners included (the
  // server starts with the pointer in the middle, so none is the middle itself).
  const QPoint share = GetParam();
  const QPoint local(window.width() * share.x() / 100, window.height() * share.y() / 100);
  QCursor::setPos(window.mapToGlobal(local));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !runner_.shown.empty(); }));
  ASSERT_EQ(runner_.shown.size(), 1u);
  EXPECT_EQ(runner_.shown.front(), QStringLiteral("FM_Welcome"));
  EXPECT_TRUE(state_.started);
}

// A real key press, through the X server and whatever window manager gives the
// window the keyboard, starts the wizard as a movement does.
TEST_F(WindowManagerTest, RealKeyPressStartsTheWizard) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  InstallerWindow window(SetupServices{fake_, recorder_, state_, runner_.modal()});
  showAndSettle(window);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }));
  const std::string command = "xdotool key --window " + std::to_string(window.winId()) + " space";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !runner_.shown.empty(); }));
  EXPECT_TRUE(state_.started);
}

// The X windows from bottom to top, as the window manager stacks them (empty without one).
std::vector<unsigned long> stackingOrder() {
  std::vector<unsigned long> order;
  FILE* pipe = ::popen("xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null", "r");
  if (!pipe) return order;
  char buf[8192];
  std::string text;
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) text.append(buf, n);
  ::pclose(pipe);
  for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
    order.push_back(std::stoul(text.substr(at), nullptr, 16));
  return order;
}

// The X window with the given title (0 when none).
unsigned long windowNamed(const std::string& title) {
  FILE* pipe = ::popen(("xdotool search --name '^" + title + "$' 2>/dev/null").c_str(), "r");
  if (!pipe) return 0;
  char buf[64] = {};
  const bool got = std::fgets(buf, sizeof buf, pipe) != nullptr;
  ::pclose(pipe);
  return got ? std::stoul(buf) : 0;
}

// Shows a real box without blocking, lays it over the progress window and
// notes whether the window manager stacks it above.
class StackingProbe : public MessageService {
 public:
  explicit StackingProbe(InstallProgressWindow& progress) : progress_(progress) {}
  MessageAnswer show(const Message& message) override {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(message.caption),
                    QString::fromStdString(message.text));
    box.show();
    if (!QTest::qWaitForWindowExposed(&box)) return MessageAnswer::kOk;
    box.move(progress_.pos() + QPoint(20, 20));
    QTest::qWait(300);
    // By title: the progress window may have a new native window since its flags changed.
    const auto order = stackingOrder();
    const auto boxAt = std::find(order.begin(), order.end(), windowNamed("오류"));
    const auto progressAt = std::find(order.begin(), order.end(), windowNamed("설치"));
    if (boxAt != order.end() && progressAt != order.end()) boxAbove = boxAt > progressAt;
    return MessageAnswer::kOk;
  }
  std::optional<bool> boxAbove;

 private:
  InstallProgressWindow& progress_;
};

TEST_F(WindowManagerTest, BoxesShownDuringTheInstallStandAboveTheProgressWindow) {
  if (windowManager().empty()) GTEST_SKIP() << "without a window manager nothing keeps windows on top";
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  InstallProgressWindow progress;
  progress.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
  QTest::qWait(300);
  StackingProbe probe(progress);
  MessagesAboveProgress above(progress, probe);
  above.error("SETUP을 실행하는데 오류가 발생했습니다.");
  ASSERT_TRUE(probe.boxAbove.has_value()) << "the window manager lists no stacking order";
  EXPECT_TRUE(*probe.boxAbove);
  EXPECT_TRUE(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // on top again afterwards
}

INSTANTIATE_TEST_SUITE_P(Places, WindowManagerTest,
                         ::testing::Values(QPoint(40, 60), QPoint(95, 95), QPoint(95, 5), QPoint(5, 95)));

}  // namespace
}  // namespace zel::setup

int main(int argc, char** argv) {
  using namespace zel::setup;
  const std::string wm = windowManager();
  zel::setup::testing::XSession session(wm, kScreenWidth, kScreenHeight);
  if (!session.ok()) {
    std::fprintf(stderr, "could not start Xvfb %s\n", wm.c_str());
    return 1;
  }
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
