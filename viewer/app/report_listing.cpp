#include "report_listing.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "ascii_text.h"
#include "report_description.h"

namespace zel {

namespace {

// The text after the first ".", or the whole name when there is none.
std::string extensionOf(const std::string& name) {
  std::string::size_type dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

}  // namespace

std::vector<DirectoryEntry> enumerateDirectory(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  std::error_code ec;
  std::filesystem::directory_iterator it(directory, ec);
  if (ec) return entries;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    DirectoryEntry entry;
    entry.name = it->path().filename().string();
    struct stat st {};
    if (::stat(it->path().string().c_str(), &st) == 0) {
      entry.isDirectory = S_ISDIR(st.st_mode);
      entry.size = entry.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
      entry.lastWrite = st.st_mtime;
    } else {
      // A dangling link still shows in the platform's enumeration, as an empty file.
      entry.isDirectory = false;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool matchesDbfPattern(const std::string& name) {
  return name.size() >= 4 && asciiUpper(name.substr(name.size() - 4)) == ".DBF";
}

bool isListedReportName(const std::string& name) { return name.size() >= 6 && name.compare(1, 7, "_RPTB02") == 0; }

int countReportFiles(const std::string& directory) {
  int count = 0;
  for (const DirectoryEntry& entry : enumerateDirectory(directory)) {
    if (entry.isDirectory) continue;
    std::string ext = asciiUpper(extensionOf(entry.name));
    if (ext == "XLS") {
      ++count;
    } else if (ext == "DBF" && entry.name.size() >= 5 && entry.name.compare(1, 4, "_RPT") == 0) {
      ++count;
    }
  }
  return count;
}

std::vector<ReportFileRow> listReportFiles(const std::string& directory) {
  std::vector<ReportFileRow> rows;
  for (const DirectoryEntry& entry : enumerateDirectory(directory)) {
    if (entry.isDirectory || !matchesDbfPattern(entry.name) || !isListedReportName(entry.name)) continue;
    ReportFileRow row;
    row.name = entry.name;
    row.title = reportTitleOf(entry.name.substr(2, 6));
    row.size = entry.size;
    row.lastWrite = entry.lastWrite;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string listingCaption(const std::string& directory, int fileCount) {
  return "ZEL-C 보고서 Viewer  [ " + directory + " ](총" + std::to_string(fileCount) + "개 파일)";
}

std::string listingStatusText(int fileCount) { return fileCount == 0 ? kNoReportFilesText : ""; }

std::string formatFileSize(std::uint64_t size) { return std::to_string(size); }

std::string formatFileDate(std::time_t time) {
  std::tm local{};
#ifdef _WIN32
  if (::localtime_s(&local, &time) != 0) return "";
#else
  if (::localtime_r(&time, &local) == nullptr) return "";
#endif
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  std::string result = text;
  if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0) {
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    result += text;
  }
  return result;
}

}  // namespace zel
