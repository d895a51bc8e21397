// Joins PDF files into one, the pages of each in turn: how a PDF export made
// in parts (see split_export.h) becomes the one file asked for. Page content,
// fonts and images are copied as they are, without decoding or compressing
// them again. Toolkit-free; any thread.
#pragma once

#include <memory>
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

// PdfStreamJoiner: joins parts into one file as they are finished, written
// front to back. Each part's objects are copied out with new numbers when it
// is appended, and the part is let go, so memory holds one part at a time
// whatever the document's length; finish() writes the page tree in the order
// asked and the cross-reference table. Each part keeps its own fonts (the
// subsets of what its pages use). append() may be called from any thread;
// finish() once, after the last append.
class PdfStreamJoiner {
 public:
  explicit PdfStreamJoiner(std::string out);
  ~PdfStreamJoiner();
  PdfStreamJoiner(const PdfStreamJoiner&) = delete;
  PdfStreamJoiner& operator=(const PdfStreamJoiner&) = delete;

  // Appends every page of the file part as the next pages of source. False
  // (and every later call false) when the part cannot be read or out cannot
  // be written.
  bool append(int source, const std::string& part);
  // Writes the page tree (PartPage: a source and the index among its
  // appended pages) and closes out. out may be left incomplete on failure
  // and is the caller's to remove.
  bool finish(const std::vector<PartPage>& order);
  // Why a call failed; empty while none did.
  std::string error() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zel::cli
