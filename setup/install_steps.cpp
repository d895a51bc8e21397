// One file on purpose, though over 400 lines: the installation's steps in the
// order runSteps takes them, each short, sharing the journal, the progress view
// and the platform. A reader follows one installation from top to bottom here;
// the file helpers above the steps serve them alone.
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
#include <string_view>
#include <system_error>

#include "ascii_text.h"
#include "cancel_request.h"
#include "desktop_entry.h"
#include "ini_file.h"
#include "installation_record.h"
#include "message_service.h"
#include "progress_view.h"
#include "setup_helpers.h"
#include "setup_platform.h"
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
#ifdef _WIN32
  // Built as Windows writes paths: they show in setup's messages.
  constexpr char separator = '\\';
  if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir + name;
#else
  constexpr char separator = kPathSeparator;
  if (!dir.empty() && dir.back() == separator) return dir + name;
#endif
  return dir + separator + name;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

enum class Found { kNothing, kRegularFile, kLink, kOther };

// What is at path, the link itself rather than what it points to.
Found whatIsAt(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(path, ec);
  if (ec || !fs::exists(st)) return Found::kNothing;
  if (fs::is_symlink(st)) return Found::kLink;
  return fs::is_regular_file(st) ? Found::kRegularFile : Found::kOther;
}

// The temporary files of a run that was killed before it could remove them.
bool isLeftoverTempName(const std::string& name) {
  static constexpr std::string_view prefix = ".zelunzip-", suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  return std::all_of(name.begin() + prefix.size(), name.end() - suffix.size(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::string withReason(const std::string& text, const std::string& reason) {
  return reason.empty() ? text : text + "\r" + reason;
}

NullProgressView& nullView() {
  static NullProgressView view;
  return view;
}

}  // namespace

// The whole of a regular file, never read through a link; false for anything
// else (a link, a directory, a FIFO).
#ifdef _WIN32
// Windows has no FIFOs in the file system to wait on; a link, a directory or a device is refused.
bool ReadRegularFile(const std::string& path, std::string* bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(path, ec))) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}
#else
bool ReadRegularFile(const std::string& path, std::string* bytes) {
  // No-follow open, then the check on what was opened: a link swapped in between cannot be read through.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
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

InstallSteps::InstallSteps(const SetupServices& services)
    : services_(services), platform_(services.platform), state_(services.state), view_(&nullView()) {
  UnZIP.FileSpec = {"*.*"};
  UnZIP.ZipCmntBufSize = 2000;
  UnZIP.CpuType = cptAuto;
  UnZIP.OnProgress = [this](ZipExtractor& sender, std::uint8_t progress) { UnZIPProgress(sender, progress); };
  UnZIP.OnProcessMessages = [this] { view_->processMessages(); };
  UnZIP.Journal = &journal_;
  UnZIP.OnCancelQuery = [this] { return cancelRequested(); };
}

void InstallSteps::setView(ProgressView* view) { view_ = view ? view : &nullView(); }

bool InstallSteps::WinIniCheck() {
  // The whole directory is kept: a long one must not be cut short.
  state_.winDir = platform_.windowsDirectory();
  const std::string winIni = join(state_.winDir, "WIN.INI");
  if (!fileExists(winIni)) {
#ifdef _WIN32
    box().show(
        {"알림", "본 프로그램은 Windows NT계열에서는 동작하지 않습니다.", MessageIcon::kWarning, MessageButtons::kOk});
#endif
    // Elsewhere there is no WIN.INI to adjust, and nothing to tell.
    return false;
  }
  // Only a regular file is read and rewritten: a link could show us (and have us
  // copy) a file that is none of ours.
#ifdef _WIN32
  // Windows keeps [intl] of WIN.INI in the user's settings: the profile calls read and write it there.
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(winIni, ec))) return true;
  if (asciiUpper(trimBlanks(iniRead(winIni, "intl", "SLanguage", ""))) == "KOR")
    iniWrite(winIni, "intl", "SLanguage", "eng");
#else
  std::string text;
  if (!ReadRegularFile(winIni, &text)) return true;
  if (asciiUpper(trimBlanks(iniReadText(text, "intl", "SLanguage", ""))) != "KOR") return true;
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(winIni.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (const Status s = replaceFile(winIni, iniWriteText(text, "intl", "SLanguage", "eng"), mode, &journal_); !s)
    box().log("WIN.INI not changed: " + s.message());
#endif
  return true;
}

