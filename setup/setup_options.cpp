#include "setup_options.h"

#ifndef _WIN32
#  include <unistd.h>
#endif

#include <climits>

#include "install_steps.h"
#include "setup_helpers.h"
#ifdef _WIN32
// Last: its macros (CopyFile) would rename the installer's own names above.
#  include <windows.h>
#endif

namespace zel::setup {

SetupOptions parseSetupOptions(const std::vector<std::string>& args) {
  SetupOptions options;
  std::string stray;  // the first argument that is no option of ours
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        options.error = arg + " needs a value";
        return;
      }
      *out = args[++i];
    };
    if (arg == "--silent") {
      options.silent = true;
    } else if (arg == "--uninstall") {
      options.uninstall = true;
    } else if (arg == "--window") {
      options.window = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--target") {
      value(&options.target);
    } else if (arg == "--archive") {
      value(&options.archive);
    } else if (arg == "--windows-dir") {
      value(&options.windowsDir);
    } else if (arg.rfind("--", 0) == 0 && options.error.empty()) {
      options.error = "unknown option " + arg;
    } else if (stray.empty()) {
      stray = arg;
    }
  }
  // With windows, anything else is left to the toolkit (its own options such as
  // -platform); without, there is no toolkit to take it.
  if (options.error.empty() && (options.silent || options.uninstall) && !stray.empty())
    options.error = "unexpected argument " + stray;
  if (options.error.empty() && options.silent && options.uninstall)
    options.error = "--silent and --uninstall exclude each other";
  if (options.error.empty() && options.silent && options.target.empty()) options.error = "--silent needs --target DIR";
  return options;
}

const char* setupUsage() {
  return "usage: setup [--windows-dir DIR] [--archive FILE]\n"
         "       setup --silent --target DIR [--archive FILE] [--windows-dir DIR]\n"
         "       setup --uninstall [--target DIR] [--window]\n";
}

std::string programDirectory() {
#ifdef _WIN32
  char buf[MAX_PATH];
  const DWORD got = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  const std::string exe(buf, got);
  const auto sep = exe.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : exe.substr(0, sep);
#else
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, static_cast<std::size_t>(n));
  const auto slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash == 0 ? 1 : slash);
#endif
}

std::string chooseArchive(const SetupOptions& options, const std::string& startDir) {
  if (!options.archive.empty()) return options.archive;
  if (fileExists(startDir + "/" + kArchiveName)) return {};
  const std::string besideProgram = programDirectory() + "/" + kArchiveName;
  return fileExists(besideProgram) ? besideProgram : std::string();
}

std::string archiveProblem(const SetupOptions& options, const std::string& startDir) {
  if (!options.archive.empty()) {
    if (directoryExists(options.archive))
      return options.archive + " : 디렉토리입니다. 설치할 화일 " + kArchiveName + "의 경로를 지정하십시오.";
    if (regularFileExists(options.archive)) return {};
    return options.archive + " 화일이 존재하지 않습니다.";
  }
  const std::string chosen = chooseArchive(options, startDir);
  if (regularFileExists(chosen.empty() ? startDir + "/" + kArchiveName : chosen)) return {};
  std::string text = std::string(kArchiveName) + " 화일이 존재하지 않습니다.\r찾아본 곳: " + startDir;
  const std::string program = programDirectory();
  if (!program.empty() && program != startDir) text += ", " + program;
  return text;
}

}  // namespace zel::setup
