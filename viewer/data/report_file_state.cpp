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
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "ascii_text.h"
#include "byte_reader.h"

namespace zel {

std::string OpenProblemText(OpenProblem problem) {
  switch (problem) {
    case OpenProblem::kInUse: return "다른 프로그램이 사용하고 있는 보고서입니다.";
    case OpenProblem::kNoPermission: return "보고서를 읽을 권한이 없습니다.";
    case OpenProblem::kNone:
    case OpenProblem::kOther: break;
  }
  return {};
}

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

bool CanWriteBeside(const std::string& directory, const std::string& fileName) {
  // access() also sees read-only mounts, which file modes do not show.
  return ZEL_ACCESS(directory.c_str(), kWriteAccess) == 0 &&
         ZEL_ACCESS(ResolvePath(directory, fileName).c_str(), kWriteAccess) == 0;
}

}  // namespace zel
