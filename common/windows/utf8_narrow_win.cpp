// Narrow strings are UTF-8 in every Windows program of the product (its
// manifest makes UTF-8 the ANSI code page). The C library's multibyte
// conversions do not follow: in the "C" locale they take each byte for a
// character, and the C++ library converts a std::string to a file name
// (std::filesystem::path) through them, so a Korean folder name became
// another name. These UTF-8 conversions are linked into each program in
// their place (cmake: zel_windows_program). UTF-16 on the wide side: a
// character beyond the BMP is read as its two surrogates, the first from
// its first three bytes and the second from its last.
#include <cerrno>
#include <cstddef>
#include <cwchar>

namespace {

constexpr int kPendingLow = 0x10000;  // state: a low surrogate is owed

std::size_t fail() {
  errno = EILSEQ;
  return static_cast<std::size_t>(-1);
}

}  // namespace

extern "C" {

std::size_t mbrtowc(wchar_t* out, const char* in, std::size_t n, std::mbstate_t* state) {
  static std::mbstate_t own = 0;
  if (!state) state = &own;
  if (!in) {
    *state = 0;
    return 0;
  }
  if (n == 0) return static_cast<std::size_t>(-2);
  const auto* s = reinterpret_cast<const unsigned char*>(in);
  if (*state & kPendingLow) {
    if ((s[0] & 0xC0) != 0x80) return fail();
    if (out) *out = static_cast<wchar_t>(*state & 0xFFFF);
    *state = 0;
    return 1;
  }
  const unsigned char c = s[0];
  std::size_t length;
  char32_t code;
  if (c < 0x80) {
    if (out) *out = static_cast<wchar_t>(c);
    return c == 0 ? 0 : 1;
  } else if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
    length = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
    length = 4;
    code = c & 0x07;
  } else {
    return fail();
  }
  if (n < length) {
    for (std::size_t i = 1; i < n; ++i)
      if ((s[i] & 0xC0) != 0x80) return fail();
    return static_cast<std::size_t>(-2);
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return fail();
    code = (code << 6) | (s[i] & 0x3F);
  }
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF))
    return fail();
  if (length < 4) {
    if (out) *out = static_cast<wchar_t>(code);
    return length;
  }
  code -= 0x10000;
  if (out) *out = static_cast<wchar_t>(0xD800 + (code >> 10));
  *state = kPendingLow | static_cast<int>(0xDC00 + (code & 0x3FF));
  return 3;  // the last byte gives the low surrogate
}

std::size_t mbrlen(const char* in, std::size_t n, std::mbstate_t* state) {
  static std::mbstate_t own = 0;
  return mbrtowc(nullptr, in, n, state ? state : &own);
}

std::size_t mbsrtowcs(wchar_t* dst, const char** src, std::size_t len, std::mbstate_t* state) {
  static std::mbstate_t own = 0;
  if (!state) state = &own;
  std::size_t written = 0;
  const char* s = *src;
  while (!dst || written < len) {
    wchar_t w = 0;
    const std::size_t n = mbrtowc(&w, s, 4, state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
      if (dst) *src = s;
      return fail();
    }
    if (dst) dst[written] = w;
    if (n == 0) {
      if (dst) *src = nullptr;
      return written;
    }
    s += n;
    ++written;
  }
  *src = s;
  return written;
}

std::size_t wcrtomb(char* out, wchar_t wc, std::mbstate_t* state) {
  static std::mbstate_t own = 0;
  if (!state) state = &own;
  char buffer[4];
  if (!out) {
    out = buffer;
    wc = L'\0';
  }
  char32_t code = static_cast<char16_t>(wc);
  if (*state != 0) {  // a high surrogate waits for its low one
    if (code < 0xDC00 || code > 0xDFFF) return fail();
    code = 0x10000 + ((static_cast<char32_t>(*state) - 0xD800) << 10) + (code - 0xDC00);
    *state = 0;
  } else if (code >= 0xD800 && code <= 0xDBFF) {
    *state = static_cast<int>(code);
    return 0;
  } else if (code >= 0xDC00 && code <= 0xDFFF) {
    return fail();
  }
  auto* o = reinterpret_cast<unsigned char*>(out);
  if (code < 0x80) {
    o[0] = static_cast<unsigned char>(code);
    return 1;
  }
  if (code < 0x800) {
    o[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
    o[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    o[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
    o[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    return 3;
  }
  o[0] = static_cast<unsigned char>(0xF0 | (code >> 18));
  o[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
  o[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
  o[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
  return 4;
}

std::size_t wcsrtombs(char* dst, const wchar_t** src, std::size_t len, std::mbstate_t* state) {
  static std::mbstate_t own = 0;
  if (!state) state = &own;
  std::size_t written = 0;
  const wchar_t* s = *src;
  for (;; ++s) {
    char buffer[4];
    const std::size_t n = wcrtomb(buffer, *s, state);
    if (n == static_cast<std::size_t>(-1)) {
      if (dst) *src = s;
      return n;
    }
    if (dst && written + n > len) break;
    if (dst)
      for (std::size_t i = 0; i < n; ++i) dst[written + i] = buffer[i];
    if (*s == L'\0') {
      if (dst) *src = nullptr;
      return written;  // the terminator is not counted
    }
    written += n;
  }
  *src = s;
  return written;
}

}  // extern "C"