bool InstallSteps::cancelRequested() const { return cancelRequested_ || caughtSignal() != 0; }

StepOutcome InstallSteps::stepsOrCancelled(StepOutcome outcome) const {
  return cancelRequested() ? StepOutcome::kCancelled : outcome;
}

Status InstallSteps::makeDirectories(const std::string& dir) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path p = fs::path(dir).lexically_normal(); !p.empty(); p = p.parent_path()) {
    if (fs::exists(fs::symlink_status(p, ec))) break;
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, ec) || ec)
      return Status::ioError("\"" + it->string() + "\": " + (ec ? ec.message() : std::string("exists")));
    journal_.addedDirectory(*it);
  }
  if (!directoryExists(dir)) return Status::ioError("\"" + dir + "\" is not a directory");
  return Status::ok();
}

static void removeLeftoverTempFiles(const std::string& dir, bool below) {
  std::error_code ec;
  std::vector<fs::path> found;
  if (below) {
    for (fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
      if (isLeftoverTempName(it->path().filename().string()) && it->is_regular_file(ec)) found.push_back(it->path());
    }
  } else {
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (isLeftoverTempName(it->path().filename().string()) && it->is_regular_file(ec)) found.push_back(it->path());
    }
  }
  for (const fs::path& p : found) fs::remove(p, ec);
}

// One handler around every step: whatever a step throws becomes its error
// report, and a run that does not finish takes back what it placed.
StepOutcome InstallSteps::SetProgress() {
  StepOutcome outcome = StepOutcome::kStopped;
  try {
    outcome = runSteps();
  } catch (const std::exception& e) {
    ReportApplicationError(box(), e.what());
  } catch (...) {
    ReportApplicationError(box(), ioErrorText(EIO));
  }
  if (outcome != StepOutcome::kDone && outcome != StepOutcome::kStopped && outcome != StepOutcome::kFailed)
    outcome = StepOutcome::kCancelled;
  if (outcome == StepOutcome::kDone) {
    journal_.keep();
  } else {
    journal_.undo();
  }
  return outcome;
}

StepOutcome InstallSteps::runSteps() {
  view_->setTotal(0, kTotalMax, 0);
  if (const int err = platform_.setCurrentDirectory(state_.startDir); err != 0) {
    ReportApplicationError(box(), ioErrorText(err));
    return StepOutcome::kStopped;
  }
  // The root keeps its separator out of the archive path too: "/" + name.
  if (!state_.startDir.empty() && state_.startDir.back() == kPathSeparator) state_.startDir.pop_back();
  view_->setStatus("SetUp을 실행중입니다....");

  const std::string archive = archivePath_.empty() ? state_.startDir + kPathSeparator + kArchiveName : archivePath_;
  if (!regularFileExists(archive)) {
    const std::string name = archivePath_.empty() ? kArchiveName : fs::path(archivePath_).filename().string();
    box().error(name + " 화일이 존재하지 않습니다.");
    return StepOutcome::kFailed;
  }
  // What an earlier run that was killed outright left behind.
  if (directoryExists(state_.installPath)) removeLeftoverTempFiles(state_.installPath, true);
  if (directoryExists(state_.winDir)) removeLeftoverTempFiles(state_.winDir, false);
  view_->setTotal(0, kTotalMax, 1);
  if (cancelRequested()) return StepOutcome::kCancelled;
  if (!UnCompress(archive, state_.installPath)) return stepsOrCancelled(StepOutcome::kFailed);
  if (cancelRequested()) return StepOutcome::kCancelled;
  view_->setTotal(0, kTotalMax, 8);
  if (const StepOutcome placed = PlaceLibraries(); placed != StepOutcome::kDone) return placed;
  if (cancelRequested()) return StepOutcome::kCancelled;
  view_->setTotal(0, kTotalMax, 9);
#ifndef _WIN32
  // The dynamic loader knows nothing of the Windows directory; the launchers do.
  if (const StepOutcome written = WriteWindowsDirFile(); written != StepOutcome::kDone) return written;
#endif
  if (const StepOutcome pointed = PointViewerAtSamples(); pointed != StepOutcome::kDone) return pointed;
  if (const StepOutcome copied = CopyInstaller(); copied != StepOutcome::kDone) return copied;
  if (const StepOutcome registered = registerWithTheDesktop(); registered != StepOutcome::kDone) return registered;
  if (const StepOutcome recorded = WriteInstallationRecord(); recorded != StepOutcome::kDone) return recorded;
  if (cancelRequested()) return StepOutcome::kCancelled;

  view_->setTotal(0, kTotalMax, kTotalMax);
  view_->finish();
  return StepOutcome::kDone;
}

