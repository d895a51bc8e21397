// Small text helpers on bytes. Only ASCII letters change case, so CP949 text
// (whose bytes are all above 0x7F outside ASCII) passes through unharmed.
#pragma once

#include <string>

namespace zel {

inline std::string asciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// True for an empty text or one of blanks (' ') only.
inline bool isBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace zel
