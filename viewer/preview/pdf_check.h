// Whether a written PDF is whole: how a PDF is checked before it replaces
// anything (a full disk can cut a file short without its writer noticing).
// Toolkit-free; any thread.
#pragma once

#include <string>

namespace zel {

// True when file reads as a whole PDF of `pages` pages, without repair; false
// with the reason in error otherwise.
bool CheckPdfFile(const std::string& file, int pages, std::string& error);

}  // namespace zel
