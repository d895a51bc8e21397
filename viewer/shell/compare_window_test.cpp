// The comparison window offscreen: its rows and colours, the changed-only
// filter, 엑셀저장, opening a line's report at its page with the band on it
// (through the real runner and preview window), and the main window's 비교
// command with two reports selected or one and a chosen other.
#include "compare_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <thread>

#include "engine_settings.h"
#include "compare_sheet.h"
#include "fake_printer.h"
#include "ini_file.h"
#include "message_service.h"
#include "progress_dialog.h"
#include "report_directory.h"
#include "run_services.h"
#include "preview_window.h"
#include "page_view.h"
#include "sample_reports.h"
#include "temp_dir.h"
#include "test_report.h"
#include "main_window.h"
#include "report_list_view.h"

using namespace zel;
namespace rw = zel::reportwriter;

namespace {

void setField(rw::Line& line, const std::string& name, const std::string& value) {
  for (auto& [k, v] : line)
    if (k == name) {
      v = value;
      return;
    }
  line.emplace_back(name, value);
}

std::string fieldOf(const rw::Line& line, const std::string& name) {
  for (const auto& [k, v] : line)
    if (k == name) return v;
  return {};
}

}  // namespace

class CompareWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    messages_ = RecordingMessageService();
    services_.messages = &messages_;
    dir_ = std::make_unique<TempDir>("compare");
    env_ = std::make_unique<EngineSettings>();
    env_->SetDeleted(true);
    env_->SetExact(true);
    // Two pages; on page 2 one item's material amount goes up by 1,000, the
    // one after it down by 500, and the last item is removed.
    rw::BillOptions options;
    options.pages = 2;
    rw::ReportSpec old = rw::billOfQuantities(options);
    old.fileName = "P_RPTB02_OLD.dbf";
    rw::ReportSpec revised = old;
    revised.fileName = "P_RPTB02_NEW.dbf";
    std::vector<std::size_t> items;
    for (std::size_t i = 0; i < revised.lines.size(); ++i)
      if (fieldOf(revised.lines[i], "F_PAGE") == "2" && fieldOf(revised.lines[i], "F_TYPE") == "D" &&
          !fieldOf(revised.lines[i], "F_MAK").empty() && std::stod(fieldOf(revised.lines[i], "F_MAK")) > 1000)
        items.push_back(i);
    QVERIFY(items.size() >= 3);
    rw::Line& up = revised.lines[items[0]];
    upCode_ = fieldOf(up, "F_CODE");
    setField(up, "F_MAK", std::to_string(std::stol(fieldOf(up, "F_MAK")) + 1000));
    rw::Line& down = revised.lines[items[1]];
    downCode_ = fieldOf(down, "F_CODE");
    setField(down, "F_MAK", std::to_string(std::stol(fieldOf(down, "F_MAK")) - 500));
    removedCode_ = fieldOf(revised.lines[items.back()], "F_CODE");
    removedAmount_ = std::stol(fieldOf(revised.lines[items.back()], "F_MAK"));
    revised.lines.erase(revised.lines.begin() + static_cast<long>(items.back()));
    QVERIFY(rw::writeReport(dir_->path(), old).isOk());
    QVERIFY(rw::writeReport(dir_->path(), revised).isOk());
    oldPath_ = dir_->path() + "/P_RPTB02_OLD.dbf";
    newPath_ = dir_->path() + "/P_RPTB02_NEW.dbf";
  }

  void cleanup() {
    preview_ = PreviewContext();
    services_ = RunServices();
    env_.reset();
    dir_.reset();
  }

  void rowsKindsAndColours() {
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    QCOMPARE(w.summary().changed, 2L);
    QCOMPARE(w.summary().removed, 1L);
    const int material = materialColumn(w);
    QVERIFY(material > 0);
    const int up = rowOf(w, upCode_);
    QVERIFY(up >= 0);
    QAbstractItemModel* m = w.table->model();
    QCOMPARE(m->data(m->index(up, 0)).toString(), QStringLiteral("변경"));
    QCOMPARE(m->data(m->index(up, material + 2)).toString(), QStringLiteral("1,000"));
    QCOMPARE(m->data(m->index(up, material + 2), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::blue));
    const int down = rowOf(w, downCode_);
    QCOMPARE(m->data(m->index(down, material + 2)).toString(), QStringLiteral("-500"));
    QCOMPARE(m->data(m->index(down, material + 2), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    QCOMPARE(m->headerData(material, Qt::Horizontal).toString(), QStringLiteral("재료비 금액\n변경전"));
    QVERIFY(w.summaryLabel->text().contains(QStringLiteral("변경 2")));
    const long total = 1000 - 500 - removedAmount_;
    QVERIFY(w.summaryLabel->text().contains(
        QStringLiteral("재료비 금액 %1%2")
            .arg(total > 0 ? QStringLiteral("+") : QString(), QLocale(QLocale::English).toString(total))));
  }

  void changedOnlyFilter() {
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    const int all = w.rowCount();
    w.changedOnlyBox->setChecked(true);
    QCOMPARE(w.rowCount(), 3);  // two changed, one removed
    for (int r = 0; r < w.rowCount(); ++r) QVERIFY(w.lineAt(r)->change != LineChange::kUnchanged);
    w.changedOnlyBox->setChecked(false);
    QCOMPARE(w.rowCount(), all);
  }

  void saveWritesTheSheet() {
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    const QString target = QString::fromStdString(dir_->path() + "/cmp");
    w.hooks().askSaveFile = ([&](QWidget*, const QString& suggested, QString* filter) {
      [&] { QVERIFY(suggested.endsWith(QStringLiteral("P_RPTB02_NEW_비교.xlsx"))); }();
      *filter = CompareWindow::kCsvFilter;
      return target;
    });
    w.changedOnlyBox->setChecked(true);
    w.saveButton->click();
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QFile csv(target + ".csv");
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 3 + 1 + 1);  // captions, three lines, totals, the last line end
  }

  void doubleClickOpensTheRightReportAtTheLine() {
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    std::vector<std::tuple<std::string, int, int>> opened;
    w.hooks().openReport =
        ([&](const std::string& path, int page, int line) { opened.emplace_back(path, page, line); });
    const int up = rowOf(w, upCode_);
    const CompareLine* l = w.lineAt(up);
    w.openLine(up, false);
    w.openLine(up, true);
    const int removed = rowOf(w, removedCode_);
    w.openLine(removed, false);
    QCOMPARE(opened.size(), size_t(3));
    QCOMPARE(std::get<0>(opened[0]), newPath_);
    QCOMPARE(std::get<1>(opened[0]), 2);
    QCOMPARE(std::get<2>(opened[0]), l->newRow + 1);
    QCOMPARE(std::get<0>(opened[1]), oldPath_);
    QCOMPARE(std::get<0>(opened[2]), oldPath_);  // a removed line is only in the old report
  }

  void openedPreviewShowsThePageWithTheBand() {
    FakePrinter printer;
    services_.printer = &printer;
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    int page = 0;
    bool band = false;
    preview_.hooks.runPreview = [&](PreviewWindow& preview) {
      page = preview.currentPage();
      band = !preview.pageView->bandRect().isEmpty();
    };
    w.openLine(rowOf(w, upCode_), false);
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QCOMPARE(page, 2);
    QVERIFY(band);
    // On the first page too, where the window starts anyway.
    page = 0;
    band = false;
    QCOMPARE(w.lineAt(1)->newPage, 1);
    w.openLine(1, false);
    QCOMPARE(page, 1);
    QVERIFY(band);
  }

  // The run's progress dialog shows while long reports compare; its cancel
  // stops the comparison and the window does not open.
  void progressDialogCancelStopsTheComparison() {
    class CancellingProgress : public ProgressDialog {
     public:
      bool ShowProgress(int count, const std::string& caption) override {
        shown = count;
        this->caption = caption;
        return true;
      }
      bool StepProgress(int, int, const std::string&) override { return ++steps < 2; }
      bool CloseProgress() override { return closed = true; }
      void ProcessPendingMessages() override {}
      int shown = 0, steps = 0;
      bool closed = false;
      std::string caption;
    } progress;
    services_.progress = &progress;
    rw::BillOptions options;
    options.pages = 200;
    rw::ReportSpec bill = rw::billOfQuantities(options);
    for (const char* name : {"P_BIG1.dbf", "P_BIG2.dbf"}) {
      bill.fileName = name;
      QVERIFY(rw::writeReport(dir_->path(), bill).isOk());
    }
    CompareWindow w(services_, dir_->path() + "/P_BIG1.dbf", dir_->path() + "/P_BIG2.dbf", nullptr, hooks());
    QVERIFY(!w.load());
    services_.progress = nullptr;
    QVERIFY(progress.shown > 1);
    QCOMPARE(progress.caption, std::string(CompareWindow::kCompareCaption));
    QCOMPARE(progress.steps, 2);
    QVERIFY(progress.closed);
    QVERIFY(messages_.shown.empty());
  }

  // A report named in CP949 bytes (no UTF-8): offered by its readable name,
  // compared under its bytes, and its proposed sheet keeps those bytes.
  void namesThatAreNoUtf8AreOfferedReadablyAndCompared() {
#ifdef _WIN32
    QSKIP("Windows file names are UTF-16: names that are no UTF-8 do not exist there");
#endif
    const std::string cp949Name = "P_RPTB02_\xC7\xD1.dbf";  // "P_RPTB02_한.dbf"
    std::filesystem::rename(newPath_, dir_->path() + "/" + cp949Name);
    std::filesystem::rename(dir_->path() + "/P_RPTB02_NEW.fpt", dir_->path() + "/P_RPTB02_\xC7\xD1.fpt");
    std::filesystem::last_write_time(
        oldPath_, std::filesystem::last_write_time(dir_->path() + "/" + cp949Name) - std::chrono::hours(1));
    QStringList offered;
    CompareHooks seams = hooks();
    seams.chooseReport = [&](QWidget*, const QStringList& names) {
      offered = names;
      return names.value(0);
    };
    seams.askSaveFile = [](QWidget*, const QString& suggested, QString*) { return suggested; };
    std::string comparedNew;
    QString title;
    compareReports(
        nullptr, services_, dir_->path(), {"P_RPTB02_OLD.dbf"}, {"P_RPTB02_OLD.dbf", cp949Name},
        [&](QDialog& dialog) {
          auto* w = qobject_cast<CompareWindow*>(&dialog);
          if (!w) return;
          comparedNew = w->newPath();
          title = w->windowTitle();
          w->saveButton->click();
        },
        seams);
    QCOMPARE(offered, QStringList{QStringLiteral("P_RPTB02_한.dbf")});
    QCOMPARE(comparedNew, dir_->path() + "/" + cp949Name);
    QVERIFY(title.contains(QStringLiteral("P_RPTB02_한.dbf")));
    QVERIFY2(messages_.shown.empty(), messages_.shown.empty() ? "" : messages_.shown[0].text.c_str());
    QVERIFY(std::filesystem::exists(dir_->path() + "/P_RPTB02_\xC7\xD1_비교.xlsx"));
  }

  void reportsOfDifferentKindsAreRefused() {
    QVERIFY(rw::writeReport(dir_->path(), rw::summaryReport()).isOk());
    CompareWindow w(services_, oldPath_, dir_->path() + "/P_RPTB01_SUMMARY.dbf", nullptr, hooks());
    QVERIFY(!w.load());
    QCOMPARE(messages_.shown.size(), size_t(1));
    QVERIFY(QString::fromStdString(messages_.shown[0].text).contains(QStringLiteral("종류가 다른 보고서")));
  }

  void mainWindowComparesTwoSelectedReports() {
    env_.reset();  // the main window keeps the engine settings of its own
    const std::string program = makeTempDirectory("program");
    iniWrite(infoIniPath(program), "INFO", "DIR", dir_->path());
    // The new report is written later than the old one.
    std::filesystem::last_write_time(oldPath_, std::filesystem::last_write_time(newPath_) - std::chrono::hours(1));
    int shownRows = -1;
    std::string shownOld;
    const auto showCompare = [&](QDialog& dialog) {
      auto* w = qobject_cast<CompareWindow*>(&dialog);
      QVERIFY(w);
      shownRows = w->rowCount();
      shownOld = w->oldPath();
    };
    {
      MainWindow main(program, &services_);
      main.setModalRunner(showCompare);
      main.show();
      QVERIFY(QTest::qWaitForWindowExposed(&main));
      QTableWidget* list = main.reportList;
      QCOMPARE(list->rowCount(), 2);
      // Shift+Down from the first row selects both, as a user selects them.
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
      QCOMPARE(list->selectionModel()->selectedRows().size(), 2);
      main.compareAction->trigger();
      QVERIFY(shownRows > 0);
      QCOMPARE(shownOld, oldPath_);

      // One selected: the other is chosen from the list.
      shownRows = -1;
      QStringList offered;
      main.compareHooks().chooseReport = [&](QWidget*, const QStringList& names) {
        offered = names;
        return names.value(0);
      };
      // The new report selected, the old one chosen: still compared old to new.
      const int newRow = list->findItems(QStringLiteral("P_RPTB02_NEW.dbf"), Qt::MatchExactly).value(0)->row();
      list->selectionModel()->setCurrentIndex(list->model()->index(newRow, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      shownOld.clear();
      main.compareAction->trigger();
      QCOMPARE(offered, QStringList{QStringLiteral("P_RPTB02_OLD.dbf")});
      QVERIFY(shownRows > 0);
      QCOMPARE(shownOld, oldPath_);
    }
    std::filesystem::remove_all(program);
  }

  // Two versions written within one second still compare earlier to later,
  // whichever of them the list puts first.
  void reportsWrittenWithinOneSecondCompareEarlierToLater_data() {
    QTest::addColumn<bool>("oldWrittenFirst");
    QTest::newRow("old first") << true;
    QTest::newRow("new first") << false;
  }
  void reportsWrittenWithinOneSecondCompareEarlierToLater() {
    QFETCH(bool, oldWrittenFirst);
    env_.reset();
    const std::string program = makeTempDirectory("program");
    iniWrite(infoIniPath(program), "INFO", "DIR", dir_->path());
    const std::string earlier = oldWrittenFirst ? oldPath_ : newPath_;
    QVERIFY(zel::testing::setModifiedTime(oldPath_, 100, oldWrittenFirst ? 200 : 700));
    QVERIFY(zel::testing::setModifiedTime(newPath_, 100, oldWrittenFirst ? 700 : 200));
    std::string shownOld;
    {
      MainWindow main(program, &services_);
      main.setModalRunner([&](QDialog& dialog) {
        if (auto* w = qobject_cast<CompareWindow*>(&dialog)) shownOld = w->oldPath();
      });
      main.show();
      QVERIFY(QTest::qWaitForWindowExposed(&main));
      QTableWidget* list = main.reportList;
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
      QCOMPARE(list->selectionModel()->selectedRows().size(), 2);
      main.compareAction->trigger();
    }
    std::filesystem::remove_all(program);
    QCOMPARE(shownOld, earlier);
  }

  // The README's picture: ZEL_SCREENSHOT_DIR=DIR, offscreen.
  void screenshots() {
    const QString out = qEnvironmentVariable("ZEL_SCREENSHOT_DIR");
    if (out.isEmpty()) QSKIP("ZEL_SCREENSHOT_DIR not set");
    CompareWindow w(services_, oldPath_, newPath_, nullptr, hooks());
    QVERIFY(w.load());
    w.resize(1280, 560);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The first changed line in view, selected.
    const int up = rowOf(w, upCode_);
    w.table->selectRow(up);
    w.table->scrollTo(w.table->model()->index(std::max(0, up - 6), 0), QAbstractItemView::PositionAtTop);
    QTest::qWait(300);
    QVERIFY(w.grab().save(QDir(out).filePath("compare-window.png")));
    // The sheet, for printing to a picture with a spreadsheet program.
    CompareFileRequest sheet;
    sheet.path = QDir(out).filePath("compare-sheet.xlsx").toStdString();
    QCOMPARE(CompareToFiles(messages_, oldPath_, newPath_, {sheet}).status, CompareStatus::kDone);
  }

 private:
  static int materialColumn(const CompareWindow& w) {
    QAbstractItemModel* m = w.table->model();
    for (int c = 0; c < m->columnCount(); ++c)
      if (m->headerData(c, Qt::Horizontal).toString() == QStringLiteral("재료비 금액\n변경전")) return c;
    return -1;
  }
  static int rowOf(const CompareWindow& w, const std::string& code) {
    for (int r = 0; r < w.rowCount(); ++r)
      if (w.lineAt(r)->code == code) return r;
    return -1;
  }

  CompareHooks hooks() {
    CompareHooks made;
    made.preview = &preview_;
    return made;
  }

  RecordingMessageService messages_;
  RunServices services_;
  PreviewContext preview_;  // of the previews a window opens
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<EngineSettings> env_;
  std::string oldPath_, newPath_, upCode_, downCode_, removedCode_;
  long removedAmount_ = 0;
};

QTEST_MAIN(CompareWindowTest)
#include "compare_window_test.moc"
