// Report writer: creates report files (.dbf + .fpt) the way the estimating
// program leaves them, through the sde32 engine. Tests, samples and benchmarks
// use it to make their input; nothing here is part of the viewer.
//
// A report is one table: the settings block goes into the memo F_INIT of the
// first record, and every record is one printed line carrying its page in
// F_PAGE. All texts are CP949 bytes. Single-threaded (the engine is).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "status.h"

namespace zel::reportwriter {

struct FieldDef {
  std::string name;
  char type = 'C';  // C, N, D, L, M
  int width = 10;
  int decimals = 0;
};

// One body line: field name -> value text. Absent fields stay blank; numeric
// fields take decimal text ("1234.5"); an empty text leaves the field blank.
using Line = std::vector<std::pair<std::string, std::string>>;

// Ordered key/value pairs of a settings block.
using SettingsEntries = std::vector<std::pair<std::string, std::string>>;

struct ReportSpec {
  std::string fileName;  // e.g. "P_RPTB02_SAMPLE.dbf"
  SettingsEntries settings;  // written in this order
  std::optional<std::string> rawSettings;  // when set, F_INIT holds exactly this
  std::vector<FieldDef> fields;  // empty: standardFields()
  std::vector<Line> lines;  // body lines, in record order
  // For large reports: called for index 0 .. generatedLines-1 after `lines`,
  // with `line` cleared before each call.
  long generatedLines = 0;
  std::function<void(long index, Line& line)> generate;
};

// The fields of the bill-of-quantities reports.
std::vector<FieldDef> standardFields();

// "<K>=♬V♬" entries joined by CR LF.
std::string buildSettingsBlock(const SettingsEntries& entries);

// Writes dir/spec.fileName (replacing any table of that name, and removing a
// stale index file beside it). A spec without lines still gets one record to
// hold F_INIT.
Status writeReport(const std::string& dir, const ReportSpec& spec);

}  // namespace zel::reportwriter
