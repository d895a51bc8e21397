// Builds without libqpdf (Windows) draw a PDF on one thread, so no parts are
// ever joined; these only answer a caller that tries.
#include "pdf_join.h"

namespace zel::cli {

bool JoinPdfPages(const std::vector<std::string>& /*parts*/, const std::vector<PartPage>& /*order*/,
                  const std::string& /*out*/, std::string& error) {
  error = "this build cannot join PDF files";
  return false;
}

bool JoinPdfFiles(const std::vector<std::string>& /*parts*/, const std::string& /*out*/, std::string& error) {
  error = "this build cannot join PDF files";
  return false;
}

struct PdfStreamJoiner::State {};

PdfStreamJoiner::PdfStreamJoiner(std::string /*out*/) {}
PdfStreamJoiner::~PdfStreamJoiner() = default;
bool PdfStreamJoiner::append(int /*source*/, const std::string& /*part*/) { return false; }
bool PdfStreamJoiner::finish(const std::vector<PartPage>& /*order*/) { return false; }
std::string PdfStreamJoiner::error() const { return "this build cannot join PDF files"; }

}  // namespace zel::cli
