#include "shell_globals.h"

namespace zel {

std::string ProgramDirectory;
std::string ReportDirectory;
std::string CurrentReportFile;

}  // namespace zel
