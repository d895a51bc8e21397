// The compression level of the PDF pages zelrpt-cli writes. Qt's PDF writer
// compresses every page with zlib's default level (6) and has no setting for
// it; compressing the pages took a third of an export's time. Level 5 makes
// files some 7 % larger and compresses twice as fast, so the program itself
// answers zlib's deflateInit_ (which Qt calls) and turns the default level
// into this one; asked levels pass unchanged. Defined in main.cpp: only a
// definition in the program itself is seen before the library's.
#pragma once

namespace zel::cli {

inline constexpr int kPdfDeflateLevel = 5;

}  // namespace zel::cli
