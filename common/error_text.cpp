#include "error_text.h"

namespace zel {

const char* errorLine(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kOther: break;
    case ErrorKind::kTableClosed: return "보고서 파일이 열려 있지 않습니다.";
    case ErrorKind::kFileMissing: return "보고서 파일이 없습니다.";
    case ErrorKind::kCannotOpen: return "보고서 파일을 열 수 없습니다.";
    case ErrorKind::kInUse: return "다른 프로그램이 보고서 파일을 사용 중입니다.";
    case ErrorKind::kExclusiveUse: return "다른 사용자가 단독으로 사용하고 있습니다.";
    case ErrorKind::kNoPermission: return "보고서를 읽을 권한이 없습니다.";
    case ErrorKind::kFieldMissing: return "보고서 파일에 필요한 항목이 없습니다.";
    case ErrorKind::kFieldType: return "보고서 파일의 항목 형식이 올바르지 않습니다.";
    case ErrorKind::kBadNumber: return "보고서 파일의 숫자 항목이 올바르지 않습니다.";
    case ErrorKind::kMemoDamaged: return "보고서 파일의 메모(.fpt) 내용이 손상되었습니다.";
    case ErrorKind::kReadFailed: return "보고서 파일을 읽을 수 없습니다.";
    case ErrorKind::kWriteFailed: return "보고서 파일에 쓸 수 없습니다.";
    case ErrorKind::kIndex: return "보고서 파일의 색인을 만들 수 없습니다.";
    case ErrorKind::kDriverMissing: return "색인 드라이버 라이브러리를 찾을 수 없습니다. 프로그램을 다시 설치하십시오.";
  }
  return "작업을 마치지 못했습니다.";
}

std::string errorMessageText(ErrorKind kind, const std::string& detail) {
  // A table without a name leaves its messages starting with ": ".
  std::string shown = detail;
  while (!shown.empty() && (shown[0] == ':' || shown[0] == ' ')) shown.erase(0, 1);
  const std::string line = errorLine(kind);
  if (shown.empty()) return line;
  return line + "\r" + shown;
}

std::string errorMessageText(const std::exception& e) {
  const auto* data = dynamic_cast<const DataError*>(&e);
  return errorMessageText(data != nullptr ? data->kind() : ErrorKind::kOther, e.what());
}

std::string openRefusalText(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kInUse: return "다른 프로그램이 사용하고 있는 보고서입니다.";
    case ErrorKind::kNoPermission: return "보고서를 읽을 권한이 없습니다.";
    case ErrorKind::kDriverMissing: return errorLine(kind);
    default: return "";
  }
}

}  // namespace zel
