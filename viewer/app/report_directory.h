// Where the viewer finds its report directory: the single entry DIR of
// section INFO in Info.INI beside the program. The INI file belongs to the
// user; only that one entry is ever rewritten (common/ini_file.h keeps the rest).
#pragma once

#include <string>

namespace zel {

inline constexpr char kInfoIniName[] = "Info.INI";
inline constexpr char kInfoSection[] = "INFO";
inline constexpr char kDirKey[] = "DIR";

// The directory of a program file path, without a trailing separator; the
// file-system root keeps its separator.
std::string programDirectoryOf(const std::string& programPath);

// programDirectory + "/Info.INI".
std::string infoIniPath(const std::string& programDirectory);

// The stored report directory. When the entry is empty or names no existing
// directory, programDirectory is written as the new entry and returned.
std::string restoreReportDirectory(const std::string& programDirectory);

// Writes directory as the entry (file and section are created when missing).
// False when Info.INI cannot be written.
bool saveReportDirectory(const std::string& programDirectory, const std::string& directory);

// A directory as the chooser hands it back, minus one trailing separator
// ("C:\" gives "C:"); "/" stays as it is, since removing it would leave nothing.
std::string trimChosenDirectory(const std::string& directory);

}  // namespace zel
