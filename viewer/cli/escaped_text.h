// A file name as one cell of zelrpt-cli's tab-separated output: control
// characters (tab, line breaks, ...) and the backslash are written as C-style
// escapes, so one file is always one row and the row always has its columns.
#pragma once

#include <cstdio>
#include <string>

namespace zel::cli {

inline std::string EscapedCell(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        } else {
          out += ch;
        }
    }
  }
  return out;
}

}  // namespace zel::cli
