// Output files (render, export, the preview's export) must never replace
// what a run reads: the report's .dbf, its memo file and its page index.
// Compared by file identity (device and inode), so links and other spellings
// of the same file are caught too.
#pragma once

#include <string>

namespace zel {

// The report file that writing `output` would replace, or "" when it is safe.
// reportPath: the report (.dbf), absolute or relative to the current directory.
std::string ReportFileReplacedBy(const std::string& reportPath, const std::string& output);

// The refusal for such an output path (UTF-8).
std::string OutputIsReportText(const std::string& output, const std::string& reportFile);

}  // namespace zel
