#include "test_report.h"

#include "temp_dir.h"

#include <stdlib.h>

#ifdef _WIN32
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <sys/stat.h>
#endif

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

bool setModifiedTime(const std::string& path, long long seconds, int milliseconds) {
  constexpr long long k2020 = 1577836800;
#ifdef _WIN32
  // 100-nanosecond steps since 1601, set through a handle: the C library's
  // utime there keeps whole seconds.
  const ULONGLONG steps =
      (static_cast<ULONGLONG>(k2020 + seconds) + 11644473600ULL) * 10000000ULL + milliseconds * 10000ULL;
  const FILETIME time{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
  const HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool set = ::SetFileTime(h, nullptr, nullptr, &time) != 0;
  ::CloseHandle(h);
  return set;
#else
  const timespec times[2] = {{static_cast<time_t>(k2020 + seconds), milliseconds * 1000000L},
                             {static_cast<time_t>(k2020 + seconds), milliseconds * 1000000L}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

void closeAllTables() { sx_CloseAll(); }

}  // namespace zel::testing
