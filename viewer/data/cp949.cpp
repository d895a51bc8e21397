#include "cp949.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

namespace zel {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread: opening one costs far more than a short conversion,
// and a converter keeps state, so threads must not share it.
UConverter* converter() {
  thread_local ConverterPtr conv = [] {
    for (const char* name : {"windows-949", "cp949", "windows-949-2000", "ibm-1363"}) {
      UErrorCode status = U_ZERO_ERROR;
      UConverter* c = ucnv_open(name, &status);
      if (U_SUCCESS(status) && c != nullptr) {
        UErrorCode subStatus = U_ZERO_ERROR;
        ucnv_setSubstChars(c, "?", 1, &subStatus);
        UErrorCode cbStatus = U_ZERO_ERROR;
        ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &cbStatus);
        UErrorCode fromStatus = U_ZERO_ERROR;
        ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &fromStatus);
        return ConverterPtr(c);
      }
      if (c != nullptr) ucnv_close(c);
    }
    return ConverterPtr();
  }();
  return conv.get();
}

bool isAscii(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string cp949ToUtf8(const std::string& cp949) {
  if (isAscii(cp949)) return cp949;
  UConverter* conv = converter();
  if (conv == nullptr) {
    // Without the code page, keep ASCII and mark every other byte as undecodable.
    std::string out;
    for (char c : cp949) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
    return out;
  }
  ucnv_resetToUnicode(conv);
  std::vector<UChar> wide(cp949.size() * 2 + 4);
  UErrorCode status = U_ZERO_ERROR;
  int32_t wideLen = ucnv_toUChars(conv, wide.data(), static_cast<int32_t>(wide.size()), cp949.data(),
                                  static_cast<int32_t>(cp949.size()), &status);
  if (U_FAILURE(status)) return {};
  // The code page's stray single bytes and user-defined area decode to C1
  // controls and private-use characters, which no font shows: mark them as
  // undecodable like any other bad byte.
  for (int32_t i = 0; i < wideLen; ++i) {
    UChar& c = wide[static_cast<std::size_t>(i)];
    if ((c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF)) c = 0xFFFD;
  }
  std::string out(static_cast<std::size_t>(wideLen) * 3 + 4, '\0');
  int32_t outLen = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &outLen, wide.data(), wideLen, 0xFFFD, nullptr,
                     &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(outLen));
  return out;
}

std::string utf8ToCp949(const std::string& utf8) {
  if (isAscii(utf8)) return utf8;
  std::vector<UChar> wide(utf8.size() + 4);
  int32_t wideLen = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &wideLen, utf8.data(),
                       static_cast<int32_t>(utf8.size()), '?', nullptr, &status);
  if (U_FAILURE(status)) return {};
  UConverter* conv = converter();
  if (conv == nullptr) {
    std::string out;
    for (int32_t i = 0; i < wideLen; ++i) {
      UChar c = wide[static_cast<std::size_t>(i)];
      out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
  }
  ucnv_resetFromUnicode(conv);
  std::string out(static_cast<std::size_t>(wideLen) * 2 + 4, '\0');
  status = U_ZERO_ERROR;
  int32_t outLen = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()), wide.data(), wideLen, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(outLen));
  return out;
}

}  // namespace zel
