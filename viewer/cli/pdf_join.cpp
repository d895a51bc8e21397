#include "pdf_join.h"

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <qpdf/Buffer.hh>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

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

namespace {

constexpr int kCatalogObject = 1;
constexpr int kPageTreeObject = 2;
constexpr std::size_t kOutputBuffer = 1 << 20;

}  // namespace

struct PdfStreamJoiner::State {
  std::string out;
  std::mutex mutex;
  std::FILE* file = nullptr;
  std::uint64_t written = 0;  // bytes so far: the next object's offset
  std::vector<std::uint64_t> offsets{0, 0, 0};  // by object number; 1 and 2 are written last
  std::vector<std::vector<int>> pages;  // by source: the object number of each appended page
  int infoObject = 0;
  bool started = false;
  bool writeFailed = false;
  std::string error;

  // One part's numbers: its objects by their numbers there, and those still to write.
  std::map<QPDFObjGen, int> numbers;
  std::deque<QPDFObjectHandle> pending;

  void put(const char* data, std::size_t size) {
    if (writeFailed) return;
    if (std::fwrite(data, 1, size, file) != size) writeFailed = true;
    written += size;
  }
  void put(const std::string& text) { put(text.data(), text.size()); }

  int numberOf(QPDFObjectHandle object) {
    const auto [at, added] = numbers.emplace(object.getObjGen(), static_cast<int>(offsets.size()));
    if (added) {
      offsets.push_back(0);
      pending.push_back(object);
    }
    return at->second;
  }

  void putReference(int number) { put(std::to_string(number) + " 0 R"); }

  // A value inside an object: other objects by their new numbers.
  void putValue(QPDFObjectHandle value) {
    if (value.isIndirect()) {
      putReference(numberOf(value));
    } else {
      putBody(value);
    }
  }

  // An object's own value, direct or not.
  void putBody(QPDFObjectHandle value) {
    if (value.isArray()) {
      put("[", 1);
      bool first = true;
      for (QPDFObjectHandle item : value.getArrayAsVector()) {
        if (!first) put(" ", 1);
        first = false;
        putValue(item);
      }
      put("]", 1);
    } else if (value.isDictionary()) {
      putDictionary(value, {});
    } else {
      put(value.unparseResolved());
    }
  }

  // replaced: keys written with the given text instead of their value.
  void putDictionary(QPDFObjectHandle dictionary, const std::map<std::string, std::string>& replaced) {
    put("<<", 2);
    for (const std::string& key : dictionary.getKeys()) {
      put(QPDFObjectHandle::newName(key).unparse());
      put(" ", 1);
      if (const auto r = replaced.find(key); r != replaced.end()) {
        put(r->second);
      } else {
        putValue(dictionary.getKey(key));
      }
      put("\n", 1);
    }
    for (const auto& [key, text] : replaced) {
      if (dictionary.hasKey(key)) continue;
      put(QPDFObjectHandle::newName(key).unparse() + " " + text + "\n");
    }
    put(">>", 2);
  }

  void startObject(int number) {
    offsets[static_cast<std::size_t>(number)] = written;
    put(std::to_string(number) + " 0 obj\n");
  }

