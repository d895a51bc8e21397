// The viewer's windows on a real X server under a real window manager
// (openbox), where placement and focus are the window manager's: the main
// window and a file dialog stay on a small screen at scale factor 2
// (ZEL_TEST_SCALE), and a message box gives the focus back to the window it
// came from. The test starts its own Xvfb and openbox.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fake_printer.h"
#include "file_dialogs.h"
#include "ini_file.h"
#include "logo_image.h"
#include "num_edit.h"
#include "message_service.h"
#include "qt_message_service.h"
#include "report_directory.h"
#include "report_writer.h"
#include "run_services.h"
#include "preview_window.h"
#include "preview_toolbar.h"
#include "find_dialog.h"
#include "sample_reports.h"
#include "test_report.h"
#include "x_session_test_support.h"
#include "main_window.h"
#include "description_panel.h"
#include "report_list_view.h"
#include "report_table.h"

namespace zel {
namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 700;

bool scaled() { return qEnvironmentVariable("ZEL_TEST_SCALE") == QStringLiteral("2"); }

class ViewerWindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = testing::makeTempDirectory("wm-program");
    reports_ = testing::makeTempDirectory("wm-reports");
    iniWrite(infoIniPath(program_), "INFO", "DIR", reports_);
    testing::TestReport report;
    report.settings = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD";
    ASSERT_TRUE(testing::writeTestReport(reports_, "P_RPTB02.dbf", report));
    services_.messages = &boxes_;
  }
  void TearDown() override {
    std::filesystem::remove_all(program_);
    std::filesystem::remove_all(reports_);
  }
  // Shown as the program shows it, and settled: the window manager has placed it.
  void showAndSettle(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(300);
  }
  static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

  std::string program_, reports_;
  QtMessageService boxes_;
  RunServices services_;  // the main window's: real message boxes
};

// At scale factor 2 a 1024 x 700 screen is 512 x 350 logical pixels: the
// designed main window (589 wide) does not fit. Before, it was fixed at its
// size and placed at x = -77, the menu, logo and margin button cut off.
TEST_F(ViewerWindowManagerTest, MainWindowStaysOnTheScreen) {
  MainWindow window(program_, &services_);
  showAndSettle(window);
  const QRect area = available();
  EXPECT_TRUE(area.contains(window.frameGeometry()))
      << window.frameGeometry().x() << "," << window.frameGeometry().y() << " " << window.frameGeometry().width() << "x"
      << window.frameGeometry().height() << " in " << area.width() << "x" << area.height();
  // The menu and the logo are where the user sees them.
  const QRect menu(window.menuBar()->mapToGlobal(QPoint(0, 0)), window.menuBar()->size());
  EXPECT_TRUE(area.contains(menu.topLeft()));
  EXPECT_TRUE(area.contains(window.descriptionPanel->logo->mapToGlobal(QPoint(0, 0))));
  if (!scaled()) {
    // Where it fits, it keeps its designed size.
    EXPECT_EQ(window.width(), 589);
  }
  // Tab from the list reaches 여백변경 and brings it into view, also when
  // the window scrolls its content (the scroller once took the focus itself).
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.reportList->hasFocus(); }));
  QTest::keyClick(window.reportList, Qt::Key_Tab);
  EXPECT_TRUE(window.descriptionPanel->marginButton->hasFocus());
  QApplication::processEvents();
  const QRect button(window.descriptionPanel->marginButton->mapTo(&window, QPoint(0, 0)),
                     window.descriptionPanel->marginButton->size());
  EXPECT_TRUE(window.rect().contains(button.center()));
}

// A file dialog fits the screen, its buttons on it. Before, Qt's dialog at
// scale factor 2 was taller than the screen.
TEST_F(ViewerWindowManagerTest, FileDialogStaysOnTheScreen) {
  QWidget parent;
  showAndSettle(parent);
  QRect dialogFrame;
  QTimer::singleShot(800, [&] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      dialogFrame = dialog->frameGeometry();
      dialog->reject();
    }
  });
  askSaveFileName(&parent, QStringLiteral("PDF 파일로 저장"), QString::fromStdString(reports_ + "/x.pdf"),
                  QStringLiteral("PDF (*.pdf)"));
  ASSERT_FALSE(dialogFrame.isEmpty());
  EXPECT_TRUE(available().contains(dialogFrame))
      << dialogFrame.x() << "," << dialogFrame.y() << " " << dialogFrame.width() << "x" << dialogFrame.height();
}

// After a message box closes, the window it came from is active again with
// the focus where it was, so the keys work at once. Before, the focus went to
// the window manager and keys did nothing until a click.
TEST_F(ViewerWindowManagerTest, FocusComesBackAfterAMessageBox) {
  MainWindow window(program_, &services_);
  showAndSettle(window);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.reportList->hasFocus(); }));
  QTimer::singleShot(500, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) QTest::keyClick(box, Qt::Key_Return);
  });
  window.services().box().notice("찾는 내용이 없습니다.");
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.reportList->hasFocus(); }));
}

// The same where the user met it: the find dialog over the preview says
// "찾는 내용이 없습니다." and closes; the preview must have the keys again.
TEST_F(ViewerWindowManagerTest, FocusComesBackToThePreviewAfterAFindWithoutHits) {
  reportwriter::BillOptions bill;
  bill.pages = 2;
  ASSERT_TRUE(reportwriter::writeReport(reports_, reportwriter::billOfQuantities(bill)).isOk());
  ReportTable table;
  ASSERT_TRUE(table.OpenTable(reports_, "P_RPTB02_SAMPLE.dbf", "CDX"));
  FakePrinter printer;
  RunServices services;
  services.messages = &boxes_;
  services.printer = &printer;
  PreviewContext context;
  PreviewWindow preview(services, &context);
  preview.SetPageInfo("1", "2", &table, "1");
  preview.setWindowState(Qt::WindowNoState);
  preview.resize(600, 400);
  showAndSettle(preview);
  preview.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
  preview.toolBar->rangeFromField->setFocus();
  context.hooks.runFind = [&](FindDialog& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.textEdit->setText(QStringLiteral("없는 말"));
    QTimer::singleShot(500, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::keyClick(dialog.textEdit, Qt::Key_Return);  // searches, says so, closes
  };
  preview.openFind();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &preview; }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return preview.toolBar->rangeFromField->hasFocus(); }));
}

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  zel::setup::testing::XSession session("openbox", zel::kScreenWidth, zel::kScreenHeight);
  if (!session.ok()) {
    std::fprintf(stderr, "could not start Xvfb and openbox\n");
    return 1;
  }
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (zel::scaled()) ::setenv("QT_SCALE_FACTOR", "2", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
