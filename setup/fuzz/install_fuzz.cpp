// Fuzz target for the installation steps: each input is the archive of an
// installation over an earlier one (an installed README, libraries in the Windows
// directory). Whatever the input, nothing may be thrown out of the steps,
// nothing may appear outside the sandbox, no temporary or kept old file may
// remain, and an installation that does not finish must leave the installation
// and Windows directories exactly as they were.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "install_steps.h"
#include "message_service.h"
#include "posix_platform.h"
#include "setup_state.h"

namespace fs = std::filesystem;

namespace {

const fs::path& sandbox() {
  static const fs::path dir = fs::temp_directory_path() / ("zel-install-fuzz-" + std::to_string(::getpid()));
  return dir;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "install_fuzz: %s\n", what.c_str());
  std::abort();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every path below dir with its content ("<dir>" for directories, "-> x" for links).
std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = e.path().lexically_relative(dir).string();
    if (e.is_symlink()) {
      out[rel] = "-> " + fs::read_symlink(e.path()).string();
    } else if (e.is_directory()) {
      out[rel] = "<dir>";
    } else {
      std::ifstream in(e.path(), std::ios::binary);
      out[rel] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zel::setup;
  const fs::path box = sandbox() / "box";
  const fs::path medium = box / "medium";
  const fs::path inst = box / "inst";
  const fs::path win = box / "win";
  fs::remove_all(sandbox());
  writeFile(medium / kArchiveName, std::string(reinterpret_cast<const char*>(data), size));
  writeFile(inst / "README.TXT", "the earlier readme");
  writeFile(win / "libsde32.so", "the earlier engine");
  const auto instBefore = snapshot(inst);
  const auto winBefore = snapshot(win);

  zel::RecordingMessageService messages;
  PosixPlatform posix(win.string());
  SetupState state;
  state.startDir = medium.string();
  state.installPath = inst.string();
  const fs::path cwd = fs::current_path();
  StepOutcome outcome = StepOutcome::kStopped;
  {
    InstallSteps steps(SetupServices{posix, messages, state, {}});
    try {
      steps.WinIniCheck();
      outcome = steps.SetProgress();
    } catch (...) {
      fail("an exception left the installation steps");
    }
  }
  fs::current_path(cwd);

  if (outcome != StepOutcome::kDone && messages.shown.empty()) fail("failed without a message");
  for (const auto& e : fs::directory_iterator(sandbox()))
    if (e.path().filename() != "box") fail("wrote outside the sandbox: " + e.path().string());
  for (const auto& e : fs::directory_iterator(box))
    if (e.path() != medium && e.path() != inst && e.path() != win)
      fail("wrote beside the targets: " + e.path().string());
  for (const fs::path& dir : {inst, win})
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.path().filename().string().rfind(".zel", 0) == 0) fail("left behind: " + e.path().string());
  if (outcome != StepOutcome::kDone) {
    if (snapshot(inst) != instBefore) fail("a failed installation changed the installation directory");
    if (snapshot(win) != winBefore) fail("a failed installation changed the Windows directory");
  } else {
    for (const char* name : kEngineLibraries)
      if (!fs::is_regular_file(win / name)) fail(std::string("installed without ") + name);
  }
  fs::remove_all(sandbox());
  return 0;
}
