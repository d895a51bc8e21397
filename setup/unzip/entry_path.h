// Entry names as paths: the check that keeps an archive from writing anywhere
// but below the extraction directory. A stored name is split at both "/" and "\"
// (archives made on the platform of the viewer use either); empty and "."
// components are dropped. Absolute names, drive letters, ".." components and NUL
// bytes are refused, so the components returned can only name a place below the
// directory they are joined to. Whether that place is reached through a symbolic
// link is checked when the directories are made (see zip_extractor.cpp).
#pragma once

#include <string>
#include <vector>

#include "status.h"

namespace zel {

struct EntryPath {
  std::vector<std::string> components;  // none is "", "." or ".."; empty only for a directory "./"
  bool isDirectory = false;  // the stored name ends with a separator
};

// InvalidArgument naming the entry when the name is unsafe or names nothing.
Result<EntryPath> parseEntryPath(const std::string& storedName);

}  // namespace zel
