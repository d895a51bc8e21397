// Test support shared by every test program: a fresh directory under the
// system's temporary directory, removed with everything in it when the object
// goes. Portable (no mkdtemp), so the Windows build's tests use it too.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace zel {

// A new, empty directory named prefix_<random> that the caller removes; "" when
// none could be made.
inline std::string makeTempDirectory(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) return {};
  std::mt19937_64 random(std::random_device{}() ^
                         static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                         counter++);
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Six letters or digits, as mkdtemp makes them: paths stay short enough to show whole.
    std::string name = prefix + "_";
    for (int i = 0; i < 6; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
    const std::filesystem::path dir = base / name;
    if (std::filesystem::create_directory(dir, ec)) return dir.string();
  }
  return {};
}

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "zeltest") : path_(makeTempDirectory(prefix)) {}
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string operator/(const std::string& name) const { return file(name); }

 private:
  std::string path_;
};

}  // namespace zel