bool InstallSteps::UnCompress(const std::string& archive, const std::string& target) {
  UnZIP.ArchiveFile = archive;
  UnZIP.ExtractDir = target;
  UnZIP.OnBeforeWrite = [this, target](std::uint64_t bytes) -> std::string {
    const std::optional<std::uint64_t> free = platform_.freeSpace(target);
    if (!free || *free >= bytes) return {};
    return "\"" + target + "\" has " + std::to_string(*free) + " bytes free, " + std::to_string(bytes) +
           " are needed: " + std::strerror(ENOSPC);
  };
  view_->setCurrent(0, 100, 0);
  if (!UnZIP.Extract()) {
    if (cancelRequested()) return false;  // asked for, nothing to report
    // The reason goes under the message: which entry, which error.
    box().error(withReason("SETUP을 실행하는데 오류가 발생했습니다.", UnZIP.ErrorText()));
    return false;
  }
  view_->setCurrent(0, 100, 100);
  return true;
}

void InstallSteps::UnZIPProgress(ZipExtractor& sender, std::uint8_t progress) {
  view_->setStatus(sender.CurrentFileName());
  view_->setCurrent(0, 100, std::min<int>(progress, 100));
  // Unpacking is most of the work: it carries the overall gauge from 1 to 8.
  view_->setTotal(0, kTotalMax, 1 + std::min<int>(progress, 100) * 7 / 100);
  view_->pause();
}

