#include "run_services.h"
#include "preview_window.h"
#include "export_action.h"
#include "page_view.h"
#include "preview_toolbar.h"

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

using namespace zel;

namespace {

// Records a page as the runner's procedure does, with a frame and the page
// number, and remembers which pages were asked for.
struct PageLog {
  RunServices* services = nullptr;  // whose printer sizes the page
  std::vector<int> pages;
  DrawPageProc proc() {
    return [this](PageRecorder& picture, int page, ReportTable*) {
      pages.push_back(page);
      PrinterCaps caps;
      services->printer->caps(caps);
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
    services_.messages = &service_;
    printer_ = FakePrinter();
    services_.printer = &printer_;
    log_ = PageLog();
    log_.services = &services_;
    context_.hooks.askPdfFile = nullptr;
  }
  void cleanup() {
    window_.reset();
    services_.printer = nullptr;
  }

  void layoutTextsAndHints() {
    open(3);
    PreviewWindow& w = *window_;
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    // The designed toolbar needs 831 pixels; the test screen has 800.
    w.setWindowState(Qt::WindowNoState);
    w.resize(1000, 700);
    QApplication::processEvents();
    QCOMPARE(w.windowTitle(), QStringLiteral("미리보기"));
    QCOMPARE(w.toolBar->height(), 41);
    QCOMPARE(w.statusBar->height(), 24);
    struct Expected {
      QToolButton* button;
      int left, width;
      const char* hint;
    };
    const Expected buttons[] = {
        {w.toolBar->closeButton, 9, 26, ""},
        {w.toolBar->printButton, 43, 26, "인쇄"},
        {w.toolBar->fitPageButton, 69, 27, "한눈에 보이게"},
        {w.toolBar->fitWidthButton, 96, 27, "넓이에 맞게"},
        {w.toolBar->zoomInButton, 123, 26, "확대"},
        {w.toolBar->zoomOutButton, 149, 26, "축소"},
        {w.toolBar->firstPageButton, 185, 24, "첫Page"},
        {w.toolBar->priorPageButton, 209, 24, "이전Page"},
        {w.toolBar->nextPageButton, 233, 24, "다음Page"},
        {w.toolBar->lastPageButton, 257, 24, "끝Page"},
        {w.toolBar->findButton, 291, 26, "찾기(F4)"},
    };
    for (const Expected& e : buttons) {
      QCOMPARE(e.button->geometry(), QRect(e.left, 5, e.width, 28));
      QCOMPARE(e.button->toolTip(), QString::fromUtf8(e.hint));
      QVERIFY(e.button->autoRaise());
      QVERIFY(!e.button->icon().isNull());
      QCOMPARE(e.button->cursor().shape(),
               e.button == w.toolBar->findButton ? Qt::ArrowCursor : Qt::PointingHandCursor);
    }
    QCOMPARE(w.toolBar->rangeLabel->text(), QStringLiteral("인쇄범위"));
    QCOMPARE(w.toolBar->rangeDashLabel->text(), QStringLiteral("∼"));
    QCOMPARE(w.toolBar->pageLabel->text(), QStringLiteral("이동"));
    QCOMPARE(w.toolBar->startNumberLabel->text(), QStringLiteral("시작번호"));
    QCOMPARE(w.toolBar->copiesLabel->text(), QStringLiteral("인쇄매수"));
    QCOMPARE(w.statusBar->pageCaptionLabel->text(), QStringLiteral("페이지:"));
    QCOMPARE(w.statusBar->pageTotalLabel->text(), QStringLiteral("/ 3"));
    QCOMPARE(w.toolBar->rangeFromField->geometry(), QRect(387, 8, 44, 21));
    QCOMPARE(w.toolBar->rangeToField->geometry(), QRect(446, 8, 44, 21));
    QCOMPARE(w.toolBar->pageField->geometry(), QRect(539, 8, 44, 21));
    QCOMPARE(w.toolBar->startNumberField->geometry(), QRect(650, 8, 44, 21));
    QCOMPARE(w.toolBar->copiesField->geometry(), QRect(766, 8, 23, 21));
    QCOMPARE(w.toolBar->rangeFromField->maxLength(), 4);
    QCOMPARE(w.toolBar->rangeToField->maxLength(), 4);
    QVERIFY(!w.toolBar->rangeFromField->IsComa());
    QVERIFY(w.toolBar->copiesField->IsComa());
    QCOMPARE(double(w.toolBar->copiesField->Max()), 99.0);
    QCOMPARE(double(w.toolBar->pageField->Min()), 0.0);
    QCOMPARE(w.toolBar->rangeFromField->text(), QStringLiteral("1"));
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("3"));
    QCOMPARE(w.toolBar->copiesField->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, std::vector<int>{1});
    QVERIFY(printer_.orientation == PaperOrientation::kPortrait);
    // 80 pixels per inch of the printer's A4 sheet.
    QCOMPARE(w.pageView->pictureSize(), QSize(661, 935));
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
    PreviewWindow& w = *window_;
    w.setWindowState(Qt::WindowNoState);
    w.resize(width, 500);
    QApplication::processEvents();
    QCOMPARE(w.toolBar->width(), width);
    QCOMPARE(w.toolBar->height(), 41 + (rows - 1) * 36);
    const QList<QWidget*> controls = w.toolBar->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 21);
    for (QWidget* a : controls) {
      QVERIFY2(w.toolBar->rect().contains(a->geometry()), qPrintable(a->objectName()));
      for (QWidget* b : controls)
        QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                 qPrintable(a->objectName() + QStringLiteral(" / ") + b->objectName()));
    }
    QVERIFY(w.toolBar->copiesLabel->geometry().right() < w.toolBar->copiesField->geometry().left());
  }

  // Drawing a page of a long report blocks the window: the wait cursor says so.
  void pagesAreDrawnUnderTheBusyCursor() {
    std::vector<int> shapes;
    DrawPageProc draw = log_.proc();
    window_ = std::make_unique<PreviewWindow>(services_, &context_);
    window_->SetPageInfo("1", "3", nullptr, "1");
    window_->SetOnDrawPage([&](PageRecorder& picture, int page, ReportTable* table) {
      const QCursor* cursor = QGuiApplication::overrideCursor();
      shapes.push_back(cursor ? int(cursor->shape()) : -1);
      draw(picture, page, table);
    });
    window_->show();
    QApplication::processEvents();
    window_->toolBar->nextPageButton->click();
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
    PreviewWindow& w = *window_;
    QCOMPARE(window_->pageView->zoomPercent(), 100);
    if (wheel != 0) {
      sendWheel(w, wheel, Qt::ControlModifier);
    } else {
      w.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&w));
      QTest::keyClick(w.toolBar->rangeFromField, Qt::Key(key), Qt::ControlModifier);
    }
    QCOMPARE(window_->pageView->zoomPercent(), zoom);
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
    PreviewWindow& w = *window_;
    int printed = 0;
    w.SetOnPrintJob([&](const PrintJob&) { ++printed; });
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.toolBar->pageField, Qt::Key(key), Qt::ControlModifier);
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
    PreviewWindow& w = *window_;
    w.toolBar->pageField->SetValue(startPage);
    QApplication::processEvents();
    QScrollBar* bar = w.pageView->scroller->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);  // the page is taller than the window at 100 %
    const bool down = wheel < 0;
    bar->setValue(down == atEnd ? bar->maximum() : bar->minimum());
    if (!atEnd) bar->setValue(bar->maximum() / 2);
    sendWheel(w, wheel, Qt::NoModifier);
    QCOMPARE(int(w.toolBar->pageField->Value()), page);
    if (page != startPage) QCOMPARE(bar->value(), down ? bar->minimum() : bar->maximum());
  }

  // The last zoom mode is kept in Info.INI and the next preview opens with it.
  void zoomModeIsRemembered_data() {
    QTest::addColumn<QString>("button");  // clicked in the first preview
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("zoom");  // of the next (portrait) preview
    QTest::newRow("fit page") << "fitPageButton" << 1 << "FIT" << 0;
    QTest::newRow("fit width") << "fitWidthButton" << 1 << "WIDTH" << 0;
    QTest::newRow("percent") << "zoomInButton" << 2 << "120" << 120;
    QTest::newRow("smaller") << "zoomOutButton" << 3 << "70" << 70;
  }
  void zoomModeIsRemembered() {
    QFETCH(QString, button);
    QFETCH(int, clicks);
    QFETCH(QString, stored);
    QFETCH(int, zoom);
    QTemporaryDir program;
    context_.settingsDirectory = program.path().toStdString();
    open(3);
    auto* clicked = window_->findChild<QToolButton*>(button);
    QVERIFY(clicked != nullptr);
    for (int i = 0; i < clicks; ++i) clicked->click();
    QCOMPARE(QString::fromStdString(iniRead(infoIniPath(context_.settingsDirectory), "INFO", "ZOOM")), stored);
    window_.reset();
    open(3);
    // A fit mode fits the new window (zoom 0 in the table).
    if (stored == QLatin1String("FIT")) zoom = window_->pageView->fitZoom(FitKind::kWholePage);
    if (stored == QLatin1String("WIDTH")) zoom = window_->pageView->fitZoom(FitKind::kWidth);
    QCOMPARE(window_->pageView->zoomPercent(), zoom);
    context_.settingsDirectory.clear();
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
    context_.settingsDirectory = program.path().toStdString();
    iniWrite(infoIniPath(context_.settingsDirectory), "INFO", "ZOOM", stored.toStdString());
    open(3);
    QCOMPARE(window_->pageView->zoomPercent(), 100);
    context_.settingsDirectory.clear();
  }

  // Each window keeps its own page range and zoom: a second preview (as the
  // comparison opens over the first) changes nothing in the first. Before,
  // both lived in process-wide variables and the second window's took over.
  void windowsKeepTheirOwnPagesAndZoom() {
    open(3);
    PreviewWindow& first = *window_;
    first.pageView->zoomIn();
    PreviewWindow second(services_, &context_);
    second.SetPageInfo("1", "9", nullptr, "1");
    second.SetOnDrawPage(log_.proc());
    second.show();
    QApplication::processEvents();
    QCOMPARE(first.pageView->zoomPercent(), 110);
    QCOMPARE(second.pageView->zoomPercent(), 100);
    first.toolBar->pageField->SetValue(3);
    first.nextPage();  // past the first window's last page: refused
    QCOMPARE(first.shownPage(), 3);
    second.toolBar->pageField->SetValue(5);
    QCOMPARE(second.shownPage(), 5);
    QCOMPARE(first.shownPage(), 3);
  }

  void pageInfoDrawsNothingBeforeShowing() {
    window_ = std::make_unique<PreviewWindow>(services_, &context_);
    window_->SetPageInfo("1", "4", nullptr, "1");
    window_->SetOnDrawPage(log_.proc());
    QVERIFY(log_.pages.empty());
    QCOMPARE(window_->toolBar->rangeToField->text(), QStringLiteral("4"));
    QCOMPARE(window_->statusBar->pageNumberLabel->text(), QStringLiteral("1"));
    QCOMPARE(window_->currentPage(), 0);
    QCOMPARE(window_->pageView->zoomPercent(), 100);
  }

  void onePageReport() {
    open(1);
    PreviewWindow& w = *window_;
    for (QToolButton* b :
         {w.toolBar->firstPageButton, w.toolBar->priorPageButton, w.toolBar->nextPageButton, w.toolBar->lastPageButton})
      QVERIFY(!b->isEnabled());
    // A page past the end is refused: the field shows page 1 again, which is
    // shown again. The last-page test comes first, so First and Prior light up.
    typeInto(w.toolBar->pageField, "2");
    QCOMPARE(w.toolBar->pageField->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, (std::vector<int>{1, 1}));
    QVERIFY(w.toolBar->firstPageButton->isEnabled());
    QVERIFY(w.toolBar->priorPageButton->isEnabled());
    QVERIFY(!w.toolBar->nextPageButton->isEnabled());
    QVERIFY(!w.toolBar->lastPageButton->isEnabled());
  }

  void severalPagesNavigation() {
    open(5);
    PreviewWindow& w = *window_;
    for (QToolButton* b :
         {w.toolBar->firstPageButton, w.toolBar->priorPageButton, w.toolBar->nextPageButton, w.toolBar->lastPageButton})
      QVERIFY(b->isEnabled());
    QCOMPARE(w.currentPage(), 0);
    // 이전 on page 1 (enabled as designed) goes nowhere: before, the field
    // showed 0 and 다음 counted from it back to page 1.
    w.toolBar->priorPageButton->click();
    QCOMPARE(w.toolBar->pageField->text(), QStringLiteral("1"));
    QCOMPARE(log_.pages, std::vector<int>{1});
    w.toolBar->firstPageButton->click();  // page 1 again: no change, nothing drawn
    QCOMPARE(log_.pages, std::vector<int>{1});
    w.toolBar->nextPageButton->click();
    for (QToolButton* b :
         {w.toolBar->firstPageButton, w.toolBar->priorPageButton, w.toolBar->nextPageButton, w.toolBar->lastPageButton})
      QVERIFY(b->isEnabled());
    QCOMPARE(w.statusBar->pageNumberLabel->text(), QStringLiteral("2"));
    w.toolBar->lastPageButton->click();
    QCOMPARE(w.currentPage(), 5);
    QVERIFY(!w.toolBar->nextPageButton->isEnabled());
    QVERIFY(!w.toolBar->lastPageButton->isEnabled());
    w.toolBar->firstPageButton->click();
    QCOMPARE(log_.pages, (std::vector<int>{1, 2, 5, 1}));
    QCOMPARE(w.recordCount(), 4);
  }

  void pageKeysInTheFields() {
    open(5);
    PreviewWindow& w = *window_;
    w.toolBar->rangeFromField->setFocus();
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_PageDown);
    QCOMPARE(w.currentPage(), 2);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_End);
    QCOMPARE(w.currentPage(), 5);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_PageDown);  // Next is disabled now
    QCOMPARE(w.currentPage(), 5);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_PageUp);
    QCOMPARE(w.currentPage(), 4);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Home);
    QCOMPARE(w.currentPage(), 1);
    // Up and Down walk the fields in tab order.
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Down);
    QVERIFY(w.toolBar->rangeToField->hasFocus());
    QTest::keyClick(w.toolBar->rangeToField, Qt::Key_Down);
    QVERIFY(w.toolBar->pageField->hasFocus());
    QTest::keyClick(w.toolBar->pageField, Qt::Key_Up);
    QVERIFY(w.toolBar->rangeToField->hasFocus());
  }

  void typingTwoDigitsShowsBothPages() {
    open(20);
    PreviewWindow& w = *window_;
    w.toolBar->pageField->setFocus();
    w.toolBar->pageField->clear();
    QTest::keyClicks(w.toolBar->pageField, "12");
    QCOMPARE(log_.pages, (std::vector<int>{1, 1, 12}));
    QCOMPARE(w.currentPage(), 12);
    typeInto(w.toolBar->pageField, "25");  // beyond the last page: refused
    QCOMPARE(w.currentPage(), 2);  // "2" was typed first
    QCOMPARE(w.toolBar->pageField->text(), QStringLiteral("2"));
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
    PreviewWindow& w = *window_;
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    typeInto(w.toolBar->pageField, "7");
    QCOMPARE(w.currentPage(), 7);
    w.toolBar->pageField->setFocus();
    w.toolBar->pageField->selectAll();
    if (typed.isEmpty()) {
      QTest::keyClick(w.toolBar->pageField, Qt::Key_Delete);
    } else {
      QTest::keyClicks(w.toolBar->pageField, typed);
    }
    QFETCH(int, shown);
    QTest::keyClick(w.toolBar->pageField, leaveByEnter ? Qt::Key_Return : Qt::Key_Tab);
    QVERIFY(!w.toolBar->pageField->hasFocus());
    QCOMPARE(w.toolBar->pageField->text(), QString::number(shown));
    QCOMPARE(w.currentPage(), shown);
    QCOMPARE(w.statusBar->pageNumberLabel->text(), QString::number(shown));
    w.toolBar->priorPageButton->click();
    QCOMPARE(w.currentPage(), shown - 1);
  }

  // While the field is emptied (the user is about to type), the buttons still
  // count from the page shown, not from the field's 0.
  void pageButtonsCountFromThePageShown() {
    open(20);
    PreviewWindow& w = *window_;
    typeInto(w.toolBar->pageField, "7");
    w.toolBar->pageField->clear();
    w.toolBar->nextPageButton->click();
    QCOMPARE(w.currentPage(), 8);
    QCOMPARE(w.toolBar->pageField->text(), QStringLiteral("8"));
    w.toolBar->pageField->clear();
    w.toolBar->priorPageButton->click();
    QCOMPARE(w.currentPage(), 7);
  }

  void zoomSequenceAndLimits() {
    open(2);
    PreviewWindow& w = *window_;
    QCOMPARE(window_->pageView->zoomPercent(), 100);
    for (int expected : {90, 80, 70}) {
      QVERIFY(w.toolBar->zoomOutButton->isEnabled());
      w.toolBar->zoomOutButton->click();
      QCOMPARE(window_->pageView->zoomPercent(), expected);
    }
    QVERIFY(!w.toolBar->zoomOutButton->isEnabled());
    w.toolBar->rangeFromField->setFocus();
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(window_->pageView->zoomPercent(), 60);
    QVERIFY(w.toolBar->zoomOutButton->isEnabled());
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(window_->pageView->zoomPercent(), 50);
    QVERIFY(w.toolBar->zoomOutButton->isEnabled());
    w.toolBar->zoomOutButton->click();
    QCOMPARE(window_->pageView->zoomPercent(), 50);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(window_->pageView->zoomPercent(), 50);
    QCOMPARE(w.toolBar->rangeFromField->text(), QStringLiteral("1"));  // the key reached the field and was refused
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(window_->pageView->zoomPercent(), 60);
    while (w.toolBar->zoomInButton->isEnabled()) w.toolBar->zoomInButton->click();
    QCOMPARE(window_->pageView->zoomPercent(), 250);
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(window_->pageView->zoomPercent(), 250);
    // Zoom changes only rescale the recorded page.
    QCOMPARE(log_.pages, std::vector<int>{1});
    // A plain minus (not the keypad) is not a zoom key.
    QTest::keyClick(w.toolBar->rangeFromField, Qt::Key_Minus);
    QCOMPARE(window_->pageView->zoomPercent(), 250);
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
    PreviewWindow& w = *window_;
    w.setWindowState(Qt::WindowNoState);
    w.resize(window);
    QApplication::processEvents();
    const QSize page = w.pageView->pictureSize();
    const QSize area = w.pageView->scroller->maximumViewportSize();
    auto scaled = [](int pixels, int zoom) { return static_cast<int>(std::nearbyint(pixels * zoom * 0.01)); };
    auto onStep = [this] {
      return window_->pageView->zoomPercent() >= 50 && window_->pageView->zoomPercent() <= 250 &&
             window_->pageView->zoomPercent() % 10 == 0;
    };

    w.toolBar->fitPageButton->click();
    QApplication::processEvents();
    QVERIFY(onStep());
    if (window_->pageView->zoomPercent() > 50) {
      QVERIFY(w.pageView->surface->width() <= area.width() && w.pageView->surface->height() <= area.height());
      QCOMPARE(w.pageView->scroller->horizontalScrollBar()->maximum(), 0);
      QCOMPARE(w.pageView->scroller->verticalScrollBar()->maximum(), 0);
    }
    if (window_->pageView->zoomPercent() < 250)
      QVERIFY(scaled(page.width(), window_->pageView->zoomPercent() + 10) > area.width() ||
              scaled(page.height(), window_->pageView->zoomPercent() + 10) > area.height());
    const int wholePage = window_->pageView->zoomPercent();

    w.toolBar->fitWidthButton->click();
    QApplication::processEvents();
    QVERIFY(onStep());
    QVERIFY(window_->pageView->zoomPercent() >= wholePage);
    if (window_->pageView->zoomPercent() > 50) QCOMPARE(w.pageView->scroller->horizontalScrollBar()->maximum(), 0);
    if (window_->pageView->zoomPercent() < 250) {
      // One step more would bring a horizontal scroll bar (the vertical one
      // taking its width when the page is taller than the area).
      const int next = window_->pageView->zoomPercent() + 10;
      const int bar = w.pageView->scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      const int room = scaled(page.height(), next) > area.height() ? area.width() - bar : area.width();
      QVERIFY(scaled(page.width(), next) > room);
    }
    QCOMPARE(w.pageView->scroller->verticalScrollBar()->value(), 0);  // from the page's top
    if (window == QSize(1600, 1000) && orientation == 1) QVERIFY(window_->pageView->zoomPercent() > 100);

    // A fitted page follows the window; a zoom step ends the fitting.
    const int wide = window_->pageView->zoomPercent();
    w.resize(window / 2);
    QApplication::processEvents();
    QVERIFY(window_->pageView->zoomPercent() <= wide);
    if (window_->pageView->zoomPercent() > 50) QCOMPARE(w.pageView->scroller->horizontalScrollBar()->maximum(), 0);
    const int halfWindow = window_->pageView->zoomPercent();
    w.toolBar->zoomInButton->click();
    w.resize(window);
    QApplication::processEvents();
    QCOMPARE(window_->pageView->zoomPercent(), std::min(250, halfWindow + 10));
  }

  void paintGeometry() {
    open(2);
    PreviewWindow& w = *window_;
    w.resize(1200, 1000);
    QApplication::processEvents();
    const QPoint before = w.pageView->surface->pos();
    w.pageView->refresh();
    // 100 %: unscaled from the surface's corner, not moved, no strip.
    QCOMPARE(w.pageView->targetRect(), QRect(QPoint(0, 0), w.pageView->pictureSize()));
    QCOMPARE(w.pageView->surface->size(), w.pageView->pictureSize());
    QCOMPARE(w.pageView->surface->pos(), before);
    {
      // The paper's border sits on the surface's first pixel.
      const QImage full = w.pageView->surface->grab().toImage();
      QVERIFY(qGray(full.pixel(0, 0)) < 128);
      QCOMPARE(QColor(full.pixel(5, 5)), QColor(Qt::white));
    }
    while (window_->pageView->zoomPercent() > 50) w.pageView->zoomOut();  // 50 % (the button stops at 70)
    const int sw = static_cast<int>(std::nearbyint(661 * 0.5));
    const int sh = static_cast<int>(std::nearbyint(935 * 0.5));
    QCOMPARE(w.pageView->surface->size(), QSize(sw, sh));
    QCOMPARE(w.pageView->targetRect(), QRect(QPoint(10, 10), QPoint(sw - 1, sh - 1)));
    const QSize box = w.pageView->scroller->viewport()->size();
    QVERIFY(sw < box.width());
    QCOMPARE(w.pageView->surface->x(), (box.width() - sw) / 2);
    if (sh < box.height()) QCOMPARE(w.pageView->surface->y(), (box.height() - sh) / 2);
    // The painted surface shows the page: white paper inside the strip.
    const QImage shot = w.pageView->surface->grab().toImage();
    QCOMPARE(QColor(shot.pixel(sw / 2, sh / 2)), QColor(Qt::white));
    w.toolBar->zoomInButton->click();
    w.toolBar->zoomInButton->click();
    w.toolBar->zoomInButton->click();  // 80 %
    QCOMPARE(w.pageView->surface->size(), QSize(529, 748));
    QCOMPARE(w.pageView->surface->x(), (w.pageView->scroller->viewport()->width() - 529) / 2);
  }

  void rangeFieldsInterplay() {
    open(10);
    PreviewWindow& w = *window_;
    typeInto(w.toolBar->rangeToField, "3");
    typeInto(w.toolBar->rangeFromField, "5");
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("5"));
    QCOMPARE(w.toolBar->startNumberField->text(), QStringLiteral("5"));
    typeInto(w.toolBar->rangeFromField, "4");
    QCOMPARE(w.toolBar->startNumberField->text(), QStringLiteral("4"));
    typeInto(w.toolBar->startNumberField, "9");
    typeInto(w.toolBar->rangeToField, "8");
    QCOMPARE(w.toolBar->startNumberField->text(), QStringLiteral("9"));
    // Pulled into the report's pages.
    typeInto(w.toolBar->rangeToField, "99");
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("10"));
    typeInto(w.toolBar->rangeFromField, "77");
    QCOMPARE(w.toolBar->rangeFromField->text(), QStringLiteral("10"));
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("10"));
  }

  // A report of more than 9,999 pages can print any of its pages: the range
  // fields take the report's last page, shown whole.
  void rangeFieldsReachEveryPageOfALongReport() {
    open(28572);
    PreviewWindow& w = *window_;
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("28572"));
    typeInto(w.toolBar->rangeFromField, "12000");
    typeInto(w.toolBar->rangeToField, "28571");
    QCOMPARE(w.toolBar->rangeFromField->text(), QStringLiteral("12000"));
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("28571"));
    typeInto(w.toolBar->rangeToField, "99999");  // past the last page: the field's range message, then the last page
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("28572"));
    for (TNumberEdit* field : {w.toolBar->rangeFromField, w.toolBar->rangeToField}) {
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
    PreviewWindow& w = *window_;
    int jobs = 0;
    PrintJob asked;
    w.SetOnPrintJob([&](const PrintJob& job) {
      ++jobs;
      asked = job;
    });
    typeInto(w.toolBar->rangeFromField, "5");
    typeInto(w.toolBar->rangeToField, "3");
    w.toolBar->printButton->click();
    QCOMPARE(jobs, 0);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("인쇄시작Page가 인쇄종료Page보다\r작아야만 합니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("경고"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kWarning);
    QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("5"));
    w.toolBar->printButton->click();  // equal values print one page
    QCOMPARE(jobs, 1);
    QCOMPARE(asked.PrintFrom, 5);
    QCOMPARE(asked.PrintTo, 5);
  }

  void printJobValuesAndDisabledWindow() {
    open(10);
    PreviewWindow& w = *window_;
    bool enabledDuringJob = true;
    int jobs = 0;
    PrintJob asked;
    w.SetOnPrintJob([&](const PrintJob& job) {
      ++jobs;
      asked = job;
      enabledDuringJob = w.isEnabled();
    });
    typeInto(w.toolBar->rangeFromField, "3");
    typeInto(w.toolBar->rangeToField, "5");
    typeInto(w.toolBar->startNumberField, "10");
    typeInto(w.toolBar->copiesField, "3");
    w.toolBar->printButton->click();
    QCOMPARE(jobs, 1);
    QVERIFY(!enabledDuringJob);
    QVERIFY(w.isEnabled());
    QCOMPARE(asked.PrintFrom, 3);
    QCOMPARE(asked.PrintTo, 5);
    QCOMPARE(asked.PrintStartNo, 10);
    QCOMPARE(asked.PrintCopies, 3);
    QVERIFY(service_.shown.empty());
  }

  void printJobErrorIsReportedAndWindowComesBack() {
    open(2);
    window_->SetOnPrintJob([](const PrintJob&) { throw std::runtime_error("disk full"); });
    window_->toolBar->printButton->click();
    QVERIFY(window_->isEnabled());
    QCOMPARE(service_.shown.size(), size_t{1});
    // A Korean line for the user, then the failure's own words.
    QCOMPARE(service_.shown[0].text, std::string("작업을 마치지 못했습니다.\rdisk full"));
  }

  void pdfPrinterAsksForTheFile() {
    QTemporaryDir dir;
    auto pdf = PrinterLayer::pdfPrinter(dir.filePath("default.pdf"));
    services_.printer = pdf.get();
    open(2);
    int jobs = 0;
    window_->SetOnPrintJob([&](const PrintJob&) { ++jobs; });
    context_.hooks.askPdfFile = [](QWidget*, const QString&) { return QString(); };
    window_->toolBar->printButton->click();
    QCOMPARE(jobs, 0);  // cancelled at the file question
    const QString chosen = dir.filePath("chosen.pdf");
    context_.hooks.askPdfFile = [&](QWidget*, const QString&) { return chosen; };
    window_->toolBar->printButton->click();
    QCOMPARE(jobs, 1);
    QCOMPARE(pdf->outputFileName(), chosen);
    window_.reset();
    services_.printer = &printer_;
  }

  void searchNeedsPageNumbers() {
    open(2);
    window_->toolBar->findButton->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("Page번호가 없는 보고서는 검색할 수 없습니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("알림"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kWarning);
  }

  void dragScrolling() {
    open(2);
    PreviewWindow& w = *window_;
    w.resize(600, 500);
    QApplication::processEvents();
    while (w.toolBar->zoomInButton->isEnabled()) w.toolBar->zoomInButton->click();
    QApplication::processEvents();
    QScrollBar* v = w.pageView->scroller->verticalScrollBar();
    QScrollBar* h = w.pageView->scroller->horizontalScrollBar();
    QVERIFY(v->maximum() > 100);
    QVERIFY(h->maximum() > 100);
    v->setValue(100);
    h->setValue(100);
    w.pageView->startDrag(QPoint(200, 200));
    w.pageView->dragTo(QPoint(205, 205), Qt::LeftButton);  // inside the band
    QCOMPARE(v->value(), 100);
    QCOMPARE(h->value(), 100);
    w.pageView->dragTo(QPoint(215, 215), Qt::LeftButton);
    QCOMPARE(v->value(), 80);
    QCOMPARE(h->value(), 80);
    w.pageView->dragTo(QPoint(215, 215), Qt::LeftButton);  // start point stays
    QCOMPARE(v->value(), 60);
    w.pageView->dragTo(QPoint(185, 185), Qt::LeftButton);
    QCOMPARE(v->value(), 80);
    QCOMPARE(h->value(), 80);
    w.pageView->dragTo(QPoint(100, 100), Qt::NoButton);  // no button: nothing
    QCOMPARE(v->value(), 80);
    v->setValue(10);
    w.pageView->dragTo(QPoint(215, 200), Qt::LeftButton);
    QCOMPARE(v->value(), 10);
    w.pageView->dragTo(QPoint(200, 230), Qt::LeftButton);
    QCOMPARE(v->value(), 0);  // held inside the range
    // Through real mouse events on the surface.
    v->setValue(100);
    QTest::mousePress(w.pageView->surface, Qt::LeftButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 80), w.pageView->surface->mapToGlobal(QPointF(50, 80)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.pageView->surface, &move);
    QCOMPARE(v->value(), 80);
    QCOMPARE(window_->pageView->dragStart().y(), 50);
  }

  void escapeCloses() {
    open(2);
    window_->toolBar->rangeFromField->setFocus();
    QTest::keyClick(window_->toolBar->rangeFromField, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
  }

  void closeButtonCloses() {
    open(2);
    window_->toolBar->closeButton->click();
    QVERIFY(!window_->isVisible());
  }

  // A page after the first that cannot be drawn is reported as the first
  // page's failure is, and the window stays usable.
  void failingPageDrawIsReportedLikeTheFirstPages() {
    open(3);
    PreviewWindow& w = *window_;
    w.SetOnDrawPage([](PageRecorder&, int page, ReportTable*) {
      if (page == 2) throw DataError(ErrorKind::kMemoDamaged, "T: cannot read memo F_INIT");
    });
    w.toolBar->nextPageButton->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(service_.shown[0].text,
             std::string("보고서 파일의 메모(.fpt) 내용이 손상되었습니다.\rT: cannot read memo F_INIT"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kError);
    QCOMPARE(w.toolBar->pageField->text(), QStringLiteral("2"));
    w.toolBar->nextPageButton->click();
    QCOMPARE(w.currentPage(), 3);
  }

  // A window uses the services it was made with, not the program's.
  void usesTheServicesItWasMadeWith() {
    FakePrinter own;
    RunServices services;
    services.printer = &own;
    window_ = std::make_unique<PreviewWindow>(services);
    window_->SetPageInfo("1", "2", nullptr, "1");
    window_->SetPaperOrientation(1);
    window_->SetOnDrawPage([](PageRecorder&, int, ReportTable*) {});  // leaves the paper size to the window
    window_->show();
    QApplication::processEvents();
    QVERIFY(own.orientation == PaperOrientation::kLandscape);
    QVERIFY(printer_.orientation == PaperOrientation::kPortrait);
    QCOMPARE(window_->pageView->pictureSize(), QSize(935, 661));
    window_.reset();
  }

  // Two previews open at once, each made with its own services: every
  // refusal goes to the message service of the window it came from.
  void messagesGoToTheWindowsOwnService() {
    RecordingMessageService firstBoxes, secondBoxes;
    RunServices first = services_, second = services_;
    first.messages = &firstBoxes;
    second.messages = &secondBoxes;
    PreviewWindow one(first, &context_), two(second, &context_);
    for (PreviewWindow* w : {&one, &two}) {
      w->SetPageInfo("1", "10", nullptr, "1");
      w->SetOnDrawPage(log_.proc());
      w->SetOnPrintJob([](const PrintJob&) { QFAIL("a reversed range printed"); });
      w->show();
    }
    QApplication::processEvents();
    typeInto(one.toolBar->rangeFromField, "5");
    typeInto(one.toolBar->rangeToField, "3");
    one.toolBar->printButton->click();  // the range warning
    two.toolBar->findButton->click();  // no table: the find is refused
    QCOMPARE(firstBoxes.shown.size(), size_t{1});
    QCOMPARE(firstBoxes.shown[0].text, std::string("인쇄시작Page가 인쇄종료Page보다\r작아야만 합니다."));
    QCOMPARE(secondBoxes.shown.size(), size_t{1});
    QCOMPARE(secondBoxes.shown[0].text, std::string("Page번호가 없는 보고서는 검색할 수 없습니다."));
    QVERIFY(service_.shown.empty());
  }

  void noPrinterRefusesToOpen() {
    services_.printer = nullptr;
    window_ = std::make_unique<PreviewWindow>(services_, &context_);
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
  static void sendWheel(PreviewWindow& w, int delta, Qt::KeyboardModifiers modifiers) {
    QWidget* viewport = w.pageView->scroller->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
  }
  void open(int pages, int orientation = 0) {
    window_ = std::make_unique<PreviewWindow>(services_, &context_);
    window_->SetPageInfo("1", std::to_string(pages), nullptr, "1");
    window_->SetPaperOrientation(orientation);
    window_->SetOnDrawPage(log_.proc());
    window_->SetOnPrintJob([](const PrintJob&) {});
    window_->show();
    QApplication::processEvents();
  }

  RecordingMessageService service_;
  RunServices services_;
  PreviewContext context_;
  FakePrinter printer_;
  PageLog log_;
  std::unique_ptr<PreviewWindow> window_;
};

QTEST_MAIN(PreviewTest)
#include "preview_window_test.moc"
