#include "file_mask.h"

#include <algorithm>

namespace zel {
namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char slash(char c) { return c == '\\' ? '/' : c; }

// Iterative glob with one backtrack point: linear in practice, never exponential.
bool glob(const std::string& p, const std::string& s) {
  std::size_t pi = 0, si = 0, starP = std::string::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starS = si;
    } else if (pi < p.size() && (p[pi] == '?' || fold(slash(p[pi])) == fold(slash(s[si])))) {
      ++pi;
      ++si;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool maskMatches(const std::string& mask, const std::string& storedName) {
  if (mask == "*" || mask == "*.*") return true;
  std::string name = storedName;
  while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
  const bool wholePath = mask.find_first_of("/\\") != std::string::npos;
  if (!wholePath) {
    std::size_t cut = name.find_last_of("/\\");
    if (cut != std::string::npos) name.erase(0, cut + 1);
  }
  return glob(mask, name);
}

bool anyMaskMatches(const std::vector<std::string>& masks, const std::string& storedName) {
  return std::any_of(masks.begin(), masks.end(), [&](const std::string& m) { return maskMatches(m, storedName); });
}

}  // namespace zel
