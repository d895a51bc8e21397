#include "desktop_entry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "posix_platform.h"
#include "temp_file.h"

namespace zel::setup {
namespace {

namespace fs = std::filesystem;

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

constexpr const char* kReservedInExec = " \t\n\"'\\><~|&;$*?#()`%=";

// One argument of an Exec key: plain when it has no reserved character, else
// in double quotes with ", `, $ and \ escaped; a string value then doubles \.
std::string execArgument(const std::string& path) {
  if (IsPlainExecArgument(path)) return path;
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    value += c;
    if (c == '\\') value += '\\';
  }
  replaceAll(value, "%", "%%");
  return value;
}

// A string value of a desktop entry: backslashes and line breaks escaped.
std::string stringValue(const std::string& text) {
  std::string value;
  for (char c : text) {
    if (c == '\\')
      value += "\\\\";
    else if (c == '\n')
      value += "\\n";
    else
      value += c;
  }
  return value;
}

bool readFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void runIfInstalled(const char* tool, const fs::path& dir) {
  for (const char* bin : {"/usr/bin/", "/bin/"}) {
    if (fs::exists(std::string(bin) + tool)) {
      const std::string command = std::string(bin) + tool + " '" + dir.string() + "' >/dev/null 2>&1";
      (void)std::system(command.c_str());
      return;
    }
  }
}

}  // namespace

bool IsPlainExecArgument(const std::string& path) {
  if (path.find_first_of(kReservedInExec) != std::string::npos) return false;
  // Bytes beyond ASCII are fine for the key, but not every launcher takes them unquoted.
  return std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string DesktopEntryText(const std::string& templateText, const std::string& installDir,
                             const std::string& execPath) {
  std::string text = templateText;
  const std::string exec = execPath.empty() ? (fs::path(installDir) / "ZelRpt").string() : execPath;
  replaceAll(text, "@ZELRPT_EXEC@", execArgument(exec));
  replaceAll(text, "@ZELRPT_ICON@", stringValue((fs::path(installDir) / kIconFile).string()));
  replaceAll(text, "@ZELRPT_UNINSTALL@", execArgument((fs::path(installDir) / kInstallerCopy).string()));
  replaceAll(text, "@ZELRPT_DIR@", execArgument(installDir));
  return text;
}

std::string UserDataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg;
  return homeDirectory() + "/.local/share";
}

std::string UserBinDirectory() { return homeDirectory() + "/.local/bin"; }

namespace {

// binDir/zelrpt as a link to the launcher, put in place by a rename; false
// when something other than a link holds the name or the link cannot be made.
bool placeLauncherLink(const fs::path& launcher, const fs::path& binDir, FileJournal* journal) {
  std::error_code ec;
  const fs::path link = binDir / kLauncherLinkName;
  const fs::file_status st = fs::symlink_status(link, ec);
  if (fs::exists(st) && !fs::is_symlink(st)) return false;  // the user's own program
  fs::create_directories(binDir, ec);
  if (!fs::is_directory(binDir, ec)) return false;
  const fs::path ready = binDir / (".zelrpt-link-" + std::to_string(::getpid()));
  fs::remove(ready, ec);
  fs::create_symlink(launcher, ready, ec);
  if (ec) return false;
  const Status placed = journal ? journal->place(ready, link) : Status::ok();
  if (!journal) fs::rename(ready, link, ec);
  if (!placed || ec) {
    fs::remove(ready, ec);
    return false;
  }
  return true;
}

}  // namespace

Status RegisterDesktopEntry(const std::string& installDir, const std::string& dataHome, const std::string& binDir,
                            FileJournal* journal) {
  std::string desktopTemplate, mimePackage;
  if (!readFile(fs::path(installDir) / kDesktopTemplate, desktopTemplate)) return Status::ok();
  if (!readFile(fs::path(installDir) / kMimePackage, mimePackage))
    return Status::ioError("cannot read " + (fs::path(installDir) / kMimePackage).string());
  if (dataHome.empty()) return Status::invalidArgument("no user data directory (HOME is not set)");
  const fs::path applications = fs::path(dataHome) / "applications";
  const fs::path mime = fs::path(dataHome) / "mime";
  std::error_code ec;
  fs::create_directories(applications, ec);
  fs::create_directories(mime / "packages", ec);
  std::string exec;
  const fs::path launcher = fs::path(installDir) / "ZelRpt";
  if (!binDir.empty() && IsPlainExecArgument((fs::path(binDir) / kLauncherLinkName).string()) &&
      !IsPlainExecArgument(launcher.string()) && placeLauncherLink(launcher, binDir, journal))
    exec = (fs::path(binDir) / kLauncherLinkName).string();
  if (Status s = replaceFile(applications / "zelrpt.desktop", DesktopEntryText(desktopTemplate, installDir, exec), 0644,
                             journal);
      !s)
    return s;
  if (Status s = replaceFile(mime / "packages" / kMimePackage, mimePackage, 0644, journal); !s) return s;
  runIfInstalled("update-mime-database", mime);
  runIfInstalled("update-desktop-database", applications);
  return Status::ok();
}

void RefreshDesktopDatabases(const std::string& dataHome) {
  if (dataHome.empty()) return;
  runIfInstalled("update-mime-database", fs::path(dataHome) / "mime");
  runIfInstalled("update-desktop-database", fs::path(dataHome) / "applications");
}

}  // namespace zel::setup
