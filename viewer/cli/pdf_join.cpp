#include "pdf_join.h"

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace zel::cli {

bool JoinPdfPages(const std::vector<std::string>& parts, const std::vector<PartPage>& order, const std::string& out,
                  std::string& error) {
  if (parts.empty() || order.empty()) {
    error = "no page to write";
    return false;
  }
  try {
    // Copied pages read their streams from their own file while the result
    // is written, so every part stays open until then.
    std::vector<std::unique_ptr<QPDF>> files;
    std::vector<std::vector<QPDFPageObjectHelper>> pages;
    for (const std::string& part : parts) {
      auto pdf = std::make_unique<QPDF>();
      // A part cut short (a full disk) is an error, never a file to repair.
      pdf->setAttemptRecovery(false);
      pdf->processFile(part.c_str());
      pages.push_back(QPDFPageDocumentHelper(*pdf).getAllPages());
      files.push_back(std::move(pdf));
    }
    for (const PartPage& p : order) {
      if (p.part < 0 || p.part >= static_cast<int>(pages.size()) || p.page < 0 ||
          p.page >= static_cast<int>(pages[static_cast<std::size_t>(p.part)].size())) {
        error = "page " + std::to_string(p.page + 1) + " of part " + std::to_string(p.part + 1) + " does not exist";
        return false;
      }
    }
    // The first part's document becomes the result: its pages leave the page
    // tree and come back, with the others', in the order asked.
    QPDFPageDocumentHelper result(*files.front());
    for (QPDFPageObjectHelper& page : pages.front()) result.removePage(page);
    for (const PartPage& p : order) {
      result.addPage(pages[static_cast<std::size_t>(p.part)][static_cast<std::size_t>(p.page)], false);
    }
    // The library does not check its last flush and close: the file is
    // handed to it and closed here.
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (!file) {
      error = "cannot write " + out + ": " + std::strerror(errno);
      return false;
    }
    try {
      QPDFWriter writer(*files.front());
      writer.setOutputFile(out.c_str(), file, false);
      // Streams go through as they are: the parts' are compressed already.
      writer.setDecodeLevel(qpdf_dl_none);
      writer.write();
    } catch (const std::exception&) {
      std::fclose(file);
      throw;
    }
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) {
      error = "cannot write " + out + ": " + std::strerror(flushed ? errno : flushError);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

bool JoinPdfFiles(const std::vector<std::string>& parts, const std::string& out, std::string& error) {
  std::vector<PartPage> order;
  try {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      QPDF pdf;
      pdf.processFile(parts[i].c_str());
      const int count = static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
      for (int page = 0; page < count; ++page) order.push_back({static_cast<int>(i), page});
    }
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  return JoinPdfPages(parts, order, out, error);
}

}  // namespace zel::cli
