#include "run_services.h"
#include "main_window.h"
#include "description_panel.h"
#include "report_list_view.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "report_table.h"
#include "margin_dialog.h"
#include "fake_printer.h"
#include "help.h"
#include "ini_file.h"
#include "logo_image.h"
#include "message_service.h"
#include "num_edit.h"
#include "preview_handover.h"
#include "printer.h"
#include "qt_translation.h"
#include "report_directory.h"
#include "sample_reports.h"
#include "settings_block.h"
#include "shell_preview.h"
#include "test_report.h"
#include "preview_window.h"

using namespace zel;

namespace {

std::string block(const std::string& code, const std::string& space = "") {
  std::string text = "<RPTCODE>=\xA2\xDD" + code +
                     "\xA2\xDD\r\n<OPTIONSET>=\xA2\xDD"
                     "0|0|\xA2\xDD";
  if (!space.empty()) text += "\r\n<PAGESPACE>=\xA2\xDD" + space + "\xA2\xDD";
  return text;
}

void touch(const std::string& path, std::size_t size = 0) {
  std::ofstream out(path, std::ios::binary);
  out << std::string(size, 'x');
}

// Records what the runner hands over instead of showing a window.
class RecordingPreview : public ReportPreview {
 public:
  explicit RecordingPreview(std::vector<std::string>* shown) : shown_(shown) {}
  void SetPageInfo(const std::string&, const std::string& last, ReportTable*, const std::string&) override {
    last_ = last;
  }
  void SetPaperOrientation(int) override {}
  void SetOnDrawPage(DrawPageProc) override {}
  void SetOnPrintJob(PrintJobProc) override {}
  void ShowModal() override { shown_->push_back(last_); }

 private:
  std::vector<std::string>* shown_;
  std::string last_;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    messages_ = RecordingMessageService();
    services_.messages = &messages_;
    program_ = testing::makeTempDirectory("program");
    reports_ = testing::makeTempDirectory("reports");
    iniWrite(infoIniPath(program_), "INFO", "DIR", reports_);
  }
  void cleanup() {
    window_.reset();
    directoryChooser_ = nullptr;
    modalRunner_ = nullptr;
    backgroundCountFrom_ = 50000;
    services_.preview = nullptr;
    services_.printer = nullptr;
    std::filesystem::remove_all(program_);
    std::filesystem::remove_all(reports_);
  }

  void layout() {
    MainWindow& w = window();
    QCOMPARE(w.windowTitle(), QStringLiteral("ZEL 파일"));
    QCOMPARE(w.centralWidget()->height() + w.statusBar()->height(), 291);
    QCOMPARE(w.width(), 589);
    QCOMPARE(w.font().pixelSize(), 12);

    QCOMPARE(w.fileMenu->title(), QStringLiteral("파일(&F)"));
    QStringList items;
    for (QAction* a : w.fileMenu->actions()) items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, (QStringList{"보고서 실행(&R)", "비교(&C)…", "파일목록 새로고침(&L)", "여백변경(&M)", "-",
                                 "디렉토리 설정(&D)", "-", "종료(&X)"}));
    QCOMPARE(w.helpAction->text(), QStringLiteral("도움말(&H)"));

