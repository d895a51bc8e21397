// Test support for the installer: a temporary directory removed afterwards, a
// fake platform that records the shell open and the restart instead of doing
// them, and small file helpers. Tests only.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "native_platform.h"
#include "temp_dir.h"
#include "setup_platform.h"

namespace zel::setup::testing {

class TempDir : public zel::TempDir {
 public:
  TempDir() : zel::TempDir("zelsetup") {}
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Restores the process's current directory when it goes.
class CwdGuard {
 public:
  CwdGuard() : saved_(std::filesystem::current_path()) {}
  ~CwdGuard() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }

 private:
  std::filesystem::path saved_;
};

// The real directory calls, with the Windows and installation directories set by
// the test, drives of the test's choosing, and the desktop actions recorded.
class FakePlatform : public NativePlatform {
 public:
  FakePlatform(std::string windowsDir, std::string installDir)
      : NativePlatform(windowsDir), installDir_(std::move(installDir)) {}
  std::string defaultInstallDirectory() override { return installDir_; }
  std::vector<std::string> drives() override { return driveList; }
  bool driveReady(const std::string& drive) override { return !notReady.count(drive); }
  void openUrl(const std::string& url) override { opened.push_back(url); }
  bool restartSystem() override {
    ++restarts;
    return restartAccepted;
  }
  std::optional<std::uint64_t> freeSpace(const std::string& dir) override {
    return freeBytes ? freeBytes : NativePlatform::freeSpace(dir);
  }
  bool startProgram(const std::string& program, const std::string& workingDir) override {
    started.push_back(program + " in " + workingDir);
    return startAccepted;
  }
  // Never the real home: empty registers nothing, unless a test names its own.
  std::string userDataDirectory() override { return dataHome; }
  std::string userProgramDirectory() override { return binDir; }
  std::string installerProgram() override { return installer; }

  std::string dataHome, binDir, installer;
  bool startAccepted = true;
  std::vector<std::string> started;
  std::optional<std::uint64_t> freeBytes;  // unset: the real figure
  bool restartAccepted = true;
  std::vector<std::string> driveList{"/"};
  std::set<std::string> notReady;
  std::vector<std::string> opened;
  int restarts = 0;

 private:
  std::string installDir_;
};

// Packs the contents of dir into archive with Debian's zip. True on success.
inline bool zipDirectory(const std::string& dir, const std::string& archive) {
  const std::string command = "cd '" + dir + "' && zip -q -r -X '" + archive + "' . >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace zel::setup::testing
