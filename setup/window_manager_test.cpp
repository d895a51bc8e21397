// The main window on a real X server, with and without a window manager
// (ZEL_TEST_WM names it; empty runs none): it must fill the screen, its picture
// area must fill it at every size, and a real pointer movement anywhere over it
// must start the wizard. The test starts its own Xvfb and window manager.
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "message_service.h"
#include "setup_state.h"
#include "setup_test_support.h"
#include "wizard_test_support.h"
#include "x_session_test_support.h"
#include "zel_set.h"

namespace zel::setup {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

std::string windowManager() {
  const char* wm = std::getenv("ZEL_TEST_WM");
  return wm ? wm : "";
}

namespace {

class WindowManagerTest : public ::testing::TestWithParam<QPoint> {
 protected:
  void SetUp() override {
    resetSetupState();
    setMessageService(&recorder_);
  }
  void TearDown() override { setMessageService(nullptr); }

  // Shown as the program shows it, and settled: the window manager has placed it.
  void showAndSettle(TFM_ZelSet& window) {
    window.showFillingTheScreen();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(300);
  }

  testing::TempDir dir_;
  testing::FakePlatform fake_{dir_ / "win", dir_ / "inst"};
  testing::PlatformGuard guard_{&fake_};
  testing::CwdGuard cwd_;
  RecordingMessageService recorder_;
  testing::ScriptedRunner runner_;
};

TEST_F(WindowManagerTest, MainWindowFillsTheScreenAndThePictureAreaFillsTheWindow) {
  TFM_ZelSet window;
  showAndSettle(window);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // Decorations may take some of the screen, but nothing like a small window.
  EXPECT_GE(window.width(), area.width() * 9 / 10);
  EXPECT_GE(window.height(), area.height() * 8 / 10);
  EXPECT_EQ(window.Image1->geometry(), window.rect());
}

TEST_F(WindowManagerTest, PictureAreaFollowsEveryLaterSize) {
  TFM_ZelSet window;
  showAndSettle(window);
  window.showNormal();
  for (const QSize size : {QSize(300, 200), QSize(640, 480), QSize(900, 700)}) {
    window.resize(size);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == size; })) << size.width();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.Image1->geometry() == window.rect(); })) << size.width();
  }
}

TEST_P(WindowManagerTest, PointerMovementAnywhereStartsTheWizard) {
  TFM_ZelSet window;
  showAndSettle(window);
  // Where the pointer comes in, in percent of the window: far corners included (the
  // server starts with the pointer in the middle, so none is the middle itself).
  const QPoint share = GetParam();
  const QPoint local(window.width() * share.x() / 100, window.height() * share.y() / 100);
  QCursor::setPos(window.mapToGlobal(local));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !runner_.shown.empty(); }));
  ASSERT_EQ(runner_.shown.size(), 1u);
  EXPECT_EQ(runner_.shown.front(), QStringLiteral("FM_Welcome"));
  EXPECT_TRUE(Started);
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
