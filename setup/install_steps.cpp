#include "install_steps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "ascii_text.h"
#include "desktop_entry.h"
#include "ini_file.h"
#include "message_service.h"
#include "progress_view.h"
#include "s_set_util.h"
#include "setup_platform.h"
#include "setup_state.h"
#include "temp_file.h"

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

// The whole of a regular file; false for anything else (a directory, a FIFO).
#ifdef _WIN32
// Windows has no FIFOs in the file system to wait on; a directory or a device is refused.
bool readRegularFile(const std::string& path, std::string* bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}
#else
bool readRegularFile(const std::string& path, std::string* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    bytes->resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (ok && done < bytes->size()) {
      const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  return ok;
}
#endif

std::string withReason(const std::string& text, const std::string& reason) {
  return reason.empty() ? text : text + "\r" + reason;
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
  UnZIP.OnProgress = [this](TUnZIP& sender, std::uint8_t progress) { UnZIPProgress(sender, progress); };
  UnZIP.OnProcessMessages = [this] { view_->processMessages(); };
  UnZIP.Journal = &journal_;
}

void InstallSteps::setView(ProgressView* view) { view_ = view ? view : &nullView(); }

bool InstallSteps::WinIniCheck() {
  // The whole directory is kept: a long one must not be cut short.
  WinDir = platform().windowsDirectory();
  const std::string winIni = join(WinDir, "WIN.INI");
  if (!fileExists(winIni)) {
#ifdef _WIN32
    messages().show(
        {"알림", "본 프로그램은 Windows NT계열에서는 동작하지 않습니다.", MessageIcon::kWarning, MessageButtons::kOk});
#endif
    // Elsewhere there is no WIN.INI to adjust, and nothing to tell.
    return false;
  }
  if (asciiUpper(trimBlanks(iniRead(winIni, "intl", "SLanguage", ""))) == "KOR")
    iniWrite(winIni, "intl", "SLanguage", "eng");
  return true;
}

// One handler around every step: whatever a step throws becomes its error
// report, and a run that does not finish takes back what it placed.
StepOutcome InstallSteps::SetProgress() {
  StepOutcome outcome = StepOutcome::kStopped;
  try {
    outcome = runSteps();
  } catch (const std::exception& e) {
    ReportApplicationError(e.what());
  } catch (...) {
    ReportApplicationError(ioErrorText(EIO));
  }
  if (outcome == StepOutcome::kDone) {
    journal_.keep();
  } else {
    journal_.undo();
  }
  return outcome;
}

StepOutcome InstallSteps::runSteps() {
  view_->setTotal(0, kTotalMax, 0);
  if (const int err = platform().setCurrentDirectory(StartDir); err != 0) {
    ReportApplicationError(ioErrorText(err));
    return StepOutcome::kStopped;
  }
  // The root keeps its separator out of the archive path too: "/" + name.
  if (!StartDir.empty() && StartDir.back() == kPathSeparator) StartDir.pop_back();
  view_->setStatus("SetUp을 실행중입니다....");

  const std::string archive = archivePath_.empty() ? StartDir + kPathSeparator + kArchiveName : archivePath_;
  if (!regularFileExists(archive)) {
    const std::string name = archivePath_.empty() ? kArchiveName : fs::path(archivePath_).filename().string();
    messages().error(name + " 화일이 존재하지 않습니다.");
    return StepOutcome::kFailed;
  }
  if (!UnCompress(archive, InstallPath)) return StepOutcome::kFailed;
  if (const StepOutcome placed = PlaceLibraries(); placed != StepOutcome::kDone) return placed;
#ifndef _WIN32
  // The dynamic loader knows nothing of the Windows directory; the launchers do.
  if (const StepOutcome written = WriteWindowsDirFile(); written != StepOutcome::kDone) return written;
#endif
  if (const StepOutcome pointed = PointViewerAtSamples(); pointed != StepOutcome::kDone) return pointed;
#ifndef _WIN32
  // "Open with" in a file manager; the viewer works without it, so a failure only goes to the log.
  std::error_code ec;
  const fs::path installed = fs::absolute(InstallPath, ec).lexically_normal();
  if (const Status s = RegisterDesktopEntry(ec ? InstallPath : installed.string(), UserDataHome()); !s)
    messages().log("desktop entry not registered: " + s.message());
#endif

  view_->setTotal(0, kTotalMax, kTotalMax);
  view_->finish();
  return StepOutcome::kDone;
}

bool InstallSteps::UnCompress(const std::string& archive, const std::string& target) {
  UnZIP.ArchiveFile = archive;
  UnZIP.ExtractDir = target;
  UnZIP.OnBeforeWrite = [target](std::uint64_t bytes) -> std::string {
    const std::optional<std::uint64_t> free = platform().freeSpace(target);
    if (!free || *free >= bytes) return {};
    return "\"" + target + "\" has " + std::to_string(*free) + " bytes free, " + std::to_string(bytes) +
           " are needed: " + std::strerror(ENOSPC);
  };
  view_->setCurrent(0, 100, 0);
  if (!UnZIP.Extract()) {
    // The reason goes under the message: which entry, which error.
    messages().error(withReason("SETUP을 실행하는데 오류가 발생했습니다.", UnZIP.ErrorText()));
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

bool InstallSteps::CopyFile(const std::string& source, const std::string& target, std::string* error) {
  if (source == target) return false;
  std::string bytes;
  if (!readRegularFile(source, &bytes)) {
    if (error) *error = "Cannot open file " + source;
    return false;
  }
  // A new file renamed over the old one: a running viewer keeps the library it
  // has mapped, and a link planted at the target is replaced, not written through.
  if (const Status s = replaceFile(target, bytes, 0755, &journal_); !s) {
    if (error) *error = withReason("Cannot create file " + target, s.message());
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
  if (const Status s = replaceFile(target, line + "\n", 0644, &journal_); !s) {
    ReportApplicationError(withReason("Cannot create file " + target, s.message()));
    return StepOutcome::kStopped;
  }
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::PointViewerAtSamples() {
  const std::string samples = join(InstallPath, kSamplesDir);
  const std::string info = join(InstallPath, kViewerIni);
  if (!directoryExists(samples)) return StepOutcome::kDone;
  std::string text;
  if (fileExists(info)) {
    if (!readRegularFile(info, &text)) return StepOutcome::kDone;  // not ours to touch
    if (!iniReadText(text, "INFO", "DIR").empty()) return StepOutcome::kDone;
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(samples, ec).lexically_normal();
  const std::string value = ec ? samples : absolute.string();
  if (const Status s = replaceFile(info, iniWriteText(text, "INFO", "DIR", value), 0644, &journal_); !s) {
    ReportApplicationError(withReason("Cannot create file " + info, s.message()));
    return StepOutcome::kStopped;
  }
  return StepOutcome::kDone;
}

}  // namespace zel::setup
