// Which margins a report can take. A margin is stored as a PAGESPACE token
// that the settings routines cut to 9 characters, so only whole numbers up to
// 999,999,999 read back as written; top plus bottom (left plus right) must
// leave some of the A4 page for the frame. Checked before anything is written.
#pragma once

#include <array>
#include <string>

namespace zel {

// The refusal for the margin dialog's four field texts (top, bottom, left,
// right; thousands separators allowed), or "" when they can be stored.
// landscape: the report's pages are landscape (its file name begins with "L").
std::string MarginProblem(const std::array<std::string, 4>& fieldTexts, bool landscape);

// The largest top + bottom and left + right sums in margin units.
int MaxVerticalMargins(bool landscape);
int MaxHorizontalMargins(bool landscape);

}  // namespace zel
