#include "run_services.h"
#include "print_progress_dialog.h"

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
    if (event->type() == QEvent::WindowBlocked && qobject_cast<PrintProgressDialog*>(watched)) ++blocked;
    return false;
  }
};

}  // namespace

class ProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { service_ = RecordingMessageService(); }
  void cleanup() { progress_.CloseProgress(); }

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
    ProgressGauge gauge;
    gauge.setMaxValue(max);
    gauge.setMinValue(min);
    gauge.setProgress(position);
    QCOMPARE(gauge.progress(), shownPosition);
    QCOMPARE(gauge.percentDone(), percent);
  }

  void gaugeRepaintsOnlyOnPercentChange() {
    ProgressGauge gauge;
    gauge.setMaxValue(1000);
    const int before = gauge.repaintCount();
    gauge.setProgress(1);  // 0.1 %: still 0
    gauge.setProgress(5);
    QCOMPARE(gauge.repaintCount(), before);
    gauge.setProgress(10);  // 1 %
    QCOMPARE(gauge.repaintCount(), before + 1);
    gauge.setProgress(19);  // still 1 %
    QCOMPARE(gauge.repaintCount(), before + 1);
  }

  void layoutAndTexts() {
    QVERIFY(progress_.ShowProgress(3, "보고서를 인쇄중입니다."));
    PrintProgressDialog* dialog = progress_.dialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->size(), QSize(367, 68));
    QCOMPARE(dialog->pos(), QPoint(219, 263));
    QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(dialog->captionLabel->text(), QStringLiteral("보고서를 인쇄중입니다."));
    QCOMPARE(dialog->captionLabel->palette().color(QPalette::Window), QColor(64, 0, 128));
    QCOMPARE(dialog->pageCaptionLabel->text(), QStringLiteral("현재Page:"));
    QCOMPARE(dialog->pageLabel->width(), 28);
    QVERIFY(dialog->pageLabel->alignment() & Qt::AlignRight);
    QCOMPARE(dialog->cancelButton->text(), QStringLiteral("취    소"));
    QCOMPARE(dialog->cancelButton->size(), QSize(85, 24));
    QVERIFY(progress_.showing());
    QVERIFY(!progress_.cancelled());
  }

  void threeStepsOfFourThenCloseFills() {
    QVERIFY(progress_.ShowProgress(3, "job"));
    PrintProgressDialog* dialog = progress_.dialog();
    QCOMPARE(dialog->gauge->maxValue(), 4);
    for (int page = 2; page <= 4; ++page) QVERIFY(progress_.StepProgress(1, page, "job"));
    QCOMPARE(dialog->gauge->percentDone(), 75);
    QCOMPARE(dialog->pageLabel->text(), QStringLiteral("4"));
    QSignalSpy closing(dialog, &PrintProgressDialog::closing);
    QVERIFY(progress_.CloseProgress());
    QCOMPARE(closing.count(), 1);
    QCOMPARE(closing.at(0).at(0).toInt(), 100);
    QVERIFY(!progress_.showing());
    QVERIFY(progress_.dialog() == nullptr);
  }

  void positionIsClampedAndMinusOneStays() {
    QVERIFY(progress_.ShowProgress(3, "job"));
    ProgressGauge* gauge = progress_.dialog()->gauge;
    QVERIFY(progress_.StepProgress(100, 3, "job"));
    QCOMPARE(gauge->progress(), 4);
    QVERIFY(progress_.StepProgress(2, 3, "job"));
    QCOMPARE(gauge->progress(), 2);
    QVERIFY(progress_.StepProgress(-1, 3, "job"));
    QCOMPARE(gauge->progress(), 2);
    QVERIFY(progress_.StepProgress(1, 3, "job"));  // 1 is always one more step
    QCOMPARE(gauge->progress(), 3);
  }

  void countMinusOneKeepsMaximum() {
    QVERIFY(progress_.ShowProgress(-1, "job"));
    QCOMPARE(progress_.dialog()->gauge->maxValue(), 100);
    QCOMPARE(progress_.dialog()->gauge->progress(), 0);
  }

  void blankCaptionKeepsHead() {
    QVERIFY(progress_.ShowProgress(5, "first"));
    QLabel* head = progress_.dialog()->captionLabel;
    QVERIFY(progress_.StepProgress(1, 2, ""));
    QCOMPARE(head->text(), QStringLiteral("first"));
    QVERIFY(progress_.StepProgress(1, 2, "   "));
    QCOMPARE(head->text(), QStringLiteral("first"));
    QVERIFY(progress_.StepProgress(1, 3, " second "));
    QCOMPARE(head->text(), QStringLiteral(" second "));  // shown untrimmed
  }

  void cancelThenNoContinues() {
    QVERIFY(progress_.ShowProgress(5, "job"));
    PrintProgressDialog* dialog = progress_.dialog();
    service_.answers = {MessageAnswer::kNo};
    dialog->cancelButton->click();
    QCOMPARE(service_.shown.size(), size_t{1});
    const Message& asked = service_.shown.front();
    QCOMPARE(QString::fromStdString(asked.caption), QStringLiteral("보고서"));
    QCOMPARE(QString::fromStdString(asked.text), QStringLiteral("작업을 중단하시겠습니까?"));
    QVERIFY(asked.icon == MessageIcon::kQuestion);
    QVERIFY(asked.buttons == MessageButtons::kYesNo);
    QVERIFY(dialog->isVisible());
    QVERIFY(!progress_.cancelled());
    QVERIFY(progress_.StepProgress(1, 2, "job"));
    QVERIFY(progress_.StepProgress(1, 3, "job"));
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
    QVERIFY(progress_.ShowProgress(5, "job"));
    PrintProgressDialog* dialog = progress_.dialog();
    dialog->cancelButton->setFocus();
    service_.answers = {MessageAnswer::kNo};
    QTest::keyClick(dialog->cancelButton, Qt::Key(key));
    QCOMPARE(service_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("작업을 중단하시겠습니까?"));
    QVERIFY(!progress_.cancelled());
    // Yes stops the job, as with the button.
    service_.answers = {MessageAnswer::kYes};
    QTest::keyClick(dialog->cancelButton, Qt::Key(key));
    QVERIFY(progress_.cancelled());
    QVERIFY(!progress_.StepProgress(1, 2, "job"));
    progress_.CloseProgress();
  }

  void cancelThenYesStopsAndCloseStillCloses() {
    QVERIFY(progress_.ShowProgress(5, "job"));
    PrintProgressDialog* dialog = progress_.dialog();
    QVERIFY(progress_.StepProgress(1, 2, "job"));
    service_.answers = {MessageAnswer::kYes};
    dialog->cancelButton->click();
    QVERIFY(progress_.cancelled());
    QVERIFY(progress_.showing());  // hidden, still counted as showing
    QVERIFY(!dialog->isVisible());
    const int position = dialog->gauge->progress();
    QVERIFY(!progress_.StepProgress(1, 3, "other"));
    QCOMPARE(dialog->gauge->progress(), position);
    QCOMPARE(dialog->pageLabel->text(), QStringLiteral("2"));
    QVERIFY(progress_.CloseProgress());
    QVERIFY(!progress_.showing());
    QVERIFY(progress_.dialog() == nullptr);
  }

  void stepAndCloseAfterCloseFail() {
    QVERIFY(progress_.ShowProgress(2, "job"));
    QVERIFY(progress_.CloseProgress());
    QVERIFY(!progress_.StepProgress(1, 2, "job"));
    QVERIFY(!progress_.CloseProgress());
  }

  void secondShowReplacesFirst() {
    QVERIFY(progress_.ShowProgress(2, "one"));
    QPointer<PrintProgressDialog> first = progress_.dialog();
    QVERIFY(progress_.ShowProgress(7, "two"));
    QVERIFY(first.isNull());
    QCOMPARE(progress_.dialog()->gauge->maxValue(), 8);
    QVERIFY(progress_.showing());
  }

  void showClearsAnEarlierCancel() {
    QVERIFY(progress_.ShowProgress(2, "job"));
    service_.answers = {MessageAnswer::kYes};
    progress_.dialog()->cancelButton->click();
    QVERIFY(progress_.cancelled());
    QVERIFY(progress_.ShowProgress(2, "job"));
    QVERIFY(!progress_.cancelled());
    QVERIFY(progress_.StepProgress(1, 2, "job"));
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
    QVERIFY(progress_.ShowProgress(3, "job"));
    QVERIFY(QTest::qWaitForWindowExposed(progress_.dialog()));
    QApplication::processEvents();
    QCOMPARE(spy.blocked, 0);
    QVERIFY(progress_.CloseProgress());
    QApplication::processEvents();
    qApp->removeEventFilter(&spy);
    QVERIFY(QApplication::activeModalWidget() == &preview);
  }

  void engineInterfaceDrivesTheDialog() {
    RunServices services;
    services.progress = &progress_;
    ProgressDialog& hooks = services.progressDialog();
    QVERIFY(hooks.ShowProgress(1, "job"));
    QVERIFY(progress_.dialog() != nullptr);
    QCOMPARE(progress_.dialog()->gauge->maxValue(), 2);
    hooks.ProcessPendingMessages();
    QVERIFY(hooks.StepProgress(1, 2, "job"));
    QVERIFY(hooks.CloseProgress());
    QVERIFY(!hooks.StepProgress(1, 2, "job"));
  }

 private:
  RecordingMessageService service_;
  QtProgressDialog progress_{service_};
};

QTEST_MAIN(ProgressTest)
#include "print_progress_dialog_test.moc"
