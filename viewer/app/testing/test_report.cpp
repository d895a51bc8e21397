#include "test_report.h"

#include "temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "report_writer.h"
#include "sde32.h"

namespace zel::testing {

bool writeTestReport(const std::string& directory, const std::string& fileName, const TestReport& report,
                     std::string* error) {
  reportwriter::ReportSpec spec;
  spec.fileName = fileName;
  if (report.settings) spec.fields.push_back({"F_INIT", 'M', 10, 0});
  if (report.withPageField) spec.fields.push_back({"F_PAGE", 'N', 5, 0});
  spec.fields.push_back({"F_DES", 'C', 40, 0});
  spec.rawSettings = report.settings;
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    reportwriter::Line line;
    if (report.withPageField && report.pages[i]) line.emplace_back("F_PAGE", std::to_string(*report.pages[i]));
    line.emplace_back("F_DES", "line " + std::to_string(i + 1));
    spec.lines.push_back(std::move(line));
  }
  const Status written = reportwriter::writeReport(directory, spec);
  if (!written && error) *error = written.message();
  return static_cast<bool>(written);
}

std::string makeTempDirectory(const std::string& tag) { return zel::makeTempDirectory("zelshell_" + tag); }

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void closeAllTables() { sx_CloseAll(); }

}  // namespace zel::testing
