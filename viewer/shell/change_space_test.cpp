#include "change_space.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "margin_writer.h"
#include "message_service.h"
#include "num_edit.h"
#include "settings_block.h"
#include "shell_globals.h"
#include "test_report.h"

using namespace zel;

namespace {

constexpr char kName[] = "L_RPTB02.dbf";
// "<RPTCODE>=♬RPTB02♬" CR LF "<TITLE>=♬내역서♬" (CP949)
const std::string kHead = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD\r\n<TITLE>=\xA2\xDD\xB3\xBB\xBF\xAA\xBC\xAD\xA2\xDD";

}  // namespace

class ChangeSpaceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    messages_ = RecordingMessageService();
    setMessageService(&messages_);
    dir_ = testing::makeTempDirectory("space");
    ReportDirectory = dir_;
    CurrentReportFile = kName;
  }
  void cleanup() {
    setMessageService(nullptr);
    std::filesystem::remove_all(dir_);
  }

  // A margin field shows its whole value; the row and the window make room.
  void longValuesAreShownWhole_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("designed");
    QTest::newRow("two digits") << 10.0 << true;
    QTest::newRow("seven digits") << 1234567.0 << false;
    QTest::newRow("twelve digits") << 999999999999.0 << false;
  }
  void longValuesAreShownWhole() {
    QFETCH(double, value);
    QFETCH(bool, designed);
    TfrmChangeSpace dialog;
    for (TNumberEdit* field : {dialog.nedTop, dialog.nedBottom, dialog.nedLeft, dialog.nedRight})
      field->SetValue(value);
    dialog.show();
    QWidget* row[] = {dialog.Label1,  dialog.nedTop, dialog.Label2,   dialog.nedBottom, dialog.Label3,
                      dialog.nedLeft, dialog.Label4, dialog.nedRight, dialog.btnConfirm};
    for (int i = 0; i < 9; ++i) {
      QVERIFY2(dialog.rect().contains(row[i]->geometry()), qPrintable(row[i]->objectName()));
      if (i > 0) QVERIFY2(row[i - 1]->geometry().right() < row[i]->geometry().left(), qPrintable(row[i]->objectName()));
    }
    for (TNumberEdit* field : {dialog.nedTop, dialog.nedBottom, dialog.nedLeft, dialog.nedRight}) {
      const int shown = field->fontMetrics().horizontalAdvance(field->text());
      QVERIFY2(shown + 4 <= field->width(), qPrintable(field->text()));
    }
    if (designed) {
      QCOMPARE(dialog.size(), QSize(356, 56));
      QCOMPARE(dialog.nedRight->geometry(), QRect(216, 16, 33, 20));
    }
  }

  void layout() {
    TfrmChangeSpace dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("여백변경"));
    QCOMPARE(dialog.size(), QSize(356, 56));
    QCOMPARE(dialog.font().pixelSize(), 12);
    QCOMPARE(dialog.Label1->text(), QStringLiteral("상"));
    QCOMPARE(dialog.Label2->text(), QStringLiteral("하"));
    QCOMPARE(dialog.Label3->text(), QStringLiteral("좌"));
    QCOMPARE(dialog.Label4->text(), QStringLiteral("우"));
    QCOMPARE(dialog.Label4->pos(), QPoint(200, 20));
    QCOMPARE(dialog.nedTop->geometry(), QRect(24, 16, 33, 20));
    QCOMPARE(dialog.nedBottom->geometry(), QRect(88, 16, 33, 20));
    QCOMPARE(dialog.nedLeft->geometry(), QRect(152, 16, 33, 20));
    QCOMPARE(dialog.nedRight->geometry(), QRect(216, 16, 33, 20));
    QCOMPARE(dialog.btnConfirm->text(), QStringLiteral("확  인"));
    QCOMPARE(dialog.btnConfirm->geometry(), QRect(266, 14, 75, 25));
    for (TNumberEdit* field : {dialog.nedTop, dialog.nedBottom, dialog.nedLeft, dialog.nedRight}) {
      QCOMPARE(field->text(), QStringLiteral("0"));
      QVERIFY(field->IsComa());
      QCOMPARE(field->Digits(), 0);
      QVERIFY(field->Max() == 999999999999.0L);
      QCOMPARE(field->ErrorMessage(), QStringLiteral("[No Text]"));
    }
    QCOMPARE(nextTabStop(dialog.nedTop), dialog.nedBottom);
    QCOMPARE(nextTabStop(dialog.nedBottom), dialog.nedLeft);
    QCOMPARE(nextTabStop(dialog.nedLeft), dialog.nedRight);
    QCOMPARE(nextTabStop(dialog.nedRight), dialog.btnConfirm);
  }

  void showsTheStoredMargins() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    TfrmChangeSpace dialog;
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"10", "10", "15", "10"}));
  }

  void nonNumericTokenShowsZero() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "5|x|7|\xA2\xDD");
    TfrmChangeSpace dialog;
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"5", "0", "7", "0"}));
  }

  void confirmAppendsWhenAbsent() {
    write(kHead);
    TfrmChangeSpace dialog;
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"0", "0", "0", "0"}));
    dialog.btnConfirm->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(stored(), kHead +
                           "\r\n<PAGESPACE>=\xA2\xDD"
                           "0|0|0|0|\xA2\xDD");
  }

  void confirmingUnchangedKeepsTheBlock() {
    std::string settings = kHead +
                           "\r\n<PAGESPACE>=\xA2\xDD"
                           "10|10|15|10|\xA2\xDD\r\n<OPT1>=\xA2\xDD"
                           "0|1|NC|\xA2\xDD";
    write(settings);
    TfrmChangeSpace dialog;
    dialog.show();
    dialog.btnConfirm->click();
    QCOMPARE(stored(), settings);
  }

  void typedMarginsAreWrittenAsPlainDigits() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    TfrmChangeSpace dialog;
    dialog.show();
    dialog.nedTop->setText("");
    dialog.nedTop->setCursorPosition(0);
    QTest::keyClicks(dialog.nedTop, "12");
    dialog.nedBottom->SetValue(90);
    dialog.btnConfirm->click();
    QCOMPARE(QString::fromStdString(GetKey(stored(), "PAGESPACE")), QStringLiteral("12|90|15|10|"));
  }

  // Margins the report could not use are refused with a message; the file is
  // unchanged and the dialog stays open. The report is landscape: 2970 x 2100.
  void unusableMarginsAreRefused_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("refused");
    QTest::newRow("thousands") << QStringList{"1,200", "1,000", "15", "10"} << true;
    QTest::newRow("past nine digits") << QStringList{"1,000,000,000", "0", "0", "0"} << true;
    QTest::newRow("height just over") << QStringList{"75", "30", "0", "0"} << true;
    QTest::newRow("width just over") << QStringList{"0", "0", "149", "0"} << true;
    QTest::newRow("at the limits") << QStringList{"52", "52", "74", "74"} << false;
  }
  void unusableMarginsAreRefused() {
    QFETCH(QStringList, fields);
    QFETCH(bool, refused);
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    const std::string dbf = testing::readFileBytes(dir_ + "/" + kName);
    const std::string fpt = testing::readFileBytes(dir_ + "/L_RPTB02.fpt");
    TfrmChangeSpace dialog;
    dialog.show();
    TNumberEdit* edits[] = {dialog.nedTop, dialog.nedBottom, dialog.nedLeft, dialog.nedRight};
    for (int i = 0; i < 4; ++i) edits[i]->setText(fields[i]);
    dialog.btnConfirm->click();
    QCOMPARE(messages_.shown.size(), size_t(refused ? 1 : 0));
    QCOMPARE(dialog.isVisible(), refused);
    if (refused) {
      QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("경고"));
      QCOMPARE(testing::readFileBytes(dir_ + "/" + kName), dbf);
      QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
    } else {
      QCOMPARE(QString::fromStdString(GetKey(stored(), "PAGESPACE")), fields.join('|') + '|');
    }
  }

  void closingWithoutConfirmWritesNothing() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    std::string dbf = testing::readFileBytes(dir_ + "/" + kName);
    std::string fpt = testing::readFileBytes(dir_ + "/L_RPTB02.fpt");
    {
      TfrmChangeSpace dialog;
      dialog.show();
      dialog.nedTop->SetValue(77);
      dialog.close();
    }
    QCOMPARE(testing::readFileBytes(dir_ + "/" + kName), dbf);
    QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
  }

  // Enter on the focused 확인 confirms (before, it did nothing); Escape cancels
  // and writes nothing.
  void enterOnConfirmSavesAndEscapeCancels() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    const std::string fpt = testing::readFileBytes(dir_ + "/L_RPTB02.fpt");
    {
      TfrmChangeSpace dialog;
      dialog.show();
      QApplication::setActiveWindow(&dialog);
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      dialog.nedTop->setFocus();
      QTest::keyClick(dialog.nedTop, Qt::Key_Escape);
      QVERIFY(!dialog.isVisible());
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
    TfrmChangeSpace dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.nedTop->SetValue(12);
    dialog.btnConfirm->setFocus();
    QTest::keyClick(dialog.btnConfirm, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(GetKey(stored(), "PAGESPACE"), std::string("12|10|15|10|"));
  }

  // The dialog's own confirm refuses a report whose settings block does not
  // read, with the reason, and writes nothing.
  void unusableReportIsRefusedOnConfirm() {
    write("");
    const std::string dbf = testing::readFileBytes(dir_ + "/" + kName);
    const std::string fpt = testing::readFileBytes(dir_ + "/L_RPTB02.fpt");
    TfrmChangeSpace dialog;
    dialog.show();
    dialog.nedTop->SetValue(10);
    dialog.btnConfirm->click();
    QVERIFY(dialog.result() != int(QDialog::Accepted));
    QCOMPARE(messages_.shown.size(), size_t(1));
    QVERIFY2(QString::fromStdString(messages_.shown[0].text).contains(QStringLiteral("여백을 저장하지 않았습니다.")),
             messages_.shown[0].text.c_str());
    QCOMPARE(testing::readFileBytes(dir_ + "/" + kName), dbf);
    QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
  }

  void missingReportIsReportedAndNothingWritten() {
    TfrmChangeSpace dialog;
    dialog.show();
    QCOMPARE(messages_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("오류"));
    QCOMPARE(texts(dialog), (QStringList{"0", "0", "0", "0"}));
    dialog.btnConfirm->click();
    QCOMPARE(messages_.shown.size(), size_t(2));
    QVERIFY(dialog.isVisible());
    QVERIFY(!std::filesystem::exists(dir_ + "/" + kName));
  }

 private:
  static QWidget* nextTabStop(QWidget* from) {
    QWidget* w = from->nextInFocusChain();
    while (w != from && !(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
    return w;
  }
  void write(const std::string& settings) {
    testing::TestReport report;
    report.settings = settings;
    std::string error;
    QVERIFY2(testing::writeTestReport(dir_, kName, report, &error), error.c_str());
  }
  std::string stored() {
    MarginWriter reader;
    reader.load(dir_, kName);
    return reader.block();
  }
  static QStringList texts(TfrmChangeSpace& d) {
    return {d.nedTop->text(), d.nedBottom->text(), d.nedLeft->text(), d.nedRight->text()};
  }

  RecordingMessageService messages_;
  std::string dir_;
};

QTEST_MAIN(ChangeSpaceTest)
#include "change_space_test.moc"
