#include "run_services.h"
#include "s_preview.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "canvas.h"
#include "data_error.h"
#include "fake_printer.h"
#include "ini_file.h"
#include "message_service.h"
#include "num_edit.h"
#include "page_recorder.h"
#include "preview_test_support.h"
#include "printer_layer.h"
#include "report_directory.h"
#include "report_run.h"
#include "shell_globals.h"

using namespace zel;

namespace {

// Records a page as the runner's procedure does, with a frame and the page
// number, and remembers which pages were asked for.
struct PageLog {
  std::vector<int> pages;
  DrawPageProc proc() {
    return [this](PageRecorder& picture, int page, ReportTable*) {
      pages.push_back(page);
      PrinterCaps caps;
      installedServices().printer->caps(caps);
      const int w = static_cast<int>(std::nearbyint(double(caps.physicalWidth) / caps.logPixelsX * 80));
      const int h = static_cast<int>(std::nearbyint(double(caps.physicalHeight) / caps.logPixelsY * 80));
      Canvas& canvas = picture.beginPage(w, h);
      picture.paintPaper();
      picture.setPageWindow(2100, 2970);
      canvas.setPenWidth(2);
      canvas.rectangle(100, 100, 2000, 2870);
      LogicalFont font;
      font.faceName = "\xB1\xBC\xB8\xB2\xC3\xBC";  // "굴림체"
      font.height = 60;
      canvas.selectFont(font);
      canvas.drawText("Page " + std::to_string(page), {100, 20, 2000, 100}, kDtCenter | kDtSingleLine);
      canvas.restoreFont();
      picture.restoreMapping();
      picture.endPage();
    };
  }
};

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    service_ = RecordingMessageService();
    setMessageService(&service_);
    printer_ = FakePrinter();
    installedServices().printer = &printer_;
    log_ = PageLog();
    TFM_Preview::setPdfFileAsker(nullptr);
  }
  void cleanup() {
    window_.reset();
    installedServices().printer = nullptr;
    setMessageService(nullptr);
  }

  void layoutTextsAndHints() {
    open(3);
    TFM_Preview& w = *window_;
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    // The designed toolbar needs 831 pixels; the test screen has 800.
    w.setWindowState(Qt::WindowNoState);
    w.resize(1000, 700);
    QApplication::processEvents();
    QCOMPARE(w.windowTitle(), QStringLiteral("미리보기"));
    QCOMPARE(w.C_PNL_ToolBar->height(), 41);
    QCOMPARE(w.C_PNL_Bottom->height(), 24);
    struct Expected {
      QToolButton* button;
      int left, width;
      const char* hint;
    };
    const Expected buttons[] = {
        {w.C_SBT_Close, 9, 26, ""},
        {w.C_SBT_PRN, 43, 26, "인쇄"},
        {w.C_SBT_FIT, 69, 27, "한눈에 보이게"},
        {w.C_SBT_WIDTH, 96, 27, "넓이에 맞게"},
        {w.C_SBT_ZoomIn, 123, 26, "확대"},
        {w.C_SBT_ZoomOut, 149, 26, "축소"},
        {w.C_SBT_First, 185, 24, "첫Page"},
        {w.C_SBT_Prior, 209, 24, "이전Page"},
        {w.C_SBT_Next, 233, 24, "다음Page"},
        {w.C_SBT_Last, 257, 24, "끝Page"},
        {w.c_spb_search, 291, 26, "찾기(F4)"},
    };
    for (const Expected& e : buttons) {
      QCOMPARE(e.button->geometry(), QRect(e.left, 5, e.width, 28));
      QCOMPARE(e.button->toolTip(), QString::fromUtf8(e.hint));
      QVERIFY(e.button->autoRaise());
      QVERIFY(!e.button->icon().isNull());
      QCOMPARE(e.button->cursor().shape(), e.button == w.c_spb_search ? Qt::ArrowCursor : Qt::PointingHandCursor);
    }
    QCOMPARE(w.Label2->text(), QStringLiteral("인쇄범위"));
    QCOMPARE(w.Label5->text(), QStringLiteral("∼"));
    QCOMPARE(w.Label16->text(), QStringLiteral("이동"));
    QCOMPARE(w.C_Lbl_PageStart->text(), QStringLiteral("시작번호"));
    QCOMPARE(w.Label1->text(), QStringLiteral("인쇄매수"));
    QCOMPARE(w.Label3->text(), QStringLiteral("페이지:"));
    QCOMPARE(w.C_LBL_TotPage->text(), QStringLiteral("/ 3"));
    QCOMPARE(w.C_EDT_START->geometry(), QRect(387, 8, 44, 21));
    QCOMPARE(w.C_EDT_END->geometry(), QRect(446, 8, 44, 21));
    QCOMPARE(w.c_ned_PageStart->geometry(), QRect(539, 8, 44, 21));
    QCOMPARE(w.c_Ned_PrintPageNum->geometry(), QRect(650, 8, 44, 21));
    QCOMPARE(w.C_EDT_CopyCount->geometry(), QRect(766, 8, 23, 21));
    QCOMPARE(w.C_EDT_START->maxLength(), 4);
    QCOMPARE(w.C_EDT_END->maxLength(), 4);
    QVERIFY(!w.C_EDT_START->IsComa());
    QVERIFY(w.C_EDT_CopyCount->IsComa());
    QCOMPARE(double(w.C_EDT_CopyCount->Max()), 99.0);
    QCOMPARE(double(w.c_ned_PageStart->Min()), 0.0);
    QCOMPARE(w.C_EDT_START->text(), QStringLiteral("1"));
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("3"));
    QCOMPARE(w.C_EDT_CopyCount->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, std::vector<int>{1});
    QVERIFY(printer_.orientation == PaperOrientation::kPortrait);
    // 80 pixels per inch of the printer's A4 sheet.
    QCOMPARE(w.PictureSize(), QSize(661, 935));
  }

  // The window's logical width on a 1600-pixel screen at scale factors 1,
  // 1.5 and 2 (less the 30 pixels the window leaves), and the test screen's:
  // every toolbar control stays whole, inside the toolbar, none over another.
  void toolbarFitsTheWindow_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows");
    QTest::newRow("scale 1") << 1570 << 1;
    QTest::newRow("scale 1.5") << 1037 << 1;
    QTest::newRow("test screen") << 800 << 2;
    QTest::newRow("scale 2") << 770 << 2;
    QTest::newRow("very narrow") << 330 << 3;
  }
  void toolbarFitsTheWindow() {
    QFETCH(int, width);
    QFETCH(int, rows);
    open(3);
    TFM_Preview& w = *window_;
    w.setWindowState(Qt::WindowNoState);
    w.resize(width, 500);
    QApplication::processEvents();
    QCOMPARE(w.C_PNL_ToolBar->width(), width);
    QCOMPARE(w.C_PNL_ToolBar->height(), 41 + (rows - 1) * 36);
    const QList<QWidget*> controls = w.C_PNL_ToolBar->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 21);
    for (QWidget* a : controls) {
      QVERIFY2(w.C_PNL_ToolBar->rect().contains(a->geometry()), qPrintable(a->objectName()));
      for (QWidget* b : controls)
        QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                 qPrintable(a->objectName() + QStringLiteral(" / ") + b->objectName()));
    }
    QVERIFY(w.Label1->geometry().right() < w.C_EDT_CopyCount->geometry().left());
  }

  // Drawing a page of a long report blocks the window: the wait cursor says so.
  void pagesAreDrawnUnderTheBusyCursor() {
    std::vector<int> shapes;
    DrawPageProc draw = log_.proc();
    window_ = std::make_unique<TFM_Preview>(installedServices());
    window_->SetPageInfo("1", "3", nullptr, "1");
    window_->SetOnDrawPage([&](PageRecorder& picture, int page, ReportTable* table) {
      const QCursor* cursor = QGuiApplication::overrideCursor();
      shapes.push_back(cursor ? int(cursor->shape()) : -1);
      draw(picture, page, table);
    });
    window_->show();
    QApplication::processEvents();
    window_->C_SBT_Next->click();
    QCOMPARE(shapes, (std::vector<int>{Qt::WaitCursor, Qt::WaitCursor}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }

  // Ctrl+wheel and Ctrl+plus/minus step the zoom like the zoom buttons.
  void zoomByWheelAndKeys_data() {
    QTest::addColumn<int>("wheel");  // 0: a key instead
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("zoom");
    QTest::newRow("Ctrl+wheel up") << 120 << 0 << 110;
    QTest::newRow("Ctrl+wheel down") << -120 << 0 << 90;
    QTest::newRow("Ctrl+plus") << 0 << int(Qt::Key_Plus) << 110;
    QTest::newRow("Ctrl+=") << 0 << int(Qt::Key_Equal) << 110;
    QTest::newRow("Ctrl+minus") << 0 << int(Qt::Key_Minus) << 90;
  }
  void zoomByWheelAndKeys() {
    QFETCH(int, wheel);
    QFETCH(int, key);
    QFETCH(int, zoom);
    open(3);
    TFM_Preview& w = *window_;
    QCOMPARE(ZoomPercent, 100);
    if (wheel != 0) {
      sendWheel(w, wheel, Qt::ControlModifier);
    } else {
      w.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&w));
      QTest::keyClick(w.C_EDT_START, Qt::Key(key), Qt::ControlModifier);
    }
    QCOMPARE(ZoomPercent, zoom);
  }

  // Ctrl+F opens find (here refused: the test window has no table) and
  // Ctrl+P prints, wherever the focus is.
  void findAndPrintKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("prints");
    QTest::newRow("Ctrl+F") << int(Qt::Key_F) << false;
    QTest::newRow("Ctrl+P") << int(Qt::Key_P) << true;
  }
  void findAndPrintKeys() {
    QFETCH(int, key);
    QFETCH(bool, prints);
    open(3);
    TFM_Preview& w = *window_;
    int printed = 0;
    w.SetOnPrintJob([&](const PrintJob&) { ++printed; });
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.c_ned_PageStart, Qt::Key(key), Qt::ControlModifier);
    if (prints) {
      QCOMPARE(printed, 1);
    } else {
      QCOMPARE(printed, 0);
      QCOMPARE(service_.shown.size(), size_t{1});
      QCOMPARE(QString::fromStdString(service_.shown[0].text),
               QStringLiteral("Page번호가 없는 보고서는 검색할 수 없습니다."));
    }
  }

  // One page at a time: a wheel step at the bottom of a page turns to the
  // next page (at its top), at the top of a page back to the previous one.
  void wheelPastThePageEndTurnsThePage_data() {
    QTest::addColumn<int>("startPage");
    QTest::addColumn<bool>("atEnd");
    QTest::addColumn<int>("wheel");
    QTest::addColumn<int>("page");
    QTest::newRow("down at the bottom") << 1 << true << -120 << 2;
    QTest::newRow("down above the bottom") << 1 << false << -120 << 1;
    QTest::newRow("down on the last page") << 3 << true << -120 << 3;
    QTest::newRow("up at the top") << 2 << true << 120 << 1;
    QTest::newRow("up below the top") << 2 << false << 120 << 2;
    QTest::newRow("up on the first page") << 1 << true << 120 << 1;
  }
  void wheelPastThePageEndTurnsThePage() {
    QFETCH(int, startPage);
    QFETCH(bool, atEnd);
    QFETCH(int, wheel);
    QFETCH(int, page);
    open(3);
    TFM_Preview& w = *window_;
    w.c_ned_PageStart->SetValue(startPage);
    QApplication::processEvents();
    QScrollBar* bar = w.C_Scb_Scroller->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);  // the page is taller than the window at 100 %
    const bool down = wheel < 0;
    bar->setValue(down == atEnd ? bar->maximum() : bar->minimum());
    if (!atEnd) bar->setValue(bar->maximum() / 2);
    sendWheel(w, wheel, Qt::NoModifier);
    QCOMPARE(int(w.c_ned_PageStart->Value()), page);
    if (page != startPage) QCOMPARE(bar->value(), down ? bar->minimum() : bar->maximum());
  }

  // The last zoom mode is kept in Info.INI and the next preview opens with it.
  void zoomModeIsRemembered_data() {
    QTest::addColumn<QString>("button");  // clicked in the first preview
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("zoom");  // of the next (portrait) preview
    QTest::newRow("fit page") << "C_SBT_FIT" << 1 << "FIT" << 0;
    QTest::newRow("fit width") << "C_SBT_WIDTH" << 1 << "WIDTH" << 0;
    QTest::newRow("percent") << "C_SBT_ZoomIn" << 2 << "120" << 120;
    QTest::newRow("smaller") << "C_SBT_ZoomOut" << 3 << "70" << 70;
  }
  void zoomModeIsRemembered() {
    QFETCH(QString, button);
    QFETCH(int, clicks);
    QFETCH(QString, stored);
    QFETCH(int, zoom);
    QTemporaryDir program;
    ProgramDirectory = program.path().toStdString();
    open(3);
    auto* clicked = window_->findChild<QToolButton*>(button);
    QVERIFY(clicked != nullptr);
    for (int i = 0; i < clicks; ++i) clicked->click();
    QCOMPARE(QString::fromStdString(iniRead(infoIniPath(ProgramDirectory), "INFO", "ZOOM")), stored);
    window_.reset();
    open(3);
    // A fit mode fits the new window (zoom 0 in the table).
    if (stored == QLatin1String("FIT")) zoom = window_->FitZoom(FitKind::kWholePage);
    if (stored == QLatin1String("WIDTH")) zoom = window_->FitZoom(FitKind::kWidth);
    QCOMPARE(ZoomPercent, zoom);
    ProgramDirectory.clear();
  }

  void badStoredZoomOpensAtHundred_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("not a number") << "abc";
    QTest::newRow("off the steps") << "55";
    QTest::newRow("too large") << "300";
  }
  void badStoredZoomOpensAtHundred() {
    QFETCH(QString, stored);
    QTemporaryDir program;
    ProgramDirectory = program.path().toStdString();
    iniWrite(infoIniPath(ProgramDirectory), "INFO", "ZOOM", stored.toStdString());
    open(3);
    QCOMPARE(ZoomPercent, 100);
    ProgramDirectory.clear();
  }

  void pageInfoDrawsNothingBeforeShowing() {
    window_ = std::make_unique<TFM_Preview>(installedServices());
    window_->SetPageInfo("1", "4", nullptr, "1");
    window_->SetOnDrawPage(log_.proc());
    QVERIFY(log_.pages.empty());
    QCOMPARE(window_->C_EDT_END->text(), QStringLiteral("4"));
    QCOMPARE(window_->C_LBL_Page->text(), QStringLiteral("1"));
    QCOMPARE(window_->CurPage, 0);
    QCOMPARE(ZoomPercent, 100);
  }

  void onePageReport() {
    open(1);
    TFM_Preview& w = *window_;
    for (QToolButton* b : {w.C_SBT_First, w.C_SBT_Prior, w.C_SBT_Next, w.C_SBT_Last}) QVERIFY(!b->isEnabled());
    // A page past the end is refused: the field shows page 1 again, which is
    // shown again. The last-page test comes first, so First and Prior light up.
    typeInto(w.c_ned_PageStart, "2");
    QCOMPARE(w.c_ned_PageStart->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, (std::vector<int>{1, 1}));
    QVERIFY(w.C_SBT_First->isEnabled());
    QVERIFY(w.C_SBT_Prior->isEnabled());
    QVERIFY(!w.C_SBT_Next->isEnabled());
    QVERIFY(!w.C_SBT_Last->isEnabled());
  }

  void severalPagesNavigation() {
    open(5);
    TFM_Preview& w = *window_;
    for (QToolButton* b : {w.C_SBT_First, w.C_SBT_Prior, w.C_SBT_Next, w.C_SBT_Last}) QVERIFY(b->isEnabled());
    QCOMPARE(w.CurPage, 0);
    // 이전 on page 1 (enabled as designed) goes nowhere: before, the field
    // showed 0 and 다음 counted from it back to page 1.
    w.C_SBT_Prior->click();
    QCOMPARE(w.c_ned_PageStart->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, std::vector<int>{1});
    w.C_SBT_First->click();  // page 1 again: no change, nothing drawn
    QCOMPARE(log_.pages, std::vector<int>{1});
    w.C_SBT_Next->click();
    for (QToolButton* b : {w.C_SBT_First, w.C_SBT_Prior, w.C_SBT_Next, w.C_SBT_Last}) QVERIFY(b->isEnabled());
    QCOMPARE(w.C_LBL_Page->text(), QStringLiteral("2"));
    w.C_SBT_Last->click();
    QCOMPARE(w.CurPage, 5);
    QVERIFY(!w.C_SBT_Next->isEnabled());
    QVERIFY(!w.C_SBT_Last->isEnabled());
    w.C_SBT_First->click();
    QCOMPARE(log_.pages, (std::vector<int>{1, 2, 5, 1}));
    QCOMPARE(w.RecordCount(), 4);
  }

  void pageKeysInTheFields() {
    open(5);
    TFM_Preview& w = *window_;
    w.C_EDT_START->setFocus();
    QTest::keyClick(w.C_EDT_START, Qt::Key_PageDown);
    QCOMPARE(w.CurPage, 2);
    QTest::keyClick(w.C_EDT_START, Qt::Key_End);
    QCOMPARE(w.CurPage, 5);
    QTest::keyClick(w.C_EDT_START, Qt::Key_PageDown);  // Next is disabled now
    QCOMPARE(w.CurPage, 5);
    QTest::keyClick(w.C_EDT_START, Qt::Key_PageUp);
    QCOMPARE(w.CurPage, 4);
    QTest::keyClick(w.C_EDT_START, Qt::Key_Home);
    QCOMPARE(w.CurPage, 1);
    // Up and Down walk the fields in tab order.
    QTest::keyClick(w.C_EDT_START, Qt::Key_Down);
    QVERIFY(w.C_EDT_END->hasFocus());
    QTest::keyClick(w.C_EDT_END, Qt::Key_Down);
    QVERIFY(w.c_ned_PageStart->hasFocus());
    QTest::keyClick(w.c_ned_PageStart, Qt::Key_Up);
    QVERIFY(w.C_EDT_END->hasFocus());
  }

  void typingTwoDigitsShowsBothPages() {
    open(20);
    TFM_Preview& w = *window_;
    w.c_ned_PageStart->setFocus();
    w.c_ned_PageStart->clear();
    QTest::keyClicks(w.c_ned_PageStart, "12");
    QCOMPARE(log_.pages, (std::vector<int>{1, 1, 12}));
    QCOMPARE(w.CurPage, 12);
    typeInto(w.c_ned_PageStart, "25");  // beyond the last page: refused
    QCOMPARE(w.CurPage, 2);  // "2" was typed first
    QCOMPARE(w.c_ned_PageStart->text(), QStringLiteral("2"));
    QCOMPARE(log_.pages.back(), 2);
  }

  // The page field never holds a page the report does not have once it is
  // left, and the page buttons count from the page shown. Before, "25" of a
  // 20-page report stayed in the field and 이전 went to page 24.
  void pageFieldRefusesPagesOutsideTheReport_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("leaveByEnter");  // else by Tab
    QTest::addColumn<int>("shown");  // each digit shows its page while it is one
    QTest::newRow("past the end, Enter") << "25" << true << 2;
    QTest::newRow("far past the end") << "999999" << false << 9;
    QTest::newRow("zero, Enter") << "0" << true << 7;
    QTest::newRow("zero, Tab") << "0" << false << 7;
    QTest::newRow("emptied, Tab") << "" << false << 7;
  }
  void pageFieldRefusesPagesOutsideTheReport() {
    QFETCH(QString, typed);
    QFETCH(bool, leaveByEnter);
    open(20);
    TFM_Preview& w = *window_;
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    typeInto(w.c_ned_PageStart, "7");
    QCOMPARE(w.CurPage, 7);
    w.c_ned_PageStart->setFocus();
    w.c_ned_PageStart->selectAll();
    if (typed.isEmpty()) {
      QTest::keyClick(w.c_ned_PageStart, Qt::Key_Delete);
    } else {
      QTest::keyClicks(w.c_ned_PageStart, typed);
    }
    QFETCH(int, shown);
    QTest::keyClick(w.c_ned_PageStart, leaveByEnter ? Qt::Key_Return : Qt::Key_Tab);
    QVERIFY(!w.c_ned_PageStart->hasFocus());
    QCOMPARE(w.c_ned_PageStart->text(), QString::number(shown));
    QCOMPARE(w.CurPage, shown);
    QCOMPARE(w.C_LBL_Page->text(), QString::number(shown));
    w.C_SBT_Prior->click();
    QCOMPARE(w.CurPage, shown - 1);
  }

  // While the field is emptied (the user is about to type), the buttons still
  // count from the page shown, not from the field's 0.
  void pageButtonsCountFromThePageShown() {
    open(20);
    TFM_Preview& w = *window_;
    typeInto(w.c_ned_PageStart, "7");
    w.c_ned_PageStart->clear();
    w.C_SBT_Next->click();
    QCOMPARE(w.CurPage, 8);
    QCOMPARE(w.c_ned_PageStart->text(), QStringLiteral("8"));
    w.c_ned_PageStart->clear();
    w.C_SBT_Prior->click();
    QCOMPARE(w.CurPage, 7);
  }

  void zoomSequenceAndLimits() {
    open(2);
    TFM_Preview& w = *window_;
    QCOMPARE(ZoomPercent, 100);
    for (int expected : {90, 80, 70}) {
      QVERIFY(w.C_SBT_ZoomOut->isEnabled());
      w.C_SBT_ZoomOut->click();
      QCOMPARE(ZoomPercent, expected);
    }
    QVERIFY(!w.C_SBT_ZoomOut->isEnabled());
    w.C_EDT_START->setFocus();
    QTest::keyClick(w.C_EDT_START, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(ZoomPercent, 60);
    QVERIFY(w.C_SBT_ZoomOut->isEnabled());
    QTest::keyClick(w.C_EDT_START, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(ZoomPercent, 50);
    QVERIFY(w.C_SBT_ZoomOut->isEnabled());
    w.C_SBT_ZoomOut->click();
    QCOMPARE(ZoomPercent, 50);
    QTest::keyClick(w.C_EDT_START, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(ZoomPercent, 50);
    QCOMPARE(w.C_EDT_START->text(), QStringLiteral("1"));  // the key reached the field and was refused
    QTest::keyClick(w.C_EDT_START, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(ZoomPercent, 60);
    while (w.C_SBT_ZoomIn->isEnabled()) w.C_SBT_ZoomIn->click();
    QCOMPARE(ZoomPercent, 250);
    QTest::keyClick(w.C_EDT_START, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(ZoomPercent, 250);
    // Zoom changes only rescale the recorded page.
    QCOMPARE(log_.pages, std::vector<int>{1});
    // A plain minus (not the keypad) is not a zoom key.
    QTest::keyClick(w.C_EDT_START, Qt::Key_Minus);
    QCOMPARE(ZoomPercent, 250);
  }

  // The fit buttons fit the page (or its width) to the scroll area of any
  // window, on the zoom steps and within the zoom limits, and follow the
  // window's size. Before, they set 50/70 and 80 % whatever the screen: on a
  // 1600 x 1000 screen the landscape page at "fit width" was narrower than at 100 %.
  void fitsTheScrollArea_data() {
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("orientation");
    for (const QSize size : {QSize(640, 480), QSize(800, 600), QSize(1024, 768), QSize(1600, 1000)}) {
      for (int orientation : {0, 1}) {
        const QString name =
            QStringLiteral("%1x%2 %3").arg(size.width()).arg(size.height()).arg(orientation ? "L" : "P");
        QTest::newRow(qPrintable(name)) << size << orientation;
      }
    }
  }
  void fitsTheScrollArea() {
    QFETCH(QSize, window);
    QFETCH(int, orientation);
    open(2, orientation);
    TFM_Preview& w = *window_;
    w.setWindowState(Qt::WindowNoState);
    w.resize(window);
    QApplication::processEvents();
    const QSize page = w.PictureSize();
    const QSize area = w.C_Scb_Scroller->maximumViewportSize();
    auto scaled = [](int pixels, int zoom) { return static_cast<int>(std::nearbyint(pixels * zoom * 0.01)); };
    auto onStep = [] { return ZoomPercent >= 50 && ZoomPercent <= 250 && ZoomPercent % 10 == 0; };

    w.C_SBT_FIT->click();
    QApplication::processEvents();
    QVERIFY(onStep());
    if (ZoomPercent > 50) {
      QVERIFY(w.C_Pbx_Shower->width() <= area.width() && w.C_Pbx_Shower->height() <= area.height());
      QCOMPARE(w.C_Scb_Scroller->horizontalScrollBar()->maximum(), 0);
      QCOMPARE(w.C_Scb_Scroller->verticalScrollBar()->maximum(), 0);
    }
    if (ZoomPercent < 250)
      QVERIFY(scaled(page.width(), ZoomPercent + 10) > area.width() ||
              scaled(page.height(), ZoomPercent + 10) > area.height());
    const int wholePage = ZoomPercent;

    w.C_SBT_WIDTH->click();
    QApplication::processEvents();
    QVERIFY(onStep());
    QVERIFY(ZoomPercent >= wholePage);
    if (ZoomPercent > 50) QCOMPARE(w.C_Scb_Scroller->horizontalScrollBar()->maximum(), 0);
    if (ZoomPercent < 250) {
      // One step more would bring a horizontal scroll bar (the vertical one
      // taking its width when the page is taller than the area).
      const int next = ZoomPercent + 10;
      const int bar = w.C_Scb_Scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      const int room = scaled(page.height(), next) > area.height() ? area.width() - bar : area.width();
      QVERIFY(scaled(page.width(), next) > room);
    }
    QCOMPARE(w.C_Scb_Scroller->verticalScrollBar()->value(), 0);  // from the page's top
    if (window == QSize(1600, 1000) && orientation == 1) QVERIFY(ZoomPercent > 100);

    // A fitted page follows the window; a zoom step ends the fitting.
    const int wide = ZoomPercent;
    w.resize(window / 2);
    QApplication::processEvents();
    QVERIFY(ZoomPercent <= wide);
    if (ZoomPercent > 50) QCOMPARE(w.C_Scb_Scroller->horizontalScrollBar()->maximum(), 0);
    const int halfWindow = ZoomPercent;
    w.C_SBT_ZoomIn->click();
    w.resize(window);
    QApplication::processEvents();
    QCOMPARE(ZoomPercent, std::min(250, halfWindow + 10));
  }

  void paintGeometry() {
    open(2);
    TFM_Preview& w = *window_;
    w.resize(1200, 1000);
    QApplication::processEvents();
    const QPoint before = w.C_Pbx_Shower->pos();
    w.C_Pbx_ShowerPaint();
    // 100 %: unscaled from the surface's corner, not moved, no strip.
    QCOMPARE(w.TargetRect(), QRect(QPoint(0, 0), w.PictureSize()));
    QCOMPARE(w.C_Pbx_Shower->size(), w.PictureSize());
    QCOMPARE(w.C_Pbx_Shower->pos(), before);
    {
      // The paper's border sits on the surface's first pixel.
      const QImage full = w.C_Pbx_Shower->grab().toImage();
      QVERIFY(qGray(full.pixel(0, 0)) < 128);
      QCOMPARE(QColor(full.pixel(5, 5)), QColor(Qt::white));
    }
    while (ZoomPercent > 50) w.C_SBT_ZoomOutClick();  // 50 % (the button stops at 70)
    const int sw = static_cast<int>(std::nearbyint(661 * 0.5));
    const int sh = static_cast<int>(std::nearbyint(935 * 0.5));
    QCOMPARE(w.C_Pbx_Shower->size(), QSize(sw, sh));
    QCOMPARE(w.TargetRect(), QRect(QPoint(10, 10), QPoint(sw - 1, sh - 1)));
    const QSize box = w.C_Scb_Scroller->viewport()->size();
    QVERIFY(sw < box.width());
    QCOMPARE(w.C_Pbx_Shower->x(), (box.width() - sw) / 2);
    if (sh < box.height()) QCOMPARE(w.C_Pbx_Shower->y(), (box.height() - sh) / 2);
    // The painted surface shows the page: white paper inside the strip.
    const QImage shot = w.C_Pbx_Shower->grab().toImage();
    QCOMPARE(QColor(shot.pixel(sw / 2, sh / 2)), QColor(Qt::white));
    w.C_SBT_ZoomIn->click();
    w.C_SBT_ZoomIn->click();
    w.C_SBT_ZoomIn->click();  // 80 %
    QCOMPARE(w.C_Pbx_Shower->size(), QSize(529, 748));
    QCOMPARE(w.C_Pbx_Shower->x(), (w.C_Scb_Scroller->viewport()->width() - 529) / 2);
  }

  void rangeFieldsInterplay() {
    open(10);
    TFM_Preview& w = *window_;
    typeInto(w.C_EDT_END, "3");
    typeInto(w.C_EDT_START, "5");
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("5"));
    QCOMPARE(w.c_Ned_PrintPageNum->text(), QStringLiteral("5"));
    typeInto(w.C_EDT_START, "4");
    QCOMPARE(w.c_Ned_PrintPageNum->text(), QStringLiteral("4"));
    typeInto(w.c_Ned_PrintPageNum, "9");
    typeInto(w.C_EDT_END, "8");
    QCOMPARE(w.c_Ned_PrintPageNum->text(), QStringLiteral("9"));
    // Pulled into the report's pages.
    typeInto(w.C_EDT_END, "99");
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("10"));
    typeInto(w.C_EDT_START, "77");
    QCOMPARE(w.C_EDT_START->text(), QStringLiteral("10"));
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("10"));
  }

  // A report of more than 9,999 pages can print any of its pages: the range
  // fields take the report's last page, shown whole.
  void rangeFieldsReachEveryPageOfALongReport() {
    open(28572);
    TFM_Preview& w = *window_;
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("28572"));
    typeInto(w.C_EDT_START, "12000");
    typeInto(w.C_EDT_END, "28571");
    QCOMPARE(w.C_EDT_START->text(), QStringLiteral("12000"));
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("28571"));
    typeInto(w.C_EDT_END, "99999");  // past the last page: the field's range message, then the last page
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("28572"));
    for (TNumberEdit* field : {w.C_EDT_START, w.C_EDT_END}) {
      QStyleOptionFrame option;
      option.initFrom(field);
      const QRect room = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
      const int needed = field->fontMetrics().horizontalAdvance(QStringLiteral("888888"));
      QVERIFY2(needed <= room.width(),
               qPrintable(QStringLiteral("six digits need %1 px of %2").arg(needed).arg(room.width())));
    }
  }

  void reversedRangeIsRefused() {
    open(10);
    TFM_Preview& w = *window_;
    int jobs = 0;
    w.SetOnPrintJob([&](const PrintJob&) { ++jobs; });
    typeInto(w.C_EDT_START, "5");
    typeInto(w.C_EDT_END, "3");
    w.C_SBT_PRN->click();
    QCOMPARE(jobs, 0);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("인쇄시작Page가 인쇄종료Page보다\r작아야만 합니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("경고"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kWarning);
    QCOMPARE(w.C_EDT_END->text(), QStringLiteral("5"));
    w.C_SBT_PRN->click();  // equal values print one page
    QCOMPARE(jobs, 1);
    QCOMPARE(reportRun().PrintFrom, 5);
    QCOMPARE(reportRun().PrintTo, 5);
  }

  void printJobValuesAndDisabledWindow() {
    open(10);
    TFM_Preview& w = *window_;
    bool enabledDuringJob = true;
    int jobs = 0;
    PrintJob asked;
    w.SetOnPrintJob([&](const PrintJob& job) {
      ++jobs;
      asked = job;
      enabledDuringJob = w.isEnabled();
    });
    typeInto(w.C_EDT_START, "3");
    typeInto(w.C_EDT_END, "5");
    typeInto(w.c_Ned_PrintPageNum, "10");
    typeInto(w.C_EDT_CopyCount, "3");
    w.C_SBT_PRN->click();
    QCOMPARE(jobs, 1);
    QVERIFY(!enabledDuringJob);
    QVERIFY(w.isEnabled());
    QCOMPARE(asked.PrintFrom, 3);
    QCOMPARE(asked.PrintTo, 5);
    QCOMPARE(asked.PrintStartNo, 10);
    QCOMPARE(asked.PrintCopies, 3);
    // The print button keeps its values in the run, as the print job does.
    QCOMPARE(reportRun().PrintFrom, 3);
    QCOMPARE(reportRun().PrintCopies, 3);
    QVERIFY(service_.shown.empty());
  }

  void printJobErrorIsReportedAndWindowComesBack() {
    open(2);
    window_->SetOnPrintJob([](const PrintJob&) { throw std::runtime_error("disk full"); });
    window_->C_SBT_PRN->click();
    QVERIFY(window_->isEnabled());
    QCOMPARE(service_.shown.size(), size_t{1});
    // A Korean line for the user, then the failure's own words.
    QCOMPARE(service_.shown[0].text, std::string("작업을 마치지 못했습니다.\rdisk full"));
  }

  void pdfPrinterAsksForTheFile() {
    QTemporaryDir dir;
    auto pdf = PrinterLayer::pdfPrinter(dir.filePath("default.pdf"));
    installedServices().printer = pdf.get();
    open(2);
    int jobs = 0;
    window_->SetOnPrintJob([&](const PrintJob&) { ++jobs; });
    TFM_Preview::setPdfFileAsker([](QWidget*, const QString&) { return QString(); });
    window_->C_SBT_PRN->click();
    QCOMPARE(jobs, 0);  // cancelled at the file question
    const QString chosen = dir.filePath("chosen.pdf");
    TFM_Preview::setPdfFileAsker([&](QWidget*, const QString&) { return chosen; });
    window_->C_SBT_PRN->click();
    QCOMPARE(jobs, 1);
    QCOMPARE(pdf->outputFileName(), chosen);
    window_.reset();
    installedServices().printer = &printer_;
  }

  void searchNeedsPageNumbers() {
    open(2);
    window_->c_spb_search->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("Page번호가 없는 보고서는 검색할 수 없습니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("알림"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kWarning);
  }

  void dragScrolling() {
    open(2);
    TFM_Preview& w = *window_;
    w.resize(600, 500);
    QApplication::processEvents();
    while (w.C_SBT_ZoomIn->isEnabled()) w.C_SBT_ZoomIn->click();
    QApplication::processEvents();
    QScrollBar* v = w.C_Scb_Scroller->verticalScrollBar();
    QScrollBar* h = w.C_Scb_Scroller->horizontalScrollBar();
    QVERIFY(v->maximum() > 100);
    QVERIFY(h->maximum() > 100);
    v->setValue(100);
    h->setValue(100);
    w.C_Scb_ScrollerMouseDown(QPoint(200, 200));
    w.C_Scb_ScrollerMouseMove(QPoint(205, 205), Qt::LeftButton);  // inside the band
    QCOMPARE(v->value(), 100);
    QCOMPARE(h->value(), 100);
    w.C_Scb_ScrollerMouseMove(QPoint(215, 215), Qt::LeftButton);
    QCOMPARE(v->value(), 80);
    QCOMPARE(h->value(), 80);
    w.C_Scb_ScrollerMouseMove(QPoint(215, 215), Qt::LeftButton);  // start point stays
    QCOMPARE(v->value(), 60);
    w.C_Scb_ScrollerMouseMove(QPoint(185, 185), Qt::LeftButton);
    QCOMPARE(v->value(), 80);
    QCOMPARE(h->value(), 80);
    w.C_Scb_ScrollerMouseMove(QPoint(100, 100), Qt::NoButton);  // no button: nothing
    QCOMPARE(v->value(), 80);
    v->setValue(10);
    w.C_Scb_ScrollerMouseMove(QPoint(215, 200), Qt::LeftButton);
    QCOMPARE(v->value(), 10);
    w.C_Scb_ScrollerMouseMove(QPoint(200, 230), Qt::LeftButton);
    QCOMPARE(v->value(), 0);  // held inside the range
    // Through real mouse events on the surface.
    v->setValue(100);
    QTest::mousePress(w.C_Pbx_Shower, Qt::LeftButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 80), w.C_Pbx_Shower->mapToGlobal(QPointF(50, 80)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.C_Pbx_Shower, &move);
    QCOMPARE(v->value(), 80);
    QCOMPARE(DragStartY, 50);
  }

  void escapeCloses() {
    open(2);
    window_->C_EDT_START->setFocus();
    QTest::keyClick(window_->C_EDT_START, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
  }

  void closeButtonCloses() {
    open(2);
    window_->C_SBT_Close->click();
    QVERIFY(!window_->isVisible());
  }

  // A page after the first that cannot be drawn is reported as the first
  // page's failure is, and the window stays usable.
  void failingPageDrawIsReportedLikeTheFirstPages() {
    open(3);
    TFM_Preview& w = *window_;
    w.SetOnDrawPage([](PageRecorder&, int page, ReportTable*) {
      if (page == 2) throw DataError(ErrorKind::kMemoDamaged, "T: cannot read memo F_INIT");
    });
    w.C_SBT_Next->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(service_.shown[0].text,
             std::string("보고서 파일의 메모(.fpt) 내용이 손상되었습니다.\rT: cannot read memo F_INIT"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kError);
    QCOMPARE(w.c_ned_PageStart->text(), QStringLiteral("2"));
    w.C_SBT_Next->click();
    QCOMPARE(w.CurPage, 3);
  }

  // A window uses the services it was made with, not the program's.
  void usesTheServicesItWasMadeWith() {
    FakePrinter own;
    RunServices services;
    services.printer = &own;
    window_ = std::make_unique<TFM_Preview>(services);
    window_->SetPageInfo("1", "2", nullptr, "1");
    window_->SetPaperOrientation(1);
    window_->SetOnDrawPage([](PageRecorder&, int, ReportTable*) {});  // leaves the paper size to the window
    window_->show();
    QApplication::processEvents();
    QVERIFY(own.orientation == PaperOrientation::kLandscape);
    QVERIFY(printer_.orientation == PaperOrientation::kPortrait);
    QCOMPARE(window_->PictureSize(), QSize(935, 661));
    window_.reset();
  }

  void noPrinterRefusesToOpen() {
    installedServices().printer = nullptr;
    window_ = std::make_unique<TFM_Preview>(installedServices());
    window_->SetPageInfo("1", "2", nullptr, "1");
    bool threw = false;
    try {
      window_->ShowModal();
    } catch (const std::exception&) {
      threw = true;
    }
    QVERIFY(threw);
    QVERIFY(!window_->isVisible());
  }

 private:
  static void sendWheel(TFM_Preview& w, int delta, Qt::KeyboardModifiers modifiers) {
    QWidget* viewport = w.C_Scb_Scroller->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
  }
  void open(int pages, int orientation = 0) {
    window_ = std::make_unique<TFM_Preview>(installedServices());
    window_->SetPageInfo("1", std::to_string(pages), nullptr, "1");
    window_->SetPaperOrientation(orientation);
    window_->SetOnDrawPage(log_.proc());
    window_->SetOnPrintJob([](const PrintJob&) {});
    window_->show();
    QApplication::processEvents();
  }

  RecordingMessageService service_;
  FakePrinter printer_;
  PageLog log_;
  std::unique_ptr<TFM_Preview> window_;
};

QTEST_MAIN(PreviewTest)
#include "s_preview_test.moc"
