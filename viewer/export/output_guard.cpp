#include "output_guard.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "report_table.h"
#include "ascii_text.h"

namespace zel {
namespace fs = std::filesystem;

namespace {

// The files a run reads or writes beside the report, spelt as they exist.
// The runner names the index after the text before the first dot, the engine
// the memo after the text before the last; both are looked at.
std::string runnerBase(const fs::path& report) {
  const std::string name = report.filename().string();
  return name.substr(0, name.find('.'));
}

std::vector<fs::path> reportFiles(const fs::path& report) {
  const std::string dir = report.parent_path().string();
  std::vector<fs::path> files{ResolvePath(dir, report.filename().string())};
  for (const std::string& stem : {report.stem().string(), runnerBase(report)})
    for (const char* ext : {".FPT", ".DBT", ".CDX"}) files.emplace_back(ResolvePath(dir, stem + ext));
  return files;
}

}  // namespace

std::string ReportFileReplacedBy(const std::string& reportPath, const std::string& output) {
  std::error_code ec;
  const fs::path report = fs::absolute(reportPath, ec);
  const fs::path out = fs::absolute(output, ec);
  std::error_code dirs;
  const bool besideReport = fs::equivalent(out.parent_path(), report.parent_path(), dirs) && !dirs;
  // Only an existing file can be one of the report's (cheap for many pages).
  if (!fs::exists(out, ec) && !besideReport) return {};
  for (const fs::path& file : reportFiles(report)) {
    std::error_code same;
    if (fs::equivalent(out, file, same) && !same) return file.string();
  }
  // Beside the report, a name that differs from one of the report's files
  // only by case is refused whether or not it exists: the engine finds the
  // memo whatever its case (the spelling that exists first), so a memo-named
  // output would become the memo of the next run, and on a file system that
  // ignores case it is the memo. The page index is made and removed by the
  // run itself; an output by its name would be deleted by the next run.
  if (besideReport) {
    const std::string name = asciiUpper(out.filename().string());
    if (name == asciiUpper(report.filename().string())) return out.string();
    for (const std::string& stem : {report.stem().string(), runnerBase(report)})
      for (const char* ext : {".FPT", ".DBT", ".CDX"})
        if (name == asciiUpper(stem + ext)) return out.string();
  }
  return {};
}

std::string OutputIsReportText(const std::string& output, const std::string& reportFile) {
  return output + "\r출력 파일이 보고서 파일(" + reportFile + ")과 같습니다. 보고서를 지키기 위해 쓰지 않습니다.";
}

}  // namespace zel
