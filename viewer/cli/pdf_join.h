// Joins PDF files into one, the pages of each in turn: how a PDF export made
// in parts (see split_export.h) becomes the one file asked for. Page content,
// fonts and images are copied as they are, without decoding or compressing
// them again. Toolkit-free; any thread.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

// One page of the result: the part it comes from and its index there (0-based).
struct PartPage {
  int part = 0;
  int page = 0;
};

// Writes out from the pages of parts in the given order. False with a
// message in error when a part cannot be read, a page does not exist or out
// cannot be written; out may then be left incomplete and is the caller's to
// remove.
bool JoinPdfPages(const std::vector<std::string>& parts, const std::vector<PartPage>& order, const std::string& out,
                  std::string& error);

// All pages of each part, one part after the other.
bool JoinPdfFiles(const std::vector<std::string>& parts, const std::string& out, std::string& error);

}  // namespace zel::cli
