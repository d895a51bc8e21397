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

// Sets a file's modification time to 2020-01-01 00:00:00 UTC plus seconds and
// milliseconds, to the system's full resolution (tests of changes within one
// second). False when the time cannot be set.
bool setModifiedTime(const std::string& path, long long seconds, int milliseconds);

// The engine closes every area (tests that open tables outside ReportTable).
void closeAllTables();

}  // namespace zel::testing
