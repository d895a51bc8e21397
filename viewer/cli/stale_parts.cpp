#include "stale_parts.h"

#include "output_file.h"

namespace zel::cli {

int RemoveStalePartFiles(const std::vector<std::string>& targets) { return RemoveStaleParts(targets); }

}  // namespace zel::cli
