// PDF output, PNG pages and the export's XLSX and CSV files are written as
// part files (see output_file.h) and renamed when complete. A process killed
// outright (SIGKILL, power loss) leaves its part file behind; the next render
// or export of the same output removes those of dead processes, and nothing
// else.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

// Removes the part files left beside `targets` (one directory; file names
// as the file system holds them) by processes
// that no longer run; returns how many were removed.
int RemoveStalePartFiles(const std::vector<std::string>& targets);

}  // namespace zel::cli
