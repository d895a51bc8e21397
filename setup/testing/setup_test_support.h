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
#include "test_zip_builder.h"

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

// What setup writes between a directory and a name in the paths it reports.
#ifdef _WIN32
inline const std::string kSeparator = "\\";
#else
inline const std::string kSeparator = "/";
#endif

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

// Packs the contents of dir into archive as `zip -r -X` does: each folder and
// file under its path relative to dir, '/' between the parts, files deflated,
// on Unix with their modes.
// Written by the project's own ZIP writer, so Windows tests pack theirs too.
// True on success.
inline bool zipDirectory(const std::string& dir, const std::string& archive) {
  std::error_code ec;
  std::vector<zel::test::TestEntry> entries;
  std::filesystem::recursive_directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = std::filesystem::relative(it->path(), dir, ec).generic_string();
    if (ec) return false;
    zel::test::TestEntry entry;
    const bool directory = it->is_directory(ec);
    if (directory) {
      entry.name = name + "/";
      entry.method = 0;
    } else {
      entry.name = name;
      entry.data = readFile(it->path().string());
    }
#ifndef _WIN32
    // The file's mode goes with it, as zip stores it on Unix.
    const auto mode = static_cast<std::uint32_t>(it->status(ec).permissions()) & 07777u;
    entry.versionMadeBy = zel::test::kMadeByUnix;
    entry.externalAttributes = ((directory ? 040000u : 0100000u) | mode) << 16;
#endif
    entries.push_back(std::move(entry));
  }
  if (ec) return false;
  const std::vector<std::uint8_t> bytes = zel::test::buildZip(entries);
  std::ofstream out(archive, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace zel::setup::testing
