// Test support: builds a settings block entry by entry, as a report writer
// lays it down ("<KEY>=" + marker + value + marker, CR LF between entries).
#pragma once

#include <string>

#include "settings_block.h"

namespace zel {

class SettingsBuilder {
 public:
  SettingsBuilder& set(const std::string& key, const std::string& value) {
    if (!text_.empty()) text_ += "\r\n";
    text_ += "<" + key + ">=" + kValueMarker + value + kValueMarker;
    return *this;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// A column descriptor value: items 0..17 joined, each followed by "|".
inline std::string Descriptor(const std::string& seq, const std::string& group, const std::string& captionRows,
                              const std::string& kind, const std::string& widthPct, const std::string& dataType,
                              const std::string& fieldName, const std::string& lower, const std::string& upper,
                              const std::string& decClass = "", const std::string& align = "C",
                              const std::string& findTitle = "") {
  const std::string items[18] = {seq,   group, captionRows, kind,     widthPct, "", dataType, fieldName, findTitle,
                                 lower, upper, "",          decClass, align,    "", "",       "",        ""};
  std::string out;
  for (const auto& i : items) out += i + "|";
  return out;
}

}  // namespace zel
