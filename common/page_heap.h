// Heap settings for programs that draw many pages: every PDF page's content
// (some hundred kilobytes) is built in a buffer that grows, is compressed and
// freed, and the C library's default gives such blocks back to the system each
// time and asks for them again, a page fault per 4 KB. Keeping them costs no
// more than the largest page. Header-only; call once at the start of main.
#pragma once

#if defined(__GLIBC__)
#  include <malloc.h>
#endif

namespace zel {

inline void KeepPageBuffersInTheHeap() {
#if defined(__GLIBC__)
  constexpr int kKeep = 64 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kKeep);
  mallopt(M_TRIM_THRESHOLD, kKeep);
#endif
}

}  // namespace zel
