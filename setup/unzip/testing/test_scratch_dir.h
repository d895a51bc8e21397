// Test support: the shared temporary directory plus small file helpers the
// extractor's tests share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace zel::test {

class ScratchDir : public zel::TempDir {
 public:
  ScratchDir() : zel::TempDir("zel-unzip-test") {}
};

inline void writeBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every path below dir, relative to it, directories with a trailing "/". Links
// are listed, not followed.
inline std::set<std::string> listTree(const std::filesystem::path& dir) {
  std::set<std::string> out;
  if (!std::filesystem::exists(dir)) return out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    std::string rel = e.path().lexically_relative(dir).generic_string();
    out.insert(e.is_directory() && !e.is_symlink() ? rel + "/" : rel);
  }
  return out;
}

}  // namespace zel::test
