#include "entry_name.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zel {
namespace {

bool isAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Owns one conversion descriptor.
class Converter {
 public:
  Converter() : cd_(::iconv_open("UTF-8", "CP949")) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  bool convert(const std::string& in, std::string* out) {
    std::vector<char> buf(in.size() * 3 + 4);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = buf.data();
    std::size_t dstLeft = buf.size();
    if (::iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
    out->assign(buf.data(), buf.size() - dstLeft);
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

Result<std::string> entryFileName(const ZipEntry& e) {
  if ((e.flags & kUtf8NameFlag) != 0 || isAscii(e.name)) return e.name;
  Converter converter;
  std::string name;
  if (!converter.ok()) return Status::unsupported(e.who() + "no CP949 conversion on this system");
  if (!converter.convert(e.name, &name)) return Status::invalidArgument(e.who() + "name is not valid CP949");
  return name;
}

}  // namespace zel
