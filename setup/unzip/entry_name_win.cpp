// Entry names on Windows: the system's own code page 949 tables instead of iconv.
#include <windows.h>

#include <algorithm>
#include <string>

#include "entry_name.h"

namespace zel {
namespace {

bool isAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr UINT kCp949 = 949;

// False when a byte sequence is not CP949 (a cut lead byte, an unassigned pair).
bool cp949ToUtf8(const std::string& in, std::string* out) {
  const int inLen = static_cast<int>(in.size());
  const int wideLen = MultiByteToWideChar(kCp949, MB_ERR_INVALID_CHARS, in.data(), inLen, nullptr, 0);
  if (wideLen <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(wideLen), L'\0');
  if (MultiByteToWideChar(kCp949, MB_ERR_INVALID_CHARS, in.data(), inLen, wide.data(), wideLen) != wideLen)
    return false;
  const int outLen = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLen, nullptr, 0, nullptr, nullptr);
  if (outLen <= 0) return false;
  out->assign(static_cast<std::size_t>(outLen), '\0');
  return WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLen, out->data(), outLen, nullptr, nullptr) == outLen;
}

}  // namespace

Result<std::string> entryFileName(const ZipEntry& e) {
  if ((e.flags & kUtf8NameFlag) != 0 || isAscii(e.name)) return e.name;
  if (!IsValidCodePage(kCp949)) return Status::unsupported(e.who() + "no CP949 conversion on this system");
  std::string name;
  if (!cp949ToUtf8(e.name, &name)) return Status::invalidArgument(e.who() + "name is not valid CP949");
  return name;
}

}  // namespace zel
