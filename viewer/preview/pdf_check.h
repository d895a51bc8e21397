// Whether a written PDF is whole: how a PDF is checked before it replaces
// anything (a full disk can cut a file short without its writer noticing).
// Toolkit-free; any thread.
#pragma once

#include <string>

namespace zel {

// True when file reads as a whole PDF of `pages` pages, without repair; false
// with the reason in error otherwise.
bool CheckPdfFile(const std::string& file, int pages, std::string& error);

// The same for a file whose every write was checked by its writer (a joined
// PDF): its cross-reference table and trailer read without repair and its
// page tree counts `pages`. The pages themselves are not read, so memory
// stays small whatever the number of pages.
bool CheckPdfPageCount(const std::string& file, int pages, std::string& error);

}  // namespace zel
