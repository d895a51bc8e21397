// Entry names as file names: an entry without the UTF-8 flag (general-purpose
// bit 11) stores its name in code page 949, as everything this product writes
// does, and is converted to UTF-8 for the file system; a name that is not valid
// CP949 is refused rather than written under a garbled name. Names with the
// flag, and plain ASCII names, are taken as they are. Toolkit-free (iconv).
#pragma once

#include <string>

#include "status.h"
#include "zip_directory.h"

namespace zel {

inline constexpr std::uint16_t kUtf8NameFlag = 0x0800;

// InvalidArgument naming the entry when the name does not convert.
Result<std::string> entryFileName(const ZipEntry& entry);

}  // namespace zel
