// PDF output, and the export's XLSX and CSV files, are written as
// "<target>.part<pid>" and renamed when complete. A process killed outright
// (SIGKILL, power loss) leaves its part file behind; the next render or
// export into the same directory removes those of dead processes.
#pragma once

#include <QString>

namespace zel::cli {

// The temporary name of `target` for this process.
QString partFileName(const QString& target);

// Removes the part files in `directory` whose process no longer runs and that
// hold a PDF, XLSX or CSV file (or nothing yet); returns how many were removed.
int RemoveStalePartFiles(const QString& directory);

}  // namespace zel::cli
