#include "find_dialog.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "cp949.h"
#include "fake_report_lines.h"
#include "message_service.h"
#include "settings_builder.h"

using namespace zel;

namespace {

std::string cp(const char* utf8) { return utf8ToCp949(utf8); }

}  // namespace

class FindDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    service_ = RecordingMessageService();
    SettingsBuilder settings;
    settings.set("FIELDCOUNT", "5|")
        .set("F1", Descriptor("1", "1", "1", "1", "30", "S", "F_DES", "", "", "", "L", cp("품명")))
        .set("F2", Descriptor("2", "2", "2", "1", "20", "D", "F_AMT", cp("금액"), "", "", "R", cp("재료비")))
        .set("F3", Descriptor("3", "3", "1", "12", "10", "D", "F_HID", "", "", "", "R", cp("숨김")))
        .set("F4", Descriptor("4", "4", "1", "1", "20", "D", "F_CNT", "", "", "", "R", cp("수량")))
        .set("F5", Descriptor("5", "5", "1", "1", "20", "S", "F_DATE", "", "", "", "C", cp("일자")));
    lines_ = FakeReportLines();
    lines_.types = {{"F_PAGE", "N"}, {"F_INIT", "M"}, {"F_DES", "C"}, {"F_AMT", "N"},
                    {"F_CNT", "I"},  {"F_HID", "N"},  {"F_DATE", "D"}};
    lines_.add({{"F_PAGE", "1"}, {"F_INIT", settings.text()}, {"F_DES", "xABCy"}, {"F_AMT", "12.5"}, {"F_CNT", "3"}});
    lines_.add({{"F_PAGE", "1"}, {"F_DES", cp("철근 abc")}, {"F_AMT", "1"}, {"F_CNT", "4"}});
    lines_.add({{"F_PAGE", "2"}, {"F_DES", "abc again"}, {"F_AMT", "12.5"}, {"F_CNT", "5"}});
    lines_.add({{"F_PAGE", "3"}, {"F_DES", "abc third"}, {"F_AMT", "7"}, {"F_CNT", "6"}});
    find_ = FindState();
  }
  void layoutAndColumns() {
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("찾 기"));
    QCOMPARE(dialog.size(), QSize(328, 60));
    QCOMPARE(dialog.searchButton->text(), QStringLiteral("찾  기"));
    QCOMPARE(dialog.fromCurrentBox->text(), QStringLiteral("현재위치부터"));
    QCOMPARE(dialog.columnBox->width(), 133);
    QCOMPARE(dialog.textEdit->width(), 132);
    QVERIFY(!dialog.columnBox->isEditable());
    // Kind 12 is not offered; two caption rows join item 8 and item 9.
    const QStringList expected = {QStringLiteral("품명"), QStringLiteral("재료비_금액"), QStringLiteral("수량"),
                                  QStringLiteral("일자")};
    QStringList shown;
    for (int i = 0; i < dialog.columnBox->count(); ++i) shown << dialog.columnBox->itemText(i);
    QCOMPARE(shown, expected);
    QCOMPARE(dialog.fieldNames(), (std::vector<std::string>{"F_DES", "F_AMT", "F_CNT", "F_DATE"}));
    QVERIFY(dialog.fromCurrentBox->isChecked());
    QCOMPARE(dialog.columnBox->currentIndex(), 0);
    QVERIFY(dialog.searchButton->isEnabled());
  }

  void fromCurrentStepsThroughPages() {
    // Right after opening (CurPage 0) the search starts at page 1.
    QCOMPARE(search(0, "abc"), 1);
    QCOMPARE(search(1, "abc"), 2);
    QCOMPARE(search(2, "abc"), 3);
    // From the last page nothing is found; the page stays.
    QCOMPARE(search(3, "abc"), 3);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("찾는 내용이 없습니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("알림"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kInformation);
  }

  // A find over a long report blocks the window: the walk runs under the
  // wait cursor, and nothing of it is left afterwards.
  void searchRunsUnderTheBusyCursor() {
    struct CursorAtMessage : RecordingMessageService {
      MessageAnswer show(const Message& message) override {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shape = cursor ? int(cursor->shape()) : -1;
        return RecordingMessageService::show(message);
      }
      int shape = -2;
    } service;
    QCOMPARE(search(3, "abc", 0, true, &service),
             3);  // nothing after the last page: the notice comes from inside the walk
    QCOMPARE(service.shape, int(Qt::WaitCursor));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }

  void fromTopWhenUnticked() { QCOMPARE(search(2, "abc", 0, false), 1); }

  void caseInsensitiveAndKoreanText() {
    QCOMPARE(search(0, "aBc"), 1);
    QCOMPARE(find_.text, std::string("aBc"));
    QCOMPARE(search(0, "철근"), 1);
    QCOMPARE(find_.text, cp("철근"));
  }

  void emptyTextFindsNothing() {
    QCOMPARE(search(2, ""), 2);
    QCOMPARE(service_.shown.size(), size_t{1});
  }

  void numericColumnRules() {
    QCOMPARE(search(1, "12.50", 1), 2);  // 12.50 matches 12.5
    find_.text = "kept";
    QCOMPARE(search(1, "12,5", 1), 1);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("실수형 항목입니다. 숫자만 검색가능합니다."));
    QCOMPARE(QString::fromStdString(service_.shown[0].caption), QStringLiteral("경고"));
    QVERIFY(service_.shown[0].icon == MessageIcon::kWarning);
    QCOMPARE(find_.text, std::string("kept"));  // a rejected text is not remembered
  }

  void integerColumnRules() {
    QCOMPARE(search(0, "5", 2), 2);
    QCOMPARE(search(0, "5.5", 2), 0);
    QCOMPARE(QString::fromStdString(service_.shown.back().text),
             QStringLiteral("정수형 항목입니다. 정수만 검색가능합니다."));
  }

  void otherTypesFindNothing() {
    QCOMPARE(search(0, "2024", 3), 0);
    QCOMPARE(QString::fromStdString(service_.shown.back().text), QStringLiteral("찾는 내용이 없습니다."));
  }

  void choiceAndTextAreRemembered() {
    find_.fieldIndex = 2;
    find_.text = cp("철근");
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    QCOMPARE(dialog.columnBox->currentIndex(), 2);
    QCOMPARE(dialog.textEdit->text(), QStringLiteral("철근"));
    QVERIFY(dialog.textEdit->hasFocus() || !QApplication::focusWidget());
    dialog.columnBox->setCurrentIndex(1);
    QCOMPARE(find_.fieldIndex, 1);
  }

  // The column list works as every combo box does: arrows, typing and
  // Alt+Down choose, Tab and Shift+Tab leave it. Before, it swallowed every key.
  void comboWorksByKeyboard() {
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.columnBox->setFocus();
    QTest::keyClick(dialog.columnBox, Qt::Key_Down);
    QCOMPARE(dialog.columnBox->currentIndex(), 1);
    QCOMPARE(find_.fieldIndex, 1);
    QTest::keyClick(dialog.columnBox, Qt::Key_End);
    QCOMPARE(dialog.columnBox->currentIndex(), 3);
    QTest::keyClick(dialog.columnBox, Qt::Key_Up);
    QCOMPARE(dialog.columnBox->currentIndex(), 2);
    QCOMPARE(find_.fieldIndex, 2);
    {
      // Typing chooses by the first letters (a Korean one, as an input method gives it).
      QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("품"));
      QApplication::sendEvent(dialog.columnBox, &typed);
    }
    QCOMPARE(dialog.columnBox->currentIndex(), 0);
    QTest::keyClick(dialog.columnBox, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return dialog.columnBox->view()->isVisible(); }));
    QTest::keyClick(dialog.columnBox->view(), Qt::Key_Escape);
    QVERIFY(QTest::qWaitFor([&] { return !dialog.columnBox->view()->isVisible(); }));
    QVERIFY(dialog.isVisible());
    QTest::keyClick(dialog.columnBox, Qt::Key_Tab);
    QVERIFY(dialog.textEdit->hasFocus());
    QTest::keyClick(dialog.textEdit, Qt::Key_Tab, Qt::ShiftModifier);
    QVERIFY(dialog.columnBox->hasFocus());
    // Escape still closes the dialog.
    QTest::keyClick(dialog.columnBox, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
  }

  // Enter on the focused search button presses it.
  void enterOnTheButtonSearches() {
    find_.page = 1;
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.textEdit->setText(QStringLiteral("abc"));
    dialog.searchButton->setFocus();
    QTest::keyClick(dialog.searchButton, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(find_.page, 2);
  }

  void enterInEditSearchesAndCloses() {
    find_.page = 1;
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    dialog.textEdit->setText(QStringLiteral("abc"));
    QTest::keyClick(dialog.textEdit, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(find_.page, 2);
  }

  void escapeInEditCloses() {
    FindDialog dialog(service_, find_, lines_);
    dialog.show();
    dialog.textEdit->setText(QStringLiteral("abc"));
    QTest::keyClick(dialog.textEdit, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(find_.page, 0);
    QVERIFY(service_.shown.empty());
  }

  void noColumnDisablesSearch() {
    FakeReportLines empty;
    empty.types = {{"F_PAGE", "N"}, {"F_INIT", "M"}};
    empty.add({{"F_PAGE", "1"}, {"F_INIT", SettingsBuilder().set("FIELDCOUNT", "0|").text()}});
    FindDialog dialog(service_, find_, empty);
    dialog.show();
    QCOMPARE(dialog.columnBox->count(), 0);
    QVERIFY(!dialog.searchButton->isEnabled());
    QCOMPARE(dialog.columnBox->placeholderText(), FindDialog::NothingToSearchText());
    QVERIFY(!dialog.searchButton->toolTip().isEmpty());
    dialog.textEdit->setText(QStringLiteral("x"));
    QTest::keyClick(dialog.textEdit, Qt::Key_Return);  // the disabled button does nothing
    QVERIFY(service_.shown.empty());
  }

  void unreadableSettingsReportAndClose() {
    FakeReportLines broken;
    broken.types = {{"F_PAGE", "N"}, {"F_INIT", "M"}};
    broken.add({{"F_PAGE", "1"}, {"F_INIT", SettingsBuilder().set("FIELDCOUNT", "1|").set("F1", "1|1|x|y|").text()}});
    FindDialog dialog(service_, find_, broken);
    dialog.show();
    QCOMPARE(service_.shown.size(), size_t{1});
    QVERIFY(service_.shown[0].icon == MessageIcon::kError);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(find_.page, 0);
  }

 private:
  // Opens the dialog as the preview would with a page shown, searches column
  // `column` for text and returns the state's page afterwards.
  int search(int curPage, const char* utf8Text, int column = 0, bool fromCurrent = true,
             MessageService* service = nullptr) {
    find_.page = curPage;
    find_.fieldIndex = column;
    FindDialog dialog(service ? *service : service_, find_, lines_);
    dialog.show();
    dialog.fromCurrentBox->setChecked(fromCurrent);
    dialog.textEdit->setText(QString::fromUtf8(utf8Text));
    dialog.searchButton->click();
    if (dialog.isVisible()) return -1;  // every search closes the dialog
    return find_.page;
  }

  RecordingMessageService service_;
  FakeReportLines lines_;
  FindState find_;
};

QTEST_MAIN(FindDialogTest)
#include "find_dialog_test.moc"