  // Writes the part's objects waiting for their turn (and those they name).
  void putPending() {
    while (!pending.empty()) {
      QPDFObjectHandle object = pending.front();
      pending.pop_front();
      startObject(numbers.at(object.getObjGen()));
      if (object.isStream()) {
        // The data goes through as it is (compressed by the part's writer).
        const std::shared_ptr<Buffer> data = object.getRawStreamData();
        putDictionary(object.getDict(), {{"/Length", std::to_string(data->getSize())}});
        put("\nstream\n");
        put(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        put("\nendstream");
      } else if (object.isPageObject()) {
        putDictionary(object, {{"/Parent", std::to_string(kPageTreeObject) + " 0 R"}});
      } else {
        putBody(object);
      }
      put("\nendobj\n");
    }
  }

  void fail(const std::string& why) {
    if (error.empty()) error = why;
  }
};

PdfStreamJoiner::PdfStreamJoiner(std::string out) : state_(std::make_unique<State>()) { state_->out = std::move(out); }

PdfStreamJoiner::~PdfStreamJoiner() {
  if (state_->file) std::fclose(state_->file);
}

std::string PdfStreamJoiner::error() const {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->error;
}

bool PdfStreamJoiner::append(int source, const std::string& part) {
  State& s = *state_;
  const std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.error.empty() || source < 0) {
    s.fail("no part to join");
    return false;
  }
  try {
    QPDF pdf;
    // A part cut short (a full disk) is an error, never a file to repair.
    pdf.setAttemptRecovery(false);
    pdf.processFile(part.c_str());
    QPDFPageDocumentHelper document(pdf);
    // Attributes a part's page tree gives its pages go with each page.
    document.pushInheritedAttributesToPage();
    if (!s.started) {
      s.file = std::fopen(s.out.c_str(), "wb");
      if (!s.file) {
        s.fail("cannot write " + s.out + ": " + std::strerror(errno));
        return false;
      }
      std::setvbuf(s.file, nullptr, _IOFBF, kOutputBuffer);
      s.started = true;
      s.put("%PDF-" + pdf.getPDFVersion() + "\n%\xE2\xE3\xCF\xD3\n");
      // The first part's catalog and document information serve the whole.
      s.offsets[kCatalogObject] = s.written;
      s.put(std::to_string(kCatalogObject) + " 0 obj\n");
      s.putDictionary(pdf.getRoot(), {{"/Pages", std::to_string(kPageTreeObject) + " 0 R"}});
      s.put("\nendobj\n");
      if (QPDFObjectHandle info = pdf.getTrailer().getKey("/Info"); info.isIndirect()) s.infoObject = s.numberOf(info);
    }
    if (static_cast<std::size_t>(source) >= s.pages.size()) s.pages.resize(static_cast<std::size_t>(source) + 1);
    for (QPDFPageObjectHelper& page : document.getAllPages()) {
      s.pages[static_cast<std::size_t>(source)].push_back(s.numberOf(page.getObjectHandle()));
    }
    s.putPending();
    s.numbers.clear();
    if (s.writeFailed) {
      s.fail("cannot write " + s.out + ": " + std::strerror(errno));
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    s.numbers.clear();
    s.pending.clear();
    s.fail(e.what());
    return false;
  }
}

bool PdfStreamJoiner::finish(const std::vector<PartPage>& order) {
  State& s = *state_;
  const std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.error.empty()) return false;
  if (!s.started || order.empty()) {
    s.fail("no page to write");
    return false;
  }
  std::string kids;
  kids.reserve(order.size() * 10);
  for (const PartPage& p : order) {
    if (p.part < 0 || static_cast<std::size_t>(p.part) >= s.pages.size() || p.page < 0 ||
        static_cast<std::size_t>(p.page) >= s.pages[static_cast<std::size_t>(p.part)].size()) {
      s.fail("page " + std::to_string(p.page + 1) + " of part " + std::to_string(p.part + 1) + " does not exist");
      return false;
    }
    kids += std::to_string(s.pages[static_cast<std::size_t>(p.part)][static_cast<std::size_t>(p.page)]) + " 0 R\n";
  }
  s.startObject(kPageTreeObject);
  s.put("<</Type /Pages\n/Count " + std::to_string(order.size()) + "\n/Kids [\n" + kids + "]>>\nendobj\n");
  const std::uint64_t table = s.written;
  s.put("xref\n0 " + std::to_string(s.offsets.size()) + "\n0000000000 65535 f \n");
  char entry[32];
  for (std::size_t number = 1; number < s.offsets.size(); ++number) {
    std::snprintf(entry, sizeof entry, "%010" PRIu64 " 00000 n \n", s.offsets[number]);
    s.put(entry, 20);
  }
  std::string trailer =
      "trailer\n<</Size " + std::to_string(s.offsets.size()) + "\n/Root " + std::to_string(kCatalogObject) + " 0 R\n";
  if (s.infoObject > 0) trailer += "/Info " + std::to_string(s.infoObject) + " 0 R\n";
  s.put(trailer + ">>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
  // The library is not involved here: every write, the flush and the close are checked.
  const bool flushed = !s.writeFailed && std::fflush(s.file) == 0 && !std::ferror(s.file);
  const int flushError = errno;
  const bool closed = std::fclose(s.file) == 0;
  s.file = nullptr;
  if (!flushed || !closed) {
    s.fail("cannot write " + s.out + ": " + std::strerror(flushed ? errno : flushError));
    return false;
  }
  return true;
}

}  // namespace zel::cli
