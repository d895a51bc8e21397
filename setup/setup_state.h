// SetupState: the installer's values for one run. The program's main makes one
// and hands it down in SetupServices; the wizard pages set them and the
// installation driver reads them after each modal showing, so a page never has
// to know which page comes next.
#pragma once

#include <string>
#include <vector>

namespace zel::setup {

struct SetupState {
  std::string installPath;  // the installation directory; empty at start
  bool welcomeNext = false;  // the welcome page was left with its next button
  bool dirSelected = false;  // the chooser was left with an accepted folder
  bool dirSetNext = false;  // the directory page was left with its next button
  bool driveNotReady = false;  // outcome of the chooser's last drive pick

  std::string startDir;  // current directory when the main window was created
  bool started = false;  // the installation driver has started
  std::string winDir;  // the Windows directory, read by WinIniCheck
  // Directories MakeDirPath made in this run, outermost first: they go again when
  // the installation is cancelled or fails.
  std::vector<std::string> madeDirectories;
};

}  // namespace zel::setup
