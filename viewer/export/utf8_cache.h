// CP949 to UTF-8 for cell texts, remembering recent texts: a report repeats
// its units, words and descriptions on every page, and the conversion costs
// more than the lookup. ASCII passes unconverted.
#pragma once

#include <string>
#include <unordered_map>

#include "cp949.h"

namespace zel {

class Utf8Cache {
 public:
  const std::string& convert(const std::string& cp949) {
    if (isAscii(cp949)) return cp949;
    auto it = cache_.find(cp949);
    if (it != cache_.end()) return it->second;
    if (cache_.size() >= kLimit) cache_.clear();  // bounded: long reports of unique texts stay small
    return cache_.emplace(cp949, cp949ToUtf8(cp949)).first->second;
  }

 private:
  static constexpr std::size_t kLimit = 4096;
  static bool isAscii(const std::string& s) {
    for (char c : s)
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
  }
  std::unordered_map<std::string, std::string> cache_;
};

}  // namespace zel
