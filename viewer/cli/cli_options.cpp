#include "cli_options.h"

#include <charconv>

namespace zel::cli {
namespace {

constexpr int kMaxPageField = 999999;  // a page number of six digits; the run clamps to the report's pages
constexpr int kMaxCopies = 99;
constexpr int kMinDpi = 10, kMaxDpi = 1200;
constexpr long long kMaxNumberField = 999999999999LL;
constexpr long long kMaxAfterPage = 999999;

bool parseInt(const std::string& text, long long min, long long max, long long& out) {
  if (text.empty()) return false;
  long long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < min || value > max) return false;
  out = value;
  return true;
}

bool isDigits(const std::string& text) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "A-B" or "A".
bool parsePages(const std::string& text, int& from, int& to) {
  const auto dash = text.find('-');
  long long a = 0, b = 0;
  if (dash == std::string::npos) {
    if (!parseInt(text, 1, kMaxPageField, a)) return false;
    b = a;
  } else if (!parseInt(text.substr(0, dash), 1, kMaxPageField, a) ||
             !parseInt(text.substr(dash + 1), 1, kMaxPageField, b)) {
    return false;
  }
  from = static_cast<int>(a);
  to = static_cast<int>(b);
  return true;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& args, CliCommand& out, std::string& error) {
  out = CliCommand{};
  if (args.empty()) {
    error = "no command given";
    return false;
  }
  const std::string& name = args[0];
  bool printCommand = false;
  auto isHelp = [](const std::string& arg) { return arg == "--help" || arg == "-h"; };
  if (name == "help" || isHelp(name)) {
    out.kind = CommandKind::kHelp;
    return true;
  }
  if (name == "--version") {
    out.kind = CommandKind::kVersion;
    return true;
  }
  if (name == "list") {
    out.kind = CommandKind::kList;
  } else if (name == "info") {
    out.kind = CommandKind::kInfo;
  } else if (name == "render") {
    out.kind = CommandKind::kRender;
  } else if (name == "find") {
    out.kind = CommandKind::kFind;
  } else if (name == "export") {
    out.kind = CommandKind::kExport;
  } else if (name == "compare") {
    out.kind = CommandKind::kCompare;
  } else if (name == "margins") {
    out.kind = CommandKind::kMargins;
  } else if (name == "print") {
    // Parsed as render, so the job options stay one set; becomes kPrint below.
    out.kind = CommandKind::kRender;
    printCommand = true;
  } else if (name == "printers") {
    out.kind = args.size() > 1 && isHelp(args[1]) ? CommandKind::kHelp : CommandKind::kPrinters;
    if (args.size() > 1 && out.kind != CommandKind::kHelp) return (error = "printers takes no arguments"), false;
    return true;
  } else {
    error = "unknown command: " + name;
    return false;
  }

  bool havePath = false;
  bool haveColumn = false, haveText = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    // "COMMAND --help" asks for the usage; an option's value ("--text -h") was taken above.
    if (isHelp(arg)) {
      out = CliCommand{};
      out.kind = CommandKind::kHelp;
      return true;
    }
    std::string v;
    long long n = 0;
    // A whole number from min to max into n; `wants` is the error otherwise.
    auto number = [&](long long min, long long max, const char* wants) {
      if (!value(v)) return false;
      if (!parseInt(v, min, max, n)) {
        error = wants;
        return false;
      }
      return true;
    };
    if (printCommand && arg == "--printer") {
      if (!value(out.printer)) return false;
      if (out.printer.empty()) return (error = "--printer needs a printer name"), false;
    } else if (printCommand && (arg == "--pdf" || arg == "--png" || arg == "--dpi")) {
      return (error = "unknown option for print: " + arg), false;
    } else if (out.kind == CommandKind::kRender && arg == "--pdf") {
      // An output given twice would keep one of them in silence.
      if (!out.pdfOut.empty()) return (error = "--pdf given twice"), false;
      if (!value(out.pdfOut)) return false;
      if (out.pdfOut.empty()) return (error = "--pdf needs a file name"), false;
    } else if (out.kind == CommandKind::kRender && arg == "--png") {
      if (!out.pngDir.empty()) return (error = "--png given twice"), false;
      if (!value(out.pngDir)) return false;
      if (out.pngDir.empty()) return (error = "--png needs a directory"), false;
    } else if ((out.kind == CommandKind::kExport || out.kind == CommandKind::kCompare) &&
               (arg == "--xlsx" || arg == "--csv")) {
      std::string& into = arg == "--xlsx" ? out.xlsxOut : out.csvOut;
      if (!into.empty()) return (error = arg + " given twice"), false;
      if (!value(into)) return false;
      if (into.empty()) return (error = arg + " needs a file name"), false;
    } else if (out.kind == CommandKind::kExport && arg == "--csv-raw") {
      out.csvRaw = true;
    } else if (out.kind == CommandKind::kExport && arg == "--with-codes") {
      out.withCodes = true;
    } else if ((out.kind == CommandKind::kRender || out.kind == CommandKind::kExport) && arg == "--pages") {
      if (!value(v)) return false;
      if (!parsePages(v, out.pageFrom, out.pageTo)) return (error = "--pages wants A-B with pages 1 to 999999"), false;
      out.hasPages = true;
    } else if (out.kind == CommandKind::kRender && arg == "--start-no") {
      if (!number(0, kMaxNumberField, "--start-no wants a number from 0")) return false;
      out.startNo = n;
      out.hasStartNo = true;
    } else if (out.kind == CommandKind::kRender && arg == "--copies") {
      if (!number(1, kMaxCopies, "--copies wants 1 to 99")) return false;
      out.copies = static_cast<int>(n);
    } else if (out.kind == CommandKind::kRender && arg == "--dpi") {
      if (!number(kMinDpi, kMaxDpi, "--dpi wants 10 to 1200")) return false;
      out.dpi = static_cast<int>(n);
    } else if ((out.kind == CommandKind::kRender || out.kind == CommandKind::kExport) && arg == "--progress") {
      out.progress = true;
    } else if (out.kind == CommandKind::kFind && arg == "--column") {
      if (!value(out.column)) return false;
      haveColumn = true;
    } else if (out.kind == CommandKind::kFind && arg == "--text") {
      if (!value(out.text)) return false;
      haveText = true;
    } else if (out.kind == CommandKind::kFind && arg == "--after-page") {
      if (!number(0, kMaxAfterPage, "--after-page wants a page number")) return false;
      out.afterPage = static_cast<int>(n);
    } else if (out.kind == CommandKind::kMargins && arg == "--set") {
      if (i + 4 >= args.size()) return (error = "--set needs TOP BOTTOM LEFT RIGHT"), false;
      for (int k = 0; k < 4; ++k) {
        out.margins[k] = args[++i];
        if (!isDigits(out.margins[k])) return (error = "margins are whole numbers of 2 mm: " + out.margins[k]), false;
      }
      out.setMargins = true;
    } else if (out.kind == CommandKind::kCompare && arg == "--changed-only") {
      out.changedOnly = true;
    } else if (!arg.empty() && arg[0] == '-' && arg.size() > 1) {
      error = "unknown option for " + name + ": " + arg;
      return false;
    } else if (!havePath) {
      out.path = arg;
      havePath = true;
    } else if (out.kind == CommandKind::kCompare && out.newPath.empty() && !arg.empty()) {
      out.newPath = arg;
    } else {
      error = "unexpected argument: " + arg;
      return false;
    }
  }
  if (printCommand) out.kind = CommandKind::kPrint;
  if (out.kind == CommandKind::kCompare && (!havePath || out.path.empty() || out.newPath.empty())) {
    error = "compare needs OLD.dbf and NEW.dbf";
    return false;
  }
  if (!havePath || out.path.empty()) {
    error = name + (out.kind == CommandKind::kList ? " needs a directory" : " needs a report file");
    return false;
  }
  if (out.kind == CommandKind::kRender && out.pdfOut.empty() && out.pngDir.empty()) {
    error = "render needs --pdf OUT.pdf or --png DIR";
    return false;
  }
  if (out.kind == CommandKind::kExport && out.xlsxOut.empty() && out.csvOut.empty()) {
    error = "export needs --xlsx OUT.xlsx or --csv OUT.csv";
    return false;
  }
  if (out.kind == CommandKind::kExport && out.csvRaw && out.csvOut.empty()) {
    error = "--csv-raw needs --csv OUT.csv";
    return false;
  }
  if (out.kind == CommandKind::kFind && (!haveColumn || !haveText)) {
    error = "find needs --column TITLE and --text T";
    return false;
  }
  return true;
}

