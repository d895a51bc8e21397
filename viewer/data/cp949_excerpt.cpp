// cp949Excerpt: the same on every system; only the conversion under it differs
// (ICU in cp949.cpp, the system's code page 949 in cp949_win.cpp).
#include "cp949.h"

namespace zel {

std::string cp949Excerpt(const std::string& cp949, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < cp949.size()) {
    const std::size_t next = end + (static_cast<unsigned char>(cp949[end]) >= 0x81 ? 2 : 1);
    if (next > maxBytes || next > cp949.size()) break;
    end = next;
  }
  return cp949ToUtf8(cp949.substr(0, end)) + (end < cp949.size() ? "..." : "");
}

}  // namespace zel
