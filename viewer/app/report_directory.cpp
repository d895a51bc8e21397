#include "report_directory.h"

#include <filesystem>
#include <system_error>

#include "ini_file.h"

namespace zel {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The file-system root keeps its separator: without it, it would read as empty.
// A drive root ("C:\") does lose it and still names the drive.
bool isRoot(const std::string& dir) { return dir.size() == 1 && isSeparator(dir[0]); }

}  // namespace

std::string programDirectoryOf(const std::string& programPath) {
  std::string::size_type slash = programPath.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  std::string dir = programPath.substr(0, slash);
  if (dir.empty()) return programPath.substr(0, 1);
  if (dir.size() == 2 && dir[1] == ':') return programPath.substr(0, 3);
  return dir;
}

std::string infoIniPath(const std::string& programDirectory) {
  if (!programDirectory.empty() && isSeparator(programDirectory.back())) return programDirectory + kInfoIniName;
  return programDirectory + "/" + kInfoIniName;
}

std::string restoreReportDirectory(const std::string& programDirectory) {
  std::string dir = iniRead(infoIniPath(programDirectory), kInfoSection, kDirKey, "");
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) {
    saveReportDirectory(programDirectory, programDirectory);
    return programDirectory;
  }
  return dir;
}

bool saveReportDirectory(const std::string& programDirectory, const std::string& directory) {
  return iniWrite(infoIniPath(programDirectory), kInfoSection, kDirKey, directory);
}

std::string trimChosenDirectory(const std::string& directory) {
  if (directory.empty() || isRoot(directory) || !isSeparator(directory.back())) return directory;
  return directory.substr(0, directory.size() - 1);
}

}  // namespace zel
