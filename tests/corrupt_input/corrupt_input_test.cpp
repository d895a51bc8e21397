// The corrupt-input regression set, run through zelrpt-cli: each row is the
// smallest damaged report (or dangerous argument) for one fault found by
// trying bad input, with what the program must do about it. Every refusal
// says why, in valid UTF-8 and without dumping the settings block; a refused
// command leaves the report's files as they were.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QRegularExpression>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "../cli_process.h"
#include "corrupt_reports.h"
#include "cp949.h"

namespace zel {
namespace {

namespace rw = reportwriter;
using e2e::CliRun;

constexpr int kMaxMessageBytes = 600;  // a refusal quotes excerpts, never a block

// Makes the damaged report in dir; returns its path.
using Maker = std::function<std::string(const std::string& dir)>;

struct CorruptCase {
  const char* name;
  Maker make;
  QStringList args;  // {R} the report, {F} its memo file, {D} the directory
  int exitCode;
  const char* says;  // in standard error (refusals) or standard output; "" for nothing in particular
  bool reportKept = true;
};

std::string bill(const std::string& dir) { return corrupt::writeBill(dir, "P_RPTB02_CASE.dbf"); }

Maker withSettings(rw::SettingsEntries entries) {
  return
      [entries](const std::string& dir) { return corrupt::writeBillWithSettings(dir, "P_RPTB02_CASE.dbf", entries); };
}

Maker pageFieldTyped(char type) {
  return [type](const std::string& dir) {
    const std::string dbf = bill(dir);
    corrupt::setFieldType(dbf, "F_PAGE", type);
    return dbf;
  };
}

std::string cutInsideRecords(const std::string& dir) {
  const std::string dbf = bill(dir);
  // Half the records and a part of the next one.
  const auto records = corrupt::recordCount(dbf);
  corrupt::truncateTo(dbf, corrupt::headerLength(dbf) + (records / 2) * corrupt::recordLength(dbf) + 7);
  return dbf;
}

std::string countInflated(const std::string& dir) {
  const std::string dbf = bill(dir);
  corrupt::setRecordCount(dbf, corrupt::recordCount(dbf) + 1);
  return dbf;
}

std::string countLowered(const std::string& dir) {
  const std::string dbf = bill(dir);
  corrupt::setRecordCount(dbf, corrupt::recordCount(dbf) - 3);
  return dbf;
}

std::string trailingPartialRecord(const std::string& dir) {
  const std::string dbf = bill(dir);
  corrupt::appendBytes(dbf, corrupt::recordLength(dbf) / 2, ' ');
  return dbf;
}

std::string noEndOfFileMark(const std::string& dir) {
  const std::string dbf = bill(dir);
  corrupt::truncateTo(
      dbf, corrupt::headerLength(dbf) + std::uint64_t(corrupt::recordCount(dbf)) * corrupt::recordLength(dbf));
  return dbf;
}

std::string linkedPdf(const std::string& dir) {
  const std::string dbf = bill(dir);
  QFile::link(QString::fromStdString(dbf), QString::fromStdString(dir + "/out.pdf"));
  return dbf;
}

std::string hardLinkedPdf(const std::string& dir) {
  const std::string dbf = bill(dir);
  std::filesystem::create_hard_link(dbf, dir + "/hard.pdf");
  return dbf;
}

std::string linkedPngPage(const std::string& dir) {
  const std::string dbf = bill(dir);
  QDir(QString::fromStdString(dir)).mkpath("png");
  QFile::link(QString::fromStdString(dbf), QString::fromStdString(dir + "/png/P_RPTB02_CASE-p0002.png"));
  return dbf;
}

// One line's page number damaged in place (a byte set to NUL, letters, a
// number below 1): the line sorts outside every page.
Maker pageNumberBytes(std::string bytes) {
  return [bytes](const std::string& dir) {
    const std::string dbf = bill(dir);
    corrupt::setFieldBytes(dbf, "F_PAGE", 3, bytes);
    return dbf;
  };
}

// A header claiming 2^26 records over a sparse tail of NUL bytes: the first
// record past the real ones is damaged, and nothing walks the rest.
std::string sparseNulRecords(const std::string& dir) {
  const std::string dbf = bill(dir);
  constexpr std::uint32_t kClaimed = 1u << 26;
  corrupt::setRecordCount(dbf, kClaimed);
  corrupt::truncateTo(dbf, corrupt::headerLength(dbf) + std::uint64_t(kClaimed) * corrupt::recordLength(dbf));
  return dbf;
}

std::string controlCharacterName(const std::string& dir) { return corrupt::writeBill(dir, "P_RPTB02_A\tB\nC.dbf"); }

// A selection index far past the end of its list, in every selection key.
const rw::SettingsEntries kHugeSelections = {{"SORT", "0|999999999|C|"},  {"OPT1", "0|999999999|NC|"},
                                             {"OPT2", "0|999999999|P|"},  {"OPT3", "0|999999999|HP|"},
                                             {"OPT4", "0|999999999|CD|"}, {"BIGO", "0|999999999|B|"}};

// A margin token of CP949 text far longer than any message should quote.
rw::SettingsEntries longPageSpace() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += utf8ToCp949("여백");
  return {{"PAGESPACE", text + "|0|0|0|"}};
}

const char kDamaged[] = "바이트가 모자랍니다";
const char kOutputIsReport[] = "출력 파일이 보고서 파일";
const char kMarginDigits[] = "999,999,999";
const char kMarginTooBig[] = "여백이 용지보다 큽니다";

const std::vector<CorruptCase>& cases() {
  static const std::vector<CorruptCase> all = {
      // An output path that is, or links to, a file the command reads.
      {"pdf_onto_dbf", bill, {"render", "{R}", "--pdf", "{R}"}, 1, kOutputIsReport},
      {"pdf_onto_fpt", bill, {"render", "{R}", "--pdf", "{F}"}, 1, kOutputIsReport},
      {"pdf_symlink_to_dbf", linkedPdf, {"render", "{R}", "--pdf", "{D}/out.pdf"}, 1, kOutputIsReport},
      {"pdf_hard_link_to_dbf", hardLinkedPdf, {"render", "{R}", "--pdf", "{D}/hard.pdf"}, 1, kOutputIsReport},
      {"pdf_onto_page_index", bill, {"render", "{R}", "--pdf", "{D}/p_rptb02_case.cdx"}, 1, kOutputIsReport},
      {"png_page_links_to_dbf", linkedPngPage, {"render", "{R}", "--png", "{D}/png"}, 1, kOutputIsReport},
      // Margins the settings block cannot read back or the page cannot hold.
      {"margin_ten_digits_huge", bill, {"margins", "{R}", "--set", "9999999999", "0", "0", "0"}, 1, kMarginDigits},
      {"margin_ten_digits", bill, {"margins", "{R}", "--set", "1000000000", "0", "0", "0"}, 1, kMarginDigits},
      {"margin_top_off_page", bill, {"margins", "{R}", "--set", "150", "0", "0", "0"}, 1, kMarginTooBig},
      {"margin_height_just_over", bill, {"margins", "{R}", "--set", "75", "74", "0", "0"}, 1, kMarginTooBig},
      {"margin_width_just_over", bill, {"margins", "{R}", "--set", "0", "0", "53", "52"}, 1, kMarginTooBig},
      {"margin_at_the_limits", bill, {"margins", "{R}", "--set", "74", "74", "52", "52"}, 0, "74 74 52 52", false},
      {"margin_leading_zeros_echoed_as_stored",
       bill,
       {"margins", "{R}", "--set", "0000000010", "0", "0", "0"},
       0,
       "10 0 0 0",
       false},
      // A table shorter than its header promises is damaged; a partial extra
      // record or a missing end-of-file mark is not.
      {"records_cut_short_render", cutInsideRecords, {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, kDamaged},
      {"records_cut_short_find", cutInsideRecords, {"find", "{R}", "--column", "품명", "--text", "철근"}, 1, kDamaged},
      {"count_inflated_render", countInflated, {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, kDamaged},
      {"count_inflated_png", countInflated, {"render", "{R}", "--png", "{D}/png"}, 1, kDamaged},
      {"trailing_partial_record", trailingPartialRecord, {"render", "{R}", "--pdf", "{D}/x.pdf"}, 0, "2 pages"},
      {"no_end_of_file_mark", noEndOfFileMark, {"render", "{R}", "--pdf", "{D}/x.pdf"}, 0, "2 pages"},
      // Selection indexes far past the end cost no more than short ones.
      {"selection_index_past_the_end", withSettings(kHugeSelections), {"info", "{R}"}, 0, "Sort옵션: 코드순 정렬"},
      // A page number that is not a number: refused with a message.
      {"page_field_character", pageFieldTyped('C'), {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, "F_PAGE"},
      {"page_field_logical", pageFieldTyped('L'), {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, "F_PAGE"},
      {"page_field_date", pageFieldTyped('D'), {"find", "{R}", "--column", "품명", "--text", "철근"}, 1, "F_PAGE"},
      // A line whose page number cannot be read, or is below 1, is damage,
      // never a line left out in silence.
      {"page_number_nul_byte",
       pageNumberBytes(std::string("  \0 1", 5)),
       {"render", "{R}", "--pdf", "{D}/x.pdf"},
       1,
       "F_PAGE"},
      {"page_number_all_nul",
       pageNumberBytes(std::string(5, '\0')),
       {"render", "{R}", "--png", "{D}/png"},
       1,
       "F_PAGE"},
      {"page_number_letters", pageNumberBytes("ABCDE"), {"export", "{R}", "--csv", "{D}/x.csv"}, 1, "F_PAGE"},
      {"page_number_x_1", pageNumberBytes("  x 1"), {"export", "{R}", "--xlsx", "{D}/x.xlsx"}, 1, "F_PAGE"},
      {"page_number_negative", pageNumberBytes("   -1"), {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, "F_PAGE"},
      {"page_number_zero", pageNumberBytes("    0"), {"export", "{R}", "--csv", "{D}/x.csv"}, 1, "F_PAGE"},
      {"page_number_blank", pageNumberBytes("     "), {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, "F_PAGE"},
      // A header claiming millions of records of NUL bytes is refused at the first.
      // (20 GB of holes: the test does not read them back to compare.)
      {"sparse_nul_records_render", sparseNulRecords, {"render", "{R}", "--pdf", "{D}/x.pdf"}, 1, "F_PAGE", false},
      {"sparse_nul_records_export", sparseNulRecords, {"export", "{R}", "--csv", "{D}/x.csv"}, 1, "F_PAGE", false},
      // The memo by another case of its name is the memo: the engine opens
      // either spelling, and a file system may not tell them apart.
      {"csv_onto_memo_other_case", bill, {"export", "{R}", "--csv", "{D}/P_RPTB02_CASE.FPT"}, 1, kOutputIsReport},
      {"pdf_onto_memo_mixed_case", bill, {"render", "{R}", "--pdf", "{D}/p_rptb02_case.FpT"}, 1, kOutputIsReport},
      {"xlsx_onto_table_other_case", bill, {"export", "{R}", "--xlsx", "{D}/P_RPTB02_CASE.DBF"}, 1, kOutputIsReport},
      // A long CP949 value in an error: UTF-8, quoted short.
      {"long_korean_margin_token",
       withSettings(longPageSpace()),
       {"render", "{R}", "--pdf", "{D}/x.pdf"},
       1,
       "PAGESPACE"},
      // One file, one row.
      {"list_name_with_tab_and_newline", controlCharacterName, {"list", "{D}"}, 0, "P_RPTB02_A\\tB\\nC.dbf\t"},
  };
  return all;
}

class CorruptInput : public ::testing::TestWithParam<CorruptCase> {};

QStringList expand(const QStringList& args, const QString& report, const QString& dir) {
  QString memo = report;
  memo.replace(QRegularExpression(QStringLiteral("\\.dbf$")), QStringLiteral(".fpt"));
  QStringList out;
  for (QString a : args) out << a.replace("{R}", report).replace("{F}", memo).replace("{D}", dir);
  return out;
}

TEST_P(CorruptInput, RefusesOrRunsAndSaysWhy) {
  const CorruptCase& c = GetParam();
#ifdef _WIN32
  for (const char* posixOnly : {"pdf_symlink_to_dbf", "png_page_links_to_dbf", "list_name_with_tab_and_newline"})
    if (std::string(c.name) == posixOnly)
      GTEST_SKIP() << "needs a symbolic link or a file name with a tab or line break, which Windows does not make";
#endif
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string report = c.make(dir.path().toStdString());
  const std::string memo = report.substr(0, report.size() - 4) + ".fpt";
  const std::string dbfBefore = c.reportKept ? corrupt::fileBytes(report) : std::string();
  const std::string memoBefore = c.reportKept ? corrupt::fileBytes(memo) : std::string();

  const CliRun r = e2e::cli(expand(c.args, QString::fromStdString(report), dir.path()));
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString() << r.out.toStdString();
  EXPECT_TRUE((c.exitCode == 0 ? r.out : r.err).contains(QString::fromUtf8(c.says)))
      << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(e2e::isUtf8(r.errBytes));
  if (c.exitCode != 0) {
    EXPECT_FALSE(r.err.trimmed().isEmpty()) << "a refusal without a message";
    EXPECT_LT(r.errBytes.size(), kMaxMessageBytes) << r.err.toStdString();
  }
  if (c.reportKept) {
    EXPECT_EQ(corrupt::fileBytes(report), dbfBefore) << "the report was changed";
    EXPECT_EQ(corrupt::fileBytes(memo), memoBefore) << "the memo file was changed";
  }
  // No page index, no temporary output left beside the report.
  const QStringList left =
      QDir(dir.path()).entryList({"*.cdx", "*.CDX", "*.part*", "*.zelrpt-*"}, QDir::Files | QDir::Hidden);
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

TEST(CorruptInputList, EveryRowOfAListingHasItsFourCells) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file names hold no tab or line break";
#endif
  QTemporaryDir dir;
  controlCharacterName(dir.path().toStdString());
  bill(dir.path().toStdString());
  const CliRun r = e2e::cli({"list", dir.path()});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList rows = r.out.split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(rows.size(), 2) << r.out.toStdString();
  for (const QString& row : rows) EXPECT_EQ(row.split('\t').size(), 4) << row.toStdString();
}

// A header whose count is lower than the records the file holds prints what
// it counts (as the engine reads it) and says that lines are left out.
TEST(CorruptInputWarnings, ALoweredRecordCountRunsAndSaysLinesAreLeftOut) {
  QTemporaryDir dir;
  const QString report = QString::fromStdString(countLowered(dir.path().toStdString()));
  for (const QStringList& args : {QStringList{"render", report, "--pdf", dir.filePath("x.pdf")},
                                  QStringList{"export", report, "--csv", dir.filePath("x.csv")}}) {
    const CliRun r = e2e::cli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("경고")) && r.err.contains(QStringLiteral("3개")))
        << args.join(' ').toStdString() << ": " << r.err.toStdString();
  }
}

// File names that are not UTF-8 (a report named in CP949) are the bytes the
// file system holds, for the report and for the outputs alike. The names go
// through a shell's printf, so no text conversion touches them on the way.
TEST(CorruptInputNames, ACp949ReportNameAndOutputNameAreUsedAsTheyAre) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file names are UTF-16: a name's CP949 bytes are not kept as such";
#endif
  QTemporaryDir dir;
  const std::string name = "P_RPTB02_\xC7\xD1.dbf";  // 한 in CP949
  corrupt::writeBill(dir.path().toStdString(), name);
  const QString script = QStringLiteral(
      "cd \"$1\" && r=$(printf 'P_RPTB02_\\307\\321.dbf') && o=$(printf 'o\\307\\321') && "
      "\"$2\" info \"$r\" >/dev/null && \"$2\" render \"$r\" --pdf \"$o.pdf\" --png \"$o\" >/dev/null && "
      "\"$2\" export \"$r\" --csv \"$o.csv\" >/dev/null");
  const CliRun r = e2e::runProgram("sh", {"-c", script, "sh", dir.path(), e2e::cliPath()});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
    names.push_back(entry.path().filename().string());
  for (const std::string& wanted :
       {std::string("o\xC7\xD1.pdf"), std::string("o\xC7\xD1.csv"), std::string("o\xC7\xD1")})
    EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << "no file named " << wanted;
  EXPECT_TRUE(std::filesystem::exists(dir.path().toStdString() + "/o\xC7\xD1/P_RPTB02_\xC7\xD1-p0001.png"));
}

// A report path that is no report file says why, not "no such file" (a FIFO
// would also have blocked the open).
TEST(CorruptInputNames, AReportPathThatIsNoFileSaysWhatItIs) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("P_RPTB02_DIR.dbf");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString tooLong = dir.filePath(QString(5000, QChar('a')) + ".dbf");
  struct Case {
    QString path;
    const char* says;
  };
  std::vector<Case> cases{Case{folder, "폴더"}};
#ifndef _WIN32
  cases.push_back(Case{tooLong, "너무 깁니다"});  // Windows answers only that the path is not there
  const QString fifo = dir.filePath("P_RPTB02_FIFO.dbf");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  cases.push_back(Case{fifo, "파이프"});
  cases.push_back(Case{"/dev/zero", "장치"});
#endif
  for (const Case& c : cases) {
    for (const QString& command : {QStringLiteral("info"), QStringLiteral("render")}) {
      QStringList args{command, c.path};
      if (command == "render") args << "--pdf" << dir.filePath("x.pdf");
      const CliRun r = e2e::cli(args);
      EXPECT_EQ(r.exitCode, 1) << c.says;
      EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << c.says << ": " << r.err.toStdString();
    }
  }
#ifndef _WIN32
  const CliRun listed = e2e::cli({"list", fifo});
  EXPECT_EQ(listed.exitCode, 1);
  EXPECT_TRUE(listed.err.contains(QStringLiteral("폴더가 아닙니다"))) << listed.err.toStdString();
#endif
}

// Outputs that are not regular files: a device or a FIFO is written as a
// stream and stays what it is; a link is replaced, never written through.
class OddOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    report_ = QString::fromStdString(bill(dir_.path().toStdString()));
  }
  QString path(const QString& name) const { return dir_.filePath(name); }
#ifndef _WIN32
  static bool isCharDevice(const char* path) { struct stat st { };
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
  }
#endif

  QTemporaryDir dir_;
  QString report_;
};

#ifdef _WIN32
// NUL is Windows' device in every folder: written as a stream, no file made.
TEST_F(OddOutput, NulStaysTheSystemsDevice) {
  for (const QString& nul : {QStringLiteral("NUL"), path("nul.csv")}) {
    for (const QStringList& args :
         {QStringList{"export", report_, "--csv", nul}, QStringList{"export", report_, "--xlsx", nul},
          QStringList{"render", report_, "--pdf", nul}}) {
      const CliRun r = e2e::cli(args);
      EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << r.err.toStdString();
    }
  }
  // Nothing beside the report but its own files: no part, no file named NUL.
  QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  left.removeIf([](const QString& name) { return name.startsWith(QStringLiteral("P_RPTB02"), Qt::CaseInsensitive); });
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}
#else
TEST_F(OddOutput, DevNullStaysTheSystemsDevice) {
  for (const QStringList& args :
       {QStringList{"export", report_, "--csv", "/dev/null"}, QStringList{"export", report_, "--xlsx", "/dev/null"},
        QStringList{"render", report_, "--pdf", "/dev/null"}}) {
    const CliRun r = e2e::cli(args);
    EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << r.err.toStdString();
    ASSERT_TRUE(isCharDevice("/dev/null")) << "/dev/null was replaced by " << args.join(' ').toStdString();
  }
}
#endif

TEST_F(OddOutput, AFifoGetsTheWholeFileAndStaysAFifo) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
  const QString fifo = path("pipe.csv");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QProcess reader;
  reader.start("cat", {fifo});
  ASSERT_TRUE(reader.waitForStarted());
  const CliRun r = e2e::cli({"export", report_, "--csv", fifo});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  ASSERT_TRUE(reader.waitForFinished(60000));
  const QByteArray got = reader.readAllStandardOutput();
  EXPECT_TRUE(got.startsWith("\xEF\xBB\xBF")) << got.left(40).toStdString();
  EXPECT_TRUE(got.endsWith("\r\n"));
  struct stat st {};
  ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced by a file";
  // Its contents are the file's.
  const QString file = path("file.csv");
  ASSERT_EQ(e2e::cli({"export", report_, "--csv", file}).exitCode, 0);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(got, f.readAll());
#endif
}

