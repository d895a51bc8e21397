#include "cli_options.h"

#include <gtest/gtest.h>

namespace zel::cli {
namespace {

CliCommand parse(std::vector<std::string> args) {
  CliCommand c;
  std::string error;
  EXPECT_TRUE(parseCommandLine(args, c, error)) << error;
  return c;
}

std::string refusal(std::vector<std::string> args) {
  CliCommand c;
  std::string error;
  EXPECT_FALSE(parseCommandLine(args, c, error));
  return error;
}

TEST(CliOptions, RenderWithEveryOption) {
  const CliCommand c = parse({"render", "r.dbf", "--pdf", "o.pdf", "--pages", "3-5", "--start-no", "10", "--copies",
                              "3", "--png", "dir", "--dpi", "150"});
  EXPECT_EQ(c.kind, CommandKind::kRender);
  EXPECT_EQ(c.path, "r.dbf");
  EXPECT_EQ(c.pdfOut, "o.pdf");
  EXPECT_EQ(c.pngDir, "dir");
  EXPECT_TRUE(c.hasPages);
  EXPECT_EQ(c.pageFrom, 3);
  EXPECT_EQ(c.pageTo, 5);
  EXPECT_TRUE(c.hasStartNo);
  EXPECT_EQ(c.startNo, 10);
  EXPECT_EQ(c.copies, 3);
  EXPECT_EQ(c.dpi, 150);
}

TEST(CliOptions, RenderDefaults) {
  const CliCommand c = parse({"render", "--pdf", "o.pdf", "r.dbf"});
  EXPECT_FALSE(c.hasPages);
  EXPECT_FALSE(c.hasStartNo);
  EXPECT_EQ(c.copies, 1);
  EXPECT_EQ(c.dpi, 80);
}

TEST(CliOptions, OnePageRangeAndReversedRangeParse) {
  CliCommand c = parse({"render", "r.dbf", "--pdf", "o.pdf", "--pages", "7"});
  EXPECT_EQ(c.pageFrom, 7);
  EXPECT_EQ(c.pageTo, 7);
  // A reversed range is the preview's business (its message), not a usage error.
  c = parse({"render", "r.dbf", "--pdf", "o.pdf", "--pages", "5-3"});
  EXPECT_EQ(c.pageFrom, 5);
  EXPECT_EQ(c.pageTo, 3);
}

TEST(CliOptions, BadNumbersAreUsageErrors) {
  for (const char* pages : {"0-3", "1-1000000", "a-b", "3-", "-3", "", "1-2-3", "99999999999999999999"}) {
    EXPECT_FALSE(refusal({"render", "r.dbf", "--pdf", "o.pdf", "--pages", pages}).empty()) << pages;
  }
  EXPECT_FALSE(refusal({"render", "r.dbf", "--pdf", "o.pdf", "--copies", "0"}).empty());
  EXPECT_FALSE(refusal({"render", "r.dbf", "--pdf", "o.pdf", "--copies", "100"}).empty());
  EXPECT_FALSE(refusal({"render", "r.dbf", "--png", "d", "--dpi", "5"}).empty());
  EXPECT_FALSE(refusal({"render", "r.dbf", "--pdf", "o.pdf", "--start-no", "-1"}).empty());
  EXPECT_FALSE(refusal({"render", "r.dbf", "--pdf"}).empty());
}

TEST(CliOptions, MissingPiecesAreUsageErrors) {
  EXPECT_FALSE(refusal({}).empty());
  EXPECT_FALSE(refusal({"frobnicate"}).empty());
  EXPECT_FALSE(refusal({"list"}).empty());
  EXPECT_FALSE(refusal({"render", "r.dbf"}).empty());
  EXPECT_FALSE(refusal({"find", "r.dbf", "--column", "x"}).empty());
  EXPECT_FALSE(refusal({"info", "a.dbf", "b.dbf"}).empty());
  EXPECT_FALSE(refusal({"info", "a.dbf", "--pdf", "x"}).empty());  // option of another command
}

// An output given twice would write one of them and drop the other in silence.
TEST(CliOptions, AnOutputGivenTwiceIsAUsageError) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"render", "r.dbf", "--pdf", "a.pdf", "--pdf", "b.pdf"},
                                             {"render", "r.dbf", "--pdf", "a.pdf", "--pdf", "a.pdf"},
                                             {"render", "r.dbf", "--png", "a", "--png", "b"},
                                             {"export", "r.dbf", "--csv", "a.csv", "--csv", "b.csv"},
                                             {"export", "r.dbf", "--xlsx", "a.xlsx", "--xlsx", "b.xlsx"}}) {
    EXPECT_FALSE(refusal(args).empty()) << args[2] << " " << args[4];
  }
  // One of each kind is fine.
  EXPECT_EQ(parse({"export", "r.dbf", "--csv", "a.csv", "--xlsx", "a.xlsx"}).csvOut, "a.csv");
  EXPECT_EQ(parse({"render", "r.dbf", "--pdf", "a.pdf", "--png", "d"}).pngDir, "d");
}

