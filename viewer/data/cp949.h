// Code page 949 <-> Unicode, for the display side only. The engine and the
// renderer keep report texts as CP949 bytes; windows, PDF text and the command
// line convert here. Undecodable bytes become U+FFFD, never an error.
#pragma once

#include <string>

namespace zel {

std::string cp949ToUtf8(const std::string& cp949);
std::string utf8ToCp949(const std::string& utf8);  // unmappable characters become '?'
// The start of a CP949 text for an error message, in UTF-8: at most maxBytes
// of it, never cutting a two-byte character, "..." when cut. Messages quote
// values this way, never a whole settings block or memo.
std::string cp949Excerpt(const std::string& cp949, std::size_t maxBytes = 24);

}  // namespace zel
