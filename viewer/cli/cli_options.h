// The command line of zelrpt-cli: which command, on which file or directory,
// with which options. Parsing is separate from running so it can be tested
// without a report; it never touches the file system.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace zel::cli {

enum class CommandKind {
  kHelp,
  kVersion,
  kList,
  kInfo,
  kRender,
  kFind,
  kMargins,
  kPrint,
  kPrinters,
  kExport,
  kCompare
};

struct CliCommand {
  CommandKind kind = CommandKind::kHelp;
  std::string path;  // DIR for list, FILE for the others, empty for printers

  // render, and print (which takes render's range, numbering and copies)
  std::string pdfOut;  // empty: no PDF
  std::string pngDir;  // empty: no PNG pages
  bool hasPages = false;
  int pageFrom = 0, pageTo = 0;  // as given; clamped to the report later
  bool hasStartNo = false;
  long long startNo = 1;
  int copies = 1;
  int dpi = 80;
  bool progress = false;  // force the progress bar even when stderr is not a terminal

  // export (with --pages and --progress as render)
  std::string xlsxOut;  // empty: no XLSX file
  std::string csvOut;  // empty: no CSV file
  bool csvRaw = false;  // CSV texts without the formula guard's apostrophe
  bool withCodes = false;  // the item code and line kind columns

  // compare (--xlsx and --csv as export; path is the old report)
  std::string newPath;  // the new report
  bool changedOnly = false;

  // print
  std::string printer;  // empty: the default printer

  // find
  std::string column;  // UTF-8 title of the column
  std::string text;  // UTF-8 text to find
  int afterPage = 0;  // 0: from the first line

  // margins
  bool setMargins = false;
  std::array<std::string, 4> margins;  // top, bottom, left, right (digits)
};

// Parses argv[1..]. False with a one-line reason in error on a usage error.
bool parseCommandLine(const std::vector<std::string>& args, CliCommand& out, std::string& error);

// The help text (UTF-8).
std::string usageText();

}  // namespace zel::cli