TEST(CliOptions, FindAndMargins) {
  CliCommand c = parse({"find", "r.dbf", "--column", "품명", "--text", "철근", "--after-page", "2"});
  EXPECT_EQ(c.kind, CommandKind::kFind);
  EXPECT_EQ(c.column, "품명");
  EXPECT_EQ(c.text, "철근");
  EXPECT_EQ(c.afterPage, 2);
  // An empty search text is the find logic's business (it finds nothing).
  c = parse({"find", "r.dbf", "--column", "x", "--text", ""});
  EXPECT_EQ(c.text, "");

  c = parse({"margins", "r.dbf"});
  EXPECT_FALSE(c.setMargins);
  c = parse({"margins", "r.dbf", "--set", "10", "10", "15", "10"});
  EXPECT_TRUE(c.setMargins);
  EXPECT_EQ(c.margins[2], "15");
  EXPECT_FALSE(refusal({"margins", "r.dbf", "--set", "10", "10", "15"}).empty());
  EXPECT_FALSE(refusal({"margins", "r.dbf", "--set", "10", "-1", "15", "10"}).empty());
  EXPECT_FALSE(refusal({"margins", "r.dbf", "--set", "1,000", "1", "1", "1"}).empty());
}

// Help and version need no path, in any position a user types them.
TEST(CliOptions, HelpAndVersionParseWithoutAPath) {
  struct Case {
    std::vector<std::string> args;
    CommandKind kind;
  } cases[] = {
      {{"--help"}, CommandKind::kHelp},
      {{"-h"}, CommandKind::kHelp},
      {{"help"}, CommandKind::kHelp},
      {{"render", "--help"}, CommandKind::kHelp},
      {{"render", "r.dbf", "--pdf", "o.pdf", "-h"}, CommandKind::kHelp},
      {{"export", "-h"}, CommandKind::kHelp},
      {{"printers", "--help"}, CommandKind::kHelp},
      {{"--version"}, CommandKind::kVersion},
      // A value that looks like help is the value.
      {{"find", "r.dbf", "--column", "c", "--text", "-h"}, CommandKind::kFind},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.args).kind, c.kind) << c.args.back();
  EXPECT_NE(usageText().find("render FILE --pdf"), std::string::npos);
  EXPECT_NE(usageText().find("--version"), std::string::npos);
}

TEST(CliOptions, PrintTakesRendersJobOptionsAndAPrinter) {
  const CliCommand c = parse(
      {"print", "r.dbf", "--printer", "Office", "--pages", "3-5", "--start-no", "10", "--copies", "2", "--progress"});
  EXPECT_EQ(c.kind, CommandKind::kPrint);
  EXPECT_EQ(c.path, "r.dbf");
  EXPECT_EQ(c.printer, "Office");
  EXPECT_EQ(c.pageFrom, 3);
  EXPECT_EQ(c.pageTo, 5);
  EXPECT_EQ(c.startNo, 10);
  EXPECT_EQ(c.copies, 2);
  EXPECT_TRUE(c.progress);
  const CliCommand plain = parse({"print", "r.dbf"});
  EXPECT_EQ(plain.kind, CommandKind::kPrint);
  EXPECT_TRUE(plain.printer.empty());  // the default printer
  EXPECT_FALSE(plain.hasPages);
  EXPECT_EQ(parse({"printers"}).kind, CommandKind::kPrinters);
}

TEST(CliOptions, PrintAndPrintersRefusals) {
  const std::vector<std::vector<std::string>> refused = {
      {"print"},  // no report
      {"print", "r.dbf", "--printer"},  // no name
      {"print", "r.dbf", "--printer", ""},  // empty name
      {"print", "r.dbf", "--pdf", "o.pdf"},  // render's outputs are not print's
      {"print", "r.dbf", "--png", "dir"},
      {"print", "r.dbf", "--dpi", "100"},
      {"print", "r.dbf", "--copies", "100"},  // render's limits hold
      {"print", "r.dbf", "--pages", "0-3"},
      {"print", "r.dbf", "--column", "x"},
      {"render", "r.dbf", "--pdf", "o.pdf", "--printer", "Office"},  // render has no printer
      {"printers", "extra"},
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    EXPECT_FALSE(refusal(args).empty()) << joined;
  }
  EXPECT_EQ(refusal({"print", "r.dbf", "--pdf", "o.pdf"}), "unknown option for print: --pdf");
  EXPECT_NE(usageText().find("print FILE [--printer NAME]"), std::string::npos);
  EXPECT_NE(usageText().find("printers"), std::string::npos);
}

