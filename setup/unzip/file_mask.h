// File masks: the "*" and "?" patterns of FileSpec, matched as the platform's
// file dialogs do: letters compare without regard to ASCII case, and "*.*" (or
// "*") matches every name, a name without a dot included. A mask without a path
// separator is matched against the entry's file name (its last component); a
// mask with one, against the whole stored name with "\" read as "/".
#pragma once

#include <string>
#include <vector>

namespace zel {

bool maskMatches(const std::string& mask, const std::string& storedName);
bool anyMaskMatches(const std::vector<std::string>& masks, const std::string& storedName);

}  // namespace zel
