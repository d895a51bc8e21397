// The theme part every workbook carries (xl/theme/theme1.xml).
#pragma once

namespace zel {

extern const char* const kXlsxTheme;

}  // namespace zel
