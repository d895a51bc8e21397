// Output files must never replace what the command reads: the report's .dbf,
// its memo file and its page index. Compared by file identity (device and
// inode), so links and other spellings of the same file are caught too.
#pragma once

#include <string>

namespace zel::cli {

// The report file that writing `output` would replace, or "" when it is safe.
// reportPath: the report (.dbf) as given on the command line.
std::string ReportFileReplacedBy(const std::string& reportPath, const std::string& output);

// The refusal for such an output path (UTF-8).
std::string OutputIsReportText(const std::string& output, const std::string& reportFile);

}  // namespace zel::cli
