// InstallSteps: what the installer does once the wizard has a directory: the
// WIN.INI language check, unpacking "ZELRPT.E01" into installPath (the archive's
// entries carry the programs' permissions), placing the four engine libraries in
// the Windows directory and, off Windows, telling the programs' launchers where that is. Toolkit-free; the main window
// and the silent mode drive it, each with its own ProgressView. Reads and writes
// the run's values in the services' SetupState (startDir, installPath, winDir).
#pragma once

#include <string>

#include "file_journal.h"
#include "progress_view.h"
#include "setup_platform.h"
#include "setup_services.h"
#include "zip_extractor.h"

namespace zel::setup {

inline constexpr const char* kArchiveName = "ZELRPT.E01";
inline constexpr const char* kSystemSubdir = "System";
// The engine and its three index drivers, in the order they are placed.
#ifdef _WIN32
inline constexpr const char* kEngineLibraries[] = {"sde32.dll", "sdecdx32.dll", "sdensx32.dll", "sdentx32.dll"};
#else
inline constexpr const char* kEngineLibraries[] = {"libsde32.so", "libsdecdx32.so", "libsdensx32.so", "libsdentx32.so"};
#endif

// The viewer's launcher in the installation directory.
inline constexpr const char* kViewerLauncher = "ZelRpt";
// The one-line file beside the installed programs naming the Windows directory
// the libraries went to; the programs' launchers read it to find them.
inline constexpr const char* kWindowsDirFile = "windows-dir";
// The viewer's settings file beside it, and the sample reports installed with it.
inline constexpr const char* kViewerIni = "Info.INI";
inline constexpr const char* kSamplesDir = "samples";

enum class StepOutcome {
  kDone,  // every step was done
  kFailed,  // a step failed and said so; the program ends
  kStopped,  // an input/output error went to the error report; the driver stops
  kCancelled,  // a signal or the user stopped the run; what it placed is gone again
};

class InstallSteps {
 public:
  // The platform answers for the machine (directories, free space, the
  // installer's own file); messages are shown through the services' message
  // service. What the services name outlives the steps.
  explicit InstallSteps(const SetupServices& services);

  // Where progress is shown from now on; nullptr shows nothing. Not owned.
  void setView(ProgressView* view);
  // Where the steps' messages go from now on (a decorator of the services'
  // service, such as one that lifts them above a progress window); nullptr:
  // the services' own. Not owned.
  void setMessages(MessageService* messages) { messages_ = messages; }

  // The archive to unpack instead of startDir/ZELRPT.E01 (empty: that one).
  void setArchivePath(std::string path) { archivePath_ = std::move(path); }

  // Reads the Windows directory into the state's winDir; rewrites a "KOR" language entry of
  // its WIN.INI to "eng". True when WIN.INI exists; a missing one is told about on
  // Windows only (elsewhere there is nothing to change).
  bool WinIniCheck();
  // The installation steps into the state's installPath. Nothing thrown leaves it; unless
  // every step is done, what the run placed is removed again and what it
  // replaced is put back.
  StepOutcome SetProgress();
  // Unpacks archive below target; shows the failure message and gives false on error.
  bool UnCompress(const std::string& archive, const std::string& target);
  // Copies source (a regular file) to target: a new file renamed over the old one,
  // never written through a link or into a directory. False with nothing done when
  // both name the same text; false with *error set when a file cannot be opened or created.
  bool CopyFile(const std::string& source, const std::string& target, std::string* error);
  // Places the engine libraries; kStopped after an error report.
  StepOutcome PlaceLibraries();
  // Writes winDir, made absolute, to installPath/kWindowsDirFile; kStopped after
  // an error report.
  StepOutcome WriteWindowsDirFile();
  // On a first install (no report directory in installPath/Info.INI) points the
  // viewer at the installed samples; kStopped after an error report.
  StepOutcome PointViewerAtSamples();
  // Off Windows, copies the running installer into installPath for the desktop's
  // uninstall action; kStopped after an error report.
  StepOutcome CopyInstaller();
  // Writes the manifest of everything this run placed into installPath and, off
  // Windows, names installPath in the user's data directory; kStopped after an error report.
  StepOutcome WriteInstallationRecord();

  // Asks the run to stop at its next safe point (the cancel button).
  void requestCancel() { cancelRequested_ = true; }
  // A stop asked for: by requestCancel() or by a signal caught meanwhile.
  bool cancelRequested() const;

  // The extraction component's reason for the last failure, for logs.
  const std::string& unzipError() const { return UnZIP.ErrorText(); }

  ZipExtractor UnZIP;

 private:
  void UnZIPProgress(ZipExtractor& sender, std::uint8_t progress);
  StepOutcome runSteps();

  StepOutcome stepsOrCancelled(StepOutcome outcome) const;
  // Makes dir and its missing parents, each recorded in the journal.
  Status makeDirectories(const std::string& dir);
  // The desktop entry and MIME type (not on Windows).
  StepOutcome registerWithTheDesktop();

  MessageService& box() const { return messages_ ? *messages_ : services_.messages; }

  SetupServices services_;
  SetupPlatform& platform_;
  SetupState& state_;  // the services' state: where to install, what was made
  MessageService* messages_ = nullptr;
  FileJournal journal_;  // what this run placed, until it is done or undone
  bool cancelRequested_ = false;
  ProgressView* view_;
  std::string archivePath_;
};

// The whole of a regular file, never read through a link (no-follow open,
// then a check of what was opened); false for anything else: a link, a
// directory, a FIFO, a device.
bool ReadRegularFile(const std::string& path, std::string* bytes);

}  // namespace zel::setup
