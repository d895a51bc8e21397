// TagFile: the small definition file that stands for an index file (.cdx,
// .ntx, .nsx). It lists tags (name, key expression, condition, direction) and
// holds NO key data: keys live in memory only (see order.h). A file that does
// not start with kTagFileMagic belongs to some other program and is left alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "status.h"

namespace sde {

// "SDETAGS" and a format number; chosen not to collide with real index headers.
inline constexpr char kTagFileMagic[8] = {'S', 'D', 'E', 'T', 'A', 'G', 'S', '1'};
inline constexpr uint32_t kMaxTagsPerFile = 64;

struct TagDef {
  std::string name;
  std::string expr;
  std::string condition;
  bool descending = false;
  int option = 0;
};

struct TagFile {
  int driver = 0;  // SX_NTX / SX_FOX / SX_NSX
  std::vector<TagDef> tags;
};

enum class TagFileCheck { kOurs, kForeign, kMissing };

// Reads path. kForeign for someone else's file (not an error); a damaged file
// of ours is a Corruption status.
zel::Status readTagFile(const std::string& path, TagFile* out, TagFileCheck* check);
// Writes through a temporary file renamed into place.
zel::Status writeTagFile(const std::string& path, const TagFile& file);

}  // namespace sde
