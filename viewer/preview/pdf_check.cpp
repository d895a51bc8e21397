#include "pdf_check.h"

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

namespace zel {

bool CheckPdfFile(const std::string& file, int pages, std::string& error) {
  try {
    QPDF pdf;
    pdf.setAttemptRecovery(false);
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str());
    const auto found = static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
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

bool CheckPdfPageCount(const std::string& file, int pages, std::string& error) {
  try {
    QPDF pdf;
    pdf.setAttemptRecovery(false);
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str());
    QPDFObjectHandle count = pdf.getRoot().getKey("/Pages").getKey("/Count");
    const long long found = count.isInteger() ? count.getIntValue() : -1;
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

}  // namespace zel