bool InstallSteps::CopyFile(const std::string& source, const std::string& target, std::string* error) {
  if (source == target) return false;
  std::string bytes;
  if (!ReadRegularFile(source, &bytes)) {
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
  const std::string systemDir = join(state_.winDir, kSystemSubdir);
  for (const char* name : kEngineLibraries) {
    const std::string inSystem = join(systemDir, name);
    const std::string unpacked = join(state_.installPath, name);
    const std::string inWindows = join(state_.winDir, name);
    // Copying a file onto itself would only truncate it.
    const bool unpackedIsInWindows = sameFile(unpacked, inWindows);
    if (!fileExists(inSystem)) {
      // The viewer finds its libraries here, so a fresh machine gets the directory.
      // and a failed run takes it back.
      if (!directoryExists(state_.winDir)) {
        if (const Status s = makeDirectories(state_.winDir); !s) {
          ReportApplicationError(box(), withReason("Cannot create directory " + state_.winDir, s.message()));
          return StepOutcome::kStopped;
        }
      }
      if (!unpackedIsInWindows) {
        std::string error;
        if (!CopyFile(unpacked, inWindows, &error) && !error.empty()) {
          ReportApplicationError(box(), error);
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
  const fs::path windows = fs::absolute(state_.winDir, ec).lexically_normal();
  const std::string target = join(state_.installPath, kWindowsDirFile);
  std::string line = ec ? state_.winDir : windows.string();
  if (line.size() > 1 && line.back() == '/') line.pop_back();
  if (const Status s = replaceFile(target, line + "\n", 0644, &journal_); !s) {
    ReportApplicationError(box(), withReason("Cannot create file " + target, s.message()));
    return StepOutcome::kStopped;
  }
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::PointViewerAtSamples() {
  const std::string samples = join(state_.installPath, kSamplesDir);
  const std::string info = join(state_.installPath, kViewerIni);
  if (!directoryExists(samples)) return StepOutcome::kDone;
  std::string text;
  switch (whatIsAt(info)) {
    case Found::kNothing: break;
    case Found::kRegularFile:
      if (!ReadRegularFile(info, &text)) return StepOutcome::kDone;  // swapped meanwhile: not ours to touch
      if (!iniReadText(text, "INFO", "DIR").empty()) return StepOutcome::kDone;
      break;
    case Found::kLink: break;  // never read through: a new file replaces the link
    case Found::kOther: return StepOutcome::kDone;  // a directory or a device: not ours to touch
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(samples, ec).lexically_normal();
  const std::string value = ec ? samples : absolute.string();
  if (const Status s = replaceFile(info, iniWriteText(text, "INFO", "DIR", value), 0644, &journal_); !s) {
    ReportApplicationError(box(), withReason("Cannot create file " + info, s.message()));
    return StepOutcome::kStopped;
  }
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::CopyInstaller() {
#ifndef _WIN32
  const std::string program = platform_.installerProgram();
  const std::string target = join(state_.installPath, kInstallerCopy);
  if (program.empty() || sameFile(program, target)) return StepOutcome::kDone;
  std::string bytes;
  if (!ReadRegularFile(program, &bytes)) {
    box().log("the uninstall action has no installer to start: cannot read " + program);
    return StepOutcome::kDone;
  }
  if (const Status s = replaceFile(target, bytes, 0755, &journal_); !s) {
    ReportApplicationError(box(), withReason("Cannot create file " + target, s.message()));
    return StepOutcome::kStopped;
  }
#endif
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::WriteInstallationRecord() {
  std::error_code ec;
  auto absolute = [&ec](const std::string& p) {
    const fs::path a = fs::absolute(p, ec).lexically_normal();
    return ec ? p : a.string();
  };
  const std::string dir = absolute(state_.installPath);
  const std::string winIni = absolute(join(state_.winDir, "WIN.INI"));
  std::vector<std::string> files, dirs;
  std::vector<ManifestEntry> kept;
  for (const std::string& made : state_.madeDirectories) dirs.push_back(absolute(made));
  for (const fs::path& made : journal_.madeDirectories()) dirs.push_back(absolute(made.string()));
  for (const fs::path& placed : journal_.placedFiles()) {
    const std::string p = absolute(placed.string());
    if (p != winIni) files.push_back(p);  // the system's settings file is changed, not ours
  }
  // A reinstall keeps what the first installation made and this run did not
  // touch, as it was recorded then (a file changed since stays "changed").
  if (std::vector<ManifestEntry> old; ReadManifest(dir, &old)) {
    for (const ManifestEntry& e : old) {
      if (e.kind == ManifestEntry::Kind::kDirectory)
        dirs.push_back(e.path);
      else if (std::find(files.begin(), files.end(), e.path) == files.end())
        kept.push_back(e);
    }
  }
  std::vector<ManifestEntry> entries = DescribePlaced(files, dirs);
  entries.insert(entries.end(), kept.begin(), kept.end());
  const std::string manifest = join(state_.installPath, kManifestFile);
  if (const Status s = replaceFile(manifest, ManifestText(entries), 0644, &journal_); !s) {
    ReportApplicationError(box(), withReason("Cannot create file " + manifest, s.message()));
    return StepOutcome::kStopped;
  }
#ifndef _WIN32
  // So that a later setup, and an uninstall without a directory, find this one.
  if (const std::string pointer = InstallationPointerFile(platform_.userDataDirectory()); !pointer.empty()) {
    const std::string parent = fs::path(pointer).parent_path().string();
    if ((directoryExists(parent) || makeDirectories(parent).isOk()) &&
        !replaceFile(pointer, dir + "\n", 0644, &journal_).isOk())
      box().log("installation not recorded in " + pointer);
  }
#endif
  return StepOutcome::kDone;
}

StepOutcome InstallSteps::registerWithTheDesktop() {
#ifndef _WIN32
  // "Open with" in a file manager; the viewer works without it, so a failure only goes to the log.
  std::error_code ec;
  const fs::path installed = fs::absolute(state_.installPath, ec).lexically_normal();
  if (const Status s = RegisterDesktopEntry(ec ? state_.installPath : installed.string(), platform_.userDataDirectory(),
                                            platform_.userProgramDirectory(), &journal_);
      !s)
    box().log("desktop entry not registered: " + s.message());
#endif
  return StepOutcome::kDone;
}

}  // namespace zel::setup
