// SetupPlatform: the parts of the machine the installer talks to (the Windows
// directory, the current directory, drives, the shell's "open" and the system
// restart), behind one interface so tests can fake them and never restart anything.
// The process holds one instance; programs install theirs at start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel::setup {

class SetupPlatform {
 public:
  virtual ~SetupPlatform() = default;

  // Where WIN.INI lives and where the engine libraries go.
  virtual std::string windowsDirectory() = 0;
  // The installation directory proposed by the directory page.
  virtual std::string defaultInstallDirectory() = 0;

  virtual std::string currentDirectory() = 0;
  // 0 on success, otherwise the platform's error number.
  virtual int setCurrentDirectory(const std::string& dir) = 0;

  // Entries for the drive list; the first is the one shown when the current
  // directory lies on none of them.
  virtual std::vector<std::string> drives() = 0;
  // The drive entry the given directory lies on ("" when none).
  virtual std::string driveOf(const std::string& dir) = 0;
  virtual bool driveReady(const std::string& drive) = 0;

  // Shows an address with the desktop's "open" action; failures go unreported.
  virtual void openUrl(const std::string& url) = 0;
  // Asks the desktop session to restart the machine and waits for its answer.
  // False when it refused or could not be asked.
  virtual bool restartSystem() = 0;

  // The user's data directory (desktop entries, MIME types, the record of the
  // last installation) and the user's own program directory (the launcher link).
  // Empty where there are none: nothing is registered there then.
  virtual std::string userDataDirectory() { return {}; }
  virtual std::string userProgramDirectory() { return {}; }

  // The running installer's own file, copied beside the viewer so that the
  // desktop can start the uninstall; empty where there is none to copy.
  virtual std::string installerProgram() { return {}; }

  // Starts a program in the given working directory without waiting for it;
  // false when it could not be started. Nothing is started unless a platform says how.
  virtual bool startProgram(const std::string& program, const std::string& workingDir) {
    (void)program;
    (void)workingDir;
    return false;
  }

  // Bytes free for the user on the volume that holds dir (or would hold it: a
  // missing dir counts on its nearest existing parent). Empty when unknown, and
  // unknown unless a platform says otherwise.
  virtual std::optional<std::uint64_t> freeSpace(const std::string& dir) {
    (void)dir;
    return std::nullopt;
  }
};

// The platform's path separator, used to build and split paths.
inline constexpr char kPathSeparator = '/';

}  // namespace zel::setup
