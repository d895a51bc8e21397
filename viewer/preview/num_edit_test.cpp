#include "num_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>
#include <memory>

#include "message_service.h"

using zel::TNumberEdit;

class NumEditTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { recorder_ = zel::RecordingMessageService(); }

  void defaults() {
    TNumberEdit edit(recorder_);
    QVERIFY(edit.IsComa());
    QCOMPARE(edit.Digits(), 0);
    QVERIFY(edit.Min() == 0);
    QVERIFY(edit.Max() == 999999999999.0L);
    QCOMPARE(edit.ErrorMessage(), QStringLiteral("[No Text]"));
    QVERIFY(edit.alignment() & Qt::AlignRight);
  }

  void typingBelowMinGivesMinSelected() {
    TNumberEdit edit(recorder_);
    edit.SetMin(1);
    edit.SetMax(9999);
    edit.setText("");
    QTest::keyClick(&edit, Qt::Key_0);
    QCOMPARE(edit.text(), QStringLiteral("1"));
    QCOMPARE(edit.selectedText(), QStringLiteral("1"));
    QTest::keyClick(&edit, Qt::Key_5);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    QVERIFY(recorder_.shown.empty());
  }

  void typingAboveMaxGivesMaxSelected() {
    TNumberEdit edit(recorder_);
    edit.SetIsComa(false);
    edit.SetMax(9999);
    edit.setText("9999");
    edit.setCursorPosition(4);
    QTest::keyClick(&edit, Qt::Key_9);
    QCOMPARE(edit.text(), QStringLiteral("9999"));
    QCOMPARE(edit.selectedText(), QStringLiteral("9999"));
  }

  void errorMessageShowsWhenSet() {
    TNumberEdit edit(recorder_);
    edit.SetMax(99);
    edit.SetErrorMessage("too big");
    edit.setText("99");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_1);
    QCOMPARE(edit.text(), QStringLiteral("99"));
    QCOMPARE(recorder_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(recorder_.shown[0].text), QStringLiteral("too big"));
    edit.SetValue(500);
    QCOMPARE(recorder_.shown.size(), size_t(2));
    QCOMPARE(edit.text(), QStringLiteral("99"));
  }

  void noTextMeansSilentCorrections() {
    TNumberEdit edit(recorder_);
    edit.SetMax(10);
    edit.SetValue(500);
    edit.SetValue(-5);
    QCOMPARE(edit.text(), QStringLiteral("0"));
    QVERIFY(recorder_.shown.empty());
  }

  void minusRefusedWhenMinIsNotNegative() {
    TNumberEdit edit(recorder_);
    edit.setText("");
    QTest::keyClick(&edit, Qt::Key_Minus);
    QCOMPARE(edit.text(), QString());
  }

  void minusOnEmptyFieldGivesMinusZero() {
    TNumberEdit edit(recorder_);
    edit.SetMin(-10);
    edit.setText("");
    QTest::keyClick(&edit, Qt::Key_Minus);
    QCOMPARE(edit.text(), QStringLiteral("-0"));
    QCOMPARE(edit.selectedText(), QStringLiteral("0"));
    QCOMPARE(edit.selectionStart(), 1);
    QTest::keyClick(&edit, Qt::Key_5);
    QCOMPARE(edit.text(), QStringLiteral("-5"));
    QVERIFY(edit.Value() == -5);
  }

  void minusAfterADigitRefused() {
    TNumberEdit edit(recorder_);
    edit.SetMin(-10);
    edit.setText("5");
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Minus);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    edit.setText("-5");
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Minus);  // a second sign
    QCOMPARE(edit.text(), QStringLiteral("-5"));
  }

  void minusBelowMinGivesMin() {
    TNumberEdit edit(recorder_);
    edit.SetMin(-10);
    edit.setText("5");
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Minus);
    QCOMPARE(edit.text(), QStringLiteral("-5"));
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_0);
    QCOMPARE(edit.text(), QStringLiteral("-10"));
    QCOMPARE(edit.selectedText(), QStringLiteral("-10"));
  }

  void decimalsAreLimited() {
    TNumberEdit edit(recorder_);
    edit.SetIsComa(false);
    edit.SetDigits(2);
    edit.setText("1.23");
    edit.setCursorPosition(4);
    QTest::keyClick(&edit, Qt::Key_4);
    QCOMPARE(edit.text(), QStringLiteral("1.23"));
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_7);  // before the point any number of digits
    QCOMPARE(edit.text(), QStringLiteral("71.23"));
    edit.setCursorPosition(5);
    QTest::keyClick(&edit, Qt::Key_Period);  // a second separator
    QCOMPARE(edit.text(), QStringLiteral("71.23"));
  }

  void separatorRefusedWithoutDecimals() {
    TNumberEdit edit(recorder_);
    edit.setText("12");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_Period);
    QCOMPARE(edit.text(), QStringLiteral("12"));
  }

  void separatorOnEmptyFieldGivesZeroPointZero() {
    TNumberEdit edit(recorder_);
    edit.SetDigits(1);
    edit.setText("");
    QTest::keyClick(&edit, Qt::Key_Period);
    QCOMPARE(edit.text(), QStringLiteral("0.0"));
    QCOMPARE(edit.selectionStart(), 2);
    QCOMPARE(edit.selectedText(), QStringLiteral("0"));
    QTest::keyClick(&edit, Qt::Key_7);
    QCOMPARE(edit.text(), QStringLiteral("0.7"));
  }

  void otherCharactersDroppedControlCharactersPass() {
    TNumberEdit edit(recorder_);
    edit.setText("12");
    edit.setCursorPosition(2);
    QTest::keyClicks(&edit, "a+ e");
    QCOMPARE(edit.text(), QStringLiteral("12"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("1"));
  }

  void typingIntoSelectionReplacesIt() {
    TNumberEdit edit(recorder_);
    edit.SetMax(500);
    edit.setText("450");
    edit.setSelection(0, 1);
    QTest::keyClick(&edit, Qt::Key_6);  // 650 > 500
    QCOMPARE(edit.text(), QStringLiteral("500"));
    edit.setText("450");
    edit.setSelection(0, 1);
    QTest::keyClick(&edit, Qt::Key_3);
    QCOMPARE(edit.text(), QStringLiteral("350"));
  }

  void keyPressListenerSeesCharactersFirst() {
    TNumberEdit edit(recorder_);
    edit.setText("");
    QString seen;
    edit.OnKeyPress = [&](QChar& key) {
      seen += key;
      if (key == QLatin1Char('7')) key = QChar();
    };
    QTest::keyClicks(&edit, "173");
    QCOMPARE(seen, QStringLiteral("173"));
    QCOMPARE(edit.text(), QStringLiteral("13"));
  }

  void keyDownHandlerCanSwallow() {
    TNumberEdit edit(recorder_);
    edit.setText("");
    edit.OnKeyDown = [](int& key, Qt::KeyboardModifiers) {
      if (key == Qt::Key_3) key = 0;
    };
    QTest::keyClicks(&edit, "123");
    QCOMPARE(edit.text(), QStringLiteral("12"));
  }

  void readingValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0 << 0.0;
    QTest::newRow("empty, min 3") << "" << 3.0 << 3.0;
    QTest::newRow("minus") << "-" << 0.0 << 0.0;
    QTest::newRow("minus, min 2") << "-" << 2.0 << 2.0;
    QTest::newRow("minus, min -4") << "-" << -4.0 << 0.0;
    QTest::newRow("separator") << "." << 0.0 << 0.0;
    QTest::newRow("separator, min 1") << "." << 1.0 << 1.0;
    QTest::newRow("thousands") << "1,234" << 0.0 << 1234.0;
    QTest::newRow("blanks") << " 1 234 " << 0.0 << 1234.0;
    QTest::newRow("letter") << "12a" << 0.0 << 0.0;
    QTest::newRow("letter, min 5") << "12a" << 5.0 << 5.0;
    QTest::newRow("two signs") << "--3" << -9.0 << 0.0;
    QTest::newRow("sign inside") << "3-2" << 0.0 << 0.0;
    QTest::newRow("hex is not a number") << "0x1A" << 0.0 << 0.0;
    QTest::newRow("decimals") << "12.75" << 0.0 << 12.75;
    QTest::newRow("above max") << "1,000,000,000,000" << 0.0 << 999999999999.0;
  }
  void readingValue() {
    QFETCH(QString, text);
    QFETCH(double, min);
    QFETCH(double, expected);
    TNumberEdit edit(recorder_);
    edit.SetMin(min);
    edit.setText(text);
    QCOMPARE(static_cast<double>(edit.Value()), expected);
  }

  void settingTheShownValueRaisesNoChange() {
    TNumberEdit edit(recorder_);
    edit.SetValue(42);
    QSignalSpy spy(&edit, &QLineEdit::textChanged);
    edit.SetValue(42);
    QCOMPARE(spy.count(), 0);
    edit.SetValue(43);
    QCOMPARE(spy.count(), 1);
    QTest::keyClick(&edit, Qt::Key_1);
    QCOMPARE(spy.count(), 2);
  }

  void formatting_data() {
    QTest::addColumn<bool>("coma");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("separators") << true << 0 << 1234567.0 << "1,234,567";
    QTest::newRow("two decimals") << true << 2 << 1234.0 << "1,234.00";
    QTest::newRow("rounded") << true << 1 << 2.46 << "2.5";
    QTest::newRow("small") << true << 0 << 999.0 << "999";
    QTest::newRow("thousand") << true << 0 << 1000.0 << "1,000";
    QTest::newRow("max") << true << 0 << 999999999999.0 << "999,999,999,999";
    QTest::newRow("general") << false << 0 << 1234.0 << "1234";
    QTest::newRow("general decimals") << false << 2 << 12.5 << "12.5";
    QTest::newRow("zero") << false << 0 << 0.0 << "0";
  }
  void formatting() {
    QFETCH(bool, coma);
    QFETCH(int, digits);
    QFETCH(double, value);
    QFETCH(QString, expected);
    TNumberEdit edit(recorder_);
    edit.SetIsComa(coma);
    edit.SetDigits(digits);
    edit.SetValue(value);
    QCOMPARE(edit.text(), expected);
  }

  void negativeFormatting() {
    TNumberEdit edit(recorder_);
    edit.SetMin(-1e7);
    edit.SetValue(-1234567);
    QCOMPARE(edit.text(), QStringLiteral("-1,234,567"));
    edit.SetValue(-0.2);
    QCOMPARE(edit.text(), QStringLiteral("0"));
  }

  void digitsAreCappedAndReformat() {
    TNumberEdit edit(recorder_);
    edit.SetValue(5);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    edit.SetDigits(25);
    QCOMPARE(edit.Digits(), 18);
    edit.SetDigits(2);
    QCOMPARE(edit.text(), QStringLiteral("5.00"));
  }

  void minAboveMaxIsRefused() {
    TNumberEdit edit(recorder_);
    edit.SetMax(100);
    edit.SetMin(200);
    QCOMPARE(recorder_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(recorder_.shown[0].text),
             QStringLiteral("Min-Value has to be less than or equal to Max-Value !"));
    QVERIFY(recorder_.shown[0].buttons == zel::MessageButtons::kOk);
    QVERIFY(edit.Min() == 100);
    QCOMPARE(edit.text(), QStringLiteral("100"));
  }

  void maxBelowMinIsRefused() {
    TNumberEdit edit(recorder_);
    edit.SetMin(10);
    edit.SetMax(5);
    QCOMPARE(recorder_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(recorder_.shown[0].text),
             QStringLiteral("Max-Value has to be greater than or equal to Min-Value !"));
    QVERIFY(edit.Max() == 10);
  }

  void minChangePullsTheTextIntoRange() {
    TNumberEdit edit(recorder_);
    edit.setText("3");
    edit.SetMin(7);
    QCOMPARE(edit.text(), QStringLiteral("7"));
    edit.SetMax(7);
    QCOMPARE(edit.text(), QStringLiteral("7"));
  }

  // Pasted text passes the typing filter character by character; thousands
  // separators and blanks are skipped, anything else the filter drops refuses.
  void pasteGoesThroughTheFilter_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("coma");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("allSelected");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("refused");
    const double big = 999999999999.0;
    QTest::newRow("letters dropped") << 0 << big << 0 << false << 32767 << "" << false << "x12y"
                                     << "12" << true;
    QTest::newRow("separators skipped") << 0 << big << 0 << true << 32767 << "10" << false << "1,234,567"
                                        << "101234567" << false;
    QTest::newRow("above max gives max") << 1 << 99.0 << 0 << true << 32767 << "10" << false << "1,234,567"
                                         << "99" << true;
    QTest::newRow("nothing usable") << 0 << big << 0 << false << 32767 << "5" << false << "abc"
                                    << "5" << true;
    QTest::newRow("minus refused at min 0") << 0 << big << 0 << false << 32767 << "" << false << "-3"
                                            << "3" << true;
    QTest::newRow("decimals limited") << 0 << big << 2 << false << 32767 << "" << false << "12.345"
                                      << "12.34" << true;
    QTest::newRow("max length kept") << 1 << 999999.0 << 0 << false << 4 << "" << false << "123456"
                                     << "1234" << true;
    QTest::newRow("selection replaced") << 0 << big << 0 << false << 32767 << "777" << true << "5"
                                        << "5" << false;
    QTest::newRow("negative allowed") << -10 << 10.0 << 0 << false << 32767 << "" << false << "-5"
                                      << "-5" << false;
  }
  void pasteGoesThroughTheFilter() {
    QFETCH(int, min);
    QFETCH(double, max);
    QFETCH(int, digits);
    QFETCH(bool, coma);
    QFETCH(int, maxLength);
    QFETCH(QString, before);
    QFETCH(bool, allSelected);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(bool, refused);
    TNumberEdit edit(recorder_);
    edit.SetIsComa(coma);
    edit.SetDigits(digits);
    edit.SetMin(min);
    edit.SetMax(max);
    edit.setMaxLength(maxLength);
    edit.setText(before);
    if (allSelected) {
      edit.selectAll();
    } else {
      edit.setCursorPosition(static_cast<int>(before.size()));
    }
    QSignalSpy changes(&edit, &QLineEdit::textChanged);
    QSignalSpy refusals(&edit, &TNumberEdit::inputRefused);
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), after);
    QCOMPARE(refusals.size(), refused ? 1 : 0);
    QVERIFY(changes.size() <= 1);  // one change event for the whole paste
  }

  void contextMenuPasteGoesThroughTheFilter() {
    TNumberEdit edit(recorder_);
    edit.SetIsComa(false);
    QGuiApplication::clipboard()->setText(QStringLiteral("x12y"));
    std::unique_ptr<QMenu> menu(edit.createFilteredContextMenu());
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
      if (action->objectName() == QStringLiteral("edit-paste")) paste = action;
    QVERIFY(paste != nullptr);
    paste->trigger();
    QCOMPARE(edit.text(), QStringLiteral("12"));
  }

  void focusReformatsAndEnterMovesOn() {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* first = new TNumberEdit(recorder_, &form);
    auto* second = new TNumberEdit(recorder_, &form);
    layout->addWidget(first);
    layout->addWidget(second);
    first->setText("1234");
    second->setText("");
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    first->setFocus();
    QTRY_VERIFY(first->hasFocus());
    QCOMPARE(first->text(), QStringLiteral("1,234"));
    QCOMPARE(first->selectedText(), QStringLiteral("1,234"));

    QTest::keyClick(first, Qt::Key_5);
    QCOMPARE(first->text(), QStringLiteral("5"));
    QTest::keyClicks(first, "0000");
    QCOMPARE(first->text(), QStringLiteral("50000"));
    QSignalSpy returned(first, &QLineEdit::returnPressed);
    QTest::keyClick(first, Qt::Key_Return);
    QTRY_VERIFY(second->hasFocus());
    QCOMPARE(returned.count(), 0);
    QCOMPARE(first->text(), QStringLiteral("50,000"));  // reformatted on leaving
    QCOMPARE(second->text(), QStringLiteral("0"));  // empty text normalised on entering
    QCOMPARE(second->selectedText(), QStringLiteral("0"));
  }

 private:
  zel::RecordingMessageService recorder_;
};

QTEST_MAIN(NumEditTest)
#include "num_edit_test.moc"
