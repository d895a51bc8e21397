// Code page 949 on Windows: the system's own tables (MultiByteToWideChar and
// WideCharToMultiByte with code page 949), with the same results as the ICU
// conversion elsewhere: every undecodable byte or unshowable character becomes
// U+FFFD, every character the code page lacks becomes '?'.
#include <windows.h>

#include <string>

#include "cp949.h"

namespace zel {
namespace {

constexpr UINT kCodePage = 949;
constexpr wchar_t kReplacement = 0xFFFD;

bool isAscii(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool isLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool isTrail(unsigned char b) {
  return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

// Converts bytes that are well formed character by character; a character the
// system cannot map becomes U+FFFD on its own, so one bad pair never spoils the text.
void decodeRun(const char* p, int n, std::wstring& out) {
  if (n <= 0) return;
  int len = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, p, n, nullptr, 0);
  if (len > 0) {
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(len));
    MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, p, n, out.data() + at, len);
    return;
  }
  for (int i = 0; i < n;) {
    int size = isLead(static_cast<unsigned char>(p[i])) ? 2 : 1;
    wchar_t w[2];
    int got = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, p + i, size, w, 2);
    if (got == 1)
      out += w[0];
    else
      out += kReplacement;
    i += size;
  }
}

std::string wideToUtf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::string cp949ToUtf8(const std::string& cp949) {
  if (isAscii(cp949)) return cp949;
  std::wstring wide;
  wide.reserve(cp949.size());
  const char* data = cp949.data();
  const std::size_t size = cp949.size();
  std::size_t runStart = 0;
  std::size_t i = 0;
  // Well-formed runs go to the system in one call; a malformed byte is
  // replaced and the byte after a broken lead byte is read again on its own.
  while (i < size) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b < 0x80) {
      ++i;
    } else if (isLead(b) && i + 1 < size && isTrail(static_cast<unsigned char>(data[i + 1]))) {
      i += 2;
    } else {
      decodeRun(data + runStart, static_cast<int>(i - runStart), wide);
      wide += kReplacement;
      runStart = ++i;
    }
  }
  decodeRun(data + runStart, static_cast<int>(size - runStart), wide);
  // Stray single bytes and the user-defined area come back as C1 controls and
  // private-use characters, which no font shows.
  for (wchar_t& c : wide) {
    if ((c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF)) c = kReplacement;
  }
  return wideToUtf8(wide);
}

std::string utf8ToCp949(const std::string& utf8) {
  if (isAscii(utf8)) return utf8;
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  // The code page has nothing outside the basic plane: a surrogate pair is one
  // missing character, one '?'.
  std::wstring bmp;
  bmp.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wchar_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
    bmp += (c >= 0xD800 && c <= 0xDFFF) ? L'?' : c;
  }
  const int m = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, bmp.data(), static_cast<int>(bmp.size()), nullptr,
                                    0, "?", nullptr);
  if (m <= 0) return {};
  std::string out(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, bmp.data(), static_cast<int>(bmp.size()), out.data(), m, "?",
                      nullptr);
  return out;
}

}  // namespace zel
