#include "report_file_state.h"

#ifdef _WIN32
#  include <io.h>
#  define ZEL_ACCESS _access
constexpr int kWriteAccess = 2;
#else
#  include <unistd.h>
#  define ZEL_ACCESS ::access
constexpr int kWriteAccess = W_OK;
#endif

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ascii_text.h"
#include "byte_reader.h"
#include "cp949.h"
#include "report_table.h"

namespace zel {

std::string DamagedTableText(const std::string& path, long missingBytes) {
  return path + "\r보고서 파일이 손상되었습니다: 레코드 자료 " + std::to_string(missingBytes) + "바이트가 모자랍니다.";
}

namespace {

// The table file's first bytes (dBASE/FoxPro header): the version byte and,
// for Visual FoxPro, the table flags.
constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kFlagsOffset = 28;
constexpr std::uint8_t kVisualFoxHasMemo = 0x02;

// The memo file's extension a version byte calls for ("" for none).
const char* memoExtension(std::uint8_t version, std::uint8_t flags) {
  switch (version) {
    case 0x83:  // dBASE III with memo
    case 0x8B:  // dBASE IV with memo
    case 0xCB: return ".dbt";
    case 0xF5: return ".fpt";  // FoxPro 2 with memo
    case 0x30:  // Visual FoxPro: the flags say
    case 0x31:
    case 0x32: return flags & kVisualFoxHasMemo ? ".fpt" : "";
    default: return "";
  }
}

}  // namespace

std::string MissingMemoFile(const std::string& directory, const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return {};
  std::array<std::uint8_t, kFlagsOffset + 1> head{};
  {
    std::ifstream in(ResolvePath(directory, fileName), std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()))) return {};
  }
  ByteReader reader(head);
  reader.seek(kVersionOffset);
  const std::uint8_t version = reader.u8();
  reader.seek(kFlagsOffset);
  const std::uint8_t flags = reader.u8();
  std::string extension = memoExtension(version, flags);
  if (extension.empty() || !reader.ok()) return {};
  const bool upper = fileName.size() > dot + 1 && fileName[dot + 1] >= 'A' && fileName[dot + 1] <= 'Z';
  if (upper) extension = asciiUpper(extension);
  const std::string memo = fileName.substr(0, dot) + extension;
  std::error_code ec;
  if (std::filesystem::exists(ResolvePath(directory, memo), ec) || ec) return {};
  return directory + "/" + memo;
}

PageNumberCheck CheckPageNumbers(ReportTable& table, const std::function<bool()>& stop) {
  constexpr long kStopCheckEvery = 4096;
  PageNumberCheck out;
  long firstUnnumbered = 0;  // the first line with a page below 1 (or blank)
  std::string unnumberedValue;
  bool numbered = false;  // a line with a page of 1 or more was seen
  long seen = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    if (++seen % kStopCheckEvery == 0 && stop && stop()) {
      out.stopped = true;
      return out;
    }
    const std::optional<std::string> page = table.FieldValue("F_PAGE");
    std::string text = page.value_or(std::string());
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const std::size_t first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
    char* end = nullptr;
    const double value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    const bool read = text.empty() || (end == text.c_str() + text.size() && std::isfinite(value));
    if (!read) {
      out.record = table.RecNo();
      out.value = page.value_or(std::string());
      return out;
    }
    if (value >= 1) {
      numbered = true;
    } else if (firstUnnumbered == 0) {
      firstUnnumbered = table.RecNo();
      unnumberedValue = page.value_or(std::string());
    }
    // A report without page numbers (every line blank or 0) is the find's
    // refusal to make; a line below 1 among numbered ones is damage.
    if (numbered && firstUnnumbered != 0) {
      out.record = firstUnnumbered;
      out.value = unnumberedValue;
      return out;
    }
  }
  return out;
}

std::string DamagedPageNumberText(const std::string& path, const PageNumberCheck& check) {
  // Control bytes (a NUL among the digits) are shown, not passed on.
  std::string shown;
  for (const char ch : cp949Excerpt(check.value)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 15];
    } else {
      shown += ch;
    }
  }
  return path + "\r보고서 파일이 손상되었습니다: " + std::to_string(check.record) + "번째 레코드의 쪽 번호(F_PAGE) '" +
         shown + "'를 읽을 수 없습니다.";
}

bool CanWriteBeside(const std::string& directory, const std::string& fileName) {
  // access() also sees read-only mounts, which file modes do not show.
  return ZEL_ACCESS(directory.c_str(), kWriteAccess) == 0 &&
         ZEL_ACCESS(ResolvePath(directory, fileName).c_str(), kWriteAccess) == 0;
}

}  // namespace zel
