#include "run_services.h"
#include "s_rpt_progress.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "message_service.h"

using namespace zel;

namespace {

// Counts the window-blocked notices the progress dialog receives.
class BlockSpy : public QObject {
 public:
  int blocked = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowBlocked && qobject_cast<Tfm_RptProgress*>(watched)) ++blocked;
    return false;
  }
};

}  // namespace

class ProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    service_ = RecordingMessageService();
    setMessageService(&service_);
  }
  void cleanup() {
    CloseProgress();
    setMessageService(nullptr);
  }

  void gaugePercentage_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("shownPosition");
    QTest::addColumn<int>("percent");
    QTest::newRow("three of four") << 0 << 4 << 3 << 3 << 75;
    QTest::newRow("truncates") << 0 << 3 << 2 << 2 << 66;
    QTest::newRow("above max clamps") << 0 << 4 << 100 << 4 << 100;
    QTest::newRow("below min clamps") << 5 << 10 << -3 << 5 << 0;
    QTest::newRow("max equals min") << 7 << 7 << 7 << 7 << 0;
    QTest::newRow("offset range") << 10 << 20 << 15 << 15 << 50;
  }
  void gaugePercentage() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, position);
    QFETCH(int, shownPosition);
    QFETCH(int, percent);
    TGauge gauge;
    gauge.SetMaxValue(max);
    gauge.SetMinValue(min);
    gauge.SetProgress(position);
    QCOMPARE(gauge.Progress(), shownPosition);
    QCOMPARE(gauge.PercentDone(), percent);
  }

  void gaugeRepaintsOnlyOnPercentChange() {
    TGauge gauge;
    gauge.SetMaxValue(1000);
    const int before = gauge.RepaintCount();
    gauge.SetProgress(1);  // 0.1 %: still 0
    gauge.SetProgress(5);
    QCOMPARE(gauge.RepaintCount(), before);
    gauge.SetProgress(10);  // 1 %
    QCOMPARE(gauge.RepaintCount(), before + 1);
    gauge.SetProgress(19);  // still 1 %
    QCOMPARE(gauge.RepaintCount(), before + 1);
  }

  void layoutAndTexts() {
    QVERIFY(ShowProgress(3, "보고서를 인쇄중입니다."));
    Tfm_RptProgress* dialog = CurrentProgressDialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->size(), QSize(367, 68));
    QCOMPARE(dialog->pos(), QPoint(219, 263));
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(dialog->C_Pnl_Head->text(), QStringLiteral("보고서를 인쇄중입니다."));
    QCOMPARE(dialog->C_Pnl_Head->palette().color(QPalette::Window), QColor(64, 0, 128));
    QCOMPARE(dialog->Label1->text(), QStringLiteral("현재Page:"));
    QCOMPARE(dialog->StaticText1->width(), 28);
    QVERIFY(dialog->StaticText1->alignment() & Qt::AlignRight);
    QCOMPARE(dialog->C_Spt_Cancel->text(), QStringLiteral("취    소"));
    QCOMPARE(dialog->C_Spt_Cancel->size(), QSize(85, 24));
    QVERIFY(ProgressShowing);
    QVERIFY(!ProgressCancelled);
  }

  void threeStepsOfFourThenCloseFills() {
    QVERIFY(ShowProgress(3, "job"));
    Tfm_RptProgress* dialog = CurrentProgressDialog();
    QCOMPARE(dialog->C_Gag_Progress->MaxValue(), 4);
    for (int page = 2; page <= 4; ++page) QVERIFY(StepProgress(1, page, "job"));
    QCOMPARE(dialog->C_Gag_Progress->PercentDone(), 75);
    QCOMPARE(dialog->StaticText1->text(), QStringLiteral("4"));
    QSignalSpy closing(dialog, &Tfm_RptProgress::closing);
    QVERIFY(CloseProgress());
    QCOMPARE(closing.count(), 1);
    QCOMPARE(closing.at(0).at(0).toInt(), 100);
    QVERIFY(!ProgressShowing);
    QVERIFY(CurrentProgressDialog() == nullptr);
  }

  void positionIsClampedAndMinusOneStays() {
    QVERIFY(ShowProgress(3, "job"));
    TGauge* gauge = CurrentProgressDialog()->C_Gag_Progress;
    QVERIFY(StepProgress(100, 3, "job"));
    QCOMPARE(gauge->Progress(), 4);
    QVERIFY(StepProgress(2, 3, "job"));
    QCOMPARE(gauge->Progress(), 2);
    QVERIFY(StepProgress(-1, 3, "job"));
    QCOMPARE(gauge->Progress(), 2);
    QVERIFY(StepProgress(1, 3, "job"));  // 1 is always one more step
    QCOMPARE(gauge->Progress(), 3);
  }

  void countMinusOneKeepsMaximum() {
    QVERIFY(ShowProgress(-1, "job"));
    QCOMPARE(CurrentProgressDialog()->C_Gag_Progress->MaxValue(), 100);
    QCOMPARE(CurrentProgressDialog()->C_Gag_Progress->Progress(), 0);
  }

  void blankCaptionKeepsHead() {
    QVERIFY(ShowProgress(5, "first"));
    QLabel* head = CurrentProgressDialog()->C_Pnl_Head;
    QVERIFY(StepProgress(1, 2, ""));
    QCOMPARE(head->text(), QStringLiteral("first"));
    QVERIFY(StepProgress(1, 2, "   "));
    QCOMPARE(head->text(), QStringLiteral("first"));
    QVERIFY(StepProgress(1, 3, " second "));
    QCOMPARE(head->text(), QStringLiteral(" second "));  // shown untrimmed
  }

  void cancelThenNoContinues() {
    QVERIFY(ShowProgress(5, "job"));
    Tfm_RptProgress* dialog = CurrentProgressDialog();
    service_.answers = {MessageAnswer::kNo};
    dialog->C_Spt_Cancel->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    const Message& asked = service_.shown.front();
    QCOMPARE(QString::fromStdString(asked.caption), QStringLiteral("보고서"));
    QCOMPARE(QString::fromStdString(asked.text), QStringLiteral("작업을 중단하시겠습니까?"));
    QVERIFY(asked.icon == MessageIcon::kQuestion);
    QVERIFY(asked.buttons == MessageButtons::kYesNo);
    QVERIFY(dialog->isVisible());
    QVERIFY(!ProgressCancelled);
    QVERIFY(StepProgress(1, 2, "job"));
    QVERIFY(StepProgress(1, 3, "job"));
  }

  // Escape asks as 취소 does (before, it did nothing); Enter on the focused
  // 취소 presses it.
  void escapeAndEnterAskAsCancelDoes_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter on the button") << int(Qt::Key_Return);
  }
  void escapeAndEnterAskAsCancelDoes() {
    QFETCH(int, key);
    QVERIFY(ShowProgress(5, "job"));
    Tfm_RptProgress* dialog = CurrentProgressDialog();
    dialog->C_Spt_Cancel->setFocus();
    service_.answers = {MessageAnswer::kNo};
    QTest::keyClick(dialog->C_Spt_Cancel, Qt::Key(key));
    QCOMPARE(service_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("작업을 중단하시겠습니까?"));
    QVERIFY(!ProgressCancelled);
    // Yes stops the job, as with the button.
    service_.answers = {MessageAnswer::kYes};
    QTest::keyClick(dialog->C_Spt_Cancel, Qt::Key(key));
    QVERIFY(ProgressCancelled);
    QVERIFY(!StepProgress(1, 2, "job"));
    CloseProgress();
  }

  void cancelThenYesStopsAndCloseStillCloses() {
    QVERIFY(ShowProgress(5, "job"));
    Tfm_RptProgress* dialog = CurrentProgressDialog();
    QVERIFY(StepProgress(1, 2, "job"));
    service_.answers = {MessageAnswer::kYes};
    dialog->C_Spt_Cancel->click();
    QVERIFY(ProgressCancelled);
    QVERIFY(ProgressShowing);  // hidden, still counted as showing
    QVERIFY(!dialog->isVisible());
    const int position = dialog->C_Gag_Progress->Progress();
    QVERIFY(!StepProgress(1, 3, "other"));
    QCOMPARE(dialog->C_Gag_Progress->Progress(), position);
    QCOMPARE(dialog->StaticText1->text(), QStringLiteral("2"));
    QVERIFY(CloseProgress());
    QVERIFY(!ProgressShowing);
    QVERIFY(CurrentProgressDialog() == nullptr);
  }

  void stepAndCloseAfterCloseFail() {
    QVERIFY(ShowProgress(2, "job"));
    QVERIFY(CloseProgress());
    QVERIFY(!StepProgress(1, 2, "job"));
    QVERIFY(!CloseProgress());
  }

  void secondShowReplacesFirst() {
    QVERIFY(ShowProgress(2, "one"));
    QPointer<Tfm_RptProgress> first = CurrentProgressDialog();
    QVERIFY(ShowProgress(7, "two"));
    QVERIFY(first.isNull());
    QCOMPARE(CurrentProgressDialog()->C_Gag_Progress->MaxValue(), 8);
    QVERIFY(ProgressShowing);
  }

  void showClearsAnEarlierCancel() {
    QVERIFY(ShowProgress(2, "job"));
    service_.answers = {MessageAnswer::kYes};
    CurrentProgressDialog()->C_Spt_Cancel->click();
    QVERIFY(ProgressCancelled);
    QVERIFY(ShowProgress(2, "job"));
    QVERIFY(!ProgressCancelled);
    QVERIFY(StepProgress(1, 2, "job"));
  }

  // The job runs from inside the modal preview; the dialog must not be
  // blocked by it, or its cancel button would take no real click.
  void notBlockedByTheModalPreview() {
    BlockSpy spy;
    qApp->installEventFilter(&spy);
    QDialog preview;
    preview.setWindowModality(Qt::ApplicationModal);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QVERIFY(ShowProgress(3, "job"));
    QVERIFY(QTest::qWaitForWindowExposed(CurrentProgressDialog()));
    QApplication::processEvents();
    QCOMPARE(spy.blocked, 0);
    QVERIFY(CloseProgress());
    QApplication::processEvents();
    qApp->removeEventFilter(&spy);
    QVERIFY(QApplication::activeModalWidget() == &preview);
  }

  void engineInterfaceDrivesTheDialog() {
    QtProgressDialog dialog;
    installedServices().progress = &dialog;
    ProgressDialog& hooks = installedServices().progressDialog();
    QVERIFY(hooks.ShowProgress(1, "job"));
    QVERIFY(CurrentProgressDialog() != nullptr);
    QCOMPARE(CurrentProgressDialog()->C_Gag_Progress->MaxValue(), 2);
    hooks.ProcessPendingMessages();
    QVERIFY(hooks.StepProgress(1, 2, "job"));
    QVERIFY(hooks.CloseProgress());
    QVERIFY(!hooks.StepProgress(1, 2, "job"));
    installedServices().progress = nullptr;
  }

 private:
  RecordingMessageService service_;
};

QTEST_MAIN(ProgressTest)
#include "s_rpt_progress_test.moc"
