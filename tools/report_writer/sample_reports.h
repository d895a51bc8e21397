// Ready-made report files: a bill of quantities (portrait and landscape, any
// number of pages), a summary report, a report with an empty settings block,
// and a generated report of any size for benchmarks. Each builder returns a
// ReportSpec for writeReport; writeSampleSet writes the bundled sample folder.
#pragma once

#include <string>

#include "report_writer.h"

namespace zel::reportwriter {

inline constexpr int kPortraitLines = 35;  // body lines of a portrait page
inline constexpr int kLandscapeLines = 32;  // body lines of a landscape page

struct BillOptions {
  char orientation = 'P';  // 'P' portrait, 'L' landscape
  std::string fileName;  // empty: "<orientation>_RPTB02_SAMPLE.dbf"
  std::string rptCode = "RPTB02";
  int pages = 3;  // the last page is partly filled
  std::string pageSpace = "5|5|8|5|";
  std::string outline = "0";
  std::string ncut = "N";
};

int linesPerPage(char orientation);

// The settings block entries: every key the viewer reads, in the order the
// estimating program writes them.
SettingsEntries billSettings(const BillOptions& options);

// Body line index (0-based) of a bill: page, line type, item texts and amounts.
// Deterministic, so a line can be rebuilt from its index alone.
void billLine(long index, char orientation, Line& line);

// Lines in the bill built from options: pages full pages but the last, which
// holds 10 lines fewer (at least one).
long billLineCount(const BillOptions& options);

ReportSpec billOfQuantities(const BillOptions& options);
ReportSpec summaryReport();  // P_RPTB01_SUMMARY.dbf, one page
ReportSpec brokenReport();  // P_RPTB02_BROKEN.dbf, empty F_INIT
ReportSpec largeReport(long lines, char orientation = 'P');  // generated body

// The sample folder: P_RPTB02_SAMPLE (4 pages), L_RPTB02_SAMPLE (3 pages),
// P_RPTB01_SUMMARY, P_RPTB02_MARGIN (margins 10|10|15|10|), P_RPTB02_BROKEN.
Status writeSampleSet(const std::string& dir);

}  // namespace zel::reportwriter
