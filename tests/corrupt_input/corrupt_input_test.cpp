// The corrupt-input regression set, run through zelrpt-cli: each row is the
// smallest damaged report (or dangerous argument) for one fault found by
// trying bad input, with what the program must do about it. Every refusal
// says why, in valid UTF-8 and without dumping the settings block; a refused
// command leaves the report's files as they were.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QRegularExpression>
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
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string report = c.make(dir.path().toStdString());
  const std::string memo = report.substr(0, report.size() - 4) + ".fpt";
  const std::string dbfBefore = corrupt::fileBytes(report), memoBefore = corrupt::fileBytes(memo);

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
  const QStringList left = QDir(dir.path()).entryList({"*.cdx", "*.CDX", "*.part*"}, QDir::Files);
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

TEST(CorruptInputList, EveryRowOfAListingHasItsFourCells) {
  QTemporaryDir dir;
  controlCharacterName(dir.path().toStdString());
  bill(dir.path().toStdString());
  const CliRun r = e2e::cli({"list", dir.path()});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList rows = r.out.split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(rows.size(), 2) << r.out.toStdString();
  for (const QString& row : rows) EXPECT_EQ(row.split('\t').size(), 4) << row.toStdString();
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
