// Fuzz target for the archive reader and extractor: each input is written as an
// archive file and extracted into a fresh directory. Whatever the input, nothing
// may appear beside that directory, no link and no temporary file may remain in
// it, and a failed extraction must say why and leave no target behind.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zip_extractor.h"

namespace fs = std::filesystem;

namespace {

// Made afresh for each input and removed after it, so nothing outlives the run.
const fs::path& sandbox() {
  static const fs::path dir = fs::temp_directory_path() / ("zel-unzip-fuzz-" + std::to_string(::getpid()));
  return dir;
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "unzip_fuzz: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // box/ holds the archive and the target; the sandbox around it must stay empty
  // but for box/, and box/ must hold nothing but the two.
  const fs::path box = sandbox() / "box";
  const fs::path archive = box / "archive.zip";
  const fs::path target = box / "out";
  fs::remove_all(sandbox());
  fs::create_directories(box);
  {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  zel::ZipExtractor unzip;
  unzip.ArchiveFile = archive.string();
  unzip.ExtractDir = target.string();
  bool ok = unzip.Extract();
  if (!ok && unzip.ErrorText().empty()) fail("failed without an error text");
  if (!ok && fs::exists(target)) fail("a failed extraction left the target it made");

  for (const auto& e : fs::directory_iterator(sandbox()))
    if (e.path().filename() != "box") fail("wrote outside the target: " + e.path().string());
  for (const auto& e : fs::directory_iterator(box))
    if (e.path() != archive && e.path() != target) fail("wrote outside the target: " + e.path().string());
  if (fs::exists(target)) {
    for (const auto& e : fs::recursive_directory_iterator(target)) {
      if (e.is_symlink()) fail("created a link: " + e.path().string());
      if (e.path().filename().string().rfind(".zel", 0) == 0)
        fail("left a temporary or old file: " + e.path().string());
    }
  }
  fs::remove_all(sandbox());
  return 0;
}