TEST(CliOptions, ExportTakesItsFilesAndRendersRange) {
  const CliCommand c = parse({"export", "r.dbf", "--xlsx", "o.xlsx", "--csv", "o.csv", "--pages", "2-4", "--progress"});
  EXPECT_EQ(c.kind, CommandKind::kExport);
  EXPECT_EQ(c.path, "r.dbf");
  EXPECT_EQ(c.xlsxOut, "o.xlsx");
  EXPECT_EQ(c.csvOut, "o.csv");
  EXPECT_TRUE(c.hasPages);
  EXPECT_EQ(c.pageFrom, 2);
  EXPECT_EQ(c.pageTo, 4);
  EXPECT_TRUE(c.progress);
  EXPECT_EQ(parse({"export", "r.dbf", "--csv", "o.csv"}).xlsxOut, "");
  const std::vector<std::vector<std::string>> refused = {
      {"export", "r.dbf"},  // no output
      {"export", "--xlsx", "o.xlsx"},  // no report
      {"export", "r.dbf", "--xlsx"},
      {"export", "r.dbf", "--csv", ""},
      {"export", "r.dbf", "--pdf", "o.pdf"},  // render's outputs are not export's
      {"export", "r.dbf", "--xlsx", "o.xlsx", "--copies", "2"},
      {"render", "r.dbf", "--xlsx", "o.xlsx"},
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    EXPECT_FALSE(refusal(args).empty()) << joined;
  }
  EXPECT_NE(usageText().find("export FILE --xlsx OUT.xlsx"), std::string::npos);
}

TEST(CliOptions, ExportSwitchesAreOffUnlessGiven) {
  const CliCommand plain = parse({"export", "r.dbf", "--csv", "o.csv"});
  EXPECT_FALSE(plain.csvRaw);
  EXPECT_FALSE(plain.withCodes);
  const CliCommand both = parse({"export", "r.dbf", "--with-codes", "--csv", "o.csv", "--csv-raw"});
  EXPECT_TRUE(both.csvRaw);
  EXPECT_TRUE(both.withCodes);
  EXPECT_TRUE(parse({"export", "r.dbf", "--xlsx", "o.xlsx", "--with-codes"}).withCodes);
  EXPECT_EQ(refusal({"export", "r.dbf", "--xlsx", "o.xlsx", "--csv-raw"}), "--csv-raw needs --csv OUT.csv");
  EXPECT_EQ(refusal({"render", "r.dbf", "--pdf", "o.pdf", "--with-codes"}), "unknown option for render: --with-codes");
  EXPECT_NE(usageText().find("--csv-raw"), std::string::npos);
}

TEST(CliOptions, CompareTakesTwoReportsAndItsOutputs) {
  CliCommand c = parse({"compare", "old.dbf", "new.dbf"});
  EXPECT_EQ(c.kind, CommandKind::kCompare);
  EXPECT_EQ(c.path, "old.dbf");
  EXPECT_EQ(c.newPath, "new.dbf");
  EXPECT_FALSE(c.changedOnly);
  EXPECT_EQ(c.xlsxOut, "");
  c = parse({"compare", "--changed-only", "old.dbf", "--xlsx", "c.xlsx", "new.dbf", "--csv", "c.csv"});
  EXPECT_EQ(c.path, "old.dbf");
  EXPECT_EQ(c.newPath, "new.dbf");
  EXPECT_TRUE(c.changedOnly);
  EXPECT_EQ(c.xlsxOut, "c.xlsx");
  EXPECT_EQ(c.csvOut, "c.csv");
  EXPECT_EQ(parse({"compare", "old.dbf", "--help"}).kind, CommandKind::kHelp);
  const std::vector<std::vector<std::string>> refused = {
      {"compare"},
      {"compare", "old.dbf"},
      {"compare", "old.dbf", "new.dbf", "third.dbf"},
      {"compare", "old.dbf", "new.dbf", "--xlsx"},
      {"compare", "old.dbf", "new.dbf", "--pages", "1-2"},  // the whole reports only
      {"compare", "old.dbf", "new.dbf", "--pdf", "o.pdf"},
      {"export", "r.dbf", "--xlsx", "o.xlsx", "--changed-only"},
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    EXPECT_FALSE(refusal(args).empty()) << joined;
  }
  EXPECT_EQ(refusal({"compare", "old.dbf"}), "compare needs OLD.dbf and NEW.dbf");
  EXPECT_NE(usageText().find("compare OLD.dbf NEW.dbf"), std::string::npos);
}

}  // namespace
}  // namespace zel::cli
