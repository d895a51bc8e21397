// Test support: writes small report tables (.dbf + .fpt) through the report
// writer, so the shell's tests build exactly the files they need. The settings block
// and all texts are CP949 bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zel::testing {

struct TestReport {
  std::optional<std::string> settings;  // F_INIT of the first record; nullopt: no F_INIT field
  std::vector<std::optional<int>> pages = {1};  // F_PAGE of each record; nullopt: left blank
  bool withPageField = true;
};

// Writes directory/fileName. Returns false (with the writer's error in *error) on failure.
bool writeTestReport(const std::string& directory, const std::string& fileName, const TestReport& report,
                     std::string* error = nullptr);

// A fresh empty directory under the system's temporary directory.
std::string makeTempDirectory(const std::string& tag);

// The whole content of a file ("" when unreadable).
std::string readFileBytes(const std::string& path);

// The engine closes every area (tests that open tables outside ReportTable).
void closeAllTables();

}  // namespace zel::testing
