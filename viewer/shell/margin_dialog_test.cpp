#include "margin_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "margin_writer.h"
#include "message_service.h"
#include "num_edit.h"
#include "settings_block.h"
#include "test_report.h"

using namespace zel;

namespace {

constexpr char kName[] = "L_RPTB02.dbf";
// "<RPTCODE>=♬RPTB02♬" CR LF "<TITLE>=♬내역서♬" (CP949)
const std::string kHead = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD\r\n<TITLE>=\xA2\xDD\xB3\xBB\xBF\xAA\xBC\xAD\xA2\xDD";

}  // namespace

class MarginDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    messages_ = RecordingMessageService();
    dir_ = testing::makeTempDirectory("space");
  }
  void cleanup() { std::filesystem::remove_all(dir_); }

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
    MarginDialog dialog(messages_, dir_, kName);
    for (TNumberEdit* field : {dialog.topField, dialog.bottomField, dialog.leftField, dialog.rightField})
      field->SetValue(value);
    dialog.show();
    QWidget* row[] = {dialog.topLabel,  dialog.topField,   dialog.bottomLabel, dialog.bottomField,  dialog.leftLabel,
                      dialog.leftField, dialog.rightLabel, dialog.rightField,  dialog.confirmButton};
    for (int i = 0; i < 9; ++i) {
      QVERIFY2(dialog.rect().contains(row[i]->geometry()), qPrintable(row[i]->objectName()));
      if (i > 0) QVERIFY2(row[i - 1]->geometry().right() < row[i]->geometry().left(), qPrintable(row[i]->objectName()));
    }
    for (TNumberEdit* field : {dialog.topField, dialog.bottomField, dialog.leftField, dialog.rightField}) {
      const int shown = field->fontMetrics().horizontalAdvance(field->text());
      QVERIFY2(shown + 4 <= field->width(), qPrintable(field->text()));
    }
    if (designed) {
      QCOMPARE(dialog.size(), QSize(356, 56));
      QCOMPARE(dialog.rightField->geometry(), QRect(216, 16, 33, 20));
    }
  }

  void layout() {
    MarginDialog dialog(messages_, dir_, kName);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("여백변경"));
    QCOMPARE(dialog.size(), QSize(356, 56));
    QCOMPARE(dialog.font().pixelSize(), 12);
    QCOMPARE(dialog.topLabel->text(), QStringLiteral("상"));
    QCOMPARE(dialog.bottomLabel->text(), QStringLiteral("하"));
    QCOMPARE(dialog.leftLabel->text(), QStringLiteral("좌"));
    QCOMPARE(dialog.rightLabel->text(), QStringLiteral("우"));
    QCOMPARE(dialog.rightLabel->pos(), QPoint(200, 20));
    QCOMPARE(dialog.topField->geometry(), QRect(24, 16, 33, 20));
    QCOMPARE(dialog.bottomField->geometry(), QRect(88, 16, 33, 20));
    QCOMPARE(dialog.leftField->geometry(), QRect(152, 16, 33, 20));
    QCOMPARE(dialog.rightField->geometry(), QRect(216, 16, 33, 20));
    QCOMPARE(dialog.confirmButton->text(), QStringLiteral("확  인"));
    QCOMPARE(dialog.confirmButton->geometry(), QRect(266, 14, 75, 25));
    for (TNumberEdit* field : {dialog.topField, dialog.bottomField, dialog.leftField, dialog.rightField}) {
      QCOMPARE(field->text(), QStringLiteral("0"));
      QVERIFY(field->IsComa());
      QCOMPARE(field->Digits(), 0);
      QVERIFY(field->Max() == 999999999999.0L);
      QCOMPARE(field->ErrorMessage(), QStringLiteral("[No Text]"));
    }
    QCOMPARE(nextTabStop(dialog.topField), dialog.bottomField);
    QCOMPARE(nextTabStop(dialog.bottomField), dialog.leftField);
    QCOMPARE(nextTabStop(dialog.leftField), dialog.rightField);
    QCOMPARE(nextTabStop(dialog.rightField), dialog.confirmButton);
  }

  void showsTheStoredMargins() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"10", "10", "15", "10"}));
  }

  void nonNumericTokenShowsZero() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "5|x|7|\xA2\xDD");
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"5", "0", "7", "0"}));
  }

  void confirmAppendsWhenAbsent() {
    write(kHead);
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    QCOMPARE(texts(dialog), (QStringList{"0", "0", "0", "0"}));
    dialog.confirmButton->click();
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
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    dialog.confirmButton->click();
    QCOMPARE(stored(), settings);
  }

  void typedMarginsAreWrittenAsPlainDigits() {
    write(kHead +
          "\r\n<PAGESPACE>=\xA2\xDD"
          "10|10|15|10|\xA2\xDD");
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    dialog.topField->setText("");
    dialog.topField->setCursorPosition(0);
    QTest::keyClicks(dialog.topField, "12");
    dialog.bottomField->SetValue(90);
    dialog.confirmButton->click();
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
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    TNumberEdit* edits[] = {dialog.topField, dialog.bottomField, dialog.leftField, dialog.rightField};
    for (int i = 0; i < 4; ++i) edits[i]->setText(fields[i]);
    dialog.confirmButton->click();
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
      MarginDialog dialog(messages_, dir_, kName);
      dialog.show();
      dialog.topField->SetValue(77);
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
      MarginDialog dialog(messages_, dir_, kName);
      dialog.show();
      QApplication::setActiveWindow(&dialog);
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      dialog.topField->setFocus();
      QTest::keyClick(dialog.topField, Qt::Key_Escape);
      QVERIFY(!dialog.isVisible());
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.topField->SetValue(12);
    dialog.confirmButton->setFocus();
    QTest::keyClick(dialog.confirmButton, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(GetKey(stored(), "PAGESPACE"), std::string("12|10|15|10|"));
  }

  // The dialog's own confirm refuses a report whose settings block does not
  // read, with the reason, and writes nothing.
  void unusableReportIsRefusedOnConfirm() {
    write("");
    const std::string dbf = testing::readFileBytes(dir_ + "/" + kName);
    const std::string fpt = testing::readFileBytes(dir_ + "/L_RPTB02.fpt");
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    dialog.topField->SetValue(10);
    dialog.confirmButton->click();
    QVERIFY(dialog.result() != int(QDialog::Accepted));
    QCOMPARE(messages_.shown.size(), size_t(1));
    QVERIFY2(QString::fromStdString(messages_.shown[0].text).contains(QStringLiteral("여백을 저장하지 않았습니다.")),
             messages_.shown[0].text.c_str());
    QCOMPARE(testing::readFileBytes(dir_ + "/" + kName), dbf);
    QCOMPARE(testing::readFileBytes(dir_ + "/L_RPTB02.fpt"), fpt);
  }

  void missingReportIsReportedAndNothingWritten() {
    MarginDialog dialog(messages_, dir_, kName);
    dialog.show();
    QCOMPARE(messages_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("오류"));
    QCOMPARE(texts(dialog), (QStringList{"0", "0", "0", "0"}));
    dialog.confirmButton->click();
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
  static QStringList texts(MarginDialog& d) {
    return {d.topField->text(), d.bottomField->text(), d.leftField->text(), d.rightField->text()};
  }

  RecordingMessageService messages_;
  std::string dir_;
};

QTEST_MAIN(MarginDialogTest)
#include "margin_dialog_test.moc"
