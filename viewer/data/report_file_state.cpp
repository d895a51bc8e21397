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

bool CanWriteBeside(const std::string& directory, const std::string& fileName) {
  // access() also sees read-only mounts, which file modes do not show.
  return ZEL_ACCESS(directory.c_str(), kWriteAccess) == 0 &&
         ZEL_ACCESS(ResolvePath(directory, fileName).c_str(), kWriteAccess) == 0;
}

}  // namespace zel
