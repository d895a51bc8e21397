#include "desktop_entry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "temp_file.h"

namespace zel::setup {
namespace {

namespace fs = std::filesystem;

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// One argument of an Exec key: plain when it has no reserved character, else
// in double quotes with ", `, $ and \ escaped; a string value then doubles \.
std::string execArgument(const std::string& path) {
  if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`%=") == std::string::npos) return path;
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

std::string DesktopEntryText(const std::string& templateText, const std::string& installDir) {
  std::string text = templateText;
  replaceAll(text, "@ZELRPT_EXEC@", execArgument((fs::path(installDir) / "ZelRpt").string()));
  replaceAll(text, "@ZELRPT_ICON@", stringValue((fs::path(installDir) / kIconFile).string()));
  return text;
}

std::string UserDataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
  return {};
}

Status RegisterDesktopEntry(const std::string& installDir, const std::string& dataHome) {
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
  if (Status s = replaceFile(applications / "zelrpt.desktop", DesktopEntryText(desktopTemplate, installDir), 0644); !s)
    return s;
  if (Status s = replaceFile(mime / "packages" / kMimePackage, mimePackage, 0644); !s) return s;
  runIfInstalled("update-mime-database", mime);
  runIfInstalled("update-desktop-database", applications);
  return Status::ok();
}

}  // namespace zel::setup