TEST_F(OddOutput, ADirectoryAsTheOutputIsRefusedWithItsReason) {
  QDir(dir_.path()).mkdir("folder.csv");
  const CliRun r = e2e::cli({"export", report_, "--csv", path("folder.csv")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("폴더"))) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(path("folder.csv")).isDir());
}

TEST_F(OddOutput, APlantedPngLinkIsReplacedAndItsTargetKept) {
#ifdef _WIN32
  GTEST_SKIP() << "QFile::link makes a shortcut file on Windows, not a link the file system follows";
#endif
  QDir(dir_.path()).mkdir("png");
  const QString victim = path("victim.txt");
  {
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me\n");
  }
  ASSERT_TRUE(QFile::link(victim, path("png/P_RPTB02_CASE-p0002.png")));
  // A dangling link into the report's directory, named like the run's index.
  ASSERT_TRUE(QFile::link(path("p_rptb02_case.cdx"), path("png/P_RPTB02_CASE-p0001.png")));
  const CliRun r = e2e::cli({"render", report_, "--png", path("png")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("keep me\n"));
  for (const char* page : {"png/P_RPTB02_CASE-p0001.png", "png/P_RPTB02_CASE-p0002.png"}) {
    const QFileInfo png(path(QString::fromLatin1(page)));
    EXPECT_FALSE(png.isSymLink()) << page;
    EXPECT_TRUE(png.isFile()) << page;
    QFile image(png.filePath());
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    EXPECT_TRUE(image.read(4) == QByteArray("\x89PNG")) << page;
  }
  EXPECT_FALSE(QFile::exists(path("p_rptb02_case.cdx")));
}

TEST_F(OddOutput, APdfLinkToAnotherFileIsReplacedNotWrittenThrough) {
#ifdef _WIN32
  GTEST_SKIP() << "QFile::link makes a shortcut file on Windows, not a link the file system follows";
#endif
  const QString victim = path("victim.pdf");
  {
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me\n");
  }
  ASSERT_TRUE(QFile::link(victim, path("out.pdf")));
  const CliRun r = e2e::cli({"render", report_, "--pdf", path("out.pdf")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile f(victim);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("keep me\n"));
  EXPECT_FALSE(QFileInfo(path("out.pdf")).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Faults, CorruptInput, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
