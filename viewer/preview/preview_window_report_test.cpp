// The preview over real report files: written by the report writer into a
// temporary directory, run through the runner, printed to a fake printer or
// to PDF through the printer layer.
#ifndef _WIN32
#  include <fcntl.h>
#  include <sys/mount.h>
#  include <sys/statvfs.h>
#  include <unistd.h>
#endif

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QtEndian>
#include <QtTest>
#include <array>
#include <climits>
#include <filesystem>
#include <optional>
#include <set>

#include "run_services.h"
#include "report_table.h"
#include "fake_printer.h"
#include "message_service.h"
#include "korean_texts.h"
#include "num_edit.h"
#include "page_renderer.h"
#include "preview_test_support.h"
#include "printer_layer.h"
#include "report_runner.h"
#include "report_writer.h"
#include "preview_window.h"
#include "export_action.h"
#include "page_view.h"
#include "preview_toolbar.h"
#include "print_progress_dialog.h"
#include "find_dialog.h"
#include "sample_reports.h"
#include "scope_exit.h"

using namespace zel;
using namespace zel::reportwriter;

namespace {

// A fake printer on which the user presses the progress dialog's cancel
// button while page `cancelOnPage` of the job is being drawn.
class CancellingPrinter : public FakePrinter {
 public:
  int cancelOnPage = 0;
  int pagesBegun = 0;
  QtProgressDialog* progress = nullptr;  // whose dialog is cancelled
  bool beginDocument() override {
    pagesBegun = 1;
    maybeCancel();
    return FakePrinter::beginDocument();
  }
  bool newPage() override {
    ++pagesBegun;
    maybeCancel();
    return FakePrinter::newPage();
  }

 private:
  void maybeCancel() {
    if (pagesBegun != cancelOnPage) return;
    // Queued: the click is seen when the job next lets events through, at the page's end.
    QTimer::singleShot(0, [dialogs = progress] {
      if (PrintProgressDialog* dialog = dialogs->dialog()) dialog->cancelButton->click();
    });
  }
};

// The find dialog as the user works it: the column of `field` chosen, the
// text typed, the search button pressed.
std::function<void(FindDialog&)> searchFor(const char* field, const QString& text, bool fromCurrent = true) {
  return [field, text, fromCurrent](FindDialog& dialog) {
    dialog.show();
    const auto it = std::find(dialog.fieldNames().begin(), dialog.fieldNames().end(), field);
    QVERIFY(it != dialog.fieldNames().end());
    dialog.columnBox->setCurrentIndex(static_cast<int>(it - dialog.fieldNames().begin()));
    dialog.textEdit->setText(text);
    dialog.fromCurrentBox->setChecked(fromCurrent);
    dialog.searchButton->click();
  };
}

}  // namespace

class PreviewReportTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    BillOptions bill;
    bill.pages = 6;
    QVERIFY(writeReport(dir(), billOfQuantities(bill)).ok());
    BillOptions wide;
    wide.orientation = 'L';
    wide.pages = 2;
    QVERIFY(writeReport(dir(), billOfQuantities(wide)).ok());
    services_.preview = [this] { return std::make_unique<PreviewWindow>(services_, &context_); };
    services_.progress = &progress_;
  }
  void cleanupTestCase() {
    services_.preview = nullptr;
    services_.progress = nullptr;
  }
  void init() {
    service_ = RecordingMessageService();
    services_.messages = &service_;
    printer_ = CancellingPrinter();
    printer_.progress = &progress_;
    services_.printer = &printer_;
    context_.hooks.runPreview = nullptr;
    context_.hooks.runFind = nullptr;
    context_.hooks.askPdfFile = nullptr;
    context_.hooks.askExportFile = nullptr;
    // The export's question answered with what it offers (the whole report at first).
    exportAsked_ = {};
    context_.hooks.askExportOptions = [this](QWidget*, int first, int last, int from, int to, ExportChoice* choice) {
      exportAsked_ = {first, last, from, to};
      if (exportAnswer_) *choice = *exportAnswer_;
      return exportAccepted_;
    };
    exportAnswer_.reset();
    exportAccepted_ = true;
  }
  void cleanup() {
    context_.hooks.runPreview = nullptr;
    services_.printer = nullptr;
  }

  void opensOnPageOneOfTheRun() {
    bool ran = false;
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      ran = true;
      QCOMPARE(w.statusBar->pageTotalLabel->text(), QStringLiteral("/ 6"));
      QCOMPARE(w.toolBar->rangeToField->text(), QStringLiteral("6"));
      QCOMPARE(w.recordCount(), 1);
      QVERIFY(w.statusBar->warningLabel->text().isEmpty() &&
              !w.statusBar->warningLabel->isVisible());  // a sound report
      QVERIFY(w.pageView->picture().size() > 1000);  // a whole page was recorded
      QCOMPARE(w.pageView->pictureSize(), QSize(661, 935));
      w.toolBar->lastPageButton->click();
      QCOMPARE(w.currentPage(), 6);
      QCOMPARE(w.recordCount(), 2);
    });
    QVERIFY(ran);
    QVERIFY(service_.shown.empty());
  }

  void landscapeReportFitsTheWindow() {
    run("L_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      QVERIFY(w.orientation() == PaperOrientation::kLandscape);
      QCOMPARE(w.pageView->pictureSize(), QSize(935, 661));
      w.toolBar->fitPageButton->click();
      const QSize area = w.pageView->scroller->maximumViewportSize();
      QVERIFY(w.pageView->surface->width() <= area.width() && w.pageView->surface->height() <= area.height());
    });
  }

  void printsPagesThreeToFiveNumberedFromTenIntoPdf() {
#ifdef _WIN32
    QSKIP("reads the PDF with pdftotext, a Linux tool");
#endif
    const QString pdfPath = QDir(dir_.path()).filePath("job.pdf");
    auto pdf = PrinterLayer::pdfPrinter(QDir(dir_.path()).filePath("unused.pdf"));
    services_.printer = pdf.get();
    context_.hooks.askPdfFile = [&](QWidget*, const QString&) { return pdfPath; };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeFromField, "3");
      typeInto(w.toolBar->rangeToField, "5");
      typeInto(w.toolBar->startNumberField, "10");
      w.toolBar->printButton->click();
    });
    services_.printer = &printer_;
    QVERIFY(service_.shown.empty());
    QCOMPARE(pdf->pageCount(), 3);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    const QStringList pages = out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
      QVERIFY2(pages[i].contains(QStringLiteral("Page : %1").arg(10 + i)), qPrintable(pages[i].left(400)));
    }
    QVERIFY(!out.contains(QStringLiteral("Page : 3")));
    QVERIFY(out.contains(QStringLiteral("품")));  // Korean text came through
  }

  // The PDF's save dialog proposes the report's folder and name; a name
  // without a suffix gets ".pdf"; the status bar says where the file went.
  // Before, the dialog opened in the program's folder with no name.
  void pdfFileIsProposedBesideTheReportAndTold() {
    auto pdf = PrinterLayer::pdfPrinter(QDir(dir_.path()).filePath("unused.pdf"));
    services_.printer = pdf.get();
    QString proposed;
    const QString typed = QDir(dir_.path()).filePath("without-suffix");
    context_.hooks.askPdfFile = [&](QWidget*, const QString& suggested) {
      proposed = suggested;
      return typed;
    };
    QString status;
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeFromField, "1");
      typeInto(w.toolBar->rangeToField, "1");
      QCOMPARE(w.statusBar->savedFileLabel->text(), QString());
      w.toolBar->printButton->click();
      status = w.statusBar->savedFileLabel->text();
    });
    services_.printer = &printer_;
    QVERIFY(service_.shown.empty());
    QCOMPARE(proposed, QDir(dir_.path()).filePath("P_RPTB02_SAMPLE.pdf"));
    const QString written = typed + ".pdf";
    QVERIFY(QFileInfo::exists(written));
    QVERIFY(!QFileInfo::exists(typed));
    QCOMPARE(status, QStringLiteral("PDF 파일로 저장했습니다: ") + QDir::toNativeSeparators(written));
  }

  // A PDF that does not fit the disk: an error with the system's reason, the
  // file that was there kept, no part file left. Before, the printer wrote
  // straight over the chosen file and the status bar told of a saved PDF.
  void pdfOntoAFullDiskKeepsTheOldFileAndSaysWhy() {
#ifdef _WIN32
    QSKIP("the full disk is a tmpfs of the test's own; Windows has none");
#else
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    const QByteArray where = QFile::encodeName(mountPoint.path());
    if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0777") != 0)
      QSKIP("cannot mount a tmpfs here (needs root)");
    const ScopeExit unmount([&] { ::umount2(where.constData(), MNT_DETACH); });
    const QString pdfPath = QDir(mountPoint.path()).filePath("job.pdf");
    const QByteArray old = "the file that was there before\n";
    {
      QFile file(pdfPath);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    // Full but for a few pages' worth.
    struct statvfs st {};
    QVERIFY(::statvfs(where.constData(), &st) == 0);
    const long take = static_cast<long>(st.f_bavail * st.f_frsize) - 8192;
    const int filler = ::open((where + "/filler").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(filler >= 0);
    QVERIFY(::posix_fallocate(filler, 0, take) == 0);
    ::close(filler);

    auto pdf = PrinterLayer::pdfPrinter(QDir(dir_.path()).filePath("unused.pdf"));
    services_.printer = pdf.get();
    context_.hooks.askPdfFile = [&](QWidget*, const QString&) { return pdfPath; };
    QString status;
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeFromField, "1");
      typeInto(w.toolBar->rangeToField, "6");
      w.toolBar->printButton->click();
      status = w.statusBar->savedFileLabel->text();
      QVERIFY(w.isEnabled());
    });
    services_.printer = &printer_;
    QCOMPARE(service_.shown.size(), size_t{1});
    const QString text = QString::fromStdString(service_.shown[0].text);
    QVERIFY2(text.contains(QStringLiteral("디스크 공간이 부족합니다")), qPrintable(text));
    QVERIFY2(text.contains(pdfPath), qPrintable(text));
    QCOMPARE(status, QString());
    QFile file(pdfPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{"filler", "job.pdf"}));
    // The next question proposes the chosen file, not the part.
    QCOMPARE(pdf->outputFileName(), pdfPath);
