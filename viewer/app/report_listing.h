// The report file list of the main window: which entries of the report
// directory are listed, in which order, and the texts around the list (the
// window caption, the empty-directory notice). Toolkit-free so the window and
// the command-line listing show the same rows. File names are the platform's
// bytes; titles and captions are UTF-8 for display.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace zel {

// One directory entry as the enumeration reports it.
struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
  std::uint64_t size = 0;
  std::time_t lastWrite = 0;
};

// One listed report: a row of the file list.
struct ReportFileRow {
  std::string name;  // with extension, as enumerated
  std::string title;  // reportTitleOf of characters 3 to 8 of the name
  std::uint64_t size = 0;
  std::time_t lastWrite = 0;
};

// Every entry of directory in the order the platform enumerates it (no
// sorting). An unreadable or missing directory gives no entries.
std::vector<DirectoryEntry> enumerateDirectory(const std::string& directory);

// "*.dbf" as the platform matches it: the extension compared without regard to case.
bool matchesDbfPattern(const std::string& name);

// One character + "_RPTB02" (case-sensitive) + anything: the only reports listed.
bool isListedReportName(const std::string& name);

// Entries of the directory that are DBF files with "_RPT" at characters 2 to 5,
// or XLS files of any name.
int countReportFiles(const std::string& directory);

// The rows of the file list, in enumeration order.
std::vector<ReportFileRow> listReportFiles(const std::string& directory);

// "ZEL-C 보고서 Viewer  [ <dir> ](총<n>개 파일)"
std::string listingCaption(const std::string& directory, int fileCount);

// Status-bar text: the notice when nothing is listed, else empty.
std::string listingStatusText(int fileCount);
inline constexpr char kNoReportFilesText[] = "보고서파일이 없습니다. 디렉토리설정을 해주십시요.";

// The size column: plain decimal bytes, no separators.
std::string formatFileSize(std::uint64_t size);

// The date column: local date as yyyy-MM-dd followed by HH:mm:ss, the time left
// out when it is exactly midnight.
std::string formatFileDate(std::time_t time);

}  // namespace zel