std::string usageText() {
  return "usage: zelrpt-cli COMMAND ...\n"
         "\n"
         "  list DIR                      the report files of DIR: name, title, size, date\n"
         "  info FILE                     the description of a report (its print settings)\n"
         "  render FILE --pdf OUT.pdf [--pages A-B] [--start-no N] [--copies N]\n"
         "                                print the pages to a PDF file (the print path)\n"
         "  render FILE --png DIR [--pages A-B] [--dpi D]\n"
         "                                one PNG per page (the preview path; 80 dpi by default)\n"
         "  print FILE [--printer NAME] [--pages A-B] [--start-no N] [--copies N]\n"
         "                                print the pages on a printer (the default one unless named)\n"
         "                                and show the print job's id\n"
         "  printers                      the printers (print queues); the default one is marked\n"
         "  find FILE --column TITLE --text T [--after-page P]\n"
         "                                the page of the first line whose column holds T\n"
         "  margins FILE [--set TOP BOTTOM LEFT RIGHT]\n"
         "                                print or change the margins (units of 2 mm)\n"
         "  export FILE --xlsx OUT.xlsx [--csv OUT.csv] [--pages A-B] [--with-codes] [--csv-raw]\n"
         "  export FILE --csv OUT.csv [--pages A-B] [--with-codes] [--csv-raw]\n"
         "                                the report's lines as a spreadsheet: XLSX (typed cells,\n"
         "                                captions, bold subtotals, printed page by page like the\n"
         "                                report) or CSV (UTF-8; a text that begins with = + - @,\n"
         "                                a tab or CR gets a leading ' unless --csv-raw);\n"
         "                                --with-codes adds the item code and line kind (F_CODE,\n"
         "                                F_TYPE) after the Page column\n"
         "  compare OLD.dbf NEW.dbf [--xlsx OUT.xlsx] [--csv OUT.csv] [--changed-only]\n"
         "                                what changed between two versions of a report: a summary\n"
         "                                (lines matched, changed, added, removed; totals of the\n"
         "                                amount columns) and the comparison table as XLSX or CSV\n"
         "  --help, -h, COMMAND --help    this text\n"
         "  --version                     the program's version\n"
         "\n"
         "Ctrl+C (or SIGTERM, SIGHUP) during render or print stops at a page boundary\n"
         "and keeps the pages done.\n"
         "Ctrl+C during export or compare stops it and leaves no file.\n"
         "list writes control characters and backslashes in file names as \\t, \\n, \\xHH, \\\\.\n"
         "Exit status: 0 done, 1 refused or failed, 2 usage error, 130/143/129 interrupted\n"
         "(SIGINT/SIGTERM/SIGHUP).\n";
}

}  // namespace zel::cli
