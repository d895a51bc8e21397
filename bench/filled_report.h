// A fully filled bill for the speed benchmarks: every one of the 35 lines of
// a portrait page carries ink. Nine lines in ten are priced items (a Korean
// name and size of 6 to 12 syllables, a unit, a quantity, four unit prices
// and four amounts with decimals, 7 to 16 characters each once formatted,
// and a remark on one line in five); every tenth line is a subtotal.
//
// Names, sizes and numbers come from a seeded generator, so the same index
// always gives the same line and two runs write the same file. Written
// through the project's report writer; single-threaded like it.
#pragma once

#include <string>

#include "report_writer.h"

namespace zel::bench {

inline constexpr char kFilledReportName[] = "P_RPTB02_FILLED.dbf";

// The report of the given number of body lines (35 a page).
reportwriter::ReportSpec filledReport(long lines);

// Writes dir/kFilledReportName unless a report of that many lines is there
// already (a marker file beside it keeps the count). False and a message on
// stderr when it cannot be written.
bool ensureFilledReport(const std::string& dir, long lines);

}  // namespace zel::bench
