// Process-wide values of the viewer's main window. Set by the main window (at
// first show, on a directory change, when a report is picked) and read by the
// description panel, the margin dialog and the command-line listing. Plain
// strings in the platform's path encoding; single-threaded like the windows.
#pragma once

#include <string>

namespace zel {

extern std::string ProgramDirectory;  // directory of the running program, no trailing separator
extern std::string ReportDirectory;  // directory whose report files are listed
extern std::string CurrentReportFile;  // file name (no directory) the margin dialog works on

}  // namespace zel
