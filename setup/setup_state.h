// The installer's program-wide values: one instance each for the whole run.
// The wizard pages set them and the installation driver reads them after each
// modal showing, so a page never has to know which page comes next.
#pragma once

#include <string>
#include <vector>

namespace zel::setup {

inline std::string InstallPath;  // the installation directory; empty at start
inline bool WelcomeNext = false;  // the welcome page was left with its next button
inline bool DirSelected = false;  // the chooser was left with an accepted folder
inline bool DirSetNext = false;  // the directory page was left with its next button
inline bool DriveNotReady = false;  // outcome of the chooser's last drive pick

inline std::string StartDir;  // current directory when the main window was created
inline bool Started = false;  // the installation driver has started
inline std::string WinDir;  // the Windows directory, read by WinIniCheck
// Directories MakeDirPath made in this run, outermost first: they go again when
// the installation is cancelled or fails.
inline std::vector<std::string> MadeDirectories;

// Back to the state at program start (tests run several wizards in one process).
inline void resetSetupState() {
  InstallPath.clear();
  WelcomeNext = DirSelected = DirSetNext = DriveNotReady = Started = false;
  StartDir.clear();
  WinDir.clear();
  MadeDirectories.clear();
}

}  // namespace zel::setup
