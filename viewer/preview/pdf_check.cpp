#include "pdf_check.h"

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>
#include <string>

namespace zel {

namespace {

// Opens the file without repair and asks `countPages` how many pages it
// holds; any warning on the way counts as damage.
template <typename CountPages>
bool checkPdf(const std::string& file, int pages, std::string& error, CountPages countPages) {
  try {
    QPDF pdf;
    pdf.setAttemptRecovery(false);
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str());
    const long long found = countPages(pdf);
    if (found != pages) {
      error = file + " holds " + std::to_string(found) + " of " + std::to_string(pages) + " pages";
      return false;
    }
    if (pdf.anyWarnings()) {
      error = file + " is damaged";
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace

bool CheckPdfFile(const std::string& file, int pages, std::string& error) {
  return checkPdf(file, pages, error,
                  [](QPDF& pdf) { return static_cast<long long>(QPDFPageDocumentHelper(pdf).getAllPages().size()); });
}

bool CheckPdfPageCount(const std::string& file, int pages, std::string& error) {
  return checkPdf(file, pages, error, [](QPDF& pdf) {
    QPDFObjectHandle count = pdf.getRoot().getKey("/Pages").getKey("/Count");
    return count.isInteger() ? count.getIntValue() : -1LL;
  });
}

}  // namespace zel