#endif
  }

  // A PDF named like a file of the report (the memo, in the other case) is
  // refused before anything is written; before, it replaced the memo.
  void pdfOverAReportFileIsRefused() {
    QTemporaryDir other;
    const ReportSpec spec = billOfQuantities(BillOptions{});
    QVERIFY(writeReport(other.path().toStdString(), spec).ok());
    const QStringList memos = QDir(other.path()).entryList({"*.fpt", "*.FPT"}, QDir::Files);
    QCOMPARE(memos.size(), 1);
    const QString memo = QDir(other.path()).filePath(memos[0]);
    QFile before(memo);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray content = before.readAll();
    before.close();
    auto pdf = PrinterLayer::pdfPrinter(QDir(dir_.path()).filePath("unused.pdf"));
    services_.printer = pdf.get();
    context_.hooks.askPdfFile = [&](QWidget*, const QString&) { return memo; };
    context_.hooks.runPreview = [&](PreviewWindow& w) {
      QApplication::processEvents();
      w.toolBar->printButton->click();
    };
    RunReport(services_, other.path().toStdString(), spec.fileName);
    services_.printer = &printer_;
    QCOMPARE(service_.shown.size(), size_t{1});
    const QString text = QString::fromStdString(service_.shown[0].text);
    QVERIFY2(text.contains(QStringLiteral("보고서를 지키기 위해 쓰지 않습니다")), qPrintable(text));
    QVERIFY(before.open(QIODevice::ReadOnly));
    QCOMPARE(before.readAll(), content);
    QCOMPARE(pdf->pageCount(), 0);
  }

  // Written through a part file that leaves nothing beside the PDF.
  void pdfLeavesNoPartFile() {
    QTemporaryDir out;
    const QString pdfPath = QDir(out.path()).filePath("whole.pdf");
    auto pdf = PrinterLayer::pdfPrinter(QDir(dir_.path()).filePath("unused.pdf"));
    services_.printer = pdf.get();
    context_.hooks.askPdfFile = [&](QWidget*, const QString&) { return pdfPath; };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeFromField, "2");
      typeInto(w.toolBar->rangeToField, "3");
      w.toolBar->printButton->click();
    });
    services_.printer = &printer_;
    QVERIFY(service_.shown.empty());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"whole.pdf"});
    QFile file(pdfPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF-"));
  }

  // A header that counts fewer records than the file holds prints fewer
  // lines; the status bar says so while the report is shown (before, only
  // the command line's standard error did).
  void loweredRecordCountIsSaidInTheStatusBar() {
    QTemporaryDir other;
    BillOptions bill;
    bill.pages = 2;
    const ReportSpec spec = billOfQuantities(bill);
    QVERIFY(writeReport(other.path().toStdString(), spec).ok());
    const std::string dbf = other.path().toStdString() + "/" + spec.fileName;
    {
      QFile file(QString::fromStdString(dbf));
      QVERIFY(file.open(QIODevice::ReadWrite));
      QVERIFY(file.seek(4));
      QByteArray count = file.read(4);
      const quint32 records = qFromLittleEndian<quint32>(count.constData());
      qToLittleEndian<quint32>(records - 3, count.data());
      QVERIFY(file.seek(4) && file.write(count) == 4);
    }
    QString warning;
    bool visible = false;
    context_.hooks.runPreview = [&](PreviewWindow& w) {
      QApplication::processEvents();
      warning = w.statusBar->warningLabel->text();
      visible = w.statusBar->warningLabel->isVisible();
    };
    RunReport(services_, other.path().toStdString(), spec.fileName);
    QVERIFY2(warning.startsWith(QStringLiteral("경고: 머리말의 레코드 수(")), qPrintable(warning));
    QVERIFY2(warning.contains(QStringLiteral("파일에 레코드가 3개 더 있어, 그 줄은 나오지 않습니다.")),
             qPrintable(warning));
    QVERIFY(visible);
    QVERIFY(service_.shown.empty());  // a warning, not a message box: the report is shown
  }

  void copiesGoToThePrinterAndPagesAreDrawnOnce() {
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeFromField, "2");
      typeInto(w.toolBar->rangeToField, "4");
      typeInto(w.toolBar->copiesField, "3");
      w.toolBar->printButton->click();
    });
    QCOMPARE(printer_.copies, 3);
    const std::vector<std::string> expected = {"begin", "map", "page", "map", "page", "map", "unmap", "end"};
    QCOMPARE(printer_.log, expected);
    QVERIFY(!progress_.showing());
  }

  void cancelThenNoPrintsEverything() {
    printer_.cancelOnPage = 2;
    service_.answers = {MessageAnswer::kNo};
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeToField, "5");
      w.toolBar->printButton->click();
      QVERIFY(w.isEnabled());
    });
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("작업을 중단하시겠습니까?"));
    QCOMPARE(printer_.pagesBegun, 5);
    QCOMPARE(printer_.log.back(), std::string("end"));
  }

  void cancelThenYesStopsAfterThePageInProgress() {
    printer_.cancelOnPage = 2;
    service_.answers = {MessageAnswer::kYes};
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      typeInto(w.toolBar->rangeToField, "5");
      w.toolBar->printButton->click();
      QVERIFY(w.isEnabled());
    });
    QCOMPARE(printer_.pagesBegun, 2);  // pages 1 and 2 come out
    QCOMPARE(printer_.log.back(), std::string("end"));
    QVERIFY(!progress_.showing());
  }

  void excelButtonHasItsPictureAndHint() {
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      QCOMPARE(w.toolBar->exportButton->toolTip(), QStringLiteral("엑셀저장"));
      QVERIFY(!w.toolBar->exportButton->icon().isNull());
      QVERIFY(w.toolBar->exportButton->isEnabled());
      QVERIFY(w.toolBar->exportButton->geometry().left() >= w.toolBar->copiesField->geometry().right());
    });
  }

  void excelButtonSavesByTheChosenFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("xlsx") << ExportAction::kExcelFilter << "bill"
                          << "bill.xlsx" << QByteArray("PK\x03\x04");
    QTest::newRow("csv") << ExportAction::kCsvFilter << "bill.csv"
                         << "bill.csv" << QByteArray("\xEF\xBB\xBFPage,");
  }
  void excelButtonSavesByTheChosenFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, head);
    QTemporaryDir out;
    QString suggested;
    context_.hooks.askExportFile = [&](QWidget*, const QString& s, QString* chosen) {
      suggested = s;
      *chosen = filter;
      return out.filePath(typed);
    };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.toolBar->exportButton->click();
      QVERIFY(w.isEnabled());
    });
    QVERIFY(suggested.endsWith(QStringLiteral("P_RPTB02_SAMPLE.xlsx")));
    QFile file(out.filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(head));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1);  // no part file left
    QVERIFY(service_.shown.empty());
    QVERIFY(!progress_.showing());
  }

  // A folder and a report named in CP949 bytes (no UTF-8): the proposed
  // export and PDF names, taken as they are, are written beside the report
  // under its own bytes. The toolkit's strings used to lose them.
  void namesThatAreNoUtf8GiveTheProposedFiles() {
#ifdef _WIN32
    QSKIP("Windows file names are UTF-16: names that are no UTF-8 do not exist there");
#endif
    const std::string folder = dir() + "/\xB1\xB8\xB8\xC5";  // "구매"
    std::filesystem::create_directory(folder);
    // The toolkit cannot remove what it cannot name.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> removeFolder(
        &folder, [](const std::string* f) { std::filesystem::remove_all(*f); });
    BillOptions bill;
    bill.fileName = "P_RPTB02_\xC7\xD1.dbf";  // "P_RPTB02_한.dbf"
    bill.pages = 2;
    QVERIFY(writeReport(folder, billOfQuantities(bill)).ok());
    QString proposedExport, proposedPdf;
    context_.hooks.askExportFile = [&](QWidget*, const QString& s, QString* chosen) {
      proposedExport = s;
      *chosen = ExportAction::kExcelFilter;
      return s;
    };
    auto pdf = PrinterLayer::pdfPrinter(QString());
    services_.printer = pdf.get();
    context_.hooks.askPdfFile = [&](QWidget*, const QString& s) {
      proposedPdf = s;
      return s;
    };
    context_.hooks.runPreview = [&](PreviewWindow& w) {
      QApplication::processEvents();
      w.toolBar->exportButton->click();
      typeInto(w.toolBar->rangeFromField, "1");
      typeInto(w.toolBar->rangeToField, "1");
      w.toolBar->printButton->click();
    };
    RunReport(services_, folder, bill.fileName);
    services_.printer = &printer_;
    QVERIFY2(service_.shown.empty(), service_.shown.empty() ? "" : service_.shown[0].text.c_str());
    QCOMPARE(proposedExport, QString::fromStdString(dir() + "/구매/P_RPTB02_한.xlsx"));
    QCOMPARE(proposedPdf, QString::fromStdString(dir() + "/구매/P_RPTB02_한.pdf"));
    QVERIFY(std::filesystem::exists(folder + "/P_RPTB02_\xC7\xD1.xlsx"));
    QVERIFY(std::filesystem::exists(folder + "/P_RPTB02_\xC7\xD1.pdf"));
  }

  void excelCancelledLeavesNoFile() {
    QTemporaryDir out;
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString* chosen) {
      *chosen = ExportAction::kExcelFilter;
      return out.filePath("bill.xlsx");
    };
    service_.answers = {MessageAnswer::kYes};
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      // Pressed while the first page is written; seen at its end.
      QTimer::singleShot(0, [this] {
        if (PrintProgressDialog* dialog = progress_.dialog()) dialog->cancelButton->click();
      });
      w.toolBar->exportButton->click();
    });
    QCOMPARE(service_.shown.size(), size_t{1});  // the cancel question
    QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
  }

  void excelAsksWholeReportOrThePrintRange_data() {
    QTest::addColumn<bool>("whole");
    QTest::addColumn<bool>("codes");
    QTest::addColumn<QString>("pages");  // the Page column of the lines written
    QTest::newRow("whole report") << true << false << "1-6";
    QTest::newRow("print range") << false << false << "2-3";
    QTest::newRow("print range with codes") << false << true << "2-3";
  }
  void excelAsksWholeReportOrThePrintRange() {
    QFETCH(bool, whole);
    QFETCH(bool, codes);
    QFETCH(QString, pages);
    QTemporaryDir out;
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString* chosen) {
      *chosen = ExportAction::kCsvFilter;
      return out.filePath("range.csv");
    };
    exportAnswer_ = ExportChoice{whole, codes};
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.toolBar->rangeFromField->SetValue(2);
      w.toolBar->rangeToField->SetValue(3);
      w.toolBar->exportButton->click();
    });
    QCOMPARE(exportAsked_, (std::array<int, 4>{1, 6, 2, 3}));
    QFile file(out.filePath("range.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = file.readAll().split('\n');
    QVERIFY(records.size() > 3);
    QCOMPARE(records[0].startsWith("\xEF\xBB\xBFPage,F_CODE,F_TYPE,"), codes);
    int low = INT_MAX, high = 0;
    for (qsizetype r = 2; r < records.size(); ++r) {
      if (records[r].trimmed().isEmpty()) continue;
      const int page = records[r].left(records[r].indexOf(',')).toInt();
      low = std::min(low, page);
      high = std::max(high, page);
    }
    QCOMPARE(QStringLiteral("%1-%2").arg(low).arg(high), pages);
    QVERIFY(service_.shown.empty());
  }

  void excelQuestionCancelledAsksNoFileName() {
    bool asked = false;
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString*) {
      asked = true;
      return QString();
    };
    exportAccepted_ = false;
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) { w.toolBar->exportButton->click(); });
    QVERIFY(!asked);
    QVERIFY(service_.shown.empty());
  }

  void excelReversedRangeIsRefusedAsPrintingIs() {
    bool asked = false;
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString*) {
      asked = true;
      return QString();
    };
    exportAnswer_ = ExportChoice{false, false};
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.toolBar->rangeFromField->SetValue(4);
      w.toolBar->rangeToField->SetValue(2);
      w.toolBar->exportButton->click();
    });
    QVERIFY(!asked);
    QCOMPARE(service_.shown.size(), size_t{1});
  }

  void excelIntoAMissingFolderSaysWhy() {
    QTemporaryDir out;
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString* chosen) {
      *chosen = ExportAction::kExcelFilter;
      return out.filePath("gone/bill.xlsx");
    };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) { w.toolBar->exportButton->click(); });
    QCOMPARE(service_.shown.size(), size_t{1});
    QVERIFY(QString::fromStdString(service_.shown[0].text).contains(QStringLiteral("저장할 폴더")));
    QVERIFY(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
  }

  void exportOptionsDialogOffersBothRangesAndTheCodes() {
    ExportOptionsDialog dialog(nullptr, 1, 6, 2, 3, ExportChoice{});
    QCOMPARE(dialog.windowTitle(), QStringLiteral("엑셀저장"));
    QVERIFY(dialog.wholeReport->text().contains(QStringLiteral("1 - 6")));
    QVERIFY(dialog.printRange->text().contains(QStringLiteral("2 - 3")));
    QVERIFY(dialog.wholeReport->isChecked());
    QVERIFY(!dialog.withCodes->isChecked());
    dialog.printRange->setChecked(true);
    dialog.withCodes->setChecked(true);
    QCOMPARE(dialog.choice().wholeReport, false);
    QCOMPARE(dialog.choice().withCodes, true);
    ExportOptionsDialog again(nullptr, 1, 6, 2, 3, dialog.choice());
    QVERIFY(again.printRange->isChecked());
    QVERIFY(again.withCodes->isChecked());
  }

  void excelNeverOverTheReport() {
#ifdef _WIN32
    QSKIP("QFile::link makes a shortcut file on Windows, not a link the file system follows");
#endif
    // A link to the report by the name the user picked: refused, the report kept.
    QTemporaryDir out;
    const QString report = QString::fromStdString(dir() + "/P_RPTB02_SAMPLE.dbf");
    QVERIFY(QFile::link(report, out.filePath("linked.csv")));
    context_.hooks.askExportFile = [&](QWidget*, const QString&, QString* chosen) {
      *chosen = ExportAction::kCsvFilter;
      return out.filePath("linked.csv");
    };
    const qint64 size = QFileInfo(report).size();
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) { w.toolBar->exportButton->click(); });
    QCOMPARE(service_.shown.size(), size_t{1});
    QVERIFY(QString::fromStdString(service_.shown[0].text).contains(QStringLiteral("보고서 파일")));
    QCOMPARE(QFileInfo(report).size(), size);
  }

  void findStepsThroughThePages() {
    // Pages holding a line whose unit is "TON", read straight from the table.
    std::vector<int> expected;
    {
      ReportTable table;
      QVERIFY(table.OpenTable(dir(), "P_RPTB02_SAMPLE.dbf", "CDX"));
      std::set<int> pages;
      for (table.First(); !table.Eof(); table.Next())
        if (table.FieldAsPaddedText("F_UNIT").find("TON") != std::string::npos)
          pages.insert(static_cast<int>(table.FieldAsInteger("F_PAGE")));
      expected.assign(pages.begin(), pages.end());
    }
    QVERIFY(expected.size() >= 3);
    std::vector<int> visited;
    context_.hooks.runFind = searchFor("F_UNIT", QStringLiteral("ton"));
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      for (std::size_t i = 0; i < expected.size(); ++i) {
        w.toolBar->findButton->click();
        visited.push_back(w.currentPage());
        QCOMPARE(w.toolBar->pageField->text(), QString::number(w.currentPage()));
      }
      // One more from the last hit: nothing, and the page stays.
      const int before = w.currentPage();
      w.toolBar->findButton->click();
      QCOMPARE(w.currentPage(), before);
    });
    QCOMPARE(visited, expected);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("찾는 내용이 없습니다."));
  }

  // F3 steps through every hit, also several on one page, from the line
  // after the last one; the hit's row carries a band that only the screen shows.
  void findNextStepsThroughEveryLine() {
    std::vector<std::pair<int, int>> expected;  // page, line on the page
    {
      ReportTable table;
      QVERIFY(table.OpenTable(dir(), "P_RPTB02_SAMPLE.dbf", "CDX"));
      int page = -1, line = 0;
      for (table.First(); !table.Eof(); table.Next()) {
        const int p = static_cast<int>(table.FieldAsInteger("F_PAGE"));
        line = p == page ? line + 1 : 1;
        page = p;
        if (table.FieldAsPaddedText("F_UNIT").find("TON") != std::string::npos) expected.emplace_back(p, line);
      }
    }
    QVERIFY(expected.size() >= 3);
    std::vector<std::pair<int, int>> visited;
    context_.hooks.runFind = searchFor("F_UNIT", QStringLiteral("ton"));
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      bool f3 = false;
      for (QShortcut* shortcut : w.findChildren<QShortcut*>()) f3 = f3 || shortcut->key() == QKeySequence(Qt::Key_F3);
      QVERIFY(f3);
      w.toolBar->findButton->click();
      QRect previous;
      for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i > 0) w.findNext();
        const QRect band = w.pageView->bandRect();
        QVERIFY(!band.isEmpty());
        QVERIFY(w.pageView->surface->rect().contains(band));
        // The band is found from the page's top in row steps.
        if (i > 0 && expected[i].first == expected[i - 1].first) QVERIFY(band.top() > previous.top());
        previous = band;
        visited.emplace_back(w.currentPage(), expected[i].second);
        QCOMPARE(w.toolBar->pageField->text(), QString::number(w.currentPage()));
        if (i == 0) {
          // Drawn over the screen's page only: the recorded page has no band.
          const QImage shown = w.pageView->surface->grab().toImage();
          QImage page(w.pageView->surface->size(), QImage::Format_ARGB32);
          page.fill(Qt::white);
          {
            QPainter painter(&page);
            painter.translate(w.pageView->targetRect().topLeft());
            painter.scale(double(w.pageView->targetRect().width()) / w.pageView->pictureSize().width(),
                          double(w.pageView->targetRect().height()) / w.pageView->pictureSize().height());
            if (w.pageView->zoomPercent() == 100) painter.resetTransform();
            painter.drawPicture(0, 0, w.pageView->picture());
          }
          const QPoint inside(band.left() + 2, band.center().y());
          QVERIFY(shown.pixel(inside) != page.pixel(inside));
        }
      }
      // Another page drops the band; it does not come back with the page.
      w.toolBar->priorPageButton->click();
      QVERIFY(w.pageView->bandRect().isEmpty());
      w.toolBar->nextPageButton->click();
      QVERIFY(w.pageView->bandRect().isEmpty());
      // Nothing after the last page: the notice, no band.
      w.findNext();
      QVERIFY(w.pageView->bandRect().isEmpty());
    });
    std::vector<std::pair<int, int>> pagesOnly;
    for (std::size_t i = 0; i < visited.size(); ++i) pagesOnly.emplace_back(visited[i].first, expected[i].second);
    QCOMPARE(pagesOnly, expected);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QStringLiteral("찾는 내용이 없습니다."));
  }

  // A find that lands on the page already shown marks its line as any other
  // does, and F3 goes on from that line: before, no band was drawn and F3
  // jumped to the next page, past the page's other hits. At the end of the
  // run F3 says that nothing follows the marked line.
  void findOnTheShownPageMarksTheLineAndF3GoesOnFromIt() {
    const std::vector<std::pair<int, int>> expected = hits("L_RPTB02_SAMPLE.dbf", "F_DES", text::kRebar);
    QVERIFY(expected.size() >= 2);
    QCOMPARE(expected[0].first, 1);
    context_.hooks.runFind = searchFor("F_DES", QStringLiteral("이형철근"), false);
    run("L_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      // Page 1 shown as the current page (there and back).
      w.toolBar->nextPageButton->click();
      w.toolBar->priorPageButton->click();
      QCOMPARE(w.currentPage(), 1);
      w.toolBar->findButton->click();
      QCOMPARE(w.currentPage(), 1);
      QVERIFY(!w.pageView->bandRect().isEmpty());
      QCOMPARE(w.pageView->bandRect(), bandOf(w, expected[0].second));
      for (std::size_t i = 1; i < expected.size(); ++i) {
        w.findNext();
        QCOMPARE(w.currentPage(), expected[i].first);
        QCOMPARE(w.pageView->bandRect(), bandOf(w, expected[i].second));
      }
      QVERIFY(service_.shown.empty());
      // The end of the run: said as such, and the last hit stays marked.
      w.findNext();
      QCOMPARE(w.currentPage(), expected.back().first);
      QCOMPARE(w.pageView->bandRect(), bandOf(w, expected.back().second));
    });
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text), QString::fromUtf8(FindController::kNoMoreHitsText));
    QVERIFY(QString::fromStdString(service_.shown[0].text) != QStringLiteral("찾는 내용이 없습니다."));
  }

  // F4 opens the find dialog, as the find button's hint "찾기(F4)" says.
  void f4OpensFind() {
    int dialogs = 0;
    context_.hooks.runFind = [&](FindDialog&) { ++dialogs; };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      QCOMPARE(w.toolBar->findButton->toolTip(), QStringLiteral("찾기(F4)"));
      w.activateWindow();
      QApplication::setActiveWindow(&w);
      QTest::keyClick(&w, Qt::Key_F4);
      QCOMPARE(dialogs, 1);
      // From a number field too.
      w.toolBar->pageField->setFocus();
      QTest::keyClick(w.toolBar->pageField, Qt::Key_F4);
      QCOMPARE(dialogs, 2);
    });
  }

  void numericColumnRejectsACommaOnARealTable() {
    context_.hooks.runFind = searchFor("F_QQTY", QStringLiteral("12,5"));
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.toolBar->findButton->click();
      QCOMPARE(w.currentPage(), 0);
    });
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("실수형 항목입니다. 숫자만 검색가능합니다."));
  }

  void reportWithoutPageNumbersCannotBeSearched() {
    ReportSpec spec;
    spec.fileName = "P_NOPAGE.dbf";
    spec.fields = {{"F_INIT", 'M', 10, 0}, {"F_DES", 'C', 20, 0}};
    spec.settings = {{"RPTCODE", "RPTB02"}, {"FIELDCOUNT", "1|"}};
    spec.lines = {{{"F_DES", "abc"}}};
    QVERIFY(writeReport(dir(), spec).ok());
    ReportTable table;
    QVERIFY(table.OpenTable(dir(), "P_NOPAGE.dbf", "CDX"));
    int dialogs = 0;
    context_.hooks.runFind = [&](FindDialog&) { ++dialogs; };
    PreviewWindow window(services_, &context_);
    window.SetPageInfo("1", "1", &table, "1");
    window.show();
    window.toolBar->findButton->click();
    QCOMPARE(dialogs, 0);
    QCOMPARE(service_.shown.size(), size_t{1});
    QCOMPARE(QString::fromStdString(service_.shown[0].text),
             QStringLiteral("Page번호가 없는 보고서는 검색할 수 없습니다."));
  }

  // Pictures of the windows for the documentation; runs only when asked for
  // (ZEL_SCREENSHOT_DIR), normally under a virtual X server.
  void screenshots() {
    const QString out = qEnvironmentVariable("ZEL_SCREENSHOT_DIR");
    if (out.isEmpty()) QSKIP("ZEL_SCREENSHOT_DIR not set");
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("2")) {
      // The toolbar of a 1600 x 1000 screen at scale factor 2 (800 logical pixels, less 30).
      run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
        w.setWindowState(Qt::WindowNoState);
        w.resize(770, 300);
        w.show();
        QTest::qWait(300);
        QVERIFY(
            w.grab(QRect(0, 0, 770, w.toolBar->height() + 60)).save(QDir(out).filePath("preview-toolbar-scale2.png")));
      });
      return;
    }
    context_.hooks.runFind = [&](FindDialog& dialog) {
      dialog.show();
      const auto it = std::find(dialog.fieldNames().begin(), dialog.fieldNames().end(), "F_DES");
      if (it != dialog.fieldNames().end())
        dialog.columnBox->setCurrentIndex(static_cast<int>(it - dialog.fieldNames().begin()));
      dialog.textEdit->setText(QStringLiteral("철근"));
      QTest::qWait(300);
      QVERIFY(dialog.grab().save(QDir(out).filePath("find-dialog.png")));
      dialog.close();
    };
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.showMaximized();
      QTest::qWait(500);
      QVERIFY(w.grab().save(QDir(out).filePath("preview-100.png")));
      w.toolBar->fitPageButton->click();
      QTest::qWait(300);
      QVERIFY(w.grab().save(QDir(out).filePath("preview-fit.png")));
      w.toolBar->findButton->click();
    });
    // Find, then F3 to a second hit: the band marks the found line.
    context_.hooks.runFind = searchFor("F_UNIT", QStringLiteral("ton"));
    run("P_RPTB02_SAMPLE.dbf", [&](PreviewWindow& w) {
      w.showMaximized();
      w.toolBar->findButton->click();
      w.findNext();
      QTest::qWait(300);
      const QRect band = w.pageView->bandRect();
      w.pageView->scroller->ensureVisible(band.center().x(), band.center().y(), 50, 200);
      QTest::qWait(300);
      QVERIFY(w.grab().save(QDir(out).filePath("preview-find.png")));
    });
    QVERIFY(progress_.ShowProgress(5, "보고서를 인쇄중입니다."));
    progress_.StepProgress(1, 2, "보고서를 인쇄중입니다.");
    progress_.StepProgress(1, 3, "보고서를 인쇄중입니다.");
    QTest::qWait(300);
    QVERIFY(progress_.dialog()->grab().save(QDir(out).filePath("progress-dialog.png")));
    progress_.CloseProgress();
  }

 private:
  std::string dir() const { return dir_.path().toStdString(); }

  // The page and line on the page (from 1) of every line whose field holds text (CP949).
  std::vector<std::pair<int, int>> hits(const std::string& name, const char* field, const std::string& text) {
    std::vector<std::pair<int, int>> found;
    ReportTable table;
    if (!table.OpenTable(dir(), name, "CDX")) return found;
    int page = -1, line = 0;
    for (table.First(); !table.Eof(); table.Next()) {
      const int p = static_cast<int>(table.FieldAsInteger("F_PAGE"));
      line = p == page ? line + 1 : 1;
      page = p;
      if (table.FieldAsPaddedText(field).find(text) != std::string::npos) found.emplace_back(p, line);
    }
    return found;
  }
  // The band over line `line` of the page shown.
  static QRect bandOf(const PreviewWindow& w, int line) {
    const PageUnitRect r = PreviewLineRect(w.session()->layout, line);
    const QSizeF extent = w.orientation() == PaperOrientation::kLandscape ? QSizeF(2970, 2100) : QSizeF(2100, 2970);
    const QRect target =
        w.pageView->zoomPercent() == 100 ? QRect(QPoint(0, 0), w.pageView->pictureSize()) : w.pageView->targetRect();
    const double sx = target.width() / extent.width(), sy = target.height() / extent.height();
    return QRectF(target.left() + r.left * sx, target.top() + r.top * sy, (r.right - r.left) * sx,
                  (r.bottom - r.top) * sy)
        .toAlignedRect();
  }

  void run(const std::string& name, const std::function<void(PreviewWindow&)>& body) {
    context_.hooks.runPreview = [&](PreviewWindow& w) {
      QApplication::processEvents();
      body(w);
    };
    try {
      RunReport(services_, dir(), name);
    } catch (const std::exception& e) {
      QFAIL(e.what());
    }
  }

  QTemporaryDir dir_;
  std::array<int, 4> exportAsked_{};  // first, last, from, to as the question got them
  std::optional<ExportChoice> exportAnswer_;
  bool exportAccepted_ = true;
  RecordingMessageService service_;
  RunServices services_;
  PreviewContext context_;
  CancellingPrinter printer_;
  QtProgressDialog progress_{service_};
};

QTEST_MAIN(PreviewReportTest)
#include "preview_window_report_test.moc"
