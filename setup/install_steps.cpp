#include "install_steps.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "ascii_text.h"
#include "ini_file.h"
#include "message_service.h"
#include "progress_view.h"
#include "s_set_util.h"
#include "setup_platform.h"
#include "setup_state.h"

namespace zel::setup {
namespace fs = std::filesystem;
namespace {

constexpr int kTotalMax = 10;

std::string trimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string join(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == kPathSeparator) return dir + name;
  return dir + kPathSeparator + name;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

NullProgressView& nullView() {
  static NullProgressView view;
  return view;
}

}  // namespace

InstallSteps::InstallSteps() : view_(&nullView()) {
  UnZIP.FileSpec = {"*.*"};
  UnZIP.ZipCmntBufSize = 2000;
  UnZIP.CpuType = cptAuto;
  UnZIP.OnProgress = [this](TUnZIP& sender, std::uint8_t progress) {
    UnZIPProgress(sender, progress);
  };
  UnZIP.OnProcessMessages = [this] { view_->processMessages(); };
}

void InstallSteps::setView(ProgressView* view) { view_ = view ? view : &nullView(); }

bool InstallSteps::WinIniCheck() {
  // The whole directory is kept: a long one must not be cut short.
  WinDir = platform().windowsDirectory();
  const std::string winIni = join(WinDir, "WIN.INI");
  if (!fileExists(winIni)) {
    messages().show({"알림", "본 프로그램은 Windows NT계열에서는 동작하지 않습니다.",
                     MessageIcon::kWarning, MessageButtons::kOk});
    return false;
  }
  if (asciiUpper(trimBlanks(iniRead(winIni, "intl", "SLanguage", ""))) == "KOR")
    iniWrite(winIni, "intl", "SLanguage", "eng");
  return true;
}

StepOutcome InstallSteps::SetProgress() {
  view_->setTotal(0, kTotalMax, 0);
  if (const int err = platform().setCurrentDirectory(StartDir); err != 0) {
    ReportApplicationError(ioErrorText(err));
    return StepOutcome::kStopped;
  }
  // The root keeps its separator out of the archive path too: "/" + name.
  if (!StartDir.empty() && StartDir.back() == kPathSeparator) StartDir.pop_back();
  view_->setStatus("SetUp을 실행중입니다....");

  const std::string archive =
      archivePath_.empty() ? StartDir + kPathSeparator + kArchiveName : archivePath_;
  if (!fileExists(archive)) {
    const std::string name = archivePath_.empty() ? kArchiveName
                                                  : fs::path(archivePath_).filename().string();
    messages().error(name + " 화일이 존재하지 않습니다.");
    return StepOutcome::kFailed;
  }
  if (!UnCompress(archive, InstallPath)) return StepOutcome::kFailed;
  if (const StepOutcome placed = PlaceLibraries(); placed != StepOutcome::kDone) return placed;
#ifndef _WIN32
  // The dynamic loader knows nothing of the Windows directory; the launchers do.
  if (const StepOutcome written = WriteWindowsDirFile(); written != StepOutcome::kDone) return written;
#endif

  view_->setTotal(0, kTotalMax, kTotalMax);
  view_->finish();
  return StepOutcome::kDone;
}

bool InstallSteps::UnCompress(const std::string& archive, const std::string& target) {
  UnZIP.ArchiveFile = archive;
  UnZIP.ExtractDir = target;
  view_->setCurrent(0, 100, 0);
  if (!UnZIP.Extract()) {
    messages().error("SETUP을 실행하는데 오류가 발생했습니다.");
    return false;
  }
  view_->setCurrent(0, 100, 100);
  return true;
}

void InstallSteps::UnZIPProgress(TUnZIP& sender, std::uint8_t progress) {
  view_->setStatus(sender.CurrentFileName());
  view_->setCurrent(0, 100, std::min<int>(progress, 100));
  view_->pause();
}

bool InstallSteps::CopyFile(const std::string& source, const std::string& target,
                            std::string* error) {
  if (source == target) return false;
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    if (error) *error = "Cannot open file " + source;
    return false;
  }
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  if (in.bad()) {
    if (error) *error = "Cannot open file " + source;
    return false;
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
      !out.flush()) {
    if (error) *error = "Cannot create file " + target;
    return false;
  }
  return true;
}

StepOutcome InstallSteps::PlaceLibraries() {
  const std::string systemDir = join(WinDir, kSystemSubdir);
  for (const char* name : kEngineLibraries) {
    const std::string inSystem = join(systemDir, name);
    const std::string unpacked = join(InstallPath, name);
    const std::string inWindows = join(WinDir, name);
    // Copying a file onto itself would only truncate it.
    const bool unpackedIsInWindows = sameFile(unpacked, inWindows);
    if (!fileExists(inSystem)) {
      // The viewer finds its libraries here, so a fresh machine gets the directory.
      if (!directoryExists(WinDir)) {
        std::error_code ec;
        fs::create_directories(WinDir, ec);
      }
      if (!unpackedIsInWindows) {
        std::string error;
        if (!CopyFile(unpacked, inWindows, &error) && !error.empty()) {
          ReportApplicationError(error);
          return StepOutcome::kStopped;
        }
      }
    }
    // The unpacked copy goes, unless it is itself the copy the viewer is to use.
    if (!unpackedIsInWindows && !sameFile(unpacked, inSystem)) {
      std::error_code ec;
      fs::remove(unpacked, ec);
    }
  }
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::WriteWindowsDirFile() {
  std::error_code ec;
  const fs::path windows = fs::absolute(WinDir, ec).lexically_normal();
  const std::string target = join(InstallPath, kWindowsDirFile);
  std::string line = ec ? WinDir : windows.string();
  if (line.size() > 1 && line.back() == '/') line.pop_back();
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out || !(out << line << '\n') || !out.flush()) {
    ReportApplicationError("Cannot create file " + target);
    return StepOutcome::kStopped;
  }
  return StepOutcome::kDone;
}

}  // namespace zel::setup
