#include "print_range.h"

#include <algorithm>

#include "message_service.h"

namespace zel {

int PullIntoPages(long long page, int firstPage, int lastPage) {
  const int last = std::max(firstPage, lastPage);
  return static_cast<int>(std::clamp<long long>(page, firstPage, last));
}

bool CheckPrintRange(MessageService& messages, PageRange& range, int firstPage, int lastPage) {
  const int from = PullIntoPages(range.from, firstPage, lastPage);
  const int to = PullIntoPages(range.to, firstPage, lastPage);
  if (from > to) {
    warnPageRangeOrder(messages);
    return false;
  }
  range = {from, to};
  return true;
}

void warnPageRangeOrder(MessageService& messages) {
  messages.warning("인쇄시작Page가 인쇄종료Page보다\r작아야만 합니다.");
}

void refuseSearchWithoutPageNumbers(MessageService& messages) {
  messages.show({"알림", "Page번호가 없는 보고서는 검색할 수 없습니다.", MessageIcon::kWarning, MessageButtons::kOk});
}

}  // namespace zel
