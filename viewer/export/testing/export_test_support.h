// Test support for the export: a layout built from settings entries, and
// the recording of the lines an export yields.
#pragma once

#include <string>
#include <vector>

#include "export_lines.h"
#include "report_layout.h"
#include "settings_builder.h"

namespace zel::testing {

inline TReportLayout LayoutFrom(const SettingsBuilder& settings, const std::string& base = "P_RPTB02") {
  TReportLayout layout;
  layout.ReportBase = base;
  layout.SettingsText = settings.text();
  ParseLayout(layout);
  ApplyPageGeometry(layout);
  return layout;
}

class CollectingSink : public ExportSink {
 public:
  std::vector<ExportLine> lines;
  void line(const ExportLine& l) override { lines.push_back(l); }
};

}  // namespace zel::testing
