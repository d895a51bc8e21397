// SetupOptions: the installer's command line.
//   setup [--windows-dir DIR] [--archive FILE]             the wizard
//   setup --silent --target DIR [--archive FILE] [--windows-dir DIR]
//   setup --uninstall [--target DIR] [--window]
// Toolkit-free; parsing never exits, it reports what it could not take.
#pragma once

#include <string>
#include <vector>

namespace zel::setup {

struct SetupOptions {
  bool silent = false;
  bool help = false;
  bool uninstall = false;
  bool window = false;  // --uninstall: ask first and report in message boxes (the desktop's action)
  std::string target;
  std::string archive;
  std::string windowsDir;
  std::string error;  // empty when the line was understood
};

SetupOptions parseSetupOptions(const std::vector<std::string>& args);
const char* setupUsage();

// The directory of the running program ("" when it cannot be found).
std::string programDirectory();
// The archive to install: the one named on the command line; else the one in the
// start directory; else, when the program was started from elsewhere, the one
// beside the program. Empty means "startDir/ZELRPT.E01".
std::string chooseArchive(const SetupOptions& options, const std::string& startDir);
// Why no archive can be installed, checked before anything is asked: the
// message naming every place looked at, or the path that is a directory.
// Empty when the archive is there.
std::string archiveProblem(const SetupOptions& options, const std::string& startDir);

}  // namespace zel::setup