    QTableWidget* grid = w.reportList;
    QCOMPARE(grid->columnCount(), 4);
    const QStringList headers{" 파 일 명", " 설    명", " 파일크기", " 생성일자"};
    const int widths[] = {105, 184, 103, 165};
    for (int c = 0; c < 4; ++c) {
      QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
      QCOMPARE(grid->columnWidth(c), widths[c]);
    }
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 20);
    QVERIFY(!grid->verticalHeader()->isVisible());
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(grid->showGrid());
    QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);

    QCOMPARE(w.descriptionPanel->geometry(), QRect(0, 0, 589, 108));
    QCOMPARE(grid->geometry().top(), 108);
    QCOMPARE(w.descriptionPanel->logo->geometry(), QRect(4, 4, 80, 50));
    QCOMPARE(w.descriptionPanel->logoFrame->geometry(), QRect(3, 3, 82, 52));
    QCOMPARE(w.descriptionPanel->titleCaption->text(), QStringLiteral("보고서명:"));
    QCOMPARE(w.descriptionPanel->fixedDecimalsCaption->text(), QStringLiteral("고정소숫점:"));
    QCOMPARE(w.descriptionPanel->fixedDecimalsCaption->pos(), QPoint(84, 88));
    QCOMPARE(w.descriptionPanel->marginsCaption->text(), QStringLiteral("여    백:"));
    QCOMPARE(w.descriptionPanel->optionLabels[2]->pos(), QPoint(375, 40));
    QCOMPARE(w.descriptionPanel->marginsLabel->pos(), QPoint(375, 88));
    QCOMPARE(w.descriptionPanel->marginButton->text(), QStringLiteral("여백변경"));
    QCOMPARE(w.descriptionPanel->marginButton->geometry(), QRect(511, 87, 76, 18));
    QVERIFY(w.layoutProgress->isHidden());
    QCOMPARE(w.layoutProgress->size(), QSize(297, 17));
  }

  void listsReportsOfTheStoredDirectory() {
    writeReport("A_RPTB02x.dbf", block("RPTB02", "10|10|15|"), {1, 2, 7});
    writeReport("A_RPTB01.dbf", block("RPTB01"), {1});
    writeReport("a_rptb02.dbf", block("RPTB02"), {1});
    touch(reports_ + "/x.dbf");
    touch(reports_ + "/book.xls");
    std::filesystem::create_directory(reports_ + "/C_RPTB02.dbf");

    MainWindow& w = shownWindow();
    QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(reports_));
    QCOMPARE(w.reportList->rowCount(), 1);
    QCOMPARE(cell(0, 0), QStringLiteral("A_RPTB02x.dbf"));
    QCOMPARE(cell(0, 1), QStringLiteral("내    역    서"));
    QCOMPARE(cell(0, 2), QString::number(std::filesystem::file_size(reports_ + "/A_RPTB02x.dbf")));
    QVERIFY(!cell(0, 3).isEmpty());
    QCOMPARE(w.windowTitle(), QString::fromStdString("ZEL-C 보고서 Viewer  [ " + reports_ + " ](총1개 파일)"));
    QCOMPARE(w.statusText(), QString());
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("내    역    서"));
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("7"));
    QCOMPARE(w.descriptionPanel->marginsLabel->text(), QStringLiteral("상:10 하:10 좌:15 우:0"));
    QCOMPARE(QString::fromStdString(window_->currentReportFile()), QStringLiteral("A_RPTB02x.dbf"));
  }

  void emptyDirectoryShowsTheNotice() {
    writeReport("A_RPTB01.dbf", block("RPTB01"), {1});
    MainWindow& w = shownWindow();
    QCOMPARE(w.reportList->rowCount(), 1);
    QCOMPARE(cell(0, 0), QString());
    QCOMPARE(w.statusText(), QStringLiteral("보고서파일이 없습니다. 디렉토리설정을 해주십시요."));
    QCOMPARE(w.windowTitle(), QString::fromStdString("ZEL-C 보고서 Viewer  [ " + reports_ + " ](총0개 파일)"));
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QString());
    QCOMPARE(w.descriptionPanel->sortLabel->text(), QString());
  }

  void missingIniFallsBackToTheProgramDirectory() {
    std::filesystem::remove(infoIniPath(program_));
    shownWindow();
    QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(program_));
    QCOMPARE(QString::fromStdString(iniRead(infoIniPath(program_), "INFO", "DIR")), QString::fromStdString(program_));
  }

  void rowsOfTheLastDirectoryDoNotStayBehind() {
    writeReport("A_RPTB02.dbf", block("RPTB02"), {1});
    writeReport("B_RPTB02.dbf", block("RPTB02"), {1});
    MainWindow& w = shownWindow();
    QCOMPARE(w.reportList->rowCount(), 2);
    std::string other = testing::makeTempDirectory("xlsonly");
    touch(other + "/sheet.xls");
    setDirectoryChooser([&](QWidget*) { return QString::fromStdString(other + "/"); });
    w.directoryAction->trigger();
    QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(other));
    QCOMPARE(QString::fromStdString(iniRead(infoIniPath(program_), "INFO", "DIR")), QString::fromStdString(other));
    QCOMPARE(w.reportList->rowCount(), 1);
    QCOMPARE(cell(0, 0), QString());
    QCOMPARE(w.statusText(), QStringLiteral("보고서파일이 없습니다. 디렉토리설정을 해주십시요."));
    std::filesystem::remove_all(other);
  }

  void cancelledChooserStillRefreshes() {
    MainWindow& w = shownWindow();
    QCOMPARE(cell(0, 0), QString());
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    setDirectoryChooser([](QWidget*) { return QString(); });
    w.directoryAction->trigger();
    QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(reports_));
    QCOMPARE(cell(0, 0), QStringLiteral("P_RPTB02.dbf"));
  }

  void refreshMenuRereadsTheDirectory() {
    MainWindow& w = shownWindow();
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    w.refreshAction->trigger();
    QCOMPARE(cell(0, 0), QStringLiteral("P_RPTB02.dbf"));
    QCOMPARE(w.windowTitle(), QString::fromStdString("ZEL-C 보고서 Viewer  [ " + reports_ + " ](총1개 파일)"));
  }

  void keyAndMouseReleaseRefreshThePanel() {
    writeReport("A_RPTB02.dbf", block("RPTB02"), {1});
    writeReport("B_RPTB02.dbf", block("RPTA01"), {1});
    MainWindow& w = shownWindow();
    int other = cell(0, 0) == QStringLiteral("A_RPTB02.dbf") ? 1 : 0;
    w.reportList->setCurrentCell(other, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Down);
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("노  임  단  가"));
    QCOMPARE(QString::fromStdString(window_->currentReportFile()), QStringLiteral("B_RPTB02.dbf"));
    w.reportList->setCurrentCell(1 - other, 0);
    QTest::mouseRelease(w.reportList->viewport(), Qt::LeftButton, {},
                        w.reportList->visualRect(w.reportList->model()->index(1 - other, 0)).center());
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("내    역    서"));
  }

  void notAReportDisablesTheMarginButton() {
    testing::TestReport report;
    report.settings.reset();
    std::string error;
    QVERIFY(testing::writeTestReport(reports_, "P_RPTB02.dbf", report, &error));
    MainWindow& w = shownWindow();
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("보고서 파일이 아님"));
    QVERIFY(!w.descriptionPanel->marginButton->isEnabled());
    // Its reason is logged once, not again on every key release.
    for (int i = 0; i < 3; ++i) QTest::keyRelease(w.reportList, Qt::Key_Down);
    QCOMPARE(messages_.logged.size(), size_t(1));
    QVERIFY(QString::fromStdString(messages_.logged[0]).endsWith(QStringLiteral(": no field F_INIT")));
  }

  void enterAndDoubleClickRunTheSelectedReport() {
    writeReport("P_RPTB02.dbf", runnableBlock(), {1, 2, 3});
    FakePrinter printer;
    services_.printer = &printer;
    std::vector<std::string> shown;
    services_.preview = [&]() -> std::unique_ptr<ReportPreview> { return std::make_unique<RecordingPreview>(&shown); };
    MainWindow& w = shownWindow();
    QTest::keyClick(w.reportList, Qt::Key_Return);
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(shown, std::vector<std::string>{"3"});
    emit w.reportList->cellDoubleClicked(0, 1);
    QCOMPARE(shown.size(), size_t(2));
    w.runAction->trigger();
    QCOMPARE(shown.size(), size_t(3));
  }

  // ZelRpt FILE: the file's directory is listed, the report selected and
  // described, and its preview opened; a directory is only listed. Info.INI
  // keeps the directory the user chose.
  void aReportNamedAtStartOpensInItsDirectory() {
    const std::string other = testing::makeTempDirectory("other");
    for (const char* name : {"A_RPTB02.dbf", "B_RPTB02.dbf"}) {
      testing::TestReport report;
      report.settings = runnableBlock();
      report.pages = {1, 2};
      std::string error;
      QVERIFY2(testing::writeTestReport(other, name, report, &error), error.c_str());
    }
    FakePrinter printer;
    services_.printer = &printer;
    std::vector<std::string> shown;
    services_.preview = [&]() -> std::unique_ptr<ReportPreview> { return std::make_unique<RecordingPreview>(&shown); };
    struct Case {
      std::string path;
      int selectedRow;
      size_t previews;
    } cases[] = {{other + "/b_rptb02.DBF", 1, 1}, {other, 0, 0}};
    for (const Case& c : cases) {
      shown.clear();
      window_.reset();
      MainWindow& w = window();
      w.setStartPath(c.path);
      w.show();
      QTRY_COMPARE(shown.size(), c.previews);
      QTest::qWait(20);
      QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(other));
      QCOMPARE(w.reportList->currentRow(), c.selectedRow);
      QCOMPARE(shown.size(), c.previews);
      QCOMPARE(QString::fromStdString(iniRead(infoIniPath(program_), "INFO", "DIR")), QString::fromStdString(reports_));
    }
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    std::filesystem::remove_all(other);
  }

  // A start path that does not exist is said to be missing; before, its
  // directory was listed as one without reports.
  void missingStartPathIsSaidToBeMissing_data() {
    QTest::addColumn<QString>("path");  // under the reports directory
    QTest::addColumn<QString>("said");
    QTest::newRow("file") << "TYPO.dbf"
                          << "파일이 없습니다.";
    QTest::newRow("directory") << "nonexistent/dir"
                               << "디렉토리가 없습니다.";
  }
  void missingStartPathIsSaidToBeMissing() {
    QFETCH(QString, path);
    QFETCH(QString, said);
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    bool previewed = false;
    services_.preview = [&]() -> std::unique_ptr<ReportPreview> {
      previewed = true;
      return nullptr;
    };
    MainWindow& w = window();
    const std::string full = reports_ + "/" + path.toStdString();
    w.setStartPath(full);
    w.show();
    QTRY_COMPARE(messages_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].text), QString::fromStdString(full) + "\r" + said);
    QVERIFY(messages_.shown[0].icon == MessageIcon::kWarning);
    QVERIFY(!previewed);
    // The remembered directory stays listed, its report described.
    QCOMPARE(QString::fromStdString(window_->reportDirectory()), QString::fromStdString(reports_));
    QCOMPARE(cell(0, 0), QStringLiteral("P_RPTB02.dbf"));
    QCOMPARE(w.statusText(), QString());
  }

  // The name column takes the longest name; before, it was clipped at the
  // designed 105 pixels ("L_RPTB02_SAMPLE.d").
  void nameColumnShowsWholeNames() {
    const std::string longName = "L_RPTB02_SAMPLE_WITH_A_LONG_NAME.dbf";
    writeReport(longName, block("RPTB02"), {1});
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    MainWindow& w = shownWindow();
    const int needed = w.reportList->fontMetrics().horizontalAdvance(QString::fromStdString(longName));
    QVERIFY2(w.reportList->columnWidth(0) > needed, qPrintable(QString::number(w.reportList->columnWidth(0))));
    // Short names keep the designed width.
    std::filesystem::remove(reports_ + "/" + longName);
    std::filesystem::remove(reports_ + "/L_RPTB02_SAMPLE_WITH_A_LONG_NAME.fpt");
    w.refreshAction->trigger();
    QCOMPARE(w.reportList->columnWidth(0), 105);
  }

  // A header click sorts by its column (sizes as numbers, dates as times),
  // a second click the other way; the described report stays selected.
  void headerClickSortsBothWays_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    // B: 3 lines, newest; A: 20 lines, oldest; C: 9 lines, in between.
    QTest::newRow("name") << 0 << QStringList{"A_RPTB02.dbf", "B_RPTB02.dbf", "C_RPTB02.dbf"};
    QTest::newRow("title") << 1 << QStringList{"C_RPTB02.dbf", "B_RPTB02.dbf", "A_RPTB02.dbf"};
    QTest::newRow("size") << 2 << QStringList{"B_RPTB02.dbf", "C_RPTB02.dbf", "A_RPTB02.dbf"};
    QTest::newRow("date") << 3 << QStringList{"A_RPTB02.dbf", "C_RPTB02.dbf", "B_RPTB02.dbf"};
  }
  void headerClickSortsBothWays() {
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    // Titles come from the name: 내역서 for B02; the title test uses codes of other titles.
    const struct {
      const char* name;
      int lines;
      int ageHours;
    } files[] = {{"B_RPTB02.dbf", 3, 1}, {"A_RPTB02.dbf", 20, 30}, {"C_RPTB02.dbf", 9, 10}};
    for (const auto& f : files) {
      writeReport(f.name, block("RPTB02"), std::vector<std::optional<int>>(f.lines, 1));
      std::filesystem::last_write_time(reports_ + "/" + f.name,
                                       std::filesystem::file_time_type::clock::now() - std::chrono::hours(f.ageHours));
    }
    MainWindow& w = shownWindow();
    if (column == 1) {
      // Distinct titles: the list shows the code's title, sorted as text.
      for (int r = 0; r < 3; ++r) {
        const QString name = cell(r, 0);
        w.reportList->item(r, 1)->setText(name.startsWith('A') ? "다" : name.startsWith('B') ? "나" : "가");
      }
    }
    const QString described = w.descriptionPanel->titleLabel->text();
    const std::string selected = w.selectedFileName();
    auto order = [&] {
      QStringList names;
      for (int r = 0; r < w.reportList->rowCount(); ++r) names << cell(r, 0);
      return names;
    };
    QHeaderView* header = w.reportList->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(order(), ascending);
    QCOMPARE(w.selectedFileName(), selected);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(order(), descending);
    QCOMPARE(w.selectedFileName(), selected);
    QCOMPARE(w.descriptionPanel->titleLabel->text(), described);
  }

  // At start the list has the focus with its current row selected, so the
  // arrow keys work at once; Tab leaves the list for the margin button instead
  // of walking its cells (which selected another report on the way).
  void keyboardFromTheStart() {
    writeReport("A_RPTB02.dbf", block("RPTB02"), {1});
    writeReport("B_RPTB02.dbf", block("RPTA01"), {1});
    MainWindow& w = shownWindow();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.reportList->hasFocus());
    QCOMPARE(w.reportList->currentRow(), 0);
    QVERIFY(w.reportList->selectionModel()->isRowSelected(0, QModelIndex()));
    const QString first = cell(0, 0);
    QTest::keyClick(w.reportList, Qt::Key_Down);
    QCOMPARE(w.reportList->currentRow(), 1);
    QCOMPARE(QString::fromStdString(w.selectedFileName()), cell(1, 0));
    QTest::keyClick(w.reportList, Qt::Key_Up);
    QCOMPARE(QString::fromStdString(w.selectedFileName()), first);
    QTest::keyClick(w.reportList, Qt::Key_Tab);
    QCOMPARE(w.reportList->currentRow(), 0);
    QCOMPARE(w.reportList->currentColumn(), 0);
    QVERIFY(w.descriptionPanel->marginButton->hasFocus());
    // Space or Enter on the focused button opens the margin dialog.
    int opened = 0;
    setModalRunner([&](QDialog&) { ++opened; });
    QTest::keyClick(w.descriptionPanel->marginButton, Qt::Key_Space);
    QCOMPARE(opened, 1);
    QTest::keyClick(w.descriptionPanel->marginButton, Qt::Key_Return);
    QCOMPARE(opened, 2);
  }

  // A long report is described at once and its pages counted while the
  // window waits for input; moving back to it is answered from memory.
  // Before, every key release re-read the whole table to count its pages.
  void longReportIsCountedInTheBackground() {
    setBackgroundCountFrom(3);
    writeReport("A_RPTB02.dbf", runnableBlock(), {1, 1, 2, 2, 3, 4, 4, 5});
    writeReport("B_RPTB02.dbf", block("RPTA01"), {1, 2});
    MainWindow& w = window();
    w.show();
    const int longRow = cell(0, 0) == QStringLiteral("A_RPTB02.dbf") ? 0 : 1;
    w.reportList->setCurrentCell(longRow, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Down);
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("내    역    서"));
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("…"));
    QTRY_COMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("5"));
    // The short one is counted at once.
    w.reportList->setCurrentCell(1 - longRow, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Down);
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("2"));
    // Back: the count is known.
    w.reportList->setCurrentCell(longRow, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Up);
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("5"));
    // A count in progress gives way to a run of the report.
    std::filesystem::last_write_time(
        reports_ + "/A_RPTB02.dbf",
        std::filesystem::last_write_time(reports_ + "/A_RPTB02.dbf") + std::chrono::seconds(5));
    QTest::keyRelease(w.reportList, Qt::Key_Up);
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("…"));
    FakePrinter printer;
    services_.printer = &printer;
    std::vector<std::string> shown;
    services_.preview = [&]() -> std::unique_ptr<ReportPreview> { return std::make_unique<RecordingPreview>(&shown); };
    w.runAction->trigger();
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(shown, std::vector<std::string>{"5"});
  }

  // The main window's picture for the documentation, over the sample set;
  // runs only when asked for (ZEL_SCREENSHOT_DIR).
  void screenshots() {
    const QString out = qEnvironmentVariable("ZEL_SCREENSHOT_DIR");
    if (out.isEmpty()) QSKIP("ZEL_SCREENSHOT_DIR not set");
    QVERIFY(reportwriter::writeSampleSet(reports_).isOk());
    MainWindow& w = shownWindow();
    QTest::qWait(300);
    QVERIFY(w.grab().save(QDir(out).filePath("main-window.png")));
  }

  void shellPreviewShowsTheRunsPages() {
    reportwriter::BillOptions bill;
    bill.fileName = "P_RPTB02.dbf";
    bill.pages = 2;
    QVERIFY(reportwriter::writeReport(reports_, reportwriter::billOfQuantities(bill)).isOk());
    FakePrinter printer;
    services_.printer = &printer;
    MainWindow& w = shownWindow();
    installShellPreview(w);
    int recorded = -1;
    bool progressSeen = false;
    w.previewContext().hooks.runPreview = [&](PreviewWindow& preview) {
      recorded = preview.recordCount();
      progressSeen = w.layoutProgress->maximum() > 0;
      QCOMPARE(preview.parentWidget(), &w);
    };
    w.runAction->trigger();
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(recorded, 1);
    QVERIFY(progressSeen);
    QVERIFY(w.layoutProgress->isHidden());
    QVERIFY(!std::filesystem::exists(reports_ + "/P_RPTB02.cdx"));
  }

  void runningWithoutReportsAsksForTheDirectory() {
    MainWindow& w = shownWindow();
    w.runAction->trigger();
    QCOMPARE(messages_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].text),
             QStringLiteral("현재 디렉토리에는 보고서파일이 없습니다.\r디렉토리설정을 먼저 해주십시요."));
  }

  void brokenReportGoesToTheErrorReport() {
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    // The memo file loses the block the record points to.
    std::filesystem::resize_file(reports_ + "/P_RPTB02.fpt", 512);
    MainWindow& w = shownWindow();
    QVERIFY(w.isVisible());
    QCOMPARE(messages_.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(messages_.shown[0].caption), QStringLiteral("오류"));
    QVERIFY(messages_.shown[0].icon == MessageIcon::kError);
    // The user reads Korean first; the engine's words follow on the next line.
    const QStringList lines = QString::fromStdString(messages_.shown[0].text).split(QLatin1Char('\r'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("보고서 파일의 메모(.fpt) 내용이 손상되었습니다."));
    QVERIFY2(lines[1].contains(QStringLiteral("memo")), qPrintable(lines[1]));
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("보고서 파일오류(사용불가)"));
  }

  // Closing the error box with a key sends that key's release to the list,
  // which re-reads the panel: the box must not come back.
  void brokenReportIsToldOncePerSelection_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void brokenReportIsToldOncePerSelection() {
    QFETCH(int, key);
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    std::filesystem::resize_file(reports_ + "/P_RPTB02.fpt", 512);
    writeReport("Q_RPTB02.dbf", block("RPTA01"), {1});
    MainWindow& w = shownWindow();
    const int broken = cell(0, 0) == QStringLiteral("P_RPTB02.dbf") ? 0 : 1;
    w.reportList->setCurrentCell(broken, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Down);
    const size_t told = messages_.shown.size();
    QVERIFY(told >= 1);
    for (int i = 0; i < 3; ++i) QTest::keyRelease(w.reportList, Qt::Key(key));
    QTest::mouseRelease(w.reportList->viewport(), Qt::LeftButton, {},
                        w.reportList->visualRect(w.reportList->model()->index(broken, 0)).center());
    QCOMPARE(messages_.shown.size(), told);
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("보고서 파일오류(사용불가)"));
    // Another selection, then the broken file again: told again.
    w.reportList->setCurrentCell(1 - broken, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Down);
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("노  임  단  가"));
    w.reportList->setCurrentCell(broken, 0);
    QTest::keyRelease(w.reportList, Qt::Key_Up);
    QCOMPARE(messages_.shown.size(), told + 1);
  }

  // The panel describes row 1 after every listing; Enter and the margin
  // button must then act on that same file.
  void refilledListSelectsRowOne_data() {
    QTest::addColumn<bool>("otherDirectory");
    QTest::newRow("directory chosen") << true;
    QTest::newRow("list refreshed") << false;
  }
  void refilledListSelectsRowOne() {
    QFETCH(bool, otherDirectory);
    for (const char* name : {"A_RPTB02.dbf", "B_RPTB02.dbf", "C_RPTB02.dbf"}) writeReport(name, block("RPTB02"), {1});
    MainWindow& w = shownWindow();
    w.reportList->setCurrentCell(2, 0);
    std::string other = testing::makeTempDirectory("other");
    for (const char* name : {"D_RPTB02.dbf", "E_RPTB02.dbf"}) {
      testing::TestReport report;
      report.settings = block("RPTA01");
      QVERIFY(testing::writeTestReport(other, name, report));
    }
    if (otherDirectory) {
      setDirectoryChooser([&](QWidget*) { return QString::fromStdString(other); });
      w.directoryAction->trigger();
    } else {
      w.refreshAction->trigger();
    }
    QCOMPARE(w.reportList->currentRow(), 0);
    QCOMPARE(QString::fromStdString(w.selectedFileName()), QString::fromStdString(w.firstFileName()));
    std::filesystem::remove_all(other);
  }

  // Only a report the panel describes as usable gets the margin dialog, by
  // button or menu: an empty settings block, or one that cannot be read.
  void marginChangeNeedsAUsableReport_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("empty settings block") << "empty";
    QTest::newRow("blank settings block") << "blank";
    QTest::newRow("memo unreadable") << "memo";
  }
  void marginChangeNeedsAUsableReport() {
    QFETCH(QString, damage);
    if (damage == QLatin1String("memo")) {
      writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
      std::filesystem::resize_file(reports_ + "/P_RPTB02.fpt", 512);
    } else {
      writeReport("P_RPTB02.dbf", damage == QLatin1String("empty") ? std::string() : std::string(" \r\n "), {1});
    }
    const std::string dbfBefore = testing::readFileBytes(reports_ + "/P_RPTB02.dbf");
    const std::string fptBefore = testing::readFileBytes(reports_ + "/P_RPTB02.fpt");
    MainWindow& w = shownWindow();
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("보고서 파일오류(사용불가)"));
    QVERIFY(!w.descriptionPanel->marginButton->isEnabled());
    QVERIFY(!w.marginsAction->isEnabled());
    bool opened = false;
    setModalRunner([&](QDialog&) { opened = true; });
    w.changeMargins();
    QVERIFY(!opened);
    QCOMPARE(testing::readFileBytes(reports_ + "/P_RPTB02.dbf"), dbfBefore);
    QCOMPARE(testing::readFileBytes(reports_ + "/P_RPTB02.fpt"), fptBefore);
    // A usable report enables both again.
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    w.refreshAction->trigger();
    QVERIFY(w.descriptionPanel->marginButton->isEnabled());
    QVERIFY(w.marginsAction->isEnabled());
    w.marginsAction->trigger();
    QVERIFY(opened);
  }

  void marginButtonNeedsASelectedReport() {
    MainWindow& w = shownWindow();
    QCOMPARE(cell(0, 0), QString());
    QVERIFY(!w.descriptionPanel->marginButton->isEnabled());
    bool opened = false;
    setModalRunner([&](QDialog&) { opened = true; });
    w.changeMargins();
    QVERIFY(!opened);
    QVERIFY(messages_.shown.empty());
    writeReport("P_RPTB02.dbf", block("RPTB02"), {1});
    w.refreshAction->trigger();
    QVERIFY(w.descriptionPanel->marginButton->isEnabled());
  }

  // ZelRpt and setup load the toolkit's Korean words at start-up.
  void toolkitDialogsSpeakKorean_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("korean");
    QTest::newRow("OK") << "QPlatformTheme"
                        << "OK"
                        << "확인";
    QTest::newRow("Cancel") << "QPlatformTheme"
                            << "Cancel"
                            << "취소";
    QTest::newRow("Yes") << "QPlatformTheme"
                         << "&Yes"
                         << "예(&Y)";
    QTest::newRow("No") << "QPlatformTheme"
                        << "&No"
                        << "아니요(&N)";
    QTest::newRow("Save") << "QPlatformTheme"
                          << "Save"
                          << "저장";
    QTest::newRow("directory chooser") << "QFileDialog"
                                       << "Find Directory"
                                       << "디렉터리 찾기";
  }
  void toolkitDialogsSpeakKorean() {
    QFETCH(QString, context);
    QFETCH(QString, english);
    QFETCH(QString, korean);
    QTranslator* translator = installQtTranslations(*QCoreApplication::instance());
    QVERIFY2(translator != nullptr, "qtbase_ko.qm missing: install qt6-translations-l10n");
    const QString shown = QCoreApplication::translate(context.toLatin1().constData(), english.toLatin1().constData());
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QCOMPARE(shown, korean);
  }

  // The menu by keyboard: F10 and the mnemonics.
  void menuOpensByKeyboard_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("fileMenu");
    QTest::newRow("F10") << int(Qt::Key_F10) << int(Qt::NoModifier) << true;
    QTest::newRow("Alt+F") << int(Qt::Key_F) << int(Qt::AltModifier) << true;
    QTest::newRow("Alt+H") << int(Qt::Key_H) << int(Qt::AltModifier) << false;
  }
  void menuOpensByKeyboard() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, fileMenu);
    MainWindow& w = shownWindow();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    bool helpShown = false;
    setModalRunner([&](QDialog& dialog) { helpShown = dynamic_cast<HelpWindow*>(&dialog) != nullptr; });
    QTest::keyClick(&w, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (fileMenu) {
      QTRY_VERIFY(w.fileMenu->isVisible());
      w.fileMenu->close();
    } else {
      QTRY_VERIFY(helpShown);
    }
  }

  // Nothing the user must read is hidden: the margins text stays clear of
  // the margin button, and names cut by their column get a tooltip.
  void marginsTextStaysClearOfTheButton_data() {
    QTest::addColumn<QString>("margins");
    QTest::newRow("two digits") << "10|10|15|10|";
    QTest::newRow("widest two digits") << "99|99|99|99|";
  }
  void marginsTextStaysClearOfTheButton() {
    QFETCH(QString, margins);
    writeReport("P_RPTB02.dbf", block("RPTB02", margins.toStdString()), {1});
    MainWindow& w = shownWindow();
    QVERIFY(w.descriptionPanel->marginsLabel->text().startsWith(QStringLiteral("상:")));
    QCOMPARE(w.descriptionPanel->marginsLabel->width(), w.descriptionPanel->marginsLabel->sizeHint().width());
    QVERIFY(!w.descriptionPanel->marginsLabel->geometry().intersects(w.descriptionPanel->marginButton->geometry()));
    QVERIFY(w.descriptionPanel->rect().contains(w.descriptionPanel->marginButton->geometry()));
    const int caption =
        w.descriptionPanel->marginButton->fontMetrics().horizontalAdvance(w.descriptionPanel->marginButton->text());
    QVERIFY(w.descriptionPanel->marginButton->width() >= caption);
  }

  // Names are never cut now, so they need no tooltip.
  void wholeNamesNeedNoTooltips() {
    const std::string longName = "P_RPTB02_WITH_A_VERY_LONG_NAME.dbf";
    writeReport(longName, block("RPTB02"), {1});
    writeReport("A_RPTB02.dbf", block("RPTB02"), {1});
    MainWindow& w = shownWindow();
    for (int row = 0; row < 2; ++row) QCOMPARE(w.reportList->item(row, 0)->toolTip(), QString());
  }

  void marginButtonWritesAndRefreshes() {
    writeReport("P_RPTB02.dbf", block("RPTB02", "10|10|15|10|"), {1});
    MainWindow& w = shownWindow();
    bool ran = false;
    setModalRunner([&](QDialog& dialog) {
      auto& margins = dynamic_cast<MarginDialog&>(dialog);
      dialog.show();
      QCOMPARE(margins.topField->text(), QStringLiteral("10"));
      QCOMPARE(QString::fromStdString(window_->currentReportFile()), QStringLiteral("P_RPTB02.dbf"));
      margins.leftField->SetValue(50);
      margins.confirmButton->click();
      QVERIFY(!dialog.isVisible());
      ran = true;
    });
    QTest::mouseClick(w.descriptionPanel->marginButton, Qt::LeftButton);
    QVERIFY(ran);
    QCOMPARE(w.descriptionPanel->marginsLabel->text(), QStringLiteral("상:10 하:10 좌:50 우:10"));
    QVERIFY(messages_.shown.empty());
  }

  void marginDialogClosedWithoutConfirmWritesNothing() {
    writeReport("P_RPTB02.dbf", block("RPTB02", "10|10|15|10|"), {1});
    std::string before = testing::readFileBytes(reports_ + "/P_RPTB02.fpt");
    MainWindow& w = shownWindow();
    setModalRunner([&](QDialog& dialog) {
      dialog.show();
      dynamic_cast<MarginDialog&>(dialog).topField->SetValue(99);
      dialog.reject();
    });
    w.descriptionPanel->marginButton->click();
    QCOMPARE(testing::readFileBytes(reports_ + "/P_RPTB02.fpt"), before);
    QCOMPARE(w.descriptionPanel->marginsLabel->text(), QStringLiteral("상:10 하:10 좌:15 우:10"));
  }

  void helpWindow() {
    MainWindow& w = shownWindow();
    QStringList lines;
    QString title;
    QSize size;
    setModalRunner([&](QDialog& dialog) {
      auto& help = dynamic_cast<HelpWindow&>(dialog);
      lines = help.textView->toPlainText().split(QLatin1Char('\n'));
      title = help.windowTitle();
      size = help.size();
      QCOMPARE(help.textView->pos(), QPoint(8, 8));
      dialog.show();
      QApplication::processEvents();
      QCOMPARE(help.textView->horizontalScrollBar()->maximum(), 0);
      QCOMPARE(help.textView->verticalScrollBar()->maximum(), 0);
      QVERIFY(help.rect().contains(help.textView->geometry()));
    });
    w.helpAction->trigger();
    // A Korean title, not the form's name "frmHelp".
    QCOMPARE(title, QStringLiteral("ZEL 보고서 Viewer 도움말"));
    // At least the designed size; larger when the lines need it.
    QVERIFY(size.width() >= 362 && size.height() >= 203);
    QCOMPARE(lines.size(), 15);
    QCOMPARE(lines[0], QString());
    QCOMPARE(lines[1], QStringLiteral("ZEL/4.x보고서 Viewer는"));
    QCOMPARE(lines[3], QStringLiteral("  이 프로그램은 ZEL/4.x에서 만든 보고서파일을 ZEL/4.x가 "));
    QCOMPARE(lines[4], QStringLiteral("  없더라도 보고서 파일보기, 인쇄를 가능하게 해주는 "));
    QCOMPARE(lines[6], QString());
    QCOMPARE(lines[7], QString());
    QCOMPARE(lines[8], QStringLiteral("사용방법"));
    QCOMPARE(lines[14], QStringLiteral("    미리보기 창의 프린터 아이콘을 클릭하여 인쇄함"));
  }

  void logoOpensTheWebSite() {
    MainWindow& w = shownWindow();
    QUrl opened;
    w.setUrlOpener([&](const QUrl& url) {
      opened = url;
      return true;
    });
    QCOMPARE(w.descriptionPanel->logo->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(w.descriptionPanel->logo, Qt::LeftButton);
    QCOMPARE(opened, QUrl(QString::fromLatin1(kMakerWebSite)));
  }

  void statusProgress() {
    MainWindow& w = shownWindow();
    services_.statusProgress().ShowStatusProgress(40);
    QVERIFY(w.layoutProgress->isVisible());
    QCOMPARE(w.layoutProgress->maximum(), 40);
    services_.statusProgress().SetStatusProgress(12);
    QCOMPARE(w.layoutProgress->value(), 12);
    services_.statusProgress().HideStatusProgress();
    QVERIFY(!w.layoutProgress->isVisible());
  }

  // A folder and a report whose names are CP949 bytes, no UTF-8: the chooser
  // hands the folder back as the toolkit reads it (U+FFFD for the bad
  // bytes); the list shows the names readably and every action reaches the
  // file by its bytes.
  void namesThatAreNoUtf8WorkThroughout() {
#ifdef _WIN32
    QSKIP("Windows file names are UTF-16: names that are no UTF-8 do not exist there");
#endif
    const std::string folder = reports_ + "/\xB1\xB8\xB8\xC5";  // "구매"
    const std::string name = "P_RPTB02_\xC7\xD1.dbf";  // "P_RPTB02_한.dbf"
    std::filesystem::create_directory(folder);
    testing::TestReport report;
    report.settings = block("RPTB02", "10|10|15|10|") + runnableBlock().substr(block("RPTB02").size());
    report.pages = {1, 2, 7};
    std::string error;
    QVERIFY2(testing::writeTestReport(folder, name, report, &error), error.c_str());
    FakePrinter printer;
    services_.printer = &printer;
    std::vector<std::string> shown;
    services_.preview = [&]() -> std::unique_ptr<ReportPreview> { return std::make_unique<RecordingPreview>(&shown); };

    MainWindow& w = shownWindow();
    setDirectoryChooser([&](QWidget*) { return QFile::decodeName(QByteArray::fromStdString(folder)); });
    w.directoryAction->trigger();
    QCOMPARE(QByteArray::fromStdString(w.reportDirectory()), QByteArray::fromStdString(folder));
    QCOMPARE(w.reportList->rowCount(), 1);
    QCOMPARE(cell(0, 0), QStringLiteral("P_RPTB02_한.dbf"));
    QCOMPARE(w.windowTitle(), QString::fromStdString("ZEL-C 보고서 Viewer  [ " + reports_ + "/구매 ](총1개 파일)"));
    QCOMPARE(w.descriptionPanel->titleLabel->text(), QStringLiteral("내    역    서"));
    QCOMPARE(w.descriptionPanel->pagesLabel->text(), QStringLiteral("7"));
    QCOMPARE(w.descriptionPanel->marginsLabel->text(), QStringLiteral("상:10 하:10 좌:15 우:10"));

    QTest::keyClick(w.reportList, Qt::Key_Return);
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(shown, std::vector<std::string>{"7"});

    setModalRunner([&](QDialog& dialog) {
      auto& margins = dynamic_cast<MarginDialog&>(dialog);
      dialog.show();
      margins.leftField->SetValue(50);
      margins.confirmButton->click();
    });
    QTest::mouseClick(w.descriptionPanel->marginButton, Qt::LeftButton);
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(w.descriptionPanel->marginsLabel->text(), QStringLiteral("상:10 하:10 좌:50 우:10"));
  }

  void sizeColumnIsRightAligned() {
    writeReport("A_RPTB02.dbf", block("RPTB02"), {1});
    writeReport("B_RPTB02.dbf", block("RPTB02"), {1, 2, 3, 4, 5, 6});
    MainWindow& w = shownWindow();
    w.reportList->setCurrentCell(0, 0);
    QImage image = w.reportList->viewport()->grab().toImage();
    QRect cellRect = w.reportList->visualRect(w.reportList->model()->index(1, 2));
    QRgb base = image.pixel(cellRect.left() + 1, cellRect.bottom() - 1);
    int right = -1, top = -1;
    for (int y = cellRect.top(); y < cellRect.bottom(); ++y) {
      for (int x = cellRect.left(); x < cellRect.right() - 1; ++x) {
        if (image.pixel(x, y) != base) {
          right = std::max(right, x);
          if (top < 0) top = y;
        }
      }
    }
    QVERIFY(right > 0);
    int gap = cellRect.right() - right;
    QVERIFY2(gap >= 3 && gap <= 5, qPrintable(QString::number(gap)));
    QVERIFY2(top >= cellRect.top() + 4, qPrintable(QString::number(top - cellRect.top())));
  }

 private:
  // A block the runner can lay out: one text column over F_DES.
  static std::string runnableBlock() {
    return block("RPTB02") +
           "\r\n<FIELDCOUNT>=\xA2\xDD"
           "1|0|1|\xA2\xDD\r\n<F1>=\xA2\xDD"
           "1|1|1|1|100|0|S|F_DES|NAME|NAME|NAME|0|0|L|\xA2\xDD";
  }
  MainWindow& window() {
    if (!window_) {
      window_ = std::make_unique<MainWindow>(program_, &services_);
      window_->setDirectoryChooser(directoryChooser_);
      window_->setModalRunner(modalRunner_);
      window_->setBackgroundCountFrom(backgroundCountFrom_);
    }
    return *window_;
  }
  // The seams, for the window made next and the one shown now.
  void setDirectoryChooser(MainWindow::DirectoryChooser chooser) {
    directoryChooser_ = std::move(chooser);
    if (window_) window_->setDirectoryChooser(directoryChooser_);
  }
  void setModalRunner(MainWindow::ModalRunner runner) {
    modalRunner_ = std::move(runner);
    if (window_) window_->setModalRunner(modalRunner_);
  }
  void setBackgroundCountFrom(long records) {
    backgroundCountFrom_ = records;
    if (window_) window_->setBackgroundCountFrom(records);
  }
  MainWindow& shownWindow() {
    MainWindow& w = window();
    w.show();
    return w;
  }
  QString cell(int row, int column) {
    QTableWidgetItem* item = window_->reportList->item(row, column);
    return item ? item->text() : QString();
  }
  void writeReport(const std::string& name, const std::string& settings, std::vector<std::optional<int>> pages) {
    testing::TestReport report;
    report.settings = settings;
    report.pages = std::move(pages);
    std::string error;
    QVERIFY2(testing::writeTestReport(reports_, name, report, &error), error.c_str());
  }

  RecordingMessageService messages_;
  std::string program_;
  std::string reports_;
  RunServices services_;
  MainWindow::DirectoryChooser directoryChooser_;
  MainWindow::ModalRunner modalRunner_;
  long backgroundCountFrom_ = 50000;
  std::unique_ptr<MainWindow> window_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
