// Single-entry INI editing as the platform's profile functions do it: read one
// value, write one value. Writing keeps every other byte of the file as it was
// (other sections, keys, comments, line order and line endings); a missing file
// or section is created. Section and key names compare without regard to ASCII case.
#pragma once

#include <string>

namespace zel {

// Value of key in section, with surrounding blanks removed; def when absent or unreadable.
std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& def = "");

// Sets key in section to value. Returns false when the file cannot be written.
bool iniWrite(const std::string& path, const std::string& section, const std::string& key, const std::string& value);

// The same two operations on text held in memory (for tests and callers that hold the file).
std::string iniReadText(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& def = "");
std::string iniWriteText(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& value);

}  // namespace zel
