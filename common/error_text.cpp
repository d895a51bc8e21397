#include "error_text.h"

#include <cstddef>

namespace zel {

namespace {

struct ErrorWording {
  const char* marker;  // a phrase of the English detail
  const char* korean;
};

// Checked in order; the first marker found in the detail chooses the line.
constexpr ErrorWording kWordings[] = {
    {"closed table", "보고서 파일이 열려 있지 않습니다."},
    {"memo", "보고서 파일의 메모(.fpt) 내용이 손상되었습니다."},
    {"cannot open", "보고서 파일을 열 수 없습니다."},
    {"not found", "보고서 파일에 필요한 항목이 없습니다."},
    {"not a valid", "보고서 파일의 숫자 항목이 올바르지 않습니다."},
    {"lock", "다른 프로그램이 보고서 파일을 사용 중입니다."},
    {"index", "보고서 파일의 색인을 만들 수 없습니다."},
    {"cannot read", "보고서 파일을 읽을 수 없습니다."},
};
constexpr char kGeneralWording[] = "작업을 마치지 못했습니다.";

}  // namespace

std::string errorMessageText(const std::string& detail) {
  // A table without a name leaves its messages starting with ": ".
  std::string shown = detail;
  while (!shown.empty() && (shown[0] == ':' || shown[0] == ' ')) shown.erase(0, 1);
  const char* line = kGeneralWording;
  for (const ErrorWording& w : kWordings) {
    if (shown.find(w.marker) != std::string::npos) {
      line = w.korean;
      break;
    }
  }
  if (shown.empty()) return line;
  return std::string(line) + "\r" + shown;
}

}  // namespace zel
